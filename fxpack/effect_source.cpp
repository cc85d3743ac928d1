#include "effect_source.h"

#include <cctype>
#include <cstring>
#include <map>

namespace fxpack {
namespace {

struct Token {
    std::string text;
    int line;
};

bool same_word(const std::string& a, const char* b)
{
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Splits the text into identifiers, numbers and single punctuation marks;
// comments and preprocessor lines (#line and the like) are dropped.
std::vector<Token> tokenize(const std::string& s)
{
    std::vector<Token> out;
    int line = 1;
    size_t i = 0;
    bool line_start = true;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\n') { ++line; ++i; line_start = true; continue; }
        if (std::isspace(static_cast<unsigned char>(c))) { ++i; continue; }
        if (c == '#' && line_start) {
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        line_start = false;
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            i += 2;
            while (i + 1 < s.size() && !(s[i] == '*' && s[i + 1] == '/')) {
                if (s[i] == '\n') ++line;
                ++i;
            }
            i += 2;
            continue;
        }
        size_t start = i;
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
        } else {
            ++i;
        }
        out.push_back({s.substr(start, i - start), line});
    }
    return out;
}

class Parser {
public:
    Parser(const std::string& text, EffectSource* out, std::string* error)
        : tokens_(tokenize(text)), out_(out), error_(error) {}

    bool run()
    {
        while (pos_ < tokens_.size()) {
            const std::string& t = peek();
            bool ok;
            if (t == "struct") ok = skip_struct();
            else if (t == "technique" || t == "technique9") ok = technique();
            else if (t == ";") { ++pos_; ok = true; }
            else ok = declaration();
            if (!ok) return false;
        }
        return true;
    }

private:
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    EffectSource* out_;
    std::string* error_;

    const std::string& peek(size_t ahead = 0) const
    {
        static const std::string end;
        return pos_ + ahead < tokens_.size() ? tokens_[pos_ + ahead].text : end;
    }

