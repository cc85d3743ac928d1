// The screen saver on a display of two monitors side by side (the test's own,
// ORBISCA_DISPLAY=two): a monitor whose device cannot be made stays black with
// the reason, and the show on the other goes on.
#include <gtest/gtest.h>
#include <windows.h>
#include <d3d9.h>

#include "app/application.h"
#include "app/names.h"
#include "app/saver.h"
#include "support/hooks.h"
#include "support/wine_path.h"

namespace {

using CreateDeviceFn = HRESULT(WINAPI*)(IDirect3D9*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                        IDirect3DDevice9**);
using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
using Create9Fn = IDirect3D9*(WINAPI*)(UINT);
Create9Fn real_create9 = nullptr;
CreateDeviceFn real_create_device = nullptr;
PresentFn real_present = nullptr;
int refused = 0, presents = 0, text_pixels = -1;

HRESULT WINAPI counted_present(IDirect3DDevice9* d, const RECT* a, const RECT* b, HWND w, const RGNDATA* r)
{
    ++presents;
    return real_present(d, a, b, w, r);
}

HRESULT WINAPI second_adapter_refused(IDirect3D9* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                      D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device)
{
    if (adapter == 1) {
        ++refused;
        return D3DERR_NOTAVAILABLE;
    }
    HRESULT hr = real_create_device(d3d, adapter, type, focus, flags, params, device);
    if (hr >= 0 && !real_present)
        real_present = reinterpret_cast<PresentFn>(
            hook_vtable(*device, slot::Present, reinterpret_cast<void*>(counted_present)));
    return hr;
}

IDirect3D9* WINAPI hooked_create9(UINT version)
{
    IDirect3D9* d3d = real_create9(version);
    if (d3d && !real_create_device)
        real_create_device = reinterpret_cast<CreateDeviceFn>(
            hook_vtable(d3d, slot::CreateDevice, reinterpret_cast<void*>(second_adapter_refused)));
    return d3d;
}

// Once the primary monitor's show has drawn a while: the bright pixels of the
// reason in the window over the second monitor, then the end of the show.
void CALLBACK look_then_end(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (presents < 20 || !main_window) return;
    HWND beside = WindowFromPoint(POINT{1280 + 640, 512});
    if (beside && beside != main_window) {
        HDC dc = GetDC(beside);
        text_pixels = 0;
        for (int y = 40; y < 60; ++y)
            for (int x = 10; x < 400; ++x) text_pixels += GetRValue(GetPixel(dc, x, y)) > 128;
        ReleaseDC(beside, dc);
    }
    KillTimer(nullptr, timer);
    PostMessageA(main_window, WM_CLOSE, 0, 0);
}

} // namespace

TEST(SaverMonitors, AMonitorWhoseDeviceFailsSaysWhyAndTheOtherGoesOn)
{
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "not the display of two monitors";
    std::string folder = wine_path(ORBISCA_SAMPLES) + "\\";
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\orbisca");
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\orbisca", "folder", REG_SZ, folder.c_str(),
                    static_cast<DWORD>(folder.size() + 1));
    real_create9 = reinterpret_cast<Create9Fn>(
        hook_import("d3d9.dll", "Direct3DCreate9", reinterpret_cast<void*>(hooked_create9)));
    SetTimer(nullptr, 0, 100, look_then_end);
    run_screen_saver("x.scr /s");
    EXPECT_GE(refused, 1);
    EXPECT_GE(presents, 20) << "the primary monitor's show did not go on";
    EXPECT_GT(text_pixels, 20) << "no reason written over the second monitor";
}
