// The list of photos below the chosen folder (library/scan.cpp): one heap
// block of path slots, each a full path of path_size bytes.
#pragma once
#include <stdint.h>

#include "app/support.h"

struct FileList {
    char* entries;   // capacity slots of path_size bytes, the first count in use
    int32_t count;
    // Slots in entries; the block grows as the walk finds photos.
    int32_t capacity;

    // Fills the list from the folder tree below folder (ending with a
    // backslash), depth first in the order the file system lists each folder.
    // A block that cannot grow leaves entries null and count above 0.
    void build_file_list(const char* folder);
    // Appends the photos of folder and, recursively, of its subfolders. False
    // when the block could not grow: entries is then null and count above 0.
    bool scan_folder(const char* folder);
    void clear_file_list();

    // Entry i, 0 <= i < count.
    const char* entry(int32_t i) const { return entries + static_cast<uint32_t>(i) * path_size; }
};
