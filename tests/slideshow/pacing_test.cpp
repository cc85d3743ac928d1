#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pipeline/geometry.h"
#include "slideshow/pacing.h"

namespace {

// Frames a whole size x size upload takes at `bands` bands per frame, walking
// the real band schedule.
int frames_to_finish(int32_t bands, int32_t size = 1024)
{
    int32_t level = 0, row = 0;
    for (int frame = 1; frame <= 1000; ++frame)
        for (int32_t i = 0; i < bands; ++i) {
            UploadBand b = upload_band(size, level, row);
            level = b.next_level;
            row = b.next_row;
            if (b.finished) return frame;
        }
    return -1;
}

} // namespace

TEST(Pacing, BandsPerFrameAtCommonFrameRates)
{
    struct Case {
        float fps;
        int32_t bands;
        int frames;
    };
    // The upload plus the frame before and after it fit in a second; at 5
    // frames per second the budget of 16 bands holds it to four frames.
    const Case cases[] = {{5, 16, 4}, {8, 9, 6}, {10, 7, 8}, {17, 4, 13}, {30, 2, 25}, {60, 1, 50}, {144, 1, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fps);
        int32_t bands = upload_bands_per_frame(1.0f / c.fps, true);
        EXPECT_EQ(bands, c.bands);
        EXPECT_EQ(frames_to_finish(bands), c.frames);
        if (c.fps >= 8) EXPECT_LE((c.frames + 2) / c.fps, upload_seconds);
    }
    // From 52 frames per second on a frame copies exactly one band.
    for (float fps = 52; fps < 1000; fps += 0.5f) ASSERT_EQ(upload_bands_per_frame(1.0f / fps, true), 1) << fps;
    for (float fps = 0.1f; fps < 52; fps += 0.1f) {
        int32_t bands = upload_bands_per_frame(1.0f / fps, true);
        ASSERT_GE(bands, 1) << fps;
        ASSERT_LE(bands, upload_budget_bands) << fps;
    }
    EXPECT_EQ(frames_to_finish(1), upload_calls);
}

TEST(Pacing, LargerPhotosTakeMoreBandsWithinTheBudget)
{
    // The upload of a 2048 or 4096 photo, with the frames before and after
    // it, still fits a second wherever the budget allows; past it the frames
    // copy the budget and take longer, never more bytes a frame.
    for (int32_t size : {2048, 4096}) {
        const int32_t calls = upload_call_count(size);
        for (float fps : {5.0f, 10.0f, 20.0f, 30.0f, 60.0f, 144.0f, 240.0f}) {
            SCOPED_TRACE(testing::Message() << size << " at " << fps);
            int32_t bands = upload_bands_per_frame(1.0f / fps, true, calls);
            ASSERT_GE(bands, 1);
            ASSERT_LE(bands, upload_budget_bands);
            int frames = frames_to_finish(bands, size);
            if (bands < upload_budget_bands) EXPECT_LE((frames + 2) / fps, upload_seconds * 1.02f);
            else EXPECT_EQ(frames, (calls + bands - 1) / bands);
        }
        EXPECT_EQ(frames_to_finish(upload_bands_per_frame(0.1f, false, calls), size), 1);
    }
    // 2048 at 60 frames a second: four bands (512 KiB) a frame.
    EXPECT_EQ(upload_bands_per_frame(1.0f / 60, true, upload_call_count(2048)), 4);
}

TEST(Pacing, UnknownOrOddFrameTimes)
{
    // No measurement yet: one band, as at a normal frame rate.
    EXPECT_EQ(upload_bands_per_frame(0.0f, true), 1);
    EXPECT_EQ(upload_bands_per_frame(-1.0f, true), 1);
    EXPECT_EQ(upload_bands_per_frame(std::numeric_limits<float>::quiet_NaN(), true), 1);
    EXPECT_EQ(upload_bands_per_frame(std::numeric_limits<float>::infinity(), true), upload_budget_bands);
    EXPECT_EQ(upload_bands_per_frame(100.0f, true), upload_budget_bands);
}

TEST(Pacing, WholePhotoWhileNothingIsOnScreen)
{
    // Whatever the frame rate, the first photo goes up in one frame.
    for (float frame_time : {0.0f, 1.0f / 144, 1.0f / 22, 0.5f, 100.0f})
        EXPECT_EQ(frames_to_finish(upload_bands_per_frame(frame_time, false)), 1) << frame_time;
}

TEST(Pacing, AverageFrameTime)
{
    // The first measurement is taken as it is, then each frame weighs a quarter.
    EXPECT_EQ(average_frame_time(0.0f, 0.1f), 0.1f);
    EXPECT_EQ(average_frame_time(0.1f, 0.2f), 0.125f);
    // A pause counts as half a second; a clock that stood still or went back as none.
    EXPECT_EQ(average_frame_time(0.0f, 30.0f), 0.5f);
    EXPECT_EQ(average_frame_time(0.5f, -2.0f), 0.375f);
    EXPECT_EQ(average_frame_time(0.5f, std::numeric_limits<float>::quiet_NaN()), 0.375f);

    // From the slowest measured rate to 60 frames per second: one band per
    // frame again within a third of a second; after a single slow frame
    // (100 ms) among fast ones within a few frames.
    float average = 0.5f;
    int frames = 0;
    while (upload_bands_per_frame(average, true) > 1) {
        average = average_frame_time(average, 1.0f / 60);
        ++frames;
    }
    EXPECT_LE(frames, 20);
    average = average_frame_time(average, 0.1f);
    for (frames = 0; upload_bands_per_frame(average, true) > 1; ++frames) average = average_frame_time(average, 1.0f / 60);
    EXPECT_LE(frames, 8);
}

TEST(Pacing, PhaseEndsAtItsTimeWithinAFrame)
{
    EXPECT_EQ(phase_end(3.0f, 3.1f, 0.12f), 3.0f);   // a frame late: as due
    EXPECT_EQ(phase_end(3.0f, 3.0f, 0.0f), 3.0f);
    EXPECT_EQ(phase_end(3.0f, 3.2f, 0.12f), 3.2f);   // later than a frame: a stall
    EXPECT_EQ(phase_end(3.0f, 2.5f, 0.12f), 2.5f);   // cut short
}
