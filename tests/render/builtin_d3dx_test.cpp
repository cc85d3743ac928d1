// The program's own D3DX equivalents beside D3DX itself (Wine's, through the
// import library) on one device: the effect's forty techniques and the
// overlay's title drawn both ways and compared pixel by pixel; the mip
// filter; and the built-in objects around a device reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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

namespace {

const UINT width = 160, height = 120;

template <typename T> void release(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

std::vector<unsigned char> program_effect()
{
    std::ifstream in(std::string("Z:") + ORBISCA_SOURCE_DIR + "/resources/effect.fxo", std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<unsigned char> back_buffer(IDirect3DDevice9* device)
{
    std::vector<unsigned char> pixels(width * height * 4, 0);
    IDirect3DSurface9* back = nullptr;
    if (device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) >= 0) {
        EXPECT_TRUE(read_surface(device, back, pixels.data(), width, height));
        back->Release();
    }
    return pixels;
}

// Mean and largest difference of two pictures over their colour bytes, in
// 8-bit steps, within the rectangle given.
struct Difference {
    double mean = 0;
    int largest = 0;
};

Difference compare(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, RECT r = {0, 0, 0, 0})
{
    if (r.right == 0) r = RECT{0, 0, LONG(width), LONG(height)};
    Difference d;
    long sum = 0, count = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            for (int c = 0; c < 3; ++c) {
                size_t at = (size_t(y) * width + x) * 4 + c;
                int diff = std::abs(int(a[at]) - int(b[at]));
                sum += diff;
                ++count;
                d.largest = std::max(d.largest, diff);
            }
    d.mean = double(sum) / count;
    return d;
}

IDirect3DTexture9* texture(IDirect3DDevice9* device, UINT w, UINT h, UINT levels, D3DFORMAT format,
                           void (*fill)(PixelView), D3DPOOL pool = D3DPOOL_MANAGED)
{
    IDirect3DTexture9* t = nullptr;
    if (device->CreateTexture(w, h, levels, 0, format, pool, &t, nullptr) < 0) return nullptr;
    D3DLOCKED_RECT locked;
    if (t->LockRect(0, &locked, nullptr, 0) < 0) return t;
    fill(PixelView{static_cast<unsigned char*>(locked.pBits), locked.Pitch});
    t->UnlockRect(0);
    if (levels != 1) D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT);
    return t;
}

// A photo of smooth colours with some sharp detail, 256 x 256.
void fill_photo(PixelView v)
{
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            unsigned char* p = v.byte_at(x, y, 0);
            bool line = (x % 37) < 2 || (y % 53) < 2;
            p[0] = line ? 255 : static_cast<unsigned char>(128 + 100 * std::sin(x / 23.0));
            p[1] = line ? 0 : static_cast<unsigned char>(128 + 100 * std::cos(y / 31.0));
            p[2] = static_cast<unsigned char>((x + 2 * y) & 0xFF);
            p[3] = 255;
        }
}

void fill_lens(PixelView v)
{
    for (int32_t y = 0; y < lens_height; ++y)
        for (int32_t x = 0; x < lens_width; ++x) *reinterpret_cast<uint32_t*>(v.byte_at(x, y, 0)) = 0;
    fill_lens_profile(v);
}

void fill_noise(PixelView v)
{
    seed_random(2026);
    fill_disp_noise(v);
}

class BuiltinD3DX : public ::testing::Test {
protected:
    TestDevice dev;
    IDirect3DDevice9* d = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(dev.create(width, height));
        d = dev.device;
    }
};

// The scene as the show draws it: the cube with the tumble at 3.7 s, half
// way through the turn from face 5 to face 0, every face with the technique.
struct Scene {
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DTexture9 *photo = nullptr, *lens = nullptr, *rubik = nullptr, *disp = nullptr;
    D3DXMATRIX world_view_proj;

