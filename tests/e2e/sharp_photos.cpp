// The show on the screen it runs on, with the real start-up, worker and frame
// loop, over one photo of fine stripes (written into FOLDER): the photo
// textures have the side the screen asks for, and the stripes reach the
// screen. For comparison the same show runs again on an adapter that offers
// no texture above 1024, which must blur the stripes to grey.
// usage: sharp_photos.exe FOLDER SIZE   (SIZE the side expected for this screen)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_device.h"
#include "tools/common/bench_show.h"

namespace {

// Two cosines of period 3 pixels, across and down: a 1024 texture from this
// 2048 photo keeps an eighth of their amplitude (the tent of a halving), the
// 2048 texture all of it.
const uint32_t photo_side = 2048;
int stripe(uint32_t x, uint32_t y)
{
    const double pi = 3.14159265358979;
    return int(128 + 60 * std::cos(2 * pi * (x % 3) / 3) + 60 * std::cos(2 * pi * (y % 3) / 3) + 0.5);
}

bool write_photo(const std::string& path)
{
    const uint32_t row = photo_side * 3, bytes = row * photo_side;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + bytes;
    info.biSize = sizeof(info);
    info.biWidth = LONG(photo_side);
    info.biHeight = LONG(photo_side);
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::vector<unsigned char> pixels(bytes);
    for (uint32_t y = 0; y < photo_side; ++y)
        for (uint32_t x = 0; x < photo_side; ++x) {
            unsigned char v = static_cast<unsigned char>(stripe(x, y));
            unsigned char* p = &pixels[size_t(photo_side - 1 - y) * row + x * 3];  // bottom-up
            p[0] = p[1] = p[2] = v;
        }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&file, sizeof(file), 1, f) == 1 && std::fwrite(&info, sizeof(info), 1, f) == 1 &&
              std::fwrite(pixels.data(), 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && ok;
}

// An adapter that makes no texture above 1024, for the comparison show.
VtableHook* caps_hook = nullptr;
using GetDeviceCapsFn = HRESULT(WINAPI*)(IDirect3D9*, UINT, D3DDEVTYPE, D3DCAPS9*);
HRESULT WINAPI capped_device_caps(IDirect3D9* self, UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps)
{
    HRESULT hr = caps_hook->original<GetDeviceCapsFn>()(self, adapter, type, caps);
    if (hr >= 0) caps->MaxTextureWidth = caps->MaxTextureHeight = 1024;
    return hr;
}

// The back buffer of the next Present, when asked for.
VtableHook* present_hook = nullptr;
bool capture = false;
std::vector<unsigned char> screen;
UINT screen_width = 0, screen_height = 0;
using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
HRESULT WINAPI capturing_present(IDirect3DDevice9* self, const RECT* a, const RECT* b, HWND w, const RGNDATA* r)
{
    IDirect3DSurface9* back = nullptr;
    if (capture && self->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) >= 0) {
        D3DSURFACE_DESC desc;
        back->GetDesc(&desc);
        screen_width = desc.Width;
        screen_height = desc.Height;
        screen.assign(size_t(desc.Width) * desc.Height * 4, 0);
        if (read_surface(self, back, screen.data(), desc.Width, desc.Height)) capture = false;
        back->Release();
    }
    return present_hook->original<PresentFn>()(self, a, b, w, r);
}

int failures = 0;
#define CHECK(condition, ...) \
    if (!(condition)) ++failures, std::printf("FAILED: " __VA_ARGS__), std::printf("\n")

