// The cube faces' effect, created from the program's own resources.
#include "render/gpu.h"

#include "resources/resource_ids.h"

// Compiles the effect text. Where D3DX cannot compile it (Wine's D3DX cannot
// compile effects with sampler blocks, and the program's own functions have no
// compiler), the copy compiled at build time from the same text is used
// instead. Compiler messages are never shown.
bool load_effect(GpuObjects* gpu)
{
    IDirect3DDevice9* device = gpu->device;
    ID3DXEffect*& effect = gpu->effect;
    effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(ORBISCA_EFFECT_TEXT), nullptr, nullptr,
                                               0, nullptr, &effect, &errors);
    if (errors) errors->Release();
    if (hr >= 0 && effect) return true;
    effect = nullptr;

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(ORBISCA_EFFECT_BINARY), MAKEINTRESOURCEA(10));
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    DWORD size = SizeofResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return false;
    errors = nullptr;
    hr = D3DXCreateEffect(device, bytes, size, nullptr, nullptr, 0, nullptr, &effect, &errors);
    if (errors) errors->Release();
    if (hr >= 0 && effect) return true;
    effect = nullptr;
    return false;
}