    bool create(IDirect3DDevice9* d)
    {
        void* p = nullptr;
        if (d->CreateVertexBuffer(sizeof(cube_vertices), 0, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED, &vertices,
                                  nullptr) < 0 ||
            vertices->Lock(0, 0, &p, 0) < 0)
            return false;
        std::memcpy(p, cube_vertices, sizeof(cube_vertices));
        vertices->Unlock();
        if (d->CreateIndexBuffer(sizeof(cube_indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr) < 0 ||
            indices->Lock(0, 0, &p, 0) < 0)
            return false;
        std::memcpy(p, cube_indices, sizeof(cube_indices));
        indices->Unlock();
        if (d->CreateVertexDeclaration(cube_vertex_elements, &decl) < 0) return false;
        photo = texture(d, 256, 256, 0, D3DFMT_X8R8G8B8, fill_photo);
        lens = texture(d, lens_width, lens_height, 1, D3DFMT_A8R8G8B8, fill_lens);
        rubik = texture(d, pattern_size, pattern_size, 0, D3DFMT_A8R8G8B8, fill_colour_grid);
        disp = texture(d, pattern_size, pattern_size, 0, D3DFMT_A8R8G8B8, fill_noise);
        if (!photo || !lens || !rubik || !disp) return false;

        float angles[3], eye[3], up[3];
        tumble_angles(3.7f, angles);
        camera_between(5, 0, eased_turn(0.5f), eye, up);
        D3DXMATRIX rx, ry, rz, world, view, proj, m;
        D3DXMatrixRotationX(&rx, angles[0]);
        D3DXMatrixRotationY(&ry, angles[1]);
        D3DXMatrixRotationZ(&rz, angles[2]);
        D3DXMatrixMultiply(&m, &rx, &ry);
        D3DXMatrixMultiply(&world, &m, &rz);
        D3DXVECTOR3 e(eye[0], eye[1], eye[2]), u(up[0], up[1], up[2]), at(0, 0, 0);
        D3DXMatrixLookAtLH(&view, &e, &at, &u);
        D3DXMatrixPerspectiveFovLH(&proj, 1.0471976f, float(width) / height, 0.3f, 10.0f);
        D3DXMatrixMultiply(&m, &world, &view);
        D3DXMatrixMultiply(&world_view_proj, &m, &proj);
        return true;
    }

    void destroy()
    {
        release(vertices);
        release(indices);
        release(decl);
        release(photo);
        release(lens);
        release(rubik);
        release(disp);
    }

    // Draws the cube through the effect; `commit` changes tau inside the
    // pass and commits it (the picture must be the one at `tau`).
    std::vector<unsigned char> draw(IDirect3DDevice9* d, ID3DXEffect* effect, const char* technique, float tau,
                                    int orientation, bool commit = false)
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
        d->SetVertexDeclaration(decl);
        d->SetStreamSource(0, vertices, 0, 20);
        d->SetIndices(indices);
        for (int face = 0; face < 6; ++face) d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 6 * face, 2);
        effect->EndPass();
        effect->End();
        d->EndScene();
        return back_buffer(d);
    }
};

std::vector<std::string> technique_names()
{
    std::vector<std::string> names;
    for (const char* tr : {"Fade", "Sector"})
        for (const char* uv : {"Simple", "Zoom", "Lens", "Displacement"})
            for (const char* f : {"GrayScale", "Sepia", "GrayScaleInvert", "Emboss", "Rubik"})
                names.push_back(std::string(f) + uv + tr);
    return names;
}

TEST_F(BuiltinD3DX, EveryTechniqueDrawsAsThroughD3DX)
{
    std::vector<unsigned char> bytes = program_effect();
    ASSERT_GT(bytes.size(), 1000u);
    ID3DXEffect *theirs = nullptr, *ours = nullptr;
    ASSERT_GE(D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, &theirs, nullptr),
              0);
    ASSERT_GE(builtin_d3dx.D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, &ours,
                                            nullptr),
              0);
    Scene scene;
    ASSERT_TRUE(scene.create(d));

    Difference worst;
    std::string worst_case;
    double worst_largest_mean = 0;
    std::string largest_case;
    int frames = 0;
    std::set<std::vector<unsigned char>> looks;
    for (const std::string& t : technique_names())
        for (float tau : {0.0f, 0.35f, 0.7f, 1.0f})
            for (int orientation : {1, 6}) {
                std::vector<unsigned char> a = scene.draw(d, theirs, t.c_str(), tau, orientation);
                std::vector<unsigned char> b = scene.draw(d, ours, t.c_str(), tau, orientation);
                Difference diff = compare(a, b);
                if (tau == 0.7f && orientation == 1) looks.insert(b);
                if (tau == 0.0f && orientation == 1) {
                    int cube = 0;
                    for (size_t i = 0; i < b.size(); i += 4) cube += b[i] != 0x60 || b[i + 1] != 0x40 || b[i + 2] != 0x20;
                    EXPECT_GT(cube, int(width * height) / 2) << "the cube covers half the picture";
                }
                char label[96];
                std::snprintf(label, sizeof label, "%s at tau %.2f, orientation %d", t.c_str(), tau, orientation);
                EXPECT_LE(diff.mean, 1.0) << label;
                EXPECT_LE(diff.largest, 8) << label;
                if (diff.mean >= worst.mean) {
                    worst.mean = diff.mean;
                    worst_case = label;
                    worst_largest_mean = diff.largest;
                }
                if (diff.largest >= worst.largest) {
                    worst.largest = diff.largest;
                    largest_case = label;
                }
                ++frames;
            }
    // The techniques' full looks differ from one another.
    EXPECT_EQ(looks.size(), 40u);
    std::printf("%d frames each way; worst mean difference %.4f/255 (%s, largest there %.0f/255); largest "
                "difference %d/255 (%s)\n",
                frames, worst.mean, worst_case.c_str(), worst_largest_mean, worst.largest, largest_case.c_str());

    // A change committed inside the pass, and the state put back by End.
    std::vector<unsigned char> plain = scene.draw(d, ours, "SepiaLensSector", 0.6f, 3);
    EXPECT_EQ(scene.draw(d, ours, "SepiaLensSector", 0.6f, 3, true), plain);
    EXPECT_LE(compare(scene.draw(d, theirs, "SepiaLensSector", 0.6f, 3, true), plain).mean, 1.0);
    D3DXMATRIX back;
    ASSERT_GE(ours->GetMatrix("world_view_proj", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &scene.world_view_proj, sizeof back), 0);

    scene.destroy();
    EXPECT_EQ(theirs->Release(), 0u);
    EXPECT_EQ(ours->Release(), 0u);
}

