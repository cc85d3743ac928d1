// The photo's scaling filter: a separable triangle (tent) filter whose support
// grows with the reduction, as a well-kept resampler does it. Weights are
// worked out once per destination column and row in 15-bit fixed point; the
// source is pushed through in strips of rows, filtered across into a small
// ring of rows at 7 extra bits of precision, and each destination row is
// filtered down and written as soon as the rows under it have arrived. No
// second copy of the source is kept and no pixel needs a division; both
// passes multiply pairs of 16-bit values (SSE2, which every x86 target of the
// program has). Plain code over plain data: the caller provides all memory.
#pragma once
#include <stddef.h>
#include <stdint.h>

// The largest photo texture.
const uint32_t resample_max_dest = 4096;
// Sources up to 16 times the destination per axis: a 16384 x 16384 square
// for the 1024 x 1024 texture, the most the pixel budget lets through.
const uint32_t resample_max_ratio = 16;
// A tent of radius r source pixels covers at most 2r + 1 of them.
const uint32_t resample_max_taps = 2 * resample_max_ratio + 2;
const uint32_t resample_weight_one = 1u << 15;

// The source pixels under one destination texel along one axis.
struct ResampleTaps {
    int32_t first;
    uint32_t count;
    // Sum exactly resample_weight_one, except that a lone weight of one is
    // kept as one less (it must fit 16 signed bits): 1/128 of a level.
    int16_t weight[resample_max_taps];
};

// The filter's state. Its tables and its ring of rows filtered across (rows
// awaiting the vertical pass) lie in working memory the caller provides,
// sized by the destination and the reduction (resample_work_bytes).
struct Resampler {
    uint32_t source_width, source_height, dest_width, dest_height;
    uint32_t rows_in;     // source rows pushed so far
    uint32_t rows_out;    // destination rows written so far
    ResampleTaps* columns;  // dest_width entries
    ResampleTaps* rows;     // dest_height entries
    int16_t* ring;          // ring_rows rows of ring_row values
    uint32_t ring_rows;     // at least the most taps of a destination row
    uint32_t ring_row;      // four values a texel, an even count of texels
};

// Weights of one axis. Destination texel i is centred at (i + 0.5) * s in
// source coordinates (s = source / dest); the tent has radius max(s, 1)
// source pixels (linear interpolation when enlarging). Taps outside the
// source are left out and the rest renormalised. False when a side is 0, the
// destination is larger than resample_max_dest or the source more than
// resample_max_ratio times the destination.
bool resample_axis(uint32_t source, uint32_t dest, ResampleTaps* taps);

// Bytes of working memory resample_begin needs for a source of sw x sh
// pixels and a destination of dw x dh (16-byte aligned blocks); 0 when the
// filter does not take those sides.
size_t resample_work_bytes(uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh);

// Prepares `r` for a source of sw x sh pixels and a destination of dw x dh,
// with `work` (16-byte aligned, `work_bytes` long) for its tables and ring.
// False when the sides are refused or the memory is too small.
bool resample_begin(Resampler* r, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh, void* work, size_t work_bytes);

// Pushes the next `count` source rows (`stride` bytes apart, `bytes_per_pixel`
// 3 or 4, blue green red first, as many pixels as source_width). Destination
// rows are written to `dest` (row y at dest + y * dest_pitch, 4 bytes a texel:
// blue, green, red, 255) as they complete. Returns the number of destination rows written so far; all of them
// once the last source row was pushed.
uint32_t resample_push(Resampler* r, const uint8_t* rows, size_t stride, uint32_t count,
                       uint32_t bytes_per_pixel, uint8_t* dest, size_t dest_pitch);

// One level of the mip chain from the one above: each texel the rounded mean
// of the 2 x 2 texels it covers (a box filter), all four bytes. `side` is the
// side of the new level; source rows are `source_pitch` bytes apart.
void box_halve(const uint8_t* source, size_t source_pitch, uint8_t* dest, size_t dest_pitch, uint32_t side);
