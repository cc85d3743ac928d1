// The effect container's reader on the program's compiled effect, and on
// damaged copies of it: cut short, with counts and offsets far too large, with
// bits flipped. A damaged copy fails the read or reads something in bounds,
// never anything else (the sanitizers watch every byte read).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "render/effect_reader.h"

namespace {

std::vector<uint8_t> program_effect()
{
    std::ifstream in(ORBISCA_SOURCE_DIR "/resources/effect.fxo", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t word_at(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

void set_word(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Reads a copy of exactly its size, so that a read past its end shows.
bool reads(const std::vector<uint8_t>& bytes, EffectLayout* layout)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    return read_effect(copy.get(), static_cast<uint32_t>(bytes.size()), layout);
}

class EffectReader : public ::testing::Test {
protected:
    std::vector<uint8_t> effect = program_effect();
    std::unique_ptr<EffectLayout> layout{new EffectLayout};
    // Where the structured section starts, and its first pass's first state.
    size_t structured() const { return 8 + word_at(effect, 4); }
    size_t first_pass_state() const { return structured() + 16 + 16 * word_at(effect, structured()) + 12 + 12; }
};

TEST_F(EffectReader, TheProgramsEffect)
{
    ASSERT_GT(effect.size(), 1000u);
    ASSERT_TRUE(reads(effect, layout.get()));
    const EffectLayout& e = *layout;

    struct Param {
        const char* name;
        uint32_t type, cls, rows, columns;
    };
    const Param params[] = {
        {"tex", effect_type_texture, effect_class_object, 0, 0},
        {"tex_lens", effect_type_texture, effect_class_object, 0, 0},
        {"tex_rubik", effect_type_texture, effect_class_object, 0, 0},
        {"tex_disp", effect_type_texture, effect_class_object, 0, 0},
        {"world_view_proj", effect_type_float, effect_class_matrix_rows, 4, 4},
        {"tau", effect_type_float, effect_class_scalar, 1, 1},
        {"pixel_width", effect_type_float, effect_class_vector, 1, 2},
        {"orientation_exif", effect_type_int, effect_class_scalar, 1, 1},
        {"MeshTextureSampler", effect_type_sampler, effect_class_object, 0, 0},
        {"LensTextureSampler", effect_type_sampler, effect_class_object, 0, 0},
        {"RubikTextureSampler", effect_type_sampler, effect_class_object, 0, 0},
        {"DispTextureSampler", effect_type_sampler, effect_class_object, 0, 0},
    };
    ASSERT_EQ(e.parameter_count, 12u);
    for (uint32_t i = 0; i < 12; ++i) {
        const EffectParameter& p = e.parameters[i];
        EXPECT_STREQ(p.name, params[i].name);
        EXPECT_EQ(p.type, params[i].type) << p.name;
        EXPECT_EQ(p.cls, params[i].cls) << p.name;
        EXPECT_EQ(p.rows, params[i].rows) << p.name;
        EXPECT_EQ(p.columns, params[i].columns) << p.name;
    }

    // Samplers: their texture, then MipFilter (7), MinFilter (6), MagFilter (5)
    // and MaxAnisotropy (10) where set.
    const uint32_t linear = 2, anisotropic = 3;
    const std::vector<EffectState> anisotropic_states = {{7, linear}, {6, anisotropic}, {5, linear}, {10, 4}};
    const std::vector<EffectState> lens_states = {{7, 0}, {6, linear}, {5, linear}};
    for (uint32_t s = 8; s < 12; ++s) {
        const EffectParameter& p = e.parameters[s];
        EXPECT_EQ(p.texture, int32_t(s - 8)) << p.name;
        const std::vector<EffectState>& want = s == 9 ? lens_states : anisotropic_states;
        ASSERT_EQ(p.state_count, want.size()) << p.name;
        for (uint32_t k = 0; k < p.state_count; ++k) {
            EXPECT_EQ(e.states[p.first_state + k].state, want[k].state) << p.name << " " << k;
            EXPECT_EQ(e.states[p.first_state + k].value, want[k].value) << p.name << " " << k;
        }
    }

    // Forty techniques in the text's order, one pass each; one vertex shader
    // for all of them, kept once, and a pixel shader of each one's own.
    const char* filters[] = {"GrayScale", "Sepia", "GrayScaleInvert", "Emboss", "Rubik"};
    const char* distortions[] = {"Simple", "Zoom", "Lens", "Displacement"};
    const char* transitions[] = {"Fade", "Sector"};
    ASSERT_EQ(e.technique_count, 40u);
    ASSERT_EQ(e.shader_count, 41u);
    uint32_t t = 0;
    for (const char* tr : transitions)
        for (const char* uv : distortions)
            for (const char* f : filters) {
                std::string name = std::string(f) + uv + tr;
                const EffectTechnique& tech = e.techniques[t];
                EXPECT_EQ(tech.name, name);
                EXPECT_EQ(find_technique(e, name.c_str()), int32_t(t));
                ASSERT_EQ(tech.pass_count, 1u) << name;
                const EffectPass& pass = e.passes[tech.first_pass];
                EXPECT_STREQ(pass.name, "P0");
                EXPECT_EQ(pass.state_count, 0u) << name;
                EXPECT_EQ(pass.vertex_shader, e.passes[0].vertex_shader) << name;
                ASSERT_GE(pass.pixel_shader, 0) << name;
                EXPECT_TRUE(e.shaders[pass.pixel_shader].pixel);
                // Every pixel shader reads the photo and the amount.
                const EffectShader& ps = e.shaders[pass.pixel_shader];
                bool photo = false, tau = false;
                for (uint32_t c = 0; c < ps.constant_count; ++c) {
                    const EffectConstant& k = e.constants[ps.first_constant + c];
                    photo = photo || (k.parameter == 8 && k.register_set == effect_registers_sampler);
                    tau = tau || (k.parameter == 5 && k.register_set == effect_registers_float4);
                }
                EXPECT_TRUE(photo && tau) << name;
                ++t;
            }
    EXPECT_EQ(find_technique(e, "SepiaSwirlFade"), -1);

    // The vertex shader: the matrix in four registers of columns, the orientation in one.
    const EffectShader& vs = e.shaders[e.passes[0].vertex_shader];
    EXPECT_FALSE(vs.pixel);
    ASSERT_EQ(vs.constant_count, 2u);
    for (uint32_t c = 0; c < 2; ++c) {
        const EffectConstant& k = e.constants[vs.first_constant + c];
        EXPECT_EQ(k.register_set, effect_registers_float4);
        if (k.parameter == 4) {
            EXPECT_EQ(k.register_count, 4u);
            EXPECT_EQ(k.cls, effect_class_matrix_columns);
        } else {
            EXPECT_EQ(k.parameter, 7u);
            EXPECT_EQ(k.register_count, 1u);
        }
    }
}

TEST_F(EffectReader, CopiesCutShortFail)
{
    std::vector<size_t> sizes;
    for (size_t n = 0; n < 200; ++n) sizes.push_back(n);
    for (size_t n = 200; n < effect.size(); n += 97) sizes.push_back(n);
    for (size_t n = effect.size() - 200; n < effect.size(); ++n) sizes.push_back(n);
    for (size_t n : sizes) {
        std::vector<uint8_t> cut(effect.begin(), effect.begin() + n);
        EXPECT_FALSE(reads(cut, layout.get())) << n;
    }
    // Bytes after the container change nothing.
    std::vector<uint8_t> longer = effect;
    longer.resize(effect.size() + 40, 0xAB);
    EXPECT_TRUE(reads(longer, layout.get()));
}

TEST_F(EffectReader, CountsAndOffsetsTooLargeFail)
{
    const size_t s = structured();
    const uint32_t huge[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, uint32_t(effect.size())};
    // The structured section's offset, the parameter and technique counts, a
    // parameter's type offset, the matrix's and a sampler's value offsets, a
    // technique's name offset and pass count, and the first state's type.
    const size_t places[] = {4, s, s + 4, s + 16, s + 16 + 4 * 16 + 4, s + 16 + 8 * 16 + 4, s + 208, s + 216,
                             first_pass_state() + 8};
    for (size_t at : places)
        for (uint32_t v : huge) {
            std::vector<uint8_t> bad = effect;
            set_word(bad, at, v);
            EXPECT_FALSE(reads(bad, layout.get())) << "word at " << at << " = " << v;
        }
    // The resource count: far more resources than there are bytes.
    std::vector<uint8_t> bad = effect;
    size_t resources = 0;
    for (size_t at = effect.size() - 4; at > s; at -= 4) {
        // The count sits before the first resource: technique 0xFFFFFFFF, a
        // sampler's parameter index 8.
        if (word_at(effect, at) == 0xFFFFFFFFu && word_at(effect, at + 4) == 8 && word_at(effect, at + 8) == 0xFFFFFFFFu)
            resources = at - 4;
    }
    ASSERT_NE(resources, 0u);
    EXPECT_EQ(word_at(effect, resources), 84u);
    set_word(bad, resources, 85);
    EXPECT_FALSE(reads(bad, layout.get()));
}

TEST_F(EffectReader, UnknownContentFails)
{
    // A pass state that is not a render state or a shader (LightEnable).
    std::vector<uint8_t> bad = effect;
    ASSERT_EQ(word_at(bad, first_pass_state()), 0x92u);
    set_word(bad, first_pass_state(), 0x91);
    EXPECT_FALSE(reads(bad, layout.get()));
    // Another container version.
    bad = effect;
    set_word(bad, 0, 0xFEFF0902);
    EXPECT_FALSE(reads(bad, layout.get()));
    // An array parameter.
    bad = effect;
    size_t type = 8 + word_at(effect, structured() + 16);
    set_word(bad, type + 16, 2);
    EXPECT_FALSE(reads(bad, layout.get()));
}

TEST_F(EffectReader, BitFlipsNeverReadOutOfBounds)
{
    std::mt19937 random(26);
    std::uniform_int_distribution<size_t> byte(0, effect.size() - 1);
    int read = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> flipped = effect;
        for (int k = 0; k < 1 + i % 3; ++k) flipped[byte(random)] ^= uint8_t(1u << (random() % 8));
        if (reads(flipped, layout.get())) {
            ++read;
            // What was read stays within its tables and the container.
            const EffectLayout& e = *layout;
            for (uint32_t sh = 0; sh < e.shader_count; ++sh) {
                ASSERT_LE(e.shaders[sh].offset + uint64_t(e.shaders[sh].size), flipped.size());
                ASSERT_LE(e.shaders[sh].first_constant + e.shaders[sh].constant_count, e.constant_count);
            }
            for (uint32_t p = 0; p < e.pass_count; ++p) {
                ASSERT_LT(e.passes[p].vertex_shader, int32_t(e.shader_count));
                ASSERT_LT(e.passes[p].pixel_shader, int32_t(e.shader_count));
                ASSERT_LE(e.passes[p].first_state + e.passes[p].state_count, e.state_count);
            }
            for (uint32_t c = 0; c < e.constant_count; ++c) ASSERT_LT(e.constants[c].parameter, e.parameter_count);
        }
    }
    // Most flips land in shader code the reader does not look into.
    EXPECT_GT(read, 1000);
}

} // namespace
