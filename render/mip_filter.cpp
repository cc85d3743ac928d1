#include "mip_filter.h"

void box_filter_level(const uint8_t* above, int32_t above_pitch, uint32_t width, uint32_t height, uint8_t* below,
                      int32_t below_pitch)
{
    uint32_t w = mip_size(width), h = mip_size(height);
    for (uint32_t y = 0; y < h; ++y) {
        uint32_t y0 = height > 1 ? 2 * y : 0, y1 = y0 + 1 < height ? y0 + 1 : y0;
        const uint8_t* r0 = above + static_cast<intptr_t>(y0) * above_pitch;
        const uint8_t* r1 = above + static_cast<intptr_t>(y1) * above_pitch;
        uint8_t* out = below + static_cast<intptr_t>(y) * below_pitch;
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t x0 = width > 1 ? 2 * x : 0, x1 = x0 + 1 < width ? x0 + 1 : x0;
            for (uint32_t c = 0; c < 4; ++c) {
                uint32_t sum = r0[4 * x0 + c] + r0[4 * x1 + c] + r1[4 * x0 + c] + r1[4 * x1 + c];
                out[4 * x + c] = static_cast<uint8_t>((sum + 2) / 4);
            }
        }
    }
}
