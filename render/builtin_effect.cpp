// The effect runtime: an ID3DXEffect made from the compiled effect container.
// Each pass sets its render states and shaders; each shader's constant table
// says where the parameters go, which are written when a pass begins and when
// changes are committed. Begin records which states the technique touches in
// a state block, captures them and End puts them back, as D3DX does.
#include <new>

#include "builtin_d3dx.h"
#include "effect_reader.h"

#include "app/support.h"

namespace {

const GUID iid_base_effect = {0x017c18ac, 0x103f, 0x4417, {0x8c, 0x51, 0x6b, 0xf6, 0xef, 0x1e, 0x56, 0xbe}};
const GUID iid_effect = {0xf6ceb4b3, 0x4e4c, 0x40dd, {0xb8, 0x83, 0x8d, 0x8d, 0xe5, 0xea, 0x0c, 0xd5}};

bool is_number(const EffectParameter& p) { return p.cls != effect_class_object; }
bool is_texture(const EffectParameter& p)
{
    return p.cls == effect_class_object && p.type >= effect_type_texture && p.type <= effect_type_texture_cube;
}

// Conversions between the types a number parameter stores and the ones it is
// set and read as.
uint32_t float_bits(float f)
{
    union {
        float f;
        uint32_t u;
    } v;
    v.f = f;
    return v.u;
}

float bits_float(uint32_t u)
{
    union {
        uint32_t u;
        float f;
    } v;
    v.u = u;
    return v.f;
}

uint32_t store(uint32_t type, uint32_t from_type, uint32_t value)
{
    if (type == from_type) return value;
    if (from_type == effect_type_float) {
        float f = bits_float(value);
        if (type == effect_type_int) return static_cast<uint32_t>(round_to_int(f));
        return f != 0.0f;
    }
    int32_t n = from_type == effect_type_bool ? (value != 0) : static_cast<int32_t>(value);
    if (type == effect_type_float) return float_bits(static_cast<float>(n));
    if (type == effect_type_int) return static_cast<uint32_t>(n);
    return n != 0;
}

class BuiltinEffect final : public ID3DXEffect {
public:
    HRESULT create(IDirect3DDevice9* device, const uint8_t* data, UINT size, int slot);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        if (builtin::same_iid(riid, builtin::iid_unknown) || builtin::same_iid(riid, iid_base_effect) ||
            builtin::same_iid(riid, iid_effect)) {
            AddRef();
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override;

    // ID3DXBaseEffect
    HRESULT STDMETHODCALLTYPE GetDesc(D3DXEFFECT_DESC* desc) override
    {
        if (!desc) return D3DERR_INVALIDCALL;
        desc->Creator = nullptr;
        desc->Parameters = layout_.parameter_count;
        desc->Techniques = layout_.technique_count;
        desc->Functions = 0;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) override
    {
        int32_t t = technique_index(technique);
        if (t < 0 || !desc) return D3DERR_INVALIDCALL;
        desc->Name = layout_.techniques[t].name;
        desc->Passes = layout_.techniques[t].pass_count;
        desc->Annotations = 0;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) override
    {
        // The shaders' code is not kept.
        int32_t p = pass_index(pass);
        if (p < 0 || !desc) return D3DERR_INVALIDCALL;
        desc->Name = layout_.passes[p].name;
        desc->Annotations = 0;
        desc->pVertexShaderFunction = nullptr;
        desc->pPixelShaderFunction = nullptr;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFunctionDesc(D3DXHANDLE, D3DXFUNCTION_DESC*) override { return E_NOTIMPL; }
    D3DXHANDLE STDMETHODCALLTYPE GetParameter(D3DXHANDLE parent, UINT index) override
    {
        if (parent || index >= layout_.parameter_count) return nullptr;
        return layout_.parameters[index].name;
    }
    D3DXHANDLE STDMETHODCALLTYPE GetParameterByName(D3DXHANDLE parent, const char* name) override
    {
        if (parent || !name) return nullptr;
        int32_t p = find_parameter(layout_, name);
        return p < 0 ? nullptr : layout_.parameters[p].name;
    }
    D3DXHANDLE STDMETHODCALLTYPE GetParameterBySemantic(D3DXHANDLE, const char*) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetParameterElement(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetTechnique(UINT index) override
    {
        return index < layout_.technique_count ? layout_.techniques[index].name : nullptr;
    }
    D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(const char* name) override
    {
        int32_t t = name ? find_technique(layout_, name) : -1;
        return t < 0 ? nullptr : layout_.techniques[t].name;
    }
    D3DXHANDLE STDMETHODCALLTYPE GetPass(D3DXHANDLE technique, UINT index) override
    {
        int32_t t = technique_index(technique);
        if (t < 0 || index >= layout_.techniques[t].pass_count) return nullptr;
        return layout_.passes[layout_.techniques[t].first_pass + index].name;
    }
    D3DXHANDLE STDMETHODCALLTYPE GetPassByName(D3DXHANDLE technique, const char* name) override;
    D3DXHANDLE STDMETHODCALLTYPE GetFunction(UINT) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetFunctionByName(const char*) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetAnnotation(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetAnnotationByName(D3DXHANDLE, const char*) override { return nullptr; }
    HRESULT STDMETHODCALLTYPE SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) override
    {
        if (!data || bytes % 4) return D3DERR_INVALIDCALL;
        return set_numbers(parameter, data, bytes / 4, 0, true);
    }
    HRESULT STDMETHODCALLTYPE GetValue(D3DXHANDLE parameter, void* data, UINT bytes) override
    {
        if (!data || bytes % 4) return D3DERR_INVALIDCALL;
        return get_numbers(parameter, data, bytes / 4, 0, true);
    }
    HRESULT STDMETHODCALLTYPE SetBool(D3DXHANDLE parameter, WINBOOL b) override
    {
        return set_numbers(parameter, &b, 1, effect_type_bool);
    }
    HRESULT STDMETHODCALLTYPE GetBool(D3DXHANDLE parameter, WINBOOL* b) override
    {
        return get_numbers(parameter, b, 1, effect_type_bool);
    }
    HRESULT STDMETHODCALLTYPE SetBoolArray(D3DXHANDLE parameter, const WINBOOL* b, UINT count) override
    {
        return set_numbers(parameter, b, count, effect_type_bool);
    }
    HRESULT STDMETHODCALLTYPE GetBoolArray(D3DXHANDLE parameter, WINBOOL* b, UINT count) override
    {
        return get_numbers(parameter, b, count, effect_type_bool);
    }
    HRESULT STDMETHODCALLTYPE SetInt(D3DXHANDLE parameter, INT n) override
    {
        return set_numbers(parameter, &n, 1, effect_type_int);
    }
    HRESULT STDMETHODCALLTYPE GetInt(D3DXHANDLE parameter, INT* n) override
    {
        return get_numbers(parameter, n, 1, effect_type_int);
    }
    HRESULT STDMETHODCALLTYPE SetIntArray(D3DXHANDLE parameter, const INT* n, UINT count) override
    {
        return set_numbers(parameter, n, count, effect_type_int);
    }
    HRESULT STDMETHODCALLTYPE GetIntArray(D3DXHANDLE parameter, INT* n, UINT count) override
    {
        return get_numbers(parameter, n, count, effect_type_int);
    }
    HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE parameter, FLOAT f) override
    {
        return set_numbers(parameter, &f, 1, effect_type_float);
    }
    HRESULT STDMETHODCALLTYPE GetFloat(D3DXHANDLE parameter, FLOAT* f) override
    {
        return get_numbers(parameter, f, 1, effect_type_float);
    }
    HRESULT STDMETHODCALLTYPE SetFloatArray(D3DXHANDLE parameter, const FLOAT* f, UINT count) override
    {
        return set_numbers(parameter, f, count, effect_type_float);
    }
    HRESULT STDMETHODCALLTYPE GetFloatArray(D3DXHANDLE parameter, FLOAT* f, UINT count) override
    {
        return get_numbers(parameter, f, count, effect_type_float);
    }
    HRESULT STDMETHODCALLTYPE SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* v) override
    {
        return set_numbers(parameter, v, 4, effect_type_float);
    }
    HRESULT STDMETHODCALLTYPE GetVector(D3DXHANDLE parameter, D3DXVECTOR4* v) override
    {
        if (v) *v = D3DXVECTOR4(0, 0, 0, 0);
        return get_numbers(parameter, v, 4, effect_type_float);
    }
    HRESULT STDMETHODCALLTYPE SetVectorArray(D3DXHANDLE parameter, const D3DXVECTOR4* v, UINT count) override
    {
        return count ? SetVector(parameter, v) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVectorArray(D3DXHANDLE parameter, D3DXVECTOR4* v, UINT count) override
    {
        return count ? GetVector(parameter, v) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* m) override
    {
        return set_matrix(parameter, m, false);
    }
    HRESULT STDMETHODCALLTYPE GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* m) override
    {
        return get_matrix(parameter, m, false);
    }
    HRESULT STDMETHODCALLTYPE SetMatrixArray(D3DXHANDLE parameter, const D3DXMATRIX* m, UINT count) override
    {
        return count ? set_matrix(parameter, m, false) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMatrixArray(D3DXHANDLE parameter, D3DXMATRIX* m, UINT count) override
    {
        return count ? get_matrix(parameter, m, false) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMatrixPointerArray(D3DXHANDLE parameter, const D3DXMATRIX** m, UINT count) override
    {
        return count ? set_matrix(parameter, m ? m[0] : nullptr, false) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMatrixPointerArray(D3DXHANDLE parameter, D3DXMATRIX** m, UINT count) override
    {
        return count ? get_matrix(parameter, m ? m[0] : nullptr, false) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* m) override
    {
        return set_matrix(parameter, m, true);
    }
    HRESULT STDMETHODCALLTYPE GetMatrixTranspose(D3DXHANDLE parameter, D3DXMATRIX* m) override
    {
        return get_matrix(parameter, m, true);
    }
    HRESULT STDMETHODCALLTYPE SetMatrixTransposeArray(D3DXHANDLE parameter, const D3DXMATRIX* m, UINT count) override
    {
        return count ? set_matrix(parameter, m, true) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMatrixTransposeArray(D3DXHANDLE parameter, D3DXMATRIX* m, UINT count) override
    {
        return count ? get_matrix(parameter, m, true) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMatrixTransposePointerArray(D3DXHANDLE parameter, const D3DXMATRIX** m,
                                                             UINT count) override
    {
        return count ? set_matrix(parameter, m ? m[0] : nullptr, true) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMatrixTransposePointerArray(D3DXHANDLE parameter, D3DXMATRIX** m,
                                                             UINT count) override
    {
        return count ? get_matrix(parameter, m ? m[0] : nullptr, true) : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetString(D3DXHANDLE, const char*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetString(D3DXHANDLE, const char**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override
    {
        int32_t p = parameter_index(parameter);
        if (p < 0 || !is_texture(layout_.parameters[p])) return D3DERR_INVALIDCALL;
        if (texture) texture->AddRef();
        if (textures_[p]) textures_[p]->Release();
        textures_[p] = texture;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) override
    {
        int32_t p = parameter_index(parameter);
        if (p < 0 || !texture || !is_texture(layout_.parameters[p])) return D3DERR_INVALIDCALL;
        *texture = textures_[p];
        if (*texture) (*texture)->AddRef();
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPixelShader(D3DXHANDLE, IDirect3DPixelShader9**) override
    {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE GetVertexShader(D3DXHANDLE, IDirect3DVertexShader9**) override
    {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetArrayRange(D3DXHANDLE, UINT, UINT) override { return E_NOTIMPL; }

    // ID3DXEffect
    HRESULT STDMETHODCALLTYPE GetPool(ID3DXEffectPool** pool) override
    {
        if (!pool) return D3DERR_INVALIDCALL;
        *pool = nullptr;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE technique) override
    {
        int32_t t = technique_index(technique);
        if (t < 0) return D3DERR_INVALIDCALL;
        technique_ = t;
        return D3D_OK;
    }
    D3DXHANDLE STDMETHODCALLTYPE GetCurrentTechnique() override
    {
        return technique_ < 0 ? nullptr : layout_.techniques[technique_].name;
    }
    HRESULT STDMETHODCALLTYPE ValidateTechnique(D3DXHANDLE technique) override
    {
        // Every shader was created with the effect.
        return technique_index(technique) < 0 ? D3DERR_INVALIDCALL : D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) override
    {
        if (!next) return D3DERR_INVALIDCALL;
        int32_t t = technique ? technique_index(technique) : -1;
        if (technique && t < 0) return D3DERR_INVALIDCALL;
        *next = GetTechnique(static_cast<UINT>(t + 1));
        if (*next) return D3D_OK;
        *next = GetTechnique(0);
        return S_FALSE;
    }
    WINBOOL STDMETHODCALLTYPE IsParameterUsed(D3DXHANDLE parameter, D3DXHANDLE technique) override;
    HRESULT STDMETHODCALLTYPE Begin(UINT* passes, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE BeginPass(UINT pass) override;
    HRESULT STDMETHODCALLTYPE CommitChanges() override
    {
        if (pass_ < 0) return D3D_OK;
        const EffectPass& p = layout_.passes[pass_];
        apply_parameters(p.vertex_shader);
        apply_parameters(p.pixel_shader);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE EndPass() override
    {
        if (pass_ < 0) return D3DERR_INVALIDCALL;
        pass_ = -1;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE End() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override
    {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE OnLostDevice() override;
    HRESULT STDMETHODCALLTYPE OnResetDevice() override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE SetStateManager(ID3DXEffectStateManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStateManager(ID3DXEffectStateManager** manager) override
    {
        if (!manager) return D3DERR_INVALIDCALL;
        *manager = nullptr;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginParameterBlock() override { return E_NOTIMPL; }
    D3DXHANDLE STDMETHODCALLTYPE EndParameterBlock() override { return nullptr; }
    HRESULT STDMETHODCALLTYPE ApplyParameterBlock(D3DXHANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteParameterBlock(D3DXHANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CloneEffect(IDirect3DDevice9*, ID3DXEffect**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRawValue(D3DXHANDLE, const void*, UINT, UINT) override { return E_NOTIMPL; }

private:
    LONG refs_ = 1;
    int slot_ = 0;
    IDirect3DDevice9* device_ = nullptr;
    EffectLayout layout_;
    IUnknown* shaders_[effect_max_shaders];
    uint32_t values_[effect_max_parameters][16];
    IDirect3DBaseTexture9* textures_[effect_max_parameters];
    IDirect3DStateBlock9* saved_[effect_max_techniques];
    int32_t technique_ = 0;
    int32_t begun_ = -1;  // the technique between Begin and End
    int32_t pass_ = -1;   // the pass between BeginPass and EndPass
    DWORD begin_flags_ = 0;

    void release_objects();

    // A handle is the address of the name this effect keeps, or a name.
    template <typename T> int32_t handle_index(D3DXHANDLE h, const T* items, uint32_t count) const
    {
        uintptr_t at = reinterpret_cast<uintptr_t>(h), first = reinterpret_cast<uintptr_t>(items);
        if (at >= first && at < first + count * sizeof(T) && (at - first) % sizeof(T) == 0)
            return static_cast<int32_t>((at - first) / sizeof(T));
        return -1;
    }
    int32_t parameter_index(D3DXHANDLE h) const
    {
        if (!h) return -1;
        int32_t i = handle_index(h, layout_.parameters, layout_.parameter_count);
        return i >= 0 ? i : find_parameter(layout_, h);
    }
    int32_t technique_index(D3DXHANDLE h) const
    {
        if (!h) return -1;
        int32_t i = handle_index(h, layout_.techniques, layout_.technique_count);
        return i >= 0 ? i : find_technique(layout_, h);
    }
    int32_t pass_index(D3DXHANDLE h) const
    {
        return h ? handle_index(h, layout_.passes, layout_.pass_count) : -1;
    }

    // Numbers in and out: count values of `type`; raw values (SetValue) go in
    // as they are.
    HRESULT set_numbers(D3DXHANDLE parameter, const void* data, UINT count, uint32_t type, bool raw = false);
    HRESULT get_numbers(D3DXHANDLE parameter, void* data, UINT count, uint32_t type, bool raw = false);
    HRESULT set_matrix(D3DXHANDLE parameter, const D3DXMATRIX* m, bool transpose);
    HRESULT get_matrix(D3DXHANDLE parameter, D3DXMATRIX* m, bool transpose);

    void apply_pass(const EffectPass& p);
    void apply_parameters(int32_t shader);
    void apply_sampler(const EffectParameter& sampler, DWORD stage);
};

alignas(BuiltinEffect) unsigned char effect_storage[builtin_effect_slots][sizeof(BuiltinEffect)];
bool effect_in_use[builtin_effect_slots];

HRESULT BuiltinEffect::create(IDirect3DDevice9* device, const uint8_t* data, UINT size, int slot)
{
    slot_ = slot;
    for (IUnknown*& s : shaders_) s = nullptr;
    for (IDirect3DBaseTexture9*& t : textures_) t = nullptr;
    for (IDirect3DStateBlock9*& b : saved_) b = nullptr;
    if (!read_effect(data, size, &layout_)) return D3DXERR_INVALIDDATA;
    for (uint32_t p = 0; p < layout_.parameter_count; ++p)
        for (int k = 0; k < 16; ++k) values_[p][k] = layout_.parameters[p].value[k];
    for (uint32_t i = 0; i < layout_.shader_count; ++i) {
        const EffectShader& s = layout_.shaders[i];
        const DWORD* code = reinterpret_cast<const DWORD*>(data + s.offset);
        HRESULT hr;
        if (s.pixel) {
            IDirect3DPixelShader9* shader = nullptr;
            hr = device->CreatePixelShader(code, &shader);
            shaders_[i] = shader;
        } else {
            IDirect3DVertexShader9* shader = nullptr;
            hr = device->CreateVertexShader(code, &shader);
            shaders_[i] = shader;
        }
        if (hr < 0 || !shaders_[i]) {
            release_objects();
            return hr < 0 ? hr : E_FAIL;
        }
    }
    device_ = device;
    device_->AddRef();
    return D3D_OK;
}

void BuiltinEffect::release_objects()
{
    for (IUnknown*& s : shaders_)
        if (s) {
            s->Release();
            s = nullptr;
        }
    for (IDirect3DBaseTexture9*& t : textures_)
        if (t) {
            t->Release();
            t = nullptr;
        }
    for (IDirect3DStateBlock9*& b : saved_)
        if (b) {
            b->Release();
            b = nullptr;
        }
}

ULONG BuiltinEffect::Release()
{
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) {
        release_objects();
        if (device_) device_->Release();
        device_ = nullptr;
        effect_in_use[slot_] = false;
    }
    return static_cast<ULONG>(refs);
}

HRESULT BuiltinEffect::GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc)
{
    int32_t i = parameter_index(parameter);
    if (i < 0 || !desc) return D3DERR_INVALIDCALL;
    const EffectParameter& p = layout_.parameters[i];
    desc->Name = p.name;
    desc->Semantic = nullptr;
    desc->Class = static_cast<D3DXPARAMETER_CLASS>(p.cls);
    desc->Type = static_cast<D3DXPARAMETER_TYPE>(p.type);
    desc->Rows = p.rows;
    desc->Columns = p.columns;
    desc->Elements = 0;
    desc->Annotations = 0;
    desc->StructMembers = 0;
    desc->Flags = 0;
    desc->Bytes = is_number(p) ? 4 * p.rows * p.columns : is_texture(p) ? sizeof(void*) : 0;
    return D3D_OK;
}

D3DXHANDLE BuiltinEffect::GetPassByName(D3DXHANDLE technique, const char* name)
{
    int32_t t = technique_index(technique);
    if (t < 0 || !name) return nullptr;
    const EffectTechnique& tech = layout_.techniques[t];
    for (uint32_t k = 0; k < tech.pass_count; ++k) {
        const char* a = layout_.passes[tech.first_pass + k].name;
        const char* b = name;
        while (*a && *a == *b) {
            ++a;
            ++b;
        }
        if (*a == *b) return layout_.passes[tech.first_pass + k].name;
    }
    return nullptr;
}

WINBOOL BuiltinEffect::IsParameterUsed(D3DXHANDLE parameter, D3DXHANDLE technique)
{
    int32_t p = parameter_index(parameter), t = technique_index(technique);
    if (p < 0 || t < 0) return FALSE;
    const EffectTechnique& tech = layout_.techniques[t];
    for (uint32_t k = 0; k < tech.pass_count; ++k) {
        const EffectPass& pass = layout_.passes[tech.first_pass + k];
        const int32_t used[2] = {pass.vertex_shader, pass.pixel_shader};
        for (int32_t s : used) {
            if (s < 0) continue;
            const EffectShader& shader = layout_.shaders[s];
            for (uint32_t c = 0; c < shader.constant_count; ++c) {
                const EffectConstant& k2 = layout_.constants[shader.first_constant + c];
                if (static_cast<int32_t>(k2.parameter) == p) return TRUE;
                if (k2.register_set == effect_registers_sampler && layout_.parameters[k2.parameter].texture == p)
                    return TRUE;
            }
        }
    }
    return FALSE;
}

HRESULT BuiltinEffect::set_numbers(D3DXHANDLE parameter, const void* data, UINT count, uint32_t type, bool raw)
{
    int32_t i = parameter_index(parameter);
    if (i < 0 || (!data && count)) return D3DERR_INVALIDCALL;
    const EffectParameter& p = layout_.parameters[i];
    if (!is_number(p)) return D3DERR_INVALIDCALL;
    const uint32_t* in = static_cast<const uint32_t*>(data);
    uint32_t n = p.rows * p.columns;
    if (raw && count > n) return D3DERR_INVALIDCALL;
    for (uint32_t k = 0; k < count && k < n; ++k) values_[i][k] = raw ? in[k] : store(p.type, type, in[k]);
    return D3D_OK;
}

HRESULT BuiltinEffect::get_numbers(D3DXHANDLE parameter, void* data, UINT count, uint32_t type, bool raw)
{
    int32_t i = parameter_index(parameter);
    if (i < 0 || (!data && count)) return D3DERR_INVALIDCALL;
    const EffectParameter& p = layout_.parameters[i];
    if (!is_number(p)) return D3DERR_INVALIDCALL;
    uint32_t* out = static_cast<uint32_t*>(data);
    uint32_t n = p.rows * p.columns;
    if (raw && count > n) return D3DERR_INVALIDCALL;
    for (uint32_t k = 0; k < count && k < n; ++k) out[k] = raw ? values_[i][k] : store(type, p.type, values_[i][k]);
    return D3D_OK;
}

HRESULT BuiltinEffect::set_matrix(D3DXHANDLE parameter, const D3DXMATRIX* m, bool transpose)
{
    int32_t i = parameter_index(parameter);
    if (i < 0 || !m || !is_number(layout_.parameters[i])) return D3DERR_INVALIDCALL;
    const EffectParameter& p = layout_.parameters[i];
    for (uint32_t r = 0; r < p.rows; ++r)
        for (uint32_t c = 0; c < p.columns; ++c)
            values_[i][r * p.columns + c] =
                store(p.type, effect_type_float, float_bits(transpose ? m->m[c][r] : m->m[r][c]));
    return D3D_OK;
}

HRESULT BuiltinEffect::get_matrix(D3DXHANDLE parameter, D3DXMATRIX* m, bool transpose)
{
    int32_t i = parameter_index(parameter);
    if (i < 0 || !m || !is_number(layout_.parameters[i])) return D3DERR_INVALIDCALL;
    const EffectParameter& p = layout_.parameters[i];
    for (uint32_t r = 0; r < 4; ++r)
        for (uint32_t c = 0; c < 4; ++c) {
            float v = r < p.rows && c < p.columns
                          ? bits_float(store(effect_type_float, p.type, values_[i][r * p.columns + c]))
                          : 0.0f;
            (transpose ? m->m[c][r] : m->m[r][c]) = v;
        }
    return D3D_OK;
}

void BuiltinEffect::apply_sampler(const EffectParameter& sampler, DWORD stage)
{
    if (sampler.texture >= 0) device_->SetTexture(stage, textures_[sampler.texture]);
    else if (sampler.texture == effect_set_null) device_->SetTexture(stage, nullptr);
    for (uint32_t k = 0; k < sampler.state_count; ++k) {
        const EffectState& s = layout_.states[sampler.first_state + k];
        device_->SetSamplerState(stage, static_cast<D3DSAMPLERSTATETYPE>(s.state), s.value);
    }
}

// Every parameter the shader reads, where its constant table puts it.
void BuiltinEffect::apply_parameters(int32_t shader)
{
    if (shader < 0) return;
    const EffectShader& s = layout_.shaders[shader];
    for (uint32_t c = 0; c < s.constant_count; ++c) {
        const EffectConstant& k = layout_.constants[s.first_constant + c];
        const EffectParameter& p = layout_.parameters[k.parameter];
        if (k.register_set == effect_registers_sampler) {
            apply_sampler(p, k.register_index + (s.pixel ? 0 : D3DVERTEXTEXTURESAMPLER0));
            continue;
        }
        // Up to four registers of four components; a matrix fills a register
        // with a column or a row as the table says, anything else the first.
        uint32_t type = k.register_set == effect_registers_float4 ? effect_type_float : effect_type_int;
        if (k.register_set == effect_registers_bool) type = effect_type_bool;
        uint32_t regs[4][4] = {};
        const uint32_t* v = values_[k.parameter];
        for (uint32_t r = 0; r < k.register_count; ++r)
            for (uint32_t i = 0; i < 4; ++i) {
                uint32_t row = r, column = i;
                if (k.cls == effect_class_matrix_columns) {
                    row = i;
                    column = r;
                } else if (k.cls != effect_class_matrix_rows) {
                    row = 0;
                    column = r == 0 ? i : 4;
                }
                if (row < p.rows && column < p.columns) regs[r][i] = store(type, p.type, v[row * p.columns + column]);
            }
        const float* f = reinterpret_cast<const float*>(regs);
        const int* n = reinterpret_cast<const int*>(regs);
        UINT first = k.register_index, count = k.register_count;
        if (k.register_set == effect_registers_float4) {
            if (s.pixel) device_->SetPixelShaderConstantF(first, f, count);
            else device_->SetVertexShaderConstantF(first, f, count);
        } else if (k.register_set == effect_registers_int4) {
            if (s.pixel) device_->SetPixelShaderConstantI(first, n, count);
            else device_->SetVertexShaderConstantI(first, n, count);
        } else {
            // One value per Boolean register.
            WINBOOL b[4] = {};
            for (uint32_t r = 0; r < count; ++r)
                b[r] = r < p.rows * p.columns ? store(effect_type_bool, p.type, v[r]) : FALSE;
            if (s.pixel) device_->SetPixelShaderConstantB(first, b, count);
            else device_->SetVertexShaderConstantB(first, b, count);
        }
    }
}

void BuiltinEffect::apply_pass(const EffectPass& p)
{
    for (uint32_t k = 0; k < p.state_count; ++k) {
        const EffectState& s = layout_.states[p.first_state + k];
        device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state), s.value);
    }
    if (p.vertex_shader != effect_not_set)
        device_->SetVertexShader(
            p.vertex_shader >= 0 ? static_cast<IDirect3DVertexShader9*>(shaders_[p.vertex_shader]) : nullptr);
    if (p.pixel_shader != effect_not_set)
        device_->SetPixelShader(
            p.pixel_shader >= 0 ? static_cast<IDirect3DPixelShader9*>(shaders_[p.pixel_shader]) : nullptr);
    apply_parameters(p.vertex_shader);
    apply_parameters(p.pixel_shader);
}

HRESULT BuiltinEffect::Begin(UINT* passes, DWORD flags)
{
    if (technique_ < 0) return D3DERR_INVALIDCALL;
    const EffectTechnique& t = layout_.techniques[technique_];
    if (!(flags & D3DXFX_DONOTSAVESTATE)) {
        // Recording applies nothing: the block learns which states the
        // passes set, and Capture then takes their present values.
        IDirect3DStateBlock9*& saved = saved_[technique_];
        if (!saved && device_->BeginStateBlock() >= 0) {
            for (uint32_t k = 0; k < t.pass_count; ++k) apply_pass(layout_.passes[t.first_pass + k]);
            if (device_->EndStateBlock(&saved) < 0) saved = nullptr;
        }
        if (saved) saved->Capture();
    }
    if (passes) *passes = t.pass_count;
    begun_ = technique_;
    begin_flags_ = flags;
    return D3D_OK;
}

HRESULT BuiltinEffect::BeginPass(UINT pass)
{
    if (technique_ < 0 || pass_ >= 0 || pass >= layout_.techniques[technique_].pass_count) return D3DERR_INVALIDCALL;
    pass_ = static_cast<int32_t>(layout_.techniques[technique_].first_pass + pass);
    apply_pass(layout_.passes[pass_]);
    return D3D_OK;
}

HRESULT BuiltinEffect::End()
{
    if (begun_ < 0) return D3D_OK;
    if (!(begin_flags_ & D3DXFX_DONOTSAVESTATE) && saved_[begun_]) saved_[begun_]->Apply();
    begun_ = -1;
    return D3D_OK;
}

// State blocks and video-memory textures must go before the device is reset;
// the blocks are recorded again at the next Begin.
HRESULT BuiltinEffect::OnLostDevice()
{
    for (IDirect3DStateBlock9*& b : saved_)
        if (b) {
            b->Release();
            b = nullptr;
        }
    for (IDirect3DBaseTexture9*& t : textures_) {
        if (!t || t->GetType() != D3DRTYPE_TEXTURE) continue;
        D3DSURFACE_DESC desc;
        if (static_cast<IDirect3DTexture9*>(t)->GetLevelDesc(0, &desc) >= 0 && desc.Pool == D3DPOOL_DEFAULT) {
            t->Release();
            t = nullptr;
        }
    }
    return D3D_OK;
}

} // namespace

namespace builtin {

HRESULT WINAPI create_effect(IDirect3DDevice9* device, const void* data, UINT size, const D3DXMACRO*, ID3DXInclude*,
                             DWORD, ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors)
{
    // There is no compiler, so there are never messages.
    if (errors) *errors = nullptr;
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!device || !data || pool) return D3DERR_INVALIDCALL;
    for (int slot = 0; slot < builtin_effect_slots; ++slot) {
        if (effect_in_use[slot]) continue;
        BuiltinEffect* made = new (effect_storage[slot]) BuiltinEffect;
        HRESULT hr = made->create(device, static_cast<const uint8_t*>(data), size, slot);
        if (hr < 0) return hr;
        effect_in_use[slot] = true;
        *effect = made;
        return hr;
    }
    return E_OUTOFMEMORY;
}

// A compiled effect among the resources; effect text cannot be compiled here.
HRESULT WINAPI create_effect_from_resource(IDirect3DDevice9* device, HMODULE module, const char* resource,
                                           const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                           ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors)
{
    if (errors) *errors = nullptr;
    if (effect) *effect = nullptr;
    HRSRC found = FindResourceA(module, resource, MAKEINTRESOURCEA(10));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return D3DXERR_INVALIDDATA;
    return create_effect(device, bytes, SizeofResource(module, found), defines, include, flags, pool, effect, errors);
}

} // namespace builtin
