// Paths of the photo list in their fixed buffers, as plain code: which names
// are photos, how a folder and a name are joined, and the bytes of the list's
// block.
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
