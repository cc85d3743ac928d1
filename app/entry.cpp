// The process entry point. No runtime start-up code runs before it.
#include <windows.h>

#include "app/shell.h"
#include "app/slideshow.h"

namespace {
Application* create_application() { return create_slideshow(); }
}

extern "C" void entry()
{
    run_application(create_application);
    ExitProcess(0);
}
