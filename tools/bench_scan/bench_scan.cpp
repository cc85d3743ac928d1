// Times the photo list on a folder tree: the whole build (the walk and its
// block), the same on its own thread with its progress counted as start-up
// runs it, and, for comparison, the system's listing of the same tree alone
// (the same calls, nothing stored), best of several runs each.
//   bench_scan <folder ending in a backslash> [runs]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/slideshow.h"
#include "library/photo_paths.h"

namespace {

double seconds_since(LARGE_INTEGER start, LARGE_INTEGER frequency)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Lists the tree the way the scan does and only counts the photos.
int list_only(const std::string& folder)
{
    WIN32_FIND_DATAA item;
    item.dwReserved0 = 0;
    HANDLE search = FindFirstFileExA((folder + "*.*").c_str(), FindExInfoBasic, &item, FindExSearchNameMatch, nullptr,
                                     2 /* FIND_FIRST_EX_LARGE_FETCH */);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int photos = 0;
    do {
        if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!is_dot_entry(item.cFileName) && is_walked_folder(item.dwFileAttributes, item.dwReserved0))
                photos += list_only(folder + item.cFileName + "\\");
        } else if (is_photo_name(item.cFileName)) {
            ++photos;
        }
        item.dwReserved0 = 0;
    } while (FindNextFileA(search, &item));
    FindClose(search);
    return photos;
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
    double best_build = 1e30, best_listing = 1e30, best_threaded = 1e30;
    int32_t built = 0;
    int listed = 0;
    for (int i = 0; i < runs; ++i) {
        FileList list{};
        QueryPerformanceCounter(&start);
        list.build_file_list(argv[1]);
        double t = seconds_since(start, frequency);
        if (t < best_build) best_build = t;
        built = list.entries ? list.count : 0;
        list.clear_file_list();

        FolderScan scan{};
        QueryPerformanceCounter(&start);
        if (start_scan(&scan, &list, argv[1])) {
            scan_ended(&scan, INFINITE);
            t = seconds_since(start, frequency);
            if (t < best_threaded) best_threaded = t;
        }
        list.clear_file_list();

        QueryPerformanceCounter(&start);
        listed = list_only(argv[1]);
        t = seconds_since(start, frequency);
        if (t < best_listing) best_listing = t;
    }
    std::printf("photos listed: %d\n", built);
    std::printf("build_file_list: %.3f s\n", best_build);
    std::printf("scan on its own thread with progress: %.3f s\n", best_threaded);
    std::printf("the system's listing alone: %.3f s (%d photos)\n", best_listing, listed);
    return built > 0 ? 0 : 1;
}
