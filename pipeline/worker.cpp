// The worker thread and the load job it runs.
#include "app/slideshow.h"
#include "geometry.h"

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
    // Without a description of the file there are no sizes to cut a square
    // from; such a file cannot be loaded either, so level 0 is left alone.
    D3DXIMAGE_INFO info;
    if (staging && D3DXGetImageInfoFromFileA(path, &info) >= 0 && info.Width > 0 && info.Height > 0) {
        PixelRect square = centred_square(info.Width, info.Height);
        RECT source = {square.left, square.top, square.right, square.bottom};
        IDirect3DSurface9* surface = nullptr;
        if (staging->GetSurfaceLevel(0, &surface) >= 0 && surface) {
            D3DXLoadSurfaceFromFileA(surface, nullptr, nullptr, path, &source, D3DX_DEFAULT, 0, nullptr);
            surface->Release();
        }
    }
    if (staging) D3DXFilterTexture(staging, nullptr, 0, D3DX_DEFAULT);
    read_exif_orientation();
    loaded_count += 1;
    store_release(&done_flag, true);
    return true;
}
