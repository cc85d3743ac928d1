// Rules of the photo library that need no platform: which names are photos,
// how paths are joined within their fixed buffers, the size of the list's
// block and how the remembered position is read and stored.
#pragma once
#include <stdint.h>

// Bytes of a path buffer, terminator included (the system's MAX_PATH).
const uint32_t path_bytes = 260;

// A photo's file name: longer than four characters, ending in ".jpg" in any
// letter case.
bool is_jpeg_name(const char* name);

// "." and "..", the entries a directory listing gives for itself and its parent.
bool is_dot_entry(const char* name);

// Writes a + b + c into out (path_bytes bytes) when the result fits with its
// terminator and returns true; otherwise returns false and leaves out alone.
bool join_path(char* out, const char* a, const char* b, const char* c = "");

// Bytes for count list entries of path_bytes each; 0xFFFFFFFF when the product
// does not fit in 32 bits.
uint32_t file_list_bytes(int32_t count);

// Takes a stored folder value of size bytes into folder (path_bytes bytes)
// when it holds a terminated text that fits; false leaves folder alone.
bool folder_from_value(const char* value, uint32_t size, char* folder);

// The position to resume at for a stored value: never below -1.
int32_t resume_index(int32_t stored);

// The value to store for the position reached. Once a photo was requested the
// index goes one back, so that the next run requests the same photo first; a
// run that requested none keeps the position it started with.
int32_t index_to_store(int32_t file_index, bool photo_requested);
