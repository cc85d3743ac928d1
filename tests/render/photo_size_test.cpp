#include <gtest/gtest.h>

#include "render/photo_size.h"

TEST(PhotoTextureSize, FromTheScreenHeightWithinTheCaps)
{
    struct Case {
        uint32_t height, max_width, max_height, size;
    } cases[] = {
        {600, 8192, 8192, 1024},    {1024, 8192, 8192, 1024}, {1137, 8192, 8192, 1024},
        {1138, 8192, 8192, 2048},   {1200, 8192, 8192, 2048}, {1440, 8192, 8192, 2048},
        {1600, 8192, 8192, 2048},   {2160, 8192, 8192, 2048}, {2275, 8192, 8192, 2048},
        {2276, 8192, 8192, photo_size_max}, {4320, 16384, 16384, photo_size_max},
        {0, 8192, 8192, 1024},      {0xFFFFFFFFu, 0, 0, photo_size_max},
        // The adapter's limits, the smaller of the two, powers of two below them.
        {2160, 2048, 8192, 2048},   {1440, 8192, 1024, 1024}, {4320, 3000, 3000, 2048},
        {4320, 4096, 4096, photo_size_max},
        // Below what shader model 2.0 guarantees, or not known: never under 1024.
        {2160, 512, 512, 1024},     {2160, 0, 0, 2048},
    };
    for (const Case& c : cases)
        EXPECT_EQ(photo_texture_size(c.height, c.max_width, c.max_height), c.size)
            << c.height << " on " << c.max_width << "x" << c.max_height;
}

TEST(PhotoTextureSize, BytesWithTheMipChain)
{
    EXPECT_EQ(photo_texture_bytes(1), 4u);
    EXPECT_EQ(photo_texture_bytes(1024), 5592404u);
    // size^2 x 4 x 4/3, less a little.
    EXPECT_EQ(photo_texture_bytes(4096), (uint64_t(4096) * 4096 * 16 - 4) / 3 + 0);
}
