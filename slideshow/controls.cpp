#include "controls.h"

#include "slideshow/cycle.h"

namespace {

// Virtual-key codes, as in winuser.h (this file also builds natively).
const uint32_t key_tab = 0x09, key_pause = 0x13, key_space = 0x20, key_page_up = 0x21, key_page_down = 0x22,
               key_left = 0x25, key_up = 0x26, key_right = 0x27, key_down = 0x28;

const int32_t wheel_notch = 120;

// The place a step back starts from: the one a step back already wants or
// brings, else the photo in view, else (nothing shown yet) the one on its way.
Place back_from(const Controls& c, Place requested)
{
    if (c.back.position >= 0) return c.back;
    if (c.back_on_its_way || c.shown.position < 0) return requested;
    return c.shown;
}

void step_back(Controls* c, int32_t state, Place requested, const PlayOrder& order)
{
    Place wanted = place_before(order, back_from(*c, requested));
    c->next_after_turn = false;
    // The photo on its way is the one wanted (a list of one, or two photos
    // with the fade under way): it comes at once, nothing is dropped.
    bool on_its_way = state == LOADING || state == CACHING || state == WAITING || state == FADING;
    if (on_its_way && same_place(wanted, requested)) {
        c->back.position = -1;
        c->back_on_its_way = true;
        c->hurry = true;
        return;
    }
    c->back = wanted;
}

} // namespace

void reset_controls(Controls* c)
{
    c->paused = false;
    c->pause_start = 0.0f;
    c->overlay_hidden = false;
    c->hurry = false;
    c->next_after_turn = false;
    c->back = Place{0, -1};
    c->back_on_its_way = false;
    c->shown = Place{0, -1};
}

Control control_for_key(uint32_t virtual_key)
{
    switch (virtual_key) {
    case key_space:
    case key_pause:
        return CONTROL_PAUSE;
    case key_right:
    case key_down:
    case key_page_down:
        return CONTROL_NEXT;
    case key_left:
    case key_up:
    case key_page_up:
        return CONTROL_PREVIOUS;
    case key_tab:
        return CONTROL_OVERLAY;
    }
    return CONTROL_NONE;
}

Control control_for_wheel(int32_t* rest, int32_t delta)
{
    if ((delta < 0 && *rest > 0) || (delta > 0 && *rest < 0)) *rest = 0;
    // A single message larger than a notch still makes one step.
    if (delta <= -wheel_notch || delta >= wheel_notch) {
        *rest = 0;
        return delta < 0 ? CONTROL_NEXT : CONTROL_PREVIOUS;
    }
    *rest += delta;
    if (*rest <= -wheel_notch) {
        *rest = 0;
        return CONTROL_NEXT;
    }
    if (*rest >= wheel_notch) {
        *rest = 0;
        return CONTROL_PREVIOUS;
    }
    return CONTROL_NONE;
}

bool step_pending(const Controls& c)
{
    return c.hurry || c.next_after_turn || c.back.position >= 0 || c.back_on_its_way;
}

bool apply_control(Controls* c, Control control, bool repeat, int32_t state, Place requested,
                   const PlayOrder& order, float now, float* request_time)
{
    switch (control) {
    case CONTROL_PAUSE:
        if (repeat) return false;
        if (!c->paused) {
            c->paused = true;
            c->pause_start = now;
        } else {
            c->paused = false;
            // The time that stood: from the pause, or from a request made
            // during it, to now.
            float from = *request_time > c->pause_start ? *request_time : c->pause_start;
            if (now > from) *request_time += now - from;
        }
        return true;
    case CONTROL_OVERLAY:
        if (repeat) return false;
        c->overlay_hidden = !c->overlay_hidden;
        return true;
    case CONTROL_NEXT:
        if (repeat && step_pending(*c)) return false;
        // The photo on its way is already on its face during the turn: the
        // step is for the one after it.
        if (state == FADING || state == ROTATING)
            c->next_after_turn = true;
        else
            c->hurry = true;
        return true;
    case CONTROL_PREVIOUS:
        if (order.count <= 0 || (repeat && step_pending(*c))) return false;
        step_back(c, state, requested, order);
        return true;
    case CONTROL_NONE:
        break;
    }
    return false;
}

Place take_request(Controls* c, const PlayOrder& order, Place requested)
{
    if (c->back.position >= 0 && c->back.position < order.count) {
        Place wanted = c->back;
        c->back.position = -1;
        c->back_on_its_way = true;
        c->hurry = true;
        return wanted;
    }
    c->back.position = -1;
    return place_after(order, requested);
}

bool waiting_ends(const Controls& c, int32_t loaded_count, float since_request, float slide_duration)
{
    if (c.hurry) return true;
    if (c.paused) return false;
    return loaded_count < 2 || since_request >= slide_duration - 2.0f;
}

bool drops_photo(const Controls& c, int32_t state, bool decoded)
{
    if (c.back.position < 0) return false;
    return (state == LOADING && decoded) || state == CACHING || state == WAITING;
}

void photo_turned_to(Controls* c, Place place)
{
    c->shown = place;
    c->hurry = false;
    c->back_on_its_way = false;
}

void turn_ended(Controls* c)
{
    if (c->next_after_turn) c->hurry = true;
    c->next_after_turn = false;
}

float slide_seconds(const Controls& c, float now, float request_time)
{
    if (!c.paused) return now - request_time;
    float until = c.pause_start > request_time ? c.pause_start : request_time;
    return until - request_time;
}

const char* pause_word(const Controls& c) { return c.paused ? "PAUSED" : nullptr; }

Place photo_on_its_way(const Controls& c, Place requested)
{
    return c.back.position >= 0 ? c.back : requested;
}
