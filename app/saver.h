// The screen saver (orbisca.scr): the same slideshow, started the way Windows
// starts a screen saver. Its entry hands the command line to
// run_screen_saver.
#pragma once
#include <windows.h>
#include <stdint.h>

void run_screen_saver(const char* command_line);

// The three ways to run, each complete: the show over every monitor, the
// settings (the settings dialog, owned by owner when it is a window), and the
// preview drawn into parent until parent goes away.
void run_saver_show();
void run_saver_settings(HWND owner);
void run_saver_preview(HWND parent);

// The preview's frame rate.
const int32_t preview_frames_per_second = 30;
