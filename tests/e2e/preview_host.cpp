// Plays the system's screen saver settings for the preview: a 152 x 112
// window at (100, 100) whose handle goes to "SCR /p HANDLE". Prints what it
// sees; ends the preview by destroying its window once GO_FILE exists, and
// prints how long the preview took to end after it ("preview ended ...").
// usage: preview_host.exe SCR GO_FILE      exit code 0 when all went well
// With SCR "-" the preview runs on this program's own thread, which then
// prints the colour in the middle of each second's picture as "centre R G B":
// Wine shows nothing that Direct3D draws into a child window, so a screenshot
// cannot tell.
#include <windows.h>

#include <cstdio>

#include "app/saver.h"
#include "app/slideshow.h"
#include "support/hooks.h"

namespace {

const char* go_file = nullptr;
HWND parent = nullptr;
LARGE_INTEGER frequency, destroyed;
bool child_ok = false;

int fail(const char* what)
{
    std::printf("FAIL: %s\n", what);
    std::fflush(stdout);
    return 1;
}

// The child must cover the parent's client area exactly.
bool check_child()
{
    HWND child = GetWindow(parent, GW_CHILD);
    if (!child) return false;
    RECT inner, outer;
    GetWindowRect(child, &inner);
    GetWindowRect(parent, &outer);
    std::printf("child %ld,%ld-%ld,%ld in %ld,%ld-%ld,%ld\n", inner.left, inner.top, inner.right, inner.bottom,
                outer.left, outer.top, outer.right, outer.bottom);
    std::fflush(stdout);
    child_ok = EqualRect(&inner, &outer) != 0;
    return true;
}

// The middle of the picture about to be presented, read back from the device.
void print_centre(IDirect3DDevice9* device)
{
    IDirect3DSurface9 *back = nullptr, *plain = nullptr, *copy = nullptr;
    if (device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) < 0) return;
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    D3DLOCKED_RECT locked;
    if (device->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE, &plain,
                                   nullptr) >= 0 &&
        device->StretchRect(back, nullptr, plain, nullptr, D3DTEXF_NONE) >= 0 &&
        device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                            nullptr) >= 0 &&
        device->GetRenderTargetData(plain, copy) >= 0 && copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) >= 0) {
        const unsigned char* p =
            static_cast<const unsigned char*>(locked.pBits) + desc.Height / 2 * locked.Pitch + desc.Width / 2 * 4;
        std::printf("centre %d %d %d (%ux%u)\n", p[2], p[1], p[0], desc.Width, desc.Height);
        std::fflush(stdout);
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    if (plain) plain->Release();
    back->Release();
}

using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
PresentFn real_present = nullptr;
bool read_next = false;
HRESULT WINAPI reading_present(IDirect3DDevice9* d, const RECT* a, const RECT* b, HWND w, const RGNDATA* r)
{
    if (read_next) print_centre(d);
    read_next = false;
    return real_present(d, a, b, w, r);
}

// Ends the preview from within its own loop, once the script says so.
void CALLBACK poll_go(HWND, UINT, UINT_PTR, DWORD)
{
    static bool seen = false;
    static int ticks = 0;
    if (!seen) seen = check_child();
    Slideshow* show = static_cast<Slideshow*>(app_object);
    if (show && show->gpu.device && !real_present)
        real_present = reinterpret_cast<PresentFn>(
            hook_vtable(show->gpu.device, slot::Present, reinterpret_cast<void*>(reading_present)));
    if (++ticks % 20 == 0) read_next = true;
    if (GetFileAttributesA(go_file) == INVALID_FILE_ATTRIBUTES) return;
    QueryPerformanceCounter(&destroyed);
    DestroyWindow(parent);
}

double ms_since_destroyed()
{
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    return 1000.0 * double(end.QuadPart - destroyed.QuadPart) / double(frequency.QuadPart);
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return fail("usage: preview_host SCR GO_FILE");
    go_file = argv[2];
    QueryPerformanceFrequency(&frequency);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "preview_host";
    RegisterClassA(&wc);
    // Not activated, so that Wine does not wait for a window manager when it
    // goes (Xvfb has none).
    parent = CreateWindowExA(WS_EX_NOACTIVATE, "preview_host", "preview host", WS_POPUP | WS_CLIPCHILDREN, 100, 100,
                             152, 112, nullptr, nullptr, wc.hInstance, nullptr);
    if (!parent) return fail("no window");
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    unsigned long handle = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));

    if (argv[1][0] == '-' && argv[1][1] == 0) {
        char command[64];
        std::snprintf(command, sizeof command, "host /p %lu", handle);
        SetTimer(nullptr, 0, 50, poll_go);
        run_screen_saver(command);
        double ms = ms_since_destroyed();
        if (!child_ok) return fail("no child covering the client area");
        std::printf("preview ended %.0f ms after its parent\n", ms);
        return 0;
    }

    char command[MAX_PATH + 40];
    std::snprintf(command, sizeof command, "\"%s\" /p %lu", argv[1], handle);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return fail("the preview did not start");
    for (int i = 0; i < 6000 && !check_child(); ++i) {
        pump();
        Sleep(10);
    }
    if (!child_ok) return fail("no child covering the client area within a minute");
    while (GetFileAttributesA(go_file) == INVALID_FILE_ATTRIBUTES) {
        pump();
        Sleep(10);
    }
    QueryPerformanceCounter(&destroyed);
    DestroyWindow(parent);
    DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    double ms = ms_since_destroyed();

    if (waited != WAIT_OBJECT_0) return fail("the preview did not end within a minute of its parent");
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("preview ended %.0f ms after its parent, exit code %lu\n", ms, static_cast<unsigned long>(code));
    return code == 0 ? 0 : fail("exit code");
}
