#include "procedural_fill.h"

#include <emmintrin.h>

#include "app/support.h"

namespace {

// Blue, green, red of the nine grid cells, row band by row band.
const uint8_t grid_colours[9][3] = {
    {0, 0, 255},     {255, 255, 255}, {0, 255, 255},   // red, white, yellow
    {0, 255, 255},   {0, 255, 0},     {255, 255, 255}, // yellow, green, white
    {255, 0, 0},     {255, 255, 255}, {0, 255, 255},   // blue, white, yellow
};

float square_root(float x) { return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(x))); }

} // namespace

uint8_t lens_alpha(int32_t i)
{
    int32_t n = i < 2 ? 1 : i;
    float b = static_cast<float>(n) * 0.0009765625f;
    float c = -2.0f / b;
    float d = 1.0f / (b * b) + 1.0f;
    // Positive root of d x^2 + c x - 1 = 0.
    float x = (square_root(c * c - d * -4.0f) - c) / (2.0f * d);
    return static_cast<uint8_t>(round_to_int(b / x * 255.0f));
}

void fill_lens_profile(PixelView view)
{
    for (int32_t i = 0; i < lens_width; ++i) {
        uint8_t alpha = lens_alpha(i);
        for (int32_t y = 0; y < lens_height; ++y) *view.byte_at(i, y, 3) = alpha;
    }
}

int32_t grid_band(int32_t t) { return round_to_int(static_cast<float>(t) * 0.0009765625f * 3.0f - 0.5f); }

void fill_colour_grid(PixelView view)
{
    for (int32_t y = 0; y < pattern_size; ++y) {
        int32_t row = 3 * grid_band(y);
        for (int32_t x = 0; x < pattern_size; ++x) {
            const uint8_t* colour = grid_colours[row + grid_band(x)];
            unsigned char* texel = view.byte_at(x, y, 0);
            texel[0] = colour[0];
            texel[1] = colour[1];
            texel[2] = colour[2];
            texel[3] = 0;
        }
    }
}

void fill_disp_noise(PixelView view)
{
    for (int32_t y = 0; y < pattern_size; ++y) mem_fill(view.byte_at(0, y, 0), 0, 4 * pattern_size);
    fill_noise_channel(view, 0);
    fill_noise_channel(view, 1);
}

void fill_noise_channel(PixelView view, int32_t channel)
{
    const int32_t last = pattern_size - 1;
    *view.byte_at(0, 0, channel) = static_cast<uint8_t>(next_random());
    *view.byte_at(last, 0, channel) = static_cast<uint8_t>(next_random());
    *view.byte_at(last, last, channel) = static_cast<uint8_t>(next_random());
    *view.byte_at(0, last, channel) = static_cast<uint8_t>(next_random());
    subdivide(view, channel, 0, 0, last, last);
}

void subdivide(PixelView view, int32_t channel, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    // Three quarters recurse; the bottom-right one continues in the loop, which
    // keeps the depth at about eleven calls.
    while (x1 - x0 > 1 || y1 - y0 > 1) {
        int32_t mx = (x0 + x1) / 2;
        int32_t my = (y0 + y1) / 2;
        const int32_t top[2] = {mx, y0}, right[2] = {x1, my}, bottom[2] = {mx, y1}, left[2] = {x0, my};
        const int32_t top_left[2] = {x0, y0}, top_right[2] = {x1, y0};
        const int32_t bottom_right[2] = {x1, y1}, bottom_left[2] = {x0, y1};
        set_edge_midpoint(view, channel, top, top_left, top_right);
        set_edge_midpoint(view, channel, right, top_right, bottom_right);
        set_edge_midpoint(view, channel, bottom, bottom_right, bottom_left);
        set_edge_midpoint(view, channel, left, top_left, bottom_left);

        unsigned char* centre = view.byte_at(mx, my, channel);
        if (*centre == 0) {
            int32_t sum = *view.byte_at(x0, y0, channel) + *view.byte_at(x1, y0, channel) +
                          *view.byte_at(x0, y1, channel) + *view.byte_at(x1, y1, channel);
            *centre = static_cast<uint8_t>(sum / 4);
        }

        subdivide(view, channel, x0, y0, mx, my);
        subdivide(view, channel, mx, y0, x1, my);
        subdivide(view, channel, x0, my, mx, y1);
        x0 = mx;
        y0 = my;
    }
}

void set_edge_midpoint(PixelView view, int32_t channel, const int32_t target[2], const int32_t a[2],
                       const int32_t b[2])
{
    unsigned char* t = view.byte_at(target[0], target[1], channel);
    if (*t != 0) return;
    int32_t r = static_cast<int32_t>(next_random() & 0xFF);
    // The span runs along the edge from a to b; the bottom edge's is negative.
    int32_t span = (b[0] + b[1]) - (a[0] + a[1]);
    int32_t p = (r - 128) * span;
    int32_t ends = (*view.byte_at(a[0], a[1], channel) + *view.byte_at(b[0], b[1], channel)) * 64;
    float value = (static_cast<float>(p) * 0.123f + static_cast<float>(ends)) * 0.0078125f;
    int32_t v = round_to_int(value);
    if (v < 1) v = 1;
    *t = static_cast<uint8_t>(v);
}
