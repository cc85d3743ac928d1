// The cube faces' effect as the program creates it (from this executable's
// copy of the program's resources), drawn on a real device and compared
// pixel by pixel with the formulas computed here on the CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "render/gpu.h"
#include "support/test_device.h"

namespace {

const int target_size = 96;   // render target, pixels
const int texture_size = 64;  // photo and helper textures, texels

const char* const filters[] = {"GrayScale", "Sepia", "GrayScaleInvert", "Emboss", "Rubik"};
const char* const distortions[] = {"Simple", "Zoom", "Lens", "Displacement"};
const char* const transitions[] = {"Fade", "Sector"};

struct Color {
    float r = 0, g = 0, b = 0, a = 0;
};

Color operator+(Color x, Color y) { return {x.r + y.r, x.g + y.g, x.b + y.b, x.a + y.a}; }
Color operator*(Color x, float k) { return {x.r * k, x.g * k, x.b * k, x.a * k}; }

// A texture as the test made it, kept on the CPU for the reference.
struct Image {
    int width = 0, height = 0;
    std::vector<Color> texels;  // 8-bit values / 255, row 0 on top

    Color at(int x, int y) const
    {
        x = ((x % width) + width) % width;
        y = ((y % height) + height) % height;
        return texels[y * width + x];
    }

    // Bilinear filtering with wrap addressing, as the samplers read level 0.
    Color sample(float u, float v) const
    {
        float x = u * width - 0.5f, y = v * height - 0.5f;
        float fx = std::floor(x), fy = std::floor(y);
        int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
        float wx = x - fx, wy = y - fy;
        return (at(x0, y0) * (1 - wx) + at(x0 + 1, y0) * wx) * (1 - wy) +
               (at(x0, y0 + 1) * (1 - wx) + at(x0 + 1, y0 + 1) * wx) * wy;
    }
};

using Fill = std::function<Color(int x, int y)>;

Image make_image(int width, int height, const Fill& fill)
{
    Image im;
    im.width = width;
    im.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color c = fill(x, y);
            auto q = [](float f) { return std::round(std::min(std::max(f, 0.0f), 1.0f) * 255.0f) / 255.0f; };
            im.texels.push_back({q(c.r), q(c.g), q(c.b), q(c.a)});
        }
    }
    return im;
}

const float two_pi = 6.2831853f;

// Smooth and periodic over the texture, so that the texture filter the
// device picks (bilinear, anisotropic) matters little, and different in
// every direction, so that any mix-up of u and v or of a flip shows.
Color photo_pattern(int x, int y)
{
    float u = (x + 0.5f) / texture_size, v = (y + 0.5f) / texture_size;
    return {0.5f + 0.4f * std::sin(two_pi * u + 0.3f), 0.5f + 0.4f * std::cos(two_pi * v + 0.7f),
            0.5f + 0.3f * std::sin(two_pi * (u + 2 * v) + 1.1f), 1};
}

Fill uniform(Color c) { return [c](int, int) { return c; }; }

float luminance(Color c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }
float lerp(float a, float b, float k) { return a + (b - a) * k; }

struct Inputs {
    const Image* photo;
    const Image* lens;
    const Image* rubik;
    const Image* disp;
    float tau;
    int orientation;
};

// The formulas of the effect, one output pixel at the face coordinates
// (u, v) the rasteriser hands the vertex shader.
struct Reference {
    const Inputs& in;
    float pixel = 1.0f / texture_size;

    void orient(float& u, float& v) const
    {
        float nu = u, nv = v;
        switch (in.orientation) {
        case 2: nu = 1 - u; nv = v; break;
        case 3: nu = 1 - u; nv = 1 - v; break;
        case 4: nu = u; nv = 1 - v; break;
        case 5: nu = v; nv = u; break;
        case 6: nu = v; nv = 1 - u; break;
        case 7: nu = 1 - v; nv = 1 - u; break;
        case 8: nu = 1 - v; nv = u; break;
        default: break;
        }
        u = nu;
        v = nv;
    }

    void distort(const std::string& name, float& u, float& v) const
    {
        float t = in.tau;
        if (name == "Zoom") {
            u = u * (1 + 2 * t) - t;
            v = v * (1 + 2 * t) - t;
        } else if (name == "Lens") {
            float px = u * 2 - 1, py = v * 2 - 1;
            float r = px * px + py * py;
            float a = in.lens->sample(r * 0.5f, 0).a;
            float k = lerp(1, a, t);
            u = (px * k - 1) * 0.5f;
            v = (py * k - 1) * 0.5f;
        } else if (name == "Displacement") {
            Color c = in.disp->sample(u, v);
            float u2 = u + (c.r - 0.25f) * pixel * 64, v2 = v + (c.g - 0.25f) * pixel * 64;
            u = lerp(u, u2, t);
            v = lerp(v, v2, t);
        }
    }

