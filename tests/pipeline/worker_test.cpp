// The job slot and the worker thread's loop.
#include <gtest/gtest.h>

#include "app/atomic.h"
#include "app/slideshow.h"

namespace {

// A job that only counts its runs. It can linger after raising done_flag, to
// widen the moment in which the worker has finished a job but not yet left
// the loop's pass.
struct CountingTask : ImageLoadTask {
    LONG runs = 0;
    DWORD linger_ms = 0;
    bool run(IDirect3DDevice9*) override
    {
        InterlockedIncrement(&runs);
        store_release(&done_flag, true);
        if (linger_ms) Sleep(linger_ms);
        return true;
    }
};

class Worker : public ::testing::Test {
protected:
    Slideshow* show = nullptr;
    CountingTask job{};
    HANDLE thread = nullptr;

    void SetUp() override { show = create_slideshow(); }
    void TearDown() override
    {
        if (thread) {
            store_release(&show->job.quit, true);
            EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
            CloseHandle(thread);
        }
        delete show;
    }
    void start() { thread = CreateThread(nullptr, 0, worker_thread_entry, &show->job, 0, nullptr); }
    // Milliseconds until done_flag rises, or -1 after the limit.
    static long wait_done(CountingTask& t, DWORD limit = 3000)
    {
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        for (;;) {
            QueryPerformanceCounter(&b);
            long ms = long((b.QuadPart - a.QuadPart) * 1000 / f.QuadPart);
            if (load_acquire(&t.done_flag)) return ms;
            if (ms > long(limit)) return -1;
            Sleep(1);
        }
    }
};

TEST_F(Worker, SlotHandOver)
{
    job.done_flag = true;
    EXPECT_EQ(submit_task(&show->job, &job), &job);
    EXPECT_EQ(show->job.pending_task, &job);
    EXPECT_FALSE(job.done_flag);

    // Emptying the slot touches no flag.
    job.done_flag = true;
    EXPECT_EQ(submit_task(&show->job, nullptr), nullptr);
    EXPECT_EQ(show->job.pending_task, nullptr);
    EXPECT_TRUE(job.done_flag);
}

TEST_F(Worker, RunsASubmittedJobOnceWithinAPoll)
{
    start();
    Sleep(30);
    for (int i = 0; i < 3; ++i) {
        submit_task(&show->job, &job);
        long ms = wait_done(job);
        ASSERT_GE(ms, 0);
        // One poll is 100 ms; Wine's timers are coarse, so allow some slack.
        EXPECT_LE(ms, 180);
        Sleep(250);
        EXPECT_EQ(job.runs, i + 1);
        EXPECT_EQ(load_acquire(&show->job.pending_task), nullptr);
    }
}

TEST_F(Worker, JobSubmittedAsTheLastOneCompletesIsNotLost)
{
    job.linger_ms = 30;
    start();
    for (int i = 0; i < 5; ++i) {
        submit_task(&show->job, &job);
        ASSERT_GE(wait_done(job), 0) << "job " << i + 1 << " was lost";
        // The worker is still inside the pass of the job just done.
    }
    EXPECT_EQ(job.runs, 5);
}

TEST_F(Worker, QuitLetsAPendingJobRunFirst)
{
    start();
    Sleep(30);  // past its first look at quit, inside the first sleep
    submit_task(&show->job, &job);
    store_release(&show->job.quit, true);
    EXPECT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
    EXPECT_EQ(job.runs, 1);
    EXPECT_TRUE(job.done_flag);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 0u);
}

TEST_F(Worker, QuitBeforeStartEndsWithoutSleeping)
{
    submit_task(&show->job, &job);
    store_release(&show->job.quit, true);
    DWORD before = GetTickCount();
    worker_main(&show->job);
    EXPECT_LT(GetTickCount() - before, 50u);
    EXPECT_EQ(job.runs, 0);
}

} // namespace
