// The JPEG header reader and the pixel budget.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "jpeg_bytes.h"
#include "pipeline/jpeg_header.h"

namespace {

// Reads a copy in a block of exactly the bytes' size (the address sanitizer
// sees any read past the end).
JpegHeader read(const std::vector<uint8_t>& bytes)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    MemorySource memory{copy.get(), uint32_t(bytes.size())};
    std::unique_ptr<uint8_t[]> room(new uint8_t[jpeg_segment_room]);
    JpegHeader h;
    jpeg_read_header(memory.source(), room.get(), &h);
    return h;
}

const std::vector<uint8_t> dqt(65, 0), dht(29, 0);

TEST(JpegHeader, EveryFrameKindGivesSizesAndComponents)
{
    for (uint8_t marker = 0xC0; marker <= 0xCF; ++marker) {
        bool frame = marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        JpegBytes j;
        j.jfif().exif(tiff_block(false, camera_ifd(6))).segment(0xDB, dqt);
        if (frame) j.frame(marker, 5120, 2880, 3);
        else j.segment(marker, dht);
        j.segment(0xC4, dht).scan();
        JpegHeader h = read(j.bytes);
        EXPECT_EQ(h.complete, frame) << std::hex << int(marker);
        EXPECT_EQ(h.orientation, 6);
        if (!frame) continue;
        EXPECT_EQ(h.frame_marker, marker);
        EXPECT_EQ(h.width, 5120u);
        EXPECT_EQ(h.height, 2880u);
        EXPECT_EQ(h.components, 3u);
        EXPECT_TRUE(jpeg_decodable(h, pixel_budget_32));
    }
    // Grey and CMYK; only the first frame header counts; fill bytes and
    // standalone markers on the way are allowed.
    JpegBytes j;
    j.frame(0xC2, 1, 1, 1);
    j.bytes.insert(j.bytes.end(), {0xFF, 0xFF, 0xFF, 0xD0, 0xFF, 0x01});
    j.frame(0xC0, 300, 200, 4).scan();
    JpegHeader h = read(j.bytes);
    EXPECT_TRUE(h.complete);
    EXPECT_EQ(h.width * 1000 + h.height * 10 + h.components, 1000u + 10 + 1);
}

TEST(JpegHeader, BrokenChainsAndEmptyFramesAreNotDecodable)
{
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'}});
    cases.push_back({"SOI only", {0xFF, 0xD8}});
    cases.push_back({"header only", JpegBytes().jfif().frame(0xC0, 640, 480).segment(0xC4, dht).bytes});
    cases.push_back({"no frame before the scan", JpegBytes().jfif().segment(0xC4, dht).scan().bytes});
    cases.push_back({"end of image first", JpegBytes().frame(0xC0, 640, 480).segment(0xD9, {}).scan().bytes});
    auto garbage = JpegBytes().frame(0xC0, 640, 480);
    garbage.bytes.push_back(0x00);
    cases.push_back({"garbage between segments", garbage.scan().bytes});
    auto past_end = JpegBytes().frame(0xC0, 640, 480).segment(0xE2, std::vector<uint8_t>(100, 1)).scan().bytes;
    for (size_t i = 2; i + 1 < past_end.size(); ++i)
        if (past_end[i] == 0xFF && past_end[i + 1] == 0xE2) past_end[i + 2] = 0x40;  // runs past the end
    cases.push_back({"segment past the end", past_end});
    auto short_length = JpegBytes().frame(0xC0, 640, 480).scan().bytes;
    short_length[4] = 0, short_length[5] = 1;
    cases.push_back({"length below 2", short_length});
    auto wrong_length = JpegBytes().frame(0xC0, 640, 480, 3).scan().bytes;
    wrong_length[5] = 8 + 3 * 2;  // the frame's length does not match its component count
    cases.push_back({"frame length", wrong_length});
    cases.push_back({"no components", JpegBytes().frame(0xC0, 640, 480, 0).scan().bytes});
    cases.push_back({"zero height", JpegBytes().frame(0xC0, 640, 0).scan().bytes});
    cases.push_back({"zero width", JpegBytes().frame(0xC1, 0, 480).scan().bytes});
    cases.push_back({"65535 x 65535", JpegBytes().frame(0xC0, 65535, 65535).scan().bytes});
    JpegBytes endless;
    for (int i = 0; i < 5000; ++i) endless.segment(0xEF, {});
    cases.push_back({"more markers than the limit", endless.frame(0xC0, 640, 480).scan().bytes});
    for (auto& [name, bytes] : cases) {
        JpegHeader h = read(bytes);
        EXPECT_FALSE(jpeg_decodable(h, pixel_budget_64)) << name;
    }
    // Every cut of a good header is safe and never complete.
    auto good = JpegBytes().jfif().exif(tiff_block(true, camera_ifd(3))).frame(0xC0, 64, 48).scan().bytes;
    size_t scan_at = good.size() - 7 - 10 + 1;  // up to the 0xFF of the start of scan
    for (size_t n = 0; n <= scan_at; ++n)
        EXPECT_FALSE(read(std::vector<uint8_t>(good.begin(), good.begin() + n)).complete) << n;
    EXPECT_TRUE(read(good).complete);
}

TEST(JpegHeader, ExifIsFoundBehindLargeSegments)
{
    // 100 KiB of ICC profile in two APP2 segments, then XMP, then EXIF, then
    // the frame: the orientation lies well past the first 64 KiB.
    JpegBytes j;
    j.jfif().segment(0xE2, std::vector<uint8_t>(51200, 0x11)).segment(0xE2, std::vector<uint8_t>(51200, 0x22));
    j.xmp().exif(tiff_block(false, camera_ifd(8))).exif(tiff_block(false, camera_ifd(3)));
    j.frame(0xC2, 4000, 3000).scan();
    JpegHeader h = read(j.bytes);
    EXPECT_TRUE(h.complete);
    EXPECT_EQ(h.orientation, 8);  // the first EXIF segment
    EXPECT_EQ(h.width, 4000u);
}

TEST(PixelBudget, BothBuildsAtTheirLimits)
{
    struct Case {
        uint32_t w, h;
        bool fits64, fits32;
    } cases[] = {
        {1, 1, true, true},
        {8192, 8192, true, true},          // exactly 2^26
        {8193, 8192, true, false},
        {11608, 8708, true, false},        // 101 megapixels, medium format
        {16384, 16384, true, false},       // exactly 2^28
        {16385, 16384, false, false},
        {30000, 30000, false, false},
        {65535, 65535, false, false},
        {1, 1u << 28, true, false},
        {0xFFFFFFFFu, 0xFFFFFFFFu, false, false},  // the product needs 64 bits
        {0xFFFFFFFFu, 1, false, false},
        {0, 100, false, false},
        {100, 0, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(within_pixel_budget(c.w, c.h, pixel_budget_64), c.fits64) << c.w << " x " << c.h;
        EXPECT_EQ(within_pixel_budget(c.w, c.h, pixel_budget_32), c.fits32) << c.w << " x " << c.h;
    }
    EXPECT_EQ(pixel_budget, sizeof(void*) == 8 ? pixel_budget_64 : pixel_budget_32);
}

} // namespace