    Color filter(const std::string& name, Color c1, float u, float v) const
    {
        if (name == "GrayScale") {
            float l = luminance(c1);
            return {l, l, l, 0};
        }
        if (name == "Sepia") {
            float l = luminance(c1);
            return {1.2f * l, l, 0.8f * l, 0};
        }
        if (name == "GrayScaleInvert") {
            float l = 1 - luminance(c1);
            return {l, l, l, 0};
        }
        if (name == "Emboss") {
            Color ce = Color{0.5f, 0.5f, 0.5f, 0} + in.photo->sample(u - pixel, v - pixel) * -1.5f +
                       in.photo->sample(u + pixel, v + pixel) * 1.5f;
            float l = (ce.r + ce.g + ce.b) * 0.33f;
            return {l, l, l, 0};
        }
        return in.rubik->sample(u, v) * luminance(in.photo->sample(u, v));
    }

    // Sector: true when the pixel lies so near the sweeping edge that
    // rounding may put it on either side.
    static bool sector_edge(float u, float v, float tau)
    {
        if (!(tau > 0.01f) || !(tau < 0.99f)) return false;
        float px = u * 2 - 1, py = v * 2 - 1;
        float angle = std::atan(px / py) + 1.57f + (py < 0 ? 3.14f : 0);
        float edge = tau * 2 * 3.14f;
        return std::fabs(angle - edge) < 0.05f || angle < 0.05f || angle > 6.23f;
    }

    Color pixel_color(const std::string& f, const std::string& uvf, const std::string& tr, float u, float v) const
    {
        orient(u, v);
        float du = u, dv = v;
        distort(uvf, du, dv);
        Color c1 = in.photo->sample(du, dv);
        Color c2 = filter(f, c1, du, dv);
        float t = in.tau;
        if (tr == "Fade") return {lerp(c1.r, c2.r, t), lerp(c1.g, c2.g, t), lerp(c1.b, c2.b, t), 0};
        if (!(t > 0.01f)) return c1;
        if (!(t < 0.99f)) return c2;
        float px = u * 2 - 1, py = v * 2 - 1;
        float angle = std::atan(px / py) + 1.57f;
        if (py < 0) angle += 3.14f;
        return angle < t * 2 * 3.14f ? c2 : c1;
    }
};

// The effect as the program creates it.
ID3DXEffect* load_program_effect(IDirect3DDevice9* device)
{
    GpuObjects gpu = {};
    gpu.device = device;
    return load_effect(&gpu) ? gpu.effect : nullptr;
}

struct Vertex {
    float x, y, z;
    float u, v;
};

class EffectTest : public ::testing::Test {
protected:
    static TestDevice* dev;
    static ID3DXEffect* effect;
    static IDirect3DVertexDeclaration9* decl;
    static bool ready;

