#include "renderer_fixture.h"

#include "render/d3d_helpers.h"

DeviceCalls calls;

namespace {

VtableHook* create_texture_hook = nullptr;
VtableHook* lock_rect_hook = nullptr;
VtableHook* cooperative_level_hook = nullptr;
VtableHook* present_hook = nullptr;
VtableHook* reset_hook = nullptr;

using CreateTextureFn = HRESULT(WINAPI*)(IDirect3DDevice9*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                         IDirect3DTexture9**, HANDLE*);
using LockRectFn = HRESULT(WINAPI*)(IDirect3DTexture9*, UINT, D3DLOCKED_RECT*, const RECT*, DWORD);
using CooperativeLevelFn = HRESULT(WINAPI*)(IDirect3DDevice9*);
using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
using ResetFn = HRESULT(WINAPI*)(IDirect3DDevice9*, D3DPRESENT_PARAMETERS*);

HRESULT WINAPI hooked_create_texture(IDirect3DDevice9* self, UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared)
{
    if (w == 1024 && h == 1024 && pool == D3DPOOL_DEFAULT && calls.photo_texture.now()) {
        *texture = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    if (w == 1024 && h == 1024 && pool == D3DPOOL_SYSTEMMEM && calls.fail_system_texture) {
        *texture = nullptr;
        return E_OUTOFMEMORY;
    }
    HRESULT hr = create_texture_hook->original<CreateTextureFn>()(self, w, h, levels, usage, format, pool, texture,
                                                                   shared);
    if (hr >= 0 && pool == D3DPOOL_SYSTEMMEM) {
        if (calls.system_texture) calls.system_texture->Release();
        calls.system_texture = *texture;
        calls.system_texture->AddRef();
    }
    return hr;
}

HRESULT WINAPI hooked_lock_rect(IDirect3DTexture9* self, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
{
    if (calls.lock_rect.now()) return D3DERR_INVALIDCALL;
    return lock_rect_hook->original<LockRectFn>()(self, level, locked, rect, flags);
}

HRESULT WINAPI hooked_cooperative_level(IDirect3DDevice9* self)
{
    if (calls.cooperative_level_frames > 0) {
        --calls.cooperative_level_frames;
        return calls.cooperative_level;
    }
    return cooperative_level_hook->original<CooperativeLevelFn>()(self);
}

HRESULT WINAPI hooked_present(IDirect3DDevice9* self, const RECT* a, const RECT* b, HWND w, const RGNDATA* r)
{
    ++calls.present;
    IDirect3DSurface9* back = nullptr;
    if (self->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) >= 0) {
        D3DSURFACE_DESC desc;
        back->GetDesc(&desc);
        calls.width = desc.Width;
        calls.height = desc.Height;
        calls.back_buffer.assign(size_t(desc.Width) * desc.Height * 4, 0);
        read_surface(self, back, calls.back_buffer.data(), desc.Width, desc.Height);
        back->Release();
    }
    return present_hook->original<PresentFn>()(self, a, b, w, r);
}

HRESULT WINAPI hooked_reset(IDirect3DDevice9* self, D3DPRESENT_PARAMETERS* params)
{
    ++calls.reset;
    return reset_hook->original<ResetFn>()(self, params);
}

} // namespace

void RendererTest::SetUp()
{
    calls = DeviceCalls();
    ASSERT_TRUE(test_device.create(320, 240));
    main_window = test_device.window;
    show = create_slideshow();
    ASSERT_NE(show, nullptr);
    show->gpu.device = test_device.device;
    show->gpu.device->AddRef();
}

void RendererTest::TearDown()
{
    for (auto it = hooks_.rbegin(); it != hooks_.rend(); ++it) delete *it;
    hooks_.clear();
    create_texture_hook = lock_rect_hook = cooperative_level_hook = present_hook = reset_hook = nullptr;
    if (calls.system_texture) calls.system_texture->Release();
    calls.system_texture = nullptr;
    if (show) {
        show->done();
        delete show;
    }
    main_window = nullptr;
}

void RendererTest::hook_device()
{
    IDirect3DDevice9* device = test_device.device;
    hooks_.push_back(create_texture_hook = new VtableHook(device, slot::CreateTexture,
                                                          reinterpret_cast<void*>(&hooked_create_texture)));
    hooks_.push_back(cooperative_level_hook = new VtableHook(device, slot::TestCooperativeLevel,
                                                             reinterpret_cast<void*>(&hooked_cooperative_level)));
    hooks_.push_back(present_hook =
                         new VtableHook(device, slot::Present, reinterpret_cast<void*>(&hooked_present)));
    hooks_.push_back(reset_hook = new VtableHook(device, slot::Reset, reinterpret_cast<void*>(&hooked_reset)));
    // Texture methods live in a vtable of their own: reach it through a texture.
    IDirect3DTexture9* any = nullptr;
    ASSERT_GE(device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &any, nullptr), 0);
    hooks_.push_back(lock_rect_hook =
                         new VtableHook(any, slot::LockRect, reinterpret_cast<void*>(&hooked_lock_rect)));
    any->Release();
    if (calls.system_texture) calls.system_texture->Release();
    calls.system_texture = nullptr;
}

void RendererTest::create_scene(bool program_effect)
{
    IDirect3DDevice9* device = show->gpu.device;
    ASSERT_TRUE(make_faces(show));
    show->job.loader.staging = create_texture(device, 1024, 1024, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, 0);
    ASSERT_NE(show->job.loader.staging, nullptr);
    ASSERT_TRUE(create_lens_texture(&show->gpu));
    ASSERT_TRUE(create_rubik_texture(&show->gpu));
    ASSERT_TRUE(create_disp_texture(&show->gpu));
    ASSERT_GE(device->CreateVertexBuffer(sizeof(cube_vertices), 0, cube_fvf, D3DPOOL_MANAGED,
                                         &show->gpu.vertex_buffer, nullptr), 0);
    ASSERT_TRUE(fill_buffer(show->gpu.vertex_buffer, cube_vertices, sizeof(cube_vertices)));
    ASSERT_GE(device->CreateIndexBuffer(sizeof(cube_indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                        &show->gpu.index_buffer, nullptr), 0);
    ASSERT_TRUE(fill_buffer(show->gpu.index_buffer, cube_indices, sizeof(cube_indices)));
    ASSERT_GE(device->CreateVertexDeclaration(cube_vertex_elements, &show->gpu.vertex_decl), 0);
    ASSERT_GE(D3DXCreateFontA(device, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &show->gpu.font), 0);
    ASSERT_GE(D3DXCreateSprite(device, &show->gpu.sprite), 0);
    if (program_effect)
        ASSERT_TRUE(load_effect(&show->gpu));
    else
        show->gpu.effect = create_fake_effect(device, &log);
}
