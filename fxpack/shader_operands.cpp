#include "shader_operands.h"

#include <algorithm>

namespace fxpack {
namespace {

const uint32_t version_ps_2_0 = 0xFFFF0200, version_vs_2_0 = 0xFFFE0200;
const uint32_t op_mov = 1, op_add = 2, op_sub = 3, op_mad = 4, op_mul = 5, op_rcp = 6, op_rsq = 7, op_dp3 = 8,
               op_dp4 = 9, op_min = 10, op_max = 11, op_slt = 12, op_sge = 13, op_exp = 14, op_log = 15,
               op_lrp = 18, op_frc = 19, op_dcl = 31, op_pow = 32, op_abs = 35, op_texkill = 65, op_texld = 66,
               op_def = 81, op_cmp = 88, op_comment = 0xFFFE, op_end = 0xFFFF;
const uint32_t reg_temp = 0, reg_input = 1, reg_const = 2, reg_texture = 3, reg_color_out = 8, reg_sampler = 10;
const int temporaries = 12;
const uint32_t sampler_2d = 2;
const uint32_t identity = 0xE4;
// .xyzw, .x, .y, .z, .w, .yzxw, .zxyw, .wzyx
const uint32_t allowed_swizzles[] = {0xE4, 0x00, 0x55, 0xAA, 0xFF, 0xC9, 0xD2, 0x1B};
const uint32_t no_swizzle = 0x100;

struct Instruction {
    uint32_t token;
    std::vector<uint32_t> params;
    uint32_t opcode() const { return token & 0xFFFF; }
};

uint32_t register_type(uint32_t t) { return ((t >> 28) & 7) | ((t >> 8) & 0x18); }
uint32_t register_key(uint32_t t) { return register_type(t) << 11 | (t & 0x7FF); }
uint32_t write_mask(uint32_t t) { return (t >> 16) & 0xF; }
uint32_t with_mask(uint32_t t, uint32_t mask) { return (t & ~0xF0000u) | mask << 16; }
uint32_t swizzle(uint32_t t) { return (t >> 16) & 0xFF; }
uint32_t with_swizzle(uint32_t t, uint32_t s) { return (t & ~0xFF0000u) | s << 16; }
uint32_t component(uint32_t swizzle, int k) { return (swizzle >> (2 * k)) & 3; }

// Instructions whose component k of the result is made from component k of
// each source alone.
bool per_component(uint32_t op)
{
    switch (op) {
    case op_mov: case op_add: case op_sub: case op_mad: case op_mul: case op_min: case op_max: case op_slt:
    case op_sge: case op_lrp: case op_frc: case op_abs: case op_cmp: return true;
    default: return false;
    }
}

// Instructions of one value, from one component of their source.
bool scalar(uint32_t op) { return op == op_rcp || op == op_rsq || op == op_exp || op == op_log || op == op_pow; }

// Declarations, definitions and comments, which the rewrite passes over.
bool not_executed(const Instruction& in)
{
    uint32_t op = in.opcode();
    return op == op_comment || op == op_dcl || op == op_def || in.params.empty();
}

bool has_destination(const Instruction& in) { return !in.params.empty() && in.opcode() != op_texkill; }

// Whether a reads, in the components of read, what s reads there.
bool agrees(uint32_t a, uint32_t s, uint32_t read)
{
    for (int k = 0; k < 4; ++k)
        if ((read >> k & 1) && component(a, k) != component(s, k)) return false;
    return true;
}

// The allowed swizzle that reads what s reads in the components of read:
// s itself when allowed, else the first that agrees; no_swizzle when none.
uint32_t allowed_for(uint32_t s, uint32_t read)
{
    if (std::find(std::begin(allowed_swizzles), std::end(allowed_swizzles), s) != std::end(allowed_swizzles))
        return s;
    for (uint32_t a : allowed_swizzles)
        if (agrees(a, s, read)) return a;
    return no_swizzle;
}

// A per-component instruction restricted to the components of mask, with
// allowed swizzles; false when one of its sources has none there.
bool restricted(const Instruction& in, uint32_t mask, Instruction* out)
{
    *out = in;
    out->params[0] = with_mask(in.params[0], mask);
    for (size_t k = 1; k < in.params.size(); ++k) {
        uint32_t a = allowed_for(swizzle(in.params[k]), mask);
        if (a == no_swizzle) return false;
        out->params[k] = with_swizzle(in.params[k], a);
    }
    return true;
}

// Whether the parts, in this order, read no component that an earlier part
// of them has already written.
bool in_order(const Instruction& in, const std::vector<uint32_t>& parts)
{
    uint32_t written = 0;
    for (uint32_t part : parts) {
        for (size_t k = 1; k < in.params.size(); ++k) {
            if (register_key(in.params[k]) != register_key(in.params[0])) continue;
            for (int c = 0; c < 4; ++c)
                if ((part >> c & 1) && (written >> component(swizzle(in.params[k]), c) & 1)) return false;
        }
        written |= part;
    }
    return true;
}

// Every way to cut the components still to place into parts added to
// those in cut; each way whose parts all have allowed swizzles goes to found.
void cut_into_parts(const Instruction& in, std::vector<int> rest, std::vector<uint32_t>& cut,
                    std::vector<std::vector<uint32_t>>& found)
{
    if (rest.empty()) {
        Instruction part;
        for (uint32_t p : cut)
            if (!restricted(in, p, &part)) return;
        found.push_back(cut);
        return;
    }
    uint32_t c = 1u << rest.back();
    rest.pop_back();
    for (size_t i = 0; i < cut.size(); ++i) {
        cut[i] |= c;
        cut_into_parts(in, rest, cut, found);
        cut[i] &= ~c;
    }
    cut.push_back(c);
    cut_into_parts(in, rest, cut, found);
    cut.pop_back();
}

// The ways to cut mask into parts that each have allowed swizzles, fewest
// parts first.
std::vector<std::vector<uint32_t>> partitions(const Instruction& in, uint32_t mask)
{
    std::vector<int> comps;
    for (int c = 3; c >= 0; --c)
        if (mask >> c & 1) comps.push_back(c);
    std::vector<uint32_t> cut;
    std::vector<std::vector<uint32_t>> found;
    cut_into_parts(in, comps, cut, found);
    auto fewer = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) { return a.size() < b.size(); };
    std::stable_sort(found.begin(), found.end(), fewer);
    return found;
}

bool fail_with(std::string* error, const std::string& what)
{
    *error = what;
    return false;
}

class Rewriter {
public:
    Rewriter(std::vector<Instruction>& program, bool pixel, OperandRewrite* done)
        : program_(program), done_(done), pixel_(pixel), float_constants_(pixel ? 32 : 256)
    {
        for (const Instruction& in : program_) {
            if (in.opcode() == op_def && in.params.size() == 5) {
                free_constant_ = std::max(free_constant_, (in.params[0] & 0x7FF) + 1);
                defined_.push_back(in);
            }
            if (in.opcode() == op_dcl && in.params.size() == 2 && register_type(in.params[1]) == reg_sampler)
                sampler_types_.push_back({in.params[1] & 0x7FF, (in.params[0] >> 27) & 0xF});
            if (not_executed(in)) continue;
            for (uint32_t p : in.params) {
                uint32_t next = (p & 0x7FF) + 1;
                if (register_type(p) == reg_temp) free_temp_ = std::max(free_temp_, next);
                if (register_type(p) == reg_const) free_constant_ = std::max(free_constant_, next);
            }
        }
    }