    static void SetUpTestSuite()
    {
        dev = new TestDevice;
        if (!dev->create(target_size, target_size)) return;
        effect = load_program_effect(dev->device);
        if (!effect) return;
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            D3DDECL_END(),
        };
        if (dev->device->CreateVertexDeclaration(elements, &decl) < 0) return;
        ready = true;
    }

    static void TearDownTestSuite()
    {
        if (decl) decl->Release();
        if (effect) effect->Release();
        decl = nullptr;
        effect = nullptr;
        delete dev;
        dev = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(ready) << "device or effect could not be created"; }

    struct Textures {
        IDirect3DTexture9* photo = nullptr;
        IDirect3DTexture9* lens = nullptr;
        IDirect3DTexture9* rubik = nullptr;
        IDirect3DTexture9* disp = nullptr;
        ~Textures()
        {
            for (IDirect3DTexture9* t : {photo, lens, rubik, disp})
                if (t) t->Release();
        }
    };

    static IDirect3DTexture9* upload(const Image& im, D3DFORMAT format)
    {
        IDirect3DTexture9* t = nullptr;
        if (dev->device->CreateTexture(im.width, im.height, 1, 0, format, D3DPOOL_MANAGED, &t, nullptr) < 0)
            return nullptr;
        D3DLOCKED_RECT lr;
        if (t->LockRect(0, &lr, nullptr, 0) < 0) {
            t->Release();
            return nullptr;
        }
        for (int y = 0; y < im.height; ++y) {
            unsigned char* row = static_cast<unsigned char*>(lr.pBits) + y * lr.Pitch;
            for (int x = 0; x < im.width; ++x) {
                const Color& c = im.texels[y * im.width + x];
                row[4 * x + 0] = static_cast<unsigned char>(std::lround(c.b * 255));
                row[4 * x + 1] = static_cast<unsigned char>(std::lround(c.g * 255));
                row[4 * x + 2] = static_cast<unsigned char>(std::lround(c.r * 255));
                row[4 * x + 3] = static_cast<unsigned char>(std::lround(c.a * 255));
            }
        }
        t->UnlockRect(0);
        return t;
    }

    // Draws one technique over the whole target; the result is BGRA bytes.
    // The target shows the face coordinates from (u0, v0) to (u1, v1).
    static std::vector<unsigned char> draw(const std::string& technique, const Inputs& in, float u0 = 0,
                                           float v0 = 0, float u1 = 1, float v1 = 1)
    {
        std::vector<unsigned char> pixels(target_size * target_size * 4, 0);
        Textures t;
        t.photo = upload(*in.photo, D3DFMT_X8R8G8B8);
        t.lens = upload(*in.lens, D3DFMT_A8R8G8B8);
        t.rubik = upload(*in.rubik, D3DFMT_A8R8G8B8);
        t.disp = upload(*in.disp, D3DFMT_A8R8G8B8);
        EXPECT_TRUE(t.photo && t.lens && t.rubik && t.disp);
        IDirect3DDevice9* d = dev->device;
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        const float pixel_width[2] = {1.0f / texture_size, 1.0f / texture_size};
        EXPECT_GE(effect->SetTechnique(technique.c_str()), 0) << technique;
        effect->SetTexture("tex", t.photo);
        effect->SetTexture("tex_lens", t.lens);
        effect->SetTexture("tex_rubik", t.rubik);
        effect->SetTexture("tex_disp", t.disp);
        effect->SetMatrix("world_view_proj", &identity);
        effect->SetFloat("tau", in.tau);
        effect->SetFloatArray("pixel_width", pixel_width, 2);
        effect->SetInt("orientation_exif", in.orientation);

        // Half a pixel up and left, so that pixel (i, j) receives the face
        // coordinates ((i + 0.5) / size, (j + 0.5) / size).
        const float h = 1.0f / target_size;
        const Vertex quad[4] = {
            {-1 - h, 1 + h, 0.5f, u0, v0},
            {1 - h, 1 + h, 0.5f, u1, v0},
            {-1 - h, -1 + h, 0.5f, u0, v1},
            {1 - h, -1 + h, 0.5f, u1, v1},
        };
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 255), 1.0f, 0);
        d->BeginScene();
        d->SetVertexDeclaration(decl);
        UINT passes = 0;
        EXPECT_GE(effect->Begin(&passes, 0), 0);
        EXPECT_EQ(passes, 1u);
        effect->BeginPass(0);
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
        effect->EndPass();
        effect->End();
        d->EndScene();
        IDirect3DSurface9* back = nullptr;
        if (d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) >= 0) {
            EXPECT_TRUE(read_surface(d, back, pixels.data(), target_size, target_size));
            back->Release();
        }
        return pixels;
    }

    // Draws and compares every pixel with the reference; returns how many
    // differ by more than the tolerance (in 8-bit steps).
    static int compare(const std::string& f, const std::string& uvf, const std::string& tr, const Inputs& in,
                       int tolerance = 4)
    {
        std::string name = f + uvf + tr;
        std::vector<unsigned char> got = draw(name, in);
        Reference ref{in};
        int bad = 0;
        for (int j = 0; j < target_size; ++j) {
            for (int i = 0; i < target_size; ++i) {
                float u = (i + 0.5f) / target_size, v = (j + 0.5f) / target_size;
                float ou = u, ov = v;
                ref.orient(ou, ov);
                if (tr == "Sector" && Reference::sector_edge(ou, ov, in.tau)) continue;
                Color want = ref.pixel_color(f, uvf, tr, u, v);
                const unsigned char* p = &got[(j * target_size + i) * 4];
                int w[3] = {int(std::lround(std::min(std::max(want.r, 0.0f), 1.0f) * 255)),
                            int(std::lround(std::min(std::max(want.g, 0.0f), 1.0f) * 255)),
                            int(std::lround(std::min(std::max(want.b, 0.0f), 1.0f) * 255))};
                int g[3] = {p[2], p[1], p[0]};
                bool ok = true;
                for (int k = 0; k < 3; ++k) ok = ok && std::abs(w[k] - g[k]) <= tolerance;
                if (!ok && bad++ < 3) {
                    ADD_FAILURE() << name << " tau " << in.tau << " orientation " << in.orientation << " pixel (" << i
                                  << ", " << j << "): got " << g[0] << "," << g[1] << "," << g[2] << " want " << w[0]
                                  << "," << w[1] << "," << w[2];
                }
            }
        }
        return bad;
    }

    // Inputs shared by most cases.
    static const Image& photo()
    {
        static Image im = make_image(texture_size, texture_size, photo_pattern);
        return im;
    }
    static const Image& lens()
    {
        // A profile that grows towards the corners, like the program's.
        static Image im = make_image(texture_size, 2, [](int x, int) {
            float s = (x + 0.5f) / texture_size;
            return Color{0, 0, 0, 0.41f + 0.32f * s * s};
        });
        return im;
    }
    static const Image& rubik()
    {
        static Image im = make_image(texture_size, texture_size, [](int x, int y) {
            float u = (x + 0.5f) / texture_size, v = (y + 0.5f) / texture_size;
            return Color{0.5f + 0.45f * std::cos(two_pi * v), 0.5f + 0.45f * std::sin(two_pi * u),
                         0.5f + 0.45f * std::cos(two_pi * (u - v)), 0};
        });
        return im;
    }
    static const Image& disp()
    {
        static Image im = make_image(texture_size, texture_size, [](int x, int y) {
            float u = (x + 0.5f) / texture_size, v = (y + 0.5f) / texture_size;
            // Gentle slopes: a steep one would squeeze the photo, and the
            // device's anisotropic filter would then average over texels.
            return Color{0.35f + 0.1f * std::sin(two_pi * (u + v)), 0.15f + 0.1f * std::cos(two_pi * u), 0, 1};
        });
        return im;
    }
    static Inputs inputs(float tau, const Image* p = nullptr, int orientation = 1)
    {
        return Inputs{p ? p : &photo(), &lens(), &rubik(), &disp(), tau, orientation};
    }
};

