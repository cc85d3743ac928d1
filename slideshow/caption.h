// The caption in the bottom-left corner: the date a photo was taken and its
// file name, as the settings ask, made when the photo moves onto its face.
#pragma once
#include <stdint.h>

#include "pipeline/exif.h"

// The file name of a path: what follows its last backslash.
const char* file_name_of(const char* path);

// Writes the caption for `mode` (a CaptionMode) into out (text_size bytes):
// the date's text (empty: the photo has none), the file name of `path`, or
// both on two lines, the date first. Empty for CAPTION_NONE, and for the date
// alone when there is none.
void compose_caption(char* out, int32_t mode, const char* date_text, const char* path);

// The date in the user's own format (Windows only); empty for no_date and
// for a date the system cannot write. out holds date_text_size bytes.
const uint32_t date_text_size = 128;
void format_date(PhotoDate date, char* out);

// format_date and compose_caption in one (Windows only).
void write_caption(char* out, int32_t mode, PhotoDate date, const char* path);
