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

#include "app/shell.h"
#include "app/slideshow.h"
#include "support/hooks.h"
#include "tools/bench_clock.h"
#include "tools/bench_dialog.h"
#include "tools/bench_ways.h"

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
    answer_dialog_with(argv[1]);

    CoInitialize(nullptr);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_window_class(instance);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    std::vector<double> times[2];
    for (int i = 0; i < 2 * runs; ++i) {
        const int way = i % 2;
        use_builtin_d3dx(way == 1);
        main_window = create_main_window(instance);
        auto* app = static_cast<Slideshow*>(create_slideshow());
        app_object = app;
        presented.QuadPart = 0;
        if (!app->init()) {
            std::fprintf(stderr, "start-up failed: %s\n", app->error_text());
            return 1;
        }
        ShowWindow(main_window, SW_SHOWDEFAULT);
        UpdateWindow(main_window);
        if (!real_present)
            real_present = reinterpret_cast<PresentFn>(
                hook_vtable(app->device, slot::Present, reinterpret_cast<void*>(timed_present)));
        for (int f = 0; f < 100 && presented.QuadPart == 0; ++f) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            app->frame();
        }
        if (presented.QuadPart == 0) {
            std::fprintf(stderr, "no frame was presented\n");
            return 1;
        }
        times[way].push_back(double(presented.QuadPart - dialog_answered.QuadPart) / double(frequency.QuadPart));
        std::printf("run %d (%s): %.3f s from the dialog's answer to the first presented frame (%d photos)\n", i + 1,
                    way_names[way], times[way].back(), app->files.count);
        DestroyWindow(main_window); // done() runs from WM_DESTROY
        delete app;
        app_object = nullptr;
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
