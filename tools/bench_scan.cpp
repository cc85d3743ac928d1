// Times the photo list on a folder tree: the whole build (two walks and the
// block) and a counting walk alone, best of several runs.
//   bench_scan <folder ending in a backslash> [runs]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/slideshow.h"

namespace {

double seconds_since(LARGE_INTEGER start, LARGE_INTEGER frequency)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strlen(argv[1]) + 1 > static_cast<size_t>(path_size)) {
        std::fprintf(stderr, "usage: bench_scan <folder\\> [runs]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (runs < 1) runs = 1;

    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    double best_build = 1e30, best_count = 1e30;
    int32_t built = 0, counted = 0;
    for (int i = 0; i < runs; ++i) {
        FileList list{};
        QueryPerformanceCounter(&start);
        list.build_file_list(argv[1]);
        double t = seconds_since(start, frequency);
        if (t < best_build) best_build = t;
        built = list.count;
        list.clear_file_list();

        QueryPerformanceCounter(&start);
        list.scan_folder(argv[1]);
        t = seconds_since(start, frequency);
        if (t < best_count) best_count = t;
        counted = list.count;
    }
    std::printf("photos listed: %d (counting walk found %d)\n", built, counted);
    std::printf("build_file_list (two walks): %.3f s\n", best_build);
    std::printf("counting walk alone: %.3f s\n", best_count);
    return built > 0 ? 0 : 1;
}
