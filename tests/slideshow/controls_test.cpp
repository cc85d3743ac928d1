#include <gtest/gtest.h>

#include "library/settings.h"
#include "slideshow/controls.h"
#include "slideshow/cycle.h"

namespace {

const int32_t all_states[] = {NEXT, LOADING, CACHING, WAITING, FADING, ROTATING};

// A show of `count` photos in folder order: photo `shown` in view,
// `file_index` requested last.
struct Show {
    Controls c;
    int32_t file_index;
    PlayOrder order;
    float request_time = 10.0f;

    Show(int32_t shown, int32_t file_index, int32_t count) : file_index(file_index), order{count, false}
    {
        reset_controls(&c);
        c.shown = Place{0, shown};
    }
    Place requested() const { return Place{0, file_index}; }
    bool press(Control control, int32_t state, float now = 12.0f, bool repeat = false)
    {
        return apply_control(&c, control, repeat, state, requested(), order, now, &request_time);
    }
    // What the state machine does from NEXT on: the request, the end of the
    // fade (the photo comes onto its face) and of the turn.
    void request() { file_index = take_request(&c, order, requested()).position; }
    void fade_ends() { photo_turned_to(&c, requested()); }
    int32_t on_its_way() const { return photo_on_its_way(c, requested()).position; }
    // The next run's first photo, from the value saving stores.
    int32_t resumes_at() const
    {
        int32_t stored = index_to_store(on_its_way(), true);
        return (resume_index(stored) + 1) % order.count;
    }
};

} // namespace

TEST(Controls, KeysAndWheel)
{
    for (uint32_t key : {0x20u, 0x13u}) EXPECT_EQ(control_for_key(key), CONTROL_PAUSE);
    for (uint32_t key : {0x27u, 0x28u, 0x22u}) EXPECT_EQ(control_for_key(key), CONTROL_NEXT);
    for (uint32_t key : {0x25u, 0x26u, 0x21u}) EXPECT_EQ(control_for_key(key), CONTROL_PREVIOUS);
    EXPECT_EQ(control_for_key(0x09), CONTROL_OVERLAY);
    for (uint32_t key : {0x0Du, 0x41u, 0x1Bu, 0x02u}) EXPECT_EQ(control_for_key(key), CONTROL_NONE);

    // Towards the user is negative: the next photo. Parts of a notch add up;
    // a turn the other way starts afresh; a large delta is still one step.
    int32_t rest = 0;
    EXPECT_EQ(control_for_wheel(&rest, -120), CONTROL_NEXT);
    EXPECT_EQ(control_for_wheel(&rest, 120), CONTROL_PREVIOUS);
    EXPECT_EQ(control_for_wheel(&rest, -60), CONTROL_NONE);
    EXPECT_EQ(control_for_wheel(&rest, 30), CONTROL_NONE);
    EXPECT_EQ(control_for_wheel(&rest, 90), CONTROL_PREVIOUS);
    EXPECT_EQ(control_for_wheel(&rest, -100), CONTROL_NONE);
    EXPECT_EQ(control_for_wheel(&rest, -20), CONTROL_NEXT);
    EXPECT_EQ(control_for_wheel(&rest, -480), CONTROL_NEXT);
    EXPECT_EQ(rest, 0);

    // The overlay's toggle ignores a held key.
    Show s(4, 5, 9);
    EXPECT_TRUE(s.press(CONTROL_OVERLAY, WAITING));
    EXPECT_FALSE(s.press(CONTROL_OVERLAY, WAITING, 12.0f, true));
    EXPECT_TRUE(s.c.overlay_hidden);
}

TEST(Controls, PauseHoldsOnlyTheWaitAndTheSecondsStand)
{
    for (int32_t state : all_states) {
        SCOPED_TRACE(state);
        Show s(4, 5, 9);
        ASSERT_TRUE(s.press(CONTROL_PAUSE, state, 12.0f));
        EXPECT_FALSE(s.press(CONTROL_PAUSE, state, 12.5f, true)); // a held key
        EXPECT_STREQ(pause_word(s.c), "PAUSED");
        // A fade or turn runs on (they do not ask), loading and upload go on,
        // the photo in view stays: the wait does not end, however long.
        EXPECT_FALSE(waiting_ends(s.c, 5, 1000.0f, 5.0f));
        EXPECT_FALSE(drops_photo(s.c, state, true));
        EXPECT_FALSE(step_pending(s.c));
        EXPECT_EQ(slide_seconds(s.c, 40.0f, s.request_time), 2.0f);
        EXPECT_EQ(s.resumes_at(), 5);

        // Resumed 28 s later: 2 s stood, 1 more to wait.
        ASSERT_TRUE(s.press(CONTROL_PAUSE, state, 40.0f));
        EXPECT_EQ(pause_word(s.c), nullptr);
        EXPECT_EQ(slide_seconds(s.c, 40.0f, s.request_time), 2.0f);
        EXPECT_FALSE(waiting_ends(s.c, 5, slide_seconds(s.c, 40.5f, s.request_time), 5.0f));
        EXPECT_TRUE(waiting_ends(s.c, 5, slide_seconds(s.c, 41.0f, s.request_time), 5.0f));
    }
    // A photo requested during the pause counts from the resume.
    Show s(4, 5, 9);
    s.press(CONTROL_PAUSE, WAITING, 12.0f);
    s.request_time = 20.0f;
    EXPECT_EQ(slide_seconds(s.c, 30.0f, s.request_time), 0.0f);
    s.press(CONTROL_PAUSE, WAITING, 30.0f);
    EXPECT_EQ(s.request_time, 30.0f);
}

