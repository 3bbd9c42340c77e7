#include "runtime/events.h"
#include "runtime/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

struct Job {
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    std::atomic<unsigned> threadId{0};
    int* idSeenByScheduler = nullptr;
    std::atomic<int> idSeenAtStart{-1};
    int result = 0;
};

int runJob(void* data) {
    auto* job = static_cast<Job*>(data);
    if (job->idSeenByScheduler != nullptr) job->idSeenAtStart = *job->idSeenByScheduler;
    job->threadId = CmtGetCurrentThreadID();
    while (!job->release.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++job->runs;
    return job->result;
}

int quickJob(void* data) {
    ++static_cast<Job*>(data)->runs;
    return 0;
}

TEST(ThreadPool, RunsTheFunctionOnItsOwnThread) {
    Job job;
    job.release = true;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, runJob, &job, &id), 0);
    EXPECT_GT(id, 0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id), 0);
    EXPECT_EQ(job.runs.load(), 1);
    EXPECT_NE(job.threadId.load(), 0u);
    EXPECT_NE(job.threadId.load(), CmtGetCurrentThreadID());
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 0);
    // Finished and joined: still answers as done.
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0), 0);
}

TEST(ThreadPool, IdIsWrittenBeforeTheFunctionStarts) {
    for (int i = 0; i < 20; ++i) {
        Job job;
        job.release = true;
        int id = 0;
        job.idSeenByScheduler = &id;
        ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, runJob, &job, &id), 0);
        ASSERT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id), 0);
        EXPECT_EQ(job.idSeenAtStart.load(), id);
    }
}

TEST(ThreadPool, WaitTimesOutWhileTheFunctionRuns) {
    Job job;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, runJob, &job, &id), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_LT(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 100), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 1);
    job.release = true;
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 10000), 0);
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 0);
}

TEST(ThreadPool, ManyFunctionsRunAtOnceWithDistinctIds) {
    std::vector<Job> jobs(16);
    std::vector<int> ids(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i)
        ASSERT_EQ(
            CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, runJob, &jobs[i], &ids[i]),
            0);
    // All of them run at the same time: none finishes before it is released.
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 16);
    for (std::size_t i = 1; i < ids.size(); ++i)
        EXPECT_GT(ids[i], ids[i - 1]);
    for (auto& job : jobs)
        job.release = true;
    for (int id : ids)
        EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id), 0);
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 0);
    for (auto& job : jobs)
        EXPECT_EQ(job.runs.load(), 1);
}

TEST(ThreadPool, FinishedFunctionsLeaveTheCount) {
    Job job;
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(
            CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, quickJob, &job, nullptr), 0);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (CmtRunningThreadPoolFunctions() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(CmtRunningThreadPoolFunctions(), 0);
    EXPECT_EQ(job.runs.load(), 30);
}

TEST(ThreadPool, BadArgumentsAreRefused) {
    Job job;
    int id = 0;
    EXPECT_LT(CmtScheduleThreadPoolFunction(5, quickJob, &job, &id), 0);
    EXPECT_LT(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, nullptr, &job, &id), 0);
    EXPECT_LT(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, 0), 0);
    EXPECT_LT(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, 1 << 30), 0);
    EXPECT_LT(CmtWaitForThreadPoolFunctionCompletion(3, 1), 0);
    EXPECT_EQ(job.runs.load(), 0);
}

std::atomic<int> selfWaitResult{1};
int waitForItself(void* data) {
    auto* id = static_cast<std::atomic<int>*>(data);
    while (id->load() == 0)
        std::this_thread::yield();
    selfWaitResult =
        CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id->load(), -1);
    return 0;
}

TEST(ThreadPool, WaitingForItselfFailsInsteadOfHanging) {
    std::atomic<int> shared{0};
    int id = 0;
    ASSERT_EQ(
        CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, waitForItself, &shared, &id), 0);
    shared = id;
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 10000), 0);
    EXPECT_LT(selfWaitResult.load(), 0);
}

// Completion callbacks.
struct Completion {
    std::atomic<int> calls{0};
    std::atomic<bool> onUiThread{false};
    std::atomic<unsigned> threadId{0};
    int functionId = 0, value = 0, poolHandle = 0;
    unsigned event = 0;
    bool quitLoop = false;
};

