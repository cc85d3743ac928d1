// The record's construction, and what it does between start-up and shutdown:
// a frame, and the viewer's controls.
#include "app/slideshow.h"

#include "app/names.h"
#include "slideshow/technique.h"
#include "slideshow/update.h"

Slideshow::Slideshow()
{
    mem_fill(&gpu, 0, sizeof(gpu));
    // Until a device is made for a screen.
    gpu.photo_size = photo_size_min;
    job.loader.done_flag = false;
    job.loader.staging = nullptr;
    job.loader.chain.count = 0;
    job.loader.path[0] = 0;
    job.loader.request_time = 0.0f;
    job.loader.target = nullptr;
    job.loader.upload_row = 0;
    job.loader.upload_level = 0;
    job.loader.loaded_count = 0;
    job.loader.orientation = 1;
    job.loader.date_taken = no_date;
    job.pending_task = nullptr;
    job.worker_thread = nullptr;
    job.quit = false;
    job.device = nullptr;
    job.next = nullptr;
    files.entries = nullptr;
    files.count = 0;
    files.capacity = 0;
    scan.list = &files;
    scan.folder = settings.folder;
    scan.thread = nullptr;
    scan.progress.found = 0;
    scan.progress.stop = false;
    mem_fill(&clock, 0, sizeof(clock));
    mem_fill(&cycle, 0, sizeof(cycle));
    cycle.state = NEXT;
    default_settings(&settings);
    cycle.slide_duration = static_cast<float>(settings.seconds);
    cycle.requested = Place{0, -1};
    cycle.shuffled = false;
    cycle.caption = CAPTION_NONE;
    status_text[0] = 0;
    error_text_buf[0] = 0;
    notice_text[0] = 0;
    preview = false;
    window = main_window;
    windowed = false;
    lead = nullptr;
    list_turn = &cycle.requested;
    reset_controls(&controls);
    gpu.window = main_window;
    for (FaceSlot& f : gpu.faces) {
        f.orientation = 1;
        str_copy(f.technique, filter_names[0]);
        str_append(f.technique, uv_names[0]);
        str_append(f.technique, transition_names[0]);
    }

    LARGE_INTEGER v;
    QueryPerformanceFrequency(&v);
    clock.perf_frequency = v.QuadPart;
    QueryPerformanceCounter(&v);
    clock.perf_start = v.QuadPart;

    uint32_t ticks = GetTickCount();
    seed_random(ticks);
    clock.time_offset = time_offset_from_ticks(ticks);
}

Slideshow* create_slideshow()
{
    void* block = mem_alloc(sizeof(Slideshow));
    if (!block) return nullptr;
    return new (block) Slideshow();
}

long Slideshow::frame()
{
    // Nothing of the last frame may still wait in the device's queue. A
    // software device otherwise takes frames ahead, and everything the worker
    // does with the staging texture waits behind all of them, while the main
    // thread spins on the full queue: the photo's decode takes several times
    // as long, and frames come slower too.
    if (gpu.frame_query) wait_for_query(gpu.frame_query);
    ++clock.frame_count;
    update(&clock, &cycle, &controls, &job, lead ? lead->files : files, list_turn, &gpu, status_text);

    FrameScene shown = scene();
    draw_scene(&gpu, shown);
    if (shown.warm_up >= 0) cycle.warmed_techniques = shown.warm_up + 1;
    return present_frame(&gpu, &job.loader, spare_holds_photo(cycle.state));
}

FrameScene Slideshow::scene() const
{
    FrameScene scene;
    scene.now = clock.now;
    scene.camera_time = clock.now + clock.time_offset;
    scene.state = cycle.state;
    scene.face = cycle.face;
    scene.phase_start = cycle.phase_start;
    // The first frame prepares the technique every face starts with.
    scene.warm_up = clock.frame_count > 1
                        ? technique_to_warm_up(cycle.state, cycle.warmed_techniques, job.loader.loaded_count)
                        : -1;
    scene.status = preview || controls.overlay_hidden ? nullptr : status_text;
    // A long scan's count stays until the first photo is turned to.
    scene.notice = notice_text[0] && controls.shown.position < 0 && !preview ? notice_text : nullptr;
    // The caption goes with the overlay.
    const char* caption = gpu.faces[face_shown(cycle.state, cycle.face)].caption;
    scene.caption = scene.status && cycle.caption != CAPTION_NONE && caption[0] ? caption : nullptr;
    return scene;
}

// The viewer's controls reach the slideshow between frames; the state machine
// acts on them from its next frame on.
void Slideshow::control(int32_t what, bool repeat)
{
    // The list is the scan's until it is complete.
    if (scan.thread) return;
    apply_control(&controls, static_cast<Control>(what), repeat, cycle.state, cycle.requested,
                  PlayOrder{files.count, cycle.shuffled}, clock.now, &job.loader.request_time);
}
