// The lens profile, the colour grid and the displacement noise textures.
#include "render/gpu.h"

#include "render/procedural_fill.h"

namespace {

// Locks level 0 of a texture as a PixelView; false when the lock fails.
bool lock_level(IDirect3DTexture9* texture, PixelView* view)
{
    D3DLOCKED_RECT locked;
    if (texture->LockRect(0, &locked, nullptr, 0) < 0) return false;
    view->bits = static_cast<unsigned char*>(locked.pBits);
    view->pitch = locked.Pitch;
    return true;
}

} // namespace

bool create_lens_texture(GpuObjects* gpu)
{
    IDirect3DTexture9*& lens_texture = gpu->lens_texture;
    lens_texture = create_texture(gpu->device, lens_width, lens_height, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 1);
    if (!lens_texture) return false;
    PixelView view;
    if (!lock_level(lens_texture, &view)) return false;
    // Only alpha is sampled; the colour bytes are zeroed so the texture is the
    // same on every run.
    for (int32_t y = 0; y < lens_height; ++y) mem_fill(view.byte_at(0, y, 0), 0, 4 * lens_width);
    fill_lens_profile(view);
    lens_texture->UnlockRect(0);
    return true;
}

bool create_rubik_texture(GpuObjects* gpu)
{
    IDirect3DTexture9*& rubik_texture = gpu->rubik_texture;
    rubik_texture = create_texture(gpu->device, pattern_size, pattern_size, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    if (!rubik_texture) return false;
    PixelView view;
    if (!lock_level(rubik_texture, &view)) return false;
    fill_colour_grid(view);
    rubik_texture->UnlockRect(0);
    D3DXFilterTexture(rubik_texture, nullptr, 0, D3DX_DEFAULT);
    return true;
}

bool create_disp_texture(GpuObjects* gpu)
{
    IDirect3DTexture9*& disp_texture = gpu->disp_texture;
    disp_texture = create_texture(gpu->device, pattern_size, pattern_size, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    if (!disp_texture) return false;
    PixelView view;
    if (!lock_level(disp_texture, &view)) return false;
    fill_disp_noise(view);
    disp_texture->UnlockRect(0);
    D3DXFilterTexture(disp_texture, nullptr, 0, D3DX_DEFAULT);
    return true;
}
