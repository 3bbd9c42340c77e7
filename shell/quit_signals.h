// SIGINT and SIGTERM end the user-interface loop as closing the main panel does, so that the
// ordered shut-down runs. The signal handler only writes a byte into a pipe; a watcher thread
// reads it and has QuitUserInterface(0) run on the user-interface thread.
#pragma once

// Installs the handlers and starts the watcher. 0 on success, -1 when the pipe, the handlers or
// the thread could not be set up (the signals then keep their default action).
int QuitSignals_Install();
// Restores the default action of both signals and stops the watcher. Harmless when not
// installed.
void QuitSignals_Remove();
