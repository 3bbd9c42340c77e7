// The engine's records: the one application record shared by the user-interface thread and the
// engine threads, the record of a bound panel, and the control table that binding builds.
//
// Sharing between threads: flags and counters that several threads write or read are atomics.
// A panel's control table is built aside by binding and published whole; a thread takes one
// table per pass (PanelContext::table()) and keeps it alive while it works with it. After
// publication only the scale cells (mapping callbacks) and nextDue (send thread) change, and
// both are atomic cells.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "runtime/userint.h"

constexpr int kMaxGroups = 6;          // command groups per panel
constexpr int kMaxTimed = 6;           // timed commands per panel
constexpr int kMaxReplies = 10;        // reply entries per panel
constexpr int kPositions = 20;         // positions per command group
constexpr int kPendingLetters = 5;     // queued command letters per panel
constexpr int kPendingTexts = 5;       // queued text commands per panel
constexpr int kGroupLineLimit = 249;   // characters of one group command line
constexpr int kTextCommandLimit = 199; // characters of one text command

// A value that one thread writes and others read, copyable so that records holding it stay
// plain values (a copy takes the current value).
template <class T> class AtomicCell {
  public:
    AtomicCell(T v = T{}) : v_(v) {}
    AtomicCell(const AtomicCell& o) : v_(o.load()) {}
    AtomicCell& operator=(const AtomicCell& o) {
        store(o.load());
        return *this;
    }
    AtomicCell& operator=(T v) {
        store(v);
        return *this;
    }
    T load() const { return v_.load(std::memory_order_acquire); }
    void store(T v) { v_.store(v, std::memory_order_release); }
    operator T() const { return load(); }

  private:
    std::atomic<T> v_;
};
using ScaleCell = AtomicCell<float>;

enum GroupFlags : int32_t {
    GROUP_QUEUED_SEND = 1 << 0, // sent only when its letter is queued
    GROUP_REPEAT = 1 << 3,      // sent twice per run
};

// One position of a command group.
struct ControlEntry {
    char valueType = 0;
    int32_t ctrl = 0;
    int32_t enableCtrl = 0;
    float scale = 0.0f;
};

// One command letter with up to 20 positions; the same record serves a timed command.
struct CommandGroup {
    char letter = 0;
    ScaleCell scale[kPositions]; // 1.0 and 0.0 mean that no mapping applies
    char valueType[kPositions] = {};
    int32_t waitReply = 0;
    int32_t ctrl[kPositions] = {};       // 0 = position not in use
    int32_t enableCtrl[kPositions] = {}; // "1_" switch, 0 = none
    int32_t flags = 0;                   // GroupFlags
    int32_t periodMs = 0;                // timed command: period
    AtomicCell<double> nextDue;          // timed command: seconds; the send thread writes it

    ControlEntry entry(int i) const {
        return {valueType[i], ctrl[i], enableCtrl[i], scale[i].load()};
    }
};

// One reply control.
struct ReplyEntry {
    char letter = 0;
    char valueType = 0;
    int32_t index = -1; // field index, -1 = whole line
    int32_t byDigit = 0;
    int32_t ctrl = 0;
    ScaleCell scale; // set by a "5O_" control; 0.0 after binding
};

// What binding builds from a panel: published whole, read by the engine threads.
struct ControlTable {
    int32_t panel = 0; // the panel it was built from
    int32_t groupCount = 0;
    int32_t replyCount = 0;
    int32_t timedCount = 0;
    CommandGroup groups[kMaxGroups];
    CommandGroup timed[kMaxTimed];
    ReplyEntry replies[kMaxReplies];
};

struct AppRecord;

// Given to the binding of a dialog: the operation installed on its "EXIT_PAGE" controls, with
// this record as callback data. The menu module's record provides it.
struct ExitHandler {
    CtrlCallbackPtr closeOperation = nullptr;
};

// The engine record of one bound panel.
class PanelContext {
  public:
    PanelContext();
    PanelContext(const PanelContext&) = delete;
    PanelContext& operator=(const PanelContext&) = delete;

