#include "shell/startup.h"

#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "engine/engine_threads.h"
#include "runtime/events.h"
#include "runtime/inifile.h"
#include "runtime/userint.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "shell/config_path.h"
#include "shell/main_callbacks.h"
#include "shell/panel_global.h"
#include "shell/window_title.h"

#include <iostream>

namespace {

// Longest wait for the engine threads at shut-down: a thread may be inside a one-second
// handshake wait or a two-second write on a full device buffer.
constexpr int kEngineStopWaitMs = 3000;

std::string ReadText(const StartupConfig& c, const char* key, const char* defaultValue) {
    char value[CONFIG_VALUE_SIZE];
    GetPrivateProfileString(CONFIG_SECTION, key, defaultValue, value, sizeof value, c.path.c_str());
    return value;
}

int DefaultInit(int& argc, char** argv) {
    return InitUserInterface(argc, argv);
}

void DefaultRelease() {
    CloseUserInterface();
}

// Step 11: the first control whose constant name contains "PORTCOMBOUI" or begins with
// "PORTCOMBO" receives port selection.
int AttachPortSelection(int panel) {
    int id = 0;
    GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id);
    while (id > 0) {
        std::string name;
        GetCtrlAttribute(panel, id, ATTR_CONSTANT_NAME, &name);
        if (name.find("PORTCOMBOUI") != std::string::npos) {
            PortCombo_InitPanelUI(PortCombo_Record(), panel, id);
            return id;
        }
        if (name.rfind("PORTCOMBO", 0) == 0) {
            InstallCtrlCallback(panel, id, Main_COMSELECT, nullptr);
            MoveCOmboSmall(panel, id);
            InputComboValues(panel, id);
            return id;
        }
        int next = 0;
        if (GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &next) < 0) break;
        id = next;
    }
    return 0;
}

} // namespace

StartupConfig StartUp_ReadConfig(const std::string& path) {
    StartupConfig c;
    c.path = path;
    c.panelFile = ReadText(c, "Key", "");
    if (c.panelFile.size() <= 2) c.panelFile = ReadText(c, "FirstTime", "GetProduct.uir");
    c.menuFile = ReadText(c, "Menu", "");
    c.softwareName = ReadText(c, "SoftwareName", "");
    c.exposeTime = GetPrivateProfileInt(CONFIG_SECTION, "ExposeTime", 5, path.c_str());
    return c;
}

void StartUp_FillTables() {
    MainWorking_INIT_POINTERS(&TheAppRecord());
    CYCLICK_BUF_INIT_POINTERS();
    PortWork_INIT_POINTERS();
    // The graph, data-log and menu modules fill their tables here once they are part of the
    // program (GraphWorking_INIT_POINTERS, LogFile_INIT_POINTERS, MenuStruct_INIT_POINTERS).
    PortCombo_INIT_POINTERS(nullptr);
    DinamicControl_INIT_POINTERS(nullptr);
    MainWorking_RegisterCallbacks();
}

StartupNext StartUp_Begin(int& argc, char** argv, StartupState* state) {
    StartupState& s = *state;
    if (s.hooks.init == nullptr) s.hooks.init = DefaultInit;
    if (s.hooks.release == nullptr) s.hooks.release = DefaultRelease;
    s.panel = 0;
    s.portControl = 0;

    StartUp_FillTables();                                                  // 1
    s.config = StartUp_ReadConfig(MainWorking_ConfigFilePath());           // 2
    if (s.hooks.init(argc, argv) != 1) return s.next = STARTUP_CLOSE_PORT; // 3

    const int panel = LoadPanelGlobalM(s.config.panelFile, 0, 1); // 4
    if (panel < 0) {
        std::cerr << "corvane-control: cannot load the product panel \"" << s.config.panelFile
                  << "\"\n";
        return s.next = STARTUP_CLOSE_PORT;
    }
    s.panel = panel;
    // 5: the menu module installs the menu bar named by "Menu" here (MenuStruct_Init).

    s.title = MainWorking_TitleText(s.config.softwareName, argc > 0 ? argv[0] : nullptr); // 6, 7
    SetPanelAttribute(panel, ATTR_TITLE, s.title);                                        // 8
    TheAppRecord().exposeTime.store(s.config.exposeTime);                                 // 9

    InstallPanelCallback(panel, MainWorking_panelCB, nullptr); // 10
    if (DisplayPanel(panel) < 0) return s.next = STARTUP_DISCARD_PANEL;

    s.portControl = AttachPortSelection(panel); // 11
    return s.next = STARTUP_RUN_LOOP;
}

int StartUp_RunLoop(StartupState* state) {
    (void)state;
    const int result = RunUserInterface();
    if (result >= 0) {
        // The saved-values module writes the configuration values here (MainWorking_SaveToIni).
        QuitUserInterface(0);
    }
    return result;
}

void StartUp_End(StartupState* state) {
    StartupState& s = *state;
    if (s.next != STARTUP_CLOSE_PORT && s.panel > 0) DiscardPanel(s.panel); // 13
    s.panel = 0;
    PortCombo_CloseAll(); // 14
    // The engine threads were told to stop; they end before the run-time they use goes away.
    MainWorking_WaitForEngineThreads(kEngineStopWaitMs);
    if (s.hooks.release) s.hooks.release(); // 15
}

int StartUp_Run(int& argc, char** argv, const RuntimeHooks& hooks) {
    StartupState state;
    state.hooks = hooks;
    if (StartUp_Begin(argc, argv, &state) == STARTUP_RUN_LOOP) StartUp_RunLoop(&state);
    StartUp_End(&state);
    return 0;
}
