#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "library/settings.h"
#include "slideshow/controls.h"
#include "slideshow/cycle.h"
#include "slideshow/play_order.h"

namespace {

std::vector<int32_t> round_of(const PlayOrder& order, uint32_t round)
{
    std::vector<int32_t> photos;
    for (int32_t p = 0; p < order.count; ++p) photos.push_back(photo_at(order, Place{round, p}));
    return photos;
}

std::vector<int32_t> folder_order(int32_t count)
{
    std::vector<int32_t> photos;
    for (int32_t i = 0; i < count; ++i) photos.push_back(i);
    return photos;
}

} // namespace

TEST(PlayOrder, EveryRoundIsANewPermutationThatDoesNotRepeatAcrossItsStart)
{
    for (int32_t count : {1, 2, 3, 4, 7, 12, 100, 1000}) {
        SCOPED_TRACE(count);
        PlayOrder order{count, true};
        uint32_t round = 0xABCDE;
        std::vector<int32_t> last;
        int32_t same_as_before = 0;
        for (int r = 0; r < 40; ++r, round = next_round(round)) {
            std::vector<int32_t> photos = round_of(order, round);
            ASSERT_EQ(std::set<int32_t>(photos.begin(), photos.end()).size(), size_t(count)) << "round " << r;
            for (int32_t p = 0; p < count; ++p) {
                ASSERT_GE(photos[p], 0);
                ASSERT_LT(photos[p], count);
                ASSERT_TRUE(same_place(place_of(order, round, photos[p]), Place{round, p}));
            }
            if (!last.empty() && count > 1) EXPECT_NE(photos.front(), last.back()) << "round " << r;
            if (photos == last) ++same_as_before;
            last = photos;
        }
        // With two photos the order can only alternate; from a dozen on no
        // two rounds in a row come out alike, nor in the folder's order.
        if (count <= 2) EXPECT_EQ(last, folder_order(count));
        if (count >= 12) {
            EXPECT_EQ(same_as_before, 0);
            EXPECT_NE(last, folder_order(count));
        }
    }
    // Folder order: the list as it is, in one round.
    PlayOrder folder{5, false};
    EXPECT_EQ(round_of(folder, 77), folder_order(5));
    EXPECT_TRUE(same_place(place_after(folder, Place{77, 4}), Place{77, 0}));
    EXPECT_TRUE(same_place(place_before(folder, Place{77, 0}), Place{77, 4}));
}

TEST(PlayOrder, StepsCrossTheRoundsBothWays)
{
    PlayOrder order{12, true};
    const uint32_t start = 4711;
    // Forwards through three rounds, then back again over the same photos.
    std::vector<int32_t> forwards;
    Place p{start, -1};
    for (int i = 0; i < 36; ++i) {
        p = place_after(order, p);
        forwards.push_back(photo_at(order, p));
    }
    EXPECT_TRUE(same_place(p, Place{next_round(next_round(start)), 11}));
    for (int i = 35; i > 0; --i) {
        p = place_before(order, p);
        EXPECT_EQ(photo_at(order, p), forwards[i - 1]) << i;
    }
    EXPECT_TRUE(same_place(p, Place{start, 0}));
    EXPECT_EQ(previous_round(next_round(start)), start);
    // Before a round's start: the last photo of the round before.
    EXPECT_TRUE(same_place(place_before(order, Place{start, -1}), Place{previous_round(start), 11}));
}

TEST(PlayOrder, ResumesInTheSameOrderFromTheStoredPlace)
{
    PlayOrder order{12, true};
    const uint32_t round = 0x5A5A5;
    // A run stops with the photo at position 4 on its way: it stores 3 and
    // the round's seed. The next run requests positions 4 to 11 of the same
    // round, then goes on into the next.
    Place resumed = resume_place(order, 3, true, seed_for(round, 12), 999);
    EXPECT_TRUE(same_place(resumed, Place{round, 3}));
    EXPECT_TRUE(same_place(place_after(order, resumed), Place{round, 4}));

    struct Case {
        const char* what;
        int32_t stored;
        bool seed_stored;
        uint32_t seed;
        Place want;
    };
    const Case cases[] = {
        {"no seed: a new round", 3, false, 0, Place{999, -1}},
        {"a count of 13 before", 3, true, seed_for(round, 13), Place{next_round(round), -1}},
        {"a place past the end", 40, true, seed_for(round, 12), Place{round, 11}},
        {"below -1", -9, true, seed_for(round, 12), Place{round, -1}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(same_place(resume_place(order, c.stored, c.seed_stored, c.seed, 999), c.want)) << c.what;
    // The fresh key is cut to a round's bits; folder order takes no seed.
    EXPECT_EQ(resume_place(order, 3, false, 0, 0xFFFFFFFF).round, round_key_mask);
    EXPECT_TRUE(same_place(resume_place(PlayOrder{12, false}, 40, true, seed_for(round, 12), 9), Place{0, 11}));
}

TEST(PlayOrder, NextAndPreviousWalkTheShuffledOrder)
{
    PlayOrder order{6, true};
    const uint32_t round = 321;
    Controls c;
    reset_controls(&c);
    float request_time = 0;
    // The first photo of a round in view, the second requested.
    Place requested{round, 1};
    photo_turned_to(&c, Place{round, 0});
    // A step back from the round's first brings the last of the round before
    // (the photo shown before it), then the one before that.
    ASSERT_TRUE(apply_control(&c, CONTROL_PREVIOUS, false, WAITING, requested, order, 1.0f, &request_time));
    EXPECT_TRUE(same_place(photo_on_its_way(c, requested), Place{previous_round(round), 5}));
    requested = take_request(&c, order, requested);
    ASSERT_TRUE(apply_control(&c, CONTROL_PREVIOUS, false, CACHING, requested, order, 1.0f, &request_time));
    requested = take_request(&c, order, requested);
    EXPECT_TRUE(same_place(requested, Place{previous_round(round), 4}));
    // On from there in that round's order, and into the round after it.
    photo_turned_to(&c, requested);
    requested = take_request(&c, order, requested);
    requested = take_request(&c, order, requested);
    EXPECT_TRUE(same_place(requested, Place{round, 0}));
    EXPECT_EQ(photo_at(order, requested), round_of(order, round)[0]);
}
