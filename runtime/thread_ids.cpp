// Thread ids are the kernel's thread ids: unique among running threads and the same numbers
// that debuggers and /proc show.
#include "runtime/main_thread.h"
#include "runtime/threads.h"

#include <atomic>
#include <sys/types.h>
#include <unistd.h>

namespace {
// 0 = not recorded yet: the process's first thread is the main thread then.
std::atomic<unsigned> mainThreadId{0};
} // namespace

void RecordMainThread() {
    mainThreadId.store(CmtGetCurrentThreadID());
}

unsigned int CmtGetMainThreadID() {
    unsigned id = mainThreadId.load();
    return id != 0 ? id : static_cast<unsigned>(getpid());
}

unsigned int CmtGetCurrentThreadID() {
    return static_cast<unsigned>(gettid());
}
