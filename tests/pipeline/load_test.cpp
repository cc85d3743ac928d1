// The load job under Wine with a real device: what reaches the staging
// texture, and what a file that cannot be decoded leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/atomic.h"
#include "app/slideshow.h"
#include "jpeg_bytes.h"
#include "pipeline/decode.h"
#include "wine_helpers.h"

namespace {

struct Colour {
    const char* name;
    int r, g, b;
};
const Colour red{"red", 255, 0, 0}, lime{"lime", 0, 255, 0}, blue{"blue", 0, 0, 255}, yellow{"yellow", 255, 255, 0},
    magenta{"magenta", 255, 0, 255}, black{"black", 0, 0, 0};
const Colour palette[] = {red, lime, blue, yellow, magenta, black};

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
    Slideshow* show = create_slideshow();
    ImageLoadTask& task = show->job.loader;
    HANDLE worker = nullptr;

    void SetUp() override
    {
        CoInitialize(nullptr);  // for the stand-in frame's test, which decodes on this thread
        ASSERT_TRUE(dev.create());
        ASSERT_GE(dev.device->CreateTexture(photo_size_min, photo_size_min, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                            &task.staging, nullptr), 0);
        ASSERT_EQ(task.staging->GetLevelCount(), 11u);
        worker = CreateThread(nullptr, 0, worker_thread_entry, &show->job, 0, nullptr);
        ASSERT_NE(worker, nullptr);
    }
    void TearDown() override
    {
        if (worker) {
            store_release(&show->job.quit, true);
            EXPECT_EQ(WaitForSingleObject(worker, 30000), WAIT_OBJECT_0);
            CloseHandle(worker);
        }
        if (task.staging) task.staging->Release();
        delete show;
    }

    // Hands the job to the real worker thread and waits for it to complete.
    void load(const std::string& path, bool with_device = true)
    {
        show->gpu.device = with_device ? dev.device : nullptr;
        std::snprintf(task.path, sizeof task.path, "%s", path.c_str());
        int32_t before = task.loaded_count;
        submit_task(&show->job, &task);
        DWORD start = GetTickCount();
        while (!load_acquire(&task.done_flag) && GetTickCount() - start < 20000) Sleep(1);
        ASSERT_TRUE(load_acquire(&task.done_flag)) << path;
        EXPECT_EQ(task.loaded_count, before + 1) << path;
    }

    // Whether level 0 holds the four quadrants of a photo's centred square.
    bool shows_quadrants()
    {
        std::vector<uint8_t> level(photo_size_min * photo_size_min * 4);
        read_texture_level(task.staging, 0, level.data());
        for (int y = 64; y < photo_size_min; y += 128)
            for (int x = 64; x < photo_size_min; x += 128) {
                const char* want = y < 512 ? (x < 512 ? "red" : "lime") : (x < 512 ? "blue" : "yellow");
                if (std::strcmp(nearest(level, photo_size_min, x, y), want) != 0) return false;
            }
        return true;
    }

