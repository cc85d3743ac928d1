// The folder dialog answered at once with a given folder, for benchmarks that
// run the real start-up: the shell's two calls are replaced in the program's
// import table.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "support/hooks.h"

// When the dialog was answered (performance counter).
inline LARGE_INTEGER dialog_answered;
inline char dialog_folder[MAX_PATH];

inline LPITEMIDLIST WINAPI dialog_answer_now(LPBROWSEINFOA)
{
    auto* item = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(16));
    std::memset(item, 0, 16);
    QueryPerformanceCounter(&dialog_answered);
    return item;
}

inline BOOL WINAPI dialog_folder_path(LPCITEMIDLIST, LPSTR out)
{
    std::strcpy(out, dialog_folder);
    return TRUE;
}

// Every later dialog answers with folder (made absolute, without a trailing
// backslash unless it is a drive's root).
inline void answer_dialog_with(const char* folder)
{
    GetFullPathNameA(folder, MAX_PATH, dialog_folder, nullptr);
    size_t n = std::strlen(dialog_folder);
    if (n > 3 && dialog_folder[n - 1] == '\\') dialog_folder[n - 1] = 0;
    hook_import("SHELL32.dll", "SHBrowseForFolderA", reinterpret_cast<void*>(dialog_answer_now));
    hook_import("SHELL32.dll", "SHGetPathFromIDListA", reinterpret_cast<void*>(dialog_folder_path));
}