// Where the text of a picture is, and how much of it: the centre and sum of
// the brightness above the background's.
struct Ink {
    double x = 0, y = 0, weight = 0;
};

Ink white_ink(const std::vector<unsigned char>& p, RECT r, int background)
{
    Ink ink;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x) {
            const unsigned char* q = &p[(size_t(y) * width + x) * 4];
            int above = (q[0] + q[1] + q[2]) / 3 - background;
            if (above <= 0) continue;
            ink.x += x * above;
            ink.y += y * above;
            ink.weight += above;
        }
    if (ink.weight > 0) {
        ink.x /= ink.weight;
        ink.y /= ink.weight;
    }
    return ink;
}

TEST_F(BuiltinD3DX, TitleDrawsAsThroughD3DX)
{
    // Font and sprite: D3DX's, the built-in ones, and D3DX's font through
    // the built-in sprite (to tell the font's part from the sprite's).
    const bool builtin_font[3] = {false, true, false}, builtin_sprite[3] = {false, true, true};
    const char title[] = "qelvar orbisca v0.04";
    std::vector<unsigned char> pictures[3];
    for (int way = 0; way < 3; ++way) {
        ID3DXFont* font = nullptr;
        ID3DXSprite* sprite = nullptr;
        auto create_font = builtin_font[way] ? builtin_d3dx.D3DXCreateFontA : &D3DXCreateFontA;
        auto create_sprite = builtin_sprite[way] ? builtin_d3dx.D3DXCreateSprite : &D3DXCreateSprite;
        ASSERT_GE(create_font(d, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &font),
                  0);
        ASSERT_GE(create_sprite(d, &sprite), 0);
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
            std::vector<unsigned char> picture = back_buffer(d);
            if (frame) EXPECT_EQ(picture, pictures[way]) << "way " << way;
            pictures[way] = picture;
        }
        EXPECT_EQ(sprite->Release(), 0u);
        EXPECT_EQ(font->Release(), 0u);
    }
    const RECT line = {0, 0, 160, 40};
    const int background = (0x5A + 0x7A + 0x9A) / 3;
    Difference both = compare(pictures[0], pictures[1], line);
    Difference font = compare(pictures[2], pictures[1], line);
    Difference sprite = compare(pictures[0], pictures[2], line);
    Ink theirs = white_ink(pictures[0], line, background), ours = white_ink(pictures[1], line, background);
    std::printf("title line (160 x 40): mean difference %.2f/255, largest %d/255; the fonts alone (one sprite) "
                "%.2f/255, the sprites alone (one font) %.2f/255\n",
                both.mean, both.largest, font.mean, sprite.mean);
    std::printf("white text's centre: (%.2f, %.2f) through D3DX, (%.2f, %.2f) built in; its brightness %.0f and "
                "%.0f\n",
                theirs.x, theirs.y, ours.x, ours.y, theirs.weight, ours.weight);
    EXPECT_LE(both.mean, 20.0);
    EXPECT_LE(std::fabs(theirs.x - ours.x), 1.5);
    EXPECT_LE(std::fabs(theirs.y - ours.y), 1.5);
    EXPECT_GT(ours.weight, theirs.weight * 0.5);
    EXPECT_LT(ours.weight, theirs.weight * 2.5);
}

