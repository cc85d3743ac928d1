// What the viewer's keys, clicks and wheel do to the show: pause, a step
// forwards or back, the overlay. A press only changes the Controls record;
// the state machine (slideshow/update.cpp) acts on it in the frames after,
// through the rules below, so it still makes at most one transition a frame.
#pragma once
#include <stdint.h>

#include "slideshow/play_order.h"

enum Control : int32_t {
    CONTROL_NONE = 0,
    CONTROL_PAUSE = 1,
    CONTROL_NEXT = 2,
    CONTROL_PREVIOUS = 3,
    CONTROL_OVERLAY = 4,
};

struct Controls {
    bool paused;
    float pause_start;          // now when the pause began
    bool overlay_hidden;
    // The photo on its way fades in as soon as it is uploaded.
    bool hurry;
    // A step forwards asked for during a fade or turn; served when the turn ends.
    bool next_after_turn;
    // The place of the photo wanted instead of the one on its way; position
    // -1 for none. NEXT requests it, and the photo on its way is dropped for it.
    Place back;
    // The photo on its way was asked for by a step back.
    bool back_on_its_way;
    // The place of the photo in view (from the end of the fade, the photo the
    // camera turns to); position -1 before the first.
    Place shown;
};

void reset_controls(Controls* c);

// The control of a key (a virtual-key code); CONTROL_NONE for keys without one.
Control control_for_key(uint32_t virtual_key);

// The control of a wheel message with `delta` (negative: towards the user).
// Fine-grained wheels send parts of a notch: they add up in `*rest` until a
// whole notch (120) is reached; a turn the other way starts afresh.
Control control_for_wheel(int32_t* rest, int32_t delta);

// Whether a step forwards or back waits to be served.
bool step_pending(const Controls& c);

// A press in slide `state`, with the place requested last in the play order.
// A held key repeats: the pause and the overlay ignore repeats, and a repeated
// step is taken only when no step waits. Steps walk the play order. A resume
// moves `*request_time` on by the paused time, so the photo's seconds run on
// from where they stood. Returns whether the press was taken.
bool apply_control(Controls* c, Control control, bool repeat, int32_t state, Place requested,
                   const PlayOrder& order, float now, float* request_time);

// Which photo comes next: the place NEXT requests, the one a step back wants,
// or the one after the place requested last in the play order.
Place take_request(Controls* c, const PlayOrder& order, Place requested);

// Whether WAITING ends: at once for a step and for the first photo after start
// (`loaded_count` below 2), never while paused otherwise, else slide_duration
// - 2 seconds after the request.
bool waiting_ends(const Controls& c, int32_t loaded_count, float since_request, float slide_duration);

// Whether the photo on its way is dropped for a step back in `state`. A
// running decode cannot be stopped: in LOADING the photo is dropped once it
// is decoded.
bool drops_photo(const Controls& c, int32_t state, bool decoded);

// The end of the fade: the photo at `place` moves onto its face and the
// camera turns to it.
void photo_turned_to(Controls* c, Place place);

// The end of the turn: a step forwards asked for during it is served.
void turn_ended(Controls* c);

// The photo's seconds for the overlay and the hold; they stand while paused.
float slide_seconds(const Controls& c, float now, float request_time);

// Word for the overlay's third line while paused; null when not.
const char* pause_word(const Controls& c);

// The place of the photo on its way to the screen, which the next run starts with.
Place photo_on_its_way(const Controls& c, Place requested);
