// The binary effect (fx_2_0): a tag, the offset of the structured section,
// then a data area that the structured section points into by offsets
// counted from the start of the data area. Everything is little-endian
// 32-bit words; strings and blobs are a length word, the bytes, and padding
// to a whole word.
#include "effect_source.h"

namespace fxpack {
namespace {

const uint32_t effect_tag = 0xFEFF0901;
const uint32_t op_vertex_shader = 0x92;
const uint32_t op_pixel_shader = 0x93;
const uint32_t no_index = 0xFFFFFFFF;
const uint32_t usage_bytecode = 0;
const uint32_t usage_parameter_name = 1;

class Words {
public:
    std::vector<uint8_t> bytes;

    uint32_t offset() const { return static_cast<uint32_t>(bytes.size()); }

    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }

    // Length word, bytes, zero padding to a whole word.
    void blob(const uint8_t* data, size_t size)
    {
        u32(static_cast<uint32_t>(size));
        bytes.insert(bytes.end(), data, data + size);
        while (bytes.size() % 4) bytes.push_back(0);
    }

    // A name with its terminator; returns where it starts.
    uint32_t name(const std::string& s)
    {
        uint32_t at = offset();
        blob(reinterpret_cast<const uint8_t*>(s.c_str()), s.size() + 1);
        return at;
    }
};

class Writer {
public:
    Writer(const EffectSource& source, ShaderLookup lookup, void* context, std::string* error)
        : source_(source), lookup_(lookup), context_(context), error_(error) {}

    bool write(std::vector<uint8_t>* out)
    {
        empty_name_ = data_.offset();
        data_.u32(0);
        next_object_ = 1;  // object 0 stays unused

        // Types and values of the parameters, and for samplers their states.
        std::vector<uint32_t> param_type, param_value;
        for (const Parameter& p : source_.parameters) {
            param_type.push_back(typedef_for(p.type, p.cls, p.rows, p.columns, data_.name(p.name)));
            param_value.push_back(value_for(p));
        }

        // The passes' shader states: an object each, filled by a resource.
        struct ShaderState {
            uint32_t type_offset, value_offset;
            std::vector<uint8_t> code;
        };
        std::vector<std::vector<std::vector<ShaderState>>> shader_states;
        uint32_t vs_type = typedef_for(effect_type_vertex_shader, effect_class_object, 0, 0, empty_name_);
        uint32_t ps_type = typedef_for(effect_type_pixel_shader, effect_class_object, 0, 0, empty_name_);
        std::vector<uint32_t> technique_name;
        std::vector<std::vector<uint32_t>> pass_name;
        for (const Technique& t : source_.techniques) {
            technique_name.push_back(data_.name(t.name));
            pass_name.emplace_back();
            shader_states.emplace_back();
            for (const Pass& p : t.passes) {
                pass_name.back().push_back(data_.name(p.name));
                std::vector<ShaderState> states;
                const ShaderUse* uses[2] = {&p.vertex_shader, &p.pixel_shader};
                for (int k = 0; k < 2; ++k) {
                    ShaderState s;
                    s.type_offset = k == 0 ? vs_type : ps_type;
                    s.value_offset = object_value();
                    s.code = lookup_(*uses[k], context_);
                    if (s.code.empty() || s.code.size() % 4) {
                        *error_ = "no usable bytecode for " + uses[k]->entry + " (" + uses[k]->profile + ")";
                        return false;
                    }
                    states.push_back(s);
                }
                shader_states.back().push_back(states);
            }
        }

        // The structured section.
        Words s;
        s.u32(static_cast<uint32_t>(source_.parameters.size()));
        s.u32(static_cast<uint32_t>(source_.techniques.size()));
        s.u32(0);
        s.u32(next_object_);
        for (size_t i = 0; i < source_.parameters.size(); ++i) {
            s.u32(param_type[i]);
            s.u32(param_value[i]);
            s.u32(0);  // flags
            s.u32(0);  // annotations
        }
        for (size_t t = 0; t < source_.techniques.size(); ++t) {
            s.u32(technique_name[t]);
            s.u32(0);  // annotations
            s.u32(static_cast<uint32_t>(source_.techniques[t].passes.size()));
            for (size_t p = 0; p < source_.techniques[t].passes.size(); ++p) {
                s.u32(pass_name[t][p]);
                s.u32(0);  // annotations
                s.u32(2);  // states
                const uint32_t ops[2] = {op_vertex_shader, op_pixel_shader};
                for (int k = 0; k < 2; ++k) {
                    s.u32(ops[k]);
                    s.u32(0);
                    s.u32(shader_states[t][p][k].type_offset);
                    s.u32(shader_states[t][p][k].value_offset);
                }
            }
        }
        uint32_t resource_count = static_cast<uint32_t>(texture_links_.size());
        for (const auto& t : shader_states)
            for (const auto& p : t) resource_count += static_cast<uint32_t>(p.size());
        s.u32(0);  // strings
        s.u32(resource_count);
        // Sampler textures: the state refers to a parameter by name.
        for (const TextureLink& link : texture_links_) {
            s.u32(no_index);
            s.u32(link.parameter);
            s.u32(no_index);
            s.u32(link.state);
            s.u32(usage_parameter_name);
            s.blob(reinterpret_cast<const uint8_t*>(link.texture.c_str()), link.texture.size() + 1);
        }
        // Shaders: the state's object receives the bytecode.
        for (size_t t = 0; t < shader_states.size(); ++t) {
            for (size_t p = 0; p < shader_states[t].size(); ++p) {
                for (size_t k = 0; k < shader_states[t][p].size(); ++k) {
                    s.u32(static_cast<uint32_t>(t));
                    s.u32(static_cast<uint32_t>(p));
                    s.u32(no_index);
                    s.u32(static_cast<uint32_t>(k));
                    s.u32(usage_bytecode);
                    const std::vector<uint8_t>& code = shader_states[t][p][k].code;
                    s.blob(code.data(), code.size());
                }
            }
        }

        Words file;
        file.u32(effect_tag);
        file.u32(data_.offset());
        out->assign(file.bytes.begin(), file.bytes.end());
        out->insert(out->end(), data_.bytes.begin(), data_.bytes.end());
        out->insert(out->end(), s.bytes.begin(), s.bytes.end());
        return true;
    }

private:
    struct TextureLink {
        uint32_t parameter;
        uint32_t state;
        std::string texture;
    };

