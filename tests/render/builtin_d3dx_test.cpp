// The program's own D3DX equivalents beside D3DX itself (Wine's, through the
// import library) on one device: the effect's forty techniques and the
// overlay's title drawn both ways and compared pixel by pixel; the mip
// filter; and the built-in objects around a device reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/support.h"
#include "render/builtin_d3dx.h"
#include "render/camera.h"
#include "render/cube.h"
#include "render/procedural_fill.h"
#include "support/test_device.h"
#include "support/hooks.h"

namespace {

const UINT width = 160, height = 120;
using Picture = std::vector<unsigned char>;

std::vector<unsigned char> program_effect()
{
    std::ifstream in(std::string("Z:") + ORBISCA_SOURCE_DIR + "/resources/effect.fxo", std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Picture back_buffer(IDirect3DDevice9* device)
{
    Picture pixels(width * height * 4, 0);
    IDirect3DSurface9* back = nullptr;
    if (device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) >= 0) {
        EXPECT_TRUE(read_surface(device, back, pixels.data(), width, height));
        back->Release();
    }
    return pixels;
}

// Mean and largest difference of the colour bytes, in 8-bit steps, within r.
struct Difference {
    double mean = 0;
    int largest = 0;
};

Difference compare(const Picture& a, const Picture& b, RECT r = {0, 0, LONG(width), LONG(height)})
{
    Difference d;
    long sum = 0, count = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            for (int c = 0; c < 3; ++c, ++count) {
                size_t at = (size_t(y) * width + x) * 4 + c;
                int diff = std::abs(int(a[at]) - int(b[at]));
                sum += diff;
                d.largest = std::max(d.largest, diff);
            }
    d.mean = double(sum) / count;
    return d;
}

// A texture with level 0 filled, the lower levels made by D3DX's filter.
IDirect3DTexture9* texture(IDirect3DDevice9* device, UINT w, UINT h, UINT levels, D3DFORMAT format,
                           const std::function<void(PixelView)>& fill, D3DPOOL pool = D3DPOOL_MANAGED)
{
    IDirect3DTexture9* t = nullptr;
    D3DLOCKED_RECT locked;
    if (device->CreateTexture(w, h, levels, 0, format, pool, &t, nullptr) < 0) return nullptr;
    if (t->LockRect(0, &locked, nullptr, 0) >= 0) {
        auto* bits = static_cast<unsigned char*>(locked.pBits);
        for (UINT y = 0; y < h; ++y) std::memset(bits + y * locked.Pitch, 0, 4 * w);
        fill(PixelView{bits, locked.Pitch});
        t->UnlockRect(0);
    }
    if (levels != 1) D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT);
    return t;
}

// A photo of smooth colours with sharp lines, 256 x 256.
void fill_photo(PixelView v)
{
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            unsigned char* p = v.byte_at(x, y, 0);
            bool line = (x % 37) < 2 || (y % 53) < 2;
            p[0] = line ? 255 : static_cast<unsigned char>(128 + 100 * std::sin(x / 23.0));
            p[1] = line ? 0 : static_cast<unsigned char>(128 + 100 * std::cos(y / 31.0));
            p[2] = static_cast<unsigned char>((x + 2 * y) & 0xFF);
        }
}

// The cube as the show draws it, with the program's own textures: the tumble
// at 3.7 s, half way through the turn from face 5 to face 0.
struct Scene {
    IDirect3DTexture9 *photo = nullptr, *lens = nullptr, *rubik = nullptr, *disp = nullptr;
    D3DXMATRIX world_view_proj;

    bool create(IDirect3DDevice9* d)
    {
        photo = texture(d, 256, 256, 0, D3DFMT_X8R8G8B8, fill_photo);
        lens = texture(d, lens_width, lens_height, 1, D3DFMT_A8R8G8B8, fill_lens_profile);
        rubik = texture(d, pattern_size, pattern_size, 0, D3DFMT_A8R8G8B8, fill_colour_grid);
        disp = texture(d, pattern_size, pattern_size, 0, D3DFMT_A8R8G8B8, [](PixelView v) {
            seed_random(2026);
            fill_disp_noise(v);
        });
        float angles[3], eye[3], up[3];
        tumble_angles(3.7f, angles);
        camera_between(5, 0, eased_turn(0.5f), eye, up);
        D3DXMATRIX rx, ry, rz, view, proj, m;
        D3DXMatrixMultiply(&m, D3DXMatrixRotationX(&rx, angles[0]), D3DXMatrixRotationY(&ry, angles[1]));
        D3DXMatrixMultiply(&m, &m, D3DXMatrixRotationZ(&rz, angles[2]));
        D3DXVECTOR3 e(eye[0], eye[1], eye[2]), u(up[0], up[1], up[2]), at(0, 0, 0);
        D3DXMatrixMultiply(&m, &m, D3DXMatrixLookAtLH(&view, &e, &at, &u));
        D3DXMatrixMultiply(&world_view_proj, &m,
                           D3DXMatrixPerspectiveFovLH(&proj, 1.0471976f, float(width) / height, 0.3f, 10.0f));
        return photo && lens && rubik && disp;
    }

