// The header of the photo's file, read through the file itself before any
// decoder sees it.
#include <windows.h>

#include "pipeline/decode.h"

namespace {

uint32_t read_at(void* context, uint64_t offset, uint8_t* buffer, uint32_t count)
{
    HANDLE file = static_cast<HANDLE>(context);
    uint32_t filled = 0;
    // ReadFile may return less than asked before the end of the file.
    while (filled < count) {
        OVERLAPPED at = {};
        uint64_t o = offset + filled;
        at.Offset = static_cast<DWORD>(o);
        at.OffsetHigh = static_cast<DWORD>(o >> 32);
        DWORD got = 0;
        if (!ReadFile(file, buffer + filled, count - filled, &got, &at) || got == 0) break;
        filled += got;
    }
    return filled;
}

} // namespace

bool read_file_header(const char* path, JpegHeader* header)
{
    clear_jpeg_header(header);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // On the worker's stack: the job runs on that thread only.
    uint8_t room[jpeg_segment_room];
    jpeg_read_header(ByteSource{&read_at, file}, room, header);
    CloseHandle(file);
    return true;
}
