#include "test_device.h"

#include <cstring>

namespace {
LRESULT CALLBACK test_window_proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
}

bool TestDevice::create(UINT width, UINT height, DWORD flags)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = test_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "orbisca_test_window";
    RegisterClassA(&wc);
    window = CreateWindowA("orbisca_test_window", "test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                           nullptr, wc.hInstance, nullptr);
    if (!window) return false;
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return false;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flags, &pp, &device) < 0) {
        device = nullptr;
        return false;
    }
    return true;
}

void TestDevice::destroy()
{
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (window) DestroyWindow(window);
    device = nullptr;
    d3d = nullptr;
    window = nullptr;
}

bool read_surface(IDirect3DDevice9* device, IDirect3DSurface9* surface, unsigned char* out, UINT width, UINT height)
{
    D3DSURFACE_DESC desc;
    if (surface->GetDesc(&desc) < 0) return false;
    IDirect3DSurface9* resolved = surface;
    IDirect3DSurface9* plain = nullptr;
    IDirect3DSurface9* temp = nullptr;
    if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
        if (device->CreateRenderTarget(width, height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE, &temp, nullptr) < 0)
            return false;
        device->StretchRect(surface, nullptr, temp, nullptr, D3DTEXF_NONE);
        resolved = temp;
    }
    bool ok = device->CreateOffscreenPlainSurface(width, height, desc.Format, D3DPOOL_SYSTEMMEM, &plain, nullptr) >= 0 &&
              device->GetRenderTargetData(resolved, plain) >= 0;
    if (ok) {
        D3DLOCKED_RECT lr;
        ok = plain->LockRect(&lr, nullptr, D3DLOCK_READONLY) >= 0;
        if (ok) {
            for (UINT y = 0; y < height; ++y)
                std::memcpy(out + y * width * 4, static_cast<unsigned char*>(lr.pBits) + y * lr.Pitch, width * 4);
            plain->UnlockRect();
        }
    }
    if (plain) plain->Release();
    if (temp) temp->Release();
    return ok;
}

bool read_texture_level(IDirect3DTexture9* texture, UINT level, unsigned char* out)
{
    D3DSURFACE_DESC desc;
    if (texture->GetLevelDesc(level, &desc) < 0) return false;
    D3DLOCKED_RECT lr;
    if (texture->LockRect(level, &lr, nullptr, D3DLOCK_READONLY) < 0) return false;
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(out + y * desc.Width * 4, static_cast<unsigned char*>(lr.pBits) + y * lr.Pitch, desc.Width * 4);
    texture->UnlockRect(level);
    return true;
}
