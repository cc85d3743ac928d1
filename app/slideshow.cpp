#include "slideshow.h"

#include "names.h"

Slideshow::Slideshow()
{
    d3d = nullptr;
    device = nullptr;
    vertex_buffer = nullptr;
    index_buffer = nullptr;
    vertex_decl = nullptr;
    lens_texture = nullptr;
    rubik_texture = nullptr;
    disp_texture = nullptr;
    sprite = nullptr;
    font = nullptr;
    effect = nullptr;
    frame_query = nullptr;
    loader.done_flag = false;
    loader.staging = nullptr;
    loader.path[0] = 0;
    loader.request_time = 0.0f;
    loader.target = nullptr;
    loader.upload_row = 0;
    loader.upload_level = 0;
    loader.loaded_count = 0;
    pending_task = nullptr;
    worker_thread = nullptr;
    state = NEXT;
    files.entries = nullptr;
    files.count = 0;
    files.capacity = 0;
    now = 0.0f;
    frame_count = 0;
    fps_time = 0.0f;
    fps_frames = 0;
    fps = 0.0f;
    frame_time = 0.0f;
    warmed_techniques = 0;
    quit = false;
    phase_start = 0.0f;
    face = 0;
    filter_index = 0;
    folder[0] = 0;
    status_text[0] = 0;
    error_text_buf[0] = 0;
    preview = false;

    slide_duration = 5.0f;
    file_index = -1;
    reset_controls(&controls);
    loader.orientation = 1;
    for (FaceSlot& f : faces) {
        f.texture = nullptr;
        f.photo = nullptr;
        f.orientation = 1;
        str_copy(f.technique, filter_names[0]);
        str_append(f.technique, uv_names[0]);
        str_append(f.technique, transition_names[0]);
    }

    LARGE_INTEGER v;
    QueryPerformanceFrequency(&v);
    perf_frequency = v.QuadPart;
    QueryPerformanceCounter(&v);
    perf_start = v.QuadPart;

    uint32_t ticks = GetTickCount();
    seed_random(ticks);
    time_offset = time_offset_from_ticks(ticks);
}

Application* create_slideshow()
{
    void* block = mem_alloc(sizeof(Slideshow));
    if (!block) return nullptr;
    return new (block) Slideshow();
}
