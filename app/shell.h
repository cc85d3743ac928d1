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

// A line of text (UTF-8) in the middle of main_window on black, before
// Direct3D draws there, painted by the window's WM_PAINT through
// paint_notice. The first text shows a top-level window over the whole
// primary monitor, in front and with the keyboard; a child window stays as
// it is. Null takes the text away without painting: the window keeps what it
// shows until Direct3D draws there.
void show_notice(const char* text);
// Paints the notice into hwnd when it is main_window and a notice is up;
// false otherwise (the caller paints as it would).
bool paint_notice(HWND hwnd);
// Whether a notice is up.
bool notice_shown();

enum MessageWait { WAIT_ENDED, WAIT_TIMED_OUT, WAIT_QUIT };
// Dispatches the thread's messages until `object` is signalled (WAIT_ENDED),
// ms have passed (WAIT_TIMED_OUT) or WM_QUIT comes (WAIT_QUIT: it is posted
// again for the loop that waits for it).
MessageWait wait_with_messages(HANDLE object, uint32_t ms);
