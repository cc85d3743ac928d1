// Builds the head of a JPEG file byte by byte for the EXIF reader's tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TiffEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;  // inline value (left-justified as TIFF stores it) or offset
};

class JpegBytes {
public:
    std::vector<uint8_t> bytes{0xFF, 0xD8};

    JpegBytes& segment(uint8_t marker, const std::vector<uint8_t>& payload)
    {
        size_t length = payload.size() + 2;
        bytes.insert(bytes.end(), {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return *this;
    }
    JpegBytes& jfif()
    {
        return segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    }
    JpegBytes& xmp()
    {
        std::string ns = "http://ns.adobe.com/xap/1.0/";
        std::vector<uint8_t> p(ns.begin(), ns.end());
        p.push_back(0);
        // The packet mentions Exif on purpose: only the header decides.
        static const char body_text[] = "<x:xmpmeta>Exif\0\0MM tiff:Orientation=6</x:xmpmeta>";
        std::string body(body_text, sizeof body_text - 1);
        p.insert(p.end(), body.begin(), body.end());
        return segment(0xE1, p);
    }
    JpegBytes& exif(const std::vector<uint8_t>& tiff)
    {
        std::vector<uint8_t> p{'E', 'x', 'i', 'f', 0, 0};
        p.insert(p.end(), tiff.begin(), tiff.end());
        return segment(0xE1, p);
    }
    // A frame header (SOFn) of the given kind, sizes and component count.
    JpegBytes& frame(uint8_t marker, uint16_t width, uint16_t height, uint8_t components = 3)
    {
        std::vector<uint8_t> p{8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width),
                               components};
        for (uint8_t c = 0; c < components; ++c) p.insert(p.end(), {uint8_t(c + 1), 0x11, 0});
        return segment(marker, p);
    }
    // Start of scan and a little entropy-coded data: metadata ends here.
    JpegBytes& scan()
    {
        segment(0xDA, {1, 1, 0, 0, 63, 0});
        bytes.insert(bytes.end(), {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
        return *this;
    }
};

// A TIFF block with IFD 0 at offset 8 holding `entries`, then `extra` bytes
// (reachable by offsets from 8 + 2 + 12n + 4 on).
inline std::vector<uint8_t> tiff_block(bool big, const std::vector<TiffEntry>& entries,
                                       const std::vector<uint8_t>& extra = {}, uint32_t next_ifd = 0)
{
    std::vector<uint8_t> t;
    auto u16 = [&](uint32_t v) {
        if (big) t.insert(t.end(), {uint8_t(v >> 8), uint8_t(v)});
        else t.insert(t.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    auto u32 = [&](uint32_t v) {
        if (big) t.insert(t.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
        else t.insert(t.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    };
    t.push_back(big ? 'M' : 'I');
    t.push_back(big ? 'M' : 'I');
    u16(42);
    u32(8);
    u16(uint32_t(entries.size()));
    for (const TiffEntry& e : entries) {
        u16(e.tag);
        u16(e.type);
        u32(e.count);
        if (e.type == 3 && e.count == 1) {
            u16(e.value);  // a SHORT sits in the first two bytes of the field
            u16(0);
        } else {
            u32(e.value);
        }
    }
    u32(next_ifd);
    t.insert(t.end(), extra.begin(), extra.end());
    return t;
}

// The offset within the TIFF block at which `extra` begins.
inline uint32_t tiff_extra_offset(size_t entry_count) { return uint32_t(8 + 2 + 12 * entry_count + 4); }

// A camera-like IFD 0: make, orientation, resolution, with the given code.
inline std::vector<TiffEntry> camera_ifd(uint16_t orientation)
{
    return {{271, 2, 4, 0x41424300}, {274, 3, 1, orientation}, {282, 5, 1, 0}, {296, 3, 1, 2}};
}
