// The device's parameters, the seven photo textures with the system-memory
// copies of the faces' photos, and recovery after a device loss.
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

namespace {

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

} // namespace

// Only the slots that are empty are filled, so that a call after a creation
// that failed part-way completes it. A new texture gets its photo back from
// the system-memory texture the photo came from: a face from its own copy,
// the spare from the staging texture while the photo on its way is there (from
// the end of the load until the exchange). Without a photo it is black.
bool Slideshow::create_face_textures()
{
    IDirect3DTexture9** slots[7];
    IDirect3DTexture9* sources[7];
    for (int32_t i = 0; i < 6; ++i) {
        slots[i] = &faces[i].texture;
        sources[i] = faces[i].photo;
    }
    slots[6] = &loader.target;
    sources[6] = state == CACHING || state == WAITING || state == FADING ? loader.staging : nullptr;

    bool made[7] = {};
    bool complete = true;
    for (int32_t i = 0; i < 7 && complete; ++i) {
        if (*slots[i]) continue;
        *slots[i] = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, 0);
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
                black = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, 0);
                if (!black) return false;
                if (!clear_texture(black)) {
                    black->Release();
                    return false;
                }
            }
            source = black;
        }
        source->AddDirtyRect(nullptr);
        device->UpdateTexture(source, *slots[i]);
    }
    release(black);
    return complete;
}

void Slideshow::release_face_textures()
{
    for (FaceSlot& slot : faces) release(slot.texture);
    release(loader.target);
}

bool Slideshow::photo_textures_complete() const
{
    for (const FaceSlot& slot : faces)
        if (!slot.texture) return false;
    return loader.target != nullptr;
}

// The face keeps the system-memory texture its new photo came from, and the
// loader takes the face's old copy for the next photo, so photos are never
// copied twice. While the faces fill up on the first round the loader gets a
// new texture instead; when none can be made, the face keeps no copy (it comes
// back black after a reset) and the loader its staging texture. Only while the
// worker has no job: it reads the staging pointer after the next hand-over.
void Slideshow::keep_photo_copy(int32_t f)
{
    IDirect3DTexture9* next = faces[f].photo;
    if (!next) next = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, 0);
    if (!next) return;
    faces[f].photo = loader.staging;
    loader.staging = next;
}

void Slideshow::release_photo_copies()
{
    for (FaceSlot& slot : faces) release(slot.photo);
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
