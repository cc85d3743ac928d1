// Frame-rate figures of the renderer on the display it runs on (under Wine:
// the virtual X display). Prints:
//  - the frame time of Slideshow::frame on the full scene (median and 99th
//    percentile) with D3DX and with the program's own functions, side by side
//    (two scenes on the device, drawn in turns);
//  - frames per second of Slideshow::frame on the full scene against a bare
//    Clear + Present loop on the same device, and their ratio;
//  - what one band of the upload costs (the slope between a batch of the
//    budget's size and a large batch, each copied and waited for), and so
//    what the budget of bands per frame costs;
//  - the longest frame while a photo is uploaded as CACHING paces it against
//    the median frame of the full scene, and their ratio.
// The device is the program's: full screen at the desktop size, created the
// way start-up creates it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/slideshow.h"
#include "slideshow/pacing.h"
#include "tools/common/bench_clock.h"
#include "tools/common/bench_ways.h"

namespace {

const int warm_up_frames = 10;

LRESULT CALLBACK window_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

void pump_messages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A photo-like staging texture: smooth gradients with some texture, all levels.
bool fill_staging(IDirect3DTexture9* staging)
{
    D3DLOCKED_RECT locked;
    D3DSURFACE_DESC desc;
    if (staging->GetLevelDesc(0, &desc) < 0 || staging->LockRect(0, &locked, nullptr, 0) < 0) return false;
    const int side = static_cast<int>(desc.Width);
    for (int y = 0; y < side; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<unsigned char*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < side; ++x)
            row[x] = 0xFF000000u | (((x / 4) & 0xFF) << 16) | (((y / 4) & 0xFF) << 8) | (((x ^ y) * 7) & 0xFF);
    }
    staging->UnlockRect(0);
    return D3DXFilterTexture(staging, nullptr, 0, D3DX_DEFAULT) >= 0;
}

// The renderer's objects as start-up makes them, and every face showing a photo.
const char* create_scene(Slideshow* show)
{
    if (const char* step = create_device_objects(&show->gpu, &show->job.loader)) return step;
    if (!fill_staging(show->job.loader.staging)) return "staging contents";
    for (FaceSlot& slot : show->gpu.faces) {
        show->job.loader.staging->AddDirtyRect(nullptr);
        show->gpu.device->UpdateTexture(show->job.loader.staging, slot.texture);
    }
    return nullptr;
}

// Until the device has done everything issued before.
void wait_for(IDirect3DQuery9* query)
{
    query->Issue(D3DISSUE_END);
    while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {
    }
}

} // namespace

