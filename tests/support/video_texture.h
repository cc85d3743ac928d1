// Reading back textures that cannot be locked (D3DPOOL_DEFAULT) by drawing
// one mip level texel for texel into a render target.
#pragma once
#include <d3d9.h>

// BGRA bytes of level `level` (side n: n * n * 4 bytes); false on failure.
// Leaves render target 0 and the depth buffer as they were.
bool read_video_texture_level(IDirect3DDevice9* device, IDirect3DTexture9* texture, UINT level, unsigned char* out);

// A system-memory texture of the given size, every level filled with one colour.
IDirect3DTexture9* make_filled_texture(IDirect3DDevice9* device, UINT size, D3DCOLOR colour);

// Fills every level of a video-memory texture with one colour.
bool fill_video_texture(IDirect3DDevice9* device, IDirect3DTexture9* texture, D3DCOLOR colour);
