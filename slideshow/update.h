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
// faces.
void update(Clock* clock, Cycle* cycle, Controls* controls, LoadJob* job, const FileList& files, GpuObjects* gpu,
            char* status_text);
