// What the show keeps between runs, under HKEY_CURRENT_USER\Software\orbisca,
// and the rules for the values stored there, as plain code.
#pragma once
#include <stdint.h>

#include "app/support.h"
#include "library/file_list.h"

enum PhotoOrder : int32_t {
    ORDER_FOLDER = 0,
    ORDER_SHUFFLE = 1,
};

enum CaptionMode : int32_t {
    CAPTION_NONE = 0,
    CAPTION_DATE = 1,
    CAPTION_NAME = 2,
    CAPTION_BOTH = 3,
};

struct Settings {
    // "folder": the photo folder, ending with a backslash; empty before the
    // first choice.
    char folder[path_size];
    // "file": the place in the play order of the photo before the one to show
    // first; -1 starts at the beginning of a round (in folder order: the
    // list index, -1 the first photo).
    int32_t file_index;
    // "path": the photo to show first, as a path relative to folder; empty
    // when none is known. Photos added or removed elsewhere in the folder
    // move its place in the list, not the photo the show starts with.
    char path[path_size];
    // "seconds": from one photo to the next.
    int32_t seconds;
    // "order": a PhotoOrder.
    int32_t order;
    // "caption": a CaptionMode.
    int32_t caption;
    // "seed": the shuffled order's round (slideshow/play_order.h); only
    // meaningful when seed_stored.
    uint32_t seed;
    bool seed_stored;
};

// The numbers the settings take: a stored DWORD within [lowest, highest] is
// taken, anything else gives the fallback.
struct SettingRange {
    int32_t lowest, highest, fallback;
};
const SettingRange seconds_range = {4, 120, 5};
const SettingRange order_range = {ORDER_FOLDER, ORDER_SHUFFLE, ORDER_FOLDER};
const SettingRange caption_range = {CAPTION_NONE, CAPTION_BOTH, CAPTION_NONE};

// A value as the registry hands it out: whether it was there and could be
// read into four bytes, its type and size, and those four bytes.
struct StoredValue {
    bool read;
    uint32_t type;
    uint32_t size;
    uint32_t bits;
};
// Registry types, as the system defines them.
const uint32_t stored_type_dword = 4;

// Whether a stored value is a number of ours: a REG_DWORD of four bytes.
bool stored_number(const StoredValue& value, uint32_t* number);
// The setting a stored value gives: the number when it is in range, else the
// fallback (a missing value, another type or size, a number out of range).
int32_t setting_from_value(const StoredValue& value, SettingRange range);

// The values written by write_settings, as a set of bits.
enum SettingValue : uint32_t {
    STORE_FOLDER = 1,
    STORE_FILE = 2,
    STORE_SECONDS = 4,
    STORE_ORDER = 8,
    STORE_CAPTION = 16,
    STORE_SEED = 32,
    STORE_PATH = 64,
};

// Settings as on a first run: no folder, the first photo, every number at
// its fallback, no seed.
void default_settings(Settings* settings);
// Reads the stored values into settings (Windows only). A folder or position
// that is missing or not the program's leaves its field as it was; a number
// that is not the program's reads as its fallback. The key is created when
// it does not exist.
void read_settings(Settings* settings);
// Writes the values named by `which` (SettingValue bits; Windows only);
// failures are passed over. Nothing else is touched, so a value the program
// could not read stays as it was unless it is written on purpose.
void write_settings(const Settings& settings, uint32_t which);

// Takes a stored folder value of size bytes into folder (path_size bytes)
// when it holds a terminated text that fits; false leaves folder alone. The
// photo's path is taken by the same rule.
bool folder_from_value(const char* value, uint32_t size, char* folder);

// The list index of the stored photo: the entry that is settings.folder
// followed by settings.path, byte for byte; -1 when the list holds none.
int32_t stored_photo_index(const FileList& files, const Settings& settings);

// Writes the path of `entry` relative to `folder` into path (path_size
// bytes); false, leaving path alone, when the entry does not lie below folder.
bool relative_photo_path(const char* entry, const char* folder, char* path);
// The seconds per photo typed into the settings dialog: digits only, with
// blanks around them, within seconds_range. False for anything else.
bool seconds_from_text(const char* text, int32_t* seconds);

// The position to resume at for a stored value: never below -1.
int32_t resume_index(int32_t stored);

// The value to store for the position reached. Once a photo was requested the
// index goes one back, so that the next run requests the same photo first; a
// run that requested none keeps the position it started with.
int32_t index_to_store(int32_t file_index, bool photo_requested);
