// The D3DX functions of the shipped programs: each one calls the function of
// the same name in the table load_d3dx_runtime() filled, the runtime's or the
// program's own. Compiled into the executables only, so that they do not
// import d3dx9_27.dll; start-up fills the table before anything calls these.
#include "d3dx_runtime.h"

HRESULT WINAPI D3DXCreateEffect(IDirect3DDevice9* device, const void* data, UINT size, const D3DXMACRO* defines,
                                ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                                ID3DXBuffer** errors)
{
    return d3dx_runtime.D3DXCreateEffect(device, data, size, defines, include, flags, pool, effect, errors);
}

HRESULT WINAPI D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE module, const char* resource,
                                             const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                             ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors)
{
    return d3dx_runtime.D3DXCreateEffectFromResourceA(device, module, resource, defines, include, flags, pool, effect,
                                                      errors);
}

HRESULT WINAPI D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mip_levels,
                               WINBOOL italic, DWORD charset, DWORD precision, DWORD quality, DWORD pitch_and_family,
                               const char* face, ID3DXFont** font)
{
    return d3dx_runtime.D3DXCreateFontA(device, height, width, weight, mip_levels, italic, charset, precision, quality,
                                        pitch_and_family, face, font);
}

HRESULT WINAPI D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite)
{
    return d3dx_runtime.D3DXCreateSprite(device, sprite);
}

HRESULT WINAPI D3DXFilterTexture(IDirect3DBaseTexture9* texture, const PALETTEENTRY* palette, UINT source_level,
                                 DWORD filter)
{
    return d3dx_runtime.D3DXFilterTexture(texture, palette, source_level, filter);
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                                      const D3DXVECTOR3* up)
{
    return d3dx_runtime.D3DXMatrixLookAtLH(out, eye, at, up);
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b)
{
    return d3dx_runtime.D3DXMatrixMultiply(out, a, b);
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fov_y, FLOAT aspect, FLOAT near_z, FLOAT far_z)
{
    return d3dx_runtime.D3DXMatrixPerspectiveFovLH(out, fov_y, aspect, near_z, far_z);
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle) { return d3dx_runtime.D3DXMatrixRotationX(out, angle); }
D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle) { return d3dx_runtime.D3DXMatrixRotationY(out, angle); }
D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle) { return d3dx_runtime.D3DXMatrixRotationZ(out, angle); }

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z)
{
    return d3dx_runtime.D3DXMatrixScaling(out, x, y, z);
}
