// Replacing single functions of the real platform for failure tests: an entry
// of this executable's import table, or one slot of a COM object's vtable.
// Both give back the original so that a replacement can forward to it. A
// vtable is shared by every object of its class in the process, so a
// replacement usually checks its `self` or counts calls (FailNth).
#pragma once
#include <windows.h>
#include <stddef.h>

// Points the import of `function` from `dll` in this executable at
// `replacement`. Returns the previous address, or null when not imported.
void* hook_import(const char* dll, const char* function, void* replacement);

// Replaces slot `index` of the vtable of `object` for the rest of the
// process. Returns the previous entry.
void* hook_vtable(void* object, size_t index, void* replacement);

// The same, put back when the hook goes out of scope.
class VtableHook {
public:
    VtableHook(void* object, size_t slot, void* replacement);
    ~VtableHook();
    VtableHook(const VtableHook&) = delete;
    VtableHook& operator=(const VtableHook&) = delete;

    template <typename F> F original() const { return reinterpret_cast<F>(original_); }

private:
    void** entry_;
    void* original_;
};

// The devices this executable makes, watched from Direct3DCreate9 on: its
// import is pointed at a replacement that hooks CreateDevice of the
// IDirect3D9 made, which hooks Present of the first device made (vtables are
// shared: every IDirect3D9 and every device of the process). Each of the
// calls may be null. A later call of watch_devices only changes the calls.
struct IDirect3DDevice9;
struct DeviceWatch {
    // Before CreateDevice on `adapter`: a failure to return in its place, or
    // 0 to make the device.
    HRESULT (*refusal)(UINT adapter);
    // After a device made on `adapter`.
    void (*made)(IDirect3DDevice9* device, UINT adapter);
    // After each Present.
    void (*presented)(IDirect3DDevice9* device);
};
void watch_devices(const DeviceWatch& watch);

// Counts the calls a replacement sees and says when to fail: at the at-th
// call (1 the first; 0 never).
struct FailNth {
    int at = 0;
    int calls = 0;
    void arm(int n)
    {
        at = n;
        calls = 0;
    }
    bool now() { return ++calls == at; }
};

// Vtable slots of the methods tests replace, taken from the interfaces' C
// layout (hooks.cpp).
namespace slot {
// IUnknown
extern const size_t Release;
// IDirect3D9
extern const size_t GetDeviceCaps;
extern const size_t CreateDevice;
// IDirect3DDevice9
extern const size_t TestCooperativeLevel;
extern const size_t Reset;
extern const size_t Present;
extern const size_t CreateTexture;
extern const size_t CreateVertexBuffer;
extern const size_t CreateIndexBuffer;
extern const size_t UpdateSurface;
extern const size_t UpdateTexture;
extern const size_t SetSamplerState;
extern const size_t CreatePixelShader;
extern const size_t CreateVertexDeclaration;
// IDirect3DTexture9
extern const size_t GetSurfaceLevel;
extern const size_t LockRect;
// IDirect3DVertexBuffer9 and IDirect3DIndexBuffer9
extern const size_t BufferLock;
} // namespace slot