void recordCompletion(int poolHandle, int functionId, unsigned event, int value, void* data) {
    auto* c = static_cast<Completion*>(data);
    c->poolHandle = poolHandle;
    c->functionId = functionId;
    c->event = event;
    c->value = value;
    c->onUiThread = IsUserInterfaceThread();
    c->threadId = CmtGetCurrentThreadID();
    ++c->calls;
    if (c->quitLoop) QuitUserInterface(9);
}

class ThreadPoolCompletion : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(InitUserInterface(0, nullptr), 1); }
    void TearDown() override { CloseUserInterface(); }
};

TEST_F(ThreadPoolCompletion, EndCallbackRunsOnTheMainThread) {
    Job job;
    job.result = 1234;
    job.release = true;
    Completion completion;
    completion.quitLoop = true;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunctionAdv(DEFAULT_THREAD_POOL_HANDLE, runJob, &job,
                                               THREAD_PRIORITY_NORMAL, recordCompletion,
                                               EVENT_TP_THREAD_FUNCTION_END, &completion,
                                               CmtGetMainThreadID(), &id),
              0);
    EXPECT_EQ(RunUserInterface(), 9); // the callback ends the loop
    EXPECT_EQ(completion.calls.load(), 1);
    EXPECT_TRUE(completion.onUiThread.load());
    EXPECT_EQ(completion.threadId.load(), CmtGetMainThreadID());
    EXPECT_EQ(completion.functionId, id);
    EXPECT_EQ(completion.event, static_cast<unsigned>(EVENT_TP_THREAD_FUNCTION_END));
    EXPECT_EQ(completion.value, 1234);
    EXPECT_EQ(completion.poolHandle, DEFAULT_THREAD_POOL_HANDLE);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id), 0);
}

TEST_F(ThreadPoolCompletion, MainThreadCanWaitWhileItsCompletionIsPending) {
    Job job;
    job.release = true;
    Completion completion;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunctionAdv(DEFAULT_THREAD_POOL_HANDLE, runJob, &job,
                                               THREAD_PRIORITY_NORMAL, recordCompletion,
                                               EVENT_TP_THREAD_FUNCTION_END, &completion,
                                               CmtGetMainThreadID(), &id),
              0);
    // The completion waits in the queue for this thread; the wait itself does not need it.
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 10000), 0);
    EXPECT_EQ(completion.calls.load(), 0);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(completion.calls.load(), 1);
    EXPECT_TRUE(completion.onUiThread.load());
}

TEST_F(ThreadPoolCompletion, OtherThreadIdRunsTheCallbackOnThePoolThread) {
    Job job;
    job.result = -5;
    job.release = true;
    Completion completion;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunctionAdv(DEFAULT_THREAD_POOL_HANDLE, runJob, &job,
                                               THREAD_PRIORITY_NORMAL, recordCompletion,
                                               EVENT_TP_THREAD_FUNCTION_END, &completion, 0, &id),
              0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 10000), 0);
    // Done before the wait returned, on the function's own thread.
    EXPECT_EQ(completion.calls.load(), 1);
    EXPECT_FALSE(completion.onUiThread.load());
    EXPECT_EQ(completion.threadId.load(), job.threadId.load());
    EXPECT_EQ(completion.value, -5);
}

TEST_F(ThreadPoolCompletion, NoCallbackWithoutTheEndEvent) {
    Job job;
    job.release = true;
    Completion completion;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunctionAdv(DEFAULT_THREAD_POOL_HANDLE, runJob, &job,
                                               THREAD_PRIORITY_NORMAL, recordCompletion, 0,
                                               &completion, CmtGetMainThreadID(), &id),
              0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 10000), 0);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(completion.calls.load(), 0);
}

TEST(ThreadPoolCompletionHeadless, WithoutAUserInterfaceTheCallbackIsNotLost) {
    Job job;
    job.release = true;
    Completion completion;
    int id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunctionAdv(DEFAULT_THREAD_POOL_HANDLE, runJob, &job,
                                               THREAD_PRIORITY_NORMAL, recordCompletion,
                                               EVENT_TP_THREAD_FUNCTION_END, &completion,
                                               CmtGetMainThreadID(), &id),
              0);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 10000), 0);
    EXPECT_EQ(completion.calls.load(), 1);
}

TEST(Sleep, SleepsAtLeastTheTime) {
    auto start = std::chrono::steady_clock::now();
    SleepMs(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    SleepMs(-5); // returns at once
}

} // namespace
