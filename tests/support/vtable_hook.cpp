// C layout of the interfaces, so that the slots can be named.
#define CINTERFACE
#include "vtable_hook.h"

#include <d3d9.h>

namespace {

void write_entry(void** entry, void* value)
{
    DWORD old = 0;
    VirtualProtect(entry, sizeof(void*), PAGE_READWRITE, &old);
    *entry = value;
    VirtualProtect(entry, sizeof(void*), old, &old);
    FlushInstructionCache(GetCurrentProcess(), entry, sizeof(void*));
}

} // namespace

VtableHook::VtableHook(void* object, size_t slot, void* replacement)
{
    void** vtable = *static_cast<void***>(object);
    entry_ = vtable + slot;
    original_ = *entry_;
    write_entry(entry_, replacement);
}

VtableHook::~VtableHook() { write_entry(entry_, original_); }

namespace vtable_slot {
const size_t device_test_cooperative_level = offsetof(IDirect3DDevice9Vtbl, TestCooperativeLevel) / sizeof(void*);
const size_t device_reset = offsetof(IDirect3DDevice9Vtbl, Reset) / sizeof(void*);
const size_t device_present = offsetof(IDirect3DDevice9Vtbl, Present) / sizeof(void*);
const size_t device_create_texture = offsetof(IDirect3DDevice9Vtbl, CreateTexture) / sizeof(void*);
const size_t device_update_texture = offsetof(IDirect3DDevice9Vtbl, UpdateTexture) / sizeof(void*);
const size_t device_set_sampler_state = offsetof(IDirect3DDevice9Vtbl, SetSamplerState) / sizeof(void*);
const size_t device_create_pixel_shader = offsetof(IDirect3DDevice9Vtbl, CreatePixelShader) / sizeof(void*);
const size_t texture_lock_rect = offsetof(IDirect3DTexture9Vtbl, LockRect) / sizeof(void*);
}
