// The JPEG file's own header, read before any decoder sees the file: the
// marker chain from SOI to the start of scan, the first frame header's sizes
// and the EXIF orientation and date taken found on the way. Plain code over a byte source:
// no allocation, no platform calls.
#pragma once
#include <stdint.h>

#include "pipeline/exif.h"

// Reads up to `count` bytes at `offset` into `buffer`; returns how many were
// read: fewer at the end of the data, 0 past it or on failure.
struct ByteSource {
    uint32_t (*read)(void* context, uint64_t offset, uint8_t* buffer, uint32_t count);
    void* context;
};

struct JpegHeader {
    // SOI, then an intact chain of marker segments up to the first start of
    // scan, with a frame header (SOFn) before it.
    bool complete;
    uint8_t frame_marker;  // the first SOFn's code (0xC0 to 0xCF), 0 when none was read
    uint32_t width, height, components;
    int32_t orientation;   // from the first EXIF APP1 segment before the scan; 1 without one
    PhotoDate date_taken;  // from the same segment; no_date without one
};

// A header that says nothing yet: incomplete, no frame, upright, no date.
void clear_jpeg_header(JpegHeader* header);

// Room the reader needs for one segment's payload (an APP1 segment holds at
// most 65533 bytes).
const uint32_t jpeg_segment_room = 65536;

// At most this many markers are looked at before the scan; real files have a
// few dozen (ICC profiles split over APP2 segments included).
const uint32_t jpeg_marker_limit = 4096;

// Walks the file from its first byte. `room` holds jpeg_segment_room bytes.
void jpeg_read_header(ByteSource source, uint8_t* room, JpegHeader* header);

// A head of a file this long holds any one EXIF segment (at most 64 KiB); the
// tests and the fuzz target feed heads of this size.
const uint32_t exif_head_size = 65536;

// Orientation code from the bytes of a JPEG file (or its head): the value of
// tag 274 in IFD 0 of the first APP1 "Exif" segment, wherever it lies in the
// marker chain before the start of scan (tiff_orientation, exif.h). 1 when the
// bytes are not a JPEG or there is no EXIF segment before the image data.
// Data cut off anywhere is safe.
int32_t jpeg_exif_orientation(const uint8_t* data, uint32_t size);

// The largest decoded size, in pixels, that a photo may have. A decoder may
// hold the whole decoded photo at once (Wine's does, at 3 bytes a pixel, and
// our format conversion asks for 4), so the budget is set by address space:
// - 64-bit: 2^28 pixels (268 megapixels, 16384 x 16384): a 100- or 150-
//   megapixel medium-format photo shows; the decoded copy stays under 1 GiB.
// - 32-bit: 2^26 pixels (67 megapixels): the decoded copy stays under 256 MiB,
//   an eighth of the 2 GiB a 32-bit process has, which leaves ample room for
//   the device, the modules and a fragmented heap. Larger photos are passed
//   over there like files that cannot be decoded.
// The budget also bounds the shorter side to 16384, which the filter needs.
const uint64_t pixel_budget_64 = 1ull << 28;
const uint64_t pixel_budget_32 = 1ull << 26;
const uint64_t pixel_budget = sizeof(void*) >= 8 ? pixel_budget_64 : pixel_budget_32;

// Whether width x height pixels (any 32-bit sides) fit `budget`; zero sides never do.
bool within_pixel_budget(uint32_t width, uint32_t height, uint64_t budget);

// Whether a decoder may be given the file: a complete header with non-zero
// sides that fit `budget`.
bool jpeg_decodable(const JpegHeader& header, uint64_t budget);

// A byte source over memory.
struct MemorySource {
    const uint8_t* data;
    uint32_t size;
    static uint32_t read(void* context, uint64_t offset, uint8_t* buffer, uint32_t count);
    ByteSource source() { return ByteSource{&MemorySource::read, this}; }
};
