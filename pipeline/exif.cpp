#include "exif.h"

namespace {

const int32_t upright = 1;
const uint16_t orientation_tag = 274;

struct ByteOrder {
    bool big;
    uint16_t u16(const uint8_t* p) const
    {
        return big ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
    }
    uint32_t u32(const uint8_t* p) const
    {
        return big ? static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                         static_cast<uint32_t>(p[2]) << 8 | p[3]
                   : static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                         static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
};

// Bytes per value of the TIFF field types; 0 for types we cannot size.
uint32_t type_size(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;    // BYTE ASCII SBYTE UNDEFINED
    case 3: case 8: return 2;                    // SHORT SSHORT
    case 4: case 9: case 11: case 13: return 4;  // LONG SLONG FLOAT IFD
    case 5: case 10: case 12: return 8;          // RATIONAL SRATIONAL DOUBLE
    default: return 0;
    }
}

// Reads the first value of an orientation entry (12 bytes at `entry`) as a
// 16-bit number. Writers that use SHORT are read exactly; BYTE and LONG
// variants are narrowed. Returns false when the value lies outside the data.
bool entry_value(const uint8_t* tiff, uint32_t size, const uint8_t* entry, ByteOrder order, int32_t* value)
{
    uint16_t type = order.u16(entry + 2);
    uint32_t count = order.u32(entry + 4);
    uint32_t unit = type_size(type);
    if (count == 0 || unit == 0 || unit > 4) return false;
    const uint8_t* p = entry + 8;
    // Values longer than four bytes live at an offset from the TIFF header.
    if (count > 4 / unit) {
        uint32_t offset = order.u32(entry + 8);
        if (offset > size || size - offset < unit) return false;
        p = tiff + offset;
    }
    switch (unit) {
    case 1: *value = p[0]; break;
    case 2: *value = order.u16(p); break;
    default: *value = static_cast<uint16_t>(order.u32(p)); break;
    }
    return true;
}

} // namespace

int32_t tiff_orientation(const uint8_t* tiff, uint32_t size)
{
    if (!tiff || size < 8) return upright;
    ByteOrder order;
    if (tiff[0] == 'I' && tiff[1] == 'I') order.big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M') order.big = true;
    else return upright;
    if (order.u16(tiff + 2) != 42) return upright;
    uint32_t ifd = order.u32(tiff + 4);
    if (ifd > size || size - ifd < 2) return upright;
    uint32_t entries = order.u16(tiff + ifd);
    // Entries that lie past the end of the data are not looked at.
    uint32_t room = (size - ifd - 2) / 12;
    if (entries > room) entries = room;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = tiff + ifd + 2 + 12 * i;
        if (order.u16(entry) != orientation_tag) continue;
        int32_t value;
        return entry_value(tiff, size, entry, order, &value) ? value : upright;
    }
    return upright;
}
