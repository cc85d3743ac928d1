// Prints the texts of a visible dialog box with the given title (its edit box,
// static texts and buttons, one per line) once it is the foreground window and
// takes keys, so that the end-to-end tests can read what a box says. With a second argument it first waits until one of the
// box's controls shows exactly that text (the folder dialog has selected the
// remembered folder). Exit code 1 when that does not happen within two minutes,
// with what was seen last on stderr.
// usage: window_text.exe "title" ["text"]
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {
struct Search {
    const char* want;
    bool found;
};

BOOL CALLBACK look_at_child(HWND child, LPARAM p)
{
    auto* search = reinterpret_cast<Search*>(p);
    // WM_GETTEXT rather than GetWindowText: an edit box of another process
    // answers only to the message.
    char text[1024] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                             &length) ||
        length == 0)
        return TRUE;
    if (!search->want) std::printf("%s\n", text);
    else if (std::strcmp(text, search->want) == 0) search->found = true;
    return TRUE;
}
}

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    Search search = {argc > 2 ? argv[2] : nullptr, false};
    for (int i = 0; i < 1200; ++i) {
        HWND box = FindWindowA("#32770", argv[1]);
        // Keys reach the box only once it is the foreground window.
        if (box && IsWindowVisible(box) && GetForegroundWindow() == box) {
            if (search.want) EnumChildWindows(box, look_at_child, reinterpret_cast<LPARAM>(&search));
            if (!search.want || search.found) {
                Sleep(200);
                Search all = {nullptr, false};
                EnumChildWindows(box, look_at_child, reinterpret_cast<LPARAM>(&all));
                return 0;
            }
        }
        Sleep(100);
    }
    HWND box = FindWindowA("#32770", argv[1]);
    char front[256] = {};
    GetWindowTextA(GetForegroundWindow(), front, sizeof front);
    std::fprintf(stderr, "window_text: box %s, the foreground window is '%s'%s\n",
                 !box ? "not found" : !IsWindowVisible(box) ? "hidden" : "shown", front,
                 box && search.want ? ", the box's texts:" : "");
    if (box && search.want) {
        Search all = {nullptr, false};
        EnumChildWindows(box, look_at_child, reinterpret_cast<LPARAM>(&all));
    }
    return 1;
}
