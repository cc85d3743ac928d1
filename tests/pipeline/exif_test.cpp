#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "jpeg_bytes.h"
#include "pipeline/exif.h"
#include "pipeline/jpeg_header.h"

namespace {

// Parses a copy in a block of exactly the given size, so that the address
// sanitizer sees any read past the end.
int32_t parse(const std::vector<uint8_t>& bytes, size_t size)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), bytes.data(), size);
    return jpeg_exif_orientation(copy.get(), uint32_t(size));
}
int32_t parse(const std::vector<uint8_t>& bytes) { return parse(bytes, bytes.size()); }

TEST(ExifOrientation, EveryCodeInBothByteOrdersIsReturnedUnchanged)
{
    for (bool big : {false, true}) {
        for (uint32_t code : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 300u, 0xFFFFu}) {
            JpegBytes j;
            j.jfif().exif(tiff_block(big, camera_ifd(uint16_t(code)))).scan();
            EXPECT_EQ(parse(j.bytes), int32_t(code)) << "big-endian " << big << " code " << code;
        }
    }
}

TEST(ExifOrientation, SegmentsBeforeExifAreSkipped)
{
    JpegBytes j;
    j.jfif().xmp().segment(0xE2, std::vector<uint8_t>(300, 0xAB)).segment(0xDB, std::vector<uint8_t>(65, 0));
    j.exif(tiff_block(true, camera_ifd(8))).scan();
    EXPECT_EQ(parse(j.bytes), 8);

    // Fill bytes before a marker are allowed.
    JpegBytes padded;
    padded.bytes.insert(padded.bytes.end(), {0xFF, 0xFF});
    padded.exif(tiff_block(false, camera_ifd(3)));
    EXPECT_EQ(parse(padded.bytes), 3);
}

