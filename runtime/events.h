// The user-interface event loop. The thread that calls InitUserInterface is the
// user-interface thread: callbacks, deferred calls and completions run there.
// Without a view the loop is a plain queue of calls; the Qt view installs a backend that runs
// the same calls inside Qt's event loop.
#pragma once

#include <functional>

// Backend of the loop. The default one is plain C++ (headless programs and tests).
// post() and quit() are called with the loop's lock held (so none is still running once
// CloseUserInterface has returned): they must only queue, never call back into these functions.
// A quit() that arrives before run() makes the next run() return at once, so that a quit from
// another thread is never lost.
class EventLoopBackend {
  public:
    virtual ~EventLoopBackend() = default;
    virtual void post(std::function<void()> call) = 0; // any thread
    virtual int run() = 0;                             // until quit(); returns its code
    virtual void quit(int code) = 0;                   // any thread
    virtual void processEvents() = 0;                  // runs what is pending, then returns
};

// Makes the calling thread the user-interface thread (and the main thread of CmtGetMainThreadID).
// Returns 1, or 0 on failure (already initialised by another thread). Calling it again on the
// same thread is harmless; after CloseUserInterface it may be called again.
// A backend installed before (the view) is kept; otherwise the plain backend is used.
int InitUserInterface(int argc, char** argv);
// Ends the user interface; calls still queued in the plain backend are dropped unrun.
void CloseUserInterface();
// The view, before InitUserInterface; takes effect at the next InitUserInterface. nullptr
// restores the plain backend.
void SetEventLoopBackend(EventLoopBackend* backend);
bool IsUserInterfaceThread();

// Runs the loop until QuitUserInterface. Returns the code given to QuitUserInterface (>= 0),
// or a negative value when the run-time is not initialised.
int RunUserInterface();
// Ends the loop after the running callback returns. Any thread.
int QuitUserInterface(int code);
// Runs pending deferred calls (and the toolkit's events) on the user-interface thread.
int ProcessSystemEvents();
// Runs fn on the user-interface thread, later. Any thread. Returns 0, negative on failure.
int PostDeferredCall(std::function<void()> fn);
// Runs fn on the user-interface thread and waits for it (runs it at once when called there, or
// when no user interface is initialised). Returns without running fn when CloseUserInterface
// drops the call. The user-interface thread must not be waiting for the caller meanwhile.
void RunOnUserInterfaceThread(const std::function<void()>& fn);
