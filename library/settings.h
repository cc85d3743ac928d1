// What the show keeps between runs, under HKEY_CURRENT_USER\Software\orbisca,
// and the rules for the values stored there, as plain code.
#pragma once
#include <stdint.h>

#include "app/support.h"

struct Settings {
    // "folder": the photo folder, ending with a backslash; empty before the
    // first choice.
    char folder[path_size];
    // "file": the index of the photo before the one to show first; -1 starts
    // at the first photo.
    int32_t file_index;
};

// Reads the stored values into settings (Windows only). A value that is
// missing or not the program's leaves its field as it was; the key is
// created when it does not exist.
void read_settings(Settings* settings);
// Writes both values (Windows only); failures are passed over.
void write_settings(const Settings& settings);

// Takes a stored folder value of size bytes into folder (path_size bytes)
// when it holds a terminated text that fits; false leaves folder alone.
bool folder_from_value(const char* value, uint32_t size, char* folder);

// The position to resume at for a stored value: never below -1.
int32_t resume_index(int32_t stored);

// The value to store for the position reached. Once a photo was requested the
// index goes one back, so that the next run requests the same photo first; a
// run that requested none keeps the position it started with.
int32_t index_to_store(int32_t file_index, bool photo_requested);
