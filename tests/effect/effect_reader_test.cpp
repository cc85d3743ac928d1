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

// What the runtime takes from the effect; that it draws as D3DX draws it is
// tested under Wine (tests/render/builtin_d3dx_test.cpp).
TEST_F(EffectReader, TheProgramsEffect)
{
    ASSERT_TRUE(reads(effect, layout.get()));
    const EffectLayout& e = *layout;
    const char* names[] = {"tex", "tex_lens", "tex_rubik", "tex_disp", "world_view_proj", "tau", "pixel_width",
                           "orientation_exif", "MeshTextureSampler", "LensTextureSampler", "RubikTextureSampler",
                           "DispTextureSampler"};
    const uint32_t types[] = {5, 5, 5, 5, effect_type_float, effect_type_float, effect_type_float, effect_type_int,
                              10, 10, 10, 10};
    ASSERT_EQ(e.parameter_count, 12u);
    for (uint32_t i = 0; i < 12; ++i) {
        EXPECT_STREQ(e.parameters[i].name, names[i]);
        EXPECT_EQ(e.parameters[i].type, types[i]) << names[i];
    }
    EXPECT_EQ(e.parameters[4].cls, effect_class_matrix_rows);
    EXPECT_EQ(e.parameters[4].rows * e.parameters[4].columns, 16u);
    EXPECT_EQ(e.parameters[6].cls, effect_class_vector);
    EXPECT_EQ(e.parameters[6].columns, 2u);

    // Samplers: their texture, MipFilter (7), MinFilter (6), MagFilter (5),
    // MaxAnisotropy (10) where set; LINEAR 2, ANISOTROPIC 3.
    const std::vector<uint32_t> anisotropic = {7, 2, 6, 3, 5, 2, 10, 4}, lens = {7, 0, 6, 2, 5, 2};
    for (uint32_t s = 8; s < 12; ++s) {
        const EffectParameter& p = e.parameters[s];
        EXPECT_EQ(p.texture, int32_t(s - 8)) << p.name;
        std::vector<uint32_t> got;
        for (uint32_t k = 0; k < p.state_count; ++k)
            got.insert(got.end(), {e.states[p.first_state + k].state, e.states[p.first_state + k].value});
        EXPECT_EQ(got, s == 9 ? lens : anisotropic) << p.name;
    }

    // Forty techniques in the text's order, one pass each; one vertex shader
    // for all of them, kept once, and a pixel shader of each one's own.
    ASSERT_EQ(e.technique_count, 40u);
    EXPECT_EQ(e.shader_count, 41u);
    uint32_t t = 0;
    for (const char* tr : {"Fade", "Sector"})
        for (const char* uv : {"Simple", "Zoom", "Lens", "Displacement"})
            for (const char* f : {"GrayScale", "Sepia", "GrayScaleInvert", "Emboss", "Rubik"}) {
                std::string name = std::string(f) + uv + tr;
                EXPECT_EQ(find_technique(e, name.c_str()), int32_t(t)) << name;
                ASSERT_EQ(e.techniques[t].pass_count, 1u) << name;
                const EffectPass& pass = e.passes[e.techniques[t++].first_pass];
                EXPECT_STREQ(pass.name, "P0");
                EXPECT_EQ(pass.vertex_shader, e.passes[0].vertex_shader) << name;
                ASSERT_GE(pass.pixel_shader, 0) << name;
                EXPECT_TRUE(e.shaders[pass.pixel_shader].pixel);
            }
    EXPECT_EQ(find_technique(e, "SepiaSwirlFade"), -1);
    // The vertex shader reads the matrix (four registers, a column each) and the orientation.
    const EffectShader& vs = e.shaders[e.passes[0].vertex_shader];
    ASSERT_EQ(vs.constant_count, 2u);
    const EffectConstant& matrix = e.constants[vs.first_constant + (e.constants[vs.first_constant].parameter != 4)];
    EXPECT_EQ(matrix.register_count, 4u);
    EXPECT_EQ(matrix.cls, effect_class_matrix_columns);
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
    // One resource more than there are: the count sits before the first
    // resource, a sampler's (technique 0xFFFFFFFF, parameter 8).
    size_t resources = s;
    while (resources + 12 < effect.size() &&
           !(word_at(effect, resources + 4) == 0xFFFFFFFFu && word_at(effect, resources + 8) == 8))
        resources += 4;
    ASSERT_EQ(word_at(effect, resources), 84u);
    std::vector<uint8_t> bad = effect;
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
            for (const EffectShader& sh : std::vector<EffectShader>(e.shaders, e.shaders + e.shader_count))
                ASSERT_TRUE(sh.offset + uint64_t(sh.size) <= flipped.size() &&
                            sh.first_constant + sh.constant_count <= e.constant_count);
            for (const EffectPass& p : std::vector<EffectPass>(e.passes, e.passes + e.pass_count))
                ASSERT_TRUE(p.vertex_shader < int32_t(e.shader_count) && p.pixel_shader < int32_t(e.shader_count) &&
                            p.first_state + p.state_count <= e.state_count);
            for (uint32_t c = 0; c < e.constant_count; ++c) ASSERT_LT(e.constants[c].parameter, e.parameter_count);
        }
    }
    // Most flips land in shader code the reader does not look into.
    EXPECT_GT(read, 1000);
}

} // namespace
