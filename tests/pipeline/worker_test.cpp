// The job slot and the worker thread's loop.
#include <gtest/gtest.h>

#include "app/atomic.h"
#include "app/slideshow.h"
#include "support/hooks.h"

namespace {

// The worker's sleeps between its looks at the slot: the calls of Sleep made
// by one thread (the worker's), counted as they begin.
volatile LONG sleeps = 0;
volatile DWORD counted_thread = 0;
void(WINAPI* real_sleep)(DWORD) = nullptr;
void WINAPI counting_sleep(DWORD ms)
{
    if (GetCurrentThreadId() == counted_thread) InterlockedIncrement(&sleeps);
    real_sleep(ms);
}

// A job that only counts its runs and notes the worker's sleeps so far. It
// can linger after raising done_flag, to widen the moment in which the worker
// has finished a job but not yet left the loop's pass.
struct CountingTask : ImageLoadTask {
    LONG runs = 0;
    LONG sleeps_at_run = 0;
    DWORD linger_ms = 0;
    bool run(IDirect3DDevice9*) override
    {
        sleeps_at_run = sleeps;
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

    void SetUp() override
    {
        show = create_slideshow();
        sleeps = 0;
        counted_thread = 0;
        real_sleep = reinterpret_cast<void(WINAPI*)(DWORD)>(
            hook_import("KERNEL32.dll", "Sleep", reinterpret_cast<void*>(counting_sleep)));
        ASSERT_NE(real_sleep, nullptr);
    }
    void TearDown() override
    {
        if (thread) {
            store_release(&show->job.quit, true);
            EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
            CloseHandle(thread);
        }
        if (real_sleep) hook_import("KERNEL32.dll", "Sleep", reinterpret_cast<void*>(real_sleep));
        delete show;
    }
    void start()
    {
        DWORD id = 0;
        thread = CreateThread(nullptr, 0, worker_thread_entry, &show->job, CREATE_SUSPENDED, &id);
        counted_thread = id;
        ResumeThread(thread);
    }
    // Milliseconds until done_flag rises, or -1 after the limit.
    static long wait_done(CountingTask& t, DWORD limit = 60000)
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
        LONG submitted = sleeps;
        ASSERT_GE(wait_done(job), 0);
        // Taken at the worker's next look at the slot: after the sleep it
        // was in, or after the one it began next.
        EXPECT_LE(job.sleeps_at_run - submitted, 1);
        Sleep(250);
        EXPECT_EQ(job.runs, i + 1);
        EXPECT_EQ(load_acquire(&show->job.pending_task), nullptr);
    }
    LONG slept = sleeps;
    EXPECT_GT(slept, 3); // the count sees the worker's sleeps
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
    EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
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
    counted_thread = GetCurrentThreadId();
    worker_main(&show->job);
    counted_thread = 0;
    LONG slept = sleeps;
    EXPECT_EQ(slept, 0);
    EXPECT_EQ(job.runs, 0);
}

} // namespace
