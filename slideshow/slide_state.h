// The states of a slide, from the request of the next photo to the end of the
// turn that shows it (slideshow/update.cpp moves through them).
#pragma once
#include <stdint.h>

enum SlideState : int32_t {
    NEXT = 0,
    LOADING = 1,
    CACHING = 2,
    WAITING = 3,
    ROTATING = 4,
    FADING = 5,
};
