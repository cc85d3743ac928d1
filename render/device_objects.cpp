// Everything the show draws with, made on the device in one go after start-up
// has it, and released in one go at the end.
#include "render/gpu.h"

#include "pipeline/load_job.h"
#include "render/cube.h"
#include "render/d3d_helpers.h"

const char* create_device_objects(GpuObjects* gpu, ImageLoadTask* loader)
{
    IDirect3DDevice9* device = gpu->device;
    if (!create_face_textures(gpu, loader, false)) return "vidmem";

    loader->staging = create_texture(device, gpu->photo_size, gpu->photo_size, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, 0);
    if (!loader->staging || !create_lens_texture(gpu) || !create_rubik_texture(gpu) || !create_disp_texture(gpu))
        return "tex";

    if (device->CreateVertexBuffer(sizeof(cube_vertices), 0, cube_fvf, D3DPOOL_MANAGED, &gpu->vertex_buffer,
                                   nullptr) < 0) {
        gpu->vertex_buffer = nullptr;
        return "vb";
    }
    if (!fill_buffer(gpu->vertex_buffer, cube_vertices, sizeof(cube_vertices))) return "vb";

    if (device->CreateIndexBuffer(sizeof(cube_indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &gpu->index_buffer,
                                  nullptr) < 0) {
        gpu->index_buffer = nullptr;
        return "ib";
    }
    if (!fill_buffer(gpu->index_buffer, cube_indices, sizeof(cube_indices))) return "ib";

    if (device->CreateVertexDeclaration(cube_vertex_elements, &gpu->vertex_decl) < 0) {
        gpu->vertex_decl = nullptr;
        return "vd";
    }

    if (D3DXCreateFontA(device, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &gpu->font) < 0) {
        gpu->font = nullptr;
        return "font";
    }

    if (D3DXCreateSprite(device, &gpu->sprite) < 0) {
        gpu->sprite = nullptr;
        return "sprite";
    }

    if (!load_effect(gpu)) return "shaders";

    // Optional: without it frames are simply not held back.
    if (device->CreateQuery(D3DQUERYTYPE_EVENT, &gpu->frame_query) < 0) gpu->frame_query = nullptr;
    return nullptr;
}

void release_device_objects(GpuObjects* gpu, ImageLoadTask* loader)
{
    release_face_textures(gpu, loader);
    unlock_chain(&loader->chain);
    release(loader->staging);
    release_photo_copies(gpu);
    release(gpu->lens_texture);
    release(gpu->rubik_texture);
    release(gpu->disp_texture);
    release(gpu->vertex_buffer);
    release(gpu->index_buffer);
    release(gpu->vertex_decl);
    release(gpu->font);
    release(gpu->sprite);
    release(gpu->effect);
    release(gpu->frame_query);
    release(gpu->device);
    release(gpu->d3d);
}
