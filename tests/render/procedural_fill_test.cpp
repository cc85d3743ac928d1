// Lens profile, colour grid and plasma noise, written through a PixelView.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/support.h"
#include "render/procedural_fill.h"

namespace {

// A 1024 x 1024 level with some padding at the end of every row, so that a
// mix-up of pitch and width shows.
struct Level {
    static const int32_t pitch = 4 * 1024 + 64;
    std::vector<unsigned char> bytes;
    explicit Level(int32_t rows = 1024, unsigned char fill = 0xA5) : bytes(size_t(pitch) * rows, fill) {}
    PixelView view() { return {bytes.data(), pitch}; }
    unsigned char at(int32_t x, int32_t y, int32_t c) const { return bytes[size_t(y) * pitch + 4 * x + c]; }
};

// A seed whose first draw has the given low byte.
uint32_t seed_with_first_byte(uint32_t byte)
{
    for (uint32_t s = 1;; ++s) {
        seed_random(s);
        if ((next_random() & 0xFF) == byte) return s;
    }
}

uint32_t state_after_draws(uint32_t seed, int draws)
{
    seed_random(seed);
    for (int i = 0; i < draws; ++i) next_random();
    return rng_state;
}

} // namespace

TEST(Lens, ProfileValuesAndRows)
{
    const int32_t columns[] = {0, 1, 100, 101, 256, 512, 768, 1000, 1023};
    const int expected[] = {106, 106, 106, 107, 111, 128, 153, 183, 187};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(lens_alpha(columns[k]), expected[k]) << columns[k];
    for (int32_t i = 2; i < 1024; ++i) {
        ASSERT_GE(lens_alpha(i), lens_alpha(i - 1)) << i;
        double b = i / 1024.0;
        ASSERT_NEAR(lens_alpha(i), 255 * (1 + b * b) / (1 + std::sqrt(2 + b * b)), 0.51) << i;
    }

    Level level(2);
    fill_lens_profile(level.view());
    for (int32_t i = 0; i < 1024; ++i) {
        ASSERT_EQ(level.at(i, 0, 3), lens_alpha(i));
        ASSERT_EQ(level.at(i, 1, 3), lens_alpha(i));
        for (int c = 0; c < 3; ++c) ASSERT_EQ(level.at(i, 0, c), 0xA5);
    }
    EXPECT_EQ(level.bytes[4 * 1024], 0xA5); // row padding untouched
}

TEST(Grid, BandsCellsAndAlpha)
{
    EXPECT_EQ(grid_band(0), 0);
    EXPECT_EQ(grid_band(341), 0);
    EXPECT_EQ(grid_band(342), 1);
    EXPECT_EQ(grid_band(682), 1);
    EXPECT_EQ(grid_band(683), 2);
    EXPECT_EQ(grid_band(1023), 2);
    for (int32_t t = 0; t < 1024; ++t) ASSERT_EQ(grid_band(t), 3 * t / 1024) << t;

    Level level;
    fill_colour_grid(level.view());
    struct Probe {
        int32_t x, y;
        unsigned char b, g, r;
    };
    const Probe probes[] = {
        {0, 0, 0, 0, 255},         {341, 0, 0, 0, 255},     {342, 0, 255, 255, 255},   {683, 0, 0, 255, 255},
        {0, 1023, 255, 0, 0},      {512, 512, 0, 255, 0},   {1023, 1023, 0, 255, 255}, {0, 512, 0, 255, 255},
        {1023, 512, 255, 255, 255}, {512, 1023, 255, 255, 255},
    };
    for (const Probe& p : probes) {
        EXPECT_EQ(level.at(p.x, p.y, 0), p.b) << p.x << "," << p.y;
        EXPECT_EQ(level.at(p.x, p.y, 1), p.g) << p.x << "," << p.y;
        EXPECT_EQ(level.at(p.x, p.y, 2), p.r) << p.x << "," << p.y;
    }
    for (int32_t y = 0; y < 1024; ++y)
        for (int32_t x = 0; x < 1024; ++x) ASSERT_EQ(level.at(x, y, 3), 0);
    EXPECT_EQ(level.bytes[4 * 1024], 0xA5);
}