    bool run(std::vector<Instruction>* out, std::string* error)
    {
        if (pixel_) relocate_values();
        std::vector<Instruction> code;
        for (const Instruction& in : program_) {
            uint32_t op = in.opcode();
            if (not_executed(in)) {
                out->push_back(in);
                continue;
            }
            for (uint32_t p : in.params)
                if (p >> 13 & 1) return fail_with(error, "relative addressing");
            Instruction copy = in;
            // A pixel shader writes a color output only with a plain move of
            // a whole register: anything else goes to the free temporary,
            // which is then moved there.
            bool to_output = pixel_ && has_destination(in) && register_type(in.params[0]) == reg_color_out &&
                             !(op == op_mov && (in.params[0] & 0x0FFF0000u) == 0x000F0000u &&
                               (in.params[1] & 0x0FFF0000u) == identity << 16);
            if (to_output) {
                if (write_mask(in.params[0]) != 0xF) return fail_with(error, "a color output written in part");
                if (!temp_available()) return fail_with(error, "no temporary register is free");
                copy.params[0] = (in.params[0] & 0x0FF00000u) | temp_register(0xF);
            }
            if (pixel_ && per_component(op)) rearrange_constants(&copy, write_mask(in.params[0]));
            bool ok = limit_reads(&copy, &code);
            if (ok && !pixel_) emit(copy, &code);
            else if (ok && op == op_texld) ok = texld(copy, &code);
            else if (ok && per_component(op)) ok = split(copy, &code);
            else if (ok) ok = in_place(copy, &code);
            if (!ok) return fail_with(error, temp_error_ ? "no temporary register is free"
                                                    : "no allowed operands for opcode " + std::to_string(op));
            if (to_output) {
                emit({op_mov | 2u << 24, {in.params[0] & ~0x0FF00000u, with_swizzle(temp_register(0), identity)}},
                     &code);
                ++done_->outputs_moved;
            }
        }
        // The new constants are defined after the shader's own.
        size_t at = 0;
        for (size_t k = 0; k < out->size(); ++k)
            if ((*out)[k].opcode() == op_def) at = k + 1;
        if (at == 0)
            while (at < out->size() && ((*out)[at].opcode() == op_comment || (*out)[at].opcode() == op_dcl)) ++at;
        out->insert(out->begin() + at, added_.begin(), added_.end());
        out->insert(out->end(), code.begin(), code.end());
        return true;
    }

private:
    struct SamplerType {
        uint32_t sampler, type;
    };