TestDevice* EffectTest::dev = nullptr;
ID3DXEffect* EffectTest::effect = nullptr;
IDirect3DVertexDeclaration9* EffectTest::decl = nullptr;
bool EffectTest::ready = false;

std::vector<std::string> technique_names()
{
    std::vector<std::string> names;
    for (const char* tr : transitions)
        for (const char* uvf : distortions)
            for (const char* f : filters) names.push_back(std::string(f) + uvf + tr);
    return names;
}

std::string resource_bytes(WORD id)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(10), MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!found) return std::string();
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

TEST(EffectResources, TextIsTheSourceWithCrlfAndNoTerminator)
{
    std::ifstream in(std::string("Z:") + ORBISCA_SOURCE_DIR + "/resources/effect.fx", std::ios::binary);
    ASSERT_TRUE(in) << "cannot read the effect source";
    std::ostringstream source;
    source << in.rdbuf();
    std::string want;
    for (char c : source.str()) {
        if (c == '\n') want += '\r';
        if (c != '\r') want += c;
    }
    std::string text = resource_bytes(102);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text, want);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    for (unsigned char c : text) EXPECT_TRUE(c < 128) << "not plain ASCII: " << int(c);
    // The compiled copy is a binary effect.
    std::string binary = resource_bytes(103);
    ASSERT_GE(binary.size(), 8u);
    EXPECT_EQ(binary.substr(0, 4), std::string("\x01\x09\xff\xfe", 4));
}

TEST_F(EffectTest, EveryTechniqueIsFoundByNameWithItsOnePassInTextOrder)
{
    std::vector<std::string> names = technique_names();
    ASSERT_EQ(names.size(), 40u);
    D3DXEFFECT_DESC desc;
    ASSERT_GE(effect->GetDesc(&desc), 0);
    EXPECT_EQ(desc.Techniques, 40u);
    for (size_t i = 0; i < names.size(); ++i) {
        D3DXHANDLE t = effect->GetTechniqueByName(names[i].c_str());
        ASSERT_NE(t, nullptr) << names[i];
        D3DXTECHNIQUE_DESC td;
        ASSERT_GE(effect->GetTechniqueDesc(t, &td), 0);
        EXPECT_EQ(td.Passes, 1u) << names[i];
        EXPECT_NE(effect->GetPassByName(t, "P0"), nullptr) << names[i];
        EXPECT_GE(effect->ValidateTechnique(t), 0) << names[i];
        D3DXHANDLE by_index = effect->GetTechnique(static_cast<UINT>(i));
        ASSERT_NE(by_index, nullptr);
        ASSERT_GE(effect->GetTechniqueDesc(by_index, &td), 0);
        EXPECT_STREQ(td.Name, names[i].c_str()) << "technique " << i;
    }
    EXPECT_EQ(effect->GetTechniqueByName("SepiaSwirlFade"), nullptr);
    EXPECT_LE(std::string("GrayScaleInvertDisplacementSector").size(), size_t(technique_size - 1));
}

