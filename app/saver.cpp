// The screen saver's window handling: a show on every monitor (the lead show
// on the primary one, the others beside it on its list and worker), the
// settings, and the preview.
#include "app/saver.h"

#include <windowsx.h>

#include "app/names.h"
#include "app/saver_rules.h"
#include "app/shell.h"
#include "app/slideshow.h"

namespace {

const char saver_class_name[] = "qelvar_orbisca_saver";
// Held while a show runs: a second show ends at once.
const char show_mutex_name[] = "qelvar_orbisca_show";
const int32_t max_monitors = 64;

// The running window's state; main thread only.
bool previewing = false;
bool show_failed = false;   // the show could not start: a black screen with the reason
bool was_active = false;    // deactivation ends the show only once it was active
bool window_ended = false;  // WM_DESTROY of main_window came: done ran, quit was posted
POINT pointer_start = {0, 0};
HWND covers[max_cover_windows];
int32_t cover_count = 0;

// The shows on the other monitors, each in a topmost window over its monitor
// with a windowed device on the adapter that drives it. One whose start
// failed keeps its window black with the reason.
struct BesideShow {
    HWND window;
    Slideshow* show;
    bool failed;
};
BesideShow besides[max_saver_shows - 1];
int32_t beside_count = 0;
// The place in the play order that any of the shows took last.
Place shared_turn;

HWND handle_from(uint32_t value)
{
    // Window handles are 32-bit values that 64-bit processes sign-extend.
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

// Input on the show's window or on a cover that ends the show.
bool ends_show(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        return true;
    case WM_MOUSEMOVE: {
        POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ClientToScreen(hwnd, &p);
        return pointer_moved_away(pointer_start.x, pointer_start.y, p.x, p.y);
    }
    case WM_ACTIVATEAPP:
        if (wparam) was_active = true;
        return !wparam && was_active;
    }
    return false;
}

void paint_reason(HWND hwnd, const char* reason)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (reason && reason[0]) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, 10, 10, window_title, static_cast<int>(str_length(window_title)));
        RECT lines = {10, 40, client.right - 10, client.bottom - 10};
        DrawTextA(dc, reason, -1, &lines, DT_WORDBREAK | DT_NOPREFIX);
    }
    EndPaint(hwnd, &paint);
}

// The show beside the lead whose start failed in hwnd, if any.
const BesideShow* failed_beside(HWND hwnd)
{
    for (int32_t i = 0; i < beside_count; ++i)
        if (besides[i].window == hwnd && besides[i].failed) return &besides[i];
    return nullptr;
}

// The shows beside the lead end before it: they use its list and its worker.
void end_beside_shows()
{
    for (int32_t i = 0; i < beside_count; ++i) {
        besides[i].show->done();
        delete besides[i].show;
        DestroyWindow(besides[i].window);
    }
    beside_count = 0;
}

