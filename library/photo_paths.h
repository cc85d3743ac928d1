// Paths of the photo list in their fixed buffers, as plain code: which names
// are photos, which folders the walk enters, how a folder and a name are
// joined, and the size of the list's block.
#pragma once
#include <stdint.h>

#include "app/support.h"

// A photo's file name: one of the extensions of the still-image formats the
// imaging component reads (.jpg .jpeg .jpe .jfif .png .bmp .gif .tif .tiff
// .webp .heic .heif), in any letter case, after at least one character.
bool is_photo_name(const char* name);

// "." and "..", the entries a directory listing gives for itself and its parent.
bool is_dot_entry(const char* name);

// Writes a + b + c into out (path_size bytes) when the result fits with its
// terminator and returns true; otherwise returns false and leaves out alone.
bool join_path(char* out, const char* a, const char* b, const char* c = "");

// Bytes for count list entries of path_size each; 0xFFFFFFFF when the product
// does not fit in 32 bits.
uint32_t file_list_bytes(int32_t count);

// Slots of the list's block once it grows from capacity slots: four times as
// many (each move copies the whole list; fewer moves cost less than a tail of
// unused slots, which is given back at the end), at least 32, at most as many
// as fit in 32 bits of bytes. capacity itself when the block cannot grow.
int32_t grown_capacity(int32_t capacity);

// Bits of a listed item's attributes, and of a reparse point's tag, as the
// system defines them.
const uint32_t attribute_hidden = 0x2;
const uint32_t attribute_system = 0x4;
const uint32_t attribute_reparse_point = 0x400;
const uint32_t reparse_tag_name_surrogate = 0x20000000;

// Whether the walk goes into a folder it meets, from the folder's attributes
// and reparse tag (0 when it has none). Folders that are hidden and system at
// once are the system's own ($RECYCLE.BIN, System Volume Information) and are
// passed over. So are links to other folders (junctions, symbolic links,
// mounted volumes: tags that stand for another name), which can lead back up
// the tree, and reparse points without a tag, as Wine reports symbolic links.
// Other reparse points (cloud placeholders, deduplicated folders) are ordinary
// folders to the walk.
bool is_walked_folder(uint32_t attributes, uint32_t reparse_tag);
