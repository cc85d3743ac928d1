#include <gtest/gtest.h>

#include <vector>

#include "pipeline/geometry.h"

namespace {

void expect_rect(PixelRect r, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST(CentredSquare, PhotoShapes)
{
    expect_rect(centred_square(4000, 3000), 500, 0, 3500, 3000);
    expect_rect(centred_square(3000, 4000), 0, 500, 3000, 3500);
    expect_rect(centred_square(800, 800), 0, 0, 800, 800);
    // An odd difference drops the pixel left over on the right or bottom.
    expect_rect(centred_square(1001, 1000), 0, 0, 1000, 1000);
    expect_rect(centred_square(1000, 1003), 0, 1, 1000, 1001);
    // Smaller than the texture: the square is enlarged later.
    expect_rect(centred_square(300, 200), 50, 0, 250, 200);
    // Extreme sizes stay inside the int32 range of a RECT.
    expect_rect(centred_square(65535, 65535), 0, 0, 65535, 65535);
    PixelRect huge = centred_square(0xFFFFFFFFu, 2);
    EXPECT_GE(huge.left, 0);
    EXPECT_EQ(huge.right - huge.left, 2);
}

// Runs the upload from a reset cursor and records every call.
std::vector<UploadBand> schedule(int32_t size)
{
    std::vector<UploadBand> calls;
    int32_t level = 0, row = 0;
    for (int guard = 0; guard < 10000; ++guard) {
        UploadBand b = upload_band(size, level, row);
        calls.push_back(b);
        level = b.next_level;
        row = b.next_row;
        if (b.finished) break;
    }
    return calls;
}

TEST(UploadBand, FullPhotoTakesFiftyCalls)
{
    std::vector<UploadBand> calls = schedule(1024);
    ASSERT_EQ(calls.size(), 50u);
    for (size_t i = 0; i + 1 < calls.size(); ++i) EXPECT_FALSE(calls[i].finished) << i;

    auto cursor_after = [&](size_t call) { return std::make_pair(calls[call - 1].next_level, calls[call - 1].next_row); };
    EXPECT_EQ(cursor_after(31), std::make_pair(0, 992));
    EXPECT_EQ(cursor_after(32), std::make_pair(1, 0));
    EXPECT_EQ(cursor_after(40), std::make_pair(2, 0));
    EXPECT_EQ(cursor_after(42), std::make_pair(3, 0));
    EXPECT_EQ(cursor_after(50), std::make_pair(11, 0));
    EXPECT_TRUE(calls[49].finished);

    // Level 3's band is 256 rows but the level has only 128.
    const UploadBand& level3 = calls[42];
    EXPECT_EQ(level3.side, 128);
    EXPECT_EQ(level3.rows.top, 0);
    EXPECT_EQ(level3.rows.bottom, 128);
    EXPECT_EQ(level3.rows.right, 128);

    // Levels 0 to 2 move the same amount per call.
    for (size_t i = 0; i < 42; ++i)
        EXPECT_EQ((calls[i].rows.bottom - calls[i].rows.top) * calls[i].rows.right, 32768) << i;
}

TEST(UploadBand, LargerPhotosKeepTheBandBytes)
{
    // 2048: 16 rows a band at level 0 and 128 + 32 + 8 + 2 calls before the
    // levels that fit one band; 4096: 8 rows.
    struct Case {
        int32_t size, first_rows, calls;
    } cases[] = {{1024, 32, 50}, {2048, 16, 178}, {4096, 8, 690}};
    for (const Case& c : cases) {
        std::vector<UploadBand> calls = schedule(c.size);
        ASSERT_EQ(int32_t(calls.size()), c.calls) << c.size;
        EXPECT_EQ(upload_call_count(c.size), c.calls);
        EXPECT_EQ(calls[0].rows.bottom, c.first_rows);
        for (size_t i = 0; i + 1 < calls.size(); ++i) ASSERT_FALSE(calls[i].finished) << c.size << " call " << i;
        EXPECT_TRUE(calls.back().finished);
        EXPECT_EQ(calls.back().side, 1);
        // No band is larger than 128 KiB; every band is that large until the
        // levels that fit one.
        for (const UploadBand& b : calls) {
            int32_t texels = (b.rows.bottom - b.rows.top) * b.rows.right;
            ASSERT_LE(texels, upload_band_texels);
            if (b.side * b.side > upload_band_texels) ASSERT_EQ(texels, upload_band_texels) << c.size;
        }
    }
    EXPECT_EQ(upload_call_count(0), 0);
    EXPECT_EQ(upload_call_count(1), 1);
}

TEST(UploadBand, EveryRowOfEveryLevelIsCopiedOnce)
{
    for (int32_t size = 1; size <= 4096; size *= 2) {
        std::vector<UploadBand> calls = schedule(size);
        ASSERT_TRUE(calls.back().finished) << size;
        EXPECT_EQ(upload_call_count(size), int32_t(calls.size())) << size;
        std::vector<std::vector<int>> seen;
        for (int32_t s = size; s > 0; s /= 2) seen.emplace_back(s, 0);
        int32_t level = 0;
        for (const UploadBand& b : calls) {
            ASSERT_LT(size_t(level), seen.size());
            ASSERT_EQ(b.rows.right, size >> level);
            for (int32_t y = b.rows.top; y < b.rows.bottom; ++y) ++seen[level][y];
            level = b.next_level;
        }
        EXPECT_EQ(size_t(level), seen.size()) << size;
        for (const auto& rows : seen)
            for (int count : rows) EXPECT_EQ(count, 1) << size;
    }
}

TEST(UploadBand, CursorPastTheChainFinishesWithoutCopying)
{
    UploadBand b = upload_band(1024, 11, 0);
    EXPECT_TRUE(b.finished);
    EXPECT_EQ(b.rows.bottom - b.rows.top, 0);
    EXPECT_TRUE(upload_band(1024, 40, 0).finished);
    EXPECT_TRUE(upload_band(1024, -1, 0).finished);
}

} // namespace
