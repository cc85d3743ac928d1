// The slideshow's cadence on the display it runs on (under Wine: the virtual X
// display), over a folder of photos: the real start-up (the folder dialog
// answered at once), the real worker thread and the real frame loop. Prints:
//  - the time from the first request to the first photo fully on its face
//    (the end of its turn), with the decode and the upload in it;
//  - the interval between photos (end of one turn to the end of the next);
//  - the longest frame during an upload against the median frame, and for
//    comparison the longest of as many frames right after each upload;
//  - the highest seconds figure the overlay showed;
//  - a summary line with the screen, the photo texture size and the goals:
//    the interval at most the slide duration plus three median frames, and
//    no upload frame longer than twice the median frame.
// With seconds per photo given, one show for each (the stored "seconds" set
// before it, from the first photo on), then the median interval of each
// against its goal: the setting plus three median frames.
// usage: bench_cadence.exe FOLDER [PHOTOS [SECONDS...]]   (photos to show, 7 unless given)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/geometry.h"
#include "tools/common/bench_show.h"

namespace {

struct Photo {
    double request = 0, decoded = 0, uploaded = 0, on_face = 0;
    int upload_frames = 0;
    double longest_upload_frame = 0;
    // The same number of frames right after the upload, which copy nothing
    // and run no decode: how much frames vary anyway.
    int frames_after = 0;
    double longest_frame_after = 0;
    // The longest frame of the photo's whole cycle and the state it began in.
    double longest_frame = 0;
    int longest_frame_state = 0;
};

struct Cadence {
    int seconds = 0;
    double median_interval = 0, median_frame = 0;
    int intervals = 0;
};

// The show's settings before it starts: seconds per photo, the folder's
// order, from the first photo.
void store_settings(int seconds)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\orbisca", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD first = 0xFFFFFFFF, folder_order = 0, value = DWORD(seconds);
    RegSetValueExA(key, "file", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&first), 4);
    RegSetValueExA(key, "order", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&folder_order), 4);
    if (seconds > 0) RegSetValueExA(key, "seconds", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
}

