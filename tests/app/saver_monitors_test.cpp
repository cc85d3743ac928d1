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

int refused = 0, presents = 0, text_pixels = -1;

HRESULT second_adapter_refused(UINT adapter)
{
    if (adapter != 1) return D3D_OK;
    ++refused;
    return D3DERR_NOTAVAILABLE;
}

void counted_present(IDirect3DDevice9*) { ++presents; }

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
    watch_devices({second_adapter_refused, nullptr, counted_present});
    SetTimer(nullptr, 0, 100, look_then_end);
    run_screen_saver("x.scr /s");
    EXPECT_GE(refused, 1);
    EXPECT_GE(presents, 20) << "the primary monitor's show did not go on";
    EXPECT_GT(text_pixels, 20) << "no reason written over the second monitor";
}