TEST(ExifOrientation, MissingOrMisplacedDataGivesUpright)
{
    JpegBytes no_app1;
    no_app1.jfif().segment(0xDB, std::vector<uint8_t>(65, 1)).scan();
    EXPECT_EQ(parse(no_app1.bytes), 1);

    JpegBytes only_xmp;
    only_xmp.jfif().xmp().scan();
    EXPECT_EQ(parse(only_xmp.bytes), 1);

    // Orientation after the start of scan belongs to no header.
    JpegBytes after_scan;
    after_scan.jfif().scan().exif(tiff_block(false, camera_ifd(6)));
    EXPECT_EQ(parse(after_scan.bytes), 1);

    JpegBytes no_tag;
    no_tag.exif(tiff_block(false, {{271, 2, 4, 0x41424300}, {296, 3, 1, 2}})).scan();
    EXPECT_EQ(parse(no_tag.bytes), 1);

    // The tag in IFD 1 (the thumbnail's) is not the photo's.
    std::vector<uint8_t> ifd1 = {1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
    JpegBytes thumb_only;
    thumb_only.exif(tiff_block(false, {{296, 3, 1, 2}}, ifd1, tiff_extra_offset(1))).scan();
    EXPECT_EQ(parse(thumb_only.bytes), 1);

    // Not a JPEG at all: a bare TIFF, text, nothing.
    std::vector<uint8_t> tiff = tiff_block(false, camera_ifd(6));
    EXPECT_EQ(parse(tiff), 1);
    std::string text = "just some text, not a photo";
    EXPECT_EQ(parse(std::vector<uint8_t>(text.begin(), text.end())), 1);
    EXPECT_EQ(jpeg_exif_orientation(nullptr, 0), 1);
    EXPECT_EQ(tiff_orientation(nullptr, 100), 1);

    // A header that is not exactly "Exif\0\0", and a broken TIFF header.
    JpegBytes wrong_header;
    std::vector<uint8_t> payload{'E', 'x', 'i', 'f', 0};
    wrong_header.segment(0xE1, payload).scan();
    EXPECT_EQ(parse(wrong_header.bytes), 1);
    std::vector<uint8_t> bad_magic = tiff_block(false, camera_ifd(6));
    bad_magic[2] = 43;
    JpegBytes j;
    j.exif(bad_magic).scan();
    EXPECT_EQ(parse(j.bytes), 1);
}

TEST(ExifOrientation, ValueTypesAndOffsets)
{
    // SHORT with more than two values: the values live at an offset.
    std::vector<uint8_t> values{0, 5, 0, 1, 0, 1};
    JpegBytes at_offset;
    at_offset.exif(tiff_block(true, {{274, 3, 3, tiff_extra_offset(1)}}, values)).scan();
    EXPECT_EQ(parse(at_offset.bytes), 5);

    // ... and an offset that points outside the segment.
    JpegBytes bad_offset;
    bad_offset.exif(tiff_block(true, {{274, 3, 3, 0xFFFFFFF0u}})).scan();
    EXPECT_EQ(parse(bad_offset.bytes), 1);

    // Writers that use LONG or BYTE are narrowed to 16 bits.
    JpegBytes as_long;
    as_long.exif(tiff_block(true, {{274, 4, 1, 7}})).scan();
    EXPECT_EQ(parse(as_long.bytes), 7);
    JpegBytes as_byte;
    as_byte.exif(tiff_block(true, {{274, 1, 1, 4u << 24}})).scan();
    EXPECT_EQ(parse(as_byte.bytes), 4);

    // No value, or a type of unknown size.
    JpegBytes empty;
    empty.exif(tiff_block(false, {{274, 3, 0, 6}})).scan();
    EXPECT_EQ(parse(empty.bytes), 1);
    JpegBytes odd_type;
    odd_type.exif(tiff_block(false, {{274, 99, 1, 6}})).scan();
    EXPECT_EQ(parse(odd_type.bytes), 1);

    // An IFD 0 offset past the end, and an entry count far beyond the data.
    std::vector<uint8_t> far = tiff_block(false, camera_ifd(6));
    far[4] = 0xF0;
    far[7] = 0x7F;
    JpegBytes far_ifd;
    far_ifd.exif(far).scan();
    EXPECT_EQ(parse(far_ifd.bytes), 1);
    std::vector<uint8_t> many = tiff_block(false, {{296, 3, 1, 2}});
    many[8] = 0xFF;
    many[9] = 0xFF;
    JpegBytes many_entries;
    many_entries.exif(many);  // no scan: the count runs to the end of the bytes
    EXPECT_EQ(parse(many_entries.bytes), 1);
}

TEST(ExifOrientation, EveryCutOfTheHeadIsSafe)
{
    for (bool big : {false, true}) {
        JpegBytes j;
        j.jfif().xmp().exif(tiff_block(big, camera_ifd(6), {0, 6, 0, 0})).scan();
        // The value becomes readable once its entry is wholly inside the bytes
        // read; before that the answer is 1, never anything else.
        size_t first_seen = 0;
        for (size_t n = 0; n <= j.bytes.size(); ++n) {
            int32_t got = parse(j.bytes, n);
            ASSERT_TRUE(got == 1 || got == 6) << n;
            if (got == 6 && !first_seen) first_seen = n;
            if (first_seen) EXPECT_EQ(got, 6) << n;
        }
        EXPECT_GT(first_seen, 0u);
    }

    // Segment lengths that point past the end or are too small.
    JpegBytes long_segment;
    long_segment.segment(0xE0, std::vector<uint8_t>(10, 0));
    long_segment.bytes[4] = 0xFF;
    long_segment.bytes[5] = 0xFF;
    EXPECT_EQ(parse(long_segment.bytes), 1);
    JpegBytes short_segment;
    short_segment.segment(0xE0, {});
    short_segment.bytes[5] = 1;
    EXPECT_EQ(parse(short_segment.bytes), 1);
}

} // namespace