// usage: bench_frame [frames]   (frames per measured loop, 300 unless given)
int main(int argc, char** argv)
{
    const int measured_frames = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 300;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "bench_frame";
    RegisterClassA(&wc);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    HWND window = CreateWindowA("bench_frame", "bench_frame", WS_POPUP | WS_VISIBLE, 0, 0, desktop.right,
                                desktop.bottom, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) {
        std::printf("no window\n");
        return 1;
    }
    main_window = window;
    Slideshow* show = create_slideshow();
    show->gpu.window = window;
    D3DPRESENT_PARAMETERS params;
    make_present_params(&params);
    if (open_direct3d(&show->gpu) != DEVICE_READY || !create_device(&show->gpu)) {
        std::printf("no device\n");
        return 1;
    }
    IDirect3DDevice9* device = show->gpu.device;
    std::printf("back buffer %ux%u, %d-sample multisampling\n", params.BackBufferWidth, params.BackBufferHeight,
                int(params.MultiSampleType));

    // The full scene both ways, each in a scene of its own on the one device:
    // D3DX's objects in one, the program's own in the other, drawn in turns
    // of ten frames (each way first in every other turn) so that a change in
    // the machine's load touches both. The
    // figures after these come from D3DX's scene.
    Slideshow* second = create_slideshow();
    // Its own references: releasing its objects releases them once.
    second->gpu.window = window;
    second->gpu.d3d = show->gpu.d3d;
    second->gpu.d3d->AddRef();
    second->gpu.device = show->gpu.device;
    second->gpu.device->AddRef();
    Slideshow* shows[2] = {show, second};
    for (int way = 0; way < 2; ++way) {
        use_builtin_d3dx(way == 1);
        if (const char* failed = create_scene(shows[way])) {
            std::printf("could not create (%s): %s\n", way_names[way], failed);
            return 1;
        }
        for (int i = 0; i < warm_up_frames; ++i) {
            pump_messages();
            shows[way]->frame();
        }
    }
    std::vector<double> way_times[2];
    for (int turn = 0; turn < measured_frames / 10; ++turn)
        for (int k = 0; k < 2; ++k) {
            // Each way first in every other turn.
            const int way = (k + turn) % 2;
            use_builtin_d3dx(way == 1);
            for (int i = 0; i < 10; ++i) {
                pump_messages();
                double t = seconds_now();
                shows[way]->frame();
                way_times[way].push_back(seconds_now() - t);
            }
        }
    release_device_objects(&second->gpu, &second->job.loader);
    delete second;
    use_builtin_d3dx(false);

    // The slideshow stays in NEXT: the file list is empty, so nothing is requested.
    for (int i = 0; i < warm_up_frames; ++i) {
        pump_messages();
        show->frame();
    }

    double start = seconds_now();
    for (int i = 0; i < measured_frames; ++i) {
        pump_messages();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    double bare_fps = measured_frames / (seconds_now() - start);

    std::vector<double> frame_times;
    start = seconds_now();
    for (int i = 0; i < measured_frames; ++i) {
        pump_messages();
        double t = seconds_now();
        show->frame();
        frame_times.push_back(seconds_now() - t);
    }
    double full_fps = measured_frames / (seconds_now() - start);
    double median_frame = median(frame_times);

    // Copy cost: k full-size bands (levels 0 to 2, 128 KiB each), then an event
    // query waited for, so that the copies are done. The wait itself has a
    // coarse granularity under Wine, so the cost of a band is the slope
    // between a small and a large batch. The scene is drawn between samples.
    IDirect3DQuery9* query = nullptr;
    device->CreateQuery(D3DQUERYTYPE_EVENT, &query);
    const int small_batch = upload_budget_bands, large_batch = 200;
    double batch[2] = {0, 0};
    for (int j = 0; j < 2 && query; ++j) {
        int k = j ? large_batch : small_batch;
        std::vector<double> times;
        for (int i = 0; i < 15; ++i) {
            pump_messages();
            show->frame();
            wait_for(query);
            double t = seconds_now();
            for (int b = 0; b < k; ++b) {
                if (show->job.loader.upload_level > 2) show->job.loader.upload_level = show->job.loader.upload_row = 0;
                show->job.loader.upload_step(device, static_cast<int32_t>(show->gpu.photo_size));
            }
            wait_for(query);
            times.push_back(seconds_now() - t);
        }
        batch[j] = median(times);
    }
    if (query) query->Release();
    double per_band = (batch[1] - batch[0]) / (large_batch - small_batch);

    // A photo arrives: CACHING copies its bands as the recent frame time asks.
    show->job.loader.upload_row = 0;
    show->job.loader.upload_level = 0;
    show->cycle.state = CACHING;
    std::vector<double> upload_times;
    while (show->cycle.state == CACHING && upload_times.size() < 200) {
        pump_messages();
        double t = seconds_now();
        show->frame();
        upload_times.push_back(seconds_now() - t);
    }
    double longest_upload = *std::max_element(upload_times.begin(), upload_times.end());

    std::printf("copy and wait, %3d bands: %7.2f ms; %3d bands: %7.2f ms\n", small_batch, batch[0] * 1000,
                large_batch, batch[1] * 1000);
    std::printf("one band (128 KiB):  %8.3f ms, the budget of %d bands: %.2f ms\n", per_band * 1000,
                upload_budget_bands, per_band * upload_budget_bands * 1000);
    std::printf("bare Clear+Present:  %8.1f frames/s\n", bare_fps);
    std::printf("full scene frame():  %8.1f frames/s\n", full_fps);
    std::printf("full / bare:         %8.3f\n", full_fps / bare_fps);
    std::printf("median frame:        %8.2f ms\n", median_frame * 1000);
    std::printf("upload frames:       %8d (frame time %.1f ms)\n", int(upload_times.size()), show->clock.frame_time * 1000);
    std::printf("longest upload frame:%8.2f ms (median of the upload frames %.2f ms)\n", longest_upload * 1000,
                median(upload_times) * 1000);
    std::printf("longest upload / median frame: %.3f\n", longest_upload / median_frame);
    std::printf("frame() of the full scene, %d frames each: median     99th percentile\n",
                int(way_times[0].size()));
    for (int way = 0; way < 2; ++way)
        std::printf("  %-10s %20.2f ms %13.2f ms\n", way_names[way], median(way_times[way]) * 1000,
                    percentile(way_times[way], 0.99) * 1000);

    // Everything but the settings: the bench must not touch the remembered folder.
    release_device_objects(&show->gpu, &show->job.loader);
    delete show;
    DestroyWindow(window);
    return 0;
}
