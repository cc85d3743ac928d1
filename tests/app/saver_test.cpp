// The screen saver's settings and its exits against the real platform: the
// settings dialog from the program's resources, worked by a thread of the
// test, and the folder dialog answered at once.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include "app/names.h"
#include "app/saver.h"
#include "resources/resource_ids.h"
#include "tools/common/bench_clock.h"
#include "tools/common/bench_dialog.h"

namespace {

const char* const key_name = "Software\\orbisca";

void store(const char* folder, DWORD file)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, key_name);
    RegSetKeyValueA(HKEY_CURRENT_USER, key_name, "folder", REG_SZ, folder, static_cast<DWORD>(strlen(folder) + 1));
    RegSetKeyValueA(HKEY_CURRENT_USER, key_name, "file", REG_DWORD, &file, 4);
}

std::string stored_folder()
{
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, key_name, "folder", RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

DWORD stored_file()
{
    DWORD value = 0, size = 4;
    RegGetValueA(HKEY_CURRENT_USER, key_name, "file", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

HWND dialog_owner = reinterpret_cast<HWND>(-1);
LPITEMIDLIST WINAPI answer_noting_owner(LPBROWSEINFOA info)
{
    dialog_owner = info->hwndOwner;
    return dialog_answer_now(info);
}
BOOL WINAPI no_path(LPCITEMIDLIST, LPSTR out)
{
    out[0] = 0;
    return FALSE;
}
// Runs the screen saver with `command`; once its settings dialog shows, notes
// the dialog and its owner and clicks `buttons` in it, as its own messages.
HWND settings_window = nullptr, settings_owner = nullptr;
void run_settings(const std::string& command, const std::vector<int>& buttons)
{
    settings_window = settings_owner = nullptr;
    std::thread clicker([&] {
        for (int i = 0; i < 300 && !settings_window; ++i, Sleep(20))
            settings_window = FindWindowA("#32770", window_title);
        if (settings_window) settings_owner = GetWindow(settings_window, GW_OWNER);
        for (int id : buttons) PostMessageA(settings_window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    });
    run_screen_saver(command.c_str());
    clicker.join();
    EXPECT_NE(settings_window, nullptr) << "no settings dialog";
}

std::string box_text;
int WINAPI noted_box(HWND, LPCSTR text, LPCSTR, UINT)
{
    box_text = text;
    return IDOK;
}

} // namespace

TEST(SaverSettings, OkStoresTheChoiceInTheOwnersDialog)
{
    store("C:\\elsewhere\\", 3);
    answer_dialog_with("C:\\windows");
    hook_import("SHELL32.dll", "SHBrowseForFolderA", reinterpret_cast<void*>(answer_noting_owner));
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    run_settings("x.scr /c:" + std::to_string(reinterpret_cast<uintptr_t>(owner)), {ORBISCA_SETTINGS_BROWSE, IDOK});
    EXPECT_EQ(settings_owner, owner);
    // The folder dialog belongs to the settings dialog.
    EXPECT_EQ(dialog_owner, settings_window);
    EXPECT_EQ(stored_folder(), "C:\\windows\\");
    EXPECT_EQ(stored_file(), 0xFFFFFFFFu) << "another folder starts at its first photo";
    // A handle that names no window gives a dialog without an owner.
    DestroyWindow(owner);
    run_settings("x.scr /c:" + std::to_string(reinterpret_cast<uintptr_t>(owner)), {IDCANCEL});
    EXPECT_EQ(settings_owner, nullptr);
}

TEST(SaverSettings, AChoiceWithoutAPathIsReportedAndNothingStored)
{
    store("C:\\elsewhere\\", 3);
    answer_dialog_with("C:\\windows");
    hook_import("SHELL32.dll", "SHGetPathFromIDListA", reinterpret_cast<void*>(no_path));
    void* real_box = hook_import("USER32.dll", "MessageBoxA", reinterpret_cast<void*>(noted_box));
    // The box, then OK: the folder stays as it was, and so does the position.
    run_settings("x.scr /c", {ORBISCA_SETTINGS_BROWSE, IDOK});
    hook_import("USER32.dll", "MessageBoxA", real_box);
    EXPECT_EQ(box_text, "The chosen item is not a folder on a disk");
    EXPECT_EQ(stored_folder(), "C:\\elsewhere\\");
    EXPECT_EQ(stored_file(), 3u);
}

TEST(SaverExits, PreviewWithoutItsWindowAndPasswordsEndAtOnce)
{
    // At once: without a window or a wait. The limit only tells a return
    // from a wait for something that never comes.
    double start = seconds_now();
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    run_screen_saver(("x.scr /p " + std::to_string(reinterpret_cast<uintptr_t>(gone))).c_str());
    run_screen_saver("x.scr /a");
    EXPECT_LT(seconds_now() - start, 30.0);
    EXPECT_EQ(FindWindowA("qelvar_orbisca_saver", nullptr), nullptr);
}