    std::vector<Instruction>& program_;
    OperandRewrite* done_;
    bool pixel_;
    uint32_t float_constants_;
    std::vector<SamplerType> sampler_types_;
    std::vector<Instruction> defined_, added_;  // the shader's constant definitions, and ours
    uint32_t free_temp_ = 0, free_constant_ = 0;
    bool temp_error_ = false;
    // What the free temporary holds: a coordinate source and its components.
    bool copy_valid_ = false;
    uint32_t copy_source_ = 0, copy_mask_ = 0;

    // The components of source k that the instruction reads, as slots of its
    // swizzle; 0 when not known.
    uint32_t reads(const Instruction& in, size_t k) const
    {
        uint32_t op = in.opcode();
        if (per_component(op)) return write_mask(in.params[0]);
        if (op == op_dp3) return 0x7;
        if (op == op_dp4 || scalar(op)) return 0xF;
        if (op == op_texld && k == 1 && in.params.size() == 3) {
            uint32_t type = 0;
            for (const SamplerType& s : sampler_types_)
                if (s.sampler == (in.params[2] & 0x7FF)) type = s.type;
            return ((in.token >> 16) & 0xFF) != 0 ? 0xF : type == sampler_2d ? 0x3 : 0x7;
        }
        return 0;
    }

    // Operands that need more than a new swizzle: sources no allowed swizzle
    // reads as they are, and texld coordinates that need a copy.
    int awkward_operands(const std::vector<Instruction>& program) const
    {
        int n = 0;
        for (const Instruction& in : program) {
            uint32_t op = in.opcode();
            if (not_executed(in)) continue;
            for (size_t k = 1; k < in.params.size(); ++k) {
                uint32_t read = reads(in, k);
                if (!read) continue;
                uint32_t s = swizzle(in.params[k]);
                if (op == op_texld) n += !agrees(identity, s, read);
                else if (register_type(in.params[k]) == reg_temp) n += allowed_for(s, read) == no_swizzle;
            }
        }
        return n;
    }

    // vkd3d keeps many two-component values in .zw of a temporary, where
    // ps_2_0 cannot swizzle them back to .xy. A value written to components
    // other than the first ones moves, with every instruction that writes
    // or reads it until it is overwritten, to the first components of a
    // temporary of its own, wherever that leaves fewer awkward operands.
    void relocate_values()
    {
        for (size_t d = 0; d < program_.size() && free_temp_ < 11; ++d) {
            const Instruction& def = program_[d];
            if (not_executed(def) || !has_destination(def) || register_type(def.params[0]) != reg_temp)
                continue;
            uint32_t moved = write_mask(def.params[0]);
            if (moved == 0x1 || moved == 0x3 || moved == 0x7 || moved == 0xF) continue;
            std::vector<Instruction> trial = program_;
            if (!relocate(trial, d, moved, free_temp_)) continue;
            if (awkward_operands(trial) >= awkward_operands(program_)) continue;
            program_ = trial;
            ++free_temp_;
            ++done_->values_moved;
        }
    }

