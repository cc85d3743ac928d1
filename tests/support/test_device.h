// A hidden window and a real Direct3D 9 device for tests under Wine.
#pragma once
#include <d3d9.h>

struct TestDevice {
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;

    // Windowed device with a back buffer of width x height, X8R8G8B8 with D16
    // depth; flags as the program's (hardware vertex processing, pure,
    // multithreaded) unless told otherwise.
    bool create(UINT width = 256, UINT height = 256, DWORD flags = 0x54);
    void destroy();
    ~TestDevice() { destroy(); }
};

// Reads the whole of a render target or back buffer surface as BGRA bytes
// (4 per pixel, row after row). Returns false on failure.
bool read_surface(IDirect3DDevice9* device, IDirect3DSurface9* surface, unsigned char* out, UINT width, UINT height);

// Locks level `level` of a lockable texture and copies it as BGRA bytes.
bool read_texture_level(IDirect3DTexture9* texture, UINT level, unsigned char* out);
