// The per-frame clock and sequencer of the slideshow: one state step per call,
// then the status text for the overlay.
#include "app/slideshow.h"
#include "slideshow/controls.h"
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
    if (drops_photo(controls, state, load_acquire(&loader.done_flag))) {
        // A step back wants another photo: the one on its way is dropped (in
        // LOADING once its decode is done) and the wanted one requested next.
        store_release(&pending_task, static_cast<Task*>(nullptr));
        state = NEXT;
        stays = false;
    } else switch (state) {
    case NEXT:
        stays = files.count <= 0;
        if (!stays) {
            file_index = take_request(&controls, file_index, files.count);
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
        // The first photo after start and a photo stepped to are shown at
        // once; later ones keep the current photo up until slide_duration - 2
        // seconds after their request, and for as long as the show is paused.
        stays = !waiting_ends(controls, loader.loaded_count, now - loader.request_time, slide_duration);
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
            // The system-memory texture the photo came from goes with it, so
            // that a device reset can put the photo back.
            keep_photo_copy(face);
            photo_turned_to(&controls, file_index);
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
            turn_ended(&controls);
            state = NEXT;
        }
        break;
    }

    // While paused the third line says so on every frame.
    const char* word = pause_word(controls);
    if (!word && stays) word = state_word(state);
    if (word) str_append(status_text, word);

    status_tail(status_text, slide_seconds(controls, now, loader.request_time), slide_duration);
}
