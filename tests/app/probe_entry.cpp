// A program built exactly like the slideshow (own entry point, no runtime)
// around an application object that keeps every default: init fails with no
// text, so the program must end silently with exit code 0.
#include <windows.h>

#include "app/shell.h"

namespace {
Application* create_default_application()
{
    void* block = mem_alloc(sizeof(Application));
    return block ? new (block) Application() : nullptr;
}
}

extern "C" void entry()
{
    run_application(create_default_application);
    ExitProcess(0);
}
