// The scaling filter against a double-precision tent filter of the same
// definition, written out independently here.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "pipeline/resample.h"

namespace {

// Weights of destination texel i: (source pixel, weight), normalised.
using Weights = std::vector<std::vector<std::pair<uint32_t, double>>>;
Weights reference_weights(uint32_t source, uint32_t dest)
{
    double s = double(source) / dest, radius = std::max(s, 1.0);
    Weights w(dest);
    for (uint32_t i = 0; i < dest; ++i) {
        double centre = (i + 0.5) * s, total = 0;
        for (uint32_t j = 0; j < source; ++j) {
            if (j + 0.5 < centre - radius - 1) j = uint32_t(centre - radius - 1);  // skip to the tent
            if (j + 0.5 > centre + radius + 1) break;
            double v = std::max(0.0, 1.0 - std::fabs(j + 0.5 - centre) / radius);
            if (v > 0) w[i].push_back({j, v}), total += v;
        }
        for (auto& p : w[i]) p.second /= total;
    }
    return w;
}

struct Image {
    uint32_t width, height, bpp;
    std::vector<uint8_t> bytes;
    const uint8_t* row(uint32_t y) const { return &bytes[size_t(y) * width * bpp]; }
};

// dw x dh x 3 doubles, across then down.
std::vector<double> reference(const Image& src, uint32_t dw, uint32_t dh)
{
    auto wx = reference_weights(src.width, dw), wy = reference_weights(src.height, dh);
    std::vector<double> across(size_t(src.height) * dw * 3, 0.0), out(size_t(dh) * dw * 3, 0.0);
    for (uint32_t y = 0; y < src.height; ++y)
        for (uint32_t x = 0; x < dw; ++x)
            for (auto [j, w] : wx[x])
                for (int c = 0; c < 3; ++c) across[(size_t(y) * dw + x) * 3 + c] += w * src.row(y)[j * src.bpp + c];
    for (uint32_t y = 0; y < dh; ++y)
        for (auto [j, w] : wy[y])
            for (size_t i = 0; i < size_t(dw) * 3; ++i) out[size_t(y) * dw * 3 + i] += w * across[size_t(j) * dw * 3 + i];
    return out;
}

// Working memory of exactly the size the filter asks for, 16-byte aligned.
struct Work {
    std::vector<uint64_t> words;
    size_t bytes;
    Work(uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh)
        : words(resample_work_bytes(sw, sh, dw, dh) / 8 + 2), bytes(resample_work_bytes(sw, sh, dw, dh))
    {
    }
    void* data() { return reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(words.data()) + 15) & ~uintptr_t(15)); }
};

// Runs the filter, pushing the source in strips of random heights.
std::vector<uint8_t> run(const Image& src, uint32_t dw, uint32_t dh, std::mt19937& rng)
{
    Resampler r;
    Work work(src.width, src.height, dw, dh);
    std::vector<uint8_t> dest(size_t(dw) * dh * 4, 0);
    EXPECT_TRUE(resample_begin(&r, src.width, src.height, dw, dh, work.data(), work.bytes));
    uint32_t y = 0, written = 0;
    while (y < src.height) {
        uint32_t n = std::min<uint32_t>(src.height - y, 1 + rng() % 40);
        written = resample_push(&r, src.row(y), size_t(src.width) * src.bpp, n, src.bpp, dest.data(), size_t(dw) * 4);
        y += n;
    }
    EXPECT_EQ(written, dh);
    return dest;
}

TEST(Resample, MatchesTheReferenceWithinOneAtAwkwardRatios)
{
    struct Case {
        uint32_t sw, sh, dw, dh, bpp;
    } cases[] = {
        {1024, 1024, 1024, 1024, 4},  // 1:1
        {1536, 1024, 1024, 1024, 4},  // 3:2 both ways
        {1024, 1536, 1024, 1024, 3},
        {1, 1021, 1024, 1024, 4},     // 1 x N and N x 1
        {1021, 1, 1024, 1024, 4},
        {1009, 1013, 1024, 1024, 3},  // prime, enlarged by a hair
        {4093, 3001, 1021, 1019, 4},  // prime, reduced 4 and 3 times
        {2, 2, 1024, 1024, 4},
        {32, 45, 2, 3, 4},
        {16384, 7, 1024, 3, 4},       // the largest reduction the filter takes
    };
    std::mt19937 rng(11);
    for (const Case& c : cases) {
        Image src{c.sw, c.sh, c.bpp, std::vector<uint8_t>(size_t(c.sw) * c.sh * c.bpp)};
        // Noise over smooth ramps: every tap counts.
        for (size_t i = 0; i < src.bytes.size(); ++i) src.bytes[i] = uint8_t((rng() % 3 ? i * 7 / 5 : rng()));
        auto got = run(src, c.dw, c.dh, rng);
        auto want = reference(src, c.dw, c.dh);
        double worst = 0;
        int bad = 0;
        for (size_t t = 0; t < size_t(c.dw) * c.dh; ++t) {
            for (int ch = 0; ch < 3; ++ch) {
                double d = std::fabs(got[t * 4 + ch] - want[t * 3 + ch]);
                worst = std::max(worst, d);
                if (d > 1.0 && ++bad <= 3) ADD_FAILURE() << c.sw << "x" << c.sh << " texel " << t << " off by " << d;
            }
            if (got[t * 4 + 3] != 255 && ++bad <= 3) ADD_FAILURE() << "texel " << t << " not opaque";
        }
        EXPECT_EQ(bad, 0) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << ", worst " << worst;
    }
}

