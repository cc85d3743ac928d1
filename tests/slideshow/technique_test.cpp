#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/support.h"
#include "slideshow/cycle.h"
#include "slideshow/technique.h"

namespace {

// Raw values the shared generator gives after `seed`.
struct Draws {
    uint32_t r[3];
    uint32_t state_after[3];
};

Draws draws_after(uint32_t seed)
{
    Draws d;
    seed_random(seed);
    for (int i = 0; i < 3; ++i) {
        d.r[i] = next_random();
        d.state_after[i] = rng_state;
    }
    return d;
}

// First seed from `from` whose draws satisfy `pred`.
template <typename P> uint32_t find_seed(P pred, uint32_t from = 1)
{
    for (uint32_t seed = from;; ++seed)
        if (pred(draws_after(seed))) return seed;
}

std::string name_of(TechniqueChoice c)
{
    char name[64];
    compose_technique(name, c);
    return name;
}

} // namespace

TEST(FilterCycle, RunsThroughTheListAndWraps)
{
    const char* expected[] = {"GrayScale", "Emboss", "Sepia", "GrayScaleInvert", "Rubik", "GrayScale"};
    int32_t index = 0;
    seed_random(7);
    for (const char* filter : expected) {
        TechniqueChoice c = choose_technique(index);
        index = c.filter;
        EXPECT_EQ(name_of(c).rfind(filter, 0), 0u) << name_of(c);
        EXPECT_GE(index, 0);
        EXPECT_LE(index, 4);
    }
    // A position outside the list starts the cycle again instead of reading past it.
    EXPECT_EQ(next_filter_index(4), 0);
    EXPECT_EQ(next_filter_index(5), 0);
    EXPECT_EQ(next_filter_index(-7), 0);
    EXPECT_EQ(next_filter_index(1000), 0);
}

TEST(TechniqueDraws, SimpleUsesTwoValues)
{
    // r1 mod 10 == 5: the highest remainder that keeps "Simple".
    uint32_t seed = find_seed([](const Draws& d) { return d.r[0] % 10 == 5 && d.r[1] % 10 < 8; });
    Draws d = draws_after(seed);
    seed_random(seed);
    TechniqueChoice c = choose_technique(2);
    EXPECT_EQ(rng_state, d.state_after[1]);
    EXPECT_EQ(name_of(c), "SepiaSimpleFade");

    seed = find_seed([](const Draws& d) { return d.r[0] % 10 == 0 && d.r[1] % 10 == 9; });
    d = draws_after(seed);
    seed_random(seed);
    c = choose_technique(0);
    EXPECT_EQ(rng_state, d.state_after[1]);
    EXPECT_EQ(name_of(c), "GrayScaleSimpleSector");
}

TEST(TechniqueDraws, DistortionUsesThreeValues)
{
    // r1 mod 10 == 6, the lowest that picks a distortion; r2 mod 3 chooses which.
    const char* uv[] = {"Zoom", "Lens", "Displacement"};
    for (uint32_t k = 0; k < 3; ++k) {
        uint32_t seed = find_seed(
            [k](const Draws& d) { return d.r[0] % 10 == 6 && d.r[1] % 3 == k && d.r[2] % 10 == 7; });
        Draws d = draws_after(seed);
        seed_random(seed);
        TechniqueChoice c = choose_technique(3);
        EXPECT_EQ(rng_state, d.state_after[2]);
        EXPECT_EQ(name_of(c), std::string("GrayScaleInvert") + uv[k] + "Fade");
    }
    uint32_t seed = find_seed([](const Draws& d) { return d.r[0] % 10 == 9 && d.r[1] % 3 == 2 && d.r[2] % 10 == 8; });
    seed_random(seed);
    EXPECT_EQ(name_of(choose_technique(0)), "GrayScaleDisplacementSector");
}

TEST(TechniqueDraws, KnownSequenceFromSeedZero)
{
    // From state 0 the generator gives 2793501, 2746710, 13980072: r1 mod 10 is 1,
    // so "Simple" with r2 as the transition draw (0 -> Fade).
    seed_random(0);
    EXPECT_EQ(name_of(choose_technique(4)), "RubikSimpleFade");
    EXPECT_EQ(next_random(), 13980072u);
}

TEST(TechniqueDraws, ShareOfEachChoice)
{
    // Over many draws "Simple" comes about 60 % of the time and "Sector" 20 %.
    seed_random(12345);
    int simple = 0, sector = 0, other[4] = {};
    const int n = 30000;
    for (int i = 0; i < n; ++i) {
        TechniqueChoice c = choose_technique(0);
        simple += c.uv == 0;
        sector += c.transition == 1;
        other[c.uv]++;
    }
    EXPECT_NEAR(simple / double(n), 0.6, 0.02);
    EXPECT_NEAR(sector / double(n), 0.2, 0.02);
    for (int k = 1; k < 4; ++k) EXPECT_NEAR(other[k] / double(n), 0.4 / 3, 0.02);
}

TEST(WarmUp, EveryTechniqueOnceInTheOrderTheCycleNeedsThem)
{
    // Each of the forty exactly once, the filters in the order the show
    // reaches them from its start.
    std::set<std::string> names;
    int32_t filter = 0;
    for (int32_t k = 0; k < technique_count; ++k) {
        TechniqueChoice c = warm_up_choice(k);
        if (k % 8 == 0) filter = next_filter_index(filter);
        EXPECT_EQ(c.filter, filter) << k;
        names.insert(name_of(c));
    }
    EXPECT_EQ(names.size(), size_t(technique_count));
    EXPECT_EQ(name_of(warm_up_choice(0)), "GrayScaleSimpleFade");
    EXPECT_EQ(name_of(warm_up_choice(-1)), name_of(warm_up_choice(0)));
    EXPECT_EQ(name_of(warm_up_choice(technique_count)), name_of(warm_up_choice(0)));
}

TEST(WarmUp, OnlyInFramesWithoutATransition)
{
    const int32_t still[] = {LOADING, CACHING, WAITING}, moving[] = {NEXT, FADING, ROTATING};
    for (int32_t state : still) {
        EXPECT_EQ(technique_to_warm_up(state, 0, 3), 0);
        EXPECT_EQ(technique_to_warm_up(state, technique_count - 1, 3), technique_count - 1);
        EXPECT_EQ(technique_to_warm_up(state, technique_count, 0), -1);
        EXPECT_EQ(technique_to_warm_up(state, -3, 3), -1);
    }
    for (int32_t state : moving) EXPECT_EQ(technique_to_warm_up(state, 0, 2), -1);
    // The first fade shows a black face only; the turn after it shows the photo.
    EXPECT_EQ(technique_to_warm_up(FADING, 5, 1), 5);
    EXPECT_EQ(technique_to_warm_up(ROTATING, 5, 1), -1);
}
