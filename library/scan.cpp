// The list of photos below the chosen folder: one walk to count them, one
// block of exactly that many path slots, a second walk to fill it.
#include "app/slideshow.h"
#include "library/photo_paths.h"

static_assert(path_bytes == static_cast<uint32_t>(path_size), "one path size for the list and the record");

void FileList::scan_folder(const char* folder)
{
    char pattern[path_size];
    if (!join_path(pattern, folder, "*.*")) return;

    WIN32_FIND_DATAA item;
    HANDLE search = FindFirstFileA(pattern, &item);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (is_dot_entry(item.cFileName)) continue;
            // A folder whose path does not fit is passed over with everything
            // below it; this also ends any loop of linked folders.
            char sub[path_size];
            if (join_path(sub, folder, item.cFileName, "\\")) scan_folder(sub);
        } else if (is_jpeg_name(item.cFileName)) {
            if (entries) {
                // The tree may have grown since the counting walk.
                if (count >= capacity) continue;
                char* slot = entries + static_cast<uint32_t>(count) * path_bytes;
                if (join_path(slot, folder, item.cFileName)) ++count;
            } else {
                char path[path_size];
                if (join_path(path, folder, item.cFileName)) ++count;
            }
        }
    } while (FindNextFileA(search, &item));
    FindClose(search);
}

void FileList::build_file_list(const char* folder)
{
    clear_file_list();
    scan_folder(folder);
    if (count == 0) return;

    // A list that needs more than 32 bits of bytes is refused here rather than
    // left to the heap: a 64-bit heap might grant the saturated size.
    uint32_t bytes = file_list_bytes(count);
    if (bytes == 0xFFFFFFFFu) return;
    char* block = static_cast<char*>(mem_alloc_array(bytes));
    // No block: entries stays null with count above 0, which start-up reports.
    if (!block) return;

    entries = block;
    capacity = count;
    count = 0;
    scan_folder(folder);
    if (count == 0) clear_file_list();
}

void FileList::clear_file_list()
{
    if (entries) {
        mem_free_array(entries);
        entries = nullptr;
    }
    count = 0;
    capacity = 0;
}
