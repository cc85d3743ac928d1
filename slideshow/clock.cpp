#include "slideshow/clock.h"

float time_offset_from_ticks(uint32_t tick_count)
{
    float t = static_cast<float>(tick_count) * 0.001f;
    while (t > 100.0f) t -= 100.0f;
    return t;
}
