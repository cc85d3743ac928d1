#pragma once
#include <windows.h>

#include "application.h"

// How long the loop waits after a frame that presented nothing before it
// tries again, unless a message arrives first.
const unsigned failed_frame_wait_ms = 50;

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void message_loop(bool with_frames);
bool register_window_class(HINSTANCE instance);
// A window class with the program's icon and the arrow cursor.
bool register_class(HINSTANCE instance, const char* name, WNDPROC procedure, HBRUSH background);
HWND create_main_window(HINSTANCE instance);
// Everything entry does between its first instruction and ExitProcess, with
// the factory of the application object as a parameter so that tests can run
// the shell around an object of their own.
void run_application(Application* (*create)());
