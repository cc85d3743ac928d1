#include "status.h"

#include "app/support.h"

float clock_seconds(int64_t counter, int64_t start, int64_t frequency)
{
    if (frequency <= 0) return 0.0f;
    return static_cast<float>(static_cast<double>(counter - start) / static_cast<double>(frequency));
}

bool refresh_frame_rate(float now, int32_t frame_count, float* fps_time, int32_t* fps_frames, float* fps)
{
    if (!(now > *fps_time + 0.5f)) return false;
    *fps = static_cast<float>(frame_count - *fps_frames) / (now - *fps_time);
    *fps_frames = frame_count;
    *fps_time = now;
    return true;
}

const char* state_word(int32_t state)
{
    // Indexed by SlideState: NEXT, LOADING, CACHING, WAITING, ROTATING, FADING.
    static const char* const words[6] = {nullptr, "LOADING", "CACHING", "WAITING", "ROTATING", "FADING"};
    if (state < 0 || state > 5) return nullptr;
    return words[state];
}

namespace {

// Decimal text of a figure; int_to_text takes no negative numbers.
void append_number(char* text, int32_t n)
{
    str_append(text, int_to_text(n < 0 ? 0 : n));
}

} // namespace

void status_head(char* text, float fps, int32_t file_number, int32_t file_count)
{
    text[0] = 0;
    append_number(text, round_to_int(fps));
    str_append(text, " fps\nFile ");
    append_number(text, file_number);
    str_append(text, " of ");
    append_number(text, file_count);
    str_append(text, "\n");
}

void status_tail(char* text, float since_request, float slide_duration)
{
    str_append(text, "\n");
    append_number(text, round_to_int(since_request));
    str_append(text, "/");
    append_number(text, round_to_int(slide_duration));
    str_append(text, " sec");
}
