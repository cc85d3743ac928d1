// The load job under Wine with a real device: what reaches the staging
// texture, and what a file that cannot be decoded leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/slideshow.h"
#include "wine_helpers.h"

namespace {

struct Colour {
    const char* name;
    int r, g, b;
};
const Colour red{"red", 255, 0, 0}, lime{"lime", 0, 255, 0}, blue{"blue", 0, 0, 255}, yellow{"yellow", 255, 255, 0},
    magenta{"magenta", 255, 0, 255};
const Colour palette[] = {red, lime, blue, yellow, magenta};

// The palette colour nearest to texel (x, y) of a BGRA level.
const char* nearest(const std::vector<uint8_t>& level, int side, int x, int y)
{
    const uint8_t* p = &level[(size_t(y) * side + x) * 4];
    const Colour* best = nullptr;
    int best_d = 1 << 30;
    for (const Colour& c : palette) {
        int d = (p[2] - c.r) * (p[2] - c.r) + (p[1] - c.g) * (p[1] - c.g) + (p[0] - c.b) * (p[0] - c.b);
        if (d < best_d) best_d = d, best = &c;
    }
    return best->name;
}

class LoadJob : public ::testing::Test {
protected:
    TestDevice dev;
    ImageLoadTask task{};  // zeroed

    void SetUp() override
    {
        ASSERT_TRUE(dev.create());
        task.orientation = 1;
        ASSERT_GE(dev.device->CreateTexture(photo_size, photo_size, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                            &task.staging, nullptr), 0);
        ASSERT_EQ(task.staging->GetLevelCount(), 11u);
    }
    void TearDown() override
    {
        if (task.staging) task.staging->Release();
    }

    // Runs the job as the worker would and checks that it completed.
    void load(const std::string& path, bool with_device = true)
    {
        std::snprintf(task.path, sizeof task.path, "%s", path.c_str());
        int32_t before = task.loaded_count;
        task.done_flag = false;
        DWORD start = GetTickCount();
        EXPECT_TRUE(task.run(with_device ? dev.device : nullptr));
        EXPECT_LT(GetTickCount() - start, 20000u) << path;
        EXPECT_TRUE(load_acquire(&task.done_flag)) << path;
        EXPECT_EQ(task.loaded_count, before + 1) << path;
    }

    // Level 0 holds the four quadrants of the photo's centred square, stretched
    // over the whole texture; none of the magenta margins shows.
    void expect_quadrants(const char* what)
    {
        std::vector<uint8_t> level(photo_size * photo_size * 4);
        ASSERT_TRUE(read_texture_level(task.staging, 0, level.data()));
        int wrong = 0;
        for (int y = 0; y < photo_size; y += 8) {
            for (int x = 0; x < photo_size; x += 8) {
                // Leave out the seams between quadrants, where filters blend.
                if (std::abs(x - 512) < 24 || std::abs(y - 512) < 24) continue;
                const char* want = y < 512 ? (x < 512 ? "red" : "lime") : (x < 512 ? "blue" : "yellow");
                if (std::strcmp(nearest(level, photo_size, x, y), want) != 0 && ++wrong <= 5)
                    ADD_FAILURE() << what << ": texel " << x << "," << y << " is "
                                  << nearest(level, photo_size, x, y) << ", expected " << want;
            }
        }
        // The outermost rows and columns: the square reaches every edge.
        for (int i = 0; i < photo_size; i += 4) {
            for (auto [x, y] : {std::pair{0, i}, {photo_size - 1, i}, {i, 0}, {i, photo_size - 1}})
                if (std::strcmp(nearest(level, photo_size, x, y), "magenta") == 0 && ++wrong <= 10)
                    ADD_FAILURE() << what << ": margin colour at " << x << "," << y;
        }
        EXPECT_EQ(wrong, 0) << what;
    }