    // Moves the components moved of the register instruction d writes to
    // the first components of temporary to, from d on for as long as they
    // hold what d and the instructions after it write there. False when an
    // operand would need both registers.
    bool relocate(std::vector<Instruction>& program, size_t d, uint32_t moved, uint32_t to) const
    {
        uint32_t from = register_key(program[d].params[0]);
        int place[4] = {0, 0, 0, 0};  // component c of the value goes to component place[c] of to
        for (int c = 0, next = 0; c < 4; ++c)
            if (moved >> c & 1) place[c] = next++;
        auto placed = [&](uint32_t mask) {
            uint32_t m = 0;
            for (int c = 0; c < 4; ++c)
                if (mask >> c & 1) m |= 1u << place[c];
            return m;
        };
        uint32_t held = 0;  // components of from whose value is now in to
        for (size_t i = d; i < program.size(); ++i) {
            Instruction& in = program[i];
            uint32_t op = in.opcode();
            if (not_executed(in)) continue;
            bool writes = has_destination(in);
            if (!writes && held && register_key(in.params[0]) == from) return false;  // texkill
            // Sources first: they read before the instruction writes.
            uint32_t mask = writes ? write_mask(in.params[0]) : 0;
            bool dst_moves = writes && register_key(in.params[0]) == from && (mask & ~moved) == 0 &&
                             (i == d || held != 0);
            if (dst_moves && !per_component(op) && !scalar(op) && op != op_dp3 && op != op_dp4) return false;
            for (size_t k = writes ? 1 : 0; k < in.params.size(); ++k) {
                uint32_t p = in.params[k];
                uint32_t read = reads(in, k);
                bool source_moves = false;
                if (k > 0 && register_type(p) == reg_temp && register_key(p) == from && held) {
                    if (!read) return false;
                    uint32_t comps = 0;
                    for (int c = 0; c < 4; ++c)
                        if (read >> c & 1) comps |= 1u << component(swizzle(p), c);
                    if (comps & held) {
                        if (comps & ~held) return false;
                        source_moves = true;
                    }
                }
                if (!source_moves && !(dst_moves && per_component(op))) continue;
                uint32_t s = swizzle(p), out = 0;
                for (int c = 0; c < 4; ++c) {
                    int slot = dst_moves && per_component(op) ? place[c] : c;
                    if (dst_moves && per_component(op) && !(mask >> c & 1)) continue;
                    uint32_t value = component(s, c);
                    if (source_moves) value = place[value];
                    out |= value << (2 * slot);
                }
                if (dst_moves && per_component(op)) {
                    // Slots no written component reads repeat the first one.
                    int first = -1;
                    for (int c = 0; c < 4; ++c)
                        if (mask >> c & 1 && first < 0) first = place[c];
                    uint32_t used = placed(mask);
                    for (int c = 0; c < 4; ++c)
                        if (!(used >> c & 1)) out = (out & ~(3u << (2 * c))) | component(out, first) << (2 * c);
                }
                in.params[k] = with_swizzle(source_moves ? (p & 0x8F000000u) | to : p, out);
            }
            if (!writes || register_key(in.params[0]) != from) continue;
            if (dst_moves) {
                in.params[0] = (in.params[0] & 0x8FF00000u) | placed(mask) << 16 | to;
                held |= mask;
            } else {
                held &= ~mask;
            }
            if (held == 0 && i > d) break;
        }
        return true;
    }

