#include "photo_header.h"

namespace {

const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t big_endian_32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

// A PNG's frame header, the chunk that must come first: width, height, bit
// depth and colour type. Bits per pixel as the widest a decoder may expand
// it to (grey and palette images with transparency become four channels).
bool png_admitted(const uint8_t* head, uint32_t size, uint64_t budget)
{
    // Signature, length 13, "IHDR", width, height, depth, colour type.
    if (size < 26 || big_endian_32(head + 8) != 13 || head[12] != 'I' || head[13] != 'H' || head[14] != 'D' ||
        head[15] != 'R')
        return false;
    uint32_t width = big_endian_32(head + 16), height = big_endian_32(head + 20), depth = head[24];
    uint8_t colour = head[25];
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return false;
    if (colour != 0 && colour != 2 && colour != 3 && colour != 4 && colour != 6) return false;
    return frame_decodable(width, height, depth * 4, budget);
}

} // namespace

bool frame_decodable(uint32_t width, uint32_t height, uint32_t bits_per_pixel, uint64_t budget)
{
    const uint32_t widest = 128;
    if (bits_per_pixel == 0 || bits_per_pixel > widest) bits_per_pixel = widest;
    if (width == 0 || height == 0 || width > 65535 || height > 65535) return false;
    if (!within_pixel_budget(width, height, budget)) return false;
    uint64_t row = (static_cast<uint64_t>(width) * bits_per_pixel + 7) / 8;
    return row * height <= 0xFFFFFFFFu;
}

void photo_read_header(ByteSource source, uint8_t* room, uint64_t budget, PhotoHeader* header)
{
    // The PNG signature and its frame header.
    uint8_t head[26];
    uint32_t got = source.read(source.context, 0, head, sizeof head);
    header->admitted = false;
    if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8) {
        header->format = PHOTO_JPEG;
        jpeg_read_header(source, room, &header->jpeg);
        header->admitted = jpeg_decodable(header->jpeg, budget);
        return;
    }
    // Not a JPEG: no marker chain, no orientation from it.
    clear_jpeg_header(&header->jpeg);
    bool png = got >= sizeof png_signature;
    for (uint32_t i = 0; png && i < sizeof png_signature; ++i) png = head[i] == png_signature[i];
    if (png) {
        header->format = PHOTO_PNG;
        header->admitted = png_admitted(head, got, budget);
        return;
    }
    header->format = PHOTO_OTHER;
    header->admitted = got > 0;
}
