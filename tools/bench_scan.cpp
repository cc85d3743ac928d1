// Times the photo list on a folder tree: the whole build (the walk and its
// block), best of several runs.
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
    double best_build = 1e30;
    int32_t built = 0;
    for (int i = 0; i < runs; ++i) {
        FileList list{};
        QueryPerformanceCounter(&start);
        list.build_file_list(argv[1]);
        double t = seconds_since(start, frequency);
        if (t < best_build) best_build = t;
        built = list.entries ? list.count : 0;
        list.clear_file_list();
    }
    std::printf("photos listed: %d\n", built);
    std::printf("build_file_list: %.3f s\n", best_build);
    return built > 0 ? 0 : 1;
}
