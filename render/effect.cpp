// The cube faces' effect, created from the program's own resources.
#include "app/slideshow.h"

namespace {

const WORD effect_text_resource = 102;
const WORD effect_binary_resource = 103;

}  // namespace

// Compiles the effect text. Where D3DX cannot compile it (Wine's D3DX cannot
// compile effects with sampler blocks, and the program's own functions have no
// compiler), the copy compiled at build time from the same text is used
// instead. Compiler messages are never shown.
bool Slideshow::load_effect()
{
    effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(effect_text_resource), nullptr, nullptr,
                                               0, nullptr, &effect, &errors);
    if (errors) errors->Release();
    if (hr >= 0 && effect) return true;
    effect = nullptr;

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(effect_binary_resource), MAKEINTRESOURCEA(10));
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
