// Times the image pipeline under real conditions. For each photo: handed to
// the worker thread until its done_flag rises (while the main thread keeps
// drawing frames and watches the process's private memory), the job alone on
// a thread of its own (the worker's own share), and the imaging component
// alone decoding the whole photo to 32-bit BGR. Then the main thread's share
// of the banded upload. Prints one line per figure; tools/bench.sh load adds
// the libjpeg comparison and, for photos of the other formats, the ratio of
// each one's load to the JPEG's. Usage: bench_load <photo>...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/atomic.h"
#include "app/slideshow.h"

#include <psapi.h>
#include <wincodec.h>

#include "pipeline/decode.h"
#include "support/test_device.h"
#include "tools/common/bench_clock.h"

namespace {

double mean(const std::vector<double>& v)
{
    double s = 0;
    for (double x : v) s += x;
    return v.empty() ? 0 : s / double(v.size());
}

double private_mib()
{
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return double(c.PagefileUsage) / (1024.0 * 1024.0);
}

double thread_cpu_seconds()
{
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    auto s = [](FILETIME f) { return double(uint64_t(f.dwHighDateTime) << 32 | f.dwLowDateTime) * 1e-7; };
    return s(kernel) + s(user);
}

// Runs `f` on a new thread that has initialised COM, as the worker has; its
// wall time and CPU time in seconds. The machine may be shared: the CPU time
// is the steadier figure.
struct Timing {
    double wall, cpu;
};
template <class F> Timing on_com_thread(F f)
{
    struct Call {
        F* f;
        Timing t;
        static DWORD WINAPI entry(LPVOID p)
        {
            Call* c = static_cast<Call*>(p);
            CoInitialize(nullptr);
            double c0 = thread_cpu_seconds(), t0 = seconds_now();
            (*c->f)();
            c->t.wall = seconds_now() - t0;
            c->t.cpu = thread_cpu_seconds() - c0;
            return 0;
        }
    } call{&f, {0, 0}};
    HANDLE t = CreateThread(nullptr, 0, &Call::entry, &call, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    return call.t;
}

// The imaging component alone: the whole photo decoded and converted to 32-bit
// BGR into `pixels`, which the caller has sized and touched beforehand (its
// page faults are not the codec's).
void wic_decode(const char* path, std::vector<uint8_t>& pixels)
{
    IWICImagingFactory* factory = nullptr;
    if (CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&factory)) < 0)
        return;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT w = 0, h = 0;
    if (factory->CreateDecoderFromFilename(wide, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder) >=
            0 &&
        decoder->GetFrame(0, &frame) >= 0 && factory->CreateFormatConverter(&converter) >= 0 &&
        converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                              WICBitmapPaletteTypeCustom) >= 0 &&
        converter->GetSize(&w, &h) >= 0 && size_t(w) * h * 4 <= pixels.size()) {
        converter->CopyPixels(nullptr, w * 4, UINT(size_t(w) * h * 4), pixels.data());
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    factory->Release();
}

