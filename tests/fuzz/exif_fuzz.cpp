// libFuzzer target for the EXIF reader: any head of a file, any TIFF block.
#include <stddef.h>
#include <stdint.h>

#include "pipeline/exif.h"
#include "pipeline/jpeg_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t n = size > exif_head_size ? exif_head_size : static_cast<uint32_t>(size);
    jpeg_exif_orientation(data, n);
    tiff_orientation(data, n);
    return 0;
}
