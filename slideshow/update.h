// The per-frame clock and sequencer of the slideshow: one state step per call,
// then the status text for the overlay.
#pragma once
#include "library/file_list.h"
#include "pipeline/load_job.h"
#include "render/gpu.h"
#include "slideshow/clock.h"
#include "slideshow/controls.h"
#include "slideshow/cycle.h"

// Takes the time, moves the cycle on by at most one state and rewrites
// status_text (text_size bytes). It hands the photos on their way to the
// worker through job, uploads them on gpu's device and moves them onto the
// faces. `turn` is the place in the play order that any show on `files` took
// last (&cycle->requested for a show of its own): the screen saver's shows on
// several monitors take turns through the one list.
void update(Clock* clock, Cycle* cycle, Controls* controls, LoadJob* job, const FileList& files, Place* turn,
            GpuObjects* gpu, char* status_text);
