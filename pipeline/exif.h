// EXIF Orientation (TIFF tag 274) of a JPEG, read from the bytes of the file's
// head. Plain code over a byte range: no allocation, no platform calls.
#pragma once
#include <stdint.h>

// A head of a file this long holds any one EXIF segment (at most 64 KiB); the
// tests and the fuzz target feed heads of this size.
const uint32_t exif_head_size = 65536;

// Orientation code from the bytes of a JPEG file (or its head): the 16-bit
// value of tag 274 in IFD 0 of the first APP1 "Exif" segment, wherever it
// lies in the marker chain before the start of scan, returned unchanged (0
// and codes above 8 included). 1 when the bytes are not a JPEG, there is no
// EXIF segment before the image data, or the tag is missing or unreadable.
// Every offset is checked against `size`, so data cut off anywhere is safe.
// The file reader walks the same chain (jpeg_header.h).
int32_t jpeg_exif_orientation(const uint8_t* data, uint32_t size);

// The same for a TIFF structure (byte-order mark, 42, IFD 0 offset), as it
// follows the "Exif\0\0" header inside APP1.
int32_t tiff_orientation(const uint8_t* tiff, uint32_t size);
