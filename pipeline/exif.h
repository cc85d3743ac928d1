// EXIF Orientation (TIFF tag 274) from the TIFF structure an EXIF segment
// holds. Plain code over a byte range: no allocation, no platform calls. The
// JPEG header reader (jpeg_header.h) finds the segment.
#pragma once
#include <stdint.h>

// The 16-bit value of tag 274 in IFD 0 of a TIFF structure (byte-order mark,
// 42, IFD 0 offset), as it follows the "Exif\0\0" header inside APP1,
// returned unchanged (0 and codes above 8 included); 1 when the tag is
// missing or unreadable. Every offset is checked against `size`.
int32_t tiff_orientation(const uint8_t* tiff, uint32_t size);
