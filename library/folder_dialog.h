// The shell's folder dialog, opened on the remembered folder.
#pragma once
#include <windows.h>

// path (path_size bytes) holds the folder to pre-select and, on OK, receives
// the choice: the folder's file-system path, empty for an item outside the
// file system. False on cancel, or when the shell's allocator is missing.
bool pick_folder(char* path, HWND owner = nullptr);
int CALLBACK browse_callback(HWND window, UINT message, LPARAM lparam, LPARAM data);
