#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "slideshow/controls.h"
#include "slideshow/cycle.h"

namespace {

std::vector<int32_t> round_of(const PlayOrder& order, uint32_t round)
{
    std::vector<int32_t> photos;
    for (int32_t p = 0; p < order.count; ++p) photos.push_back(photo_at(order, Place{round, p}));
    return photos;
}

} // namespace

TEST(PlayOrder, EveryRoundANewPermutationNotBeginningWithTheLastOnesEnd)
{
    for (int32_t count : {1, 2, 3, 7, 12, 1000}) {
        SCOPED_TRACE(count);
        PlayOrder order{count, true};
        std::vector<int32_t> last, folder = round_of(PlayOrder{count, false}, 0);
        uint32_t round = 0xABCDE;
        for (int r = 0; r < 30; ++r, round = next_round(round)) {
            std::vector<int32_t> photos = round_of(order, round);
            ASSERT_EQ(std::set<int32_t>(photos.begin(), photos.end()).size(), size_t(count));
            ASSERT_EQ(*std::max_element(photos.begin(), photos.end()), count - 1);
            for (int32_t p = 0; p < count; ++p) ASSERT_EQ(place_of(order, round, photos[p]).position, p);
            if (count > 1 && r > 0) EXPECT_NE(photos.front(), last.back());
            // Two photos can only alternate; a dozen come in a new order each round.
            if (count <= 2) EXPECT_EQ(photos, folder);
            if (count >= 12) EXPECT_TRUE(photos != last && photos != folder);
            last = photos;
        }
    }
}

TEST(PlayOrder, StepsCrossRoundsBothWaysAndResumeInTheSameOrder)
{
    PlayOrder order{12, true};
    const uint32_t start = 4711;
    std::vector<int32_t> forwards;
    Place p{start, -1};
    for (int i = 0; i < 36; ++i) forwards.push_back(photo_at(order, p = place_after(order, p)));
    for (int i = 35; i > 0; --i) EXPECT_EQ(photo_at(order, p = place_before(order, p)), forwards[i - 1]) << i;
    EXPECT_TRUE(same_place(p, Place{start, 0}));

    // Stopped with position 4 of the second round on its way, 3 stored: the
    // next run goes on with the same photos.
    uint32_t second = next_round(start);
    Place resumed = resume_place(order, 3, -1, true, seed_for(second, 12), 999);
    for (int i = 16; i < 36; ++i) EXPECT_EQ(photo_at(order, resumed = place_after(order, resumed)), forwards[i]);
    // The stored photo found again: the same round from just before it.
    Place found = resume_place(order, 3, forwards[20], true, seed_for(second, 12), 0);
    EXPECT_EQ(photo_at(order, place_after(order, found)), forwards[20]);
    EXPECT_EQ(found.round, second);
    // No seed, or one stored for another count: a new round from its start.
    EXPECT_TRUE(same_place(resume_place(order, 3, -1, false, 0, 0xFFF00999), Place{0x999, -1}));
    EXPECT_TRUE(same_place(resume_place(order, 3, -1, true, seed_for(second, 13), 0), Place{next_round(second), -1}));
    EXPECT_TRUE(same_place(resume_place(order, 3, 5, true, seed_for(second, 13), 0), Place{next_round(second), -1}));
    EXPECT_TRUE(same_place(resume_place(order, 40, -1, true, seed_for(second, 12), 0), Place{second, 11}));
    EXPECT_TRUE(same_place(resume_place(PlayOrder{12, false}, 40, -1, true, seed_for(second, 12), 9), Place{0, 11}));
}

TEST(PlayOrder, AStepBackFromARoundsStartBringsThePhotoShownBeforeIt)
{
    PlayOrder order{6, true};
    const uint32_t round = 321;
    Controls c;
    reset_controls(&c);
    float request_time = 0;
    Place requested{round, 1};
    photo_turned_to(&c, Place{round, 0});
    for (int32_t state : {WAITING, CACHING}) {
        ASSERT_TRUE(apply_control(&c, CONTROL_PREVIOUS, false, state, requested, order, 1.0f, &request_time));
        requested = take_request(&c, order, requested);
    }
    EXPECT_TRUE(same_place(requested, Place{previous_round(round), 4}));
    // On from there, into the round after it.
    photo_turned_to(&c, requested);
    for (int i = 0; i < 2; ++i) requested = take_request(&c, order, requested);
    EXPECT_TRUE(same_place(requested, Place{round, 0}));
}

// The screen saver's monitors take turns through one list: every photo of a
// round goes to one monitor, and two monitors never have the same one in view
// (with three or more, a shuffled round may begin with one the last round
// ended with: only the very last photo is kept from its start).
TEST(PlayOrder, MonitorsTakingTurnsShareEachRound)
{
    for (int32_t monitors : {2, 3}) {
        PlayOrder order{7, monitors == 2};
        std::vector<Controls> c(monitors);
        for (Controls& each : c) reset_controls(&each);
        std::vector<int32_t> in_view(monitors), taken;
        Place turn{99, -1};
        for (int32_t take = 0; take < 3 * order.count; ++take) {
            int32_t m = take % monitors;
            turn = take_request(&c[m], order, turn);
            in_view[m] = photo_at(order, turn);
            taken.push_back(in_view[m]);
            if (take >= monitors) EXPECT_EQ(std::set<int32_t>(in_view.begin(), in_view.end()).size(), size_t(monitors));
        }
        for (int32_t r = 0; r < 3; ++r)
            EXPECT_EQ(std::set<int32_t>(taken.begin() + r * order.count, taken.begin() + (r + 1) * order.count).size(),
                      size_t(order.count));
    }
}