    bool fail(const std::string& what)
    {
        int line = pos_ < tokens_.size() ? tokens_[pos_].line : (tokens_.empty() ? 0 : tokens_.back().line);
        *error_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    bool expect(const char* text)
    {
        if (peek() != text) return fail(std::string("expected '") + text + "', found '" + peek() + "'");
        ++pos_;
        return true;
    }

    bool identifier(std::string* name)
    {
        const std::string& t = peek();
        if (t.empty() || !(std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_'))
            return fail("expected a name, found '" + t + "'");
        *name = t;
        ++pos_;
        return true;
    }

    // Skips a balanced { ... } block starting at the opening brace.
    bool skip_block()
    {
        if (!expect("{")) return false;
        int depth = 1;
        while (pos_ < tokens_.size() && depth > 0) {
            if (peek() == "{") ++depth;
            else if (peek() == "}") --depth;
            ++pos_;
        }
        return depth == 0 ? true : fail("unbalanced braces");
    }

    bool skip_struct()
    {
        ++pos_;
        std::string name;
        if (!identifier(&name) || !skip_block()) return false;
        return expect(";");
    }

    static bool numeric_type(const std::string& t, Parameter* p)
    {
        const char* bases[] = {"float", "int", "bool"};
        const uint32_t types[] = {effect_type_float, effect_type_int, effect_type_bool};
        for (int b = 0; b < 3; ++b) {
            size_t n = std::strlen(bases[b]);
            if (t.compare(0, n, bases[b]) != 0) continue;
            std::string rest = t.substr(n);
            p->type = types[b];
            if (rest.empty()) {
                p->cls = effect_class_scalar;
                p->rows = p->columns = 1;
                return true;
            }
            if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') {
                p->cls = effect_class_vector;
                p->rows = 1;
                p->columns = rest[0] - '0';
                return true;
            }
            if (rest.size() == 3 && rest[1] == 'x' && rest[0] >= '1' && rest[0] <= '4' && rest[2] >= '1' &&
                rest[2] <= '4') {
                // Effect parameters are row matrices whatever the register
                // packing; the reader transposes for column-major shaders.
                p->cls = effect_class_matrix_rows;
                p->rows = rest[0] - '0';
                p->columns = rest[2] - '0';
                return true;
            }
        }
        return false;
    }

    bool declaration()
    {
        while (peek() == "uniform" || peek() == "extern" || peek() == "shared") ++pos_;
        if (peek() == "static" || peek() == "const")
            return fail("static and const globals are not supported");
        std::string type_name, name;
        if (!identifier(&type_name) || !identifier(&name)) return false;
        if (peek() == "(") {
            // A function: its signature, an optional semantic, its body.
            while (pos_ < tokens_.size() && peek() != "{" && peek() != ";") ++pos_;
            if (peek() == ";") return fail("function declarations without a body are not supported");
            return skip_block();
        }
        Parameter p;
        p.name = name;
        if (type_name == "sampler" || type_name == "sampler2D") {
            p.type = type_name == "sampler" ? effect_type_sampler : effect_type_sampler_2d;
            p.cls = effect_class_object;
            if (!expect("=") || !expect("sampler_state") || !sampler_states(&p) || !expect(";")) return false;
        } else if (type_name == "texture" || type_name == "texture2D") {
            p.type = effect_type_texture;
            p.cls = effect_class_object;
            if (!expect(";")) return false;
        } else if (numeric_type(type_name, &p)) {
            if (peek() == ":") {
                pos_ += 2;
            }
            if (peek() == "=") return fail("initial values of parameters are not supported");
            if (!expect(";")) return false;
        } else {
            return fail("unsupported parameter type '" + type_name + "'");
        }
        for (const Parameter& q : out_->parameters)
            if (q.name == p.name) return fail("parameter '" + p.name + "' declared twice");
        out_->parameters.push_back(p);
        return true;
    }

    static bool state_value(const std::string& word, uint32_t* value)
    {
        static const struct { const char* name; uint32_t value; } names[] = {
            {"NONE", 0},  {"POINT", 1},  {"LINEAR", 2}, {"ANISOTROPIC", 3}, {"PYRAMIDALQUAD", 6},
            {"GAUSSIANQUAD", 7}, {"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}, {"MIRRORONCE", 5},
            {"TRUE", 1}, {"FALSE", 0},
        };
        for (const auto& n : names)
            if (same_word(word, n.name)) { *value = n.value; return true; }
        if (word.empty() || !std::isdigit(static_cast<unsigned char>(word[0]))) return false;
        uint64_t v = 0;
        for (char c : word) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
            v = v * 10 + (c - '0');
            if (v > 0xFFFFFFFFu) return false;
        }
        *value = static_cast<uint32_t>(v);
        return true;
    }

    bool sampler_states(Parameter* p)
    {
        if (!expect("{")) return false;
        while (peek() != "}") {
            SamplerState s;
            if (!identifier(&s.name) || !expect("=")) return false;
            if (sampler_state_operation(s.name) < 0) return fail("unknown sampler state '" + s.name + "'");
            if (same_word(s.name, "Texture")) {
                s.name = "Texture";
                bool angle = peek() == "<";
                if (!expect(angle ? "<" : "(") || !identifier(&s.texture) || !expect(angle ? ">" : ")"))
                    return false;
            } else {
                if (!state_value(peek(), &s.value)) return fail("unsupported state value '" + peek() + "'");
                ++pos_;
            }
            if (!expect(";")) return false;
            p->sampler_states.push_back(s);
        }
        return expect("}");
    }

    bool shader_use(ShaderUse* use)
    {
        if (!expect("=") || !expect("compile") || !identifier(&use->profile) || !identifier(&use->entry) ||
            !expect("(") || !expect(")") || !expect(";"))
            return false;
        return true;
    }

    bool technique()
    {
        ++pos_;
        Technique t;
        if (!identifier(&t.name) || !expect("{")) return false;
        while (peek() == "pass") {
            ++pos_;
            Pass p;
            if (!identifier(&p.name) || !expect("{")) return false;
            while (peek() != "}") {
                std::string state;
                if (!identifier(&state)) return false;
                ShaderUse* use;
                if (same_word(state, "VertexShader")) use = &p.vertex_shader;
                else if (same_word(state, "PixelShader")) use = &p.pixel_shader;
                else return fail("unsupported pass state '" + state + "'");
                if (!use->entry.empty()) return fail(state + " set twice");
                if (!shader_use(use)) return false;
            }
            ++pos_;
            if (p.vertex_shader.entry.empty() || p.pixel_shader.entry.empty())
                return fail("pass '" + p.name + "' needs a vertex and a pixel shader");
            t.passes.push_back(p);
        }
        if (!expect("}")) return false;
        if (t.passes.empty()) return fail("technique '" + t.name + "' has no pass");
        for (const Technique& q : out_->techniques)
            if (q.name == t.name) return fail("technique '" + t.name + "' declared twice");
        out_->techniques.push_back(t);
        return true;
    }
};

}  // namespace

int sampler_state_operation(const std::string& name)
{
    // Positions in the effect reader's state table: Texture, then the
    // sampler states in D3DSAMPLERSTATETYPE order.
    static const char* const names[] = {"Texture", "AddressU", "AddressV", "AddressW", "BorderColor",
                                        "MagFilter", "MinFilter", "MipFilter", "MipMapLodBias",
                                        "MaxMipLevel", "MaxAnisotropy", "SRGBTexture", "ElementIndex",
                                        "DMAPOffset"};
    for (int i = 0; i < static_cast<int>(sizeof names / sizeof names[0]); ++i)
        if (same_word(name, names[i])) return 0xA4 + i;
    return -1;
}

bool parse_effect_source(const std::string& text, EffectSource* out, std::string* error)
{
    *out = EffectSource();
    Parser parser(text, out, error);
    if (!parser.run()) return false;
    // Every sampler's texture must be a texture parameter of the effect.
    for (const Parameter& p : out->parameters) {
        for (const SamplerState& s : p.sampler_states) {
            if (s.texture.empty()) continue;
            bool found = false;
            for (const Parameter& q : out->parameters)
                found = found || (q.name == s.texture && q.type == effect_type_texture);
            if (!found) {
                *error = "sampler '" + p.name + "' names '" + s.texture + "', which is no texture parameter";
                return false;
            }
        }
    }
    if (out->techniques.empty()) {
        *error = "no technique";
        return false;
    }
    return true;
}

}  // namespace fxpack
