// A locked texture level seen as bytes: texel (x, y) starts at
// bits + y * pitch + 4 * x, its bytes in the order blue, green, red, alpha.
#pragma once
#include <stdint.h>

struct PixelView {
    unsigned char* bits;
    int32_t pitch;

    unsigned char* byte_at(int32_t x, int32_t y, int32_t channel) const
    {
        return bits + static_cast<intptr_t>(y) * pitch + 4 * x + channel;
    }
};
