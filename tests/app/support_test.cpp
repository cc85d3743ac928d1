// The support routines other parts rely on: random sequence, rounding,
// decimal text, string helpers, time offset.
#include <gtest/gtest.h>

#include <cstring>

#include "app/support.h"

float time_offset_from_ticks(uint32_t tick_count);

TEST(Random, SequenceFromZeroSeed)
{
    seed_random(0);
    EXPECT_EQ(next_random(), 2793501u);
    EXPECT_EQ(next_random(), 2746710u);
    EXPECT_EQ(next_random(), 13980072u);
}

TEST(Random, ValuesHaveTwentyFourBitsAndFollowTheSeed)
{
    seed_random(0xDEADBEEF);
    uint32_t first[100];
    for (uint32_t& v : first) {
        v = next_random();
        EXPECT_LT(v, 1u << 24);
    }
    seed_random(0xDEADBEEF);
    for (uint32_t v : first) EXPECT_EQ(next_random(), v);
}

TEST(Rounding, TiesGoToEven)
{
    EXPECT_EQ(round_to_int(0.5f), 0);
    EXPECT_EQ(round_to_int(1.5f), 2);
    EXPECT_EQ(round_to_int(2.5f), 2);
    EXPECT_EQ(round_to_int(3.5f), 4);
    EXPECT_EQ(round_to_int(-1.5f), -2);
    EXPECT_EQ(round_to_int(-0.4f), 0);
    EXPECT_EQ(round_to_int(59.7f), 60);
    EXPECT_EQ(round_to_int(255.49f), 255);
}

TEST(DecimalText, DigitsAndSharedBuffer)
{
    EXPECT_STREQ(int_to_text(0), "0");
    EXPECT_STREQ(int_to_text(7), "7");
    EXPECT_STREQ(int_to_text(340), "340");
    EXPECT_STREQ(int_to_text(2147483647), "2147483647");

    const char* a = int_to_text(12);
    const char* b = int_to_text(34);
    EXPECT_EQ(a, b); // same digit count, same address
    EXPECT_STREQ(a, "34"); // the second call overwrote the first result
    EXPECT_EQ(b, decimal_buffer + 13);
    EXPECT_EQ(decimal_buffer[15], 0);
}

TEST(Strings, CopyAndAppend)
{
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    str_copy(buf, "");
    EXPECT_STREQ(buf, "");
    str_append(buf, "");
    EXPECT_STREQ(buf, "");
    str_append(buf, "ab");
    str_append(buf, "");
    str_append(buf, "cd");
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'x'); // nothing written past the terminator
    str_copy(buf, "z");
    EXPECT_STREQ(buf, "z");
    EXPECT_EQ(str_length(buf), 1u);
    EXPECT_EQ(str_length(""), 0u);
}

TEST(Memory, FillSetsExactlyCountBytes)
{
    unsigned char buf[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    mem_fill(buf + 1, 0x1AB, 5);
    const unsigned char want[8] = {1, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 1, 1};
    EXPECT_EQ(std::memcmp(buf, want, 8), 0);
}

TEST(TimeOffset, FoldsTheTickCountIntoAHundredSeconds)
{
    EXPECT_EQ(time_offset_from_ticks(0), 0.0f);
    EXPECT_NEAR(time_offset_from_ticks(123456), 23.456f, 1e-4f);
    float hour = time_offset_from_ticks(3600000);
    EXPECT_GE(hour, 0.0f);
    EXPECT_LE(hour, 100.0f);
    EXPECT_TRUE(hour < 0.01f || hour > 99.99f);
    float largest = time_offset_from_ticks(0xFFFFFFFFu);
    EXPECT_GE(largest, 0.0f);
    EXPECT_LE(largest, 100.0f);
}
