// Times the image pipeline under real conditions: a photo handed to the worker
// thread until its done_flag rises, and the main thread's share of the banded
// upload. Prints one line per figure; tools/bench_load.sh adds the libjpeg
// comparison. Usage: bench_load <photo.jpg>...
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/slideshow.h"
#include "support/test_device.h"

namespace {

double seconds_now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = 3;
    TestDevice dev;
    if (!dev.create()) {
        std::printf("no Direct3D device\n");
        return 1;
    }
    Slideshow* show = static_cast<Slideshow*>(create_slideshow());
    show->device = dev.device;
    ImageLoadTask& task = show->loader;
    if (dev.device->CreateTexture(photo_size, photo_size, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &task.staging,
                                  nullptr) < 0 ||
        dev.device->CreateTexture(photo_size, photo_size, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &task.target,
                                  nullptr) < 0) {
        std::printf("no textures\n");
        return 1;
    }
    HANDLE worker = CreateThread(nullptr, 0, worker_thread_entry, show, 0, nullptr);

    for (int i = 1; i < argc; ++i) {
        std::snprintf(task.path, sizeof task.path, "%s", argv[i]);
        D3DXIMAGE_INFO info = {};
        D3DXGetImageInfoFromFileA(task.path, &info);
        std::vector<double> loads, infos;
        for (int r = 0; r < rounds; ++r) {
            double t0 = seconds_now();
            D3DXGetImageInfoFromFileA(task.path, &info);
            infos.push_back(seconds_now() - t0);

            int32_t count = task.loaded_count;
            t0 = seconds_now();
            show->submit_task(&task);
            while (!load_acquire(&task.done_flag)) Sleep(1);
            loads.push_back(seconds_now() - t0);
            if (task.loaded_count != count + 1) std::printf("job did not count\n");
        }
        std::printf("load %s %ux%u submit_to_done_ms median %.1f min %.1f (image_info_ms %.1f)\n", argv[i],
                    info.Width, info.Height, median(loads) * 1e3, *std::min_element(loads.begin(), loads.end()) * 1e3,
                    median(infos) * 1e3);
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
            finished = task.upload_step(dev.device, photo_size);
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

    store_release(&show->quit, true);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    task.staging->Release();
    task.target->Release();
    delete show;
    return 0;
}
