// What a file's first bytes let through to a decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "jpeg_bytes.h"
#include "pipeline/photo_header.h"

namespace {

// Reads a copy in a block of exactly the bytes' size (the address sanitizer
// sees any read past the end).
PhotoHeader read(const std::vector<uint8_t>& bytes, uint64_t budget = pixel_budget_64)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    MemorySource memory{copy.get(), uint32_t(bytes.size())};
    std::unique_ptr<uint8_t[]> room(new uint8_t[jpeg_segment_room]);
    PhotoHeader h;
    photo_read_header(memory.source(), room.get(), budget, &h);
    return h;
}

std::vector<uint8_t> png(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour)
{
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
    b.insert(b.end(), {depth, colour, 0, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF});
    return b;
}

TEST(PhotoHeader, FormatFromTheFirstBytes)
{
    JpegBytes j;
    j.exif(tiff_block(false, camera_ifd(6))).frame(0xC0, 4000, 3000).scan();
    PhotoHeader h = read(j.bytes);
    EXPECT_TRUE(h.format == PHOTO_JPEG && h.admitted && h.jpeg.orientation == 6);
    // A JPEG is only ever a JPEG: a broken one is offered to no other decoder.
    h = read({0xFF, 0xD8, 0x00, 0x01});
    EXPECT_TRUE(h.format == PHOTO_JPEG && !h.admitted);
    EXPECT_EQ(read(png(640, 480, 8, 2)).format, PHOTO_PNG);
    for (const char* other : {"GIF89a", "BM", "II*", "\0\0\0\x18" "ftypheic", "\x89PNG"}) {
        h = read(std::vector<uint8_t>(other, other + std::strlen(other) + 1));
        EXPECT_TRUE(h.format == PHOTO_OTHER && h.admitted && h.jpeg.orientation == 1) << other;
    }
    EXPECT_FALSE(read({}).admitted);
}

TEST(PhotoHeader, PngFrameHeaderWithinTheBudget)
{
    struct Case {
        uint32_t width, height;
        uint8_t depth, colour;
        bool admitted;
    } cases[] = {
        {4000, 3000, 8, 2, true},       {16384, 16384, 8, 6, true}, {16384, 16384, 16, 6, true},
        {16385, 16384, 8, 6, false},    {65535, 4096, 8, 2, true},  {65536, 16384, 8, 6, false},
        {100000, 100, 8, 2, false},     {0, 10, 8, 2, false},       {10, 0, 8, 2, false},
        {1, 1, 1, 0, true},             {1, 1, 3, 0, false},        {1, 1, 8, 5, false},
        {0x7FFFFFFF, 0x7FFFFFFF, 8, 6, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(read(png(c.width, c.height, c.depth, c.colour)).admitted, c.admitted)
            << c.width << " x " << c.height << " depth " << int(c.depth) << " colour " << int(c.colour);
    EXPECT_FALSE(read(png(8192, 8192, 8, 2), pixel_budget_32 / 2).admitted);
    EXPECT_TRUE(read(png(8192, 8192, 8, 2), pixel_budget_32).admitted);

    // The frame header must come whole and first.
    std::vector<uint8_t> cut = png(640, 480, 8, 2);
    cut.resize(25);
    EXPECT_FALSE(read(cut).admitted);
    std::vector<uint8_t> other_chunk = png(640, 480, 8, 2);
    std::memcpy(&other_chunk[12], "gAMA", 4);
    EXPECT_FALSE(read(other_chunk).admitted);
}

TEST(PhotoHeader, FrameSidesBudgetAndBytes)
{
    struct Case {
        uint32_t width, height, bits;
        bool decodable;
    } cases[] = {
        {4000, 3000, 24, true},
        {65535, 4096, 32, true},
        {65536, 2, 32, false},       // a side past 16 bits, though the budget holds
        {1u << 27, 2, 32, false},
        {2, 65536, 32, false},
        {16384, 16384, 64, true},
        {16384, 16384, 128, false},  // 2^32 bytes
        {16384, 16384, 0, false},    // unknown: as wide as any
        {16384, 16383, 0, true},
        {16384, 16384, 999, false},
        {16385, 16384, 8, false},    // past the budget
        {0, 1, 8, false},
        {1, 0, 8, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frame_decodable(c.width, c.height, c.bits, pixel_budget_64), c.decodable)
            << c.width << " x " << c.height << " at " << c.bits;
    EXPECT_FALSE(frame_decodable(8193, 8192, 32, pixel_budget_32));
    EXPECT_TRUE(frame_decodable(8192, 8192, 32, pixel_budget_32));
}

} // namespace