// The photo's size as the imaging component's first frame gives it.
bool frame_size(const char* path, UINT* w, UINT* h)
{
    *w = *h = 0;
    IWICImagingFactory* factory = nullptr;
    if (CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&factory)) < 0)
        return false;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    bool ok = factory->CreateDecoderFromFilename(wide, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                 &decoder) >= 0 &&
              decoder->GetFrame(0, &frame) >= 0 && frame->GetSize(w, h) >= 0;
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    factory->Release();
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    // BENCH_ROUNDS=n for more rounds on a busy machine.
    const char* rounds_text = std::getenv("BENCH_ROUNDS");
    const int rounds = rounds_text && std::atoi(rounds_text) > 0 ? std::atoi(rounds_text) : 3;
    TestDevice dev;
    if (!dev.create()) {
        std::printf("no Direct3D device\n");
        return 1;
    }
    Slideshow* show = create_slideshow();
    show->gpu.device = dev.device;
    ImageLoadTask& task = show->job.loader;
    if (dev.device->CreateTexture(photo_size_min, photo_size_min, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &task.staging,
                                  nullptr) < 0 ||
        dev.device->CreateTexture(photo_size_min, photo_size_min, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &task.target,
                                  nullptr) < 0) {
        std::printf("no textures\n");
        return 1;
    }
    HANDLE worker = CreateThread(nullptr, 0, worker_thread_entry, &show->job, 0, nullptr);

    // One frame of the main thread: clear and present through the shared
    // device, after the previous frame is done, as the program's frames do.
    IDirect3DQuery9* frame_query = nullptr;
    dev.device->CreateQuery(D3DQUERYTYPE_EVENT, &frame_query);
    auto frame = [&] {
        if (frame_query) wait_for_query(frame_query);
        dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
        dev.device->BeginScene();
        dev.device->EndScene();
        dev.device->Present(nullptr, nullptr, nullptr, nullptr);
        if (frame_query) frame_query->Issue(D3DISSUE_END);
    };

    CoInitialize(nullptr);
    for (int i = 1; i < argc; ++i) {
        std::snprintf(task.path, sizeof task.path, "%s", argv[i]);
        PhotoHeader header;
        read_photo_header(task.path, &header);
        UINT width = 0, height = 0;
        if (!frame_size(task.path, &width, &height)) {
            std::printf("load %s unreadable: no installed codec reads it\n", argv[i]);
        }
        bool decoded = false;
        std::vector<double> loads, runs, wics, run_cpu, wic_cpu, idle_frames, busy_frames;
        double header_cpu = 0, decode_cpu = 0, mips_cpu = 0, decode_wall = 0, mips_wall = 0;
        double peak_mib = 0;
        for (int r = 0; r < rounds; ++r) {
            // Frames while the worker idles, then while it loads the photo;
            // each frame timed by itself, the memory read between frames.
            for (int f = 0; f < 100; ++f) {
                double t = seconds_now();
                frame();
                idle_frames.push_back(seconds_now() - t);
            }
            int32_t count = task.loaded_count;
            double base_mib = private_mib();
            double t0 = seconds_now();
            submit_task(&show->job, &task);
            double next_sample = t0;
            while (!load_acquire(&task.done_flag)) {
                double t = seconds_now();
                frame();
                double n = seconds_now();
                // Only frames while the job may be running (after the poll).
                if (load_acquire(&show->job.pending_task) == nullptr) busy_frames.push_back(n - t);
                // Reading the counters costs a file read under Wine: every 5 ms.
                if (n >= next_sample) {
                    peak_mib = std::max(peak_mib, private_mib() - base_mib);
                    next_sample = n + 0.005;
                }
            }
            loads.push_back(seconds_now() - t0);
            if (task.loaded_count != count + 1) std::printf("job did not count\n");

            Timing job = on_com_thread([&] { task.run(dev.device); });
            std::vector<uint8_t> pixels(size_t(width) * height * 4, 1);
            Timing wic = on_com_thread([&] { wic_decode(task.path, pixels); });
            runs.push_back(job.wall), run_cpu.push_back(job.cpu);
            wics.push_back(wic.wall), wic_cpu.push_back(wic.cpu);
            // The job's parts one by one.
            header_cpu += on_com_thread([&] {
                              PhotoHeader h;
                              for (int k = 0; k < 10; ++k) read_photo_header(task.path, &h);
                          }).cpu / 10;
            Timing decode = on_com_thread([&] {
                int32_t orientation = 1;
                LockedChain chain;
                chain.count = 0;
                decoded = header.admitted && lock_chain(task.staging, &chain) &&
                          decode_file(task.path, chain, header.format, &orientation);
                unlock_chain(&chain);
            });
            Timing mips = on_com_thread([&] {
                for (int k = 0; k < 10; ++k) {
                    LockedChain chain;
                    if (!lock_chain(task.staging, &chain)) return;
                    build_mips(chain);
                    unlock_chain(&chain);
                }
            });
            decode_cpu += decode.cpu, decode_wall += decode.wall;
            mips_cpu += mips.cpu / 10, mips_wall += mips.wall / 10;
        }
        double run_ms = median(runs) * 1e3, wic_ms = median(wics) * 1e3;
        double frame_median = median(idle_frames) * 1e3;
        double frame_max = busy_frames.empty() ? 0 : *std::max_element(busy_frames.begin(), busy_frames.end()) * 1e3;
        std::printf("load %s %ux%u submit_to_done_ms median %.1f min %.1f worker_ms median %.1f wic_decode_ms median "
                    "%.1f worker_over_wic %.2f (cpu_ms worker %.0f wic %.0f ratio %.2f) peak_private_mib %.1f frame_max_ms %.2f "
                    "frame_median_ms %.2f frame_ratio %.2f decoded %s\n",
                    argv[i], width, height, median(loads) * 1e3,
                    *std::min_element(loads.begin(), loads.end()) * 1e3, run_ms, wic_ms, run_ms / wic_ms,
                    median(run_cpu) * 1e3, median(wic_cpu) * 1e3, median(run_cpu) / median(wic_cpu), peak_mib,
                    frame_max, frame_median, frame_median > 0 ? frame_max / frame_median : 0.0, decoded ? "yes" : "no");
        std::printf("  parts of the job, mean over %d rounds: header cpu_ms %.2f; decode_filter_mips cpu_ms %.1f wall_ms "
                    "%.1f; mips cpu_ms %.2f wall_ms %.2f; whole job cpu_ms %.1f, imaging component alone cpu_ms %.1f\n",
                    rounds, header_cpu / rounds * 1e3, decode_cpu / rounds * 1e3, decode_wall / rounds * 1e3,
                    mips_cpu / rounds * 1e3, mips_wall / rounds * 1e3, mean(run_cpu) * 1e3, mean(wic_cpu) * 1e3);
        std::fflush(stdout);
    }

    // Control: the longest frame while another thread only computes, touching
    // neither the device nor the imaging component. On a shared machine the
    // longest frame mostly measures the scheduler; this shows how much.
    {
        volatile bool stop = false;
        auto spin = [](LPVOID p) -> DWORD {
            uint32_t x = 1;
            while (!*static_cast<volatile bool*>(p)) x = x * 1664525u + 1013904223u;
            return x & 1;
        };
        HANDLE busy = CreateThread(nullptr, 0, spin, const_cast<bool*>(&stop), 0, nullptr);
        std::vector<double> frames;
        double end = seconds_now() + 1.0;
        while (seconds_now() < end) {
            double t = seconds_now();
            frame();
            frames.push_back(seconds_now() - t);
            private_mib();
        }
        stop = true;
        WaitForSingleObject(busy, INFINITE);
        CloseHandle(busy);
        std::printf("control: while a thread only computes for 1 s, frame_max_ms %.2f frame_median_ms %.2f\n",
                    *std::max_element(frames.begin(), frames.end()) * 1e3, median(frames) * 1e3);
    }
    // Control: the longest frame while the imaging component alone decodes
    // the last photo on another thread (no device calls there at all).
    if (argc > 1) {
        struct Decode {
            const char* path;
            volatile bool done;
            static DWORD WINAPI entry(LPVOID p)
            {
                Decode* d = static_cast<Decode*>(p);
                CoInitialize(nullptr);
                UINT width = 0, height = 0;
                frame_size(d->path, &width, &height);
                std::vector<uint8_t> pixels(size_t(width) * height * 4, 1);
                wic_decode(d->path, pixels);
                d->done = true;
                return 0;
            }
        };
        std::vector<double> frames;
        for (int r = 0; r < rounds; ++r) {
            Decode d{argv[argc - 1], false};
            HANDLE t = CreateThread(nullptr, 0, &Decode::entry, &d, 0, nullptr);
            while (!d.done) {
                double t0 = seconds_now();
                frame();
                frames.push_back(seconds_now() - t0);
                private_mib();
            }
            WaitForSingleObject(t, INFINITE);
            CloseHandle(t);
        }
        std::printf("control: while the imaging component alone decodes %s, frame_max_ms %.2f frame_median_ms %.2f\n",
                    argv[argc - 1], *std::max_element(frames.begin(), frames.end()) * 1e3, median(frames) * 1e3);
    }

    // The main thread's cost of one upload call, per level, over a few uploads:
    // the call alone (the device may queue the copy), and the call followed by
    // waiting for the device to finish it.
    auto wait_idle = [&] {
        IDirect3DQuery9* query = nullptr;
        if (dev.device->CreateQuery(D3DQUERYTYPE_EVENT, &query) >= 0) {
            query->Issue(D3DISSUE_END);
            while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) Sleep(0);
            query->Release();
        }
    };
    std::vector<double> per_level[3], finished_level[3];
    for (int r = 0; r < 2 * rounds; ++r) {
        bool wait = r >= rounds;
        task.upload_level = 0;
        task.upload_row = 0;
        bool finished = false;
        while (!finished) {
            int32_t level = task.upload_level;
            double t0 = seconds_now();
            finished = task.upload_step(dev.device, photo_size_min);
            if (wait) wait_idle();
            double t = seconds_now() - t0;
            if (level < 3) (wait ? finished_level : per_level)[level].push_back(t);
        }
        wait_idle();
    }
    for (int l = 0; l < 3; ++l) {
        auto& v = per_level[l];
        auto& w = finished_level[l];
        std::printf("upload_step level %d calls %zu median_us %.1f max_us %.1f; until the copy is done median_us %.1f "
                    "max_us %.1f\n",
                    l, v.size() / rounds, median(v) * 1e6, *std::max_element(v.begin(), v.end()) * 1e6,
                    median(w) * 1e6, *std::max_element(w.begin(), w.end()) * 1e6);
    }

    store_release(&show->job.quit, true);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    if (frame_query) frame_query->Release();
    task.staging->Release();
    task.target->Release();
    delete show;
    return 0;
}
