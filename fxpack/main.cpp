// fxpack: packs an effect's compiled shaders into a binary effect.
//
//   fxpack list EFFECT          prints "profile entry" for every shader the
//                               techniques use, one per line, each once
//   fxpack pack EFFECT DIR OUT  reads DIR/<entry>.<profile>.bin for each of
//                               them and writes the binary effect to OUT,
//                               each shader's operands rewritten to what
//                               its model allows (shader_operands.h)
//
// EFFECT is the preprocessed effect text (macros expanded).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "effect_source.h"
#include "shader_operands.h"

namespace {

bool read_file(const std::string& path, std::string* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

std::vector<fxpack::ShaderUse> shader_uses(const fxpack::EffectSource& source)
{
    std::vector<fxpack::ShaderUse> uses;
    std::set<std::string> seen;
    for (const auto& t : source.techniques) {
        for (const auto& p : t.passes) {
            for (const fxpack::ShaderUse* u : {&p.vertex_shader, &p.pixel_shader}) {
                if (seen.insert(u->profile + " " + u->entry).second) uses.push_back(*u);
            }
        }
    }
    return uses;
}

struct Packing {
    std::string dir;
    fxpack::OperandRewrite rewrite;
};

// A compiled shader as it goes into the effect: its operands rewritten to
// what its shader model allows.
std::vector<uint8_t> load_shader(const fxpack::ShaderUse& use, void* context)
{
    Packing& packing = *static_cast<Packing*>(context);
    std::string code, error;
    if (!read_file(packing.dir + "/" + use.entry + "." + use.profile + ".bin", &code) || code.size() % 4) return {};
    std::vector<uint32_t> words(code.size() / 4);
    for (size_t i = 0; i < words.size(); ++i)
        for (int b = 0; b < 4; ++b) words[i] |= uint32_t(static_cast<uint8_t>(code[4 * i + b])) << (8 * b);
    if (!fxpack::rewrite_operands(&words, &packing.rewrite, &error)) {
        std::fprintf(stderr, "fxpack: %s (%s): %s\n", use.entry.c_str(), use.profile.c_str(), error.c_str());
        return {};
    }
    std::vector<uint8_t> bytes;
    for (uint32_t w : words)
        for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(w >> (8 * b)));
    return bytes;
}

int usage()
{
    std::fprintf(stderr, "usage: fxpack list EFFECT\n       fxpack pack EFFECT SHADER_DIR OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    std::string mode = argv[1];
    std::string text, error;
    if (!read_file(argv[2], &text)) {
        std::fprintf(stderr, "fxpack: cannot read %s\n", argv[2]);
        return 1;
    }
    fxpack::EffectSource source;
    if (!fxpack::parse_effect_source(text, &source, &error)) {
        std::fprintf(stderr, "fxpack: %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    if (mode == "list" && argc == 3) {
        for (const auto& u : shader_uses(source)) std::printf("%s %s\n", u.profile.c_str(), u.entry.c_str());
        return 0;
    }
    if (mode == "pack" && argc == 5) {
        Packing packing{argv[3], {}};
        std::vector<uint8_t> binary;
        if (!fxpack::write_effect_binary(source, load_shader, &packing, &binary, &error)) {
            std::fprintf(stderr, "fxpack: %s\n", error.c_str());
            return 1;
        }
        std::ofstream out(argv[4], std::ios::binary);
        out.write(reinterpret_cast<const char*>(binary.data()), static_cast<std::streamsize>(binary.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "fxpack: cannot write %s\n", argv[4]);
            return 1;
        }
        std::printf("fxpack: %zu parameters, %zu techniques, %zu bytes\n", source.parameters.size(),
                    source.techniques.size(), binary.size());
        const fxpack::OperandRewrite& r = packing.rewrite;
        std::printf("fxpack: operands: %d swizzles filled, %d values moved, %d constants added, %d instructions "
                    "split, %d texture coordinates, %d registers and %d color outputs copied\n",
                    r.swizzles_filled, r.values_moved, r.constants_added, r.instructions_split, r.coordinates_copied,
                    r.registers_copied, r.outputs_moved);
        return 0;
    }
    return usage();
}
