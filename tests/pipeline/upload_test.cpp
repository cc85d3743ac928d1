// The banded upload under Wine with a real device.
#include <gtest/gtest.h>

#include "app/slideshow.h"
#include "wine_helpers.h"

namespace {

// Fills every level with a pattern of its own, so that a band copied into the
// wrong rows or level shows.
void fill_levels(IDirect3DTexture9* texture)
{
    for (DWORD l = 0; l < texture->GetLevelCount(); ++l) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(l, &desc);
        D3DLOCKED_RECT lr;
        ASSERT_GE(texture->LockRect(l, &lr, nullptr, 0), 0);
        for (UINT y = 0; y < desc.Height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch);
            for (UINT x = 0; x < desc.Width; ++x) row[x] = 0xFF000000u | ((x * 7 + y * 131 + l * 4099) * 2654435761u >> 8);
        }
        texture->UnlockRect(l);
    }
}

class Upload : public ::testing::Test {
protected:
    TestDevice dev;
    ImageLoadTask task{};

    void SetUp() override { ASSERT_TRUE(dev.create()); }
    void TearDown() override
    {
        if (task.staging) task.staging->Release();
        if (task.target) task.target->Release();
    }
    IDirect3DTexture9* staging_texture(UINT levels)
    {
        IDirect3DTexture9* t = nullptr;
        EXPECT_GE(dev.device->CreateTexture(photo_size_min, photo_size_min, levels, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &t,
                                            nullptr), 0);
        if (t) fill_levels(t);
        return t;
    }
    // A video-memory texture like a face's, dynamic so the test can read it.
    IDirect3DTexture9* target_texture()
    {
        IDirect3DTexture9* t = nullptr;
        EXPECT_GE(dev.device->CreateTexture(photo_size_min, photo_size_min, 0, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8,
                                            D3DPOOL_DEFAULT, &t, nullptr), 0);
        return t;
    }
    // Calls upload_step until it reports the end; the number of calls.
    int run_upload()
    {
        task.upload_row = 0;
        task.upload_level = 0;
        for (int call = 1; call <= 100; ++call)
            if (task.upload_step(dev.device, photo_size_min)) return call;
        return -1;
    }
};

TEST_F(Upload, FiftyCallsCopyTheWholeChain)
{
    task.staging = staging_texture(0);
    task.target = target_texture();
    ASSERT_TRUE(task.staging && task.target);

    struct Stop {
        int call, level, row;
    };
    const Stop stops[] = {{31, 0, 992}, {32, 1, 0}, {40, 2, 0}, {42, 3, 0}, {43, 4, 0}, {49, 10, 0}};
    int call = 0;
    for (const Stop& s : stops) {
        while (call < s.call) {
            ++call;
            ASSERT_FALSE(task.upload_step(dev.device, photo_size_min)) << "call " << call;
        }
        EXPECT_EQ(task.upload_level, s.level) << "after call " << call;
        EXPECT_EQ(task.upload_row, s.row) << "after call " << call;
    }
    EXPECT_TRUE(task.upload_step(dev.device, photo_size_min));
    EXPECT_EQ(task.upload_level, 11);
    EXPECT_EQ(task.upload_row, 0);

    auto source = texture_levels(task.staging);
    auto copied = texture_levels(task.target);
    ASSERT_EQ(copied.size(), 11u);
    for (size_t l = 0; l < source.size(); ++l) {
        ASSERT_FALSE(copied[l].empty());
        EXPECT_TRUE(copied[l] == source[l]) << "level " << l;
    }
}

TEST_F(Upload, MissingTexturesOrLevelsAreSkippedButCounted)
{
    // No target (a device reset that could not re-create it): nothing to copy.
    task.staging = staging_texture(0);
    EXPECT_EQ(run_upload(), 50);

    // A staging texture without lower levels: level 0 still arrives.
    task.staging->Release();
    task.staging = staging_texture(1);
    task.target = target_texture();
    EXPECT_EQ(run_upload(), 50);
    auto source = texture_levels(task.staging);
    auto copied = texture_levels(task.target);
    EXPECT_TRUE(copied[0] == source[0]);

    task.staging->Release();
    task.staging = nullptr;
    EXPECT_EQ(run_upload(), 50);
    EXPECT_EQ(run_upload(), 50);
}

} // namespace
