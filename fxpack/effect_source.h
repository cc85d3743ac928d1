// What the packer reads from a preprocessed effect text: the top-level
// parameters, the sampler blocks and the techniques with their passes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "render/effect_reader.h"

namespace fxpack {

struct SamplerState {
    std::string name;       // Texture, MipFilter, ...
    std::string texture;    // for Texture: the texture parameter it names
    uint32_t value = 0;     // for the other states
};

struct Parameter {
    std::string name;
    uint32_t type = effect_type_float;   // effect_type_*, effect_class_* (render/effect_reader.h)
    uint32_t cls = effect_class_scalar;
    uint32_t rows = 1;
    uint32_t columns = 1;
    std::vector<SamplerState> sampler_states;   // samplers only
};

struct ShaderUse {
    std::string profile;    // vs_2_0, ps_2_0, ...
    std::string entry;      // the function compiled
};

struct Pass {
    std::string name;
    ShaderUse vertex_shader;
    ShaderUse pixel_shader;
};

struct Technique {
    std::string name;
    std::vector<Pass> passes;
};

struct EffectSource {
    std::vector<Parameter> parameters;
    std::vector<Technique> techniques;
};

// Parses preprocessed effect text. Returns false with a message naming the
// line on anything it does not understand.
bool parse_effect_source(const std::string& text, EffectSource* out, std::string* error);

// The effect-state number of a sampler state name, or -1 when unknown.
int sampler_state_operation(const std::string& name);

// Writes the binary effect. shader_code(use) gives the compiled bytecode of
// one shader use; an empty result fails the packing with a message.
using ShaderLookup = std::vector<uint8_t> (*)(const ShaderUse& use, void* context);
bool write_effect_binary(const EffectSource& source, ShaderLookup shader_code, void* context,
                         std::vector<uint8_t>* out, std::string* error);

}  // namespace fxpack