TEST(EffectSamplers, PassSetsEachSamplersTextureAndFilters)
{
    // A device that answers state queries (not a pure device).
    TestDevice dev;
    ASSERT_TRUE(dev.create(64, 64, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED));
    ID3DXEffect* effect = load_program_effect(dev.device);
    ASSERT_NE(effect, nullptr);

    IDirect3DTexture9* textures[4] = {};
    const char* names[4] = {"tex", "tex_lens", "tex_rubik", "tex_disp"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_GE(dev.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &textures[i], nullptr), 0);
        effect->SetTexture(names[i], textures[i]);
    }
    struct Expected {
        const char* sampler;
        IDirect3DTexture9* texture;
        DWORD mip, min, mag, anisotropy;
    };
    const Expected expected[] = {
        {"MeshTextureSampler", textures[0], D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, 4},
        {"LensTextureSampler", textures[1], D3DTEXF_NONE, D3DTEXF_LINEAR, D3DTEXF_LINEAR, 1},
        {"RubikTextureSampler", textures[2], D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, 4},
        {"DispTextureSampler", textures[3], D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, 4},
    };
    // Between them these read all four samplers, five reads in all.
    int checked = 0;
    for (const char* technique : {"RubikLensFade", "EmbossDisplacementSector"}) {
        D3DXHANDLE t = effect->GetTechniqueByName(technique);
        ASSERT_NE(t, nullptr);
        D3DXPASS_DESC pass;
        ASSERT_GE(effect->GetPassDesc(effect->GetPass(t, 0), &pass), 0);
        ID3DXConstantTable* table = nullptr;
        ASSERT_GE(D3DXGetShaderConstantTable(pass.pPixelShaderFunction, &table), 0);
        ASSERT_GE(effect->SetTechnique(t), 0);
        UINT passes = 0;
        ASSERT_GE(effect->Begin(&passes, 0), 0);
        ASSERT_GE(effect->BeginPass(0), 0);
        for (const Expected& e : expected) {
            D3DXHANDLE c = table->GetConstantByName(nullptr, e.sampler);
            if (!c) continue;
            ++checked;
            UINT stage = table->GetSamplerIndex(c);
            IDirect3DBaseTexture9* bound = nullptr;
            dev.device->GetTexture(stage, &bound);
            EXPECT_EQ(bound, e.texture) << technique << " " << e.sampler;
            if (bound) bound->Release();
            DWORD v = 0;
            dev.device->GetSamplerState(stage, D3DSAMP_MIPFILTER, &v);
            EXPECT_EQ(v, e.mip) << technique << " " << e.sampler;
            dev.device->GetSamplerState(stage, D3DSAMP_MINFILTER, &v);
            EXPECT_EQ(v, e.min) << technique << " " << e.sampler;
            dev.device->GetSamplerState(stage, D3DSAMP_MAGFILTER, &v);
            EXPECT_EQ(v, e.mag) << technique << " " << e.sampler;
            dev.device->GetSamplerState(stage, D3DSAMP_MAXANISOTROPY, &v);
            EXPECT_EQ(v, e.anisotropy) << technique << " " << e.sampler;
            // No address mode is set: wrap, the device default.
            dev.device->GetSamplerState(stage, D3DSAMP_ADDRESSU, &v);
            EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
        }
        effect->EndPass();
        effect->End();
        table->Release();
    }
    EXPECT_EQ(checked, 5);
    for (IDirect3DTexture9* t : textures) t->Release();
    effect->Release();
}