LRESULT CALLBACK saver_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!previewing && ends_show(hwnd, message, wparam, lparam)) {
        DestroyWindow(main_window);
        return 0;
    }
    switch (message) {
    case WM_SYSCOMMAND:
        if (previewing) break;
        if ((wparam & 0xFFF0) == SC_SCREENSAVE) return 0;
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            DestroyWindow(main_window);
            return 0;
        }
        break;
    case WM_CLOSE:
        // A cover's close ends the show, not just the cover.
        DestroyWindow(main_window);
        return 0;
    case WM_SETCURSOR:
        if (previewing) break;
        SetCursor(nullptr);
        return TRUE;
    case WM_PAINT:
        if (paint_notice(hwnd)) return 0;
        if (hwnd == main_window && show_failed) {
            paint_reason(hwnd, app_object ? app_object->error_text() : nullptr);
            return 0;
        }
        if (const BesideShow* beside = failed_beside(hwnd)) {
            paint_reason(hwnd, beside->show->error_text());
            return 0;
        }
        break;
    case WM_DESTROY:
        if (hwnd == main_window && !window_ended) {
            window_ended = true;
            end_beside_shows();
            if (app_object) app_object->done();
            PostQuitMessage(0);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

void register_saver_class(HINSTANCE instance)
{
    register_class(instance, saver_class_name, saver_proc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

struct MonitorList {
    MonitorArea areas[max_monitors];
    int32_t count;
};

BOOL CALLBACK collect_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MonitorList* list = reinterpret_cast<MonitorList*>(data);
    MONITORINFO info;
    mem_fill(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    MonitorArea& area = list->areas[list->count++];
    area.rect = {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
    area.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    return list->count < max_monitors;
}

// The areas of the monitors beside the primary one.
int32_t other_monitors(ScreenRect* rects)
{
    MonitorList list;
    list.count = 0;
    EnumDisplayMonitors(nullptr, nullptr, collect_monitor, reinterpret_cast<LPARAM>(&list));
    return cover_rects(list.areas, list.count, rects);
}

// A topmost window over r, black until a show draws there. It never takes
// the focus, but a click or a move on it ends the show.
HWND open_window_over(HINSTANCE instance, const ScreenRect& r)
{
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, saver_class_name, "",
                                  WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                  instance, nullptr);
    if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// A show on each of the first monitors beside the primary one when `lead`
// runs (each on its own device, the lead's list and worker), black windows
// over the rest.
void open_other_monitors(HINSTANCE instance, const ScreenRect* rects, int32_t count, Slideshow* lead)
{
    if (lead) {
        shared_turn = lead->cycle.requested;
        lead->list_turn = &shared_turn;
    }
    beside_count = 0;
    cover_count = 0;
    for (int32_t i = 0; i < count; ++i) {
        HWND window = open_window_over(instance, rects[i]);
        if (!window) continue;
        Slideshow* show = lead && beside_count < max_saver_shows - 1 ? create_slideshow() : nullptr;
        if (!show) {
            covers[cover_count++] = window;
            continue;
        }
        const ScreenRect& r = rects[i];
        RECT area = {r.left, r.top, r.right, r.bottom};
        show->window = window;
        show->windowed = true;
        show->lead = lead;
        show->list_turn = &shared_turn;
        show->gpu.monitor = MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST);
        bool started = show->start_beside();
        // The device goes before the window is painted with the reason.
        if (!started) show->release_all();
        besides[beside_count++] = {window, show, !started};
        if (!started) InvalidateRect(window, nullptr, TRUE);
    }
}

// The shows' frames in turn, messages between them.
void saver_loop()
{
    MSG msg;
    mem_fill(&msg, 0, sizeof(msg));
    while (msg.message != WM_QUIT) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (window_ended) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
            continue;
        }
        bool presented = app_object->frame() >= 0;
        for (int32_t i = 0; i < beside_count; ++i)
            if (!besides[i].failed && besides[i].show->frame() >= 0) presented = true;
        // Nothing presented anywhere (lost devices): a short wait, cut short
        // by any message.
        if (!presented) MsgWaitForMultipleObjects(0, nullptr, FALSE, failed_frame_wait_ms, QS_ALLINPUT);
    }
}

// Messages only, for a show that could not start: nothing is drawn but the
// reason, so the thread sleeps until input ends it.
void wait_for_quit()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The preview's loop: at most preview_frames_per_second frames, messages
// between them, and an end as soon as the parent is gone.
void preview_loop(HWND parent, bool with_frames)
{
    LARGE_INTEGER frequency, now, next;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&next);
    const int64_t period = frequency.QuadPart / preview_frames_per_second;
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!window_ended && !IsWindow(parent)) {
            DestroyWindow(main_window);
            // Gone with its parent before we could destroy it: no quit comes.
            if (!window_ended) return;
            continue;
        }
        DWORD wait = 100;
        if (with_frames) {
            QueryPerformanceCounter(&now);
            if (now.QuadPart >= next.QuadPart) {
                app_object->frame();
                next.QuadPart += period;
                // Behind by more than a frame (a slow device): no catching up.
                if (next.QuadPart < now.QuadPart) next.QuadPart = now.QuadPart + period;
                continue;
            }
            wait = static_cast<DWORD>((next.QuadPart - now.QuadPart) * 1000 / frequency.QuadPart);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

void end_windows(HINSTANCE instance)
{
    end_beside_shows();
    for (int32_t i = 0; i < cover_count; ++i) DestroyWindow(covers[i]);
    cover_count = 0;
    // A window that went with its parent may still count as one for a while.
    if (main_window && !window_ended) {
        DestroyWindow(main_window);
        if (window_ended) wait_for_quit();
    }
    // done runs once on every path, also for a window that went without us.
    if (!window_ended && app_object) {
        window_ended = true;
        app_object->done();
    }
    main_window = nullptr;
    UnregisterClassA(saver_class_name, instance);
    if (app_object) {
        delete app_object;
        app_object = nullptr;
    }
}

} // namespace

