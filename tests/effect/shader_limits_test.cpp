// Every shader of the compiled effect within what its shader model allows:
// the tokens of each shader are walked and counted with the instruction-slot
// costs of Direct3D's shader-model reference. Direct3D on Windows checks
// every shader when it is created and refuses one over the limits; Wine does
// not, so this is where an oversized shader shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fxpack/shader_operands.h"
#include "render/effect_reader.h"

namespace {

// Our limits, with headroom below the model's 64 arithmetic slots of ps_2_0.
const int ps_arithmetic_limit = 60;
const int ps_texture_limit = 32;
const int ps_temp_limit = 12;
const int ps_float_constant_limit = 32;
const int ps_dependent_level_limit = 4;
const int vs_slot_limit = 256;
const int vs_temp_limit = 12;
const int vs_float_constant_limit = 256;

// Opcodes (D3DSHADER_INSTRUCTION_OPCODE_TYPE).
enum Opcode : uint32_t {
    OP_NOP = 0, OP_MOV, OP_ADD, OP_SUB, OP_MAD, OP_MUL, OP_RCP, OP_RSQ, OP_DP3, OP_DP4, OP_MIN, OP_MAX, OP_SLT,
    OP_SGE, OP_EXP, OP_LOG, OP_LIT, OP_DST, OP_LRP, OP_FRC, OP_M4x4, OP_M4x3, OP_M3x4, OP_M3x3, OP_M3x2, OP_CALL,
    OP_CALLNZ, OP_LOOP, OP_RET, OP_ENDLOOP, OP_LABEL, OP_DCL, OP_POW, OP_CRS, OP_SGN, OP_ABS, OP_NRM, OP_SINCOS,
    OP_REP, OP_ENDREP, OP_IF, OP_IFC, OP_ELSE, OP_ENDIF, OP_BREAK, OP_BREAKC, OP_MOVA, OP_DEFB, OP_DEFI,
    OP_TEXKILL = 65, OP_TEX = 66, OP_DEF = 81, OP_CMP = 88, OP_DP2ADD = 90,
    OP_COMMENT = 0xFFFE, OP_END = 0xFFFF,
};

// Register types (D3DSHADER_PARAM_REGISTER_TYPE) that matter here.
const uint32_t reg_temp = 0, reg_const = 2;

// Slots of one instruction, from the reference's tables of ps_2_0 and vs_2_0
// instructions; -1 for an instruction the model does not have. Macro
// instructions (m4x4, nrm, sincos, ...) cost what they expand to.
int ps_2_0_slots(uint32_t op)
{
    switch (op) {
    case OP_DCL: case OP_DEF: return 0;
    case OP_NOP: case OP_MOV: case OP_ADD: case OP_SUB: case OP_MAD: case OP_MUL: case OP_RCP: case OP_RSQ:
    case OP_DP3: case OP_DP4: case OP_MIN: case OP_MAX: case OP_EXP: case OP_LOG: case OP_FRC: case OP_ABS:
    case OP_CMP: case OP_TEX: case OP_TEXKILL: return 1;
    case OP_LRP: case OP_CRS: case OP_DP2ADD: case OP_M3x2: return 2;
    case OP_POW: case OP_NRM: case OP_M3x3: case OP_M4x3: return 3;
    case OP_M3x4: case OP_M4x4: return 4;
    case OP_SINCOS: return 8;
    default: return -1;
    }
}

int vs_2_0_slots(uint32_t op)
{
    switch (op) {
    case OP_DCL: case OP_DEF: case OP_DEFB: case OP_DEFI: case OP_LABEL: return 0;
    case OP_NOP: case OP_MOV: case OP_ADD: case OP_SUB: case OP_MAD: case OP_MUL: case OP_RCP: case OP_RSQ:
    case OP_DP3: case OP_DP4: case OP_MIN: case OP_MAX: case OP_SLT: case OP_SGE: case OP_EXP: case OP_LOG:
    case OP_DST: case OP_FRC: case OP_ABS: case OP_MOVA: case OP_RET: case OP_ELSE: case OP_ENDIF: return 1;
    case OP_LRP: case OP_CRS: case OP_M3x2: case OP_CALL: case OP_ENDLOOP: case OP_ENDREP: return 2;
    case OP_LIT: case OP_POW: case OP_NRM: case OP_SGN: case OP_M3x3: case OP_M4x3: case OP_CALLNZ: case OP_LOOP:
    case OP_REP: case OP_IF: return 3;
    case OP_M3x4: case OP_M4x4: return 4;
    case OP_SINCOS: return 8;
    default: return -1;
    }
}

bool has_destination(uint32_t op)
{
    switch (op) {
    case OP_NOP: case OP_CALL: case OP_CALLNZ: case OP_LOOP: case OP_RET: case OP_ENDLOOP: case OP_LABEL:
    case OP_REP: case OP_ENDREP: case OP_IF: case OP_IFC: case OP_ELSE: case OP_ENDIF: case OP_BREAK:
    case OP_BREAKC: case OP_TEXKILL: return false;
    default: return true;
    }
}

struct Count {
    bool pixel = false;
    int arithmetic = 0;  // pixel shaders: arithmetic slots; vertex shaders: all slots
    int texture = 0;
    int temps = 0;            // registers r0.. used, as the highest number + 1
    int float_constants = 0;  // c0.. likewise, defined ones included
    int levels = 0;           // texture reads in the longest chain of dependent reads
    std::string error;        // not a shader this walk understands
};

uint32_t register_type(uint32_t token) { return ((token >> 28) & 7) | ((token >> 8) & 0x18); }
uint32_t register_number(uint32_t token) { return token & 0x7FF; }
bool relative(uint32_t token) { return (token >> 13) & 1; }

// Walks one shader's tokens. A texture read is first-order dependent when
// its coordinates come from a temporary register or it writes a register
// already written; n-th order when a register it reads or writes depends on
// a read of order n - 1. A read of order n is on level n + 1.
Count count_shader(const std::vector<uint32_t>& code)
{
    Count c;
    if (code.empty() || (code[0] != 0xFFFF0200 && code[0] != 0xFFFE0200)) {
        c.error = "not a ps_2_0 or vs_2_0 shader";
        return c;
    }
    c.pixel = code[0] == 0xFFFF0200;
    const int no_read = -1;
    std::vector<int> depends(2048, no_read);  // per temporary: highest order of a read it derives from
    std::vector<bool> written(2048, false);
    for (size_t i = 1; i < code.size();) {
        uint32_t token = code[i];
        uint32_t op = token & 0xFFFF;
        if (op == OP_END) return c;
        size_t length = op == OP_COMMENT ? (token >> 16) & 0x7FFF : (token >> 24) & 0x0F;
        if (i + 1 + length > code.size()) break;
        const uint32_t* params = &code[i + 1];
        i += 1 + length;
        if (op == OP_COMMENT) continue;
        int slots = c.pixel ? ps_2_0_slots(op) : vs_2_0_slots(op);
        if (slots < 0) {
            c.error = "instruction " + std::to_string(op) + " is not in the model";
            return c;
        }
        if (op == OP_TEX || op == OP_TEXKILL)
            c.texture += slots;
        else
            c.arithmetic += slots;
        if (op == OP_DCL || op == OP_DEFB || op == OP_DEFI) continue;
        size_t count = op == OP_DEF ? 1 : length;  // def: c#, then four literal values

        int source_order = no_read;
        bool temp_source = false;
        for (size_t k = has_destination(op) ? 1 : 0; k < count; ++k) {
            uint32_t type = register_type(params[k]), n = register_number(params[k]);
            if (type == reg_temp) {
                temp_source = temp_source || k == 1;
                source_order = std::max(source_order, depends[n]);
                c.temps = std::max(c.temps, int(n) + 1);
            }
            if (type == reg_const) c.float_constants = std::max(c.float_constants, int(n) + 1);
            if (relative(params[k])) ++k;  // the address register's token
        }
        if (!has_destination(op) || count == 0) continue;
        uint32_t dst = params[0], type = register_type(dst), n = register_number(dst);
        if (type == reg_const) c.float_constants = std::max(c.float_constants, int(n) + 1);
        if (type != reg_temp) continue;
        c.temps = std::max(c.temps, int(n) + 1);
        if (op == OP_TEX) {
            int order = 0;
            if (temp_source || written[n]) order = std::max(1, 1 + std::max(source_order, depends[n]));
            depends[n] = order;
            c.levels = std::max(c.levels, order + 1);
        } else {
            bool whole = ((dst >> 16) & 0xF) == 0xF;
            depends[n] = whole ? source_order : std::max(source_order, depends[n]);
        }
        written[n] = true;
    }
    c.error = "no end token";
    return c;
}

std::vector<std::string> over_limits(const Count& c)
{
    std::vector<std::string> over;
    auto check = [&](int value, int limit, const char* what) {
        if (value > limit)
            over.push_back(std::string(what) + " " + std::to_string(value) + " > " + std::to_string(limit));
    };
    if (!c.error.empty()) return {c.error};
    if (c.pixel) {
        check(c.arithmetic, ps_arithmetic_limit, "arithmetic slots");
        check(c.texture, ps_texture_limit, "texture slots");
        check(c.temps, ps_temp_limit, "temporaries");
        check(c.float_constants, ps_float_constant_limit, "float constants");
        check(c.levels, ps_dependent_level_limit, "dependent-read levels");
    } else {
        check(c.arithmetic, vs_slot_limit, "slots");
        check(c.temps, vs_temp_limit, "temporaries");
        check(c.float_constants, vs_float_constant_limit, "float constants");
    }
    return over;
}

// What the models allow of the operands, beyond the counts above. In ps_2_0
// a source may be swizzled only as .xyzw, one of the replicates or .yzxw,
// .zxyw, .wzyx (any other order is an optional capability of ps_2_x); the
// scalar instructions want a replicate. texld writes a whole temporary and
// reads its coordinates from t# or r# and its sampler s# without a swizzle
// or a modifier. In ps_2_0 and vs_2_0 an instruction reads one constant
// register, at most twice, and one input register (v#); in ps_2_0 it reads
// a texture coordinate register (t#) at most once, and writes the color
// output oC0 only with a plain mov of a whole register, once. Returns one
// line for each instruction or operand that breaks a rule.
const uint32_t reg_input = 1, reg_texture = 3, reg_color_out = 8, reg_sampler = 10;
const uint32_t identity = 0xE4;

bool replicate(uint32_t swizzle) { return swizzle == 0x00 || swizzle == 0x55 || swizzle == 0xAA || swizzle == 0xFF; }
bool ps_2_0_swizzle(uint32_t swizzle)
{
    return swizzle == identity || replicate(swizzle) || swizzle == 0xC9 || swizzle == 0xD2 || swizzle == 0x1B;
}

std::vector<std::string> operand_faults(const std::vector<uint32_t>& code)
{
    std::vector<std::string> faults;
    if (code.empty() || (code[0] != 0xFFFF0200 && code[0] != 0xFFFE0200)) return faults;
    bool pixel = code[0] == 0xFFFF0200;
    int output_writes = 0;
    for (size_t i = 1, n = 0; i < code.size(); ++n) {
        uint32_t op = code[i] & 0xFFFF;
        if (op == OP_END) break;
        size_t length = op == OP_COMMENT ? (code[i] >> 16) & 0x7FFF : (code[i] >> 24) & 0x0F;
        if (i + 1 + length > code.size()) break;
        const uint32_t* p = &code[i + 1];
        i += 1 + length;
        if (op == OP_COMMENT || op == OP_DCL || op == OP_DEF || length == 0) continue;
        auto fault = [&](const std::string& what) {
            faults.push_back("instruction " + std::to_string(n) + " (opcode " + std::to_string(op) + "): " + what);
        };
        auto swizzle = [](uint32_t token) { return (token >> 16) & 0xFF; };
        auto modifier = [](uint32_t token) { return (token >> 24) & 0xF; };
        std::vector<uint32_t> constants, inputs;
        int constant_reads = 0, coordinate_reads = 0;
        for (size_t k = has_destination(op) ? 1 : 0; k < length; ++k) {
            uint32_t type = register_type(p[k]);
            if (type == reg_const) ++constant_reads, constants.push_back(register_number(p[k]));
            if (type == reg_input) inputs.push_back(register_number(p[k]));
            coordinate_reads += pixel && type == reg_texture;
        }
        for (std::vector<uint32_t>* seen : {&constants, &inputs}) {
            std::sort(seen->begin(), seen->end());
            seen->erase(std::unique(seen->begin(), seen->end()), seen->end());
        }
        if (constants.size() > 1 || constant_reads > 2)
            fault("reads more than one constant register or more than twice");
        if (inputs.size() > 1) fault("reads more than one input register");
        if (coordinate_reads > 1) fault("reads texture coordinates more than once");
        if (!pixel) continue;
        if (has_destination(op) && register_type(p[0]) == reg_color_out) {
            ++output_writes;
            if (op != OP_MOV || (p[0] & 0x0FFF0000u) != 0x000F0000u || (p[1] & 0x0FFF0000u) != identity << 16)
                fault("writes oC0 other than by a plain mov");
        }
        if (op == OP_TEX) {
            if (length != 3) { fault("texld takes three operands"); continue; }
            if (register_type(p[0]) != reg_temp || ((p[0] >> 16) & 0xF) != 0xF) fault("texld writes all of r#");
            if (register_type(p[1]) != reg_texture && register_type(p[1]) != reg_temp) fault("texld reads t# or r#");
            if (swizzle(p[1]) != identity || modifier(p[1]) != 0) fault("texld coordinates swizzled or modified");
            if (register_type(p[2]) != reg_sampler || swizzle(p[2]) != identity || modifier(p[2]) != 0)
                fault("texld sampler swizzled or modified");
            continue;
        }
        bool scalar = op == OP_RCP || op == OP_RSQ || op == OP_EXP || op == OP_LOG || op == OP_POW;
        for (size_t k = has_destination(op) ? 1 : 0; k < length; ++k) {
            if (scalar ? !replicate(swizzle(p[k])) : !ps_2_0_swizzle(swizzle(p[k])))
                fault("source " + std::to_string(k) + (scalar ? " not a replicate" : " swizzle not in ps_2_0"));
        }
    }
    if (pixel && output_writes != 1) faults.push_back("oC0 written " + std::to_string(output_writes) + " times");
    return faults;
}

// The shaders of a binary effect as its passes use them, each named by its
// technique; read with the program's own reader.
struct Shader {
    std::string technique;
    std::vector<uint32_t> code;
};

bool read_shaders(const std::string& bytes, std::vector<Shader>* shaders, std::string* error)
{
    auto layout = std::make_unique<EffectLayout>();
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (!read_effect(data, static_cast<uint32_t>(bytes.size()), layout.get())) {
        *error = "not a binary effect the program reads";
        return false;
    }
    for (uint32_t t = 0; t < layout->technique_count; ++t) {
        const EffectTechnique& technique = layout->techniques[t];
        for (uint32_t p = technique.first_pass; p < technique.first_pass + technique.pass_count; ++p) {
            for (int32_t index : {layout->passes[p].vertex_shader, layout->passes[p].pixel_shader}) {
                if (index < 0) continue;
                const EffectShader& code = layout->shaders[index];
                Shader s{technique.name, std::vector<uint32_t>(code.size / 4)};
                std::memcpy(s.code.data(), data + code.offset, s.code.size() * 4);
                shaders->push_back(s);
            }
        }
    }
    return true;
}

std::string effect_bytes()
{
    std::ifstream in(std::string(ORBISCA_SOURCE_DIR) + "/resources/effect.fxo", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(CompiledEffect, EveryShaderIsWithinItsModelsLimits)
{
    std::string bytes = effect_bytes();
    ASSERT_FALSE(bytes.empty()) << "cannot read resources/effect.fxo";
    std::vector<Shader> shaders;
    std::string error;
    ASSERT_TRUE(read_shaders(bytes, &shaders, &error)) << error;
    // Each of the forty techniques has its vertex and its pixel shader.
    ASSERT_EQ(shaders.size(), 80u);
    Count most_ps, most_vs;
    int pixel_shaders = 0;
    size_t faulty_operands = 0;
    for (const Shader& s : shaders) {
        Count c = count_shader(s.code);
        std::vector<std::string> faults = over_limits(c);
        for (const std::string& f : operand_faults(s.code)) faults.push_back(f);
        for (const std::string& fault : faults)
            ADD_FAILURE() << s.technique << (c.pixel ? " pixel" : " vertex") << " shader: " << fault;
        faulty_operands += faults.size() - over_limits(c).size();
        Count& most = c.pixel ? most_ps : most_vs;
        pixel_shaders += c.pixel;
        most.arithmetic = std::max(most.arithmetic, c.arithmetic);
        most.texture = std::max(most.texture, c.texture);
        most.temps = std::max(most.temps, c.temps);
        most.float_constants = std::max(most.float_constants, c.float_constants);
        most.levels = std::max(most.levels, c.levels);
        // A shader that reads no texture would mean the walk lost its way.
        if (c.pixel) EXPECT_GE(c.texture, 1) << s.technique;
    }
    EXPECT_EQ(pixel_shaders, 40);
    std::printf("pixel shaders at most: %d arithmetic slots, %d texture slots, %d temporaries, %d float constants, "
                "%d dependent-read levels; vertex shader: %d slots\n",
                most_ps.arithmetic, most_ps.texture, most_ps.temps, most_ps.float_constants, most_ps.levels,
                most_vs.arithmetic);
    std::printf("operands the models do not allow: %zu\n", faulty_operands);
}

// The walk itself, on hand-made shaders, so that a walk that undercounts
// cannot pass an oversized shader.
namespace {

uint32_t instruction(uint32_t op, uint32_t length) { return op | length << 24; }
uint32_t reg(uint32_t type, uint32_t n, uint32_t mask = 0xF)
{
    return 0x80000000u | (type & 7) << 28 | (type & 0x18) << 8 | mask << 16 | n;
}
uint32_t temp(uint32_t n, uint32_t mask = 0xF) { return reg(reg_temp, n, mask); }
const uint32_t t0 = 0xB0E40000u;  // t0.xyzw (texture coordinate register, type 3)
const uint32_t s0 = 0xA0E40800u;  // s0 (sampler, type 10)
const uint32_t c0 = 0xA0E40000u;  // c0.xyzw

struct Builder {
    std::vector<uint32_t> code;
    explicit Builder(uint32_t version) : code{version} {}
    Builder& op(uint32_t opcode, std::vector<uint32_t> params)
    {
        code.push_back(instruction(opcode, uint32_t(params.size())));
        code.insert(code.end(), params.begin(), params.end());
        return *this;
    }
    std::vector<uint32_t> done()
    {
        code.push_back(OP_END);
        return code;
    }
};

}  // namespace

TEST(ShaderWalk, CountsSlotsRegistersAndDependentReads)
{
    // Declarations and definitions are free; macros cost their expansion;
    // comments are skipped; texture reads count apart.
    Builder b(0xFFFF0200);
    b.code.push_back(OP_COMMENT | 2 << 16);
    b.code.push_back(0x12345678);
    b.code.push_back(0x9ABCDEF0);
    b.op(OP_DCL, {0x80000000u, t0})
        .op(OP_DEF, {reg(reg_const, 31), 0x3F800000, 0, 0, 0})
        .op(OP_TEX, {temp(0), t0, s0})
        .op(OP_SINCOS, {temp(1, 3), temp(0), c0, c0})
        .op(OP_M4x4, {temp(2), temp(1), c0})
        .op(OP_LRP, {temp(3), temp(2), temp(1), temp(0)})
        .op(OP_MOV, {reg(8, 0), temp(3)});
    Count c = count_shader(b.done());
    EXPECT_EQ(c.error, "");
    EXPECT_EQ(c.arithmetic, 8 + 4 + 2 + 1);
    EXPECT_EQ(c.texture, 1);
    EXPECT_EQ(c.temps, 4);
    EXPECT_EQ(c.float_constants, 32);
    EXPECT_EQ(c.levels, 1);
    EXPECT_TRUE(over_limits(c).empty());

    // A chain of reads each at coordinates computed from the one before:
    // four levels fit, the fifth does not. Writing a register again counts
    // as a dependent read too.
    Builder chain(0xFFFF0200);
    chain.op(OP_TEX, {temp(0), t0, s0});
    for (int k = 0; k < 3; ++k) chain.op(OP_ADD, {temp(1), temp(0), c0}).op(OP_TEX, {temp(0), temp(1), s0});
    c = count_shader(Builder(chain).done());
    EXPECT_EQ(c.levels, 4);
    EXPECT_TRUE(over_limits(c).empty());
    c = count_shader(chain.op(OP_TEX, {temp(0), t0, s0}).done());
    EXPECT_EQ(c.levels, 5);
    EXPECT_EQ(over_limits(c).size(), 1u);

    // Arithmetic alone is a first-order read, not a deeper one.
    c = count_shader(Builder(0xFFFF0200).op(OP_ADD, {temp(1), t0, c0}).op(OP_TEX, {temp(0), temp(1), s0}).done());
    EXPECT_EQ(c.levels, 2);
}

TEST(ShaderWalk, RefusesWhatTheModelDoesNot)
{
    // One slot over, a thirteenth temporary, a 33rd constant.
    Builder big(0xFFFF0200);
    for (int k = 0; k < ps_arithmetic_limit + 1; ++k) big.op(OP_MOV, {temp(0), c0});
    EXPECT_EQ(over_limits(count_shader(big.done())).size(), 1u);
    EXPECT_EQ(over_limits(count_shader(Builder(0xFFFF0200).op(OP_MOV, {temp(12), c0}).done())).size(), 1u);
    EXPECT_EQ(over_limits(count_shader(Builder(0xFFFF0200).op(OP_MOV, {temp(0), reg(reg_const, 32)}).done())).size(),
              1u);
    // sge is a vertex-shader instruction only; if is not in ps_2_0.
    EXPECT_NE(count_shader(Builder(0xFFFF0200).op(OP_SGE, {temp(0), c0, c0}).done()).error, "");
    EXPECT_EQ(count_shader(Builder(0xFFFE0200).op(OP_SGE, {temp(0), c0, c0}).done()).error, "");
    // A vertex shader's budget is its total.
    Builder vs(0xFFFE0200);
    for (int k = 0; k < vs_slot_limit / 4; ++k) vs.op(OP_M4x4, {temp(0), temp(0), c0});
    EXPECT_TRUE(over_limits(count_shader(Builder(vs).done())).empty());
    EXPECT_EQ(over_limits(count_shader(vs.op(OP_NOP, {}).done())).size(), 1u);
    // Cut short, or another model.
    std::vector<uint32_t> cut = Builder(0xFFFF0200).op(OP_MOV, {temp(0), c0}).done();
    cut.resize(cut.size() - 2);
    EXPECT_NE(count_shader(cut).error, "");
    EXPECT_NE(count_shader({0xFFFF0300, OP_END}).error, "");
}

namespace {

// A source operand: register, swizzle written out ("zwzz") and modifier
// (1 negate, 11 absolute value).
uint32_t src(uint32_t type, uint32_t n, const char* swizzle = "xyzw", uint32_t modifier = 0)
{
    uint32_t s = 0;
    for (int k = 0; k < 4; ++k) s |= uint32_t(std::string("xyzw").find(swizzle[k])) << (2 * k);
    return 0x80000000u | (type & 7) << 28 | (type & 0x18) << 8 | s << 16 | modifier << 24 | n;
}
const uint32_t s0_2d = 0x90000000u;  // dcl_2d's first token
const uint32_t oC0 = 0x800F0800u;    // oC0.xyzw

}  // namespace

TEST(ShaderWalk, FindsOperandsPs20DoesNotAllow)
{
    auto faults = [](std::vector<uint32_t> params, uint32_t op = OP_TEX) {
        return operand_faults(Builder(0xFFFF0200).op(op, params).op(OP_MOV, {oC0, src(reg_temp, 0)}).done()).size();
    };
    EXPECT_EQ(faults({temp(0), src(reg_texture, 0), s0}), 0u);
    EXPECT_EQ(faults({temp(0), src(reg_texture, 0, "xyxx"), s0}), 1u);
    EXPECT_EQ(faults({temp(0), src(reg_temp, 1, "xyzw", 1), s0}), 1u);
    EXPECT_EQ(faults({temp(0, 3), src(reg_temp, 1), s0}), 1u);
    EXPECT_EQ(faults({temp(0), src(reg_const, 1), s0}), 1u);
    // Allowed and refused swizzles; the scalar instructions want a replicate.
    EXPECT_EQ(faults({temp(0), src(reg_temp, 1, "yzxw"), src(reg_const, 0, "wzyx")}, OP_ADD), 0u);
    EXPECT_EQ(faults({temp(0), src(reg_temp, 1, "xxyy"), src(reg_const, 0, "zxyw")}, OP_ADD), 1u);
    EXPECT_EQ(faults({temp(0, 1), src(reg_temp, 1, "zzzz")}, OP_RCP), 0u);
    EXPECT_EQ(faults({temp(0, 1), src(reg_temp, 1, "zwzz")}, OP_RCP), 1u);
    // One constant register, at most twice; t# once; oC0 by one plain mov.
    EXPECT_EQ(faults({temp(0), src(reg_const, 0), src(reg_const, 0, "xxxx")}, OP_ADD), 0u);
    EXPECT_EQ(faults({temp(0), src(reg_const, 0), src(reg_const, 1)}, OP_ADD), 1u);
    EXPECT_EQ(faults({temp(0), src(reg_const, 0), src(reg_const, 0), src(reg_const, 0)}, OP_MAD), 1u);
    EXPECT_EQ(faults({temp(0), src(reg_texture, 0), src(reg_texture, 0)}, OP_ADD), 1u);
    EXPECT_EQ(faults({oC0, src(reg_temp, 0), src(reg_temp, 1)}, OP_ADD), 2u);  // and written twice
    EXPECT_EQ(faults({oC0 | 1u << 20, src(reg_temp, 0)}, OP_MOV), 2u);
}

// The packer's rewrite of pixel shader operands (fxpack), on shaders
// that each need one of its ways: run by a small interpreter on random
// inputs, every rewritten shader writes the same bits as the original.
namespace {

using Vec = std::array<float, 4>;

struct Machine {
    Vec r[32] = {}, c[32] = {}, t[8] = {}, v[16] = {}, out = {};

    Vec& reg(uint32_t token)
    {
        uint32_t type = register_type(token), n = register_number(token);
        if (type == reg_temp) return r[n];
        if (type == reg_const) return c[n];
        if (type == reg_texture) return t[n];
        if (type == reg_input) return v[n];
        return out;  // oC0, oPos
    }

    Vec read(uint32_t token)
    {
        Vec v = reg(token), s;
        uint32_t modifier = (token >> 24) & 0xF;
        for (int k = 0; k < 4; ++k) {
            s[k] = v[(token >> (16 + 2 * k)) & 3];
            if (modifier == 11 || modifier == 12) s[k] = std::fabs(s[k]);
            if (modifier == 1 || modifier == 12) s[k] = -s[k];
        }
        return s;
    }

    // Runs the shader; false on an instruction this machine lacks.
    bool run(const std::vector<uint32_t>& code)
    {
        for (size_t i = 1; i < code.size();) {
            uint32_t op = code[i] & 0xFFFF;
            if (op == OP_END) return true;
            size_t length = op == OP_COMMENT ? (code[i] >> 16) & 0x7FFF : (code[i] >> 24) & 0x0F;
            const uint32_t* p = &code[i + 1];
            i += 1 + length;
            if (op == OP_COMMENT || op == OP_DCL) continue;
            if (op == OP_DEF) {
                for (int k = 0; k < 4; ++k) std::memcpy(&c[register_number(p[0])][k], &p[1 + k], 4);
                continue;
            }
            Vec a = read(p[1]), b = length > 2 ? read(p[2]) : Vec{}, d = length > 3 ? read(p[3]) : Vec{}, v;
            for (int k = 0; k < 4; ++k) {
                switch (op) {
                case OP_MOV: v[k] = a[k]; break;
                case OP_ADD: v[k] = a[k] + b[k]; break;
                case OP_MUL: v[k] = a[k] * b[k]; break;
                case OP_MAD: v[k] = a[k] * b[k] + d[k]; break;
                case OP_CMP: v[k] = a[k] >= 0 ? b[k] : d[k]; break;
                case OP_RCP: v[k] = 1 / a[0]; break;
                // A texture of a 2D sampler that shows its coordinates.
                case OP_TEX: v[k] = a[0] * float(k + 1) - a[1] + float(register_number(p[2])); break;
                default: return false;
                }
            }
            bool saturate = (p[0] >> 20) & 1;
            for (int k = 0; k < 4; ++k)
                if ((p[0] >> (16 + k)) & 1) reg(p[0])[k] = saturate ? std::min(1.0f, std::max(0.0f, v[k])) : v[k];
        }
        return false;
    }
};

// Rewrites a shader and compares both on 64 random inputs; returns the
// rewritten shader, or nothing after a failure.
std::vector<uint32_t> rewrite_and_compare(const std::vector<uint32_t>& shader)
{
    std::vector<uint32_t> code = shader;
    fxpack::OperandRewrite done;
    std::string error;
    EXPECT_TRUE(fxpack::rewrite_operands(&code, &done, &error)) << error;
    for (const std::string& fault : operand_faults(code)) ADD_FAILURE() << fault;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-4, 4);
    for (int run = 0; run < 64; ++run) {
        Machine before, after;
        for (Vec* inputs : {before.t, before.c, before.v})
            for (size_t i = 0; i < (inputs == before.t ? 8 : inputs == before.c ? 32 : 16); ++i)
                for (float& x : inputs[i]) x = value(random);
        std::copy(std::begin(before.t), std::end(before.t), after.t);
        std::copy(std::begin(before.c), std::end(before.c), after.c);
        std::copy(std::begin(before.v), std::end(before.v), after.v);
        if (!before.run(shader) || !after.run(code)) {
            ADD_FAILURE() << "the interpreter cannot run the shader";
            return {};
        }
        if (std::memcmp(before.out.data(), after.out.data(), sizeof(Vec)) != 0) {
            ADD_FAILURE() << "other output on run " << run;
            return {};
        }
    }
    return code;
}

}  // namespace

TEST(ShaderRewrite, KeepsEveryShadersBitsWithAllowedOperands)
{
    auto slots = [](const std::vector<uint32_t>& code) { return count_shader(code).arithmetic; };
    Builder head(0xFFFF0200);
    head.op(OP_DCL, {0x80000000u, t0}).op(OP_DCL, {s0_2d, s0}).op(OP_MOV, {temp(0), src(reg_texture, 0)});

    // Unread components filled in: no instruction added.
    Builder fill = head;
    fill.op(OP_MUL, {temp(1, 3), src(reg_texture, 0, "xyxx"), src(reg_const, 0, "xyxx")})
        .op(OP_TEX, {temp(2), src(reg_temp, 1, "xyxx"), s0})
        .op(OP_MOV, {oC0, src(reg_temp, 2)});
    std::vector<uint32_t> code = fill.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code));