TEST_F(EffectTest, ParametersHaveTheirNamesAndTypes)
{
    struct Expected {
        const char* name;
        D3DXPARAMETER_CLASS cls;
        D3DXPARAMETER_TYPE type;
        UINT rows, columns;
    };
    const Expected expected[] = {
        {"tex", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0},
        {"tex_lens", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0},
        {"tex_rubik", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0},
        {"tex_disp", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0},
        {"world_view_proj", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT, 4, 4},
        {"tau", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1},
        {"pixel_width", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2},
        {"orientation_exif", D3DXPC_SCALAR, D3DXPT_INT, 1, 1},
    };
    for (const Expected& e : expected) {
        D3DXHANDLE h = effect->GetParameterByName(nullptr, e.name);
        ASSERT_NE(h, nullptr) << e.name;
        D3DXPARAMETER_DESC d;
        ASSERT_GE(effect->GetParameterDesc(h, &d), 0);
        EXPECT_EQ(d.Class, e.cls) << e.name;
        EXPECT_EQ(d.Type, e.type) << e.name;
        if (e.cls != D3DXPC_OBJECT) {
            EXPECT_EQ(d.Rows, e.rows) << e.name;
            EXPECT_EQ(d.Columns, e.columns) << e.name;
        }
    }
    for (const char* s : {"MeshTextureSampler", "LensTextureSampler", "RubikTextureSampler", "DispTextureSampler"}) {
        D3DXHANDLE h = effect->GetParameterByName(nullptr, s);
        ASSERT_NE(h, nullptr) << s;
        D3DXPARAMETER_DESC d;
        ASSERT_GE(effect->GetParameterDesc(h, &d), 0);
        EXPECT_EQ(d.Class, D3DXPC_OBJECT) << s;
    }
}

TEST_F(EffectTest, AtZeroEveryTechniqueShowsThePhotoUnchanged)
{
    for (const char* tr : transitions)
        for (const char* uvf : distortions)
            for (const char* f : filters) EXPECT_EQ(compare(f, uvf, tr, inputs(0)), 0) << f << uvf << tr;
}

TEST_F(EffectTest, EveryTechniqueFollowsItsFormulasPartWayAndAtFull)
{
    for (float tau : {0.3f, 0.7f, 1.0f})
        for (const char* tr : transitions)
            for (const char* uvf : distortions)
                for (const char* f : filters)
                    EXPECT_EQ(compare(f, uvf, tr, inputs(tau)), 0) << f << uvf << tr << " at " << tau;
}

TEST_F(EffectTest, SectorShowsThePhotoAtItsLowerLimitAndTheFilterAtItsUpper)
{
    // The limits themselves: 0.01 is still all photo, 0.99 already all filter.
    for (const char* uvf : distortions) {
        EXPECT_EQ(compare("GrayScale", uvf, "Sector", inputs(0.01f)), 0) << uvf;
        EXPECT_EQ(compare("GrayScale", uvf, "Sector", inputs(0.99f)), 0) << uvf;
        EXPECT_EQ(compare("Sepia", uvf, "Sector", inputs(0.5f)), 0) << uvf;
    }
    Inputs in = inputs(0.01f);
    std::vector<unsigned char> photo_only = draw("GrayScaleSimpleSector", inputs(0));
    EXPECT_EQ(draw("GrayScaleSimpleSector", in), photo_only);
}

TEST_F(EffectTest, SectorAtHalfFiltersTheLowerHalf)
{
    // A coloured photo: grey pixels are filtered ones.
    Image red = make_image(texture_size, texture_size, uniform({0.8f, 0.2f, 0.1f, 1}));
    std::vector<unsigned char> px = draw("GrayScaleSimpleSector", inputs(0.5f, &red));
    int lower_grey = 0, upper_red = 0;
    for (int j = 0; j < target_size; ++j) {
        for (int i = 2; i < target_size - 2; ++i) {
            const unsigned char* p = &px[(j * target_size + i) * 4];
            bool grey = p[0] == p[1] && p[1] == p[2];
            if (j >= target_size / 2 + 1 && grey) ++lower_grey;
            if (j < target_size / 2 - 1 && !grey && p[2] > 150) ++upper_red;
        }
    }
    int half = (target_size / 2 - 1) * (target_size - 4);
    EXPECT_EQ(lower_grey, half);
    EXPECT_EQ(upper_red, half);
}