    void destroy()
    {
        for (IDirect3DTexture9* t : {photo, lens, rubik, disp})
            if (t) t->Release();
    }

    // Draws every face through the effect; `commit` sets tau inside the
    // pass and commits it.
    Picture draw(IDirect3DDevice9* d, ID3DXEffect* effect, const char* technique, float tau, int orientation,
                 bool commit = false)
    {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
        d->BeginScene();
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        const float pixel_width[2] = {1.0f / 1024, 1.0f / 1024};
        effect->SetMatrix("world_view_proj", &world_view_proj);
        effect->SetFloatArray("pixel_width", pixel_width, 2);
        effect->SetTexture("tex_lens", lens);
        effect->SetTexture("tex_rubik", rubik);
        effect->SetTexture("tex_disp", disp);
        effect->SetTexture("tex", photo);
        EXPECT_GE(effect->SetTechnique(technique), 0) << technique;
        effect->SetFloat("tau", commit ? 1 - tau : tau);
        effect->SetInt("orientation_exif", orientation);
        UINT passes = 0;
        EXPECT_GE(effect->Begin(&passes, 0), 0);
        EXPECT_EQ(passes, 1u);
        effect->BeginPass(0);
        if (commit) {
            effect->SetFloat("tau", tau);
            effect->CommitChanges();
        }
        d->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
        d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 24, 12, cube_indices, D3DFMT_INDEX16, cube_vertices, 20);
        effect->EndPass();
        effect->End();
        d->EndScene();
        return back_buffer(d);
    }
};

class BuiltinD3DX : public ::testing::Test {
protected:
    TestDevice dev;
    IDirect3DDevice9* d = nullptr;
    std::vector<unsigned char> bytes = program_effect();

    void SetUp() override
    {
        ASSERT_TRUE(dev.create(width, height));
        d = dev.device;
        ASSERT_GT(bytes.size(), 1000u);
    }
    HRESULT own_effect(ID3DXEffect** e, const std::vector<unsigned char>& b)
    {
        return builtin_d3dx.D3DXCreateEffect(d, b.data(), UINT(b.size()), nullptr, nullptr, 0, nullptr, e, nullptr);
    }
};

TEST_F(BuiltinD3DX, EveryTechniqueDrawsAsThroughD3DX)
{
    ID3DXEffect *theirs = nullptr, *ours = nullptr;
    ASSERT_GE(D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, &theirs, nullptr),
              0);
    ASSERT_GE(own_effect(&ours, bytes), 0);
    Scene scene;
    ASSERT_TRUE(scene.create(d));

    Difference worst;
    std::string worst_mean, worst_largest;
    std::set<Picture> looks;
    for (const char* tr : {"Fade", "Sector"})
        for (const char* uv : {"Simple", "Zoom", "Lens", "Displacement"})
            for (const char* f : {"GrayScale", "Sepia", "GrayScaleInvert", "Emboss", "Rubik"})
                for (float tau : {0.0f, 0.35f, 0.7f, 1.0f})
                    for (int orientation : {1, 6}) {
                        std::string t = std::string(f) + uv + tr;
                        Picture a = scene.draw(d, theirs, t.c_str(), tau, orientation);
                        Picture b = scene.draw(d, ours, t.c_str(), tau, orientation);
                        Difference diff = compare(a, b);
                        std::string label = t + " at tau " + std::to_string(tau) + ", orientation " +
                                            std::to_string(orientation);
                        EXPECT_LE(diff.mean, 1.0) << label;
                        EXPECT_LE(diff.largest, 8) << label;
                        if (diff.mean >= worst.mean) worst.mean = diff.mean, worst_mean = label;
                        if (diff.largest >= worst.largest) worst.largest = diff.largest, worst_largest = label;
                        if (tau == 0.7f && orientation == 1) looks.insert(b);
                    }
    std::printf("320 frames each way; worst mean difference %.4f/255 (%s); largest difference %d/255 (%s)\n",
                worst.mean, worst_mean.c_str(), worst.largest, worst_largest.c_str());
    // Something was drawn: the techniques differ from one another.
    EXPECT_EQ(looks.size(), 40u);

    // A change committed inside the pass; the matrix as it was set.
    Picture plain = scene.draw(d, ours, "SepiaLensSector", 0.6f, 3);
    EXPECT_EQ(scene.draw(d, ours, "SepiaLensSector", 0.6f, 3, true), plain);
    D3DXMATRIX back;
    ASSERT_GE(ours->GetMatrix("world_view_proj", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &scene.world_view_proj, sizeof back), 0);

    scene.destroy();
    EXPECT_EQ(theirs->Release(), 0u);
    EXPECT_EQ(ours->Release(), 0u);
}

