// The panel checker behind "corvane-control --check-panel FILE": loads every panel of a panel
// file without showing it and prints what binding makes of each control.
#pragma once

#include <ostream>
#include <string>

// Prints, for each panel of `file`, a line `panel <n> <constant name> "<title>"`, one line per
// control `<id>\t<constant name>\t<kind>\t<label>\t<what binding makes of it>`, then one
// `warning: ...` line per name that looks meant for the engine but does not bind. Returns 0
// when the file loaded, 1 when it did not (the reason goes to err).
int RunPanelCheck(const std::string& file, std::ostream& out, std::ostream& err);

// The text of a control kind ("numeric", "toggle button", ...).
const char* ControlKindName(int kind);
