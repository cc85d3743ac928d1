// EXIF Orientation (TIFF tag 274) and the date a photo was taken from the
// TIFF structure an EXIF segment holds. Plain code over a byte range: no
// allocation, no platform calls. The JPEG header reader (jpeg_header.h) finds
// the segment.
#pragma once
#include <stdint.h>

// The 16-bit value of tag 274 in IFD 0 of a TIFF structure (byte-order mark,
// 42, IFD 0 offset), as it follows the "Exif\0\0" header inside APP1,
// returned unchanged (0 and codes above 8 included); 1 when the tag is
// missing or unreadable. Every offset is checked against `size`.
int32_t tiff_orientation(const uint8_t* tiff, uint32_t size);

// A calendar day; year 0 for none.
struct PhotoDate {
    uint16_t year;
    uint8_t month, day;
};
const PhotoDate no_date = {0, 0, 0};

// The day of an EXIF date-and-time text, "YYYY:MM:DD HH:MM:SS" (`count`
// bytes as stored). Only the day is read: the time may be blank. Dashes
// instead of colons are taken too. Blanks, zeros, a day the calendar does not
// have or a year before 1601 (the system's calendar starts there) give false.
bool exif_date(const uint8_t* text, uint32_t count, PhotoDate* date);

// DateTimeOriginal (tag 36867) of the Exif IFD that tag 34665 of IFD 0
// points to, in a TIFF structure as tiff_orientation takes it; no_date when
// the tags are missing or unreadable. Every offset is checked against `size`.
PhotoDate tiff_date_taken(const uint8_t* tiff, uint32_t size);