// One show of `wanted` photos over folder, with its figures printed; false
// when it could not start.
bool run_show(const char* folder, size_t wanted, Cadence* result)
{
    double answered = 0;
    Slideshow* app = start_show(folder, &answered);
    if (!app) return false;
    const double started = seconds_now();

    std::vector<Photo> photos;
    std::vector<double> frames;  // every frame's length, start to start
    int highest_seconds = 0;
    double previous_start = 0;
    bool upload_frame = false;
    SlideState previous_state = NEXT;
    while (photos.size() < wanted || photos.back().on_face == 0) {
        if (seconds_now() - started > 30 + 15.0 * wanted) {
            std::fprintf(stderr, "timed out\n");
            break;
        }
        pump_messages();
        const double start = seconds_now();
        if (previous_start > 0) {
            frames.push_back(start - previous_start);
            if (!photos.empty()) {
                Photo& p = photos.back();
                if (frames.back() > p.longest_frame) {
                    p.longest_frame = frames.back();
                    p.longest_frame_state = previous_state;
                }
                if (upload_frame) {
                    p.longest_upload_frame = std::max(p.longest_upload_frame, frames.back());
                } else if (p.uploaded > 0 && p.frames_after < p.upload_frames) {
                    ++p.frames_after;
                    p.longest_frame_after = std::max(p.longest_frame_after, frames.back());
                }
            }
        }
        previous_start = start;
        const SlideState before = app->cycle.state;
        upload_frame = before == CACHING;
        previous_state = before;
        app->frame();
        const char* tail = std::strrchr(app->status_text, '\n');
        if (tail) highest_seconds = std::max(highest_seconds, std::atoi(tail + 1));
        if (upload_frame) ++photos.back().upload_frames;
        if (app->cycle.state == before) continue;
        const double at = seconds_now();
        if (before == NEXT) {
            if (photos.size() == wanted) break;
            photos.push_back(Photo());
            photos.back().request = at;
        }
        if (photos.empty()) continue;
        if (before == LOADING) photos.back().decoded = at;
        if (before == CACHING) photos.back().uploaded = at;
        if (before == ROTATING) photos.back().on_face = at;
    }
    const double median_frame = median(frames);

    std::printf("%d photos in the folder, %d shown; frame rate in the overlay at the end: %.1f\n", app->files.count,
                int(photos.size()), app->clock.fps);
    const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    const uint32_t size = app->gpu.photo_size;
    std::printf("screen %dx%d, photo textures %ux%u, an upload of %d bands\n", screen_width, screen_height, size, size,
                upload_call_count(int32_t(size)));
    std::printf("dialog answer to the first request: %.3f s\n", photos.empty() ? 0.0 : photos[0].request - answered);
    std::printf("photo  decode  upload (frames)  longest frame: upload / as many after  on its face after request  "
                "interval  longest frame of the cycle\n");
    std::vector<double> intervals;
    double longest_upload_frame = 0, longest_frame_after = 0;
    for (size_t i = 0; i < photos.size(); ++i) {
        const Photo& p = photos[i];
        if (p.on_face == 0) break;
        std::string interval = "";
        if (i > 0) {
            intervals.push_back(p.on_face - photos[i - 1].on_face);
            char b[32];
            std::snprintf(b, sizeof b, "%7.3f s", intervals.back());
            interval = b;
        }
        longest_upload_frame = std::max(longest_upload_frame, p.longest_upload_frame);
        longest_frame_after = std::max(longest_frame_after, p.longest_frame_after);
        std::printf("%5d  %5.2f s  %5.2f s (%3d)  %14.1f ms / %6.1f ms  %20.3f s  %9s  %.1f ms in %s\n", int(i + 1),
                    p.decoded - p.request, p.uploaded - p.decoded, p.upload_frames, p.longest_upload_frame * 1000,
                    p.longest_frame_after * 1000, p.on_face - p.request, interval.c_str(), p.longest_frame * 1000,
                    state_names[p.longest_frame_state]);
    }
    if (!photos.empty() && photos[0].on_face > 0) {
        const Photo& first = photos[0];
        std::printf("first photo on its face: %.3f s after the first request = decode %.3f s + %.3f s "
                    "(%.3f s after the dialog's answer)\n",
                    first.on_face - first.request, first.decoded - first.request, first.on_face - first.decoded,
                    first.on_face - answered);
    }
    if (!intervals.empty())
        std::printf("interval between photos over %d: shortest %.3f s, longest %.3f s, median %.3f s "
                    "(slide duration %.1f s + 3 median frames = %.3f s)\n",
                    int(intervals.size()), *std::min_element(intervals.begin(), intervals.end()),
                    *std::max_element(intervals.begin(), intervals.end()), median(intervals), app->cycle.slide_duration,
                    app->cycle.slide_duration + 3 * median_frame);
    std::printf("median frame %.1f ms (%.1f frames/s); longest upload frame %.1f ms = %.3f x median; "
                "longest of the frames after the uploads %.1f ms = %.3f x median\n",
                median_frame * 1000, median_frame > 0 ? 1 / median_frame : 0.0, longest_upload_frame * 1000,
                median_frame > 0 ? longest_upload_frame / median_frame : 0.0, longest_frame_after * 1000,
                median_frame > 0 ? longest_frame_after / median_frame : 0.0);
    std::printf("highest seconds in the overlay: %d of %d\n", highest_seconds, int(app->cycle.slide_duration + 0.5f));

    // The figures of the photos after the first (which goes up in one frame).
    std::vector<double> decodes, upload_frames;
    for (size_t i = 1; i < photos.size() && photos[i].on_face > 0; ++i) {
        decodes.push_back(photos[i].decoded - photos[i].request);
        upload_frames.push_back(photos[i].upload_frames);
    }
    const double goal = app->cycle.slide_duration + 3 * median_frame;
    std::printf("summary %dx%d, textures %u: decode %.3f s, upload %.0f frames, interval %.3f s (goal %.3f s: %s), "
                "median frame %.1f ms, longest upload frame %.1f ms = %.2f x median (goal 2: %s)\n",
                screen_width, screen_height, size, median(decodes), median(upload_frames), median(intervals), goal,
                !intervals.empty() && median(intervals) <= goal ? "met" : "not met", median_frame * 1000,
                longest_upload_frame * 1000, median_frame > 0 ? longest_upload_frame / median_frame : 0.0,
                median_frame > 0 && longest_upload_frame <= 2 * median_frame ? "met" : "not met");

    result->median_interval = median(intervals);
    result->median_frame = median_frame;
    result->intervals = int(intervals.size());
    end_show(app);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_cadence FOLDER [PHOTOS [SECONDS...]]\n");
        return 2;
    }
    const size_t wanted = argc > 2 && std::atoi(argv[2]) > 1 ? size_t(std::atoi(argv[2])) : 7;
    std::vector<Cadence> runs;
    for (int i = 3; i < argc; ++i) {
        Cadence c;
        c.seconds = std::atoi(argv[i]);
        if (c.seconds < 4 || c.seconds > 120) {
            std::fprintf(stderr, "seconds per photo go from 4 to 120, not %s\n", argv[i]);
            return 2;
        }
        runs.push_back(c);
    }
    if (runs.empty()) return run_show(argv[1], wanted, &runs.emplace_back()) ? 0 : 1;

    for (Cadence& c : runs) {
        std::printf("\n=== %d seconds per photo\n", c.seconds);
        store_settings(c.seconds);
        if (!run_show(argv[1], wanted, &c)) return 1;
    }
    std::printf("\nseconds per photo  median interval  goal (setting + 3 median frames)  median frame  met\n");
    for (const Cadence& c : runs) {
        double goal = c.seconds + 3 * c.median_frame;
        std::printf("%17d  %13.3f s  %29.3f s  %9.1f ms  %s (over %d)\n", c.seconds, c.median_interval, goal,
                    c.median_frame * 1000, c.intervals > 0 && c.median_interval <= goal ? "yes" : "no",
                    c.intervals);
    }
    return 0;
}