    // A source from a defined constant that no allowed swizzle reads as it
    // does in the components of read becomes, where a register is free, a
    // new constant holding its components in the swizzle's order.
    void rearrange_constants(Instruction* in, uint32_t read)
    {
        if (merge_constants(in)) return;
        for (size_t k = 1; k < in->params.size(); ++k) {
            uint32_t p = in->params[k];
            if (register_type(p) != reg_const || allowed_for(swizzle(p), read) != no_swizzle) continue;
            const Instruction* def = definition(p & 0x7FF);
            if (!def) continue;
            std::vector<uint32_t> values(4);
            for (int c = 0; c < 4; ++c) values[c] = def->params[1 + component(swizzle(p), c)];
            uint32_t number = constant_holding(values);
            if (number == free_constant_) continue;
            in->params[k] = with_swizzle((p & ~0x7FFu) | number, identity);
        }
    }

    // The definition of constant register number, the shader's or ours.
    const Instruction* definition(uint32_t number) const
    {
        for (const std::vector<Instruction>* list : {&defined_, &added_})
            for (const Instruction& d : *list)
                if ((d.params[0] & 0x7FF) == number) return &d;
        return nullptr;
    }

    // A constant register holding values, defined anew when no definition
    // has them; free_constant_ when none is free.
    uint32_t constant_holding(const std::vector<uint32_t>& values)
    {
        for (const std::vector<Instruction>* list : {&defined_, &added_})
            for (const Instruction& d : *list)
                if (std::equal(values.begin(), values.end(), d.params.begin() + 1)) return d.params[0] & 0x7FF;
        if (free_constant_ >= float_constants_) return free_constant_;
        uint32_t reg = 0xA00F0000u | free_constant_;  // c#, all components
        added_.push_back({op_def | 5u << 24, {reg, values[0], values[1], values[2], values[3]}});
        ++done_->constants_added;
        return free_constant_++;
    }

    // Whether the instruction reads one constant register at most twice,
    // one input register and, in a pixel shader, a texture coordinate
    // register at most once.
    bool within_read_limits(const Instruction& in) const
    {
        std::vector<uint32_t> constants, inputs;
        size_t constant_reads = 0, coordinate_reads = 0;
        for (size_t k = has_destination(in) ? 1 : 0; k < in.params.size(); ++k) {
            uint32_t p = in.params[k], type = register_type(p);
            std::vector<uint32_t>* seen = type == reg_const ? &constants : type == reg_input ? &inputs : nullptr;
            if (seen && std::find(seen->begin(), seen->end(), p & 0x7FF) == seen->end()) seen->push_back(p & 0x7FF);
            constant_reads += type == reg_const;
            coordinate_reads += pixel_ && type == reg_texture;
        }
        return constants.size() <= 1 && constant_reads <= 2 && inputs.size() <= 1 && coordinate_reads <= 1;
    }

    // Defined constants that a per-component instruction of a pixel shader
    // reads together, or reads through a swizzle ps_2_0 lacks, are defined
    // again as one register, each read through an allowed swizzle of it.
    // Whether it did so.
    bool merge_constants(Instruction* in)
    {
        uint32_t read = write_mask(in->params[0]);
        std::vector<size_t> sources;
        bool needed = false;
        for (size_t k = 1; k < in->params.size(); ++k) {
            uint32_t p = in->params[k];
            if (register_type(p) != reg_const) continue;
            if (!definition(p & 0x7FF)) return false;
            needed = needed || (!sources.empty() && (in->params[sources[0]] & 0x7FF) != (p & 0x7FF)) ||
                     allowed_for(swizzle(p), read) == no_swizzle;
            sources.push_back(k);
        }
        if (!needed) return false;
        size_t ways = 1;
        for (size_t j = 0; j < sources.size(); ++j) ways *= std::size(allowed_swizzles);
        for (size_t way = 0; way < ways; ++way) {
            std::vector<uint32_t> values(4, 0), chosen;
            uint32_t set = 0;
            bool fits = true;
            for (size_t j = 0, w = way; j < sources.size(); ++j, w /= std::size(allowed_swizzles)) {
                uint32_t p = in->params[sources[j]], a = allowed_swizzles[w % std::size(allowed_swizzles)];
                const Instruction& d = *definition(p & 0x7FF);
                for (int c = 0; c < 4; ++c) {
                    if (!(read >> c & 1)) continue;
                    uint32_t value = d.params[1 + component(swizzle(p), c)], at = component(a, c);
                    fits = fits && (!(set >> at & 1) || values[at] == value);
                    values[at] = value;
                    set |= 1u << at;
                }
                chosen.push_back(a);
            }
            if (!fits) continue;
            uint32_t number = constant_holding(values);
            if (number == free_constant_) return false;
            for (size_t j = 0; j < sources.size(); ++j) {
                uint32_t& p = in->params[sources[j]];
                p = with_swizzle((p & ~0x7FFu) | number, chosen[j]);
            }
            return true;
        }
        return false;
    }

