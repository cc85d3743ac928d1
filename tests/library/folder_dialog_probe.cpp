// Opens the folder dialog on the folder given as the argument and prints what
// it returned, for folder_dialog_test.sh to answer with keys. A watcher thread
// finds the dialog by its caption and reports the looks the callback gave it.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/names.h"
#include "app/support.h"
#include "library/folder_dialog.h"

namespace {

DWORD WINAPI watch_dialog(LPVOID)
{
    HWND dialog = nullptr;
    for (int i = 0; i < 1200 && !dialog; ++i) {
        dialog = FindWindowA(nullptr, window_title);
        if (!dialog) Sleep(50);
    }
    if (!dialog) {
        std::printf("dialog=none\n");
        std::fflush(stdout);
        return 0;
    }
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101));
    HICON big = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    HICON small = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    const LONG wanted = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    std::printf("dialog=found\nstyle=%s\nicons=%s\n",
                (style & wanted) == wanted && !(style & WS_MAXIMIZEBOX) ? "ok" : "wrong",
                icon && big == icon && small == icon ? "ok" : "wrong");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    char path[path_size];
    std::strcpy(path, argc > 1 ? argv[1] : "");
    CoInitialize(nullptr);
    HANDLE watcher = CreateThread(nullptr, 0, watch_dialog, nullptr, 0, nullptr);
    bool chosen = pick_folder(path);
    WaitForSingleObject(watcher, 60000);
    std::printf("result=%d\npath=%s|\n", chosen ? 1 : 0, path);
    return 0;
}
