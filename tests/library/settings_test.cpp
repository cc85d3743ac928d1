#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "library/settings.h"
#include "slideshow/play_order.h"

TEST(StoredFolder, OnlyATerminatedTextThatFits)
{
    char folder[path_size];
    std::strcpy(folder, "keep");

    const char good[] = "C:\\photos\\";
    ASSERT_TRUE(folder_from_value(good, sizeof(good), folder));
    EXPECT_STREQ(good, folder);

    // Bytes after the terminator do not matter.
    const char tail[] = "D:\\x\\\0garbage";
    ASSERT_TRUE(folder_from_value(tail, sizeof(tail), folder));
    EXPECT_STREQ("D:\\x\\", folder);

    std::strcpy(folder, "keep");
    const char open[] = {'C', ':', '\\', 'a'};
    EXPECT_FALSE(folder_from_value(open, sizeof(open), folder));
    // The terminator lies beyond the value's size: still not terminated.
    EXPECT_FALSE(folder_from_value("C:\\a", 4, folder));
    EXPECT_FALSE(folder_from_value("", 0, folder));
    EXPECT_STREQ("keep", folder);

    std::string longest(259, 'x');
    ASSERT_TRUE(folder_from_value(longest.c_str(), 260, folder));
    EXPECT_EQ(longest, folder);

    std::strcpy(folder, "keep");
    std::string too_long(260, 'y');
    EXPECT_FALSE(folder_from_value(too_long.c_str(), 261, folder));
    EXPECT_STREQ("keep", folder);
}

TEST(StoredPosition, ResumeNeverBelowMinusOne)
{
    EXPECT_EQ(-1, resume_index(-1));
    EXPECT_EQ(-1, resume_index(-2));
    EXPECT_EQ(-1, resume_index(INT32_MIN));
    EXPECT_EQ(0, resume_index(0));
    EXPECT_EQ(6, resume_index(6));
}

TEST(StoredPosition, OneBackOnlyAfterAPhotoWasRequested)
{
    EXPECT_EQ(6, index_to_store(7, true));
    EXPECT_EQ(-1, index_to_store(0, true));
    EXPECT_EQ(-1, index_to_store(-1, true));
    EXPECT_EQ(-1, index_to_store(INT32_MIN, true));
    EXPECT_EQ(INT32_MAX - 1, index_to_store(INT32_MAX, true));

    EXPECT_EQ(7, index_to_store(7, false));
    EXPECT_EQ(0, index_to_store(0, false));
    EXPECT_EQ(-1, index_to_store(-1, false));
    EXPECT_EQ(-1, index_to_store(-9, false));
}

namespace {

// A list as the scan leaves it: the given paths in one block of slots.
struct ListOf {
    std::vector<char> block;
    FileList list{};
    explicit ListOf(std::initializer_list<const char*> paths) : block(paths.size() * path_size, '#')
    {
        for (const char* p : paths) std::strcpy(block.data() + list.count++ * path_size, p);
        list.entries = paths.size() ? block.data() : nullptr;
        list.capacity = list.count;
    }
};

Settings stored(const char* folder, const char* value, int32_t file_index = -1)
{
    Settings s;
    std::strcpy(s.folder, folder);
    s.file_index = file_index;
    s.path[0] = 0;
    // Through the same rule as a value read from the registry.
    folder_from_value(value, uint32_t(std::strlen(value) + 1), s.path);
    return s;
}

} // namespace

TEST(ResumeByPhoto, TheStoredPhotoWhereverItNowStands)
{
    // A run ends with sub\b.png on its way; three photos come before it.
    ListOf before{"C:\\p\\a.jpg", "C:\\p\\sub\\b.png", "C:\\p\\c.jpg"};
    Settings s = stored("C:\\p\\", "");
    ASSERT_TRUE(relative_photo_path(before.list.entry(1), s.folder, s.path));
    EXPECT_STREQ("sub\\b.png", s.path);
    s.file_index = 0;
    ListOf after{"C:\\p\\a.jpg", "C:\\p\\new1.jpg", "C:\\p\\sub\\0.heic", "C:\\p\\sub\\a.tif", "C:\\p\\sub\\b.png",
                 "C:\\p\\c.jpg"};
    int32_t photo = stored_photo_index(after.list, s);
    EXPECT_EQ(4, photo);
    EXPECT_EQ(3, resume_place(PlayOrder{after.list.count, false}, s.file_index, photo, false, 0, 0).position);

    // Removed: the stored position as before, at most the last photo.
    ListOf gone{"C:\\p\\a.jpg", "C:\\p\\c.jpg"};
    EXPECT_EQ(-1, stored_photo_index(gone.list, s));
    auto in_two = [](int32_t photo, int32_t file) {
        return resume_place(PlayOrder{2, false}, file, photo, false, 0, 0).position;
    };
    EXPECT_EQ(0, in_two(-1, 0));
    EXPECT_EQ(1, in_two(-1, 7));
    EXPECT_EQ(-1, in_two(-1, -1));
    // The first photo: the show starts before the list.
    EXPECT_EQ(-1, resume_place(PlayOrder{6, false}, 5, 0, false, 0, 0).position);
    // Another folder holds no photo of this one's, even with the same names.
    ListOf other{"D:\\p\\a.jpg", "D:\\p\\sub\\b.png"};
    Settings moved = s;
    std::strcpy(moved.folder, "D:\\p\\");
    EXPECT_EQ(1, stored_photo_index(other.list, moved));
    EXPECT_EQ(-1, stored_photo_index(other.list, s));
}

