// The show's clock: seconds since the record was made, read once a frame from
// the performance counter, and the frame-rate figures taken from it.
#pragma once
#include <stdint.h>

struct Clock {
    int64_t perf_frequency;   // performance-counter ticks per second
    int64_t perf_start;       // the counter at construction: the zero of now
    // Seconds added to now for the camera, from the tick count at
    // construction, so that every run starts at another point of the tumble.
    float time_offset;
    float now;
    int32_t frame_count;      // frames begun
    float fps_time;           // now at the last frame-rate refresh
    int32_t fps_frames;       // frame_count at the last refresh
    float fps;
    // Seconds between frames, a running average over the last frames; it
    // decides how many bands a frame in CACHING copies.
    float frame_time;
};

// time_offset for a tick count: seconds, folded into 0..100.
float time_offset_from_ticks(uint32_t tick_count);