// Side of every photo texture of the show; 0 when they differ or one is missing.
uint32_t texture_side(Slideshow* app)
{
    IDirect3DTexture9* textures[9];
    for (int i = 0; i < 6; ++i) textures[i] = app->gpu.faces[i].texture;
    textures[6] = app->job.loader.target;
    textures[7] = app->job.loader.staging;
    textures[8] = nullptr;
    uint32_t side = 0;
    for (IDirect3DTexture9* t : textures) {
        if (!t) continue;
        D3DSURFACE_DESC desc;
        if (t->GetLevelDesc(0, &desc) < 0 || desc.Width != desc.Height || (side && desc.Width != side)) return 0;
        side = desc.Width;
        // The full chain down to 1 x 1.
        if (t->GetLevelCount() != UINT(std::log2(double(side)) + 1.5)) return 0;
    }
    return side;
}

// Mean difference of neighbouring pixels (green) over a square in the middle
// of the screen: high where stripes are drawn, low over an even grey.
const int window = 160;
double middle_detail()
{
    double total = 0;
    int n = 0;
    const int x0 = int(screen_width) / 2 - window / 2, y0 = int(screen_height) / 2 - window / 2;
    auto g = [&](int x, int y) { return int(screen[(size_t(y) * screen_width + x) * 4 + 1]); };
    for (int y = y0; y < y0 + window; ++y)
        for (int x = x0; x < x0 + window; ++x, ++n) total += std::abs(g(x + 1, y) - g(x, y)) + std::abs(g(x, y + 1) - g(x, y));
    return n ? total / n : 0;
}

// Runs the show until its photo has been turned to and a later frame is on
// screen; the middle's detail, or -1 when it did not get there.
double show_photo(const char* folder, uint32_t expected)
{
    double answered = 0;
    Slideshow* app = start_show(folder, &answered);
    if (!app) {
        CHECK(false, "the show did not start");
        return -1;
    }
    CHECK(app->gpu.photo_size == expected, "photo size %u, expected %u", app->gpu.photo_size, expected);
    CHECK(texture_side(app) == expected, "the photo textures are %u, expected %u", texture_side(app), expected);
    present_hook = new VtableHook(app->gpu.device, slot::Present, reinterpret_cast<void*>(&capturing_present));
    const double started = seconds_now();
    bool turned = false;
    int after = 0;
    while (seconds_now() - started < 120 && (capture || after < 4)) {
        pump_messages();
        SlideState before = app->cycle.state;
        app->frame();
        if (before == ROTATING && app->cycle.state == NEXT) turned = true;
        // A few frames into the next photo's load, the stripes in view.
        if (turned && ++after == 3) capture = true;
    }
    CHECK(turned && !capture, "the photo was not shown within two minutes");
    CHECK(app->job.loader.loaded_count >= 1 && texture_side(app) == expected, "textures changed during the show");
    delete present_hook;
    present_hook = nullptr;
    end_show(app);
    if (!turned || capture || screen.empty()) return -1;
    return middle_detail();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: sharp_photos FOLDER SIZE\n");
        return 2;
    }
    const char* folder = argv[1];
    const uint32_t expected = uint32_t(std::atoi(argv[2]));
    if (!write_photo(std::string(folder) + "\\stripes.bmp")) {
        std::printf("FAILED: cannot write the photo\n");
        return 1;
    }

    double detail = show_photo(folder, expected);
    std::printf("screen %ux%u, photo textures %u: detail in the middle %.1f\n", screen_width, screen_height, expected,
                detail);

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return 1;
    caps_hook = new VtableHook(d3d, slot::GetDeviceCaps, reinterpret_cast<void*>(&capped_device_caps));
    double blurred = show_photo(folder, 1024);
    delete caps_hook;
    d3d->Release();
    std::printf("the same on textures capped at 1024: detail %.1f\n", blurred);

    // The stripes stand out at full size and are mostly gone at 1024.
    CHECK(detail >= 20, "the stripes do not reach the screen (detail %.1f)", detail);
    CHECK(blurred >= 0 && detail >= 2.5 * blurred, "no sharper than at 1024 (%.1f against %.1f)", detail, blurred);

    std::printf("%s\n", failures ? "sharp_photos: failed" : "sharp_photos: passed");
    return failures ? 1 : 0;
}
