#include "engine/app_record.h"

#include "engine/binding.h"
#include "engine/callbacks.h"
#include "engine/conversion.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "engine/on_off_lists.h"
#include "shell/version_query.h"

namespace {

// True when a control callback of the table's panel still has an address inside the table
// as its data (a mapping control whose binding was not repeated).
bool ReachedByCallback(const ControlTable& table) {
    const auto* begin = reinterpret_cast<const char*>(&table);
    const auto* end = begin + sizeof(ControlTable);
    int id = 0;
    if (GetPanelAttribute(table.panel, ATTR_PANEL_FIRST_CTRL, &id) < 0) return false;
    while (id > 0) {
        CtrlCallbackPtr fn = nullptr;
        void* data = nullptr;
        if (GetCtrlCallback(table.panel, id, &fn, &data) >= 0) {
            const auto* p = static_cast<const char*>(data);
            if (p >= begin && p < end) return true;
        }
        int next = 0;
        if (GetCtrlAttribute(table.panel, id, ATTR_NEXT_CTRL, &next) < 0) break;
        id = next;
    }
    return false;
}

} // namespace

PanelContext::PanelContext() : table_(std::make_shared<ControlTable>()) {}

std::shared_ptr<ControlTable> PanelContext::table() const {
    std::lock_guard<std::mutex> guard(tableLock_);
    return table_;
}

void PanelContext::publish(std::shared_ptr<ControlTable> table) {
    if (!table) table = std::make_shared<ControlTable>();
    std::shared_ptr<ControlTable> old;
    {
        std::lock_guard<std::mutex> guard(tableLock_);
        old = std::move(table_);
        table_ = std::move(table);
    }
    std::lock_guard<std::mutex> guard(retiredLock_);
    if (old) retired_.push_back(std::move(old));
    releaseUnreachable();
}

void PanelContext::releaseUnreachable() {
    // A retired table is released when no thread holds it (only this list does) and no
    // control callback points into it.
    std::erase_if(retired_, [](const std::shared_ptr<ControlTable>& t) {
        return t.use_count() == 1 && !ReachedByCallback(*t);
    });
}

std::size_t PanelContext::retiredTableCount() const {
    std::lock_guard<std::mutex> guard(retiredLock_);
    return retired_.size();
}

void PanelContext::clearQueues() {
    for (auto& l : pendingLetters)
        l.store(0);
    for (auto& t : pendingTextCtrls)
        t.store(0);
}

AppRecord& TheAppRecord() {
    static AppRecord app;
    return app;
}

void MainWorking_INIT_POINTERS(AppRecord* app) {
    // Engine threads of an earlier connection end before the record they read is reset.
    app->stopFlag.store(1);
    MainWorking_BeginConnection();
    MainWorking_WaitForEngineThreads(ENGINE_THREADS_END_MS);
    app->channelCount.store(0);
    app->ledLeftPixCtrl.store(0);
    app->replyThreadSysId.store(0);
    app->stopFlag.store(0);
    app->senderThreadId.store(0);
    app->replyThreadId.store(0);

    PanelContext& main = app->mainPanel;
    main.app = app;
    main.panel.store(0);
    main.pending.store(0);
    main.clearQueues();
    main.publish(std::make_shared<ControlTable>());

    PanelContext& other = app->otherPanel;
    other.app = app;
    other.panel.store(0);
    other.pending.store(0);
    other.clearQueues();
    other.publish(std::make_shared<ControlTable>());

    app->versionFlag.store(0);
    app->pcControl.store(1);
    app->pcControlCtrl.store(0);
    app->pcControlPanel.store(0);
    app->dataPeriodMs.store(0);
    app->exposeTime.store(-1);
    app->startTime.store(0.0);

    MainWorkingOps& ops = app->ops;
    ops = MainWorkingOps{};
    ops.InitAllControls = MainWorking_InitAllControls;
    ops.InitAllControlsBegin = MainWorking_InitAllControlsBegin;
    ops.GetCtrlValAsInt = MainWorking_GetCtrlValAsInt;
    ops.GetCtrlValAsChar = MainWorking_GetCtrlValAsChar;
    ops.SetCtrlValAsChar = MainWorking_SetCtrlValAsChar;
    ops.GetIdCtrlFromName = MainWorking_GetIdCtrlFromName;
    ops.BrowseCB = MainWorking_BrowseCB;
    ops.CallBackAllIN = MainWorking_CallBackAllIN;
    ops.Resize = MainWorking_Resize;
    ops.Mapping = MainWorking_Mapping;
    ops.CloseOtherPanel = MainWorking_CloseOtherPanel;
    ops.InitOtherPanel = MainWorking_InitOtherPanel;
    ops.ArriveOutBuf = MainWorking_ArriveOutBuf;
    ops.SendInComands = MainWorking_SendInComands;
    ops.CheckVersionStatus = MainWorking_CheckVersionStatus;
    MainWorking_Handovers().scheduleEngineThreads = MainWorking_ScheduleEngineThreads;
    // Supplied by their own modules: QuitCallback (saved values), DEBUG_OPT (debug panel).

    if (const auto& h = MainWorking_Handovers(); h.debugClosePanel) h.debugClosePanel();
    B_working_INIT_POINTERS(&TheBWorkingTable());
}
