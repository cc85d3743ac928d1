// libFuzzer target for the JPEG header reader and the format check: any file, read through a byte
// source that hands out at most a few bytes per call now and then, as a file
// read may.
#include <stddef.h>
#include <stdint.h>

#include "pipeline/photo_header.h"

namespace {

struct Chunked {
    const uint8_t* data;
    uint64_t size;
    uint32_t limit;  // largest answer to one read, 0 for none
    static uint32_t read(void* context, uint64_t offset, uint8_t* buffer, uint32_t count)
    {
        const Chunked* c = static_cast<const Chunked*>(context);
        if (offset >= c->size) return 0;
        uint64_t n = c->size - offset < count ? c->size - offset : count;
        if (c->limit && n > c->limit) n = c->limit;
        for (uint64_t i = 0; i < n; ++i) buffer[i] = c->data[offset + i];
        return static_cast<uint32_t>(n);
    }
};

uint8_t room[jpeg_segment_room];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    JpegHeader header;
    Chunked whole{data, size, 0};
    jpeg_read_header(ByteSource{&Chunked::read, &whole}, room, &header);
    if (header.complete && (header.frame_marker < 0xC0 || header.components == 0)) __builtin_trap();
    bool decodable = jpeg_decodable(header, pixel_budget_64);
    if (decodable && (header.width == 0 || header.height == 0)) __builtin_trap();
    // Short reads never make a broken file look complete.
    Chunked pieces{data, size, size ? 1u + data[0] % 7 : 1u};
    JpegHeader cut;
    jpeg_read_header(ByteSource{&Chunked::read, &pieces}, room, &cut);
    if (cut.complete && !header.complete) __builtin_trap();
    // The format's own header: a JPEG is admitted exactly when its chain is.
    PhotoHeader photo;
    photo_read_header(ByteSource{&Chunked::read, &whole}, room, pixel_budget_64, &photo);
    if (photo.format == PHOTO_JPEG && photo.admitted != decodable) __builtin_trap();
    return 0;
}
