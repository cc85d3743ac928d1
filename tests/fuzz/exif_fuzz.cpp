// libFuzzer target for the EXIF reader: any head of a file, any TIFF block.
// A date it reads is a day of the calendar.
#include <stddef.h>
#include <stdint.h>

#include "pipeline/exif.h"
#include "pipeline/jpeg_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t n = size > exif_head_size ? exif_head_size : static_cast<uint32_t>(size);
    jpeg_exif_orientation(data, n);
    tiff_orientation(data, n);
    PhotoDate date = tiff_date_taken(data, n);
    if (date.year != 0 && (date.year < 1601 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31))
        __builtin_trap();
    return 0;
}
