// The arithmetic of the image pipeline, kept apart from Direct3D: which part
// of a photo is loaded, and how the upload walks the mip chain in bands.
#pragma once
#include <stdint.h>

// Rectangle in pixels, right and bottom exclusive (as a Win32 RECT).
struct PixelRect {
    int32_t left, top, right, bottom;
};

// The largest square centred in a width x height image. When the difference
// of the sides is odd, the pixel left over is dropped on the right or bottom.
// Sides beyond the int32 range are clamped first.
PixelRect centred_square(uint32_t width, uint32_t height);

// One call of the banded upload, for a cursor (level, row) over a texture
// whose level 0 is size x size.
struct UploadBand {
    int32_t side;        // side of the cursor's level
    PixelRect rows;      // the band to copy: whole width, rows clipped to the level
    int32_t next_level;  // cursor after the call
    int32_t next_row;
    bool finished;       // the call completes the 1x1 level
};

// Texels of one band: 128 KiB at 4 bytes a texel, whatever the photo's size.
const int32_t upload_band_texels = 32 * 1024;

// Band height is upload_band_texels / size rows at level 0 (32 for 1024, 16
// for 2048), scaled up by the level's reduction, so that every band moves
// upload_band_texels until a band covers a whole level; each smaller level is
// one band. size 1024 takes 50 calls, 2048 178, 4096 690.
UploadBand upload_band(int32_t size, int32_t level, int32_t row);

// Calls of upload_band from the reset cursor to the one that finishes, for a
// texture whose level 0 is size x size (0 for a size below 1).
int32_t upload_call_count(int32_t size);
