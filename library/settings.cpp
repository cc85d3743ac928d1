// The folder and the position in its list, kept between runs under
// HKEY_CURRENT_USER\Software\orbisca.
#include "app/slideshow.h"
#include "library/photo_paths.h"

namespace {

const char key_name[] = "Software\\orbisca";

// Opens the key, creating it when it does not exist yet.
bool open_key(HKEY* key)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, key_name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           key, nullptr) == ERROR_SUCCESS;
}

} // namespace

void Slideshow::load_settings()
{
    HKEY key;
    if (!open_key(&key)) return;

    // A value of another type, too long for the folder field or without its
    // terminator is not ours: the field keeps what it has.
    char value[1024];
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, "folder", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
        type == REG_SZ)
        folder_from_value(value, size, folder);

    int32_t index = file_index;
    size = sizeof(index);
    if (RegQueryValueExA(key, "file", nullptr, &type, reinterpret_cast<BYTE*>(&index), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(index))
        file_index = resume_index(index);

    RegCloseKey(key);
}

void Slideshow::save_settings()
{
    HKEY key;
    if (!open_key(&key)) return;
    RegSetValueExA(key, "folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), str_length(folder) + 1);
    // loader.path is filled when the first photo is requested.
    int32_t index = index_to_store(file_index, loader.path[0] != 0);
    RegSetValueExA(key, "file", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index), sizeof(index));
    RegCloseKey(key);
}
