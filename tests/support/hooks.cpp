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

} // namespace

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
