#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "slideshow/status.h"

namespace {

std::string compose(float fps, int32_t number, int32_t count, const char* word, float since, float duration)
{
    char text[512];
    status_head(text, fps, number, count);
    if (word) {
        std::string head = text;
        std::snprintf(text, sizeof text, "%s%s", head.c_str(), word);
    }
    status_tail(text, since, duration);
    return text;
}

} // namespace

TEST(Clock, SecondsFromCounter)
{
    EXPECT_EQ(clock_seconds(1000, 1000, 10000000), 0.0f);
    EXPECT_EQ(clock_seconds(1000 + 35000000, 1000, 10000000), 3.5f);
    // A counter that started near the top of its range still gives the difference.
    EXPECT_EQ(clock_seconds(INT64_MAX, INT64_MAX - 5000000, 10000000), 0.5f);
    // No usable frequency: the clock stands still instead of becoming NaN or infinite.
    EXPECT_EQ(clock_seconds(12345, 0, 0), 0.0f);
    EXPECT_EQ(clock_seconds(12345, 0, -1), 0.0f);
}

TEST(FrameRate, RefreshesOnlyStrictlyAfterHalfASecond)
{
    float time = 0.0f, fps = 0.0f;
    int32_t frames = 0;
    EXPECT_FALSE(refresh_frame_rate(0.25f, 10, &time, &frames, &fps));
    EXPECT_FALSE(refresh_frame_rate(0.5f, 20, &time, &frames, &fps));
    EXPECT_EQ(fps, 0.0f);
    EXPECT_EQ(time, 0.0f);
    EXPECT_EQ(frames, 0);

    EXPECT_TRUE(refresh_frame_rate(0.625f, 25, &time, &frames, &fps));
    EXPECT_EQ(fps, 40.0f);
    EXPECT_EQ(time, 0.625f);
    EXPECT_EQ(frames, 25);

    // The next refresh counts from the last one.
    EXPECT_FALSE(refresh_frame_rate(1.125f, 40, &time, &frames, &fps));
    EXPECT_TRUE(refresh_frame_rate(1.625f, 55, &time, &frames, &fps));
    EXPECT_EQ(fps, 30.0f);
    EXPECT_EQ(frames, 55);
}

TEST(StatusText, FourLines)
{
    EXPECT_EQ(compose(59.4f, 12, 340, "WAITING", 2.0f, 5.0f), "59 fps\nFile 12 of 340\nWAITING\n2/5 sec");
    // A frame that changes the state leaves the third line empty.
    EXPECT_EQ(compose(0.0f, 0, 3, nullptr, 0.0f, 5.0f), "0 fps\nFile 0 of 3\n\n0/5 sec");
    EXPECT_EQ(compose(1234.0f, 2147483647, 2147483647, "CACHING", 10000.0f, 5.0f),
              "1234 fps\nFile 2147483647 of 2147483647\nCACHING\n10000/5 sec");
}

TEST(StatusText, NumbersRoundToNearestEven)
{
    EXPECT_EQ(compose(2.5f, 1, 1, "FADING", 3.5f, 5.0f), "2 fps\nFile 1 of 1\nFADING\n4/5 sec");
    EXPECT_EQ(compose(0.5f, 1, 1, "ROTATING", 0.49f, 5.0f), "0 fps\nFile 1 of 1\nROTATING\n0/5 sec");
    EXPECT_EQ(compose(59.5f, 1, 1, "LOADING", 2.5f, 5.0f), "60 fps\nFile 1 of 1\nLOADING\n2/5 sec");
}

TEST(StatusText, NegativeFiguresShowAsZero)
{
    // Never produced by the slideshow, but must not turn into garbage digits.
    EXPECT_EQ(compose(-3.0f, -1, 0, nullptr, -2.0f, 5.0f), "0 fps\nFile 0 of 0\n\n0/5 sec");
}

TEST(StatusText, WordsOfTheStates)
{
    const char* expected[] = {nullptr, "LOADING", "CACHING", "WAITING", "ROTATING", "FADING"};
    for (int32_t s = 0; s < 6; ++s) {
        if (expected[s])
            EXPECT_STREQ(state_word(s), expected[s]) << s;
        else
            EXPECT_EQ(state_word(s), nullptr) << s;
    }
    EXPECT_EQ(state_word(-1), nullptr);
    EXPECT_EQ(state_word(6), nullptr);
}
