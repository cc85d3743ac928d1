// Reading the compiled effect container. All numbers are little-endian 32-bit
// words; the container is a tag and the offset of the structured section,
// then a data area that the structured section points into.
#include "effect_reader.h"

namespace {

const uint32_t effect_tag = 0xFEFF0901;
const uint32_t no_index = 0xFFFFFFFF;

// Effect state operations: render states first, then (among others) the
// shaders, a sampler's texture and its sampler states.
const uint32_t op_render_state_count = 0x67;
const uint32_t op_vertex_shader = 0x92;
const uint32_t op_pixel_shader = 0x93;
const uint32_t op_texture = 0xA4;
const uint32_t op_first_sampler_state = 0xA5; // AddressU = D3DSAMP_ADDRESSU (1)
const uint32_t op_last_sampler_state = 0xB1;  // DMAPOffset = D3DSAMP_DMAPOFFSET (13)

// The D3DRS_* number of each render state operation.
const uint8_t render_states[op_render_state_count] = {
    7,   8,   9,   14,  15,  16,  19,  20,  22,  23,  24,  25,  26,  27,  28,  29,  34,  35,  36,  37,  38,
    48,  52,  53,  54,  55,  56,  57,  58,  59,  60,  128, 129, 130, 131, 132, 133, 134, 135, 198, 199, 200,
    201, 202, 203, 204, 205, 136, 137, 139, 140, 141, 142, 143, 145, 146, 147, 148, 151, 152, 154, 155, 166,
    156, 157, 158, 159, 160, 161, 162, 163, 165, 167, 168, 170, 171, 172, 173, 174, 175, 176, 178, 179, 180,
    181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 192, 193, 194, 195, 206, 207, 208, 209,
};

const uint32_t ctab_tag = 0x42415443; // "CTAB"
const uint32_t shader_end = 0x0000FFFF;
const uint32_t max_sampler_states = 16;
const uint32_t max_pass_states = 64;

uint32_t word(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t half(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

bool same_name(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Bytes [offset, offset + count) lie within size.
bool fits(uint32_t size, uint32_t offset, uint32_t count) { return offset <= size && count <= size - offset; }

// Copies a terminated string of at most effect_name_size - 1 characters that
// starts at text and ends before limit.
bool copy_name(const uint8_t* text, const uint8_t* limit, char out[effect_name_size])
{
    for (uint32_t i = 0; i < effect_name_size; ++i) {
        if (text + i >= limit) return false;
        out[i] = static_cast<char>(text[i]);
        if (text[i] == 0) return true;
    }
    return false;
}

struct TypeInfo {
    uint32_t type, cls, rows, columns;
};

// Where a pass's shader states are, for the resources that carry their code.
struct PassShaderStates {
    uint32_t vertex, pixel; // state index within the pass, or no_index
};

class Reader {
public:
    Reader(const uint8_t* data, uint32_t size, EffectLayout* out)
        : container_(data), blob_(data + 8), size_(size - 8), out_(out) {}

    bool read()
    {
        if (word(container_) != effect_tag) return false;
        pos_ = word(container_ + 4);
        out_->parameter_count = out_->technique_count = out_->pass_count = 0;
        out_->shader_count = out_->constant_count = out_->state_count = 0;

        uint32_t parameters, techniques, unused, objects;
        if (!next(&parameters) || !next(&techniques) || !next(&unused) || !next(&objects)) return false;
        if (parameters > effect_max_parameters || techniques > effect_max_techniques) return false;
        for (uint32_t i = 0; i < parameters; ++i)
            if (!read_parameter(i)) return false;
        for (uint32_t i = 0; i < techniques; ++i)
            if (!read_technique(i)) return false;
        // Parameter names are known now: the resources and constant tables refer to them.
        uint32_t strings, resources;
        if (!next(&strings) || !next(&resources)) return false;
        for (uint32_t i = 0; i < strings; ++i) {
            uint32_t id, bytes;
            if (!next(&id) || !next(&bytes) || !skip_bytes(bytes)) return false;
        }
        for (uint32_t i = 0; i < resources; ++i)
            if (!read_resource()) return false;
        return true;
    }

private:
    const uint8_t* container_;
    const uint8_t* blob_;
    uint32_t size_;
    EffectLayout* out_;
    uint32_t pos_ = 0; // in the structured section, from the start of the data area
    int32_t texture_state_[effect_max_parameters];
    PassShaderStates pass_shaders_[effect_max_passes];

    bool next(uint32_t* v)
    {
        if (!fits(size_, pos_, 4)) return false;
        *v = word(blob_ + pos_);
        pos_ += 4;
        return true;
    }

    bool word_at(uint32_t offset, uint32_t* v) const
    {
        if (!fits(size_, offset, 4)) return false;
        *v = word(blob_ + offset);
        return true;
    }

    // A length word, then the bytes padded to a whole word.
    bool skip_bytes(uint32_t bytes)
    {
        uint32_t padded = bytes + ((4 - (bytes & 3)) & 3);
        if (padded < bytes || !fits(size_, pos_, padded)) return false;
        pos_ += padded;
        return true;
    }

    // A name in the data area: a length word (the terminator included), then the bytes.
    bool name_at(uint32_t offset, char out[effect_name_size]) const
    {
        uint32_t length;
        if (!word_at(offset, &length) || !fits(size_, offset + 4, length)) return false;
        if (length == 0) {
            out[0] = 0;
            return true;
        }
        return copy_name(blob_ + offset + 4, blob_ + offset + 4 + length, out);
    }

    // A type definition: type, class, name, semantic, element count, then
    // the shape of numbers. `name` may be null when the name is not kept.
    bool type_at(uint32_t offset, TypeInfo* t, char* name) const
    {
        uint32_t name_offset, semantic, elements;
        if (!word_at(offset, &t->type) || !word_at(offset + 4, &t->cls) || !word_at(offset + 8, &name_offset) ||
            !word_at(offset + 12, &semantic) || !word_at(offset + 16, &elements))
            return false;
        if (elements != 0) return false;
        if (name && !name_at(name_offset, name)) return false;
        t->rows = t->columns = 0;
        if (t->cls == effect_class_object) {
            return t->type >= effect_type_texture && t->type <= effect_type_vertex_shader;
        }
        if (t->cls > effect_class_matrix_columns) return false;
        if (t->type < effect_type_bool || t->type > effect_type_float) return false;
        uint32_t a, b;
        if (!word_at(offset + 20, &a) || !word_at(offset + 24, &b)) return false;
        // Vectors give their columns first.
        t->rows = t->cls == effect_class_vector ? b : a;
        t->columns = t->cls == effect_class_vector ? a : b;
        return t->rows >= 1 && t->rows <= 4 && t->columns >= 1 && t->columns <= 4;
    }

    bool add_state(uint32_t state, uint32_t value)
    {
        if (out_->state_count >= effect_max_states) return false;
        out_->states[out_->state_count++] = {state, value};
        return true;
    }

    // A state's value: one word of a scalar.
    bool scalar_value(uint32_t type_offset, uint32_t value_offset, uint32_t* value) const
    {
        TypeInfo t;
        if (!type_at(type_offset, &t, nullptr)) return false;
        if (t.cls != effect_class_scalar || t.rows != 1 || t.columns != 1) return false;
        return word_at(value_offset, value);
    }

    // Annotations are not used: each is a type and a value offset, skipped.
    bool skip_annotations(uint32_t count)
    {
        if (count > size_ / 8) return false;
        uint32_t v;
        for (uint32_t i = 0; i < 2 * count; ++i)
            if (!next(&v)) return false;
        return true;
    }

    bool read_parameter(uint32_t index)
    {
        EffectParameter& p = out_->parameters[index];
        uint32_t type_offset, value_offset, flags, annotations;
        if (!next(&type_offset) || !next(&value_offset) || !next(&flags) || !next(&annotations)) return false;
        if (!skip_annotations(annotations)) return false;
        TypeInfo t;
        if (!type_at(type_offset, &t, p.name)) return false;
        if (p.name[0] == 0 || find_parameter(*out_, p.name) >= 0) return false;
        p.type = t.type;
        p.cls = t.cls;
        p.rows = t.rows;
        p.columns = t.columns;
        p.texture = effect_not_set;
        p.first_state = out_->state_count;
        p.state_count = 0;
        for (uint32_t& v : p.value) v = 0;
        texture_state_[index] = -1;
        out_->parameter_count = index + 1;

        if (t.cls != effect_class_object) {
            for (uint32_t i = 0; i < t.rows * t.columns; ++i)
                if (!word_at(value_offset + 4 * i, &p.value[i])) return false;
            return true;
        }
        if (t.type >= effect_type_texture && t.type <= effect_type_texture_cube) return true;
        if (t.type < effect_type_sampler || t.type > effect_type_sampler_cube) return false;

        // A sampler: its states.
        uint32_t count;
        if (!word_at(value_offset, &count) || count > max_sampler_states) return false;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t at = value_offset + 4 + 16 * i;
            uint32_t op, state_index, state_type, state_value;
            if (!word_at(at, &op) || !word_at(at + 4, &state_index) || !word_at(at + 8, &state_type) ||
                !word_at(at + 12, &state_value))
                return false;
            if (op == op_texture) {
                TypeInfo tt;
                if (texture_state_[index] >= 0 || !type_at(state_type, &tt, nullptr)) return false;
                bool texture = tt.type >= effect_type_texture && tt.type <= effect_type_texture_cube;
                if (tt.cls != effect_class_object || !texture) return false;
                // Unbound until a resource names the texture parameter.
                texture_state_[index] = static_cast<int32_t>(i);
                p.texture = effect_set_null;
                continue;
            }
            if (op < op_first_sampler_state || op > op_last_sampler_state) return false;
            uint32_t value;
            if (!scalar_value(state_type, state_value, &value)) return false;
            if (!add_state(op - op_first_sampler_state + 1, value)) return false;
            ++p.state_count;
        }
        return true;
    }

    bool read_technique(uint32_t index)
    {
        EffectTechnique& t = out_->techniques[index];
        uint32_t name_offset, annotations, passes;
        if (!next(&name_offset) || !next(&annotations) || !next(&passes)) return false;
        if (!name_at(name_offset, t.name) || !skip_annotations(annotations)) return false;
        if (passes > effect_max_passes - out_->pass_count) return false;
        t.first_pass = out_->pass_count;
        t.pass_count = passes;
        out_->technique_count = index + 1;
        for (uint32_t i = 0; i < passes; ++i)
            if (!read_pass(out_->pass_count)) return false;
        return true;
    }

    bool read_pass(uint32_t index)
    {
        EffectPass& p = out_->passes[index];
        PassShaderStates& shaders = pass_shaders_[index];
        uint32_t name_offset, annotations, states;
        if (!next(&name_offset) || !next(&annotations) || !next(&states)) return false;
        if (!name_at(name_offset, p.name) || !skip_annotations(annotations)) return false;
        if (states > max_pass_states) return false;
        p.vertex_shader = p.pixel_shader = effect_not_set;
        p.first_state = out_->state_count;
        p.state_count = 0;
        shaders.vertex = shaders.pixel = no_index;
        out_->pass_count = index + 1;
        for (uint32_t i = 0; i < states; ++i) {
            uint32_t op, state_index, type_offset, value_offset;
            if (!next(&op) || !next(&state_index) || !next(&type_offset) || !next(&value_offset)) return false;
            if (state_index != 0) return false;
            if (op < op_render_state_count) {
                uint32_t value;
                if (!scalar_value(type_offset, value_offset, &value) || !add_state(render_states[op], value))
                    return false;
                ++p.state_count;
                continue;
            }
            if (op != op_vertex_shader && op != op_pixel_shader) return false;
            bool pixel = op == op_pixel_shader;
            TypeInfo t;
            if (!type_at(type_offset, &t, nullptr) || t.cls != effect_class_object) return false;
            if (t.type != (pixel ? effect_type_pixel_shader : effect_type_vertex_shader)) return false;
            uint32_t& slot = pixel ? shaders.pixel : shaders.vertex;
            if (slot != no_index) return false;
            slot = i;
            // Null until a resource brings the code.
            (pixel ? p.pixel_shader : p.vertex_shader) = effect_set_null;
        }
        return true;
    }

    bool read_resource()
    {
        uint32_t technique, index, element, state, usage, bytes;
        if (!next(&technique) || !next(&index) || !next(&element) || !next(&state) || !next(&usage) || !next(&bytes))
            return false;
        uint32_t at = pos_;
        if (!skip_bytes(bytes) || element != no_index) return false;
        const uint8_t* data = blob_ + at;

        if (technique == no_index) {
            // A sampler's texture, named.
            if (index >= out_->parameter_count || usage != 1) return false;
            EffectParameter& sampler = out_->parameters[index];
            if (texture_state_[index] < 0 || state != static_cast<uint32_t>(texture_state_[index])) return false;
            if (sampler.texture != effect_set_null) return false;
            char name[effect_name_size];
            if (!copy_name(data, data + bytes, name)) return false;
            int32_t texture = find_parameter(*out_, name);
            if (texture < 0) return false;
            const EffectParameter& t = out_->parameters[texture];
            if (t.cls != effect_class_object || t.type < effect_type_texture || t.type > effect_type_texture_cube)
                return false;
            sampler.texture = texture;
            return true;
        }

        // A pass's shader: its bytecode.
        if (technique >= out_->technique_count || usage != 0) return false;
        const EffectTechnique& t = out_->techniques[technique];
        if (index >= t.pass_count) return false;
        uint32_t pass = t.first_pass + index;
        EffectPass& p = out_->passes[pass];
        const PassShaderStates& shaders = pass_shaders_[pass];
        bool pixel;
        if (state == shaders.vertex && shaders.vertex != no_index) pixel = false;
        else if (state == shaders.pixel && shaders.pixel != no_index) pixel = true;
        else return false;
        int32_t& slot = pixel ? p.pixel_shader : p.vertex_shader;
        if (slot != effect_set_null) return false;
        slot = add_shader(data, bytes, pixel);
        return slot >= 0;
    }

    // The shader of that code, read once; -1 when the code is not usable.
    int32_t add_shader(const uint8_t* code, uint32_t size, bool pixel)
    {
        uint32_t offset = static_cast<uint32_t>(code - container_);
        for (uint32_t i = 0; i < out_->shader_count; ++i) {
            const EffectShader& s = out_->shaders[i];
            if (s.pixel != pixel || s.size != size) continue;
            const uint8_t* other = container_ + s.offset;
            uint32_t k = 0;
            while (k < size && other[k] == code[k]) ++k;
            if (k == size) return static_cast<int32_t>(i);
        }
        if (out_->shader_count >= effect_max_shaders) return -1;
        EffectShader& s = out_->shaders[out_->shader_count];
        s.pixel = pixel;
        s.offset = offset;
        s.size = size;
        s.first_constant = out_->constant_count;
        s.constant_count = 0;
        if (!read_bytecode(code, size, &s)) return -1;
        return static_cast<int32_t>(out_->shader_count++);
    }

    // Shader model 2 or 3 code of the right kind that ends within its size
    // (Direct3D reads it up to its end token), and its constant table.
    bool read_bytecode(const uint8_t* code, uint32_t size, EffectShader* s)
    {
        if (size < 8 || size % 4) return false;
        uint32_t n = size / 4;
        uint32_t version = word(code);
        if ((version >> 16) != (s->pixel ? 0xFFFFu : 0xFFFEu)) return false;
        uint32_t major = (version >> 8) & 0xFF;
        if (major < 2 || major > 3) return false;
        bool table = false;
        for (uint32_t i = 1; i < n;) {
            uint32_t token = word(code + 4 * i);
            if (token == shader_end) return table;
            uint32_t length = (token & 0xFFFF) == 0xFFFE ? (token >> 16) & 0x7FFF : (token >> 24) & 0x0F;
            if (length > n - i - 1) return false;
            if ((token & 0xFFFF) == 0xFFFE && length >= 1 && word(code + 4 * (i + 1)) == ctab_tag && !table) {
                if (!read_constant_table(code + 4 * (i + 2), 4 * (length - 1), s)) return false;
                table = true;
            }
            i += 1 + length;
        }
        return false;
    }

    bool read_constant_table(const uint8_t* t, uint32_t size, EffectShader* s)
    {
        if (size < 28 || word(t) < 28) return false;
        uint32_t count = word(t + 12), info = word(t + 16);
        if (count > effect_max_constants - out_->constant_count) return false;
        if (count > size / 20 || !fits(size, info, 20 * count)) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* c = t + info + 20 * i;
            uint32_t name = word(c), set = half(c + 4), reg = half(c + 6), regs = half(c + 8), type = word(c + 12);
            char text[effect_name_size];
            if (name >= size || !copy_name(t + name, t + size, text)) return false;
            if (!fits(size, type, 16)) return false;
            uint32_t cls = half(t + type), rows = half(t + type + 4), columns = half(t + type + 6);
            uint32_t elements = half(t + type + 8), members = half(t + type + 10);
            if (elements > 1 || members != 0 || regs == 0) return false;
            uint32_t limit = set == effect_registers_float4 ? 256 : 16;
            if (set > effect_registers_sampler || reg >= limit || regs > limit - reg) return false;
            int32_t parameter = find_parameter(*out_, text);
            if (parameter < 0) return false;
            const EffectParameter& p = out_->parameters[parameter];
            bool sampler = p.cls == effect_class_object && p.type >= effect_type_sampler &&
                           p.type <= effect_type_sampler_cube;
            if (sampler != (set == effect_registers_sampler)) return false;
            if (!sampler && (p.cls == effect_class_object || cls > effect_class_matrix_columns || regs > 4))
                return false;
            EffectConstant& k = out_->constants[out_->constant_count++];
            k.parameter = static_cast<uint32_t>(parameter);
            k.register_set = set;
            k.register_index = reg;
            k.register_count = regs;
            k.cls = cls;
            k.rows = rows;
            k.columns = columns;
            ++s->constant_count;
        }
        return true;
    }
};

} // namespace

bool read_effect(const uint8_t* data, uint32_t size, EffectLayout* out)
{
    if (!data || size < 8) return false;
    Reader reader(data, size, out);
    return reader.read();
}

int32_t find_parameter(const EffectLayout& layout, const char* name)
{
    for (uint32_t i = 0; i < layout.parameter_count; ++i)
        if (same_name(layout.parameters[i].name, name)) return static_cast<int32_t>(i);
    return -1;
}

int32_t find_technique(const EffectLayout& layout, const char* name)
{
    for (uint32_t i = 0; i < layout.technique_count; ++i)
        if (same_name(layout.techniques[i].name, name)) return static_cast<int32_t>(i);
    return -1;
}