    // Level 0 holds the four quadrants of the photo's centred square, stretched
    // over the whole texture; none of the magenta margins shows.
    void expect_quadrants(const char* what)
    {
        std::vector<uint8_t> level(photo_size_min * photo_size_min * 4);
        ASSERT_TRUE(read_texture_level(task.staging, 0, level.data()));
        int wrong = 0;
        for (int y = 0; y < photo_size_min; y += 8) {
            for (int x = 0; x < photo_size_min; x += 8) {
                // Leave out the seams between quadrants, where filters blend.
                if (std::abs(x - 512) < 24 || std::abs(y - 512) < 24) continue;
                const char* want = y < 512 ? (x < 512 ? "red" : "lime") : (x < 512 ? "blue" : "yellow");
                if (std::strcmp(nearest(level, photo_size_min, x, y), want) != 0 && ++wrong <= 5)
                    ADD_FAILURE() << what << ": texel " << x << "," << y << " is "
                                  << nearest(level, photo_size_min, x, y) << ", expected " << want;
            }
        }
        // The outermost rows and columns: the square reaches every edge.
        for (int i = 0; i < photo_size_min; i += 4) {
            for (auto [x, y] : {std::pair{0, i}, {photo_size_min - 1, i}, {i, 0}, {i, photo_size_min - 1}})
                if (std::strcmp(nearest(level, photo_size_min, x, y), "magenta") == 0 && ++wrong <= 10)
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
            int side = photo_size_min >> l, scale = 1 << l, bad = 0;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    int x0 = std::max(0, x * scale - 1), x1 = std::min<int>(photo_size_min, (x + 1) * scale + 1);
                    int y0 = std::max(0, y * scale - 1), y1 = std::min<int>(photo_size_min, (y + 1) * scale + 1);
                    // Sample the footprint sparsely on the big levels.
                    int step = std::max(1, scale / 16);
                    for (int c = 0; c < 3; ++c) {
                        int lo = 255, hi = 0;
                        for (int yy = y0; yy < y1; yy += step)
                            for (int xx = x0; xx < x1; xx += step) {
                                int v = base[(size_t(yy) * photo_size_min + xx) * 4 + c];
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
    // Into the chain the main thread locked before the hand-over: the job
    // writes there and leaves it locked for the main thread to give back.
    ASSERT_TRUE(lock_chain(task.staging, &task.chain));
    load(data_file("wide.jpg"));  // 480 x 320
    EXPECT_EQ(task.chain.count, 11u);
    unlock_chain(&task.chain);
    expect_quadrants("wide");
    expect_mips_follow_level0();
    EXPECT_EQ(task.orientation, 1);

    load(data_file("tall.jpg"));  // 320 x 480
    expect_quadrants("tall");
    expect_mips_follow_level0();

    load(data_file("small.jpg"), false);  // 300 x 200: enlarged; the job needs no device
    expect_quadrants("small");
    expect_mips_follow_level0();

    load(data_file("panorama.jpg"));  // 2000 x 100: 20:1
    expect_quadrants("panorama");
    load(data_file("progressive.jpg"));
    expect_quadrants("progressive");
}

// A photo with the given segments put in right after SOI.
std::string with_segments(const char* name, const JpegBytes& segments)
{
    std::vector<uint8_t> photo = read_file_bytes(data_file(name));
    photo.insert(photo.begin() + 2, segments.bytes.begin() + 2, segments.bytes.end());
    std::string path = temp_file("spliced");
    write_file_bytes(path, photo);
    return path;
}

TEST_F(LoadJob, OddButValidFilesShowOrKeepThePreviousPhoto)
{
    // EXIF behind 100 KiB of APP2 (two segments, as ICC profiles are split).
    JpegBytes big;
    big.segment(0xE2, std::vector<uint8_t>(51200, 0x11)).segment(0xE2, std::vector<uint8_t>(51200, 0x22));
    big.exif(tiff_block(false, camera_ifd(6)));
    std::string path = with_segments("wide.jpg", big);
    load(path);
    expect_quadrants("EXIF behind APP2");
    EXPECT_EQ(task.orientation, 6);
    DeleteFileA(path.c_str());

    // EXIF whose offsets point past the end of the file.
    JpegBytes wild;
    wild.exif(tiff_block(true, {{271, 2, 100, 0xFFFFFF00u}, {274, 3, 3, 0xFFFFFF00u}}, {}, 0xFFFFFFF0u));
    path = with_segments("tall.jpg", wild);
    task.orientation = 6;
    load(path);
    expect_quadrants("wild EXIF offsets");
    EXPECT_EQ(task.orientation, 1);
    DeleteFileA(path.c_str());

    load(data_file("one_pixel.jpg"));  // red, over every texel
    std::vector<uint8_t> level(photo_size_min * photo_size_min * 4);
    ASSERT_TRUE(read_texture_level(task.staging, 0, level.data()));
    for (size_t i = 0; i < level.size(); i += 4 * 997) EXPECT_STREQ(nearest(level, photo_size_min, int(i / 4 % photo_size_min), int(i / 4 / photo_size_min)), "red");

    // CMYK and a photo cut off halfway: the imaging component may decode them
    // (the cut one with its missing rows grey) or refuse them; either way the
    // job completes and the texture holds their square or the previous photo.
    load(data_file("wide.jpg"));
    auto previous = texture_levels(task.staging);
    load(data_file("cmyk.jpg"));
    EXPECT_TRUE(shows_quadrants() || texture_levels(task.staging) == previous) << "CMYK";
    std::vector<uint8_t> photo = read_file_bytes(data_file("small.jpg"));
    photo.resize(photo.size() / 2);
    path = temp_file("half");
    write_file_bytes(path, photo);
    load(data_file("wide.jpg"));
    load(path);
    auto now = texture_levels(task.staging);
    if (now != previous) {
        // The top of the square is the photo's.
        ASSERT_TRUE(read_texture_level(task.staging, 0, level.data()));
        EXPECT_STREQ(nearest(level, photo_size_min, 100, 100), "red");
        EXPECT_STREQ(nearest(level, photo_size_min, 900, 100), "lime");
    }
    DeleteFileA(path.c_str());
}

// A decoded frame that offers the decoder's own reduction, as Windows' JPEG
// decoder does: a 5000 x 3000 photo of quadrants with magenta margins, at
// 1/1, 1/2, 1/4 or 1/8 of its size, in the pixel format it is set up with.
class ReducingFrame : public IWICBitmapSource, public IWICBitmapSourceTransform {
public:
    GUID offered;                   // the format GetClosestPixelFormat answers
    UINT asked_width = 0, asked_height = 0;
    int reduced_copies = 0, plain_copies = 0;
    std::vector<std::pair<int, int>> rows;  // (first row, count) of every reduced copy
    bool outside_square = false;

    static constexpr UINT W = 5000, H = 3000;
    explicit ReducingFrame(const GUID& format) : offered(format) {}

    static uint32_t colour(UINT x, UINT y)  // 0x00RRGGBB at full size
    {
        if (x < (W - H) / 2 || x >= (W + H) / 2) return 0xFF00FF;
        bool right = x >= W / 2, bottom = y >= H / 2;
        return bottom ? (right ? 0xFFFF00 : 0x0000FF) : (right ? 0x00FF00 : 0xFF0000);
    }
    void fill(const WICRect* r, UINT scale, UINT bpp, UINT stride, BYTE* out)
    {
        for (INT y = 0; y < r->Height; ++y)
            for (INT x = 0; x < r->Width; ++x) {
                uint32_t c = colour((r->X + x) * scale, (r->Y + y) * scale);
                BYTE* p = out + y * stride + x * bpp;
                p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
                if (bpp == 4) p[3] = 255;
            }
    }

    // IUnknown: lives on the test's stack.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, iid_source_transform)) {
            *out = static_cast<IWICBitmapSourceTransform*>(this);
            return S_OK;
        }
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IWICBitmapSource)) {
            *out = static_cast<IWICBitmapSource*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IWICBitmapSource, at full size and 32-bit BGR.
    HRESULT STDMETHODCALLTYPE GetSize(UINT* w, UINT* h) override { return *w = W, *h = H, S_OK; }
    HRESULT STDMETHODCALLTYPE GetPixelFormat(GUID* f) override { return *f = GUID_WICPixelFormat32bppBGR, S_OK; }
    HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override { return *x = *y = 96, S_OK; }
    HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* r, UINT stride, UINT, BYTE* out) override
    {
        ++plain_copies;
        fill(r, 1, 4, stride, out);
        return S_OK;
    }

    // IWICBitmapSourceTransform
    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* r, UINT w, UINT h, GUID* format, WICBitmapTransformOptions t,
                                         UINT stride, UINT size, BYTE* out) override
    {
        UINT scale = W / w;
        UINT bpp = IsEqualGUID(*format, GUID_WICPixelFormat24bppBGR) ? 3 : 4;
        if (!IsEqualGUID(*format, offered) || t != WICBitmapTransformRotate0 || (W + scale - 1) / scale != w ||
            (H + scale - 1) / scale != h || stride < r->Width * bpp || size < stride * r->Height)
            return E_INVALIDARG;
        asked_width = w, asked_height = h;
        ++reduced_copies;
        rows.push_back({r->Y, r->Height});
        UINT left = (w - h) / 2;
        if (r->X != INT(left) || r->Width != INT(h) || r->Y < 0 || r->Y + r->Height > INT(h)) outside_square = true;
        fill(r, scale, bpp, stride, out);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* w, UINT* h) override
    {
        UINT scale = 8;
        while (scale > 1 && ((W + scale - 1) / scale < *w || (H + scale - 1) / scale < *h)) scale /= 2;
        *w = (W + scale - 1) / scale, *h = (H + scale - 1) / scale;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(GUID* format) override { return *format = offered, S_OK; }
    HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions t, BOOL* ok) override
    {
        return *ok = t == WICBitmapTransformRotate0, S_OK;
    }
};

