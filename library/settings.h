// The folder and the position in its list, kept between runs under
// HKEY_CURRENT_USER\Software\orbisca (Slideshow::load_settings and
// save_settings), and the rules for the values stored there, as plain code.
#pragma once
#include <stdint.h>

#include "library/photo_paths.h"

// Takes a stored folder value of size bytes into folder (path_bytes bytes)
// when it holds a terminated text that fits; false leaves folder alone.
bool folder_from_value(const char* value, uint32_t size, char* folder);

// The position to resume at for a stored value: never below -1.
int32_t resume_index(int32_t stored);

// The value to store for the position reached. Once a photo was requested the
// index goes one back, so that the next run requests the same photo first; a
// run that requested none keeps the position it started with.
int32_t index_to_store(int32_t file_index, bool photo_requested);