TEST_F(BuiltinD3DX, TitleDrawsAsThroughD3DX)
{
    const char title[] = "qelvar orbisca v0.04";
    const RECT line = {0, 0, 160, 40};
    const int background = (0x5A + 0x7A + 0x9A) / 3;
    Picture pictures[2];
    double x[2] = {}, y[2] = {}, brightness[2] = {};
    for (int way = 0; way < 2; ++way) {
        ID3DXFont* font = nullptr;
        ID3DXSprite* sprite = nullptr;
        ASSERT_GE((way ? builtin_d3dx.D3DXCreateFontA : &D3DXCreateFontA)(
                      d, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &font),
                  0);
        ASSERT_GE((way ? builtin_d3dx.D3DXCreateSprite : &D3DXCreateSprite)(d, &sprite), 0);
        // Twice, as frames draw it: the second time from what the first made.
        for (int frame = 0; frame < 2; ++frame) {
            d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF5A7A9A, 1.0f, 0);
            d->BeginScene();
            sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
            RECT shadow = {11, 11, 200, 200}, place = {10, 10, 200, 200};
            font->DrawTextA(sprite, title, -1, &shadow, DT_NOCLIP, 0xFF000000);
            font->DrawTextA(sprite, title, -1, &place, DT_NOCLIP, 0xFFFFFFFF);
            sprite->End();
            d->EndScene();
            Picture picture = back_buffer(d);
            if (frame) EXPECT_EQ(picture, pictures[way]) << "way " << way;
            pictures[way] = picture;
        }
        EXPECT_EQ(sprite->Release(), 0u);
        EXPECT_EQ(font->Release(), 0u);
        // Where the white text is, and how much of it: the centre and sum of
        // the brightness above the background's.
        for (LONG j = line.top; j < line.bottom; ++j)
            for (LONG i = line.left; i < line.right; ++i) {
                const unsigned char* q = &pictures[way][(size_t(j) * width + i) * 4];
                int above = std::max(0, (q[0] + q[1] + q[2]) / 3 - background);
                x[way] += i * above;
                y[way] += j * above;
                brightness[way] += above;
            }
        x[way] /= brightness[way];
        y[way] /= brightness[way];
    }
    Difference diff = compare(pictures[0], pictures[1], line);
    std::printf("title line (160 x 40): mean difference %.2f/255, largest %d/255; white text centred at (%.2f, "
                "%.2f) through D3DX, (%.2f, %.2f) built in, brightness %.0f and %.0f\n",
                diff.mean, diff.largest, x[0], y[0], x[1], y[1], brightness[0], brightness[1]);
    EXPECT_LE(diff.mean, 20.0);
    EXPECT_TRUE(std::fabs(x[0] - x[1]) <= 1.5 && std::fabs(y[0] - y[1]) <= 1.5) << "text in another place";
    EXPECT_TRUE(brightness[1] > brightness[0] * 0.5 && brightness[1] < brightness[0] * 2.5) << "text of another weight";
}

TEST_F(BuiltinD3DX, MipLevelsAreBoxFilteredWhereTheyCanBe)
{
    // 200 in the top left 2 x 2 texels of 8 x 8, 100 elsewhere: level 2's
    // corner (200 + 3 x 100) / 4 = 125, level 3 (125 + 3 x 100) / 4 = 106.25.
    IDirect3DTexture9* t = texture(d, 8, 8, 0, D3DFMT_A8R8G8B8, [](PixelView v) {
        for (int32_t j = 0; j < 8; ++j)
            for (int32_t i = 0; i < 8; ++i) std::memset(v.byte_at(i, j, 0), i < 2 && j < 2 ? 200 : 100, 4);
    });
    ASSERT_GE(builtin_d3dx.D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), 0);
    for (UINT level : {2u, 3u}) {
        D3DLOCKED_RECT locked;
        ASSERT_GE(t->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), 0);
        EXPECT_EQ(*static_cast<const uint32_t*>(locked.pBits), level == 2 ? 0x7D7D7D7Du : 0x6A6A6A6Au);
        t->UnlockRect(level);
    }
    t->Release();
    // Other texel sizes, and video memory (it cannot be locked), are refused.
    for (D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}) {
        ASSERT_GE(d->CreateTexture(8, 8, 0, 0, format, format == D3DFMT_R5G6B5 ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT, &t,
                                   nullptr),
                  0);
        EXPECT_LT(builtin_d3dx.D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), 0);
        t->Release();
    }
}

