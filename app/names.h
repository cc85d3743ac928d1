// Word lists that make up technique names: filter + UV function + transition,
// for example "SepiaLensFade". Each list ends with a null entry.
#pragma once

// A technique name's buffer, terminator included; the longest name,
// "GrayScaleInvertDisplacementSector", has 33 characters.
const int technique_size = 64;

extern const char* const filter_names[6];
extern const char* const uv_names[5];
extern const char* const transition_names[3];

// Window class, window title (also the error box's title).
extern const char window_class_name[];
extern const char window_title[];
