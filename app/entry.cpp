// The process entry point. No runtime start-up code runs before it.
#include <windows.h>

#include "shell.h"

extern "C" void entry()
{
    run_application(create_slideshow);
    ExitProcess(0);
}
