// The per-frame clock and sequencer of the slideshow: one state step per call,
// then the status text for the overlay.
#include "app/slideshow.h"
#include "slideshow/pacing.h"
#include "slideshow/status.h"
#include "slideshow/technique.h"

void Slideshow::update()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    float previous = now;
    now = clock_seconds(counter.QuadPart, perf_start, perf_frequency);
    // The first frame comes after start-up and the folder dialog: not a frame time.
    if (frame_count > 1) frame_time = average_frame_time(frame_time, now - previous);

    refresh_frame_rate(now, frame_count, &fps_time, &fps_frames, &fps);

    // The file number is the one requested before this frame's step.
    status_head(status_text, fps, file_index + 1, files.count);

    // Exactly one branch per call, so at most one transition per frame. A state
    // that is kept shows its word; a frame that leaves a state shows none.
    bool stays = true;
    switch (state) {
    case NEXT:
        stays = files.count <= 0;
        if (!stays) {
            int32_t next = file_index + 1;
            if (next < 0 || next >= files.count) next = 0;
            file_index = next;
            str_copy(loader.path, files.entries + static_cast<uint32_t>(file_index) * path_size);
            loader.request_time = now;
            submit_task(&loader);
            state = LOADING;
        }
        break;

    case LOADING:
        stays = !load_acquire(&loader.done_flag);
        if (!stays) {
            loader.upload_row = 0;
            loader.upload_level = 0;
            store_release(&pending_task, static_cast<Task*>(nullptr));
            state = CACHING;
        }
        break;

    case CACHING: {
        // The bands keep their order; on a slow display a frame copies
        // several, so that the photo is still up within about a second. The
        // first photo after start has no photo on screen to protect.
        int32_t bands = upload_bands_per_frame(frame_time, loader.loaded_count > 1);
        bool finished = false;
        for (int32_t i = 0; i < bands && !finished; ++i) finished = loader.upload_step(device, photo_size);
        stays = !finished;
        if (!stays) {
            store_release(&pending_task, static_cast<Task*>(nullptr));
            state = WAITING;
        }
        break;
    }

    case WAITING:
        // The first photo after start is shown at once; later ones keep the
        // current photo up until slide_duration - 2 seconds after their request.
        stays = loader.loaded_count >= 2 && now - loader.request_time < slide_duration - 2.0f;
        if (!stays) {
            phase_start = now;
            state = FADING;
        }
        break;

    case FADING:
        stays = now - phase_start < 1.0f;
        if (!stays) {
            phase_start = now;
            // The new photo moves onto the face by exchanging textures; the
            // face's old texture becomes the spare that the next upload fills.
            IDirect3DTexture9* arrived = loader.target;
            loader.target = faces[face].texture;
            faces[face].texture = arrived;
            faces[face].orientation = loader.orientation;
            state = ROTATING;
        }
        break;

    case ROTATING:
        stays = now - phase_start < 1.0f;
        if (!stays) {
            phase_start = now;
            face = (face + 1) % 6;
            TechniqueChoice choice = choose_technique(filter_index);
            filter_index = choice.filter;
            compose_technique(faces[face].technique, choice);
            state = NEXT;
        }
        break;
    }

    if (stays) {
        const char* word = state_word(state);
        if (word) str_append(status_text, word);
    }

    status_tail(status_text, now - loader.request_time, slide_duration);
}