TEST_F(LoadJob, DecoderReductionIsUsedWhereOffered)
{
    IWICImagingFactory* factory = nullptr;
    ASSERT_GE(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                               reinterpret_cast<void**>(&factory)), 0);
    for (const GUID& format : {GUID_WICPixelFormat32bppBGR, GUID_WICPixelFormat24bppBGR}) {
        ReducingFrame frame(format);
        LockedChain chain;
        ASSERT_TRUE(lock_chain(task.staging, &chain));
        ASSERT_TRUE(decode_square(factory, static_cast<IWICBitmapSource*>(&frame), chain));
        // Half size: the 1500-pixel square still covers 1024 texels, a
        // quarter's 750 would not.
        EXPECT_EQ(frame.asked_width, 2500u);
        EXPECT_EQ(frame.asked_height, 1500u);
        EXPECT_EQ(frame.plain_copies, 0);
        EXPECT_FALSE(frame.outside_square);
        int next = 0;
        for (auto [first, count] : frame.rows) {
            EXPECT_EQ(first, next);
            next += count;
        }
        EXPECT_EQ(next, 1500) << "every row of the square once, in order";
        build_mips(chain);
        unlock_chain(&chain);
        expect_quadrants("reduced");
        expect_mips_follow_level0();
    }
    // A format the filter cannot read: the full-size path through the converter.
    ReducingFrame grey(GUID_WICPixelFormat8bppGray);
    LockedChain chain;
    ASSERT_TRUE(lock_chain(task.staging, &chain));
    bool decoded = decode_square(factory, static_cast<IWICBitmapSource*>(&grey), chain);
    unlock_chain(&chain);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(grey.reduced_copies, 0);
    EXPECT_GT(grey.plain_copies, 0);
    expect_quadrants("converted");
    factory->Release();
}

