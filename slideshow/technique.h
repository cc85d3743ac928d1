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
