#include "engine/pending_letters.h"

#include "engine/control_name.h"
#include "runtime/threads.h"

namespace {

// The lock object lives for the whole program; "created" only says whether writers take it.
CriticalSection& LetterLock() {
    static CriticalSection lock;
    return lock;
}
std::atomic<bool> gLockCreated{false};

bool ClaimLetterSlot(PanelContext* ctx, char letter) {
    for (auto& slot : ctx->pendingLetters) {
        char expected = 0;
        if (slot.compare_exchange_strong(expected, letter, std::memory_order_acq_rel)) return true;
    }
    return false;
}

bool AnyFreeLetterSlot(const PanelContext* ctx) {
    for (const auto& slot : ctx->pendingLetters)
        if (slot.load(std::memory_order_acquire) == 0) return true;
    return false;
}

} // namespace

int MainWorking_AddToBuf(PanelContext* ctx, std::string_view name) {
    if (ctx == nullptr) return 0;
    const char letter = control_name::QueuedLetter(name);
    if (letter == 0 || !AnyFreeLetterSlot(ctx)) return 0;
    const bool locked = gLockCreated.load(std::memory_order_acquire);
    if (locked) LetterLock().Enter();
    // Another writer may have taken the slot found free above: claim the next free one.
    const bool queued = ClaimLetterSlot(ctx, letter);
    if (queued) ctx->pending.store(1, std::memory_order_release);
    if (locked) LetterLock().Leave();
    return queued ? 1 : 0;
}

int MainWorking_QueueTextCommand(PanelContext* ctx, int control) {
    if (ctx == nullptr || control <= 0) return 0;
    for (auto& slot : ctx->pendingTextCtrls) {
        int32_t expected = 0;
        if (slot.compare_exchange_strong(expected, control, std::memory_order_acq_rel)) {
            ctx->pending.store(1, std::memory_order_release);
            return 1;
        }
    }
    return 0;
}

void MainWorking_CreatePendingLetterLock() {
    gLockCreated.store(true, std::memory_order_release);
}

void MainWorking_DeletePendingLetterLock() {
    gLockCreated.store(false, std::memory_order_release);
}

bool MainWorking_PendingLetterLockExists() {
    return gLockCreated.load(std::memory_order_acquire);
}
