// Time from the folder dialog's answer to the first presented frame: the
// settings write, the scan, Direct3D and the device, every resource (the
// procedural textures and the effect among them), the worker thread, and the
// first frame. The dialog is answered at once with the folder given. Runs
// alternate between D3DX and the program's own functions.
// usage: bench_startup.exe FOLDER [RUNS]   (RUNS each way, 3 unless given)
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/hooks.h"
#include "tools/common/bench_show.h"
#include "tools/common/bench_ways.h"

namespace {

using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
PresentFn real_present = nullptr;
LARGE_INTEGER presented;
HRESULT WINAPI timed_present(IDirect3DDevice9* d, const RECT* a, const RECT* b, HWND w, const RGNDATA* r)
{
    HRESULT hr = real_present(d, a, b, w, r);
    if (presented.QuadPart == 0) QueryPerformanceCounter(&presented);
    return hr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup FOLDER [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    std::vector<double> times[2];
    for (int i = 0; i < 2 * runs; ++i) {
        const int way = i % 2;
        use_builtin_d3dx(way == 1);
        presented.QuadPart = 0;
        double answered = 0;
        Slideshow* app = start_show(argv[1], &answered);
        if (!app) return 1;
        if (!real_present)
            real_present = reinterpret_cast<PresentFn>(
                hook_vtable(app->gpu.device, slot::Present, reinterpret_cast<void*>(timed_present)));
        for (int f = 0; f < 100 && presented.QuadPart == 0; ++f) {
            pump_messages();
            app->frame();
        }
        if (presented.QuadPart == 0) {
            std::fprintf(stderr, "no frame was presented\n");
            return 1;
        }
        times[way].push_back(double(presented.QuadPart) / double(frequency.QuadPart) - answered);
        std::printf("run %d (%s): %.3f s from the dialog's answer to the first presented frame (%d photos)\n", i + 1,
                    way_names[way], times[way].back(), app->files.count);
        end_show(app);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    std::printf("dialog answer to first presented frame, %d runs each:   median      best\n", runs);
    for (int way = 0; way < 2; ++way)
        std::printf("  %-10s %36.3f s %8.3f s\n", way_names[way], median(times[way]),
                    *std::min_element(times[way].begin(), times[way].end()));
    return 0;
}