    // Split by component, the part that reads r0.z before the one that
    // writes it; a swap with itself goes by a temporary, saturated there.
    Builder split = head;
    split.op(OP_MUL, {temp(0, 0xC), src(reg_temp, 0, "xxxy"), src(reg_temp, 0, "zzzz")})
        .op(OP_ADD, {temp(0, 3) | 1u << 20, src(reg_temp, 0, "yxzw"), src(reg_const, 0)})
        .op(OP_MOV, {oC0, src(reg_temp, 0)});
    code = split.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code) + 3);

    // A defined constant read in another order: defined again, no split.
    Builder constant = head;
    constant.op(OP_DEF, {reg(reg_const, 1), 0x3F800000, 0x40000000, 0x40400000, 0x40800000})
        .op(OP_MAD, {temp(0, 5), src(reg_temp, 0, "xxzx"), src(reg_const, 1, "wxzx"), src(reg_const, 1, "yxxx")})
        .op(OP_MOV, {oC0, src(reg_temp, 0)});
    code = constant.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code));
    EXPECT_EQ(count_shader(rewrite_and_compare(code)).float_constants, 3);

    // One constant register an instruction: two defined ones become one;
    // one the host sets is copied into a temporary once for both
    // instructions that read it with another; a vertex shader likewise.
    Builder ports = head;
    ports.op(OP_DEF, {reg(reg_const, 1), 0x3F800000, 0x40000000, 0x40400000, 0x40800000})
        .op(OP_DEF, {reg(reg_const, 2), 0xBF800000, 0xC0000000, 0xC0400000, 0xC0800000})
        .op(OP_MAD, {temp(0, 3), src(reg_temp, 0), src(reg_const, 1), src(reg_const, 2, "wzyx")})
        .op(OP_MUL, {temp(0, 4), src(reg_const, 0, "xxxx"), src(reg_const, 1, "yyyy")})
        .op(OP_MAD, {temp(0, 8), src(reg_const, 0, "xxxx"), src(reg_const, 2), src(reg_temp, 0)})
        .op(OP_MOV, {oC0, src(reg_temp, 0)});
    code = ports.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code) + 1);
    // A color output written by another instruction is written by a move
    // from the temporary.
    Builder output = head;
    output.op(OP_CMP, {oC0 | 1u << 20, src(reg_temp, 0, "xxxx", 1), src(reg_temp, 0, "yzxw"), src(reg_const, 0)});
    code = output.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code) + 1);
    Builder vertex(0xFFFE0200);
    vertex.op(OP_DEF, {reg(reg_const, 6), 0xC0000000, 0xC0400000, 0xC0800000, 0xC0A00000})
        .op(OP_ADD, {temp(0), src(reg_const, 4, "xxxx"), src(reg_const, 6)})
        .op(OP_MAD, {temp(0), src(reg_input, 0), src(reg_input, 0, "yzxw"), src(reg_temp, 0)})
        .op(OP_MOV, {reg(4, 0), src(reg_temp, 0)});
    code = vertex.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code) + 1);

    // A value in .zw read as texture coordinates: moved to .xy of a
    // temporary of its own, no copy. Coordinates in .zw of a value that
    // cannot move are copied.
    Builder moved = head;
    moved.op(OP_MUL, {temp(0, 0xC), src(reg_texture, 0, "xxxy"), src(reg_const, 0, "xxxy")})
        .op(OP_ADD, {temp(0, 0xC), src(reg_temp, 0, "xxzw"), src(reg_const, 0, "xxxy")})
        .op(OP_TEX, {temp(1), src(reg_temp, 0, "zwzz"), s0})
        .op(OP_MAD, {temp(1), src(reg_temp, 1), src(reg_temp, 0, "zzzz"), src(reg_temp, 0, "wwww")})
        .op(OP_MOV, {oC0, src(reg_temp, 1)});
    code = moved.done();
    std::vector<uint32_t> out = rewrite_and_compare(code);
    EXPECT_EQ(slots(out), slots(code));
    EXPECT_EQ(count_shader(out).temps, 3);
    Builder copied = head;
    copied.op(OP_TEX, {temp(1), src(reg_temp, 0, "zwzz", 1), s0})
        .op(OP_TEX, {temp(2), src(reg_temp, 0, "zwzz", 1), s0})
        .op(OP_ADD, {temp(1), src(reg_temp, 1), src(reg_temp, 2)})
        .op(OP_ADD, {temp(1), src(reg_temp, 1), src(reg_temp, 0)})
        .op(OP_MOV, {oC0, src(reg_temp, 1)});
    code = copied.done();
    EXPECT_EQ(slots(rewrite_and_compare(code)), slots(code) + 2);
}

