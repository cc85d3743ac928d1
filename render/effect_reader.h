// The compiled effect container (fx_2_0) as the program's own effect runtime
// uses it: its parameters with their initial values and sampler states, its
// techniques and passes with their render states and shaders, and for each
// shader the constant table that says which register or sampler each
// parameter lives in. A plain reader over a byte range: every offset and
// count is checked, and anything it does not know fails the read.
#pragma once
#include <stdint.h>

const uint32_t effect_name_size = 64;
const uint32_t effect_max_parameters = 32;
const uint32_t effect_max_techniques = 64;
const uint32_t effect_max_passes = 64;
const uint32_t effect_max_shaders = 128;
const uint32_t effect_max_constants = 512;
const uint32_t effect_max_states = 512;

// Parameter types and classes, numbered as D3DXPARAMETER_TYPE and
// D3DXPARAMETER_CLASS number them.
enum : uint32_t {
    effect_type_bool = 1,
    effect_type_int = 2,
    effect_type_float = 3,
    effect_type_texture = 5,
    effect_type_texture_cube = 9,
    effect_type_sampler = 10,
    effect_type_sampler_2d = 12,
    effect_type_sampler_cube = 14,
    effect_type_pixel_shader = 15,
    effect_type_vertex_shader = 16,
};
enum : uint32_t {
    effect_class_scalar = 0,
    effect_class_vector = 1,
    effect_class_matrix_rows = 2,
    effect_class_matrix_columns = 3,
    effect_class_object = 4,
};
// Register sets of a constant table (D3DXREGISTER_SET).
enum : uint32_t {
    effect_registers_bool = 0,
    effect_registers_int4 = 1,
    effect_registers_float4 = 2,
    effect_registers_sampler = 3,
};

// Shader and texture references of passes and samplers.
const int32_t effect_not_set = -1;  // the pass or sampler leaves it as it is
const int32_t effect_set_null = -2; // the pass or sampler unbinds it

// A render state (D3DRS_*) of a pass or a sampler state (D3DSAMP_*) of a
// sampler, with its value as the device takes it.
struct EffectState {
    uint32_t state;
    uint32_t value;
};

struct EffectParameter {
    char name[effect_name_size];
    uint32_t type;
    uint32_t cls;
    uint32_t rows, columns;  // numbers only
    uint32_t value[16];      // numbers: rows x columns values, row after row
    int32_t texture;         // samplers: the texture parameter, or effect_not_set / effect_set_null
    uint32_t first_state;    // samplers: their states in EffectLayout::states
    uint32_t state_count;
};

// One entry of a shader's constant table.
struct EffectConstant {
    uint32_t parameter;      // index in EffectLayout::parameters
    uint32_t register_set;
    uint32_t register_index;
    uint32_t register_count;
    uint32_t cls, rows, columns;  // as the table describes it
};

struct EffectShader {
    bool pixel;
    uint32_t offset, size;   // the bytecode's place in the container
    uint32_t first_constant; // in EffectLayout::constants
    uint32_t constant_count;
};

struct EffectPass {
    char name[effect_name_size];
    int32_t vertex_shader;   // index in EffectLayout::shaders, or effect_not_set / effect_set_null
    int32_t pixel_shader;
    uint32_t first_state;    // render states in EffectLayout::states
    uint32_t state_count;
};

struct EffectTechnique {
    char name[effect_name_size];
    uint32_t first_pass;
    uint32_t pass_count;
};

struct EffectLayout {
    uint32_t parameter_count;
    uint32_t technique_count;
    uint32_t pass_count;
    uint32_t shader_count;
    uint32_t constant_count;
    uint32_t state_count;
    EffectParameter parameters[effect_max_parameters];
    EffectTechnique techniques[effect_max_techniques];
    EffectPass passes[effect_max_passes];
    EffectShader shaders[effect_max_shaders];
    EffectConstant constants[effect_max_constants];
    EffectState states[effect_max_states];
};

// Reads the container in data[0, size). False on anything malformed or not
// supported (arrays, structures, annotations' contents are skipped, state
// expressions); `out` is then unspecified. Identical shaders are kept once.
bool read_effect(const uint8_t* data, uint32_t size, EffectLayout* out);

// Index of the parameter or technique of that name, or -1.
int32_t find_parameter(const EffectLayout& layout, const char* name);
int32_t find_technique(const EffectLayout& layout, const char* name);
