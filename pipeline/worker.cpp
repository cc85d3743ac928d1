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

namespace {

// Loads the largest centred square of the photo at `path`, stretched over the
// whole of `level0`. Some D3DX versions (Wine's among them) misplace a source
// rectangle that does not start at the image's origin when loading from a
// file, and read past their own buffer doing so. So the photo is loaded whole,
// scaled so that its square comes out at the size of `level0`, into a scratch
// surface, and the square is copied from there texel for texel. Nothing is
// written to `level0` unless the photo was decoded.
void load_square(IDirect3DDevice9* device, IDirect3DSurface9* level0, const char* path)
{
    // Without a description of the file there are no sizes to cut a square
    // from; such a file cannot be loaded either.
    D3DXIMAGE_INFO info;
    if (D3DXGetImageInfoFromFileA(path, &info) < 0 || info.Width == 0 || info.Height == 0) return;

    // A panorama wider than this (16:1) would need a scratch surface of more
    // than 64 MiB; it is passed over like a file that cannot be decoded.
    const uint32_t longest = 16 * photo_size;
    ScaledSquare plan = scaled_square(info.Width, info.Height, photo_size);
    IDirect3DSurface9* scaled = nullptr;
    if (!device || plan.width > longest || plan.height > longest ||
        device->CreateOffscreenPlainSurface(plan.width, plan.height, D3DFMT_X8R8G8B8, D3DPOOL_SCRATCH, &scaled,
                                            nullptr) < 0)
        return;
    if (scaled) {
        if (D3DXLoadSurfaceFromFileA(scaled, nullptr, nullptr, path, nullptr, D3DX_DEFAULT, 0, nullptr) >= 0) {
            RECT square = {plan.square.left, plan.square.top, plan.square.right, plan.square.bottom};
            D3DXLoadSurfaceFromSurface(level0, nullptr, nullptr, scaled, nullptr, &square, D3DX_FILTER_NONE, 0);
        }
        scaled->Release();
    }
}

} // namespace

bool ImageLoadTask::run(IDirect3DDevice9* device)
{
    if (staging) {
        // The job may be run without the device at hand; the texture knows it.
        IDirect3DDevice9* owner = nullptr;
        if (!device && staging->GetDevice(&owner) >= 0) device = owner;
        IDirect3DSurface9* level0 = nullptr;
        if (staging->GetSurfaceLevel(0, &level0) >= 0 && level0) {
            load_square(device, level0, path);
            level0->Release();
        }
        if (owner) owner->Release();
        // Rebuilt from level 0 whether or not the photo could be read.
        D3DXFilterTexture(staging, nullptr, 0, D3DX_DEFAULT);
    }
    read_exif_orientation();
    loaded_count += 1;
    store_release(&done_flag, true);
    return true;
}
