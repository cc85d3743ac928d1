#include "slideshow/update.h"

#include "app/atomic.h"
#include "pipeline/geometry.h"
#include "slideshow/caption.h"
#include "slideshow/pacing.h"
#include "slideshow/status.h"
#include "slideshow/technique.h"

void update(Clock* clock, Cycle* cycle, Controls* controls, LoadJob* job, const FileList& files, Place* turn,
            GpuObjects* gpu, char* status_text)
{
    ImageLoadTask& loader = job->loader;
    const PlayOrder order = {files.count, cycle->shuffled};
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    float previous = clock->now;
    clock->now = clock_seconds(counter.QuadPart, clock->perf_start, clock->perf_frequency);
    const float now = clock->now;
    // The first frame comes after start-up and the folder dialog: not a frame time.
    if (clock->frame_count > 1) clock->frame_time = average_frame_time(clock->frame_time, now - previous);

    refresh_frame_rate(now, clock->frame_count, &clock->fps_time, &clock->fps_frames, &clock->fps);

    // The photo's number is its place in the play order, requested before
    // this frame's step.
    status_head(status_text, clock->fps, cycle->requested.position + 1, files.count);

    // Exactly one branch per call, so at most one transition per frame. A state
    // that is kept shows its word; a frame that leaves a state shows none.
    bool stays = true;
    if (drops_photo(*controls, cycle->state, load_acquire(&loader.done_flag))) {
        // A step back wants another photo: the one on its way is dropped (in
        // LOADING once its decode is done) and the wanted one requested next.
        store_release(&job->pending_task, static_cast<Task*>(nullptr));
        unlock_chain(&loader.chain);
        cycle->state = NEXT;
        stays = false;
    } else switch (cycle->state) {
    case NEXT:
        stays = files.count <= 0;
        if (!stays) {
            cycle->requested = take_request(controls, order, *turn);
            *turn = cycle->requested;
            str_copy(loader.path, files.entry(photo_at(order, cycle->requested)));
            loader.request_time = now;
            // Locked here rather than by the worker: the frame before is done,
            // so the device answers at once.
            lock_chain(loader.staging, &loader.chain);
            submit_task(job, &loader);
            cycle->state = LOADING;
        }
        break;

    case LOADING:
        stays = !load_acquire(&loader.done_flag);
        if (!stays) {
            loader.upload_row = 0;
            loader.upload_level = 0;
            store_release(&job->pending_task, static_cast<Task*>(nullptr));
            unlock_chain(&loader.chain);
            cycle->state = CACHING;
        }
        break;

    case CACHING: {
        // The bands keep their order; on a slow display a frame copies
        // several, so that the photo is still up within about a second. The
        // first photo after start has no photo on screen to protect.
        const int32_t size = static_cast<int32_t>(gpu->photo_size);
        int32_t bands = upload_bands_per_frame(clock->frame_time, loader.loaded_count > 1, upload_call_count(size));
        bool finished = false;
        for (int32_t i = 0; i < bands && !finished; ++i) finished = loader.upload_step(gpu->device, size);
        stays = !finished;
        if (!stays) {
            store_release(&job->pending_task, static_cast<Task*>(nullptr));
            cycle->state = WAITING;
        }
        break;
    }

    case WAITING:
        // The first photo after start and a photo stepped to are shown at
        // once; later ones keep the current photo up until slide_duration - 2
        // seconds after their request, and for as long as the show is paused.
        stays = !waiting_ends(*controls, loader.loaded_count, now - loader.request_time, cycle->slide_duration);
        if (!stays) {
            cycle->phase_start = phase_end(loader.request_time + cycle->slide_duration - 2.0f, now, clock->frame_time);
            cycle->state = FADING;
        }
        break;

    case FADING:
        stays = now - cycle->phase_start < 1.0f;
        if (!stays) {
            cycle->phase_start = phase_end(cycle->phase_start + 1.0f, now, clock->frame_time);
            // The new photo moves onto the face, with the system-memory
            // texture it came from, so that a device reset can put it back.
            place_photo(gpu, &loader, cycle->face);
            write_caption(gpu->faces[cycle->face].caption, cycle->caption, loader.date_taken, loader.path);
            photo_turned_to(controls, cycle->requested);
            cycle->state = ROTATING;
        }
        break;

    case ROTATING:
        stays = now - cycle->phase_start < 1.0f;
        if (!stays) {
            cycle->phase_start = phase_end(cycle->phase_start + 1.0f, now, clock->frame_time);
            cycle->face = (cycle->face + 1) % 6;
            TechniqueChoice choice = choose_technique(cycle->filter_index);
            cycle->filter_index = choice.filter;
            compose_technique(gpu->faces[cycle->face].technique, choice);
            turn_ended(controls);
            cycle->state = NEXT;
        }
        break;
    }

    // While paused the third line says so on every frame.
    const char* word = pause_word(*controls);
    if (!word && stays) word = state_word(cycle->state);
    if (word) str_append(status_text, word);

    status_tail(status_text, slide_seconds(*controls, now, loader.request_time), cycle->slide_duration);
}
