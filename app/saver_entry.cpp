// The screen saver's entry point. No runtime start-up code runs before it.
#include <windows.h>

#include "saver.h"

extern "C" void entry()
{
    run_screen_saver(GetCommandLineA());
    ExitProcess(0);
}
