// Entry point, window and message loop.
#include <windows.h>

#include "application.h"
#include "names.h"
#include "shell.h"
#include "resources/resource_ids.h"
#include "slideshow/controls.h"

HWND__* main_window = nullptr;
Application* app_object = nullptr;

namespace {

// The notice's text, UTF-16 for the painting; empty when none is up.
wchar_t notice[128] = {0};

} // namespace

void show_notice(const char* text)
{
    bool first = notice[0] == 0;
    notice[0] = 0;
    // Taken away: what was painted stays until Direct3D draws over it.
    if (!text || !main_window) return;
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, notice, sizeof(notice) / sizeof(notice[0])) <= 0) {
        notice[0] = 0;
        return;
    }
    if (first && !(GetWindowLongA(main_window, GWL_STYLE) & WS_CHILD)) {
        // The black screen the show takes over: a plain window over the
        // primary monitor, as the device will have it.
        SetWindowLongA(main_window, GWL_STYLE, WS_POPUP);
        SetWindowPos(main_window, HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_FRAMECHANGED);
        ShowWindow(main_window, SW_SHOW);
        SetForegroundWindow(main_window);
    }
    InvalidateRect(main_window, nullptr, FALSE);
    UpdateWindow(main_window);
}

bool notice_shown() { return notice[0] != 0; }

bool paint_notice(HWND hwnd)
{
    if (hwnd != main_window || !notice[0]) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // The overlay's face and size, in the middle of the screen.
    HFONT font = CreateFontA(-17, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, "Tahoma");
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, notice, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
    EndPaint(hwnd, &paint);
    return true;
}

MessageWait wait_with_messages(HANDLE object, uint32_t ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return WAIT_QUIT;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD waited = GetTickCount() - start;
        DWORD left = waited < ms ? ms - waited : 0;
        DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return WAIT_ENDED;
        if (result != WAIT_OBJECT_0 + 1) return WAIT_TIMED_OUT;
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY:
        if (app_object) app_object->done();
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN: {
        if (wparam == VK_ESCAPE) {
            DestroyWindow(hwnd);
            return 0;
        }
        Control control = control_for_key(static_cast<uint32_t>(wparam));
        if (control == CONTROL_NONE || !app_object) break;
        // Bit 30: the key was already down, an auto-repeat of a held key.
        app_object->control(control, (lparam & 0x40000000) != 0);
        return 0;
    }
    case WM_RBUTTONUP:
        DestroyWindow(hwnd);
        return 0;
    case WM_LBUTTONUP:
        if (app_object) app_object->control(CONTROL_NEXT, false);
        return 0;
    case WM_PAINT:
        if (paint_notice(hwnd)) return 0;
        break;
    case WM_SETCURSOR:
        // No pointer over the black screen of a long scan.
        if (!notice_shown()) break;
        SetCursor(nullptr);
        return TRUE;
    case WM_MOUSEWHEEL: {
        static int32_t wheel_rest = 0;
        Control control = control_for_wheel(&wheel_rest, GET_WHEEL_DELTA_WPARAM(wparam));
        if (control != CONTROL_NONE && app_object) app_object->control(control, false);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

void message_loop(bool with_frames)
{
    MSG msg;
    mem_fill(&msg, 0, sizeof(msg));
    do {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (with_frames) {
            if (IsIconic(main_window))
                Sleep(100);
            else if (app_object->frame() < 0)
                // Nothing was presented (a lost device that cannot be reset
                // yet, for example while the workstation is locked): wait a
                // little before the next attempt, but wake at once for any
                // message, so Esc, a right click or a close still end the
                // program without delay.
                MsgWaitForMultipleObjects(0, nullptr, FALSE, failed_frame_wait_ms, QS_ALLINPUT);
        }
    } while (msg.message != WM_QUIT);
}

bool register_class(HINSTANCE instance, const char* name, WNDPROC procedure, HBRUSH background)
{
    WNDCLASSEXA wc;
    mem_fill(&wc, 0, sizeof(wc));
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_CLASSDC;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ORBISCA_ICON));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

bool register_window_class(HINSTANCE instance)
{
    return register_class(instance, window_class_name, window_proc, nullptr);
}

HWND create_main_window(HINSTANCE instance)
{
    return CreateWindowExA(0, window_class_name, window_title, WS_OVERLAPPED, 100, 100, 600, 600, nullptr,
                           nullptr, instance, nullptr);
}

void run_application(Application* (*create)())
{
    CoInitialize(nullptr);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    register_window_class(instance);
    main_window = create_main_window(instance);
    app_object = main_window ? create() : nullptr;

    if (!main_window || !app_object) {
        // Nothing can run without a window and the object; say so instead of
        // using a null pointer.
        // Destroying the window posts WM_QUIT; it is drained first, or the
        // box's own message loop would take it and close at once.
        if (main_window) {
            DestroyWindow(main_window);
            message_loop(false);
        }
        MessageBoxA(nullptr, "Not enough resources to start", window_title, MB_ICONERROR);
    } else if (app_object->init()) {
        ShowCursor(FALSE);
        ShowWindow(main_window, SW_SHOWDEFAULT);
        UpdateWindow(main_window);
        message_loop(true);
    } else {
        DestroyWindow(main_window);
        message_loop(false);
        const char* text = app_object->error_text();
        if (text && text[0]) MessageBoxA(nullptr, text, window_title, MB_ICONERROR);
    }

    UnregisterClassA(window_class_name, instance);
    if (app_object) {
        delete app_object;
        app_object = nullptr;
    }
}