// Where the sweep shows the filter, to the pixel: each pixel of a Sector
// technique is either the photo's pixel (as drawn at 0) or the filter's (as
// drawn at 1), as the formula's angle decides, except where the sector's edge
// passes within a pixel. Besides the whole face, a window magnified to a face
// of 2048 pixels across follows the sweeping edge, so that an edge off by a
// pixel on a large screen shows.
TEST_F(EffectTest, SectorEdgeIsWhereTheAngleFormulaPutsIt)
{
    auto filtered = [](float u, float v, float tau) {
        float px = u * 2 - 1, py = v * 2 - 1;
        float angle = std::atan(px / py) + 1.57f;
        if (py < 0) angle += 3.14f;
        return angle < tau * 2 * 3.14f;
    };
    for (const char* f : {"GrayScale", "Emboss"}) {
        std::string technique = std::string(f) + "SimpleSector";
        for (float tau : {0.02f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 0.98f}) {
            // The edge's direction at this amount, from the face's centre.
            float edge = tau * 2 * 3.14f, cu = 0.5f - 0.425f * std::cos(edge), cv = 0.5f + 0.425f * std::sin(edge);
            const float half = 0.5f * target_size / 2048;
            const float windows[2][4] = {{0, 0, 1, 1}, {cu - half, cv - half, cu + half, cv + half}};
            for (const float* w : windows) {
                std::vector<unsigned char> photo_px = draw(technique, inputs(0), w[0], w[1], w[2], w[3]);
                std::vector<unsigned char> filter_px = draw(technique, inputs(1), w[0], w[1], w[2], w[3]);
                std::vector<unsigned char> got = draw(technique, inputs(tau), w[0], w[1], w[2], w[3]);
                const float step_u = (w[2] - w[0]) / target_size, step_v = (w[3] - w[1]) / target_size;
                int checked = 0, decisive = 0, bad = 0;
                for (int j = 0; j < target_size; ++j) {
                    for (int i = 0; i < target_size; ++i) {
                        float u = w[0] + (i + 0.5f) * step_u, v = w[1] + (j + 0.5f) * step_v;
                        bool in = filtered(u, v, tau), near_edge = false;
                        for (int dj = -1; dj <= 1; ++dj)
                            for (int di = -1; di <= 1; ++di)
                                near_edge = near_edge || filtered(u + di * step_u, v + dj * step_v, tau) != in;
                        if (near_edge) continue;
                        ++checked;
                        size_t at = (size_t(j) * target_size + i) * 4;
                        const std::vector<unsigned char>& want = in ? filter_px : photo_px;
                        int off = 0, apart = 0;
                        for (int k = 0; k < 3; ++k) {
                            off = std::max(off, std::abs(got[at + k] - want[at + k]));
                            apart = std::max(apart, std::abs(photo_px[at + k] - filter_px[at + k]));
                        }
                        decisive += apart > 1;
                        if (off > 1 && bad++ < 3)
                            ADD_FAILURE() << technique << " tau " << tau << " window at (" << w[0] << ", " << w[1]
                                          << ") pixel (" << i << ", " << j << ") is not the "
                                          << (in ? "filter's" : "photo's");
                    }
                }
                EXPECT_EQ(bad, 0) << technique << " tau " << tau;
                // Most pixels are off the edge, and the photo and its
                // filtered look differ there.
                EXPECT_GT(checked, target_size * target_size * 9 / 10) << technique << " tau " << tau;
                EXPECT_GT(decisive, checked / 2) << technique << " tau " << tau;
            }
        }
    }
}

TEST_F(EffectTest, OrientationRemapsTheFaceCoordinates)
{
    for (int orientation = 0; orientation <= 9; ++orientation)
        EXPECT_EQ(compare("Rubik", "Simple", "Fade", inputs(0, nullptr, orientation)), 0) << orientation;
    // The remap happens before the distortion and the filter.
    for (int orientation : {5, 6})
        EXPECT_EQ(compare("Emboss", "Lens", "Sector", inputs(0.6f, nullptr, orientation)), 0) << orientation;
    // Two codes that must differ from upright, as a guard against a
    // reference that mirrors the shader's mistakes.
    std::vector<unsigned char> upright = draw("RubikSimpleFade", inputs(0, nullptr, 1));
    EXPECT_NE(draw("RubikSimpleFade", inputs(0, nullptr, 6)), upright);
    EXPECT_NE(draw("RubikSimpleFade", inputs(0, nullptr, 3)), upright);
}

// The colour of the target's centre pixel after drawing with a uniform photo.
struct Rgb {
    int r, g, b;
};