TEST(Controls, NextInEachState)
{
    for (int32_t state : all_states) {
        SCOPED_TRACE(state);
        Show s(4, 5, 9);
        ASSERT_TRUE(s.press(CONTROL_NEXT, state));
        // Presses never pile up: a repeat is dropped while the step waits.
        EXPECT_FALSE(s.press(CONTROL_NEXT, state, 12.0f, true));
        EXPECT_TRUE(step_pending(s.c));
        EXPECT_FALSE(drops_photo(s.c, state, true));
        bool in_turn = state == FADING || state == ROTATING;
        // Before the fade: the photo on its way comes as soon as it is
        // uploaded. During the fade or turn: the one after it, once the turn ends.
        EXPECT_EQ(waiting_ends(s.c, 5, 0.0f, 5.0f), !in_turn);
        if (in_turn) {
            s.press(CONTROL_NEXT, state); // a second press is still one step
            if (state == FADING) s.fade_ends();
            turn_ended(&s.c);
            s.request();
            EXPECT_EQ(s.file_index, 6);
            EXPECT_TRUE(waiting_ends(s.c, 5, 0.0f, 5.0f));
        }
        s.fade_ends();
        turn_ended(&s.c);
        EXPECT_FALSE(step_pending(s.c));
        EXPECT_FALSE(waiting_ends(s.c, 5, 0.0f, 5.0f));
        EXPECT_EQ(s.resumes_at(), s.file_index);
    }
}

TEST(Controls, PauseThenNext)
{
    Show s(4, 5, 9);
    s.press(CONTROL_PAUSE, WAITING);
    s.press(CONTROL_NEXT, WAITING);
    // The step is served while paused, and the show stays paused after it.
    EXPECT_TRUE(waiting_ends(s.c, 5, 0.0f, 5.0f));
    s.fade_ends();
    turn_ended(&s.c);
    s.request();
    EXPECT_EQ(s.file_index, 6);
    EXPECT_TRUE(s.c.paused);
    EXPECT_FALSE(waiting_ends(s.c, 5, 1000.0f, 5.0f));
    EXPECT_EQ(s.resumes_at(), 6);
}

TEST(Controls, PreviousDropsThePhotoOnItsWay)
{
    for (int32_t state : all_states) {
        SCOPED_TRACE(state);
        // In NEXT and during the turn the last requested photo is in view;
        // before that, photo 5 is on its way.
        bool on_its_way = state == LOADING || state == CACHING || state == WAITING || state == FADING;
        Show s(on_its_way ? 4 : 5, 5, 9);
        ASSERT_TRUE(s.press(CONTROL_PREVIOUS, state));
        EXPECT_FALSE(s.press(CONTROL_PREVIOUS, state, 12.0f, true));
        int32_t wanted = on_its_way ? 3 : 4;
        EXPECT_EQ(s.on_its_way(), wanted);
        EXPECT_EQ(s.resumes_at(), wanted);
        // A running decode is not stopped: dropped once it is done. A fade
        // or turn under way completes first.
        EXPECT_EQ(drops_photo(s.c, state, false), state == CACHING || state == WAITING);
        EXPECT_EQ(drops_photo(s.c, state, true), on_its_way && state != FADING);
        if (state == FADING) s.fade_ends();
        s.request();
        EXPECT_EQ(s.file_index, wanted);
        EXPECT_FALSE(drops_photo(s.c, LOADING, true));
        EXPECT_TRUE(waiting_ends(s.c, 5, 0.0f, 5.0f)); // shown as soon as it is ready
        // A further press walks further back from it, before it is shown.
        ASSERT_TRUE(s.press(CONTROL_PREVIOUS, CACHING));
        EXPECT_TRUE(drops_photo(s.c, CACHING, false));
        s.request();
        EXPECT_EQ(s.file_index, wanted - 1);
        EXPECT_EQ(s.resumes_at(), wanted - 1);
        s.fade_ends();
        EXPECT_FALSE(step_pending(s.c));
        s.request();
        EXPECT_EQ(s.file_index, wanted); // and on from there
    }
}

TEST(Controls, PreviousWrapsAtTheStartOfTheList)
{
    Show s(0, 1, 3);
    s.press(CONTROL_PREVIOUS, WAITING);
    EXPECT_EQ(s.on_its_way(), 2);
    EXPECT_EQ(s.resumes_at(), 2);
    s.request();
    s.press(CONTROL_PREVIOUS, LOADING);
    EXPECT_EQ(s.on_its_way(), 1);
    s.press(CONTROL_PREVIOUS, LOADING);
    EXPECT_EQ(s.on_its_way(), 0);
    EXPECT_EQ(s.resumes_at(), 0);

    // Nothing in view yet (the first photo is loading): the one before it.
    Show first(-1, 0, 3);
    first.press(CONTROL_PREVIOUS, LOADING);
    EXPECT_EQ(first.on_its_way(), 2);

    // One photo: it is the one on its way, so nothing is dropped; it just comes at once.
    for (int32_t state : all_states) {
        SCOPED_TRACE(state);
        Show one(0, 0, 1);
        ASSERT_TRUE(one.press(CONTROL_PREVIOUS, state));
        EXPECT_FALSE(drops_photo(one.c, state, true));
        if (state == NEXT || state == ROTATING) one.request();
        EXPECT_EQ(one.file_index, 0);
        EXPECT_TRUE(waiting_ends(one.c, 5, 0.0f, 5.0f));
        EXPECT_EQ(one.resumes_at(), 0);
    }
    // An empty list takes no step.
    Show none(-1, -1, 0);
    EXPECT_FALSE(none.press(CONTROL_PREVIOUS, NEXT));
    EXPECT_EQ(none.c.back.position, -1);
}
