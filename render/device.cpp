// The device and its parameters, the seven photo textures with the
// system-memory copies of the faces' photos, and recovery after a device loss.
#include "render/gpu.h"

#include "pipeline/load_job.h"
#include "render/d3d_helpers.h"

namespace {

// Version tokens as Direct3D reports them: the shader type in the high word,
// major and minor version in the low one.
bool runs_shader_model_2(const D3DCAPS9& caps)
{
    return (caps.VertexShaderVersion & 0xFFFF) >= 0x0200 && (caps.PixelShaderVersion & 0xFFFF) >= 0x0200;
}

// Zeroes every level of a lockable texture; false when a level does not lock.
bool clear_texture(IDirect3DTexture9* texture)
{
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT locked;
        if (texture->GetLevelDesc(level, &desc) < 0 || texture->LockRect(level, &locked, nullptr, 0) < 0)
            return false;
        unsigned char* bits = static_cast<unsigned char*>(locked.pBits);
        for (int32_t row = 0; row < static_cast<int32_t>(desc.Height); ++row)
            mem_fill(bits + row * locked.Pitch, 0, 4 * desc.Width);
        texture->UnlockRect(level);
    }
    return true;
}

IDirect3DTexture9* create_photo_texture(const GpuObjects& gpu, D3DPOOL pool)
{
    return create_texture(gpu.device, gpu.photo_size, gpu.photo_size, D3DFMT_X8R8G8B8, pool, 0);
}

} // namespace

DeviceCheck open_direct3d(GpuObjects* gpu)
{
    gpu->d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!gpu->d3d) return DEVICE_NO_DIRECT3D;
    gpu->adapter = D3DADAPTER_DEFAULT;
    if (gpu->monitor) {
        UINT count = gpu->d3d->GetAdapterCount();
        while (gpu->adapter < count && gpu->d3d->GetAdapterMonitor(gpu->adapter) != gpu->monitor) ++gpu->adapter;
        if (gpu->adapter == count) return DEVICE_NO_ADAPTER;
    }
    D3DCAPS9 caps;
    if (gpu->d3d->GetDeviceCaps(gpu->adapter, D3DDEVTYPE_HAL, &caps) < 0) return DEVICE_NO_ADAPTER;
    return runs_shader_model_2(caps) ? DEVICE_READY : DEVICE_SHADER_MODEL;
}

uint32_t adapter_photo_size(IDirect3D9* d3d, UINT adapter, uint32_t window_height)
{
    if (!d3d) return photo_size_min;
    D3DCAPS9 caps;
    if (d3d->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps) < 0) return photo_size_min;
    // The monitor's own height; the adapter's display mode where the monitor
    // cannot be asked.
    uint32_t height = 0;
    MONITORINFO info;
    info.cbSize = sizeof(info);
    HMONITOR monitor = d3d->GetAdapterMonitor(adapter);
    if (monitor && GetMonitorInfoA(monitor, &info) && info.rcMonitor.bottom > info.rcMonitor.top)
        height = static_cast<uint32_t>(info.rcMonitor.bottom - info.rcMonitor.top);
    D3DDISPLAYMODE mode;
    if (height == 0 && d3d->GetAdapterDisplayMode(adapter, &mode) >= 0) height = mode.Height;
    // A window lower than its monitor (the screen saver's preview) shows the
    // photo no larger than itself.
    if (window_height && window_height < height) height = window_height;
    return photo_texture_size(height, caps.MaxTextureWidth, caps.MaxTextureHeight);
}

bool create_device(GpuObjects* gpu)
{
    D3DPRESENT_PARAMETERS params;
    make_device_params(*gpu, &params);
    if (gpu->d3d->CreateDevice(gpu->adapter, D3DDEVTYPE_HAL, gpu->window, device_flags, &params, &gpu->device) <
        0) {
        gpu->device = nullptr;
        return false;
    }
    gpu->picture_height = params.BackBufferHeight;
    gpu->photo_size = adapter_photo_size(gpu->d3d, gpu->adapter, gpu->windowed ? params.BackBufferHeight : 0);
    return true;
}

