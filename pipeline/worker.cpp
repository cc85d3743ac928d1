// The worker thread and the load job it runs.
#include "app/slideshow.h"
#include "decode.h"

Task* Slideshow::submit_task(Task* task)
{
    // The load job is the only kind of task. Its flag is cleared before the
    // slot is filled, so the worker never finds a job still marked done.
    if (task) store_release(&static_cast<ImageLoadTask*>(task)->done_flag, false);
    store_release(&pending_task, task);
    return task;
}

void Slideshow::worker_main()
{
    CoInitialize(nullptr);
    if (load_acquire(&quit)) return;
    for (;;) {
        Sleep(100);
        Task* task = load_acquire(&pending_task);
        // Take the job out of the slot before running it. The slot always holds
        // the same task object, so emptying it after the run could not tell the
        // job just run from the next one submitted the moment done_flag rose.
        // The exchange fails only when the main thread emptied the slot first.
        if (task && compare_exchange(&pending_task, task, static_cast<Task*>(nullptr))) task->run(device);
        if (load_acquire(&quit)) return;
    }
}

DWORD WINAPI worker_thread_entry(LPVOID slideshow)
{
    static_cast<Slideshow*>(slideshow)->worker_main();
    return 0;
}

bool ImageLoadTask::run(IDirect3DDevice9* device)
{
    (void)device;
    if (staging) {
        // The file's own header decides whether a decoder may see it at all:
        // a broken or empty header, or a size past the budget, is passed over
        // like a file that cannot be decoded.
        JpegHeader header;
        if (read_file_header(path, &header) && jpeg_decodable(header, pixel_budget)) decode_file(path, staging);
    }
    read_exif_orientation();
    loaded_count += 1;
    store_release(&done_flag, true);
    return true;
}
