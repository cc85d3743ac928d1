// Whether the show ever stands still: the real start-up (the folder dialog
// answered at once), worker thread and frame loop over a folder of photos for
// a given time, with the time of every presented frame. Prints:
//  - the longest gap between two presented frames, the 99th percentile and
//    the median, and the longest gaps with when they came, the state their
//    frame began and ended in and the techniques it drew;
//  - what the frames that drew a technique ahead of its use (warm-up) and
//    those in which the show drew a technique for the first time cost (the
//    gap after each, which waits for its drawing), against the median gap;
//  - the first photo on its face after the dialog's answer.
// usage: bench_smooth.exe FOLDER [SECONDS] [cold]
//   SECONDS  how long the show runs, 600 unless given
//   cold     no warm-up: every technique's first use falls in the show
// usage: bench_smooth.exe FOLDER all-at-once
//   the time all forty techniques take when drawn for the first time in one
//   frame, right after start-up (what a warm-up at start-up would cost)
// usage: bench_smooth.exe FOLDER bare [SECONDS]
//   the control: a bare Clear + Present loop on the program's device
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "slideshow/technique.h"
#include "support/hooks.h"
#include "tools/common/bench_show.h"

namespace {

// When the last Present began and how long it took.
double present_began = 0, present_took = 0;
VtableHook* present_hook = nullptr;

HRESULT WINAPI timed_present(IDirect3DDevice9* self, const RECT* a, const RECT* b, HWND w, const RGNDATA* r)
{
    using PresentFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
    present_began = seconds_now();
    HRESULT result = present_hook->original<PresentFn>()(self, a, b, w, r);
    present_took = seconds_now() - present_began;
    return result;
}

struct Frame {
    int began = NEXT, ended = NEXT;
    std::string techniques; // face in view, then the face that receives the next photo
    bool warm_up = false, first_use = false;
};

// The time between two presented frames. A frame begins by waiting until the
// device has drawn the frame before, so what the device does for a frame
// shows in the gap that ends with the next one.
struct Gap {
    double length = 0, at = 0; // at: end of the gap, seconds after the dialog's answer
    // Of the gap: the time until the frame's Present began (the wait for the
    // frame before, the state step, the drawing) and the time in Present.
    double before_present = 0, in_present = 0;
    Frame frame, before;
};

std::string describe(const Frame& f)
{
    return std::string("began in ") + state_names[f.began] + ", ended in " + state_names[f.ended] + ", drew " +
           f.techniques + (f.warm_up ? " (warm-up)" : "") + (f.first_use ? " (first use)" : "");
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = size_t(p * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

void print_gaps(const std::vector<Gap>& gaps, bool show)
{
    std::vector<double> lengths;
    for (const Gap& g : gaps) lengths.push_back(g.length);
    const double med = median(lengths);
    std::printf("presented frames: %d; gap between presents: median %.1f ms, 99th percentile %.1f ms, longest %.1f ms "
                "(%.1f x median); over 0.25 s: %d\n",
                int(gaps.size()), med * 1000, percentile(lengths, 0.99) * 1000,
                lengths.empty() ? 0.0 : *std::max_element(lengths.begin(), lengths.end()) * 1000,
                med > 0 && !lengths.empty() ? *std::max_element(lengths.begin(), lengths.end()) / med : 0.0,
                int(std::count_if(lengths.begin(), lengths.end(), [](double l) { return l > 0.25; })));
    std::vector<Gap> longest = gaps;
    std::sort(longest.begin(), longest.end(), [](const Gap& a, const Gap& b) { return a.length > b.length; });
    longest.resize(std::min<size_t>(longest.size(), 5));
    std::printf("longest gaps:\n");
    for (const Gap& g : longest) {
        std::printf("  %8.1f ms ending %7.2f s after the answer (%.1f ms before Present, %.1f ms in it)",
                    g.length * 1000, g.at, g.before_present * 1000, g.in_present * 1000);
        std::printf("\n");
        if (show)
            std::printf("      its frame %s;\n      the frame before %s\n", describe(g.frame).c_str(),
                        describe(g.before).c_str());
    }
}

void print_frames(const char* what, const std::vector<double>& frames, double med)
{
    if (frames.empty()) {
        std::printf("%s: none\n", what);
        return;
    }
    double sum = 0;
    for (double f : frames) sum += f - med;
    std::printf("%s: %d, median %.1f ms, longest %.1f ms = %.2f x the median frame; beyond the median "
                "frame %.3f s in all\n",
                what, int(frames.size()), median(frames) * 1000,
                *std::max_element(frames.begin(), frames.end()) * 1000,
                med > 0 ? *std::max_element(frames.begin(), frames.end()) / med : 0.0, sum);
}

// Waits until the device has done everything issued so far.
void finish(IDirect3DDevice9* device)
{
    IDirect3DQuery9* query = nullptr;
    if (device->CreateQuery(D3DQUERYTYPE_EVENT, &query) < 0) return;
    query->Issue(D3DISSUE_END);
    while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) Sleep(0);
    query->Release();
}

// All forty techniques drawn for the first time in one scene.
void all_at_once(Slideshow* app)
{
    for (int i = 0; i < 10; ++i) {
        pump_messages();
        app->frame();
    }
    finish(app->gpu.device);
    const double start = seconds_now();
    app->gpu.device->BeginScene();
    set_effect_matrices(&app->gpu, app->scene());
    app->gpu.effect->SetTexture("tex_lens", app->gpu.lens_texture);
    app->gpu.effect->SetTexture("tex_rubik", app->gpu.rubik_texture);
    app->gpu.effect->SetTexture("tex_disp", app->gpu.disp_texture);
    for (int32_t k = 0; k < technique_count; ++k) warm_up_technique(&app->gpu, face_in_view(app->cycle.face), k);
    app->gpu.device->EndScene();
    finish(app->gpu.device);
    const double first = seconds_now() - start;
    // The same again, every technique prepared now.
    const double again_start = seconds_now();
    app->gpu.device->BeginScene();
    for (int32_t k = 0; k < technique_count; ++k) warm_up_technique(&app->gpu, face_in_view(app->cycle.face), k);
    app->gpu.device->EndScene();
    finish(app->gpu.device);
    const double again = seconds_now() - again_start;
    std::printf("forty techniques drawn for the first time in one scene: %.3f s; the same forty again: %.3f s\n",
                first, again);
}

} // namespace

// The sampler state the effect sets, with anisotropic minification made
// linear (the sweep's `linear` control).
VtableHook* sampler_hook = nullptr;
HRESULT WINAPI linear_sampler_state(IDirect3DDevice9* self, DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    if (type == D3DSAMP_MINFILTER && value == D3DTEXF_ANISOTROPIC) value = D3DTEXF_LINEAR;
    using Fn = HRESULT(WINAPI*)(IDirect3DDevice9*, DWORD, D3DSAMPLERSTATETYPE, DWORD);
    return sampler_hook->original<Fn>()(self, sampler, type, value);
}

// The turn's frames one by one: random moments of random turns, each drawn
// and waited for to the end on the device, to tell whether a long frame comes
// with a place of the camera (it then comes back when that place is drawn
// again) or with the moment.
void sweep_turns(Slideshow* app, int count)
{
    // Until a second photo is up and every technique has been drawn once.
    const double until = seconds_now() + 60;
    while (seconds_now() < until && (app->job.loader.loaded_count < 3 || app->cycle.state != WAITING)) {
        pump_messages();
        app->frame();
    }
    IDirect3DQuery9* query = nullptr;
    app->gpu.device->CreateQuery(D3DQUERYTYPE_EVENT, &query);
    struct Place {
        int from;
        float tumble, m, took;
    };
    std::vector<Place> slow;
    std::vector<double> took;
    srand(7);
    auto draw_at = [&](const Place& p) {
        app->cycle.state = ROTATING;
        app->cycle.face = (p.from + 1) % 6;
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        app->clock.time_offset = 0;
        app->clock.perf_start = c.QuadPart - int64_t(double(p.tumble) * double(app->clock.perf_frequency));
        app->cycle.phase_start = p.tumble - p.m;
        const double t0 = seconds_now();
        pump_messages();
        app->frame();
        if (query) {
            query->Issue(D3DISSUE_END);
            while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) Sleep(0);
        }
        return seconds_now() - t0;
    };
    for (int i = 0; i < count; ++i) {
        Place p = {rand() % 6, float(rand() % 10000) / 100.0f, float(rand() % 1000) / 1000.0f, 0};
        p.took = float(draw_at(p));
        took.push_back(p.took);
        if (p.took > 0.25) slow.push_back(p);
    }
    std::printf("%d frames of turns at random places: median %.1f ms, longest %.1f ms, %d over 0.25 s\n", count,
                median(took) * 1e3, *std::max_element(took.begin(), took.end()) * 1e3, int(slow.size()));
    for (const Place& p : slow) {
        double again[2];
        for (double& a : again) a = draw_at(p);
        // The face nearest to edge-on: how far the eye is in front of its plane.
        D3DXMATRIX world, view;
        float eye[3];
        setup_camera(app->scene(), &world, &view, eye);
        int nearest = 0;
        float height = 1e9f;
        for (int k = 0; k < 6; ++k) {
            const float h = (k < 3 ? eye[k] : -eye[k - 3]) - 1.0f;
            if (std::fabs(h) < std::fabs(height)) height = h, nearest = k;
        }
        std::printf("  from face %d, tumble time %.2f s, %.3f s into the turn: %.0f ms; drawn again: %.0f, %.0f ms; "
                    "face %d nearest to edge-on, the eye %.5f in front of its plane\n",
                    p.from, p.tumble, p.m, p.took * 1e3, again[0] * 1e3, again[1] * 1e3, nearest, height);
    }
    if (query) query->Release();
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_smooth FOLDER [SECONDS] [cold] | FOLDER all-at-once | FOLDER bare [SECONDS]\n");
        return 2;
    }
    bool bare = false, cold = false, once = false;
    int turns = 0;
    bool linear = false;
    double seconds = 600;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "bare")) bare = true;
        else if (!std::strcmp(argv[i], "cold")) cold = true;
        else if (!std::strcmp(argv[i], "all-at-once")) once = true;
        else if (!std::strcmp(argv[i], "turns") && i + 1 < argc) turns = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "linear")) linear = true;
        else if (std::atof(argv[i]) > 0) seconds = std::atof(argv[i]);
    }
    double answered = 0;
    Slideshow* app = start_show(argv[1], &answered);
    if (!app) return 1;
    const double started = seconds_now();
    std::printf("start-up: %.3f s from the dialog's answer to the first frame\n", started - answered);
    {
        // The answer on the system clock, to line the gaps up with samples
        // taken outside the program (tools/bench_smooth/bench_threads.py).
        FILETIME ft;
        GetSystemTimePreciseAsFileTime(&ft);
        const double unix_now =
            double((uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) - 116444736000000000ull) / 1e7;
        std::printf("answer at unix time %.3f\n", unix_now - (seconds_now() - answered));
    }
    if (turns > 0) {
        if (linear)
            sampler_hook = new VtableHook(app->gpu.device, slot::SetSamplerState,
                                          reinterpret_cast<void*>(linear_sampler_state));
        std::printf("turns%s\n", linear ? ", anisotropic minification made linear" : "");
        sweep_turns(app, turns);
        delete sampler_hook;
        end_show(app);
        return 0;
    }
    if (once) {
        all_at_once(app);
        end_show(app);
        return 0;
    }
    if (cold) app->cycle.warmed_techniques = technique_count;
    present_hook = new VtableHook(app->gpu.device, slot::Present, reinterpret_cast<void*>(timed_present));

    std::vector<Gap> gaps;
    std::vector<double> warm_up_frames, first_use_frames;
    std::set<std::string> drawn;
    double previous = 0, first_photo = 0;
    Frame last;
    while (seconds_now() - started < seconds) {
        pump_messages();
        Gap g;
        Frame& f = g.frame;
        f.began = app->cycle.state;
        const int32_t warmed = app->cycle.warmed_techniques;
        if (bare) {
            app->gpu.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
            app->gpu.device->Present(nullptr, nullptr, nullptr, nullptr);
        } else {
            app->frame();
        }
        // The end of the frame's Present; a frame that presented nothing (a
        // lost device) ends where frame() returns.
        const double t = present_began > 0 ? present_began + present_took : seconds_now();
        g.in_present = present_took;
        present_began = present_took = 0;
        f.ended = app->cycle.state;
        if (!bare) {
            if (f.began == ROTATING && f.ended == NEXT && first_photo == 0) first_photo = t - answered;
            f.warm_up = app->cycle.warmed_techniques != warmed;
            for (const FaceSlot& slot : app->gpu.faces) f.first_use |= drawn.insert(slot.technique).second;
            f.techniques = std::string(app->gpu.faces[face_in_view(app->cycle.face)].technique) + " / " +
                           app->gpu.faces[app->cycle.face].technique;
        }
        if (previous > 0) {
            g.length = t - previous;
            g.before_present = g.length - g.in_present;
            g.at = t - answered;
            g.before = last;
            gaps.push_back(g);
            // The device's work for a frame ends in the gap after it.
            if (last.warm_up) warm_up_frames.push_back(g.length);
            if (last.first_use) first_use_frames.push_back(g.length);
        }
        previous = t;
        last = f;
    }

    std::printf("%s for %.0f s%s\n", bare ? "bare Clear + Present" : "the show", seconds,
                bare ? "" : cold ? ", without warm-up" : ", with warm-up");
    print_gaps(gaps, !bare);
    if (!bare) {
        std::vector<double> lengths;
        for (const Gap& g : gaps) lengths.push_back(g.length);
        const double med = median(lengths);
        print_frames("gaps after a warm-up frame", warm_up_frames, med);
        print_frames("gaps after a technique's first use in the show", first_use_frames, med);
        std::printf("techniques drawn by the show: %d; first photo on its face %.3f s after the dialog's answer; "
                    "photos loaded: %d\n",
                    int(drawn.size()), first_photo, app->job.loader.loaded_count);
    }
    delete present_hook;
    end_show(app);
    return 0;
}
