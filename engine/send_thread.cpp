// The send thread and the command passes: version query, pending commands of the bound panels,
// timed commands and the periodic data request.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/connection.h"
#include "engine/conversion.h"
#include "engine/engine_thread_bodies.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "runtime/serial.h"
#include "runtime/system.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "serial/port_work.h"
#include "serial/status_write.h"

namespace {

int IntValue(int panel, int control) {
    int v = 0;
    if (GetCtrlVal(panel, control, &v) < 0) return 0;
    return v;
}

// Takes the first pending copy of `letter`; false when none is queued.
bool TakePendingLetter(PanelContext* ctx, char letter) {
    for (auto& slot : ctx->pendingLetters) {
        char expected = letter;
        if (slot.load() == letter && slot.compare_exchange_strong(expected, 0)) return true;
    }
    return false;
}

// What one run of the passes did that the spectrum run waits for.
struct PassResult {
    bool queuedPSent = false; // a "P" group released by its pending letter was written
};

// Writes a group line, retrying a failed write; gives up when the connection is over.
void WriteGroupLine(AppRecord* app, const std::string& line, int32_t waitMode) {
    int result = MainWorking_WriteForConnection(app, line.c_str(), waitMode);
    for (int retry = 0; result < 0 && retry < ENGINE_GROUP_RETRIES; ++retry) {
        if (!MainWorking_ConnectionIsCurrent(app)) return;
        SleepMs(ENGINE_GROUP_RETRY_MS);
        result = MainWorking_WriteForConnection(app, line.c_str(), waitMode);
    }
}

void SendGroup(AppRecord* app, PanelContext* ctx, const ControlTable& table,
               const CommandGroup& group, PassResult* result) {
    const bool queued = (group.flags & GROUP_QUEUED_SEND) != 0;
    if (queued && !TakePendingLetter(ctx, group.letter)) return;
    if (!MainWorking_ConnectionIsCurrent(app)) return;
    WriteGroupLine(app, MainWorking_BuildGroupLine(table.panel, group), group.waitReply);
    if (queued && group.letter == 'P') result->queuedPSent = true;
}

// The pending text commands, in slot order up to the first free slot.
void SendTextCommands(AppRecord* app, PanelContext* ctx, const ControlTable& table) {
    for (auto& slot : ctx->pendingTextCtrls) {
        const int control = slot.load();
        if (control == 0) break;
        char text[kTextCommandLimit + 1] = {};
        GetCtrlValText(table.panel, control, text, sizeof text); // cut to the limit
        slot.store(0);
        MainWorking_WriteForConnection(app, text, WAIT_MODE_NONE);
    }
}

void RunPasses(AppRecord* app, PanelContext* ctx, const ControlTable& table, PassResult* result) {
    const int groups = std::min<int>(table.groupCount, kMaxGroups);
    for (int g = 0; g < groups; ++g) // pass A
        SendGroup(app, ctx, table, table.groups[g], result);
    SendTextCommands(app, ctx, table);
    for (int g = 0; g < groups; ++g) // pass B: the repeat-flag groups once more
        if ((table.groups[g].flags & GROUP_REPEAT) != 0)
            SendGroup(app, ctx, table, table.groups[g], result);
    SendTextCommands(app, ctx, table);
}

void SendPasses(AppRecord* app, const ControlTable& mainTable) {
    PassResult result;
    app->mainPanel.pending.store(0);
    RunPasses(app, &app->mainPanel, mainTable, &result);
    PanelContext& other = app->otherPanel;
    if (other.panel.load() != 0 && other.pending.load() == 1) {
        other.pending.store(0);
        const auto otherTable = other.table();
        RunPasses(app, &other, *otherTable, &result);
    }
    const EngineHandovers& h = MainWorking_Handovers();
    if (result.queuedPSent && h.spectrumLedCommandSent) h.spectrumLedCommandSent(app);
}

// Timed commands of the main panel whose period has elapsed and whose switch is on.
void SendTimedCommands(AppRecord* app, ControlTable& table) {
    const double now = MonotonicSeconds();
    const int count = std::min<int>(table.timedCount, kMaxTimed);
    for (int i = 0; i < count; ++i) {
        CommandGroup& timed = table.timed[i];
        const int enable = timed.enableCtrl[0];
        if (enable <= 0 || IntValue(table.panel, enable) == 0) continue;
        if (timed.nextDue.load() > now) continue;
        timed.nextDue.store(now + timed.periodMs / 1000.0);
        const char line[2] = {timed.letter, 0};
        MainWorking_WriteForConnection(app, line, timed.waitReply);
    }
}

bool LineIdle() {
    const int port = PortWork_Record()->portNumber.load();
    return port > 0 && GetInQLen(port) == 0 && GetOutQLen(port) == 0;
}

} // namespace

std::string MainWorking_BuildGroupLine(int panel, const CommandGroup& group) {
    std::string line(1, group.letter);
    for (int p = 0; p < kPositions && group.ctrl[p] != 0; ++p) {
        line += p == 0 ? ':' : ',';
        const int enable = group.enableCtrl[p];
        if (enable > 0 && IntValue(panel, enable) == 0) {
            line += '0';
        } else {
            char value[kGroupLineLimit + 1] = {};
            MainWorking_GetCtrlValAsChar(panel, p, group, value, sizeof value);
            line += value;
        }
        if (line.size() >= static_cast<size_t>(kGroupLineLimit)) break;
    }
    if (line.size() > static_cast<size_t>(kGroupLineLimit)) line.resize(kGroupLineLimit);
    return line;
}

void MainWorking_SendInComands(AppRecord* app) {
    if (app == nullptr) return;
    const auto table = app->mainPanel.table();
    SendPasses(app, *table);
}

int MainWorking_RunSendThread(AppRecord* app, uint32_t generation) {
    EngineThreadScope scope(generation);
    double nextData = MonotonicSeconds();
    MainWorking_PauseWhileCurrent(app, ENGINE_VERSION_START_MS);
    // Version phase: only the query, until the device has identified itself.
    while (app->versionFlag.load() == 0 && MainWorking_ConnectionIsCurrent(app)) {
        MainWorking_WriteForConnection(app, "V:0", WAIT_MODE_ANSWER);
        MainWorking_PauseWhileCurrent(app, ENGINE_VERSION_REPEAT_MS);
    }
    const double period = app->dataPeriodMs.load() / 1000.0;
    while (MainWorking_ConnectionIsCurrent(app) && app->versionFlag.load() == 1) {
        if (!MainWorking_PauseWhileCurrent(app, ENGINE_LOOP_MS)) break;
        if (app->pcControl.load() == 0) continue;
        if (app->mainPanel.pending.load() == 1 || app->otherPanel.pending.load() == 1) {
            auto send = app->ops.SendInComands ? app->ops.SendInComands : MainWorking_SendInComands;
            send(app);
        }
        if (!LineIdle()) continue;
        SendTimedCommands(app, *app->mainPanel.table());
        if (period != 0.0) {
            const double now = MonotonicSeconds();
            if (now >= nextData && app->versionFlag.load() == 1 &&
                MainWorking_WriteForConnection(app, "D\r\n", WAIT_MODE_IF_FREE) >= 0) {
                nextData = now + period;
            }
        }
    }
    return 0;
}

int DataAcqThreadInFunction(void* app) {
    return MainWorking_RunSendThread(static_cast<AppRecord*>(app),
                                     MainWorking_ConnectionGeneration());
}