void make_present_params(D3DPRESENT_PARAMETERS* params)
{
    mem_fill(params, 0, sizeof(*params));
    RECT desktop = {0, 0, 0, 0};
    GetWindowRect(GetDesktopWindow(), &desktop);
    params->BackBufferWidth = desktop.right;
    params->BackBufferHeight = desktop.bottom;
    params->BackBufferFormat = D3DFMT_X8R8G8B8;
    params->BackBufferCount = 2;
    params->MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    params->MultiSampleQuality = 0;
    params->SwapEffect = D3DSWAPEFFECT_DISCARD;
    params->hDeviceWindow = nullptr;
    params->Windowed = FALSE;
    params->EnableAutoDepthStencil = TRUE;
    params->AutoDepthStencilFormat = D3DFMT_D16;
    params->Flags = 0;
    params->FullScreen_RefreshRateInHz = 0;
    params->PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

void make_windowed_present_params(D3DPRESENT_PARAMETERS* params, HWND window, UINT width, UINT height,
                                  bool multisample)
{
    make_present_params(params);
    params->BackBufferWidth = width;
    params->BackBufferHeight = height;
    params->BackBufferCount = 1;
    params->MultiSampleType = multisample ? D3DMULTISAMPLE_4_SAMPLES : D3DMULTISAMPLE_NONE;
    params->hDeviceWindow = window;
    params->Windowed = TRUE;
}

void make_device_params(const GpuObjects& gpu, D3DPRESENT_PARAMETERS* params)
{
    if (!gpu.windowed) {
        make_present_params(params);
        return;
    }
    RECT client = {0, 0, 0, 0};
    GetClientRect(gpu.window, &client);
    bool multisample =
        gpu.d3d->CheckDeviceMultiSampleType(gpu.adapter, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                            D3DMULTISAMPLE_4_SAMPLES, nullptr) >= 0 &&
        gpu.d3d->CheckDeviceMultiSampleType(gpu.adapter, D3DDEVTYPE_HAL, D3DFMT_D16, TRUE,
                                            D3DMULTISAMPLE_4_SAMPLES, nullptr) >= 0;
    make_windowed_present_params(params, gpu.window, client.right, client.bottom, multisample);
}

IDirect3DTexture9* create_texture(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                  UINT levels)
{
    IDirect3DTexture9* texture = nullptr;
    if (device->CreateTexture(width, height, levels, 0, format, pool, &texture, nullptr) < 0) return nullptr;
    return texture;
}

bool create_face_textures(GpuObjects* gpu, ImageLoadTask* loader, bool spare_photo)
{
    IDirect3DTexture9** slots[7];
    IDirect3DTexture9* sources[7];
    for (int32_t i = 0; i < 6; ++i) {
        slots[i] = &gpu->faces[i].texture;
        sources[i] = gpu->faces[i].photo;
    }
    slots[6] = &loader->target;
    sources[6] = spare_photo ? loader->staging : nullptr;

    bool made[7] = {};
    bool complete = true;
    for (int32_t i = 0; i < 7 && complete; ++i) {
        if (*slots[i]) continue;
        *slots[i] = create_photo_texture(*gpu, D3DPOOL_DEFAULT);
        made[i] = *slots[i] != nullptr;
        complete = made[i];
    }

    // Video-memory textures cannot be locked: they are filled with UpdateTexture.
    // Marking the whole source dirty before each copy makes every copy carry
    // all levels in full.
    IDirect3DTexture9* black = nullptr;
    for (int32_t i = 0; i < 7; ++i) {
        if (!made[i]) continue;
        IDirect3DTexture9* source = sources[i];
        if (!source) {
            if (!black) {
                black = create_photo_texture(*gpu, D3DPOOL_SYSTEMMEM);
                if (!black) return false;
                if (!clear_texture(black)) {
                    black->Release();
                    return false;
                }
            }
            source = black;
        }
        source->AddDirtyRect(nullptr);
        gpu->device->UpdateTexture(source, *slots[i]);
    }
    release(black);
    return complete;
}

void release_face_textures(GpuObjects* gpu, ImageLoadTask* loader)
{
    for (FaceSlot& slot : gpu->faces) release(slot.texture);
    release(loader->target);
}

bool photo_textures_complete(const GpuObjects& gpu, const ImageLoadTask& loader)
{
    for (const FaceSlot& slot : gpu.faces)
        if (!slot.texture) return false;
    return loader.target != nullptr;
}

void place_photo(GpuObjects* gpu, ImageLoadTask* loader, int32_t f)
{
    // The face's old texture becomes the spare that the next upload fills.
    IDirect3DTexture9* arrived = loader->target;
    loader->target = gpu->faces[f].texture;
    gpu->faces[f].texture = arrived;
    gpu->faces[f].orientation = loader->orientation;
    keep_photo_copy(gpu, loader, f);
}

// The face keeps the system-memory texture its new photo came from, and the
// loader takes the face's old copy for the next photo, so photos are never
// copied twice. While the faces fill up on the first round the loader gets a
// new texture instead; when none can be made, the face keeps no copy (it comes
// back black after a reset) and the loader its staging texture. Only while the
// worker has no job: it reads the staging pointer after the next hand-over.
void keep_photo_copy(GpuObjects* gpu, ImageLoadTask* loader, int32_t f)
{
    IDirect3DTexture9* next = gpu->faces[f].photo;
    if (!next) next = create_photo_texture(*gpu, D3DPOOL_SYSTEMMEM);
    if (!next) return;
    gpu->faces[f].photo = loader->staging;
    loader->staging = next;
}

void release_photo_copies(GpuObjects* gpu)
{
    for (FaceSlot& slot : gpu->faces) release(slot.photo);
}

bool reset_device(GpuObjects* gpu, ImageLoadTask* loader, bool spare_photo)
{
    release_face_textures(gpu, loader);
    if (gpu->sprite) gpu->sprite->OnLostDevice();
    if (gpu->font) gpu->font->OnLostDevice();
    if (gpu->effect) gpu->effect->OnLostDevice();

    // Afresh, so that a changed desktop size is taken up.
    D3DPRESENT_PARAMETERS params;
    make_device_params(*gpu, &params);
    // A failed Reset leaves the device not reset: the next frame tries again.
    if (gpu->device->Reset(&params) >= 0) gpu->picture_height = params.BackBufferHeight;

    if (gpu->font) gpu->font->OnResetDevice();
    if (gpu->sprite) gpu->sprite->OnResetDevice();
    if (gpu->effect) gpu->effect->OnResetDevice();
    return create_face_textures(gpu, loader, spare_photo);
}
