// The program's own equivalents of the D3DX functions it uses, for systems
// without a usable d3dx9_27.dll: the effect runtime reads the compiled effect
// container, the overlay text is drawn by GDI into textures, and the matrices
// and mip levels are computed here. Built on Direct3D 9 and GDI alone.
//
// The objects they create live in fixed storage inside this module (no heap):
// a few effects, fonts and sprites at a time; a creation beyond them fails
// with E_OUTOFMEMORY, as D3DX's would without memory.
#pragma once
#include "d3dx_runtime.h"

// Every function of the table, each with the D3DX function's meaning.
extern const D3DXRuntime builtin_d3dx;

// How many objects of each kind can exist at once: enough for a show on each
// of the screen saver's four monitors (max_saver_shows), which makes one of
// each per device.
const int builtin_effect_slots = 4;
const int builtin_font_slots = 4;
const int builtin_sprite_slots = 8;

namespace builtin {

HRESULT WINAPI create_effect(IDirect3DDevice9* device, const void* data, UINT size, const D3DXMACRO* defines,
                             ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                             ID3DXBuffer** errors);
HRESULT WINAPI create_effect_from_resource(IDirect3DDevice9* device, HMODULE module, const char* resource,
                                           const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                           ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors);
HRESULT WINAPI create_font(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mip_levels,
                           WINBOOL italic, DWORD charset, DWORD precision, DWORD quality, DWORD pitch_and_family,
                           const char* face, ID3DXFont** font);
HRESULT WINAPI create_sprite(IDirect3DDevice9* device, ID3DXSprite** sprite);
HRESULT WINAPI filter_texture(IDirect3DBaseTexture9* texture, const PALETTEENTRY* palette, UINT source_level,
                              DWORD filter);

// Interface identifiers without the import libraries that define them.
bool same_iid(REFIID a, const GUID& b);
extern const GUID iid_unknown;

} // namespace builtin