namespace {

// A TIFF block whose IFD 0 (orientation 6) points to an Exif IFD that holds
// DateTimeOriginal as `text`, stored after it, with the given type and count
// (the text's length when -1), behind a pointer of the given type.
std::vector<uint8_t> dated_tiff(const std::string& text, uint16_t type = 2, int64_t count = -1,
                                uint16_t pointer_type = 4, bool big = false)
{
    const uint32_t exif_ifd = tiff_extra_offset(2), text_at = exif_ifd + 2 + 12 + 4;
    std::vector<uint8_t> exif = tiff_block(big, {{36867, type, uint32_t(count < 0 ? text.size() : count), text_at}});
    std::vector<uint8_t> extra(exif.begin() + 8, exif.end());  // its IFD without the header
    extra.insert(extra.end(), text.begin(), text.end());
    return tiff_block(big, {{274, 3, 1, 6}, {34665, pointer_type, 1, exif_ifd}}, extra);
}

// The date read from the first `size` bytes, in a block of exactly that size.
std::string date_of(const std::vector<uint8_t>& tiff, size_t size)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size + 1]);
    std::memcpy(copy.get(), tiff.data(), size);
    PhotoDate d = tiff_date_taken(copy.get(), uint32_t(size));
    char b[16];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", d.year, d.month, d.day);
    return d.year ? b : "none";
}
std::string date_of(const std::vector<uint8_t>& tiff) { return date_of(tiff, tiff.size()); }

const std::string stamp("2019:02:28 17:45:03\0", 20);

} // namespace

TEST(ExifDate, DateTimeOriginalOfTheExifIfd)
{
    for (bool big : {false, true}) {
        std::vector<uint8_t> tiff = dated_tiff(stamp, 2, -1, 4, big);
        EXPECT_EQ(date_of(tiff), "2019-02-28");
        EXPECT_EQ(tiff_orientation(tiff.data(), uint32_t(tiff.size())), 6);
        JpegBytes j;
        j.jfif().exif(tiff).scan();
        MemorySource memory{j.bytes.data(), uint32_t(j.bytes.size())};
        static uint8_t room[jpeg_segment_room];
        JpegHeader header;
        jpeg_read_header(memory.source(), room, &header);
        EXPECT_EQ(header.date_taken.year * 10000 + header.date_taken.month * 100 + header.date_taken.day, 20190228);
    }
    // Cut short anywhere: a date only once its day is there.
    std::vector<uint8_t> whole = dated_tiff(stamp);
    for (size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_EQ(date_of(whole, cut), cut >= whole.size() - 10 ? "2019-02-28" : "none") << cut;
}

TEST(ExifDate, BrokenFieldsGiveNoDate)
{
    const std::pair<const char*, const char*> texts[] = {
        {"2024:02:29 00:00:00", "2024-02-29"}, {"2000:02:29 00:00:00", "2000-02-29"},
        {"1601:01:01 00:00:00", "1601-01-01"}, {"2015:06:07    :  :  ", "2015-06-07"},
        {"2015-06-07 10:11:12", "2015-06-07"}, {"2015:06:07", "2015-06-07"},
        {"1900:02:29 00:00:00", "none"},       {"2023:04:31 00:00:00", "none"},
        {"2023:13:01 00:00:00", "none"},       {"2023:00:10 00:00:00", "none"},
        {"2023:01:00 00:00:00", "none"},       {"0000:00:00 00:00:00", "none"},
        {"    :  :     :  :  ", "none"},       {"1600:12:31 23:59:59", "none"},
        {"2015:06-07 10:11:12", "none"},       {"2015/06/07 10:11:12", "none"},
        {"2015:6:7 10:11:12", "none"},         {"2015:06:07T10:11:12", "none"},
        {"2015:06:0", "none"},                 {"", "none"},
    };
    for (const auto& t : texts) EXPECT_EQ(date_of(dated_tiff(t.first + std::string(1, 0))), t.second) << t.first;
    // UNDEFINED is taken, a count past the data read as far as it goes; a
    // number, a short count or a pointer of another type give nothing, and
    // so does an Exif IFD that is IFD 0 itself.
    EXPECT_EQ(date_of(dated_tiff(stamp, 7)), "2019-02-28");
    EXPECT_EQ(date_of(dated_tiff(stamp, 2, 0x7FFFFFFF)), "2019-02-28");
    for (const auto& tiff : {dated_tiff(stamp, 3), dated_tiff(stamp, 2, 4), dated_tiff(stamp, 2, -1, 3),
                             tiff_block(false, {{34665, 4, 1, 8}})})
        EXPECT_EQ(date_of(tiff), "none");
}
