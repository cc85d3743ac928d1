// Start-up and shutdown of the slideshow.
#include "render/cube.h"
#include "render/d3d_helpers.h"
#include "render/d3dx_runtime.h"
#include "slideshow.h"

namespace {

const char resource_prefix[] = "Can't init resources : ";

const char no_device_text[] = "Can't create D3D device";
const char shader_model_text[] =
    "The graphics adapter does not run vertex and pixel shader model 2.0, which the slideshow needs. A current "
    "driver from the adapter's maker may bring it.";

bool failed(HRESULT hr) { return hr < 0; }

// Version tokens as Direct3D reports them: the shader type in the high word,
// major and minor version in the low one.
bool runs_shader_model_2(const D3DCAPS9& caps)
{
    return (caps.VertexShaderVersion & 0xFFFF) >= 0x0200 && (caps.PixelShaderVersion & 0xFFFF) >= 0x0200;
}

bool same_text(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

} // namespace

bool Slideshow::init()
{
    load_settings();
    // D3DX where it is installed, the program's own equivalents elsewhere.
    load_d3dx_runtime();
    // Also before the dialog: the user is not asked for a folder on an adapter
    // that cannot show it, and Direct3D's start, the longest part of start-up
    // on some systems, is over before the answer.
    if (!open_direct3d()) return false;
    if (!choose_folder(nullptr)) return false;
    save_settings();
    return start_show();
}

bool Slideshow::open_direct3d()
{
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        str_copy(error_text_buf, "Can't create Direct3D");
        return false;
    }
    D3DCAPS9 caps;
    if (failed(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) {
        str_copy(error_text_buf, no_device_text);
        return false;
    }
    if (!runs_shader_model_2(caps)) {
        str_copy(error_text_buf, shader_model_text);
        return false;
    }
    return true;
}

bool Slideshow::choose_folder(HWND owner)
{
    char chosen[path_size];
    str_copy(chosen, folder);
    if (!pick_folder(chosen, owner)) return false;
    if (chosen[0] == 0) {
        str_copy(error_text_buf, "The chosen item is not a folder on a disk");
        return false;
    }
    // The backslash and the terminator must fit.
    if (str_length(chosen) + 2 > static_cast<uint32_t>(path_size)) {
        str_copy(error_text_buf, "The folder's path is too long");
        return false;
    }
    str_append(chosen, "\\");
    if (!same_text(chosen, folder)) {
        str_copy(folder, chosen);
        file_index = -1;
    }
    return true;
}

bool Slideshow::start_show()
{
    files.build_file_list(folder);
    if (files.entries == nullptr && files.count != 0) {
        files.count = 0;
        str_copy(error_text_buf, "Not enough memory for the list of photos");
        return false;
    }
    if (files.count == 0) {
        str_copy(error_text_buf, ".JPG files not found in specified folder");
        return false;
    }
    if (file_index > files.count - 1) file_index = files.count - 1;

    if (!d3d && !open_direct3d()) return false;
    D3DPRESENT_PARAMETERS params;
    make_device_params(&params);
    if (failed(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, main_window, 0x54, &params, &device))) {
        device = nullptr;
        str_copy(error_text_buf, no_device_text);
        return false;
    }

    str_copy(error_text_buf, resource_prefix);
    char* step = error_text_buf + sizeof(resource_prefix) - 1;

    if (!create_face_textures()) {
        str_copy(step, "vidmem");
        return false;
    }

    str_copy(step, "tex");
    loader.staging = create_texture(photo_size, photo_size, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, 0);
    if (!loader.staging || !create_lens_texture() || !create_rubik_texture() || !create_disp_texture()) return false;

    str_copy(step, "vb");
    if (failed(device->CreateVertexBuffer(sizeof(cube_vertices), 0, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED,
                                          &vertex_buffer, nullptr))) {
        vertex_buffer = nullptr;
        return false;
    }
    if (!fill_buffer(vertex_buffer, cube_vertices, sizeof(cube_vertices))) return false;

    str_copy(step, "ib");
    if (failed(device->CreateIndexBuffer(sizeof(cube_indices), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &index_buffer,
                                         nullptr))) {
        index_buffer = nullptr;
        return false;
    }
    if (!fill_buffer(index_buffer, cube_indices, sizeof(cube_indices))) return false;

    str_copy(step, "vd");
    if (failed(device->CreateVertexDeclaration(cube_vertex_elements, &vertex_decl))) {
        vertex_decl = nullptr;
        return false;
    }

    str_copy(step, "font");
    if (failed(D3DXCreateFontA(device, 17, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &font))) {
        font = nullptr;
        return false;
    }

    str_copy(step, "sprite");
    if (failed(D3DXCreateSprite(device, &sprite))) {
        sprite = nullptr;
        return false;
    }

    str_copy(step, "shaders");
    if (!load_effect()) return false;

    // Optional: without it frames are simply not held back.
    if (failed(device->CreateQuery(D3DQUERYTYPE_EVENT, &frame_query))) frame_query = nullptr;

    str_copy(step, "task");
    worker_thread = CreateThread(nullptr, 0, worker_thread_entry, this, 0, nullptr);
    if (!worker_thread) return false;

    error_text_buf[0] = 0;
    return true;
}

void Slideshow::done()
{
    release_all();
    // The preview in the settings dialog is only a glance: it moves no one's position.
    if (!preview) save_settings();
}

void Slideshow::release_all()
{
    files.clear_file_list();
    store_release(&quit, true);
    if (worker_thread) {
        WaitForSingleObject(worker_thread, INFINITE);
        CloseHandle(worker_thread);
        worker_thread = nullptr;
    }
    release_face_textures();
    release(loader.staging);
    release_photo_copies();
    release(lens_texture);
    release(rubik_texture);
    release(disp_texture);
    release(vertex_buffer);
    release(index_buffer);
    release(vertex_decl);
    release(font);
    release(sprite);
    release(effect);
    release(frame_query);
    release(device);
    release(d3d);
}
