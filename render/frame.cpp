// One frame of the cube and the overlay, and its present.
#include "render/frame.h"

#include "app/names.h"
#include "pipeline/load_job.h"
#include "render/camera.h"
#include "render/cube.h"
#include "slideshow/technique.h"

namespace {

const D3DCOLOR shadow_colour = 0xFF000000;
const D3DCOLOR text_colour = 0xFFFFFFFF;

// Text with a black shadow one pixel to the right and below.
void draw_text(ID3DXFont* font, ID3DXSprite* sprite, const char* text, LONG left, LONG top)
{
    RECT shadow = {left + 1, top + 1, 200, 200};
    font->DrawTextA(sprite, text, -1, &shadow, DT_NOCLIP, shadow_colour);
    RECT place = {left, top, 200, 200};
    font->DrawTextA(sprite, text, -1, &place, DT_NOCLIP, text_colour);
}

// A line in the middle of the back buffer, where the black screen before the
// device showed it.
void draw_notice(GpuObjects* gpu, const char* text)
{
    wchar_t wide[128];
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, sizeof(wide) / sizeof(wide[0])) <= 0) return;
    D3DVIEWPORT9 view;
    if (gpu->device->GetViewport(&view) < 0) return;
    RECT place = {0, 0, static_cast<LONG>(view.Width), static_cast<LONG>(view.Height)};
    gpu->font->DrawTextW(gpu->sprite, wide, -1, &place, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP,
                         text_colour);
}

// The caption's place: its last line this far above the bottom of the
// picture, one line of the overlay's font apart.
const LONG caption_margin = 10;
const LONG caption_line_height = 18;

// The caption in the bottom-left corner, with a dark shadow on every side so
// that it reads on any photo.
void draw_caption(ID3DXFont* font, ID3DXSprite* sprite, const char* caption, UINT picture_height)
{
    LONG lines = 1;
    for (const char* p = caption; *p; ++p)
        if (*p == '\n') ++lines;
    LONG left = caption_margin;
    LONG top = static_cast<LONG>(picture_height) - caption_margin - lines * caption_line_height;
    static const LONG shadow[][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}, {2, 2}};
    const LONG height = lines * caption_line_height;
    for (const auto& d : shadow) {
        RECT place = {left + d[0], top + d[1], 4096, top + d[1] + height};
        font->DrawTextA(sprite, caption, -1, &place, DT_NOCLIP, shadow_colour);
    }
    RECT place = {left, top, 4096, top + height};
    font->DrawTextA(sprite, caption, -1, &place, DT_NOCLIP, text_colour);
}

} // namespace

bool wait_for_query(IDirect3DQuery9* query)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (;;) {
        HRESULT result = query->GetData(nullptr, 0, D3DGETDATA_FLUSH);
        // Done, or a lost device that will not answer.
        if (result != S_FALSE) return result == S_OK;
        QueryPerformanceCounter(&now);
        int64_t waited = now.QuadPart - start.QuadPart;
        if (waited * 2 > frequency.QuadPart) return false;
        // A hardware device finishes a frame of ours within a millisecond or
        // two: yield until then, so as not to oversleep a refresh; after that
        // sleep, leaving the processor to a device that draws in software.
        Sleep(waited * 500 < frequency.QuadPart ? 0 : 1);
    }
}

void draw_face(GpuObjects* gpu, int32_t i, const char* technique, float tau, bool grazing)
{
    const FaceSlot& slot = gpu->faces[i];
    // Empty only after a failed re-creation at a reset.
    if (!slot.texture) return;
    ID3DXEffect* effect = gpu->effect;
    IDirect3DDevice9* device = gpu->device;
    effect->SetTexture("tex", slot.texture);
    effect->SetTechnique(technique);
    effect->SetFloat("tau", tau);
    effect->SetInt("orientation_exif", slot.orientation);
    UINT passes = 0;
    if (effect->Begin(&passes, 0) < 0) return;
    for (UINT j = 0; j < passes; ++j) {
        effect->BeginPass(j);
        // The effect's samplers take registers 0 to 3; End puts their states back.
        if (grazing)
            for (DWORD s = 0; s < 4; ++s) device->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetVertexDeclaration(gpu->vertex_decl);
        device->SetStreamSource(0, gpu->vertex_buffer, 0, cube_vertex_stride);
        device->SetIndices(gpu->index_buffer);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 6 * i, 2);
        effect->EndPass();
    }
    effect->End();
}

void warm_up_technique(GpuObjects* gpu, int32_t shown_face, int32_t k)
{
    // The face in view shrunk to a few pixels at the centre of the screen,
    // which the face in view itself covers when it is drawn next: the draw
    // costs next to nothing but the preparation of the technique's shaders,
    // with every other state as the show's own draws have it.
    ID3DXEffect* effect = gpu->effect;
    D3DXMATRIX shown, scale, shrunk;
    if (effect->GetMatrix("world_view_proj", &shown) < 0) return;
    D3DXMatrixScaling(&scale, 1.0f / 256, 1.0f / 256, 1.0f);
    D3DXMatrixMultiply(&shrunk, &shown, &scale);
    effect->SetMatrix("world_view_proj", &shrunk);
    char name[technique_size];
    compose_technique(name, warm_up_choice(k));
    draw_face(gpu, shown_face, name, 0.0f);
    effect->SetMatrix("world_view_proj", &shown);
}

void draw_scene(GpuObjects* gpu, const FrameScene& scene)
{
    IDirect3DDevice9* device = gpu->device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    if (device->BeginScene() < 0) return;
    float eye[3];
    set_effect_matrices(gpu, scene, eye);
    // The cube's winding and the default culling make depth testing unnecessary.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    gpu->effect->SetTexture("tex_lens", gpu->lens_texture);
    gpu->effect->SetTexture("tex_rubik", gpu->rubik_texture);
    gpu->effect->SetTexture("tex_disp", gpu->disp_texture);

    if (scene.warm_up >= 0) warm_up_technique(gpu, face_in_view(scene.face), scene.warm_up);
    for (int32_t i = 0; i < 6; ++i)
        draw_face(gpu, i, gpu->faces[i].technique, face_tau(i, scene.face, scene.state, scene.now, scene.phase_start),
                  face_grazing(i, eye));

    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    if (scene.status || scene.notice) {
        gpu->sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        if (scene.status) {
            draw_text(gpu->font, gpu->sprite, window_title, 10, 10);
            draw_text(gpu->font, gpu->sprite, scene.status, 10, 40);
            if (scene.caption) draw_caption(gpu->font, gpu->sprite, scene.caption, gpu->picture_height);
        }
        if (scene.notice) draw_notice(gpu, scene.notice);
        gpu->sprite->End();
    }
    device->EndScene();
}

long present_frame(GpuObjects* gpu, ImageLoadTask* loader, bool spare_photo)
{
    HRESULT status = gpu->device->TestCooperativeLevel();
    if (status == D3DERR_DEVICENOTRESET) return reset_device(gpu, loader, spare_photo) ? S_OK : E_FAIL;
    // Lost: nothing is presented until the device can be reset.
    if (status < 0) return status;
    // Photo textures that could not be re-created at a reset are tried again;
    // their photos wait in system memory.
    if (!photo_textures_complete(*gpu, *loader)) create_face_textures(gpu, loader, spare_photo);
    HRESULT presented = gpu->device->Present(nullptr, nullptr, nullptr, nullptr);
    if (gpu->frame_query) gpu->frame_query->Issue(D3DISSUE_END);
    return presented;
}