TEST(Resample, OnePixelStripesBecomeGrey)
{
    // The centred 3000 x 3000 square of a 4100 x 3000 photo: one-pixel stripes
    // across (blue), down (green) and a checkerboard (red). A point sampler
    // gives 0 or 255. The tent of a 2.93x reduction, sampled at the pixels,
    // does not cancel the stripes exactly: its residue is at most 13.7 levels
    // (worked out over every texel's phase); fixed point adds at most 1.
    const uint32_t width = 4100, side = 3000, left = (width - side) / 2;
    Image src{side, side, 4, std::vector<uint8_t>(size_t(side) * side * 4)};
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = &src.bytes[(size_t(y) * side + x) * 4];
            p[0] = (x + left) % 2 ? 255 : 0;
            p[1] = y % 2 ? 255 : 0;
            p[2] = (x + left + y) % 2 ? 255 : 0;
        }
    std::mt19937 rng(3);
    auto got = run(src, 1024, 1024, rng);
    int worst = 0;
    for (size_t t = 0; t < got.size(); t += 4)
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(2 * got[t + c] - 255));
    EXPECT_LE(worst, 2 * 15) << "largest distance from 127.5, doubled";
}

TEST(BoxHalve, EachTexelIsTheRoundedMeanOfFour)
{
    std::mt19937 rng(5);
    for (uint32_t side : {1u, 2u, 7u, 512u}) {
        size_t pitch = side * 8 + 12, out_pitch = side * 4 + 4;  // rows padded, as a locked level may be
        std::vector<uint8_t> above(pitch * side * 2), below(out_pitch * side, 0xEE);
        for (auto& v : above) v = uint8_t(rng());
        box_halve(above.data(), pitch, below.data(), out_pitch, side);
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t i = 0; i < side * 4; ++i) {
                const uint8_t* a = &above[2 * y * pitch + (i / 4) * 8 + i % 4];
                ASSERT_EQ(below[y * out_pitch + i], (a[0] + a[4] + a[pitch] + a[pitch + 4] + 2) / 4) << side;
            }
        EXPECT_EQ(below[out_pitch - 1], 0xEE) << "padding untouched";
    }
}

TEST(Resample, SizesOutsideTheTablesAreRefused)
{
    Resampler r;
    auto begin = [&](uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh) {
        Work work(sw, sh, dw, dh);
        return resample_work_bytes(sw, sh, dw, dh) != 0 && resample_begin(&r, sw, sh, dw, dh, work.data(), work.bytes);
    };
    EXPECT_FALSE(begin(0, 10, 10, 10));
    EXPECT_FALSE(begin(10, 10, 4097, 10));
    EXPECT_FALSE(begin(16385, 10, 1024, 10));
    EXPECT_FALSE(begin(10, 0xFFFFFFFFu, 10, 1024));
    EXPECT_TRUE(begin(16384, 16384, 1024, 1024));
    // Memory one byte short is refused, not overrun.
    Work work(3000, 3000, 1024, 1024);
    EXPECT_FALSE(resample_begin(&r, 3000, 3000, 1024, 1024, work.data(), work.bytes - 1));
}

TEST(Resample, WorkMemoryFitsStagingLevelOneWithRoomForTheStrip)
{
    // The decode keeps the tables and the ring in level 1 of the staging
    // texture (a quarter of level 0) and decodes strips into the rest: for a
    // texture of every size, the worst reduction left (16384 x 16384, the
    // pixel budget's square) leaves room for many rows of it.
    for (uint32_t size : {1024u, 2048u, 4096u}) {
        const size_t level1 = size_t(size / 2) * (size / 2) * 4;
        size_t work = resample_work_bytes(16384, 16384, size, size);
        ASSERT_GT(work, 0u) << size;
        EXPECT_GE(level1 - work, size_t(16384) * 4 * 8) << size << ": fewer than 8 rows of strip";
        // The usual decode, a reduced JPEG under twice the size, leaves most of it.
        EXPECT_LT(resample_work_bytes(2 * size - 1, 2 * size - 1, size, size), level1 / 3) << size;
    }
    // 1024 keeps the strip room it had with fixed tables for 1024 (about 590 KiB).
    EXPECT_LE(resample_work_bytes(16384, 16384, 1024, 1024), size_t(1024) * 1024 / 2);
}

TEST(Resample, LargeDestinationsMatchTheReference)
{
    // A 2048 and a 4096 texture from photos a little larger, in a band of
    // rows (the filter's tables and ring at those widths), checked row by row.
    std::mt19937 rng(7);
    for (uint32_t size : {2048u, 4096u}) {
        Image src{size * 3 / 2, 24, 4, std::vector<uint8_t>(size_t(size * 3 / 2) * 24 * 4)};
        for (auto& v : src.bytes) v = uint8_t(rng());
        auto got = run(src, size, 16, rng);
        auto want = reference(src, size, 16);
        int bad = 0;
        for (size_t t = 0; t < size_t(size) * 16; ++t)
            for (int ch = 0; ch < 3; ++ch)
                if (std::fabs(got[t * 4 + ch] - want[t * 3 + ch]) > 1.0) ++bad;
        EXPECT_EQ(bad, 0) << size;
    }
}

} // namespace
