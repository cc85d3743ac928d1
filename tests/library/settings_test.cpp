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
    const uint32_t dword = stored_type_dword, text = 1, binary = 3, big_endian = 5;
    auto number = [&](uint32_t bits) { return StoredValue{true, dword, 4, bits}; };
    for (int32_t n : {4, 5, 120}) EXPECT_EQ(setting_from_value(number(uint32_t(n)), seconds_range), n);
    for (int32_t n : {0, 1}) EXPECT_EQ(setting_from_value(number(uint32_t(n)), order_range), n);
    for (int32_t n : {0, 1, 2, 3}) EXPECT_EQ(setting_from_value(number(uint32_t(n)), caption_range), n);

    // Missing, another type, another size, out of range (also as a signed number).
    const StoredValue bad[] = {
        {false, 0, 0, 10},   {true, text, 3, 0x3031}, {true, binary, 4, 10}, {true, big_endian, 4, 10},
        {true, dword, 2, 10}, {true, dword, 0, 10},   number(3),             number(121),
        number(0),            number(0xFFFFFFFFu),    number(0x80000004u),
    };
    for (const StoredValue& v : bad) EXPECT_EQ(setting_from_value(v, seconds_range), 5) << v.type << " " << v.bits;
    EXPECT_EQ(setting_from_value({true, binary, 4, 1}, order_range), ORDER_FOLDER);
    EXPECT_EQ(setting_from_value({true, dword, 2, 2}, caption_range), CAPTION_NONE);
    for (uint32_t bits : {2u, 4u, 0xFFFFFFFFu}) EXPECT_EQ(setting_from_value(number(bits), order_range), ORDER_FOLDER);
    for (uint32_t bits : {4u, 7u, 0xFFFFFFFFu}) EXPECT_EQ(setting_from_value(number(bits), caption_range), CAPTION_NONE);

    // Any four-byte number is a seed; nothing else is.
    uint32_t seed = 0;
    EXPECT_TRUE(stored_number(number(0xFFFFFFFFu), &seed));
    EXPECT_EQ(seed, 0xFFFFFFFFu);
    EXPECT_FALSE(stored_number({true, binary, 4, 7}, &seed));
    EXPECT_FALSE(stored_number({true, dword, 2, 7}, &seed));
    EXPECT_FALSE(stored_number({false, dword, 4, 7}, &seed));
}

TEST(StoredNumbers, SecondsTypedIntoTheDialog)
{
    struct Case {
        const char* text;
        int32_t seconds;  // 0: refused
    };
    const Case cases[] = {{"4", 4},    {"120", 120}, {" 10 ", 10}, {"007", 7},  {"3", 0},   {"121", 0},
                          {"0120", 0}, {"", 0},      {" ", 0},     {"1 0", 0},  {"-5", 0},  {"+5", 0},
                          {"5s", 0},   {"4.5", 0},   {"99999999999999999999", 0}};
    for (const Case& c : cases) {
        int32_t seconds = -1;
        EXPECT_EQ(seconds_from_text(c.text, &seconds), c.seconds != 0) << '"' << c.text << '"';
        EXPECT_EQ(seconds, c.seconds ? c.seconds : -1) << '"' << c.text << '"';
    }
}
