// The side of the photo textures (the faces, the spare, the staging texture
// and the faces' system-memory copies): as sharp as the screen the face
// nearly fills, within what the adapter and the address space hold.
#pragma once
#include <stdint.h>

// Today's texture and the smallest: screens up to about 1138 pixels tall.
const uint32_t photo_size_min = 1024;
// 4096 takes about 0.6 GiB of system and video memory per monitor; a 32-bit
// process keeps to 2048 (about 150 MiB), leaving room in its address space.
const uint32_t photo_size_max = sizeof(void*) == 4 ? 2048 : 4096;

// The smallest power of two at least 0.9 x monitor_height, never below
// photo_size_min, and at most the adapter's largest texture side (the
// smaller of its width and height limits) and photo_size_max. Limits of 0
// (not known) count as no limit; an adapter below photo_size_min still gets
// photo_size_min, which every device of shader model 2.0 makes.
uint32_t photo_texture_size(uint32_t monitor_height, uint32_t max_texture_width, uint32_t max_texture_height);

// Bytes of one photo texture of side `size` with its full mip chain.
uint64_t photo_texture_bytes(uint32_t size);