    // Keeps the instruction to the read limits: copies one register it
    // reads into the free temporary (or reads the copy already there) and
    // reads that instead.
    bool limit_reads(Instruction* in, std::vector<Instruction>* out)
    {
        if (within_read_limits(*in)) return true;
        // The register to copy: the one the temporary holds, else a
        // constant the host sets (such as the effect amount, read by many
        // instructions), else any of a kind over its limit.
        uint32_t chosen = 0;
        int best = -1;
        for (size_t k = has_destination(*in) ? 1 : 0; k < in->params.size(); ++k) {
            uint32_t p = in->params[k], type = register_type(p);
            if (type != reg_const && type != reg_input && !(pixel_ && type == reg_texture)) continue;
            uint32_t whole = 0x80000000u | (p & 0x70001FFFu) | identity << 16;
            int rank = copy_valid_ && copy_source_ == whole && copy_mask_ == 0xF ? 3
                       : type == reg_const && !definition(p & 0x7FF) ? 2 : 1;
            if (rank > best) {
                best = rank;
                chosen = whole;
            }
        }
        if (best < 0) return false;
        if (best < 3) {
            if (!temp_available()) return false;
            emit({op_mov | 2u << 24, {temp_register(0xF), chosen}}, out);
            copy_valid_ = true;
            copy_source_ = chosen;
            copy_mask_ = 0xF;
            ++done_->registers_copied;
        }
        for (uint32_t& p : in->params)
            if (&p != &in->params[0] || !has_destination(*in))
                if (register_key(p) == register_key(chosen)) p = (p & 0x8FFF0000u) | free_temp_;
        return within_read_limits(*in);
    }

    bool temp_available()
    {
        temp_error_ = free_temp_ >= temporaries;
        return !temp_error_;
    }

    uint32_t temp_register(uint32_t mask) const { return 0x80000000u | mask << 16 | free_temp_; }

    void emit(const Instruction& in, std::vector<Instruction>* out)
    {
        // A write to the register the copy came from, or to the copy, ends it.
        if (has_destination(in) && (register_key(in.params[0]) == register_key(copy_source_) ||
                                    register_key(in.params[0]) == register_key(temp_register(0))))
            copy_valid_ = false;
        out->push_back(in);
    }

    // Sources swizzled in place; for instructions that are not split.
    bool in_place(const Instruction& in, std::vector<Instruction>* out)
    {
        uint32_t op = in.opcode();
        uint32_t read = op == op_dp3 ? 0x7 : op == op_dp4 ? 0xF : 0;
        Instruction copy = in;
        for (size_t k = 1; read && k < in.params.size(); ++k) {
            uint32_t a = allowed_for(swizzle(in.params[k]), read);
            if (a == no_swizzle) return false;
            if (a != swizzle(in.params[k])) ++done_->swizzles_filled;
            copy.params[k] = with_swizzle(in.params[k], a);
        }
        emit(copy, out);
        return true;
    }

