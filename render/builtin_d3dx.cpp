// The table of the program's own D3DX functions, with the mip filter and the
// matrices.
#include "builtin_d3dx.h"

#include "matrix.h"
#include "mip_filter.h"

namespace builtin {

const GUID iid_unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool same_iid(REFIID a, const GUID& b)
{
    const unsigned char* x = reinterpret_cast<const unsigned char*>(&a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(&b);
    for (unsigned i = 0; i < sizeof(GUID); ++i)
        if (x[i] != y[i]) return false;
    return true;
}

// Every level below source_level from the one above it, for textures of four
// bytes a texel that can be locked (managed and system memory). Whatever the
// filter asked for, a box filter: D3DX's default for power-of-two sizes.
HRESULT WINAPI filter_texture(IDirect3DBaseTexture9* base, const PALETTEENTRY*, UINT source_level, DWORD)
{
    if (!base || base->GetType() != D3DRTYPE_TEXTURE) return D3DERR_INVALIDCALL;
    IDirect3DTexture9* texture = static_cast<IDirect3DTexture9*>(base);
    if (source_level == D3DX_DEFAULT) source_level = 0;
    UINT levels = texture->GetLevelCount();
    if (source_level >= levels) return D3DERR_INVALIDCALL;
    for (UINT level = source_level + 1; level < levels; ++level) {
        D3DSURFACE_DESC above, below;
        if (texture->GetLevelDesc(level - 1, &above) < 0 || texture->GetLevelDesc(level, &below) < 0)
            return D3DERR_INVALIDCALL;
        bool four_bytes = above.Format == D3DFMT_A8R8G8B8 || above.Format == D3DFMT_X8R8G8B8;
        if (!four_bytes || below.Format != above.Format || below.Width != mip_size(above.Width) ||
            below.Height != mip_size(above.Height))
            return D3DERR_INVALIDCALL;
        D3DLOCKED_RECT from, to;
        if (texture->LockRect(level - 1, &from, nullptr, D3DLOCK_READONLY) < 0) return D3DERR_INVALIDCALL;
        if (texture->LockRect(level, &to, nullptr, 0) < 0) {
            texture->UnlockRect(level - 1);
            return D3DERR_INVALIDCALL;
        }
        box_filter_level(static_cast<const uint8_t*>(from.pBits), from.Pitch, above.Width, above.Height,
                         static_cast<uint8_t*>(to.pBits), to.Pitch);
        texture->UnlockRect(level);
        texture->UnlockRect(level - 1);
    }
    return D3D_OK;
}

} // namespace builtin

namespace {

Matrix4* plain(D3DXMATRIX* m) { return reinterpret_cast<Matrix4*>(m); }
const Matrix4& plain(const D3DXMATRIX* m) { return *reinterpret_cast<const Matrix4*>(m); }

D3DXMATRIX* WINAPI look_at_lh(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up)
{
    const float e[3] = {eye->x, eye->y, eye->z}, a[3] = {at->x, at->y, at->z}, u[3] = {up->x, up->y, up->z};
    matrix_look_at_lh(plain(out), e, a, u);
    return out;
}

D3DXMATRIX* WINAPI multiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b)
{
    matrix_multiply(plain(out), plain(a), plain(b));
    return out;
}

D3DXMATRIX* WINAPI perspective_fov_lh(D3DXMATRIX* out, FLOAT fov_y, FLOAT aspect, FLOAT near_z, FLOAT far_z)
{
    matrix_perspective_fov_lh(plain(out), fov_y, aspect, near_z, far_z);
    return out;
}

D3DXMATRIX* WINAPI rotation_x(D3DXMATRIX* out, FLOAT angle)
{
    matrix_rotation_x(plain(out), angle);
    return out;
}

D3DXMATRIX* WINAPI rotation_y(D3DXMATRIX* out, FLOAT angle)
{
    matrix_rotation_y(plain(out), angle);
    return out;
}

D3DXMATRIX* WINAPI rotation_z(D3DXMATRIX* out, FLOAT angle)
{
    matrix_rotation_z(plain(out), angle);
    return out;
}

D3DXMATRIX* WINAPI scaling(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z)
{
    matrix_scaling(plain(out), x, y, z);
    return out;
}

} // namespace

const D3DXRuntime builtin_d3dx = {
    builtin::create_effect,
    builtin::create_effect_from_resource,
    builtin::create_font,
    builtin::create_sprite,
    builtin::filter_texture,
    look_at_lh,
    multiply,
    perspective_fov_lh,
    rotation_x,
    rotation_y,
    rotation_z,
    scaling,
};
