// The program's start-up and shut-down: operation tables, configuration, the product panel with
// its title, port selection, the user-interface loop and the ordered shut-down.
//
// StartUp_Run does it all. Its pieces are separate so that tests can run them headless:
// StartUp_Begin (tables to port selection), StartUp_RunLoop (the loop and what follows it) and
// StartUp_End (discarding the panel, closing the port side, releasing the run-time).
#pragma once

#include <string>

// What start-up reads from the section "Section" of the configuration file.
struct StartupConfig {
    std::string path;      // the configuration file ("" when the program folder is unknown)
    std::string panelFile; // "Key", or "FirstTime" (default "GetProduct.uir") when "Key" is short
    std::string menuFile;  // "Menu"
    std::string softwareName; // "SoftwareName"
    int exposeTime = 5;       // "ExposeTime"
};

// Reads the keys of `path` (a missing file or key gives the defaults).
StartupConfig StartUp_ReadConfig(const std::string& path);

// Initialising and releasing the user-interface run-time (steps 3 and 15). The program puts its
// view in front of the run-time; without hooks the plain run-time is used (headless).
struct RuntimeHooks {
    int (*init)(int& argc, char** argv) = nullptr; // 1 on success
    void (*release)() = nullptr;
};

// Where start-up goes after StartUp_Begin.
enum StartupNext : int {
    STARTUP_RUN_LOOP = 12,      // panel shown: run the loop
    STARTUP_DISCARD_PANEL = 13, // the panel could not be displayed
    STARTUP_CLOSE_PORT = 14,    // nothing shown (run-time or panel file failed)
};

struct StartupState {
    StartupConfig config;
    RuntimeHooks hooks;
    int panel = 0; // the product panel, > 0 once loaded
    std::string title;
    int portControl = 0; // the control that received port selection, 0 when none
    StartupNext next = STARTUP_CLOSE_PORT;
};

// Fills every module's operation table in start-up order and registers the callbacks that
// panel files name.
void StartUp_FillTables();
// Steps 1 to 11. Returns state->next.
StartupNext StartUp_Begin(int& argc, char** argv, StartupState* state);
// Step 12: runs the user-interface loop; when it ends normally, saves the configuration values.
// Returns the loop's result.
int StartUp_RunLoop(StartupState* state);
// Steps 13 to 15 as state->next says.
void StartUp_End(StartupState* state);
// The whole program: always 0.
int StartUp_Run(int& argc, char** argv, const RuntimeHooks& hooks = {});
