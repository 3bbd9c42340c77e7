// Binding: walks a panel's controls, classifies their constant names and builds the panel's
// control table, installs the engine callbacks and hands controls to the modules that serve
// them. Runs on the user-interface thread.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app_record.h"

// Binds `panel` into ctx (whose panel is already set to it). Returns the on-load flag: 1 when
// a name that reached the command tests contains "_ONE".
int MainWorking_InitAllControls(PanelContext* ctx, int panel, ExitHandler* exitHandler);

// Binds the main panel, restores saved values (sending the on-load commands when the flag is
// 1), clears stopFlag and schedules the engine threads.
void MainWorking_InitAllControlsBegin(PanelContext* ctx, int panel);

// Binds a dialog panel into the AppRecord's second PanelContext.
void MainWorking_InitOtherPanel(AppRecord* app, ExitHandler* exitHandler, int panel);

// Unbinds the dialog panel; the caller discards the panel itself.
void MainWorking_CloseOtherPanel(AppRecord* app);

// Id of the first control of ctx's panel whose constant name equals name; -1 if none.
int MainWorking_GetIdCtrlFromName(const PanelContext* ctx, std::string_view name);

// What binding makes of each control, without doing it: no callbacks installed, no module
// called, no shared record changed. Used by the panel checker.
struct BindingReport {
    std::map<int, std::vector<std::string>> notes; // per control id
    std::vector<std::string> warnings;
    int onLoadFlag = 0;
};
std::shared_ptr<ControlTable> MainWorking_PlanBinding(int panel, BindingReport* report);
