#include "jpeg_header.h"

#include "exif.h"

namespace {

bool same_bytes(const uint8_t* p, const char* text, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        if (p[i] != static_cast<uint8_t>(text[i])) return false;
    return true;
}

// SOF0 to SOF15 except DHT (C4), JPG (C8) and DAC (CC): baseline, extended,
// progressive and lossless frames, Huffman or arithmetic coded.
bool is_frame_marker(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

uint32_t MemorySource::read(void* context, uint64_t offset, uint8_t* buffer, uint32_t count)
{
    const MemorySource* m = static_cast<const MemorySource*>(context);
    if (offset >= m->size) return 0;
    uint32_t start = static_cast<uint32_t>(offset);
    uint32_t n = m->size - start < count ? m->size - start : count;
    for (uint32_t i = 0; i < n; ++i) buffer[i] = m->data[start + i];
    return n;
}

void clear_jpeg_header(JpegHeader* header)
{
    header->complete = false;
    header->frame_marker = 0;
    header->width = header->height = header->components = 0;
    header->orientation = 1;
    header->date_taken = no_date;
}

void jpeg_read_header(ByteSource source, uint8_t* room, JpegHeader* header)
{
    clear_jpeg_header(header);
    bool exif_seen = false;

    uint8_t b[16];
    if (source.read(source.context, 0, b, 2) != 2 || b[0] != 0xFF || b[1] != 0xD8) return;
    uint64_t pos = 2;
    for (uint32_t step = 0; step < jpeg_marker_limit; ++step) {
        // A marker is 0xFF and its code; more 0xFF bytes may pad it.
        uint32_t got = source.read(source.context, pos, b, sizeof b);
        if (got < 2 || b[0] != 0xFF) return;
        uint32_t i = 1;
        while (i < got && b[i] == 0xFF) ++i;
        if (i == got) {
            pos += got - 1;  // all padding so far: go on from the last 0xFF
            continue;
        }
        uint8_t marker = b[i];
        pos += i + 1;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length field
        // A second SOI, EOI or a stuffed zero before the scan: the chain is broken.
        if (marker == 0xD8 || marker == 0xD9 || marker == 0x00) return;
        if (marker == 0xDA) {
            header->complete = header->frame_marker != 0;
            return;
        }
        if (source.read(source.context, pos, b, 2) != 2) return;
        uint32_t length = static_cast<uint32_t>(b[0] << 8 | b[1]);
        if (length < 2) return;
        if (is_frame_marker(marker) && header->frame_marker == 0) {
            // P, Y, X, Nf, then three bytes for each component.
            if (length < 8 || source.read(source.context, pos + 2, b, 6) != 6) return;
            uint32_t components = b[5];
            if (components == 0 || length != 8 + 3 * components) return;
            header->frame_marker = marker;
            header->height = static_cast<uint32_t>(b[1] << 8 | b[2]);
            header->width = static_cast<uint32_t>(b[3] << 8 | b[4]);
            header->components = components;
        } else if (marker == 0xE1 && !exif_seen) {
            // A segment cut off by the end of the file is read as far as it goes.
            uint32_t avail = source.read(source.context, pos + 2, room, length - 2);
            if (avail >= 6 && same_bytes(room, "Exif\0\0", 6)) {
                exif_seen = true;
                header->orientation = tiff_orientation(room + 6, avail - 6);
                header->date_taken = tiff_date_taken(room + 6, avail - 6);
            }
        }
        pos += length;
    }
}

bool within_pixel_budget(uint32_t width, uint32_t height, uint64_t budget)
{
    // Both factors below 2^32: the product fits 64 bits.
    return width != 0 && height != 0 && static_cast<uint64_t>(width) * height <= budget;
}

bool jpeg_decodable(const JpegHeader& header, uint64_t budget)
{
    return header.complete && within_pixel_budget(header.width, header.height, budget);
}

int32_t jpeg_exif_orientation(const uint8_t* data, uint32_t size)
{
    if (!data) return 1;
    MemorySource memory{data, size};
    uint8_t room[jpeg_segment_room];
    JpegHeader header;
    jpeg_read_header(memory.source(), room, &header);
    return header.orientation;
}
