#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "library/settings.h"

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
