#include "shell/version_query.h"

#include <cstdio>

#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "engine/binding.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "runtime/threads.h"
#include "serial/port_combo.h"
#include "serial/status_write.h"
#include "shell/help_parse.h"

namespace {

void ShowLinkColor(int32_t color) {
    PortComboRecord* ports = PortCombo_Record();
    if (ports->setColor != nullptr) ports->setColor(ports, color);
}

void* GenerationData(uint32_t generation) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(generation));
}

uint32_t GenerationOf(void* data) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
}

} // namespace

void MainWorking_CheckVersionStatus(AppRecord* app, const char* line, int /*length*/) {
    if (app == nullptr || line == nullptr) return;
    const char first = line[0];
    if (first != 'D' && first != 'N' && first != 'V') {
        if (app->versionFlag.load() != 1) ShowLinkColor(VERSION_COLOR_FAILED);
        return;
    }
    app->versionFlag.store(1);
    ShowLinkColor(VERSION_COLOR_CONNECTED);

    ParseList numbers;
    HelpParseBuf(&numbers, line);
    app->channelCount.store(numbers.items != nullptr ? numbers.items[1] : -1);
    FreeHelpParseBuf(&numbers);

    int functionId = 0;
    if (CmtScheduleThreadPoolFunctionAdv(DEFAULT_THREAD_POOL_HANDLE, VersionDelayFunction, nullptr,
                                         THREAD_PRIORITY_NORMAL, Callback,
                                         EVENT_TP_THREAD_FUNCTION_END,
                                         GenerationData(MainWorking_ConnectionGeneration()),
                                         CmtGetMainThreadID(), &functionId) == 0) {
        MainWorking_TrackPoolFunction(functionId);
    }

    char exposure[32];
    std::snprintf(exposure, sizeof exposure, "E:1%d", app->exposeTime.load());
    MainWorking_WriteForConnection(app, exposure, WAIT_MODE_NONE);
}

int VersionDelayFunction(void* /*unused*/) {
    SleepMs(VERSION_DELAY_MS);
    return 0;
}

void Callback(int /*poolHandle*/, int /*functionId*/, unsigned int /*event*/, int /*value*/,
              void* callbackData) {
    AppRecord& app = TheAppRecord();
    if (GenerationOf(callbackData) != MainWorking_ConnectionGeneration() ||
        app.stopFlag.load() != 0) {
        return; // the port changed or the program is ending: that answer is out of date
    }
    const int panel = app.mainPanel.panel.load();
    LedGroupRecord* leds = DinamicControl_Record();
    if (leds->AddGroupLeds != nullptr) leds->AddGroupLeds(leds, panel, app.channelCount.load());
    if (panel != 0) {
        auto bind = app.ops.InitAllControls ? app.ops.InitAllControls : MainWorking_InitAllControls;
        bind(&app.mainPanel, panel, nullptr);
        const EngineHandovers& h = MainWorking_Handovers();
        if (h.initSaveAndSendOne) h.initSaveAndSendOne(&app.mainPanel, 1);
    }
    PortComboRecord* ports = PortCombo_Record();
    if (ports->restoreAll != nullptr) ports->restoreAll(ports);
}
