// The settings dialog: the photo folder (chosen with the folder dialog),
// seconds per photo, the order and the caption. OK stores what it shows,
// Cancel nothing.
#include <windows.h>

#include "app/names.h"
#include "app/slideshow.h"
#include "resources/resource_ids.h"

namespace {

// In the order of the values they stand for (PhotoOrder, CaptionMode).
const char* const order_choices[] = {"Folder order", "Shuffle"};
const char* const caption_choices[] = {"None", "Date taken", "File name", "Date taken and file name"};
const char seconds_refused_text[] = "Seconds per photo: a whole number from 4 to 120";

// What the dialog works on: the record, with the settings as loaded, and
// what they were, to tell a changed folder or order.
struct DialogWork {
    Slideshow* show;
    char loaded_folder[path_size];
    int32_t loaded_order;
};

void fill_choices(HWND dialog, int id, const char* const* choices, int32_t count, int32_t selected)
{
    HWND box = GetDlgItem(dialog, id);
    for (int32_t i = 0; i < count; ++i) SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choices[i]));
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int32_t chosen(HWND dialog, int id, SettingRange range)
{
    LRESULT i = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return i >= range.lowest && i <= range.highest ? static_cast<int32_t>(i) : range.fallback;
}

void open_dialog(HWND dialog, DialogWork* work)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(work));
    SetWindowTextA(dialog, window_title);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ORBISCA_ICON));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    const Settings& settings = work->show->settings;
    SetDlgItemTextA(dialog, ORBISCA_SETTINGS_FOLDER, settings.folder);
    SetDlgItemTextA(dialog, ORBISCA_SETTINGS_SECONDS, int_to_text(settings.seconds));
    SendDlgItemMessageA(dialog, ORBISCA_SETTINGS_SECONDS, EM_LIMITTEXT, 3, 0);
    fill_choices(dialog, ORBISCA_SETTINGS_ORDER, order_choices, 2, settings.order);
    fill_choices(dialog, ORBISCA_SETTINGS_CAPTION, caption_choices, 4, settings.caption);
}

void browse(HWND dialog, DialogWork* work)
{
    Slideshow* show = work->show;
    if (show->choose_folder(dialog)) {
        SetDlgItemTextA(dialog, ORBISCA_SETTINGS_FOLDER, show->settings.folder);
    } else if (show->error_text()[0]) {
        // The folder stays as it was.
        MessageBoxA(dialog, show->error_text(), window_title, MB_ICONERROR);
        show->error_text_buf[0] = 0;
    }
}

// Stores what the dialog shows; false, with the seconds field in focus, when
// they are not a number it takes.
bool store(HWND dialog, DialogWork* work)
{
    char text[16];
    int32_t seconds;
    GetDlgItemTextA(dialog, ORBISCA_SETTINGS_SECONDS, text, sizeof(text));
    if (!seconds_from_text(text, &seconds)) {
        MessageBoxA(dialog, seconds_refused_text, window_title, MB_ICONWARNING);
        HWND field = GetDlgItem(dialog, ORBISCA_SETTINGS_SECONDS);
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
        SendMessageA(field, EM_SETSEL, 0, -1);
        return false;
    }
    Settings& settings = work->show->settings;
    settings.seconds = seconds;
    settings.order = chosen(dialog, ORBISCA_SETTINGS_ORDER, order_range);
    settings.caption = chosen(dialog, ORBISCA_SETTINGS_CAPTION, caption_range);
    uint32_t which = STORE_SECONDS | STORE_ORDER | STORE_CAPTION;
    // A folder that could not be read stays as it is until one is chosen.
    if (settings.folder[0]) which |= STORE_FOLDER;
    // Another folder, or another order, starts at the beginning.
    if (!str_equal(settings.folder, work->loaded_folder) || settings.order != work->loaded_order) {
        settings.file_index = -1;
        which |= STORE_FILE;
    }
    write_settings(settings, which);
    return true;
}

INT_PTR CALLBACK settings_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    DialogWork* work = reinterpret_cast<DialogWork*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        open_dialog(dialog, reinterpret_cast<DialogWork*>(lparam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case ORBISCA_SETTINGS_BROWSE:
            browse(dialog, work);
            return TRUE;
        case IDOK:
            if (store(dialog, work)) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

bool Slideshow::edit_settings(HWND owner)
{
    DialogWork work;
    work.show = this;
    str_copy(work.loaded_folder, settings.folder);
    work.loaded_order = settings.order;
    INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ORBISCA_SETTINGS_DIALOG), owner,
                                     settings_proc, reinterpret_cast<LPARAM>(&work));
    return answer == IDOK;
}