    bool split(const Instruction& in, std::vector<Instruction>* out)
    {
        uint32_t mask = write_mask(in.params[0]);
        std::vector<std::vector<uint32_t>> ways = partitions(in, mask);
        if (ways.empty()) return false;
        Instruction part;
        if (ways[0].size() == 1) {
            restricted(in, mask, &part);
            for (size_t k = 1; k < in.params.size(); ++k)
                if (part.params[k] != in.params[k]) ++done_->swizzles_filled;
            emit(part, out);
            return true;
        }
        // The fewest parts in an order that reads nothing already written;
        // else the fewest parts into the free temporary and one move back,
        // when that costs less.
        std::vector<uint32_t> order;
        for (const std::vector<uint32_t>& way : ways) {
            std::vector<uint32_t> parts = way;
            std::sort(parts.begin(), parts.end());
            do {
                if (in_order(in, parts)) {
                    order = parts;
                    break;
                }
            } while (std::next_permutation(parts.begin(), parts.end()));
            if (!order.empty()) break;
        }
        ++done_->instructions_split;
        if (!order.empty() && order.size() <= ways[0].size() + 1) {
            for (uint32_t p : order) {
                restricted(in, p, &part);
                emit(part, out);
            }
            return true;
        }
        // Not when the temporary holds a copy the instruction reads.
        for (size_t k = 1; k < in.params.size(); ++k)
            if (register_key(in.params[k]) == register_key(temp_register(0))) return false;
        if (!temp_available()) return false;
        // The parts write the temporary, with the instruction's modifiers; the
        // move copies it unchanged.
        Instruction into = in;
        into.params[0] = (in.params[0] & 0x0FF00000u) | temp_register(mask);
        for (uint32_t p : ways[0]) {
            restricted(into, p, &part);
            emit(part, out);
        }
        Instruction back{op_mov | 2u << 24,
                         {with_mask(in.params[0] & ~0x0FF00000u, mask), with_swizzle(temp_register(0), identity)}};
        emit(back, out);
        return true;
    }

    bool texld(const Instruction& in, std::vector<Instruction>* out)
    {
        if (in.params.size() != 3) return false;
        uint32_t read = reads(in, 1);
        uint32_t coordinates = in.params[1];
        Instruction copy = in;
        if ((coordinates >> 24 & 0xF) == 0 && agrees(identity, swizzle(coordinates), read)) {
            copy.params[1] = with_swizzle(coordinates, identity);
            if (copy.params[1] != coordinates) ++done_->swizzles_filled;
            emit(copy, out);
            return true;
        }
        bool held = copy_valid_ && copy_source_ == coordinates && (copy_mask_ & read) == read;
        if (!held) {
            if (!temp_available()) return false;
            Instruction mov{op_mov | 2u << 24, {temp_register(read), coordinates}};
            int splits = done_->instructions_split;
            if (!split(mov, out)) return false;
            done_->instructions_split = splits;
            copy_valid_ = true;
            copy_source_ = coordinates;
            copy_mask_ = read;
            ++done_->coordinates_copied;
        }
        copy.params[1] = with_swizzle(temp_register(0), identity);
        emit(copy, out);
        return true;
    }
};

}  // namespace

bool rewrite_operands(std::vector<uint32_t>* code, OperandRewrite* done, std::string* error)
{
    if (code->empty() || ((*code)[0] != version_ps_2_0 && (*code)[0] != version_vs_2_0)) return true;
    bool pixel = (*code)[0] == version_ps_2_0;
    std::vector<Instruction> program;
    size_t i = 1;
    for (;;) {
        if (i >= code->size()) return fail_with(error, "the shader has no end token");
        uint32_t token = (*code)[i];
        uint32_t op = token & 0xFFFF;
        if (op == op_end) break;
        size_t length = op == op_comment ? (token >> 16) & 0x7FFF : (token >> 24) & 0xF;
        if (i + 1 + length > code->size()) return fail_with(error, "the shader ends inside an instruction");
        program.push_back({token, std::vector<uint32_t>(code->begin() + i + 1, code->begin() + i + 1 + length)});
        i += 1 + length;
    }
    std::vector<Instruction> rewritten;
    OperandRewrite counts;
    if (!Rewriter(program, pixel, &counts).run(&rewritten, error)) return false;
    std::vector<uint32_t> out{(*code)[0]};
    for (const Instruction& in : rewritten) {
        uint32_t token = in.token;
        if (in.opcode() != op_comment) token = (token & ~0x0F000000u) | uint32_t(in.params.size()) << 24;
        out.push_back(token);
        out.insert(out.end(), in.params.begin(), in.params.end());
    }
    out.insert(out.end(), code->begin() + i, code->end());  // the end token and anything after it
    *code = out;
    done->swizzles_filled += counts.swizzles_filled;
    done->instructions_split += counts.instructions_split;
    done->coordinates_copied += counts.coordinates_copied;
    done->constants_added += counts.constants_added;
    done->values_moved += counts.values_moved;
    done->registers_copied += counts.registers_copied;
    done->outputs_moved += counts.outputs_moved;
    return true;
}

}  // namespace fxpack