TEST_F(LoadJob, OrientationIsReadForEveryPhoto)
{
    load(data_file("grey_orient6.jpg"));  // a one-channel JPEG
    EXPECT_EQ(task.orientation, 6);
    std::vector<uint8_t> level(photo_size_min * photo_size_min * 4);
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
    // Other formats: a PNG cut after its frame header, PNG and BMP headers
    // claiming sizes that make Wine's decoders overrun their buffers (the
    // PNG's as it opens the file), and a file no installed codec reads (Wine
    // has no HEIF codec).
    std::vector<uint8_t> png = read_file_bytes(data_file("wide.png"));
    ASSERT_GT(png.size(), 40u);
    cases.push_back({"PNG cut after its header", std::vector<uint8_t>(png.begin(), png.begin() + 33)});
    cases.push_back({"PNG of 65536 x 16384", read_file_bytes(data_file("huge_header.png"))});
    std::vector<uint8_t> bmp = read_file_bytes(data_file("wide.bmp"));
    ASSERT_GT(bmp.size(), 60u);
    bmp[18] = 0, bmp[19] = 0, bmp[20] = 0, bmp[21] = 0x08;  // 2^27 x 2 pixels: within the budget, too wide
    bmp[22] = 2, bmp[23] = 0, bmp[24] = 0, bmp[25] = 0;
    cases.push_back({"BMP of 2^27 x 2", bmp});
    const char heif[] = "\0\0\0\x18" "ftypheic\0\0\0\0mif1heic\0\0\0\x08mdat";
    cases.push_back({"HEIF", std::vector<uint8_t>(heif, heif + sizeof heif - 1)});
    auto find = [&](uint8_t marker) {
        for (size_t i = 2; i + 9 < photo.size(); ++i)
            if (photo[i] == 0xFF && photo[i + 1] == marker) return i;
        return size_t(0);
    };
    size_t sof = find(0xC0), sos = find(0xDA);
    ASSERT_NE(sof, 0u);
    ASSERT_NE(sos, 0u);
    cases.push_back({"headers up to the scan", std::vector<uint8_t>(photo.begin(), photo.begin() + sos)});
    // The frame header claims huge sizes for the same small data.
    for (auto [name, side] : {std::pair{"65535 x 65535", 65535}, {"30000 x 30000", 30000}}) {
        std::vector<uint8_t> huge = photo;
        for (size_t i : {sof + 5, sof + 7}) huge[i] = uint8_t(side >> 8), huge[i + 1] = uint8_t(side);
        cases.push_back({name, huge});
    }

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

// Every format the imaging component reads takes the same road: the centred
// square, the chain, the orientation its metadata gives; transparent parts
// come out black. The format is the file's, whatever its name says.
TEST_F(LoadJob, EveryFormatShowsItsSquareOverBlack)
{
    for (const char* name : {"wide.png", "tall.gif", "wide.tif", "wide.bmp"}) {
        task.orientation = 6;
        load(data_file(name));
        expect_quadrants(name);
        expect_mips_follow_level0();
        EXPECT_EQ(task.orientation, 1) << name;
    }
    for (auto [name, as] : {std::pair{"wide.jpg", "jpeg_as_png"}, {"wide.png", "png_as_jpg"}}) {
        std::string path = temp_file(as);
        write_file_bytes(path, read_file_bytes(data_file(name)));
        load(data_file("tall.jpg"));
        load(path);
        expect_quadrants(as);
        DeleteFileA(path.c_str());
    }
    for (const char* name : {"transparent.png", "transparent.gif"}) {
        load(data_file("wide.jpg"));
        load(data_file(name));
        std::vector<uint8_t> level(photo_size_min * photo_size_min * 4);
        ASSERT_TRUE(read_texture_level(task.staging, 0, level.data()));
        for (int x = 64; x < photo_size_min; x += 128) {
            EXPECT_STREQ(nearest(level, photo_size_min, x, 256), x < 512 ? "red" : "lime") << name << " at " << x;
            EXPECT_STREQ(nearest(level, photo_size_min, x, 768), "black") << name << " at " << x;
        }
    }
    load(data_file("grey_orient6.tif"));
    EXPECT_EQ(task.orientation, 6);
    load(data_file("wide.png"));
    EXPECT_EQ(task.orientation, 1);
}

TEST_F(LoadJob, NoStagingTextureStillCompletes)
{
    task.staging->Release();
    task.staging = nullptr;
    load(data_file("grey_orient6.jpg"));
    EXPECT_EQ(task.orientation, 6);
}

} // namespace