TEST(Noise, ReproducibleChannelsAndDrawCount)
{
    // A seed whose four corners of both channels come out non-zero.
    uint32_t seed = 12345;
    for (;; ++seed) {
        seed_random(seed);
        bool zero = false;
        for (int k = 0; k < 4; ++k) zero |= (next_random() & 0xFF) == 0;
        for (int k = 0; k < 700070; ++k) next_random();
        for (int k = 0; k < 4; ++k) zero |= (next_random() & 0xFF) == 0;
        if (!zero) break;
    }
    Level first, second;
    seed_random(seed);
    fill_disp_noise(first.view());
    EXPECT_EQ(rng_state, state_after_draws(seed, 1400148));
    seed_random(seed);
    fill_disp_noise(second.view());
    EXPECT_TRUE(first.bytes == second.bytes);

    long long steps = 0, pairs = 0;
    for (int32_t y = 0; y < 1024; ++y) {
        for (int32_t x = 0; x < 1024; ++x) {
            ASSERT_NE(first.at(x, y, 0), 0) << x << "," << y;
            ASSERT_NE(first.at(x, y, 1), 0) << x << "," << y;
            ASSERT_EQ(first.at(x, y, 2), 0);
            ASSERT_EQ(first.at(x, y, 3), 0);
            if (x > 0) {
                steps += std::abs(first.at(x, y, 1) - first.at(x - 1, y, 1));
                ++pairs;
            }
        }
        ASSERT_EQ(first.bytes[size_t(y) * Level::pitch + 4096], 0xA5); // padding untouched
    }
    // Plasma, not white noise: neighbours are close on average.
    EXPECT_LT(double(steps) / pairs, 3.0);
    // The corners are the first four draws of each channel.
    seed_random(seed);
    EXPECT_EQ(first.at(0, 0, 0), next_random() & 0xFF);
    EXPECT_EQ(first.at(1023, 0, 0), next_random() & 0xFF);
}

TEST(Noise, MidpointRules)
{
    Level level(4);
    PixelView view = level.view();
    const int32_t a[2] = {0, 0}, b[2] = {1023, 0}, t[2] = {511, 0};

    // A set midpoint is kept and costs no draw.
    *view.byte_at(0, 0, 0) = 10;
    *view.byte_at(1023, 0, 0) = 20;
    *view.byte_at(511, 0, 0) = 77;
    seed_random(99);
    set_edge_midpoint(view, 0, t, a, b);
    EXPECT_EQ(level.at(511, 0, 0), 77);
    EXPECT_EQ(rng_state, 99u);

    // Average of the ends plus the offset: r = 128 gives no offset.
    *view.byte_at(511, 0, 0) = 0;
    seed_random(seed_with_first_byte(128));
    set_edge_midpoint(view, 0, t, a, b);
    EXPECT_EQ(level.at(511, 0, 0), 15);

    // Far below zero is stored as 1.
    *view.byte_at(0, 0, 0) = 1;
    *view.byte_at(1023, 0, 0) = 1;
    *view.byte_at(511, 0, 0) = 0;
    seed_random(seed_with_first_byte(0));
    set_edge_midpoint(view, 0, t, a, b);
    EXPECT_EQ(level.at(511, 0, 0), 1);

    // Above 255 wraps: (127 * 1023 * 0.123 + 510 * 64) / 128 = 379.8 -> 380 -> 124.
    *view.byte_at(0, 0, 0) = 255;
    *view.byte_at(1023, 0, 0) = 255;
    *view.byte_at(511, 0, 0) = 0;
    seed_random(seed_with_first_byte(255));
    set_edge_midpoint(view, 0, t, a, b);
    EXPECT_EQ(level.at(511, 0, 0), 124);

    // The bottom edge runs from right to left: its negative span mirrors the offset.
    const int32_t br[2] = {1023, 3}, bl[2] = {0, 3}, bt[2] = {511, 3};
    *view.byte_at(1023, 3, 0) = 128;
    *view.byte_at(0, 3, 0) = 128;
    *view.byte_at(511, 3, 0) = 0;
    seed_random(seed_with_first_byte(255));
    set_edge_midpoint(view, 0, bt, br, bl);
    // (127 * -1023 * 0.123 + 256 * 64) / 128 = 3.15
    EXPECT_EQ(level.at(511, 3, 0), 3);
}
