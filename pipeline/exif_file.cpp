// Reads the head of the photo's file and takes its EXIF orientation from it.
#include "app/slideshow.h"
#include "exif.h"

void ImageLoadTask::read_exif_orientation()
{
    orientation = 1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    // On the worker's stack: the job runs on that thread only.
    uint8_t head[exif_head_size];
    uint32_t filled = 0;
    // ReadFile may return less than asked before the end of the file.
    while (filled < exif_head_size) {
        DWORD got = 0;
        if (!ReadFile(file, head + filled, exif_head_size - filled, &got, nullptr) || got == 0) break;
        filled += got;
    }
    CloseHandle(file);
    orientation = jpeg_exif_orientation(head, filled);
}
