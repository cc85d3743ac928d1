// The renderer's Direct3D objects: the device, the cube's faces with their
// photo textures, the buffers, the procedural textures, the overlay's font and
// sprite, the effect. Plain pointers, null until made and again once
// released; every one is made on the main thread and released there.
#pragma once
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <stdint.h>

#include "app/names.h"
#include "app/support.h"
#include "render/photo_size.h"

class ImageLoadTask;

// The device: hardware vertex processing, a pure device, and safe for the
// worker's calls on the staging texture.
const DWORD device_flags = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE | D3DCREATE_MULTITHREADED;

struct FaceSlot {
    IDirect3DTexture9* texture;   // video memory, GpuObjects::photo_size square, full chain
    // System memory: the texture the face's photo was uploaded from, kept so
    // that a device reset can put the photo back. Null when there is none.
    IDirect3DTexture9* photo;
    char technique[technique_size];
    int32_t orientation;          // the photo's EXIF orientation, 1 to 8
    // What the caption says while the photo is in view; empty for nothing.
    char caption[text_size];
};

struct GpuObjects {
    IDirect3D9* d3d;
    IDirect3DDevice9* device;
    IDirect3DVertexBuffer9* vertex_buffer;
    IDirect3DIndexBuffer9* index_buffer;
    IDirect3DVertexDeclaration9* vertex_decl;
    IDirect3DTexture9* lens_texture;
    IDirect3DTexture9* rubik_texture;
    IDirect3DTexture9* disp_texture;
    FaceSlot faces[6];
    ID3DXSprite* sprite;
    ID3DXFont* font;
    ID3DXEffect* effect;
    // Issued after each Present; the next frame waits for it (null on a device
    // without event queries: no wait).
    IDirect3DQuery9* frame_query;
    // The focus window, and whether the device draws windowed into its client
    // area (the screen saver's preview, and its shows on several monitors)
    // rather than over the whole screen.
    HWND window;
    bool windowed;
    // The monitor the show is for (null: the primary one) and the adapter
    // that drives it, which open_direct3d finds.
    HMONITOR monitor;
    UINT adapter;
    // The height of the picture the device draws, in pixels, from its last
    // creation or reset.
    UINT picture_height;
    // Side of the photo textures (the faces, the spare, the staging texture
    // and the faces' copies), set when the device is made and kept for its
    // life: a reset to another desktop size keeps the textures' size.
    uint32_t photo_size;
};

// --- Device (render/device.cpp)

// What the adapter offers the show.
enum DeviceCheck {
    DEVICE_READY,
    DEVICE_NO_DIRECT3D,    // Direct3DCreate9 gave nothing
    DEVICE_NO_ADAPTER,     // no hardware device to ask
    DEVICE_SHADER_MODEL,   // vertex or pixel shaders below model 2.0
};
// Direct3D, the adapter of gpu->monitor (the default one for none) and the
// check that it runs shader model 2.0. DEVICE_NO_ADAPTER also when no adapter
// drives that monitor.
DeviceCheck open_direct3d(GpuObjects* gpu);
// The device on gpu->adapter with gpu->window as focus window; false (device
// null) when it cannot be made. Sets gpu->photo_size for it
// (adapter_photo_size).
bool create_device(GpuObjects* gpu);
// The photo texture side for a device on `adapter`: from the height of the
// monitor the adapter drives, or of a windowed device's window where that is
// lower (window_height; 0 for a full-screen device), and the adapter's
// texture limits (photo_texture_size): photo_size_min for the screen saver's
// preview, and when Direct3D does not say.
uint32_t adapter_photo_size(IDirect3D9* d3d, UINT adapter, uint32_t window_height);

void make_present_params(D3DPRESENT_PARAMETERS* params);
// A windowed device of width x height drawing into window, with 4x
// multisampling when multisample is true.
void make_windowed_present_params(D3DPRESENT_PARAMETERS* params, HWND window, UINT width, UINT height,
                                  bool multisample);
// The full-screen parameters, or the windowed ones over the window's client
// area.
void make_device_params(const GpuObjects& gpu, D3DPRESENT_PARAMETERS* params);
IDirect3DTexture9* create_texture(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                  UINT levels);

// The six face textures and the spare (loader.target). Only empty slots are
// made, so a call after one that failed part-way completes it; each new
// texture gets its photo back from system memory (a face from its copy, the
// spare from the staging texture while `spare_photo`), or black. False at the
// first texture that cannot be made.
bool create_face_textures(GpuObjects* gpu, ImageLoadTask* loader, bool spare_photo);
void release_face_textures(GpuObjects* gpu, ImageLoadTask* loader);
bool photo_textures_complete(const GpuObjects& gpu, const ImageLoadTask& loader);
// The photo uploaded into the spare moves onto face f: the textures are
// exchanged, the face takes the photo's orientation and keeps the staging
// texture it came from (keep_photo_copy).
void place_photo(GpuObjects* gpu, ImageLoadTask* loader, int32_t f);
// Face f keeps the system-memory texture its new photo came from; the loader
// gets the face's old copy, or a new texture, for the next photo.
void keep_photo_copy(GpuObjects* gpu, ImageLoadTask* loader, int32_t f);
void release_photo_copies(GpuObjects* gpu);
// Recovery after a loss: the video-memory textures go, the D3DX objects are
// told, the device is reset with fresh parameters and the textures come back
// with their photos. The result is that of the textures' re-creation.
bool reset_device(GpuObjects* gpu, ImageLoadTask* loader, bool spare_photo);

// --- Everything on the device (render/device_objects.cpp)

// Makes, in this order, the face textures ("vidmem"), the staging texture and
// the procedural textures ("tex"), the vertex buffer ("vb"), the index buffer
// ("ib"), the vertex declaration ("vd"), the font ("font"), the sprite
// ("sprite"), the effect ("shaders") and the frame query (optional). Returns
// null when all are made, else the name of the step that failed; what was
// made stays for release_device_objects.
const char* create_device_objects(GpuObjects* gpu, ImageLoadTask* loader);
// Releases every object of the device, then the device and Direct3D.
void release_device_objects(GpuObjects* gpu, ImageLoadTask* loader);

// --- Effect (render/effect.cpp) and procedural textures (render/procedural.cpp)
bool load_effect(GpuObjects* gpu);
bool create_lens_texture(GpuObjects* gpu);
bool create_rubik_texture(GpuObjects* gpu);
bool create_disp_texture(GpuObjects* gpu);
