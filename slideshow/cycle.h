// Where the show is in its cycle of photos: the states of a slide, from the
// request of the next photo to the end of the turn that shows it, the faces it
// has reached and the photo it requested last (slideshow/update.cpp moves
// through them).
#pragma once
#include <stdint.h>

#include "slideshow/play_order.h"

enum SlideState : int32_t {
    NEXT = 0,
    LOADING = 1,
    CACHING = 2,
    WAITING = 3,
    ROTATING = 4,
    FADING = 5,
};

struct Cycle {
    SlideState state;
    // The face, 0 to 5, that receives the next photo and to which the camera
    // turns next; the one before it is in view while the camera rests.
    int32_t face;
    // Position in the colour-filter cycle of the technique choice.
    int32_t filter_index;
    // The place in the play order of the photo requested last; position -1
    // before the first. In folder order the position is the list index.
    Place requested;
    // The play order is shuffled rather than the folder's.
    bool shuffled;
    // The start of FADING, of ROTATING and the end of ROTATING: when they
    // were due, where the frame came within a frame time of that (phase_end).
    float phase_start;
    // Seconds from one photo's request to the next one's.
    float slide_duration;
    // What the caption of a photo says (CaptionMode, library/settings.h).
    int32_t caption;
    // Techniques drawn once so far in warm-up order (slideshow/technique.h).
    int32_t warmed_techniques;
};

// The face in view while the camera rests: the one before `face`.
inline int32_t face_in_view(int32_t face) { return face == 0 ? 5 : face - 1; }

// The face whose photo is in view in `state`: from the end of the fade the one
// the camera turns to.
inline int32_t face_shown(int32_t state, int32_t face) { return state == ROTATING ? face : face_in_view(face); }

// Whether the staging texture holds the photo on its way, from the end of its
// load until it moves onto its face: a spare texture made again after a
// device reset takes its photo from there.
inline bool spare_holds_photo(int32_t state) { return state == CACHING || state == WAITING || state == FADING; }
