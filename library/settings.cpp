#include "library/settings.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool folder_from_value(const char* value, uint32_t size, char* folder)
{
    uint32_t limit = size < path_size ? size : path_size;
    for (uint32_t i = 0; i < limit; ++i) {
        if (value[i] == 0) {
            for (uint32_t j = 0; j <= i; ++j) folder[j] = value[j];
            return true;
        }
    }
    return false;
}

int32_t resume_index(int32_t stored) { return stored < -1 ? -1 : stored; }

int32_t index_to_store(int32_t file_index, bool photo_requested)
{
    if (file_index < -1) return -1;
    if (!photo_requested) return file_index;
    return file_index == -1 ? -1 : file_index - 1;
}

#ifdef _WIN32

// The registry side: the values under the key, read and written with the
// rules above.

namespace {

const char key_name[] = "Software\\orbisca";

// Opens the key, creating it when it does not exist yet.
bool open_key(HKEY* key)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, key_name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           key, nullptr) == ERROR_SUCCESS;
}

} // namespace

void read_settings(Settings* settings)
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
        folder_from_value(value, size, settings->folder);

    int32_t index = settings->file_index;
    size = sizeof(index);
    if (RegQueryValueExA(key, "file", nullptr, &type, reinterpret_cast<BYTE*>(&index), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(index))
        settings->file_index = resume_index(index);

    RegCloseKey(key);
}

void write_settings(const Settings& settings)
{
    HKEY key;
    if (!open_key(&key)) return;
    RegSetValueExA(key, "folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(settings.folder),
                   str_length(settings.folder) + 1);
    RegSetValueExA(key, "file", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&settings.file_index),
                   sizeof(settings.file_index));
    RegCloseKey(key);
}

#endif
