// One mip level made from the level above it by a box filter: each texel of
// four bytes is the mean of the 2 x 2 texels it covers, byte by byte, rounded
// to nearest with halves up. Where the level above is a single texel wide or
// high, the mean of the 2 x 1 or 1 x 2 texels; an odd last column or row of
// the level above is read twice.
#pragma once
#include <stdint.h>

// Size of the level below one of `size` texels: half, but at least 1.
inline uint32_t mip_size(uint32_t size) { return size > 1 ? size / 2 : 1; }

void box_filter_level(const uint8_t* above, int32_t above_pitch, uint32_t width, uint32_t height, uint8_t* below,
                      int32_t below_pitch);
