// The slideshow record as the shell creates it.
#include <gtest/gtest.h>

#include <cstring>

#include "app/slideshow.h"

TEST(SlideshowRecord, ConstructionDefaults)
{
    Slideshow* s = create_slideshow();
    ASSERT_NE(s, nullptr);
    Application* app = s;

    EXPECT_EQ(s->cycle.requested.position, -1);
    EXPECT_EQ(s->cycle.state, NEXT);
    EXPECT_EQ(s->cycle.slide_duration, 5.0f);
    EXPECT_EQ(s->cycle.face, 0);
    EXPECT_EQ(s->cycle.filter_index, 0);
    EXPECT_EQ(s->clock.frame_count, 0);
    EXPECT_EQ(s->clock.now, 0.0f);
    EXPECT_EQ(s->clock.fps, 0.0f);
    EXPECT_FALSE(s->job.quit);
    EXPECT_EQ(s->job.pending_task, nullptr);
    EXPECT_EQ(s->job.worker_thread, nullptr);
    EXPECT_EQ(s->gpu.device, nullptr);
    EXPECT_EQ(s->files.entries, nullptr);
    EXPECT_EQ(s->files.count, 0);
    EXPECT_STREQ(s->settings.folder, "");
    EXPECT_STREQ(s->status_text, "");
    for (const FaceSlot& f : s->gpu.faces) {
        EXPECT_STREQ(f.technique, "RubikSimpleFade");
        EXPECT_EQ(f.orientation, 1);
        EXPECT_EQ(f.texture, nullptr);
    }
    EXPECT_EQ(s->job.loader.orientation, 1);
    EXPECT_FALSE(s->job.loader.done_flag);
    EXPECT_EQ(s->job.loader.loaded_count, 0);
    EXPECT_EQ(s->job.loader.staging, nullptr);
    EXPECT_EQ(s->job.loader.target, nullptr);
    EXPECT_GT(s->clock.perf_frequency, 0);

    // Seed and camera phase come from the same tick count.
    EXPECT_EQ(s->clock.time_offset, time_offset_from_ticks(rng_state));
    EXPECT_GE(s->clock.time_offset, 0.0f);
    EXPECT_LE(s->clock.time_offset, 100.0f);

    ASSERT_NE(app->error_text(), nullptr);
    EXPECT_STREQ(app->error_text(), "");
    delete app;
}
