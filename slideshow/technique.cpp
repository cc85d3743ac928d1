#include "technique.h"

#include "app/names.h"
#include "app/support.h"
#include "slideshow/cycle.h"

namespace {
const int32_t filter_count = sizeof(filter_names) / sizeof(filter_names[0]) - 1;
}

int32_t next_filter_index(int32_t filter_index)
{
    int32_t next = filter_index + 1;
    if (next < 0 || next >= filter_count || filter_names[next] == nullptr) next = 0;
    return next;
}

TechniqueChoice choose_technique(int32_t filter_index)
{
    TechniqueChoice choice;
    choice.filter = next_filter_index(filter_index);
    uint32_t r1 = next_random();
    choice.uv = 0;
    if (r1 % 10 >= 6) {
        uint32_t r2 = next_random();
        choice.uv = 1 + static_cast<int32_t>(r2 % 3);
    }
    uint32_t r3 = next_random();
    choice.transition = r3 % 10 >= 8 ? 1 : 0;
    return choice;
}

void compose_technique(char* name, TechniqueChoice choice)
{
    // Every name is far shorter than a technique slot: at most 15 + 12 + 6
    // characters.
    str_copy(name, filter_names[choice.filter]);
    str_append(name, uv_names[choice.uv]);
    str_append(name, transition_names[choice.transition]);
}

TechniqueChoice warm_up_choice(int32_t k)
{
    if (k < 0 || k >= technique_count) k = 0;
    const int32_t per_filter = technique_count / filter_count;
    TechniqueChoice choice;
    // The cycle starts after index 0.
    choice.filter = next_filter_index(k / per_filter);
    choice.uv = k % per_filter % 4;
    choice.transition = k % per_filter / 4;
    return choice;
}

int32_t technique_to_warm_up(int32_t state, int32_t warmed, int32_t loaded_count)
{
    if (warmed < 0 || warmed >= technique_count) return -1;
    bool still = state == LOADING || state == CACHING || state == WAITING;
    return still || (state == FADING && loaded_count <= 1) ? warmed : -1;
}
