#include "pacing.h"

#include "app/support.h"

float average_frame_time(float average, float elapsed)
{
    const float longest = 0.5f;
    // Also a clock that went backwards or a NaN counts as no time.
    if (!(elapsed > 0.0f)) elapsed = 0.0f;
    if (elapsed > longest) elapsed = longest;
    if (!(average > 0.0f)) return elapsed;
    // Each frame weighs a quarter: steady against single slow frames, and
    // close to a new rate within about ten frames.
    return average + (elapsed - average) * 0.25f;
}

int32_t upload_bands_per_frame(float frame_time, bool photo_on_screen, int32_t calls)
{
    if (calls < 1) calls = 1;
    if (!photo_on_screen) return calls;
    // The frame that finds the decode done and the one that starts the fade
    // copy no band.
    const int32_t other_frames = 2;
    // Also true for 0 (no measurement yet) and NaN.
    if (!(frame_time > upload_seconds / static_cast<float>(calls + other_frames))) return 1;
    // Whole frames in the second; at most calls + 2 here, so the conversion
    // is safe.
    int32_t frames = round_to_int(upload_seconds / frame_time) - other_frames;
    if (frames < 1) frames = 1;
    int32_t bands = (calls + frames - 1) / frames;
    return bands < upload_budget_bands ? bands : upload_budget_bands;
}

float phase_end(float due, float now, float frame_time)
{
    return due <= now && now - due <= frame_time ? due : now;
}
