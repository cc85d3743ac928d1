// Choice of the effect technique a face gets when the camera has turned to the
// face before it: the next colour filter of the cycle, a UV function and a
// transition drawn from the shared generator.
#pragma once
#include <stdint.h>

struct TechniqueChoice {
    int32_t filter;      // index into filter_names
    int32_t uv;          // index into uv_names
    int32_t transition;  // index into transition_names
};

// Position after `filter_index` in the colour-filter cycle, back to 0 after
// the last filter (also for a position outside the list).
int32_t next_filter_index(int32_t filter_index);

// Advances the filter cycle from `filter_index` and draws the rest: r1 picks
// a distorting UV function (then r2 says which) when r1 mod 10 is 6 or more,
// r3 picks "Sector" when r3 mod 10 is 8 or 9. Two draws with "Simple", three
// otherwise, always in this order.
TechniqueChoice choose_technique(int32_t filter_index);

// Writes filter, UV function and transition names joined into `name`, which
// holds technique_size (64) characters.
void compose_technique(char* name, TechniqueChoice choice);

// Every combination the effect holds: 5 colour filters x 4 UV functions x 2
// transitions.
const int32_t technique_count = 40;

// Technique k (0 to technique_count - 1) in the order the show is likely to
// need them: the colour filters as the cycle brings them after start-up
// ("GrayScale" first, "Rubik", which every face starts with, last), within a
// filter the "Fade" techniques before the "Sector" ones.
TechniqueChoice warm_up_choice(int32_t k);

// The platform prepares a technique's shaders when they are first drawn, which
// can hold up that frame for a long time on a software device. Each frame in
// which nothing moves from one photo to the next (LOADING, CACHING, WAITING)
// draws one more technique ahead of its use, where the face in view covers it;
// so does each frame of the first fade, which fades a black face while no
// photo is on screen yet (`loaded_count` at most 1). Returns the technique to
// draw in a frame in `state` after `warmed` have been, or -1 for none.
int32_t technique_to_warm_up(int32_t state, int32_t warmed, int32_t loaded_count);
