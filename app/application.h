// The interface between the shell (entry point, window, message loop) and the
// program behind it. The shell knows nothing of photos, textures or threads.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "support.h"

class Application {
public:
    virtual ~Application() {}
    // true: running; false: start-up failed or was cancelled.
    virtual bool init() { return false; }
    // Runs exactly once, from WM_DESTROY.
    virtual void done() {}
    // One frame. A negative result means nothing was presented (a lost
    // device, for example): the loop then waits briefly before the next one.
    virtual long frame() { return 0; }
    // Text to show after a failed init; null or empty means nothing to show.
    virtual const char* error_text() { return nullptr; }
    // A viewer's control (a Control of slideshow/controls.h) from a key,
    // click or wheel; `repeat` for a held key's auto-repeat.
    virtual void control(int32_t what, bool repeat) {}

    // Objects live in process-heap blocks from mem_alloc; the deleting
    // destructor gives the block back with mem_free.
    static void* operator new(size_t, void* where) { return where; }
    static void operator delete(void* p) { mem_free(p); }
};

// Globals owned by entry().
struct HWND__;
extern HWND__* main_window;
extern Application* app_object;