TEST(ResumeByPhoto, StoredPathsThatNameNoPhotoOfTheList)
{
    ListOf list{"C:\\p\\a.jpg", "C:\\p\\sub\\b.png", "C:\\p\\c.jpg"};
    for (const char* value : {"", "A.JPG", "sub", "sub\\", "b.png", "c.jpg\\", "..\\p\\a.jpg", "C:\\p\\a.jpg",
                              "\\a.jpg", "sub\\b.png.bak"})
        EXPECT_EQ(-1, stored_photo_index(list.list, stored("C:\\p\\", value))) << value;
    EXPECT_EQ(-1, stored_photo_index(ListOf{}.list, stored("C:\\p\\", "a.jpg")));
    EXPECT_EQ(-1, stored_photo_index(list.list, stored("", "C:\\p\\a.jpg")));
    // A value that is not a text that fits leaves the path empty.
    std::string too_long(300, 'x');
    Settings s = stored("C:\\p\\", too_long.c_str());
    EXPECT_STREQ("", s.path);
    // A photo outside the folder has no path relative to it.
    char path[path_size] = "kept";
    for (auto [entry, folder] : {std::pair{"D:\\q\\a.jpg", "C:\\p\\"}, {"C:\\p\\", "C:\\p\\"}, {"C:\\p\\a.jpg", ""}})
        EXPECT_FALSE(relative_photo_path(entry, folder, path)) << entry;
    EXPECT_STREQ("kept", path);
}

TEST(StoredNumbers, AnythingButANumberInRangeReadsAsTheFallback)
{
    const uint32_t dword = stored_type_dword;
    auto number = [&](uint32_t bits) { return StoredValue{true, dword, 4, bits}; };
    for (int32_t n : {4, 5, 120}) EXPECT_EQ(setting_from_value(number(uint32_t(n)), seconds_range), n);
    for (int32_t n : {0, 1, 2, 3}) EXPECT_EQ(setting_from_value(number(uint32_t(n)), caption_range), n);
    EXPECT_EQ(setting_from_value(number(1), order_range), ORDER_SHUFFLE);
    // Missing, text, binary, big-endian, another size, out of range (also as a
    // signed number): the fallback. Only a four-byte DWORD is a seed.
    const StoredValue bad[] = {{false, 0, 0, 10}, {true, 1, 3, 0x3031}, {true, 3, 4, 1}, {true, 5, 4, 1},
                               {true, dword, 2, 1}, number(121), number(0xFFFFFFFFu), number(0x80000001u)};
    uint32_t seed = 0;
    for (const StoredValue& v : bad) {
        EXPECT_EQ(setting_from_value(v, seconds_range), 5) << v.type << " " << v.bits;
        EXPECT_EQ(setting_from_value(v, order_range), ORDER_FOLDER) << v.type << " " << v.bits;
        EXPECT_EQ(setting_from_value(v, caption_range), CAPTION_NONE) << v.type << " " << v.bits;
        EXPECT_EQ(stored_number(v, &seed), v.type == dword && v.size == 4 && v.read) << v.type;
    }
    for (uint32_t n : {0u, 3u}) EXPECT_EQ(setting_from_value(number(n), seconds_range), 5);
    EXPECT_EQ(setting_from_value(number(4), caption_range), CAPTION_NONE);
}

TEST(StoredNumbers, SecondsTypedIntoTheDialog)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"4", 4},   {"120", 120}, {" 10 ", 10}, {"007", 7}, {"3", 0},  {"121", 0},  {"0120", 0},
        {"", 0},    {" ", 0},     {"1 0", 0},   {"-5", 0},  {"+5", 0}, {"4.5", 0},  {"99999999999", 0}};
    for (const auto& [text, want] : cases) {
        int32_t seconds = -1;
        EXPECT_EQ(seconds_from_text(text, &seconds), want != 0) << '"' << text << '"';
        EXPECT_EQ(seconds, want ? want : -1) << '"' << text << '"';
    }
}