TEST(ShaderRewrite, RefusesWhatItCannotKeepExact)
{
    fxpack::OperandRewrite done;
    std::string error;
    // Other models pass as they are, and so do swizzles in a vertex shader;
    // a shader cut short, or one with no temporary left for a copy, fails
    // and stays as it was.
    for (uint32_t version : {0xFFFF0300u, 0xFFFE0200u}) {
        std::vector<uint32_t> other = Builder(version).op(OP_ADD, {temp(0), src(reg_temp, 1, "yxzw"), c0}).done();
        std::vector<uint32_t> code = other;
        EXPECT_TRUE(fxpack::rewrite_operands(&code, &done, &error));
        EXPECT_EQ(code, other);
    }
    std::vector<uint32_t> code;
    std::vector<uint32_t> cut = Builder(0xFFFF0200).op(OP_MOV, {temp(0), c0}).done();
    cut.resize(cut.size() - 2);
    code = cut;
    EXPECT_FALSE(fxpack::rewrite_operands(&code, &done, &error));
    EXPECT_EQ(code, cut);
    Builder full(0xFFFF0200);
    full.op(OP_MOV, {temp(11), src(reg_texture, 0)}).op(OP_TEX, {temp(0), src(reg_temp, 11, "zwzz"), s0});
    std::vector<uint32_t> crowded = full.op(OP_ADD, {oC0, src(reg_temp, 0), src(reg_temp, 11)}).done();
    code = crowded;
    EXPECT_FALSE(fxpack::rewrite_operands(&code, &done, &error));
    EXPECT_EQ(error, "no temporary register is free");
    EXPECT_EQ(code, crowded);
}
