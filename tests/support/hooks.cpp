// C layout of the interfaces, so that the slots can be named.
#define CINTERFACE
#include "hooks.h"

#include <d3d9.h>

#include <cstring>

namespace {

void write_pointer(void** where, void* value)
{
    DWORD old;
    VirtualProtect(where, sizeof(void*), PAGE_READWRITE, &old);
    *where = value;
    VirtualProtect(where, sizeof(void*), old, &old);
    FlushInstructionCache(GetCurrentProcess(), where, sizeof(void*));
}

using Create9Fn = IDirect3D9*(WINAPI*)(UINT);
using CreateDeviceFn = HRESULT(WINAPI*)(IDirect3D9*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                        IDirect3DDevice9**);
using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
DeviceWatch device_watch;
Create9Fn real_create9 = nullptr;
CreateDeviceFn real_create_device = nullptr;
PresentFn real_present = nullptr;

HRESULT WINAPI watched_present(IDirect3DDevice9* device, const RECT* from, const RECT* to, HWND window,
                               const RGNDATA* dirty)
{
    HRESULT hr = real_present(device, from, to, window, dirty);
    if (device_watch.presented) device_watch.presented(device);
    return hr;
}

HRESULT WINAPI watched_create_device(IDirect3D9* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                     D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device)
{
    HRESULT hr = device_watch.refusal ? device_watch.refusal(adapter) : D3D_OK;
    if (hr < 0) return hr;
    hr = real_create_device(d3d, adapter, type, focus, flags, params, device);
    if (hr < 0) return hr;
    if (device_watch.made) device_watch.made(*device, adapter);
    if (!real_present)
        real_present = reinterpret_cast<PresentFn>(
            hook_vtable(*device, slot::Present, reinterpret_cast<void*>(watched_present)));
    return hr;
}

IDirect3D9* WINAPI watched_create9(UINT version)
{
    IDirect3D9* d3d = real_create9(version);
    if (d3d && !real_create_device)
        real_create_device = reinterpret_cast<CreateDeviceFn>(
            hook_vtable(d3d, slot::CreateDevice, reinterpret_cast<void*>(watched_create_device)));
    return d3d;
}

} // namespace

void watch_devices(const DeviceWatch& watch)
{
    device_watch = watch;
    if (!real_create9)
        real_create9 = reinterpret_cast<Create9Fn>(
            hook_import("d3d9.dll", "Direct3DCreate9", reinterpret_cast<void*>(watched_create9)));
}

void* hook_import(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(by_name->Name), function) != 0) continue;
            void** slot_address = reinterpret_cast<void**>(&addresses->u1.Function);
            void* previous = *slot_address;
            write_pointer(slot_address, replacement);
            return previous;
        }
    }
    return nullptr;
}

void* hook_vtable(void* object, size_t index, void* replacement)
{
    void** entry = *static_cast<void***>(object) + index;
    void* previous = *entry;
    write_pointer(entry, replacement);
    return previous;
}

// The entry itself is kept: the object may be gone by the time the hook is.
VtableHook::VtableHook(void* object, size_t slot, void* replacement)
    : entry_(*static_cast<void***>(object) + slot), original_(hook_vtable(object, slot, replacement))
{
}

VtableHook::~VtableHook() { write_pointer(entry_, original_); }

#define ORBISCA_SLOT(interface, method) (offsetof(interface##Vtbl, method) / sizeof(void*))
namespace slot {
const size_t Release = ORBISCA_SLOT(IUnknown, Release);
const size_t GetDeviceCaps = ORBISCA_SLOT(IDirect3D9, GetDeviceCaps);
const size_t CreateDevice = ORBISCA_SLOT(IDirect3D9, CreateDevice);
const size_t TestCooperativeLevel = ORBISCA_SLOT(IDirect3DDevice9, TestCooperativeLevel);
const size_t Reset = ORBISCA_SLOT(IDirect3DDevice9, Reset);
const size_t Present = ORBISCA_SLOT(IDirect3DDevice9, Present);
const size_t CreateTexture = ORBISCA_SLOT(IDirect3DDevice9, CreateTexture);
const size_t CreateVertexBuffer = ORBISCA_SLOT(IDirect3DDevice9, CreateVertexBuffer);
const size_t CreateIndexBuffer = ORBISCA_SLOT(IDirect3DDevice9, CreateIndexBuffer);
const size_t UpdateSurface = ORBISCA_SLOT(IDirect3DDevice9, UpdateSurface);
const size_t UpdateTexture = ORBISCA_SLOT(IDirect3DDevice9, UpdateTexture);
const size_t SetSamplerState = ORBISCA_SLOT(IDirect3DDevice9, SetSamplerState);
const size_t CreatePixelShader = ORBISCA_SLOT(IDirect3DDevice9, CreatePixelShader);
const size_t CreateVertexDeclaration = ORBISCA_SLOT(IDirect3DDevice9, CreateVertexDeclaration);
const size_t GetSurfaceLevel = ORBISCA_SLOT(IDirect3DTexture9, GetSurfaceLevel);
const size_t LockRect = ORBISCA_SLOT(IDirect3DTexture9, LockRect);
const size_t BufferLock = ORBISCA_SLOT(IDirect3DVertexBuffer9, Lock);
} // namespace slot
