// The overlay's four-line status text and the figures in it, as plain
// computations over plain numbers.
//
//   59 fps
//   File 12 of 340
//   WAITING            (empty on a frame that changes the state)
//   2/5 sec
#pragma once
#include <stdint.h>

// Seconds since `start` for a performance-counter value; 0 for a counter
// without a usable frequency.
float clock_seconds(int64_t counter, int64_t start, int64_t frequency);

// Frame-rate figure, refreshed at most twice a second: when `now` is strictly
// beyond `*fps_time` + 0.5 the frames since the last refresh are divided by
// the time since it, and the refresh point moves to (`now`, `frame_count`).
// Returns whether it refreshed.
bool refresh_frame_rate(float now, int32_t frame_count, float* fps_time, int32_t* fps_frames, float* fps);

// Word shown on the third line while the slideshow stays in `state`
// (a SlideState value); null for NEXT and for unknown values.
const char* state_word(int32_t state);

// Overwrites `text` with the first two lines and the line break after them.
void status_head(char* text, float fps, int32_t file_number, int32_t file_count);

// Appends the line break and the last line: seconds since the request, of the
// slide duration.
void status_tail(char* text, float since_request, float slide_duration);
