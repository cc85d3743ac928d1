// The device's parameters, the seven photo textures and recovery after a
// device loss.
#include "app/slideshow.h"
#include "d3d_helpers.h"

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

void Slideshow::make_device_params(D3DPRESENT_PARAMETERS* params)
{
    if (!preview) {
        make_present_params(params);
        return;
    }
    RECT client = {0, 0, 0, 0};
    GetClientRect(main_window, &client);
    bool multisample =
        d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                        D3DMULTISAMPLE_4_SAMPLES, nullptr) >= 0 &&
        d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_D16, TRUE, D3DMULTISAMPLE_4_SAMPLES,
                                        nullptr) >= 0;
    make_windowed_present_params(params, main_window, client.right, client.bottom, multisample);
}

IDirect3DTexture9* Slideshow::create_texture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool, UINT levels)
{
    IDirect3DTexture9* texture = nullptr;
    if (device->CreateTexture(width, height, levels, 0, format, pool, &texture, nullptr) < 0) return nullptr;
    return texture;
}

bool Slideshow::create_face_textures()
{
    for (FaceSlot& slot : faces) {
        slot.texture = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, 0);
        if (!slot.texture) return false;
    }
    loader.target = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, 0);
    if (!loader.target) return false;

    // Video-memory textures cannot be locked: clear one system-memory texture
    // and copy it into each of them.
    IDirect3DTexture9* source = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, 0);
    if (!source) return false;
    D3DLOCKED_RECT locked;
    if (source->LockRect(0, &locked, nullptr, 0) < 0) {
        source->Release();
        return false;
    }
    unsigned char* bits = static_cast<unsigned char*>(locked.pBits);
    for (int32_t row = 0; row < photo_size; ++row) mem_fill(bits + row * locked.Pitch, 0, 4 * photo_size);
    source->UnlockRect(0);
    D3DXFilterTexture(source, nullptr, 0, D3DX_DEFAULT);

    // Marking the whole source dirty before each copy makes every copy carry
    // all levels in full.
    for (FaceSlot& slot : faces) {
        source->AddDirtyRect(nullptr);
        device->UpdateTexture(source, slot.texture);
    }
    source->AddDirtyRect(nullptr);
    device->UpdateTexture(source, loader.target);
    source->Release();
    return true;
}

void Slideshow::release_face_textures()
{
    for (FaceSlot& slot : faces) release(slot.texture);
    release(loader.target);
}

bool Slideshow::reset_device()
{
    release_face_textures();
    if (sprite) sprite->OnLostDevice();
    if (font) font->OnLostDevice();
    if (effect) effect->OnLostDevice();

    // Afresh, so that a changed desktop size is taken up.
    D3DPRESENT_PARAMETERS params;
    make_device_params(&params);
    // A failed Reset leaves the device not reset: the next frame tries again.
    device->Reset(&params);

    if (font) font->OnResetDevice();
    if (sprite) sprite->OnResetDevice();
    if (effect) effect->OnResetDevice();
    return create_face_textures();
}
