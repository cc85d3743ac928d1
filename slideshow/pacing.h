// How fast a photo goes up to video memory. The upload is a fixed series of
// bands (upload_step); a frame in CACHING copies one band when frames come
// fast enough to finish the photo within about a second that way, and more
// bands per frame on slow displays (software rendering, virtual machines,
// remote sessions), up to a fixed budget per frame.
#pragma once
#include <stdint.h>

// Calls of upload_step that copy a whole 1024 x 1024 photo, levels 0 to 10;
// upload_call_count (pipeline/geometry.h) gives them for any size.
const int32_t upload_calls = 50;

// The time a photo's upload should take at any frame rate.
const float upload_seconds = 1.0f;

// The most bands one frame copies, at any photo size: a band of the large
// levels is 128 KiB, so a frame copies at most 2 MiB and a larger photo takes
// more frames, not longer ones. On the test display (Wine, software
// rendering) ten bands add about 5 ms to a frame, a few per cent of a frame
// at the rates that need that many.
const int32_t upload_budget_bands = 16;

// The running average of the time between frames after one more frame that
// came `elapsed` seconds after the one before. The first measurement (an
// average of 0) is taken as it is; a pause without frames (a minimised window)
// counts as half a second, so the average is back to the real rate within a
// few frames.
float average_frame_time(float average, float elapsed);

// Bands to copy in one frame when frames take `frame_time` seconds and the
// photo's upload is `calls` bands (upload_call_count). The frames that fit in
// upload_seconds carry the whole upload together with the frame that finds
// the decode done and the frame that moves on after the last band, so a photo
// is ready to fade in within that second of its decode. One band per frame
// when that fits (for 1024 x 1024, 52 frames per second and faster; and while
// the frame time is not known yet), otherwise as many as it takes, at most
// upload_budget_bands. While no photo is on screen yet there is nothing for a
// slow frame to hold up: the whole photo goes up in one frame.
int32_t upload_bands_per_frame(float frame_time, bool photo_on_screen, int32_t calls = upload_calls);

// When a phase that ends by the clock is taken to have ended, and the next to
// have begun: at `due` when the frame that finds it over came at most one
// frame time (`frame_time`) after it, so that the late frames do not add up
// over a cycle's phases and the photos keep their pace on slow displays;
// otherwise (a stall, a window that drew nothing for a while, a phase cut
// short) at `now`.
float phase_end(float due, float now, float frame_time);
