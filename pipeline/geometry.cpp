#include "geometry.h"

PixelRect centred_square(uint32_t width, uint32_t height)
{
    const uint32_t limit = 0x7FFFFFFF;
    int32_t w = static_cast<int32_t>(width > limit ? limit : width);
    int32_t h = static_cast<int32_t>(height > limit ? limit : height);
    PixelRect r;
    if (w > h) {
        r.left = (w - h) / 2;
        r.top = 0;
        r.right = r.left + h;
        r.bottom = h;
    } else {
        r.left = 0;
        r.top = (h - w) / 2;
        r.right = w;
        r.bottom = r.top + w;
    }
    return r;
}

UploadBand upload_band(int32_t size, int32_t level, int32_t row)
{
    UploadBand b;
    // A level past the chain (or a negative cursor) has side 0: nothing to copy.
    bool in_chain = level >= 0 && level < 31;
    b.side = in_chain ? size >> level : 0;
    int32_t rows = size > 0 && size < upload_band_texels ? upload_band_texels / size : 1;
    // rows << level while it fits, else more than any level has.
    int32_t height = in_chain && level < 31 && rows <= (0x7FFFFFFF >> level) ? rows << level : 0x7FFFFFFF;
    b.rows.left = 0;
    b.rows.right = b.side;
    b.rows.top = row;
    b.rows.bottom = row < b.side - height ? row + height : b.side;
    int32_t next = row < 0x7FFFFFFF - height ? row + height : 0x7FFFFFFF;
    if (next < b.side) {
        b.next_level = level;
        b.next_row = next;
        b.finished = false;
    } else {
        b.next_level = level + 1;
        b.next_row = 0;
        b.finished = in_chain ? (size >> (level + 1)) == 0 : true;
    }
    return b;
}

int32_t upload_call_count(int32_t size)
{
    if (size < 1) return 0;
    int32_t calls = 0;
    for (int32_t level = 0; level < 31 && (size >> level) > 0; ++level) {
        UploadBand first = upload_band(size, level, 0);
        int32_t height = first.rows.bottom - first.rows.top;
        calls += first.next_level == level ? (first.side + height - 1) / height : 1;
    }
    return calls;
}
