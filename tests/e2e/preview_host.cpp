// Plays the system's screen saver settings for the preview: a 152 x 112
// window at (100, 100) whose handle goes to "SCR /p HANDLE". Prints what it
// sees; ends the preview by destroying its window once GO_FILE exists.
// usage: preview_host.exe SCR GO_FILE      exit code 0 when all went well
#include <windows.h>

#include <cstdio>

namespace {

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

int fail(const char* what)
{
    std::printf("FAIL: %s\n", what);
    std::fflush(stdout);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return fail("usage: preview_host SCR GO_FILE");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "preview_host";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "preview_host", "preview host", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (!parent) return fail("no window");

    char command[MAX_PATH + 40];
    std::snprintf(command, sizeof command, "\"%s\" /p %lu", argv[1],
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return fail("the preview did not start");

    HWND child = nullptr;
    for (int i = 0; i < 1500 && !child; ++i) {
        pump();
        child = GetWindow(parent, GW_CHILD);
        if (!child) Sleep(10);
    }
    if (!child) return fail("no child window within 15 s");
    RECT inner, outer;
    GetWindowRect(child, &inner);
    GetWindowRect(parent, &outer);
    std::printf("child %ld,%ld-%ld,%ld in %ld,%ld-%ld,%ld\n", inner.left, inner.top, inner.right, inner.bottom,
                outer.left, outer.top, outer.right, outer.bottom);
    std::fflush(stdout);
    if (!EqualRect(&inner, &outer)) return fail("the child does not cover the client area");

    for (int i = 0; i < 6000 && GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) {
        pump();
        Sleep(10);
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    DestroyWindow(parent);
    DWORD waited = WaitForSingleObject(process.hProcess, 1000);
    QueryPerformanceCounter(&end);
    if (waited != WAIT_OBJECT_0) return fail("the preview did not end within a second of its parent");
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("preview ended %.0f ms after its parent, exit code %lu\n",
                1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                static_cast<unsigned long>(code));
    return code == 0 ? 0 : fail("exit code");
}
