// The worker thread and the load job it runs.
#include "pipeline/load_job.h"

#include "app/atomic.h"
#include "pipeline/decode.h"

Task* submit_task(LoadJob* job, Task* task)
{
    // The load job is the only kind of task. Its flag is cleared before the
    // slot is filled, so the worker never finds a job still marked done.
    if (task) store_release(&static_cast<ImageLoadTask*>(task)->done_flag, false);
    store_release(&job->pending_task, task);
    return task;
}

void worker_main(LoadJob* job)
{
    CoInitialize(nullptr);
    if (load_acquire(&job->quit)) return;
    for (;;) {
        Sleep(100);
        for (LoadJob* j = job; j; j = load_acquire(&j->next)) {
            Task* task = load_acquire(&j->pending_task);
            // Take the job out of the slot before running it. The slot always
            // holds the same task object, so emptying it after the run could
            // not tell the job just run from the next one submitted the moment
            // done_flag rose. The exchange fails only when the main thread
            // emptied the slot first.
            if (task && compare_exchange(&j->pending_task, task, static_cast<Task*>(nullptr))) task->run(j->device);
            if (load_acquire(&job->quit)) return;
        }
    }
}

DWORD WINAPI worker_thread_entry(LPVOID job)
{
    worker_main(static_cast<LoadJob*>(job));
    return 0;
}

bool start_worker(LoadJob* job, IDirect3DDevice9* device)
{
    job->device = device;
    job->worker_thread = CreateThread(nullptr, 0, worker_thread_entry, job, 0, nullptr);
    return job->worker_thread != nullptr;
}

void join_worker(LoadJob* first, LoadJob* job, IDirect3DDevice9* device)
{
    job->device = device;
    job->next = nullptr;
    LoadJob* last = first;
    while (last->next) last = last->next;
    store_release(&last->next, job);
}

void stop_worker(LoadJob* job)
{
    store_release(&job->quit, true);
    if (job->worker_thread) {
        WaitForSingleObject(job->worker_thread, INFINITE);
        CloseHandle(job->worker_thread);
        job->worker_thread = nullptr;
    }
}

bool ImageLoadTask::run(IDirect3DDevice9* device)
{
    (void)device;
    // The file's own header, read once: it tells the format and decides
    // whether a decoder may see the file at all (a broken or empty header, or
    // a size past the budget, is passed over like a file that cannot be
    // decoded), and a JPEG's holds the photo's EXIF orientation and the date
    // it was taken. The other formats' orientation comes from their
    // decoder's metadata.
    PhotoHeader header;
    read_photo_header(path, &header);
    int32_t read_orientation = header.jpeg.orientation;
    if (staging && header.admitted) {
        LockedChain own;
        own.count = 0;
        const bool handed = chain.count > 0;
        if (handed || lock_chain(staging, &own)) decode_file(path, handed ? chain : own, header.format, &read_orientation);
        unlock_chain(&own);
    }
    orientation = read_orientation;
    date_taken = header.jpeg.date_taken;
    loaded_count += 1;
    store_release(&done_flag, true);
    return true;
}
