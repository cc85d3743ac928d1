// What the show keeps between runs, under HKEY_CURRENT_USER\Software\orbisca,
// and the rules for the values stored there, as plain code.
#pragma once
#include <stdint.h>

#include "app/support.h"
#include "library/file_list.h"

struct Settings {
    // "folder": the photo folder, ending with a backslash; empty before the
    // first choice.
    char folder[path_size];
    // "file": the index of the photo before the one to show first; -1 starts
    // at the first photo.
    int32_t file_index;
    // "path": the photo to show first, as a path relative to folder; empty
    // when none is known. Photos added or removed elsewhere in the folder
    // move its place in the list, not the photo the show starts with.
    char path[path_size];
};

// Reads the stored values into settings (Windows only). A value that is
// missing or not the program's leaves its field as it was; the key is
// created when it does not exist.
void read_settings(Settings* settings);
// Writes both values (Windows only); failures are passed over.
void write_settings(const Settings& settings);

// Takes a stored folder value of size bytes into folder (path_size bytes)
// when it holds a terminated text that fits; false leaves folder alone. The
// photo's path is taken by the same rule.
bool folder_from_value(const char* value, uint32_t size, char* folder);

// The list index of the stored photo: the entry that is settings.folder
// followed by settings.path, byte for byte; -1 when the list holds none.
int32_t stored_photo_index(const FileList& files, const Settings& settings);

// Where the show starts in a list of `count` photos: just before the stored
// photo when the list holds it (photo_index, from stored_photo_index), else
// the stored position, at most the last index.
int32_t resume_position(int32_t photo_index, int32_t file_index, int32_t count);

// Writes the path of `entry` relative to `folder` into path (path_size
// bytes); false, leaving path alone, when the entry does not lie below folder.
bool relative_photo_path(const char* entry, const char* folder, char* path);

// The position to resume at for a stored value: never below -1.
int32_t resume_index(int32_t stored);

// The value to store for the position reached. Once a photo was requested the
// index goes one back, so that the next run requests the same photo first; a
// run that requested none keeps the position it started with.
int32_t index_to_store(int32_t file_index, bool photo_requested);
