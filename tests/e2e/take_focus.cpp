// Switches away from the slideshow and back, as a person does who turns to
// another program for a moment: a window of its own takes the focus, which
// minimises the full-screen show; a second later the show is restored and
// gets the focus back. Prints "minimised" and "restored" as it goes; between
// the two the screen holds still for two seconds.
// usage: take_focus.exe "title"
// Exit code 1 when the show's window is not found, not minimised within a
// minute or not restored within a minute after that.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK window_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// Handles messages for `ms` milliseconds, or until `done` says so.
template <typename Done> bool pump_until(DWORD ms, Done done)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        Sleep(20);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    HWND show = FindWindowA(nullptr, argv[1]);
    if (!show) {
        std::printf("no window titled %s\n", argv[1]);
        return 1;
    }

    WNDCLASSA wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "take_focus";
    RegisterClassA(&wc);
    HWND own = CreateWindowA("take_focus", "take_focus", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 1000, 800, 200, 150, nullptr,
                             nullptr, wc.hInstance, nullptr);
    if (!own) return 1;
    SetForegroundWindow(own);
    SetFocus(own);
    if (!pump_until(60000, [&] { return IsIconic(show) != 0; })) {
        std::printf("the show was not minimised\n");
        return 1;
    }
    std::printf("minimised\n");
    std::fflush(stdout);
    pump_until(2000, [] { return false; });

    DestroyWindow(own);
    ShowWindow(show, SW_RESTORE);
    SetForegroundWindow(show);
    if (!pump_until(60000, [&] { return !IsIconic(show) && GetForegroundWindow() == show; })) {
        std::printf("the show was not restored\n");
        return 1;
    }
    std::printf("restored\n");
    return 0;
}