    // Each texel of a lower level lies within the range of the level 0 texels
    // it covers (with a one-texel rim and a small rounding allowance): the
    // chain was filtered down from the new level 0, nothing is left over.
    void expect_mips_follow_level0()
    {
        auto levels = texture_levels(task.staging);
        const std::vector<uint8_t>& base = levels[0];
        for (size_t l = 1; l < levels.size(); ++l) {
            int side = photo_size >> l, scale = 1 << l, bad = 0;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    int x0 = std::max(0, x * scale - 1), x1 = std::min(photo_size, (x + 1) * scale + 1);
                    int y0 = std::max(0, y * scale - 1), y1 = std::min(photo_size, (y + 1) * scale + 1);
                    // Sample the footprint sparsely on the big levels.
                    int step = std::max(1, scale / 16);
                    for (int c = 0; c < 3; ++c) {
                        int lo = 255, hi = 0;
                        for (int yy = y0; yy < y1; yy += step)
                            for (int xx = x0; xx < x1; xx += step) {
                                int v = base[(size_t(yy) * photo_size + xx) * 4 + c];
                                lo = std::min(lo, v), hi = std::max(hi, v);
                            }
                        int v = levels[l][(size_t(y) * side + x) * 4 + c];
                        if ((v < lo - 3 || v > hi + 3) && ++bad <= 3)
                            ADD_FAILURE() << "level " << l << " texel " << x << "," << y << " channel " << c << " = "
                                          << v << " outside " << lo << ".." << hi;
                    }
                }
            }
            EXPECT_EQ(bad, 0) << "level " << l;
        }
    }
};

TEST_F(LoadJob, CentredSquareFillsLevelZeroAndTheChainFollows)
{
    load(data_file("wide.jpg"));  // 480 x 320
    expect_quadrants("wide");
    expect_mips_follow_level0();
    EXPECT_EQ(task.orientation, 1);

    load(data_file("tall.jpg"));  // 320 x 480
    expect_quadrants("tall");
    expect_mips_follow_level0();

    load(data_file("small.jpg"), false);  // 300 x 200: enlarged; the device found through the texture
    expect_quadrants("small");
    expect_mips_follow_level0();
}

TEST_F(LoadJob, OrientationIsReadForEveryPhoto)
{
    load(data_file("grey_orient6.jpg"));  // a one-channel JPEG
    EXPECT_EQ(task.orientation, 6);
    std::vector<uint8_t> level(photo_size * photo_size * 4);
    ASSERT_TRUE(read_texture_level(task.staging, 0, level.data()));
    for (size_t i = 0; i < level.size(); i += 4 * 4099)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(level[i + c], 128, 6) << i;
    // The next photo has no EXIF data: it must not inherit the 6.
    load(data_file("wide.jpg"));
    EXPECT_EQ(task.orientation, 1);
    task.orientation = 6;
    load(data_file("no such file.jpg"));
    EXPECT_EQ(task.orientation, 1);
}

TEST_F(LoadJob, UndecodableFilesLeaveThePreviousPhoto)
{
    load(data_file("tall.jpg"));
    auto previous = texture_levels(task.staging);

    std::vector<uint8_t> photo = read_file_bytes(data_file("small.jpg"));
    ASSERT_GT(photo.size(), 1000u);

    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    cases.push_back({"empty", {}});
    std::string text = "This is a text file with a .jpg name.\r\n";
    cases.push_back({"text", std::vector<uint8_t>(text.begin(), text.end())});
    cases.push_back({"cut after the headers", std::vector<uint8_t>(photo.begin(), photo.begin() + 700)});
    cases.push_back({"only the first bytes", std::vector<uint8_t>(photo.begin(), photo.begin() + 40)});
    // The frame header claims 65535 x 65535 pixels for the same small data.
    std::vector<uint8_t> huge = photo;
    size_t sof = 0;
    for (size_t i = 2; i + 9 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    std::fill(huge.begin() + sof + 5, huge.begin() + sof + 9, uint8_t(0xFF));
    cases.push_back({"65535 x 65535", huge});

    for (auto& [name, bytes] : cases) {
        std::string path = temp_file("bad");
        write_file_bytes(path, bytes);
        task.orientation = 6;
        load(path);
        EXPECT_EQ(task.orientation, 1) << name;
        auto now = texture_levels(task.staging);
        for (size_t l = 0; l < now.size(); ++l)
            EXPECT_TRUE(now[l] == previous[l]) << name << ": level " << l << " changed";
        DeleteFileA(path.c_str());
    }
    load(data_file("no such file.jpg"));
    EXPECT_TRUE(texture_levels(task.staging) == previous);
}

TEST_F(LoadJob, NoStagingTextureStillCompletes)
{
    task.staging->Release();
    task.staging = nullptr;
    load(data_file("grey_orient6.jpg"));
    EXPECT_EQ(task.orientation, 6);
}

} // namespace