TEST_F(EffectTest, FiltersOfUniformPhotos)
{
    auto centre = [](const std::string& technique, const Image& im) {
        std::vector<unsigned char> px = draw(technique, inputs(1, &im));
        const unsigned char* p = &px[((target_size / 2) * target_size + target_size / 2) * 4];
        return Rgb{p[2], p[1], p[0]};
    };
    Image white = make_image(texture_size, texture_size, uniform({1, 1, 1, 1}));
    Image black = make_image(texture_size, texture_size, uniform({0, 0, 0, 1}));
    Image grey = make_image(texture_size, texture_size, uniform({0.3f, 0.6f, 0.2f, 1}));

    // Emboss of any uniform photo: 1.5 x 0.33 = 0.495.
    Rgb e = centre("EmbossSimpleFade", grey);
    EXPECT_EQ(e.r, 126);
    EXPECT_EQ(e.g, 126);
    EXPECT_EQ(e.b, 126);
    // Sepia of white is (1.2, 1, 0.8); red saturates.
    Rgb s = centre("SepiaSimpleFade", white);
    EXPECT_EQ(s.r, 255);
    EXPECT_EQ(s.g, 255);
    EXPECT_EQ(s.b, 204);
    // Inverted grey scale swaps black and white.
    Rgb ib = centre("GrayScaleInvertSimpleFade", black);
    Rgb iw = centre("GrayScaleInvertSimpleFade", white);
    EXPECT_EQ(ib.r + ib.g + ib.b, 3 * 255);
    EXPECT_EQ(iw.r + iw.g + iw.b, 0);
    // Rubik: the grid at full strength on white, nothing on black.
    EXPECT_EQ(compare("Rubik", "Simple", "Fade", inputs(1, &white)), 0);
    std::vector<unsigned char> dark = draw("RubikSimpleFade", inputs(1, &black));
    int brightest = 0;
    for (size_t i = 0; i < dark.size(); i += 4)
        brightest = std::max({brightest, int(dark[i]), int(dark[i + 1]), int(dark[i + 2])});
    EXPECT_EQ(brightest, 0);
}

TEST_F(EffectTest, ZoomAtFullShowsThePhotoThreeTimesAcrossAndDown)
{
    // At 1 the face spans -1..2: every third of the target repeats.
    std::vector<unsigned char> px = draw("GrayScaleZoomFade", inputs(1));
    const int third = target_size / 3;
    int differ = 0;
    for (int j = 0; j < target_size; ++j)
        for (int i = 0; i + third < target_size; ++i)
            for (int k = 0; k < 3; ++k)
                differ += std::abs(px[(j * target_size + i) * 4 + k] - px[(j * target_size + i + third) * 4 + k]) > 2;
    EXPECT_EQ(differ, 0);
    // The face's corners sit on (-1, -1) and (2, 2), which wrap onto the
    // photo's own corners: with white corners on a black photo, the target's
    // corner pixels are white and its centre black.
    Image corners = make_image(texture_size, texture_size, [](int x, int y) {
        bool near_x = x < 3 || x >= texture_size - 3, near_y = y < 3 || y >= texture_size - 3;
        return near_x && near_y ? Color{1, 1, 1, 1} : Color{0, 0, 0, 1};
    });
    px = draw("SepiaZoomSector", inputs(1, &corners));
    auto red = [&](int i, int j) { return int(px[(j * target_size + i) * 4 + 2]); };
    const int last = target_size - 1;
    EXPECT_EQ(red(0, 0), 255);
    EXPECT_EQ(red(last, 0), 255);
    EXPECT_EQ(red(0, last), 255);
    EXPECT_EQ(red(last, last), 255);
    EXPECT_EQ(red(target_size / 2, target_size / 2), 0);
}

TEST_F(EffectTest, DisplacementWithRedZeroShiftsSixteenTexelsLeft)
{
    // Red 0 and green 0.25 give the offset (-16, 0) texels at full amount:
    // a quarter of the photo, 24 pixels of the target.
    Image still = make_image(texture_size, texture_size, uniform({0, 0.25f, 0, 1}));
    Inputs in{&photo(), &lens(), &rubik(), &still, 1, 1};
    std::vector<unsigned char> moved = draw("GrayScaleDisplacementFade", in);
    std::vector<unsigned char> plain = draw("GrayScaleSimpleFade", in);
    const int shift = target_size / 4;
    int differ = 0;
    for (int j = 0; j < target_size; ++j)
        for (int i = 0; i < target_size; ++i)
            for (int k = 0; k < 3; ++k) {
                int from = (i - shift + target_size) % target_size;
                differ += std::abs(moved[(j * target_size + i) * 4 + k] - plain[(j * target_size + from) * 4 + k]) > 2;
            }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(compare("Sepia", "Displacement", "Sector", Inputs{&photo(), &lens(), &rubik(), &still, 0.6f, 1}), 0);
}

}  // namespace
