// The list of photos below the chosen folder: one walk over the tree, depth
// first in the order the file system lists each folder, into one block of path
// slots that grows as photos are found.
#include <windows.h>

#include "app/atomic.h"
#include "library/file_list.h"
#include "library/photo_paths.h"

#ifndef FIND_FIRST_EX_LARGE_FETCH
#define FIND_FIRST_EX_LARGE_FETCH 2
#endif

namespace {

// Starts a folder's listing at the cheapest level the system offers: no short
// names, large batches. Systems before Windows 7 refuse that level and get the
// plain listing.
HANDLE find_first(const char* pattern, WIN32_FIND_DATAA* item)
{
    HANDLE search = FindFirstFileExA(pattern, FindExInfoBasic, item, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        search = FindFirstFileA(pattern, item);
    return search;
}

// Stores folder + name as the next entry, growing the block when it is full.
// A path that does not fit is passed over. False when the block cannot grow:
// the list is then given up, and the count without entries tells start-up.
bool append(FileList& list, const char* folder, const char* name)
{
    // A list once given up stays so until it is cleared.
    if (list.count > list.capacity) return false;
    if (list.count == list.capacity) {
        int32_t slots = grown_capacity(list.capacity);
        void* block = nullptr;
        if (slots != list.capacity)
            block = list.entries ? mem_resize_array(list.entries, file_list_bytes(slots))
                                 : mem_alloc_array(file_list_bytes(slots));
        if (!block) {
            if (list.entries) mem_free_array(list.entries);
            list.entries = nullptr;
            list.capacity = 0;
            ++list.count;
            return false;
        }
        list.entries = static_cast<char*>(block);
        list.capacity = slots;
    }
    char* slot = list.entries + static_cast<uint32_t>(list.count) * path_size;
    if (join_path(slot, folder, name)) ++list.count;
    return true;
}

} // namespace

bool FileList::scan_folder(const char* folder, ScanProgress* progress)
{
    char pattern[path_size];
    if (!join_path(pattern, folder, "*.*")) return true;

    // The reparse tag is cleared before each item: Wine leaves the field as it
    // was, and a stale tag must not pass for this item's.
    WIN32_FIND_DATAA item;
    item.dwReserved0 = 0;
    HANDLE search = find_first(pattern, &item);
    // A folder that cannot be listed contributes nothing.
    if (search == INVALID_HANDLE_VALUE) return true;
    bool room = true;
    do {
        if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A folder whose path does not fit is passed over with everything below it.
            char sub[path_size];
            if (!is_dot_entry(item.cFileName) && is_walked_folder(item.dwFileAttributes, item.dwReserved0) &&
                join_path(sub, folder, item.cFileName, "\\"))
                room = scan_folder(sub, progress);
        } else if (is_photo_name(item.cFileName)) {
            room = append(*this, folder, item.cFileName);
            if (progress) store_release(&progress->found, count);
        }
        if (progress && load_acquire(&progress->stop)) room = false;
        item.dwReserved0 = 0;
    } while (room && FindNextFileA(search, &item));
    FindClose(search);
    return room;
}

void FileList::build_file_list(const char* folder, ScanProgress* progress)
{
    clear_file_list();
    if (!scan_folder(folder, progress)) {
        // A walk that was stopped leaves nothing behind.
        if (progress && load_acquire(&progress->stop)) clear_file_list();
        return;
    }
    if (count == 0) {
        clear_file_list();
        return;
    }
    // Give back the slots the walk did not need.
    if (count < capacity) {
        void* block = mem_resize_array(entries, file_list_bytes(count));
        if (block) {
            entries = static_cast<char*>(block);
            capacity = count;
        }
    }
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

namespace {

DWORD WINAPI scan_thread(LPVOID data)
{
    FolderScan* scan = static_cast<FolderScan*>(data);
    scan->list->build_file_list(scan->folder, &scan->progress);
    return 0;
}

} // namespace

bool start_scan(FolderScan* scan, FileList* list, const char* folder)
{
    scan->list = list;
    scan->folder = folder;
    scan->progress.found = 0;
    scan->progress.stop = false;
    scan->thread = CreateThread(nullptr, 0, scan_thread, scan, 0, nullptr);
    return scan->thread != nullptr;
}

bool scan_ended(FolderScan* scan, uint32_t ms)
{
    if (!scan->thread) return true;
    if (WaitForSingleObject(scan->thread, ms) != WAIT_OBJECT_0) return false;
    CloseHandle(scan->thread);
    scan->thread = nullptr;
    return true;
}

int32_t scan_found(const FolderScan& scan) { return load_acquire(&scan.progress.found); }

void stop_scan(FolderScan* scan)
{
    if (!scan->thread) return;
    store_release(&scan->progress.stop, true);
    scan_ended(scan, INFINITE);
}
