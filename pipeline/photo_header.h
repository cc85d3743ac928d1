// What a photo's file says about itself before any decoder sees it: its
// format from its first bytes, and, where the format's decoder may decode
// the whole picture as it opens the file, the picture's size from the
// format's own header, checked against the pixel budget. Plain code over a
// byte source: no allocation, no platform calls.
#pragma once
#include <stdint.h>

#include "jpeg_header.h"

enum PhotoFormat : int32_t {
    // Starts with a JPEG's start-of-image marker: our own header reader and
    // the imaging component's JPEG decoder by name, no other.
    PHOTO_JPEG = 0,
    // A PNG's signature. Decoders may decode a PNG whole as they open it
    // (Wine's does), before its frame could tell its size: the frame header
    // (IHDR) is checked first.
    PHOTO_PNG = 1,
    // Anything else: the decoder the imaging component picks, its first
    // frame's size checked before any pixel is copied (frame_decodable).
    PHOTO_OTHER = 2,
};

struct PhotoHeader {
    PhotoFormat format;
    // A JPEG's marker chain, its EXIF orientation included; for the other
    // formats as jpeg_read_header leaves it for a file that is not a JPEG.
    JpegHeader jpeg;
    // Whether a decoder may be given the file: a JPEG's complete header, a
    // PNG's frame header, each within the budget; any other file that has
    // bytes. The others are passed over like files that cannot be decoded.
    bool admitted;
};

// Reads the head of the file (and, for a JPEG, its marker chain; `room`
// holds jpeg_segment_room bytes) and decides with `budget`.
void photo_read_header(ByteSource source, uint8_t* room, uint64_t budget, PhotoHeader* header);

// Whether a decoded frame of width x height pixels at bits_per_pixel (0 when
// unknown: taken as 128, the widest format there is) may be decoded: sides
// of 1 to 65535 pixels (a JPEG's limit: decoders multiply a side by the
// bits of a pixel in 32 bits), within `budget` pixels, and the whole frame at
// its own format within 32 bits of bytes.
bool frame_decodable(uint32_t width, uint32_t height, uint32_t bits_per_pixel, uint64_t budget);