void run_saver_show()
{
    HANDLE running = CreateMutexA(nullptr, FALSE, show_mutex_name);
    if (!running || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (running) CloseHandle(running);
        return;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_saver_class(instance);
    previewing = false;
    was_active = false;
    window_ended = false;
    GetCursorPos(&pointer_start);

    main_window = CreateWindowExA(WS_EX_TOPMOST, saver_class_name, window_title, WS_POPUP, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    Slideshow* show = main_window ? create_slideshow() : nullptr;
    app_object = show;
    ScreenRect others[max_cover_windows];
    int32_t other_count = other_monitors(others);
    if (show) {
        // With shows on other monitors beside it, every show draws windowed
        // into its own window.
        show->windowed = other_count > 0;
        show_failed = !show->start_unattended();
    }
    // Input may end the show already during a long scan of its folder.
    if (show && !window_ended) {
        // A black screen instead: the device goes before the window is painted.
        if (show_failed) show->release_all();
        open_other_monitors(instance, others, other_count, show_failed ? nullptr : show);
        ShowCursor(FALSE);
        ShowWindow(main_window, SW_SHOW);
        SetForegroundWindow(main_window);
        UpdateWindow(main_window);
        if (show_failed)
            wait_for_quit();
        else
            saver_loop();
    }
    end_windows(instance);
    CloseHandle(running);
}

void run_saver_settings(HWND owner)
{
    if (owner && !IsWindow(owner)) owner = nullptr;
    Slideshow* settings = create_slideshow();
    if (!settings) return;
    settings->load_settings();
    settings->edit_settings(owner);
    delete settings;
}

void run_saver_preview(HWND parent)
{
    if (!parent || !IsWindow(parent)) return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_saver_class(instance);
    previewing = true;
    show_failed = false;
    window_ended = false;
    RECT client = {0, 0, 0, 0};
    GetClientRect(parent, &client);
    main_window = CreateWindowExA(0, saver_class_name, window_title, WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                  client.bottom, parent, nullptr, instance, nullptr);
    Slideshow* show = main_window ? create_slideshow() : nullptr;
    app_object = show;
    if (show) {
        show->preview = true;
        bool started = show->start_unattended();
        // Without photos or a device the preview stays black.
        if (!started) show->release_all();
        preview_loop(parent, started);
    }
    end_windows(instance);
}

void run_screen_saver(const char* command_line)
{
    CoInitialize(nullptr);
    SaverCommand command = parse_saver_command(command_line);
    switch (command.mode) {
    case SAVER_SHOW:
        run_saver_show();
        break;
    case SAVER_PREVIEW:
        run_saver_preview(handle_from(command.window));
        break;
    case SAVER_SETTINGS:
        run_saver_settings(command.window ? handle_from(command.window) : nullptr);
        break;
    case SAVER_EXIT:
        break;
    }
}
