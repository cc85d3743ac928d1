#include "photo_size.h"

uint32_t photo_texture_size(uint32_t monitor_height, uint32_t max_texture_width, uint32_t max_texture_height)
{
    uint32_t cap = photo_size_max;
    if (max_texture_width != 0 && max_texture_width < cap) cap = max_texture_width;
    if (max_texture_height != 0 && max_texture_height < cap) cap = max_texture_height;
    // 0.9 x height, rounded up, in whole numbers: 10 x size >= 9 x height.
    const uint64_t wanted = static_cast<uint64_t>(monitor_height) * 9;
    uint32_t size = photo_size_min;
    while (size * 2 <= cap && static_cast<uint64_t>(size) * 10 < wanted) size *= 2;
    return size;
}

uint64_t photo_texture_bytes(uint32_t size)
{
    uint64_t total = 0;
    for (uint64_t side = size; side > 0; side /= 2) total += side * side * 4;
    return total;
}