    const EffectSource& source_;
    ShaderLookup lookup_;
    void* context_;
    std::string* error_;
    Words data_;
    uint32_t empty_name_ = 0;
    uint32_t next_object_ = 1;
    std::vector<TextureLink> texture_links_;

    uint32_t typedef_for(uint32_t type, uint32_t cls, uint32_t rows, uint32_t columns, uint32_t name)
    {
        uint32_t at = data_.offset();
        data_.u32(type);
        data_.u32(cls);
        data_.u32(name);
        data_.u32(empty_name_);  // semantic
        data_.u32(0);            // elements
        if (cls == effect_class_vector) {
            data_.u32(columns);
            data_.u32(rows);
        } else if (cls != effect_class_object) {
            data_.u32(rows);
            data_.u32(columns);
        }
        return at;
    }

    // A value holding a fresh object id.
    uint32_t object_value()
    {
        uint32_t at = data_.offset();
        data_.u32(next_object_++);
        return at;
    }

    uint32_t value_for(const Parameter& p)
    {
        if (p.type == effect_type_texture) return object_value();
        if (p.type == effect_type_sampler || p.type == effect_type_sampler_2d) {
            uint32_t index = 0;
            for (const Parameter& q : source_.parameters) {
                if (&q == &p) break;
                ++index;
            }
            struct StateWords {
                uint32_t op, type, value;
            };
            std::vector<StateWords> states;
            for (size_t i = 0; i < p.sampler_states.size(); ++i) {
                const SamplerState& st = p.sampler_states[i];
                StateWords w;
                w.op = static_cast<uint32_t>(sampler_state_operation(st.name));
                if (!st.texture.empty()) {
                    w.type = typedef_for(effect_type_texture, effect_class_object, 0, 0, empty_name_);
                    w.value = object_value();
                    texture_links_.push_back({index, static_cast<uint32_t>(i), st.texture});
                } else {
                    w.type = typedef_for(effect_type_int, effect_class_scalar, 1, 1, empty_name_);
                    w.value = data_.offset();
                    data_.u32(st.value);
                }
                states.push_back(w);
            }
            uint32_t at = data_.offset();
            data_.u32(static_cast<uint32_t>(states.size()));
            for (const StateWords& w : states) {
                data_.u32(w.op);
                data_.u32(0);
                data_.u32(w.type);
                data_.u32(w.value);
            }
            return at;
        }
        // Numbers start at zero.
        uint32_t at = data_.offset();
        for (uint32_t i = 0; i < p.rows * p.columns; ++i) data_.u32(0);
        return at;
    }
};

}  // namespace

bool write_effect_binary(const EffectSource& source, ShaderLookup shader_code, void* context,
                         std::vector<uint8_t>* out, std::string* error)
{
    Writer writer(source, shader_code, context, error);
    return writer.write(out);
}

}  // namespace fxpack