TEST_F(BuiltinD3DX, MipLevelsAreBoxFiltered)
{
    IDirect3DTexture9* t = nullptr;
    ASSERT_GE(d->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), 0);
    ASSERT_EQ(t->GetLevelCount(), 4u);
    D3DLOCKED_RECT locked;
    ASSERT_GE(t->LockRect(0, &locked, nullptr, 0), 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            *reinterpret_cast<uint32_t*>(static_cast<unsigned char*>(locked.pBits) + y * locked.Pitch + 4 * x) =
                x < 2 && y < 2 ? 0xC8C8C8C8 : 0x64646464;
    t->UnlockRect(0);
    ASSERT_GE(builtin_d3dx.D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), 0);
    // 200 in one corner texel of level 1, then (200 + 3 x 100) / 4 = 125, then 106.25.
    const unsigned corner[4] = {200, 200, 125, 106};
    for (UINT level = 1; level < 4; ++level) {
        ASSERT_GE(t->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), 0);
        const unsigned char* p = static_cast<const unsigned char*>(locked.pBits);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(p[c], corner[level]) << "level " << level;
        if (level < 3) EXPECT_EQ(p[4], 100) << "level " << level;
        t->UnlockRect(level);
    }
    t->Release();
    // Formats of other sizes, and textures that cannot be locked, are refused.
    ASSERT_GE(d->CreateTexture(8, 8, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t, nullptr), 0);
    EXPECT_LT(builtin_d3dx.D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), 0);
    t->Release();
    ASSERT_GE(d->CreateTexture(8, 8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr), 0);
    EXPECT_LT(builtin_d3dx.D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), 0);
    t->Release();
}

TEST_F(BuiltinD3DX, EffectsFromBrokenOrTooManyContainersFail)
{
    std::vector<unsigned char> bytes = program_effect();
    ID3DXEffect* e = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = reinterpret_cast<ID3DXBuffer*>(1);
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    EXPECT_EQ(builtin_d3dx.D3DXCreateEffect(d, cut.data(), UINT(cut.size()), nullptr, nullptr, 0, nullptr, &e, &errors),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(errors, nullptr);
    const char text[] = "texture tex; technique T { pass P0 { } }";
    EXPECT_LT(builtin_d3dx.D3DXCreateEffect(d, text, sizeof text, nullptr, nullptr, 0, nullptr, &e, nullptr), 0);

    // The fixed storage holds builtin_effect_slots effects; a released one makes room.
    std::vector<ID3DXEffect*> made;
    for (int i = 0; i < builtin_effect_slots; ++i) {
        ASSERT_GE(builtin_d3dx.D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, &e,
                                                nullptr),
                  0);
        made.push_back(e);
    }
    EXPECT_EQ(builtin_d3dx.D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, &e,
                                            nullptr),
              E_OUTOFMEMORY);
    made.back()->Release();
    ASSERT_GE(builtin_d3dx.D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr,
                                            &made.back(), nullptr),
              0);
    for (ID3DXEffect* m : made) EXPECT_EQ(m->Release(), 0u);
}

// The built-in objects let the device be reset after their OnLostDevice (a
// state block or a video-memory texture held would make Reset fail), and
// draw as before after their OnResetDevice.
TEST_F(BuiltinD3DX, ObjectsOutliveADeviceReset)
{
    std::vector<unsigned char> bytes = program_effect();
    ID3DXEffect* effect = nullptr;
    ID3DXFont* font = nullptr;
    ID3DXSprite* sprite = nullptr;
    ASSERT_GE(builtin_d3dx.D3DXCreateEffect(d, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, &effect,
                                            nullptr),
              0);
    ASSERT_GE(builtin_d3dx.D3DXCreateFontA(d, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &font),
              0);
    ASSERT_GE(builtin_d3dx.D3DXCreateSprite(d, &sprite), 0);
    Scene scene;
    ASSERT_TRUE(scene.create(d));
    // The photo in video memory, as the faces have it, copied from system memory.
    IDirect3DTexture9* copy = texture(d, 256, 256, 0, D3DFMT_X8R8G8B8, fill_photo, D3DPOOL_SYSTEMMEM);
    ASSERT_NE(copy, nullptr);
    release(scene.photo);
    auto upload = [&] {
        ASSERT_GE(d->CreateTexture(256, 256, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &scene.photo, nullptr), 0);
        copy->AddDirtyRect(nullptr);
        d->UpdateTexture(copy, scene.photo);
    };
    upload();

    auto frame = [&] {
        std::vector<unsigned char> cube = scene.draw(d, effect, "RubikZoomFade", 0.5f, 1);
        d->BeginScene();
        sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        RECT place = {10, 10, 200, 200};
        font->DrawTextA(sprite, "3 fps\nFile 1 of 2\nWAITING\n1/5 sec", -1, &place, DT_NOCLIP, 0xFFFFFFFF);
        sprite->End();
        d->EndScene();
        return back_buffer(d);
    };
    std::vector<unsigned char> before = frame();

    sprite->OnLostDevice();
    font->OnLostDevice();
    effect->OnLostDevice();
    release(scene.photo);
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = dev.window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(d->Reset(&pp), D3D_OK);
    font->OnResetDevice();
    sprite->OnResetDevice();
    effect->OnResetDevice();

    upload();
    EXPECT_EQ(frame(), before);

    release(copy);
    scene.destroy();
    EXPECT_EQ(sprite->Release(), 0u);
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(effect->Release(), 0u);
}

} // namespace
