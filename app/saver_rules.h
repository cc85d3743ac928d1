// The screen saver's plain rules: what Windows asks for on the command line,
// where the windows over the other monitors go, and how far the pointer
// may move before the show ends.
#pragma once
#include <stdint.h>

enum SaverMode {
    SAVER_SETTINGS, // the settings dialog, owned by `window` when it is not 0
    SAVER_SHOW,     // the show, full screen
    SAVER_PREVIEW,  // drawn into `window`, which is never 0
    SAVER_EXIT,     // nothing to do: /a, or a preview without a usable handle
};

struct SaverCommand {
    SaverMode mode;
    uint32_t window; // a window handle as Windows writes it: an unsigned decimal
};

// The whole command line as the process got it, program name first (quoted
// or not). Switches in either letter case after '/' or '-'; a handle after a
// colon or blanks. No switch, or one the program does not know, means the
// settings.
SaverCommand parse_saver_command(const char* command_line);

struct ScreenRect {
    int32_t left, top, right, bottom;
};

struct MonitorArea {
    ScreenRect rect;
    bool primary;
};

// Most shows the screen saver runs at once, one per monitor: the primary
// monitor's and as many beside it. Monitors past them get black windows.
const int32_t max_saver_shows = 4;

// Most black windows the screen saver opens; monitors past that share the
// last one, which then spans them all.
const int32_t max_cover_windows = 16;

// Rectangles for the windows over every monitor but the primary one, which
// the first show covers: the shows beside it, then black windows. Empty
// areas, repeats of an area already covered and areas inside the primary one
// (mirrored displays) get none.
// Returns how many were written to out (max_cover_windows entries).
int32_t cover_rects(const MonitorArea* monitors, int32_t count, ScreenRect* out);

// A move of the pointer from where it was when the show began that ends it.
const int32_t pointer_slack = 4;
bool pointer_moved_away(int32_t from_x, int32_t from_y, int32_t x, int32_t y);
