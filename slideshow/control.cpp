// The viewer's controls reach the slideshow between frames; the state machine
// acts on them from its next frame on.
#include "app/slideshow.h"

void Slideshow::control(int32_t what, bool repeat)
{
    apply_control(&controls, static_cast<Control>(what), repeat, state, file_index, files.count, now,
                  &loader.request_time);
}
