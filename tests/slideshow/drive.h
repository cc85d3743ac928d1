// Drives the state machine at chosen times. `now` is steered through the
// record's own clock fields: with a very fine counter frequency the counter
// ticks that pass during a call are far below a float's resolution, so the
// state machine sees exactly the time a case asks for.
#pragma once
#include "app/slideshow.h"
#include "slideshow/update.h"

// One step of the state machine on the whole record, as a frame takes it.
inline void update_show(Slideshow& s)
{
    update(&s.clock, &s.cycle, &s.controls, &s.job, s.files, s.list_turn, &s.gpu, s.status_text);
}

inline void frame_at(Slideshow& s, float t)
{
    const int64_t fine_frequency = int64_t(1) << 50;
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    s.clock.perf_frequency = fine_frequency;
    s.clock.perf_start = c.QuadPart - static_cast<int64_t>(static_cast<double>(t) * static_cast<double>(fine_frequency));
    ++s.clock.frame_count;
    update_show(s);
}
