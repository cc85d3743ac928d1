// Built on the interfaces' C layout: the object is a plain vtable pointer
// followed by the fake's own state.
#define CINTERFACE
#include "fake_effect.h"

#include <cstring>

namespace {

struct FakeEffect {
    const ID3DXEffectVtbl* vtbl;
    LONG refs;
    IDirect3DDevice9* device;
    FakeEffectLog* log;
    IDirect3DBaseTexture9* tex;
    std::string technique;
    float tau;
    int orientation;
};

FakeEffect* fake(ID3DXEffect* e) { return reinterpret_cast<FakeEffect*>(e); }
bool is(D3DXHANDLE handle, const char* name) { return handle && std::strcmp(handle, name) == 0; }

HRESULT STDMETHODCALLTYPE not_used() { return E_NOTIMPL; }

ULONG STDMETHODCALLTYPE add_ref(ID3DXEffect* e) { return ++fake(e)->refs; }

ULONG STDMETHODCALLTYPE release(ID3DXEffect* e)
{
    ULONG refs = --fake(e)->refs;
    if (refs == 0) delete fake(e);
    return refs;
}

HRESULT STDMETHODCALLTYPE set_matrix(ID3DXEffect* e, D3DXHANDLE name, const D3DXMATRIX* m)
{
    if (is(name, "world_view_proj")) fake(e)->log->world_view_proj = *m;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE get_matrix(ID3DXEffect* e, D3DXHANDLE name, D3DXMATRIX* m)
{
    if (!is(name, "world_view_proj")) return E_NOTIMPL;
    *m = fake(e)->log->world_view_proj;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE set_float_array(ID3DXEffect* e, D3DXHANDLE name, const FLOAT* f, UINT count)
{
    if (is(name, "pixel_width") && count == 2) {
        fake(e)->log->pixel_width[0] = f[0];
        fake(e)->log->pixel_width[1] = f[1];
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE set_texture(ID3DXEffect* e, D3DXHANDLE name, IDirect3DBaseTexture9* texture)
{
    FakeEffectLog* log = fake(e)->log;
    log->textures.push_back(name ? name : "");
    if (is(name, "tex")) fake(e)->tex = texture;
    if (is(name, "tex_lens")) log->lens = texture;
    if (is(name, "tex_rubik")) log->rubik = texture;
    if (is(name, "tex_disp")) log->disp = texture;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE set_technique(ID3DXEffect* e, D3DXHANDLE name)
{
    fake(e)->technique = name ? name : "";
    return S_OK;
}

HRESULT STDMETHODCALLTYPE set_float(ID3DXEffect* e, D3DXHANDLE name, FLOAT f)
{
    if (is(name, "tau")) fake(e)->tau = f;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE set_int(ID3DXEffect* e, D3DXHANDLE name, INT n)
{
    if (is(name, "orientation_exif")) fake(e)->orientation = n;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE begin(ID3DXEffect* e, UINT* passes, DWORD)
{
    FakeEffect* f = fake(e);
    f->log->draws.push_back({f->tex, f->technique, f->tau, f->orientation});
    *passes = f->log->passes;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE begin_pass(ID3DXEffect* e, UINT)
{
    FakeEffect* f = fake(e);
    IDirect3DDevice9* d = f->device;
    ++f->log->passes_drawn;
    D3DXMATRIX identity, zoom, projection;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixScaling(&zoom, f->log->zoom, f->log->zoom, 1.0f);
    D3DXMatrixMultiply(&projection, &f->log->world_view_proj, &zoom);
    d->lpVtbl->SetVertexShader(d, nullptr);
    d->lpVtbl->SetPixelShader(d, nullptr);
    d->lpVtbl->SetTransform(d, D3DTS_WORLD, &identity);
    d->lpVtbl->SetTransform(d, D3DTS_VIEW, &identity);
    d->lpVtbl->SetTransform(d, D3DTS_PROJECTION, &projection);
    d->lpVtbl->SetTexture(d, 0, f->tex);
    d->lpVtbl->SetSamplerState(d, 0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->lpVtbl->SetSamplerState(d, 0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->lpVtbl->SetSamplerState(d, 0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    d->lpVtbl->SetTextureStageState(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->lpVtbl->SetTextureStageState(d, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->lpVtbl->SetTextureStageState(d, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->lpVtbl->SetTextureStageState(d, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE end_pass(ID3DXEffect*) { return S_OK; }

HRESULT STDMETHODCALLTYPE end(ID3DXEffect* e)
{
    IDirect3DDevice9* d = fake(e)->device;
    d->lpVtbl->SetTexture(d, 0, nullptr);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE on_lost_device(ID3DXEffect* e)
{
    ++fake(e)->log->lost;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE on_reset_device(ID3DXEffect* e)
{
    ++fake(e)->log->reset;
    return S_OK;
}

const ID3DXEffectVtbl* fake_vtable()
{
    static ID3DXEffectVtbl vtbl;
    static bool ready = false;
    if (!ready) {
        void** slots = reinterpret_cast<void**>(&vtbl);
        for (size_t i = 0; i < sizeof(vtbl) / sizeof(void*); ++i) slots[i] = reinterpret_cast<void*>(&not_used);
        vtbl.AddRef = add_ref;
        vtbl.Release = release;
        vtbl.SetMatrix = set_matrix;
        vtbl.GetMatrix = get_matrix;
        vtbl.SetFloatArray = set_float_array;
        vtbl.SetTexture = set_texture;
        vtbl.SetTechnique = set_technique;
        vtbl.SetFloat = set_float;
        vtbl.SetInt = set_int;
        vtbl.Begin = begin;
        vtbl.BeginPass = begin_pass;
        vtbl.EndPass = end_pass;
        vtbl.End = end;
        vtbl.OnLostDevice = on_lost_device;
        vtbl.OnResetDevice = on_reset_device;
        ready = true;
    }
    return &vtbl;
}

} // namespace

ID3DXEffect* create_fake_effect(IDirect3DDevice9* device, FakeEffectLog* log)
{
    FakeEffect* f = new FakeEffect{fake_vtable(), 1, device, log, nullptr, std::string(), 0.0f, 0};
    return reinterpret_cast<ID3DXEffect*>(f);
}
