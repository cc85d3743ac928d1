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

namespace {

// The text after prefix in text, or null when text does not start with it.
const char* after_prefix(const char* text, const char* prefix)
{
    while (*prefix)
        if (*text++ != *prefix++) return nullptr;
    return text;
}

bool same_text(const char* a, const char* b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

} // namespace

int32_t stored_photo_index(const FileList& files, const Settings& settings)
{
    if (settings.path[0] == 0 || settings.folder[0] == 0 || !files.entries) return -1;
    for (int32_t i = 0; i < files.count; ++i) {
        const char* rest = after_prefix(files.entry(i), settings.folder);
        if (rest && same_text(rest, settings.path)) return i;
    }
    return -1;
}

int32_t resume_position(int32_t photo_index, int32_t file_index, int32_t count)
{
    if (photo_index >= 0 && photo_index < count) return photo_index - 1;
    return file_index > count - 1 ? count - 1 : file_index;
}

bool relative_photo_path(const char* entry, const char* folder, char* path)
{
    const char* rest = folder[0] ? after_prefix(entry, folder) : nullptr;
    if (!rest || rest[0] == 0) return false;
    str_copy(path, rest);
    return true;
}

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

    size = sizeof(value);
    if (RegQueryValueExA(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
        type == REG_SZ)
        folder_from_value(value, size, settings->path);

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
    RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(settings.path),
                   str_length(settings.path) + 1);
    RegCloseKey(key);
}

#endif
