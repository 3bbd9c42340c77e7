// Threads: the default thread pool, thread-safe variables, named events, critical sections.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

constexpr int DEFAULT_THREAD_POOL_HANDLE = -1;

using ThreadFunctionPtr = int (*)(void* functionData);
// Completion callback of CmtScheduleThreadPoolFunctionAdv.
using ThreadFunctionCallbackPtr = void (*)(int poolHandle, int functionId, unsigned int event,
                                           int value, void* callbackData);
enum ThreadFunctionEvent : unsigned int {
    EVENT_TP_THREAD_FUNCTION_BEGIN = 1,
    EVENT_TP_THREAD_FUNCTION_END = 2,
};
enum ThreadPriority : int { THREAD_PRIORITY_NORMAL = 0 };

// Each scheduled function runs on a thread of its own (engine threads run for a whole
// connection). functionId receives the id (> 0). Returns 0, or a negative error.
int CmtScheduleThreadPoolFunction(int poolHandle, ThreadFunctionPtr fn, void* data,
                                  int* functionId);
// callbackEventMask: EVENT_TP_THREAD_FUNCTION_END (2) calls `callback` after fn returned, on
// `callbackThreadId` (CmtGetMainThreadID() = the user-interface thread, through the event loop;
// any other id = on the pool thread itself).
int CmtScheduleThreadPoolFunctionAdv(int poolHandle, ThreadFunctionPtr fn, void* data, int priority,
                                     ThreadFunctionCallbackPtr callback,
                                     unsigned int callbackEventMask, void* callbackData,
                                     unsigned int callbackThreadId, int* functionId);
// Waits until the function has returned (timeoutMs < 0 = no limit). 0 = done, negative = time-out,
// an unknown id, or a wait of the function on itself. An END callback on another thread has
// run when this returns; one for the main thread may still be queued there.
int CmtWaitForThreadPoolFunctionCompletion(int poolHandle, int functionId, int timeoutMs = -1);
// Number of pool functions still running.
int CmtRunningThreadPoolFunctions();
unsigned int CmtGetMainThreadID();
unsigned int CmtGetCurrentThreadID();

// Thread-safe variables: a zeroed block of bytes behind a lock, which the holding thread may
// take again (each Get needs its Release).
int CmtNewTSV(std::size_t size, int* handle);
// Locks the variable and returns its block; negative when the handle is bad or discarded, also
// for a thread that was waiting for the lock when the variable was discarded. A block held by
// another thread while it is discarded stays valid until that thread releases it.
int CmtGetTSVPtr(int handle, void** block);
int CmtReleaseTSVPtr(int handle);
int CmtDiscardTSV(int handle);

// Named manual- or auto-reset events. Returns a handle > 0. A name that is already open gives a
// new handle to the same event (its reset mode and state are kept); "" makes a private event.
int CreateNamedEvent(const std::string& name, bool manualReset, bool initiallySignalled);
int SetNamedEvent(int handle);
int ResetNamedEvent(int handle);
// 1 = signalled, 0 = time-out, negative = bad handle (timeoutMs < 0 = no limit). Closing the
// handle ends a wait on it with a negative result.
int WaitForNamedEvent(int handle, int timeoutMs);
int CloseNamedEvent(int handle);

// A critical section: a plain mutex with the platform's names.
class CriticalSection {
  public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

  private:
    std::mutex mutex_;
};

void SleepMs(int milliseconds);