    std::atomic<int32_t> panel{0};   // 0 = not bound
    std::atomic<int32_t> pending{0}; // 1 = the sender has something to send for this panel
    AppRecord* app = nullptr;
    std::atomic<char> pendingLetters[kPendingLetters] = {};    // 0 = free
    std::atomic<int32_t> pendingTextCtrls[kPendingTexts] = {}; // 0 = free

    // The current control table: one consistent table, kept alive by the holder. Never null.
    std::shared_ptr<ControlTable> table() const;
    // Replaces the table (user-interface thread). Tables that neither a thread nor a mapping
    // callback can still reach are released.
    void publish(std::shared_ptr<ControlTable> table);
    // Empties the pending letters and text commands.
    void clearQueues();
    // Tables replaced but still reachable (for tests of their release).
    std::size_t retiredTableCount() const;

  private:
    void releaseUnreachable();

    mutable std::mutex tableLock_; // held only to copy or swap the pointer
    std::shared_ptr<ControlTable> table_;
    mutable std::mutex retiredLock_;
    std::vector<std::shared_ptr<ControlTable>> retired_;
};

// The MainWorking operations, in their table order. Entries of operations that other modules
// supply stay empty until those modules are built in (see docs/ARCHITECTURE.md, "Engine").
struct MainWorkingOps {
    int (*InitAllControls)(PanelContext* ctx, int panel, ExitHandler* exitHandler) = nullptr;
    void (*InitAllControlsBegin)(PanelContext* ctx, int panel) = nullptr;
    int (*ArriveOutBuf)(void* unused, const char* text, int length) = nullptr;
    void (*SendInComands)(AppRecord* app) = nullptr;
    int (*GetCtrlValAsInt)(int panel, int position, const CommandGroup& group) = nullptr;
    int (*GetCtrlValAsChar)(int panel, int position, const CommandGroup& group, char* buffer,
                            int size) = nullptr;
    int (*SetCtrlValAsChar)(int panel, const ReplyEntry& entry, const char* text) = nullptr;
    void (*CheckVersionStatus)(AppRecord* app, const char* line, int length) = nullptr;
    int (*GetIdCtrlFromName)(const PanelContext* ctx, std::string_view name) = nullptr;
    CtrlCallbackPtr BrowseCB = nullptr;
    CtrlCallbackPtr QuitCallback = nullptr;
    CtrlCallbackPtr CallBackAllIN = nullptr;
    CtrlCallbackPtr Resize = nullptr;
    CtrlCallbackPtr DEBUG_OPT = nullptr;
    CtrlCallbackPtr Mapping = nullptr;
    void (*CloseOtherPanel)(AppRecord* app) = nullptr;
    void (*InitOtherPanel)(AppRecord* app, ExitHandler* exitHandler, int panel) = nullptr;
};

// The one application record; also the data of both engine threads.
struct AppRecord {
    std::atomic<int32_t> channelCount{0};
    std::atomic<int32_t> ledLeftPixCtrl{0};
    std::atomic<int32_t> replyThreadSysId{0};
    std::atomic<int32_t> stopFlag{0};
    std::atomic<int32_t> senderThreadId{0};
    std::atomic<int32_t> replyThreadId{0};
    PanelContext mainPanel;
    PanelContext otherPanel;
    std::atomic<int32_t> versionFlag{0};
    std::atomic<int32_t> pcControl{1};
    std::atomic<int32_t> pcControlCtrl{0};
    std::atomic<int32_t> dataPeriodMs{0};
    std::atomic<int32_t> exposeTime{-1};
    std::atomic<double> startTime{0.0};
    MainWorkingOps ops;
    // The panel whose binding found the PC-control switch: the switch is that panel's control
    // pcControlCtrl, not a control with the same id on another panel.
    std::atomic<int32_t> pcControlPanel{0};
};

// The program's one AppRecord.
AppRecord& TheAppRecord();

// Clears the record and its two PanelContexts, sets the back pointers, fills the operation
// table and the on/off table, and resets the debug window record.
void MainWorking_INIT_POINTERS(AppRecord* app);
