// The real start-up and shutdown for the benchmarks that run the slideshow:
// the folder dialog answered at once, the program's window, its Slideshow.
#pragma once
#include <windows.h>

#include <cstdio>

#include "app/shell.h"
#include "app/slideshow.h"
#include "tools/common/bench_clock.h"
#include "tools/common/bench_dialog.h"

// Starts the show on folder and shows its window; *answered is when the
// dialog returned its answer (seconds_now). Null, with the reason printed, when
// start-up fails.
inline Slideshow* start_show(const char* folder, double* answered)
{
    answer_dialog_with(folder);
    CoInitialize(nullptr);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_window_class(instance);
    main_window = create_main_window(instance);
    Slideshow* app = create_slideshow();
    app_object = app;
    if (!app->init()) {
        std::fprintf(stderr, "start-up failed: %s\n", app->error_text());
        return nullptr;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    *answered = double(dialog_answered.QuadPart) / double(frequency.QuadPart);
    ShowWindow(main_window, SW_SHOWDEFAULT);
    UpdateWindow(main_window);
    return app;
}

inline void end_show(Slideshow* app)
{
    DestroyWindow(main_window); // done() runs from WM_DESTROY
    delete app;
    app_object = nullptr;
}

inline const char* const state_names[] = {"NEXT", "LOADING", "CACHING", "WAITING", "ROTATING", "FADING"};

inline void pump_messages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}
