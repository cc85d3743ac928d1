// Contents of the three textures the effect samples besides the photo, written
// into level 0 of a locked texture. Single precision throughout; every float to
// integer conversion goes through round_to_int.
#pragma once
#include <stdint.h>

#include "pixel_view.h"

const int32_t lens_width = 1024;
const int32_t lens_height = 2;
const int32_t pattern_size = 1024;

// Lens profile value of column i (0..1023): non-decreasing from 106 to 187.
uint8_t lens_alpha(int32_t i);
// Writes the profile into the alpha byte of both rows; other bytes untouched.
void fill_lens_profile(PixelView view);

// Band 0..2 of a row or column of the 3 x 3 colour grid.
int32_t grid_band(int32_t t);
// Writes the colour grid into every byte of a 1024 x 1024 level (alpha 0).
void fill_colour_grid(PixelView view);

// Plasma noise in the blue and green bytes of a 1024 x 1024 level; red and
// alpha are 0. Draws from the shared generator in a fixed order.
void fill_disp_noise(PixelView view);
void fill_noise_channel(PixelView view, int32_t channel);
void subdivide(PixelView view, int32_t channel, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// Sets the midpoint `target` of the edge from a to b, unless already set.
// Points are {x, y}.
void set_edge_midpoint(PixelView view, int32_t channel, const int32_t target[2], const int32_t a[2],
                       const int32_t b[2]);
