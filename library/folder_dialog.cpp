// The shell's folder dialog, opened on the remembered folder.
#include <shlobj.h>

#include "library/folder_dialog.h"

#include "app/names.h"
#include "app/support.h"
#include "resources/resource_ids.h"

bool pick_folder(char* path, HWND owner)
{
    BROWSEINFOA info;
    mem_fill(&info, 0, sizeof(info));
    info.hwndOwner = owner;
    info.lpszTitle = "Locate your favorite photos";
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpfn = browse_callback;
    info.lParam = reinterpret_cast<LPARAM>(path);

    IMalloc* shell_malloc = nullptr;
    if (SHGetMalloc(&shell_malloc) < 0 || !shell_malloc) return false;

    bool chosen = false;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (item) {
        // An item outside the file system (a printer, the network) has no
        // path: the caller gets an empty one.
        if (!SHGetPathFromIDListA(item, path)) path[0] = 0;
        shell_malloc->Free(item);
        chosen = true;
    }
    shell_malloc->Release();
    return chosen;
}

int CALLBACK browse_callback(HWND window, UINT message, LPARAM lparam, LPARAM data)
{
    if (message != BFFM_INITIALIZED) return 0;

    // Under Wine the first selection of a dialog often fails while the tree
    // still fills the folders on the way (seen on new prefixes and for folders
    // below /tmp); a second attempt finds the folder.
    if (!SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data)) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);

    LONG style = GetWindowLongA(window, GWL_STYLE);
    style &= ~static_cast<LONG>(WS_MAXIMIZEBOX);
    style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    SetWindowLongA(window, GWL_STYLE, style);

    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ORBISCA_ICON));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    SetWindowTextA(window, window_title);
    return 0;
}