HRESULT STDMETHODCALLTYPE refusing_create_pixel_shader(IDirect3DDevice9*, const DWORD*, IDirect3DPixelShader9** out)
{
    *out = nullptr;
    return D3DERR_OUTOFVIDEOMEMORY;
}

TEST_F(BuiltinD3DX, BrokenContainersRefusedShadersAndFullStorageFail)
{
    // A shader the device refuses (here the first pixel shader) fails the
    // effect, and what was made before it is released: the device's count.
    ULONG refs = d->AddRef() - 1;
    d->Release();
    {
        VtableHook refuse(d, slot::CreatePixelShader,
                          reinterpret_cast<void*>(refusing_create_pixel_shader));
        ID3DXEffect* none = nullptr;
        EXPECT_TRUE(own_effect(&none, bytes) == D3DERR_OUTOFVIDEOMEMORY && !none);
    }
    EXPECT_EQ(d->AddRef() - 1, refs);
    d->Release();

    ID3DXEffect* e = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = reinterpret_cast<ID3DXBuffer*>(1);
    EXPECT_EQ(builtin_d3dx.D3DXCreateEffect(d, bytes.data(), UINT(bytes.size() / 2), nullptr, nullptr, 0, nullptr, &e,
                                            &errors),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(errors, nullptr);
    // Room for builtin_effect_slots effects; a released one makes room again.
    std::vector<ID3DXEffect*> made(builtin_effect_slots);
    for (ID3DXEffect*& m : made) ASSERT_GE(own_effect(&m, bytes), 0);
    EXPECT_EQ(own_effect(&e, bytes), E_OUTOFMEMORY);
    made.back()->Release();
    ASSERT_GE(own_effect(&made.back(), bytes), 0);
    for (ID3DXEffect* m : made) EXPECT_EQ(m->Release(), 0u);
}

// The device can be reset after the built-in objects' OnLostDevice (a state
// block or a video-memory texture held would make Reset fail), and they draw
// as before after their OnResetDevice.
TEST_F(BuiltinD3DX, ObjectsOutliveADeviceReset)
{
    ID3DXEffect* effect = nullptr;
    ID3DXFont* font = nullptr;
    ID3DXSprite* sprite = nullptr;
    ASSERT_GE(own_effect(&effect, bytes), 0);
    ASSERT_GE(builtin_d3dx.D3DXCreateFontA(d, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &font),
              0);
    ASSERT_GE(builtin_d3dx.D3DXCreateSprite(d, &sprite), 0);
    Scene scene;
    ASSERT_TRUE(scene.create(d));
    // The photo in video memory, as the faces have it, copied from system memory.
    IDirect3DTexture9* copy = texture(d, 256, 256, 0, D3DFMT_X8R8G8B8, fill_photo, D3DPOOL_SYSTEMMEM);
    ASSERT_NE(copy, nullptr);
    auto upload = [&] {
        if (scene.photo) scene.photo->Release();
        ASSERT_GE(d->CreateTexture(256, 256, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &scene.photo, nullptr), 0);
        copy->AddDirtyRect(nullptr);
        d->UpdateTexture(copy, scene.photo);
    };
    auto frame = [&] {
        Picture cube = scene.draw(d, effect, "RubikZoomFade", 0.5f, 1);
        d->BeginScene();
        sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        RECT place = {10, 10, 200, 200};
        font->DrawTextA(sprite, "3 fps\nFile 1 of 2\nWAITING\n1/5 sec", -1, &place, DT_NOCLIP, 0xFFFFFFFF);
        sprite->End();
        d->EndScene();
        return back_buffer(d);
    };
    upload();
    Picture before = frame();

    sprite->OnLostDevice();
    font->OnLostDevice();
    effect->OnLostDevice();
    scene.photo->Release();
    scene.photo = nullptr;
    D3DPRESENT_PARAMETERS pp;
    IDirect3DSwapChain9* chain = nullptr;
    ASSERT_GE(d->GetSwapChain(0, &chain), 0);
    chain->GetPresentParameters(&pp);
    chain->Release();
    ASSERT_EQ(d->Reset(&pp), D3D_OK);
    font->OnResetDevice();
    sprite->OnResetDevice();
    effect->OnResetDevice();
    upload();
    EXPECT_EQ(frame(), before);

    copy->Release();
    scene.destroy();
    EXPECT_EQ(sprite->Release(), 0u);
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(effect->Release(), 0u);
}

} // namespace
