// Prints the texts of a visible dialog box with the given title (its static
// texts and buttons, one per line), so that the end-to-end tests can read what
// a message box says. Exit code 1 when no such box appears within 30 s.
// usage: window_text.exe "title"
#include <windows.h>

#include <cstdio>

namespace {
BOOL CALLBACK print_child(HWND child, LPARAM)
{
    char text[1024];
    if (GetWindowTextA(child, text, sizeof text) > 0) std::printf("%s\n", text);
    return TRUE;
}
}

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    for (int i = 0; i < 300; ++i) {
        HWND box = FindWindowA("#32770", argv[1]);
        if (box && IsWindowVisible(box)) {
            Sleep(200);
            EnumChildWindows(box, print_child, 0);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
