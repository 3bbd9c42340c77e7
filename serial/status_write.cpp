#include "serial/status_write.h"

#include "runtime/system.h"
#include "runtime/threads.h"

#include <atomic>
#include <new>

namespace {

// Handle of the thread-safe variable; 0 = none (the run-time's handles start at 1).
std::atomic<int> g_handle{0};
// Handle locked by GetPointerToStatusWrite on this thread, released by
// ReleasePointerToStatusWrite even when the variable was discarded in between.
thread_local int t_lockedHandle = 0;
thread_local int t_lockDepth = 0;

// Locks the variable. Returns its record and the handle that must be released, or nullptr.
StatusWrite* lockRecord(int* handle) {
    *handle = g_handle.load(std::memory_order_acquire);
    if (*handle <= 0) return nullptr;
    void* block = nullptr;
    if (CmtGetTSVPtr(*handle, &block) < 0 || block == nullptr) return nullptr;
    return static_cast<StatusWrite*>(block);
}

void claim(StatusWrite* record, double now) {
    record->waiting = 1;
    record->claimTime = now;
}

} // namespace

int SetWaitCom(int32_t mode) {
    int handle = 0;
    StatusWrite* record = lockRecord(&handle);
    if (record == nullptr) return 0;
    if (record->waiting == 0) {
        claim(record, MonotonicSeconds());
        CmtReleaseTSVPtr(handle);
        return 1;
    }
    CmtReleaseTSVPtr(handle);
    if (mode == WAIT_MODE_IF_FREE) return 0;

    for (;;) {
        record = lockRecord(&handle);
        if (record == nullptr) return 0; // discarded while waiting
        const double now = MonotonicSeconds();
        if (now - record->claimTime > STATUS_WRITE_TIMEOUT_S) {
            // Take-over: the flag stays 1, so the late answer frees the next writer.
            record->claimTime = now;
            CmtReleaseTSVPtr(handle);
            return 1;
        }
        bool claimed = false;
        if (record->waiting == 0) {
            claim(record, now);
            claimed = true;
        }
        CmtReleaseTSVPtr(handle);
        SleepMs(STATUS_WRITE_POLL_MS);
        if (claimed) return 1;
    }
}

void StatusWriteFinish() {
    SetWaitCom(WAIT_MODE_NONE);
    UninitializeStatusWrite();
}

void FinishWaitCom() {
    int handle = 0;
    StatusWrite* record = lockRecord(&handle);
    if (record == nullptr) return;
    record->waiting = 0;
    CmtReleaseTSVPtr(handle);
}

void InitializeStatusWrite() {
    UninitializeStatusWrite();
    int handle = 0;
    if (CmtNewTSV(sizeof(StatusWrite), &handle) < 0) return;
    void* block = nullptr;
    if (CmtGetTSVPtr(handle, &block) == 0) {
        new (block) StatusWrite{};
        CmtReleaseTSVPtr(handle);
    }
    g_handle.store(handle, std::memory_order_release);
}

void UninitializeStatusWrite() {
    const int handle = g_handle.exchange(0, std::memory_order_acq_rel);
    if (handle > 0) CmtDiscardTSV(handle);
}

StatusWrite* GetPointerToStatusWrite() {
    int handle = 0;
    StatusWrite* record = lockRecord(&handle);
    if (record != nullptr) {
        t_lockedHandle = handle;
        ++t_lockDepth;
    }
    return record;
}

void ReleasePointerToStatusWrite() {
    if (t_lockDepth == 0) return;
    CmtReleaseTSVPtr(t_lockedHandle);
    if (--t_lockDepth == 0) t_lockedHandle = 0;
}

void SetStatusWrite(int32_t waiting, double claimTime) {
    int handle = 0;
    StatusWrite* record = lockRecord(&handle);
    if (record == nullptr) return;
    record->waiting = waiting;
    record->claimTime = claimTime;
    CmtReleaseTSVPtr(handle);
}

StatusWrite GetStatusWrite() {
    int handle = 0;
    StatusWrite* record = lockRecord(&handle);
    if (record == nullptr) return StatusWrite{};
    StatusWrite copy = *record;
    CmtReleaseTSVPtr(handle);
    return copy;
}
