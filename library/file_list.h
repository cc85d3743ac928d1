// The list of photos below the chosen folder (library/scan.cpp): one heap
// block of path slots, each a full path of path_size bytes.
#pragma once
#include <stdint.h>

#include "app/support.h"

// How far a walk has come, and whether it is to end early: shared by a scan's
// thread and the main thread (atomic: release store, acquire load).
struct ScanProgress {
    int32_t found;  // photos found so far
    bool stop;      // set by the main thread: the walk ends at its next item
};

struct FileList {
    char* entries;   // capacity slots of path_size bytes, the first count in use
    int32_t count;
    // Slots in entries; the block grows as the walk finds photos.
    int32_t capacity;

    // Fills the list from the folder tree below folder (ending with a
    // backslash), depth first in the order the file system lists each folder.
    // A block that cannot grow leaves entries null and count above 0. With
    // progress, the count goes there as photos are found, and a stop ends the
    // walk with the list cleared.
    void build_file_list(const char* folder, ScanProgress* progress = nullptr);
    // Appends the photos of folder and, recursively, of its subfolders. False
    // when the block could not grow (entries is then null and count above 0)
    // or progress asked the walk to stop.
    bool scan_folder(const char* folder, ScanProgress* progress = nullptr);
    void clear_file_list();

    // Entry i, 0 <= i < count.
    const char* entry(int32_t i) const { return entries + static_cast<uint32_t>(i) * path_size; }
};

// A build of the list on a thread of its own, so that the window stays alive
// while a large or slow tree is walked (library/scan.cpp). The main thread
// keeps off the list until the walk has ended.
struct FolderScan {
    FileList* list;
    const char* folder;  // the caller's, unchanged until the walk ends
    void* thread;        // null when no walk runs
    ScanProgress progress;
};

// Starts the build of *list from folder; false, with nothing started, when the
// thread cannot be created.
bool start_scan(FolderScan* scan, FileList* list, const char* folder);
// Waits up to ms for the walk to end; true once it has (the thread is gone).
bool scan_ended(FolderScan* scan, uint32_t ms);
// Photos found so far.
int32_t scan_found(const FolderScan& scan);
// Ends a walk that still runs, at its next item, and waits for its thread;
// the list is then empty, or complete when the walk was just ending.
// Nothing when no walk runs.
void stop_scan(FolderScan* scan);
