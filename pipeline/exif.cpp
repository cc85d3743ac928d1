#include "exif.h"

namespace {

const int32_t upright = 1;
const uint16_t orientation_tag = 274;
const uint16_t exif_ifd_tag = 34665;
const uint16_t date_taken_tag = 36867;

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

// The byte order of a TIFF header, and whether it is one.
bool tiff_header(const uint8_t* tiff, uint32_t size, ByteOrder* order)
{
    if (!tiff || size < 8) return false;
    if (tiff[0] == 'I' && tiff[1] == 'I') order->big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M') order->big = true;
    else return false;
    return order->u16(tiff + 2) == 42;
}

// The first entry with `tag` of the IFD at offset `ifd`, or null. Entries
// that lie past the end of the data are not looked at.
const uint8_t* find_entry(const uint8_t* tiff, uint32_t size, uint32_t ifd, ByteOrder order, uint16_t tag)
{
    if (ifd > size || size - ifd < 2) return nullptr;
    uint32_t entries = order.u16(tiff + ifd);
    uint32_t room = (size - ifd - 2) / 12;
    if (entries > room) entries = room;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = tiff + ifd + 2 + 12 * i;
        if (order.u16(entry) == tag) return entry;
    }
    return nullptr;
}

bool digits(const uint8_t* p, uint32_t n, uint32_t* value)
{
    *value = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        *value = *value * 10 + (p[i] - '0');
    }
    return true;
}

uint32_t days_in_month(uint32_t year, uint32_t month)
{
    static const uint8_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

int32_t tiff_orientation(const uint8_t* tiff, uint32_t size)
{
    ByteOrder order;
    if (!tiff_header(tiff, size, &order)) return upright;
    const uint8_t* entry = find_entry(tiff, size, order.u32(tiff + 4), order, orientation_tag);
    int32_t value;
    return entry && entry_value(tiff, size, entry, order, &value) ? value : upright;
}

bool exif_date(const uint8_t* text, uint32_t count, PhotoDate* date)
{
    // YYYY:MM:DD, then the end of the text or the time after a blank.
    if (!text || count < 10) return false;
    uint8_t separator = text[4];
    if ((separator != ':' && separator != '-') || text[7] != separator) return false;
    if (count > 10 && text[10] != ' ' && text[10] != 0) return false;
    uint32_t year, month, day;
    if (!digits(text, 4, &year) || !digits(text + 5, 2, &month) || !digits(text + 8, 2, &day)) return false;
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) return false;
    date->year = static_cast<uint16_t>(year);
    date->month = static_cast<uint8_t>(month);
    date->day = static_cast<uint8_t>(day);
    return true;
}

PhotoDate tiff_date_taken(const uint8_t* tiff, uint32_t size)
{
    ByteOrder order;
    if (!tiff_header(tiff, size, &order)) return no_date;
    // The pointer to the Exif IFD: one LONG (or IFD) in the entry itself.
    const uint8_t* pointer = find_entry(tiff, size, order.u32(tiff + 4), order, exif_ifd_tag);
    if (!pointer) return no_date;
    uint16_t type = order.u16(pointer + 2);
    if ((type != 4 && type != 13) || order.u32(pointer + 4) != 1) return no_date;
    const uint8_t* entry = find_entry(tiff, size, order.u32(pointer + 8), order, date_taken_tag);
    if (!entry) return no_date;
    // ASCII as the standard has it; some writers say UNDEFINED.
    type = order.u16(entry + 2);
    uint32_t count = order.u32(entry + 4);
    if (type != 2 && type != 7) return no_date;
    const uint8_t* text = entry + 8;
    if (count > 4) {
        uint32_t offset = order.u32(entry + 8);
        if (offset > size) return no_date;
        // A text cut off by the end of the data is read as far as it goes.
        if (count > size - offset) count = size - offset;
        text = tiff + offset;
    }
    PhotoDate date;
    return exif_date(text, count, &date) ? date : no_date;
}
