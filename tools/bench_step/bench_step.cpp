// How fast a Right press brings the next photo fully into view (the end of
// its turn), on the display the slideshow runs on, over a folder of photos:
// the real start-up (the folder dialog answered at once), worker thread and
// frame loop, the press sent through the window procedure between frames.
// Two cases, alternating:
//  - uploaded: pressed while the next photo is held in WAITING, ready;
//  - loading: pressed in the frame after the next photo was requested, so
//    its decode and upload are part of the time.
// Prints each press and the medians, against 2 s (the fade and the turn)
// plus 2 median frames.
// usage: bench_step.exe FOLDER [PRESSES]   (presses per case, 5 unless given)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/common/bench_show.h"

namespace {

Slideshow* app = nullptr;
std::vector<double> frames;
double last_frame_start = 0;
int passes = 0;

// One pass of the program's own loop: the messages first, then a frame.
void pass()
{
    pump_messages();
    const double start = seconds_now();
    if (last_frame_start > 0) frames.push_back(start - last_frame_start);
    last_frame_start = start;
    app->frame();
    ++passes;
}

// Runs frames until `state` is reached (or `limit` seconds pass); false on time-out.
bool run_until(SlideState state, double limit)
{
    const double until = seconds_now() + limit;
    while (app->cycle.state != state)
        if (seconds_now() > until) return false;
        else pass();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_step FOLDER [PRESSES]\n");
        return 2;
    }
    const int presses = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 5;
    double answered = 0;
    app = start_show(argv[1], &answered);
    if (!app) return 1;

    // The first photo comes at once; from the second on a photo is held.
    bool ok = run_until(ROTATING, 60) && run_until(NEXT, 5);
    std::vector<double> uploaded, loading, to_fade;
    std::vector<int> uploaded_frames, loading_frames;
    for (int i = 0; ok && i < 2 * presses; ++i) {
        const bool ready = i % 2 == 0;
        ok = run_until(LOADING, 5);
        if (ok) pass(); // the frame after the request
        if (ok && ready) ok = run_until(WAITING, 60);
        if (!ok) break;
        const int passes_before = passes;
        const double pressed = seconds_now();
        PostMessageA(main_window, WM_KEYDOWN, VK_RIGHT, 1);
        ok = run_until(FADING, 60);
        // The start of the frame that began the fade.
        if (ready) to_fade.push_back(last_frame_start - pressed);
        ok = ok && run_until(ROTATING, 60) && run_until(NEXT, 5);
        if (!ok) break;
        // The frame that ended the turn drew and presented the photo at rest.
        const double in_view = seconds_now();
        const int n = passes - passes_before;
        (ready ? uploaded : loading).push_back(in_view - pressed);
        (ready ? uploaded_frames : loading_frames).push_back(n);
        std::printf("%-8s press %d: fully in view after %.3f s (%d frames)\n", ready ? "uploaded" : "loading",
                    i / 2 + 1, in_view - pressed, n);
    }
    if (!ok) std::fprintf(stderr, "timed out\n");

    const double frame = median(frames);
    std::printf("median frame %.1f ms (%.1f frames/s), %d photos in the folder\n", frame * 1000,
                frame > 0 ? 1 / frame : 0.0, app->files.count);
    std::printf("Right to fully in view, uploaded: median %.3f s over %d = 2 s + %.1f median frames "
                "(goal 2 s + 2 frames = %.3f s); press to the fade's first frame: median %.1f ms\n",
                median(uploaded), int(uploaded.size()), frame > 0 ? (median(uploaded) - 2) / frame : 0.0,
                2 + 2 * frame, median(to_fade) * 1000);
    std::printf("Right to fully in view, still loading: median %.3f s over %d\n", median(loading),
                int(loading.size()));

    end_show(app);
    return ok ? 0 : 1;
}
