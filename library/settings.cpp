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

bool stored_number(const StoredValue& value, uint32_t* number)
{
    if (!value.read || value.type != stored_type_dword || value.size != 4) return false;
    *number = value.bits;
    return true;
}

int32_t setting_from_value(const StoredValue& value, SettingRange range)
{
    uint32_t bits;
    if (!stored_number(value, &bits)) return range.fallback;
    int32_t n = static_cast<int32_t>(bits);
    return n >= range.lowest && n <= range.highest ? n : range.fallback;
}

void default_settings(Settings* settings)
{
    settings->folder[0] = 0;
    settings->file_index = -1;
    settings->path[0] = 0;
    settings->seconds = seconds_range.fallback;
    settings->order = order_range.fallback;
    settings->caption = caption_range.fallback;
    settings->seed = 0;
    settings->seed_stored = false;
}

bool seconds_from_text(const char* text, int32_t* seconds)
{
    while (*text == ' ' || *text == '\t') ++text;
    int32_t n = 0;
    int32_t digits = 0;
    // Four digits say more than the highest setting: no overflow below that.
    for (; *text >= '0' && *text <= '9'; ++text, ++digits)
        if (digits < 4) n = n * 10 + (*text - '0');
    while (*text == ' ' || *text == '\t') ++text;
    if (*text != 0 || digits == 0 || digits > 3 || n < seconds_range.lowest || n > seconds_range.highest)
        return false;
    *seconds = n;
    return true;
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

// One DWORD-sized read of a value: what it says about the value, whatever it holds.
StoredValue read_value(HKEY key, const char* name)
{
    StoredValue value = {false, 0, 0, 0};
    DWORD type = 0;
    DWORD size = sizeof(value.bits);
    // A longer value does not fit the four bytes and is not read.
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value.bits), &size) == ERROR_SUCCESS) {
        value.read = true;
        value.type = type;
        value.size = size;
    }
    return value;
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

    uint32_t number;
    if (stored_number(read_value(key, "file"), &number))
        settings->file_index = resume_index(static_cast<int32_t>(number));
    settings->seconds = setting_from_value(read_value(key, "seconds"), seconds_range);
    settings->order = setting_from_value(read_value(key, "order"), order_range);
    settings->caption = setting_from_value(read_value(key, "caption"), caption_range);
    settings->seed_stored = stored_number(read_value(key, "seed"), &settings->seed);

    RegCloseKey(key);
}

namespace {

void write_number(HKEY key, const char* name, uint32_t number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
}

} // namespace

void write_settings(const Settings& settings, uint32_t which)
{
    HKEY key;
    if (!open_key(&key)) return;
    if (which & STORE_FOLDER)
        RegSetValueExA(key, "folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(settings.folder),
                       str_length(settings.folder) + 1);
    if (which & STORE_FILE) write_number(key, "file", static_cast<uint32_t>(settings.file_index));
    if (which & STORE_PATH)
        RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(settings.path),
                       str_length(settings.path) + 1);
    if (which & STORE_SECONDS) write_number(key, "seconds", static_cast<uint32_t>(settings.seconds));
    if (which & STORE_ORDER) write_number(key, "order", static_cast<uint32_t>(settings.order));
    if (which & STORE_CAPTION) write_number(key, "caption", static_cast<uint32_t>(settings.caption));
    if (which & STORE_SEED) write_number(key, "seed", settings.seed);
    RegCloseKey(key);
}

#endif
