// Settings in the registry and the photo list on disk, under Wine with a
// throwaway prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/slideshow.h"
#include "library/photo_paths.h"
#include "support/hooks.h"

namespace {

const char key_name[] = "Software\\orbisca";

struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::vector<unsigned char> bytes;
};

RawValue read_raw(const char* name)
{
    RawValue v;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_name, 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    DWORD size = 4096;
    v.bytes.resize(size);
    if (RegQueryValueExA(key, name, nullptr, &v.type, v.bytes.data(), &size) == ERROR_SUCCESS) {
        v.present = true;
        v.bytes.resize(size);
    }
    RegCloseKey(key);
    return v;
}

void write_raw(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key_name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void write_index(int32_t v) { write_raw("file", REG_DWORD, &v, 4); }

bool key_exists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, key_name); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, key_name); }
};

TEST_F(Settings, FirstRunKeepsDefaultsAndCreatesTheKey)
{
    ASSERT_FALSE(key_exists());
    Slideshow s;
    s.load_settings();
    EXPECT_STREQ("", s.settings.folder);
    EXPECT_EQ(-1, s.cycle.requested.position);
    EXPECT_TRUE(key_exists());
}

TEST_F(Settings, StoredWithTerminatorAndResumedAtTheSamePhoto)
{
    {
        Slideshow s;
        std::strcpy(s.settings.folder, "C:\\photos\\");  // 10 characters
        s.cycle.requested.position = 7;
        std::strcpy(s.job.loader.path, "C:\\photos\\h.jpg");
        s.save_settings();
    }
    RawValue folder = read_raw("folder");
    ASSERT_TRUE(folder.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), folder.type);
    ASSERT_EQ(11u, folder.bytes.size());
    EXPECT_EQ(0, folder.bytes[10]);
    RawValue file = read_raw("file");
    ASSERT_TRUE(file.present);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), file.type);
    ASSERT_EQ(4u, file.bytes.size());
    int32_t stored;
    std::memcpy(&stored, file.bytes.data(), 4);
    EXPECT_EQ(6, stored);

    Slideshow next;
    next.load_settings();
    EXPECT_STREQ("C:\\photos\\", next.settings.folder);
    EXPECT_EQ(6, next.cycle.requested.position);  // the next advance requests index 7
}

TEST_F(Settings, PositionOneBackNeverBelowMinusOneAndKeptWhenNoPhotoWasRequested)
{
    struct Case {
        int32_t index;
        bool requested;
        int32_t stored;
    };
    for (Case c : {Case{1, true, 0}, Case{7, false, 7}, Case{0, false, 0}, Case{-1, false, -1}, Case{-1, true, -1},
                   Case{0, true, -1}}) {
        Slideshow s;
        std::strcpy(s.settings.folder, "C:\\p\\");
        s.cycle.requested.position = c.index;
        if (c.requested) std::strcpy(s.job.loader.path, "C:\\p\\a.jpg");
        s.save_settings();

        Slideshow next;
        next.load_settings();
        EXPECT_EQ(c.stored, next.cycle.requested.position) << c.index << (c.requested ? " after a photo" : " before any photo");
    }
    // All bits set for -1.
    RawValue file = read_raw("file");
    ASSERT_EQ(4u, file.bytes.size());
    EXPECT_EQ(std::vector<unsigned char>(4, 0xFF), file.bytes);
}

TEST_F(Settings, CancelledStartKeepsTheStoredPosition)
{
    write_raw("folder", REG_SZ, "C:\\p\\", 6);
    write_index(4);
    // Load, then a save at start-up and one at shutdown without any photo.
    for (int run = 0; run < 3; ++run) {
        Slideshow s;
        s.load_settings();
        s.save_settings();
        s.save_settings();
    }
    Slideshow s;
    s.load_settings();
    EXPECT_STREQ("C:\\p\\", s.settings.folder);
    EXPECT_EQ(4, s.cycle.requested.position);
}

TEST_F(Settings, ValuesThatAreNotOursAreIgnored)
{
    auto load_into_presets = []() {
        Slideshow s;
        std::strcpy(s.settings.folder, "preset\\");
        s.cycle.requested.position = 3;
        s.load_settings();
        return std::make_pair(std::string(s.settings.folder), s.cycle.requested.position);
    };
    const auto presets = std::make_pair(std::string("preset\\"), 3);

    // Wrong types.
    DWORD number = 0x5C3A43;  // "C:\" and a terminator as bytes
    write_raw("folder", REG_DWORD, &number, 4);
    write_raw("file", REG_SZ, "12", 3);
    EXPECT_EQ(presets, load_into_presets());
    write_raw("file", REG_BINARY, "\x05\0\0\0", 4);
    EXPECT_EQ(presets, load_into_presets());

    // A number of the right type but the wrong size.
    write_raw("file", REG_DWORD, "\x05\0", 2);
    EXPECT_EQ(presets, load_into_presets());

    // Folders that do not fit the field, or do not fit the read buffer.
    std::string oversized(300, 'o');
    write_raw("folder", REG_SZ, oversized.c_str(), static_cast<DWORD>(oversized.size() + 1));
    EXPECT_EQ(presets, load_into_presets());
    std::string huge(3000, 'h');
    write_raw("folder", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    EXPECT_EQ(presets, load_into_presets());

    // A photo's path that is not a text of ours is not taken either.
    auto loaded_path = []() {
        Slideshow s;
        std::strcpy(s.settings.path, "preset.jpg");
        s.load_settings();
        return std::string(s.settings.path);
    };
    write_raw("path", REG_DWORD, &number, 4);
    EXPECT_EQ("preset.jpg", loaded_path());
    write_raw("path", REG_SZ, oversized.c_str(), static_cast<DWORD>(oversized.size() + 1));
    EXPECT_EQ("preset.jpg", loaded_path());
    write_raw("path", REG_SZ, "sub\\b.png", 10);
    EXPECT_EQ("sub\\b.png", loaded_path());

    // The longest folder that fits is taken.
    std::string longest(258, 'l');
    longest += '\\';
    write_raw("folder", REG_SZ, longest.c_str(), static_cast<DWORD>(longest.size() + 1));
    EXPECT_EQ(longest, load_into_presets().first);
}

TEST_F(Settings, UnterminatedFolderIsNotReadPastItsEnd)
{
    // Stored without its terminator. The system may add one when it hands the
    // text out; whatever it does, no byte beyond the value may show up.
    write_raw("folder", REG_SZ, "C:\\abc\\", 7);
    Slideshow s;
    std::strcpy(s.settings.folder, "preset\\");
    s.load_settings();
    EXPECT_TRUE(std::string(s.settings.folder) == "preset\\" || std::string(s.settings.folder) == "C:\\abc\\") << s.settings.folder;
}

TEST_F(Settings, StoredPositionBelowMinusOneStartsAtTheFirstPhoto)
{
    for (int32_t v : {-2, -7, INT32_MIN}) {
        write_index(v);
        Slideshow s;
        s.cycle.requested.position = 5;
        s.load_settings();
        EXPECT_EQ(-1, s.cycle.requested.position) << v;
    }
    write_index(12);
    Slideshow s;
    s.load_settings();
    EXPECT_EQ(12, s.cycle.requested.position);
}

TEST_F(Settings, ShutdownLeavesTheDialogsValuesAndStoresOnlyANewRound)
{
    const int32_t ten = 10, shuffle = 1;
    write_raw("seconds", REG_DWORD, &ten, 4);
    write_raw("caption", REG_SZ, "3", 2);  // not ours: reads as none, stays
    write_raw("seed", REG_BINARY, "\1\2\3\4", 4);
    for (bool shuffled : {false, true}) {
        write_raw("order", REG_DWORD, shuffled ? &shuffle : &ten, 4);
        Slideshow s;
        s.load_settings();
        EXPECT_EQ(s.cycle.slide_duration, 10.0f);
        EXPECT_EQ(s.cycle.shuffled, shuffled);
        EXPECT_EQ(s.cycle.caption, CAPTION_NONE);
        // Position 4 of a round on its way at the end.
        s.cycle.requested = Place{0x12345, 4};
        std::strcpy(s.job.loader.path, "C:\\p\\a.jpg");
        s.save_settings(12);
        EXPECT_EQ(read_raw("seconds").bytes, std::vector<unsigned char>({10, 0, 0, 0}));
        EXPECT_EQ(read_raw("caption").type, DWORD(REG_SZ));
        EXPECT_EQ(read_raw("order").bytes[0], shuffled ? 1 : 10);
        EXPECT_EQ(read_raw("seed").type, DWORD(shuffled ? REG_DWORD : REG_BINARY)) << shuffled;
    }
    // The next run goes on in that round, after position 3.
    Slideshow next;
    next.load_settings();
    ASSERT_TRUE(next.settings.seed_stored);
    EXPECT_EQ(next.settings.seed, seed_for(0x12345, 12));
    EXPECT_EQ(next.cycle.requested.position, 3);
}

// ---------------------------------------------------------------------------
// Photo list

std::string temp_root()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char dir[MAX_PATH];
    GetTempFileNameA(base, "lib", 0, dir);
    DeleteFileA(dir);
    CreateDirectoryA(dir, nullptr);
    return std::string(dir) + "\\";
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Long-path aware, so that trees deeper than the list's limit can be made.
void make_dir(const std::string& path) { ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + wide(path)).c_str(), nullptr)) << path; }

void make_file(const std::string& path)
{
    HANDLE h = CreateFileW((L"\\\\?\\" + wide(path)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    CloseHandle(h);
}

// Links to folders are made and removed as a Unix user would, which is how
// they reach Wine: its own symbolic link call does nothing, and its calls to
// remove a folder follow the link. Wine starts a Unix program itself; the
// result shows once it is done.
void run_unix(const std::string& folder, const char* program, std::string arguments, const std::string& path,
              bool exists_after)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(program, &arguments[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                               &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    auto done = [&] { return (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == exists_after; };
    for (int i = 0; i < 2400 && !done(); ++i) Sleep(25);
    ASSERT_TRUE(done()) << arguments;
}

void make_link(const std::string& folder, const char* name, const char* target)
{
    run_unix(folder, "Z:\\bin\\ln", std::string("ln -s ") + target + " " + name, folder + name, true);
}

void remove_tree(const std::string& dir)
{
    WIN32_FIND_DATAW item;
    std::wstring base = L"\\\\?\\" + wide(dir);
    HANDLE h = FindFirstFileW((base + L"*").c_str(), &item);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = item.cFileName;
            if (name == L"." || name == L"..") continue;
            std::string narrow(name.begin(), name.end());
            if (item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                run_unix(dir, "Z:\\bin\\rm", "rm " + narrow, dir + narrow, false);
                continue;
            }
            SetFileAttributesW((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(dir + narrow + "\\");
            else
                DeleteFileW((base + name).c_str());
        } while (FindNextFileW(h, &item));
        FindClose(h);
    }
    RemoveDirectoryW(base.c_str());
}

std::vector<std::string> entries_of(const FileList& list)
{
    std::vector<std::string> out;
    for (int32_t i = 0; i < list.count; ++i) out.push_back(list.entries + i * path_size);
    return out;
}

// What a depth-first walk in the system's listing order must produce, found
// here through the wide-character search.
void expected_walk(const std::string& folder, std::vector<std::string>& out)
{
    WIN32_FIND_DATAW item;
    HANDLE h = FindFirstFileW(wide(folder + "*").c_str(), &item);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring w = item.cFileName;
        std::string name(w.begin(), w.end());
        if (name == "." || name == "..") continue;
        const DWORD hidden_system = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if ((item.dwFileAttributes & hidden_system) != hidden_system &&
                !(item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                expected_walk(folder + name + "\\", out);
        }
        else if (is_photo_name(name.c_str()))
            out.push_back(folder + name);
    } while (FindNextFileW(h, &item));
    FindClose(h);
}

class PhotoList : public ::testing::Test {
protected:
    std::string root;
    FileList list{};
    void SetUp() override { root = temp_root(); }
    void TearDown() override
    {
        list.clear_file_list();
        remove_tree(root);
    }
};

TEST_F(PhotoList, PhotoNamesOfEveryFormatAndFoldersAreSearchedNotListed)
{
    for (const char* name : {"a.jpg", "B.JPEG", "c.Png", "d.heic", ".jpg", "e.txt", "f.jpg.txt", "g.svg"})
        make_file(root + name);
    make_dir(root + "album.png");
    make_file(root + "album.png\\h.TIF");

    list.build_file_list(root.c_str());
    ASSERT_NE(nullptr, list.entries);
    std::vector<std::string> got = entries_of(list);
    std::set<std::string> want = {root + "a.jpg", root + "B.JPEG", root + "c.Png", root + "d.heic",
                                  root + "album.png\\h.TIF"};
    EXPECT_EQ(want, std::set<std::string>(got.begin(), got.end()));
    EXPECT_EQ(5, list.count);
}

TEST_F(PhotoList, DepthFirstInListingOrderWithHiddenItemsButNotTheSystemsFolders)
{
    for (const char* d : {"m", "m\\n", "m\\n\\o", "b", "z", "empty", "bin", "m\\bin"}) make_dir(root + d);
    for (const char* f : {"1.jpg", "m\\2.jpg", "m\\n\\3.jpg", "m\\n\\o\\4.jpg", "m\\5.jpg", "b\\6.jpg", "z\\7.jpg",
                          "z\\8.jpg", "9.jpg", "m\\n\\x.txt", "bin\\deleted.jpg", "m\\bin\\deleted.jpg"})
        make_file(root + f);
    SetFileAttributesA((root + "9.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((root + "z").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    // The system's own folders, marked as a recycle bin is: passed over at any depth.
    for (const char* d : {"bin", "m\\bin"}) {
        SetFileAttributesA((root + d).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        ASSERT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY),
                  GetFileAttributesA((root + d).c_str()))
            << "the file system keeps no hidden and system marks";
    }

    std::vector<std::string> want;
    expected_walk(root, want);
    ASSERT_EQ(9u, want.size());

    list.build_file_list(root.c_str());
    EXPECT_EQ(want, entries_of(list));

    // Each folder's photos stand together: the walk finishes a folder before
    // going on with its parent.
    std::vector<std::string> got = entries_of(list);
    auto first_m = std::find_if(got.begin(), got.end(), [&](const std::string& p) { return p.rfind(root + "m\\", 0) == 0; });
    ASSERT_NE(got.end(), first_m);
    EXPECT_TRUE(std::all_of(first_m, first_m + 4, [&](const std::string& p) { return p.rfind(root + "m\\", 0) == 0; }));
}

TEST_F(PhotoList, NoPhotosMeansNoBlock)
{
    make_dir(root + "sub");
    make_file(root + "sub\\a.svg");
    make_file(root + "readme.txt");
    list.build_file_list(root.c_str());
    EXPECT_EQ(0, list.count);
    EXPECT_EQ(nullptr, list.entries);

    list.build_file_list((root + "missing\\").c_str());
    EXPECT_EQ(0, list.count);
    EXPECT_EQ(nullptr, list.entries);
}

TEST_F(PhotoList, FoldersThatCannotBeSearchedContributeNothing)
{
    make_file(root + "a.jpg");
    make_file(root + "plain.txt");
    EXPECT_TRUE(list.scan_folder((root + "vanished\\").c_str()));
    EXPECT_TRUE(list.scan_folder((root + "plain.txt\\").c_str()));
    EXPECT_EQ(0, list.count);
    EXPECT_EQ(nullptr, list.entries);
    EXPECT_TRUE(list.scan_folder(root.c_str()));
    EXPECT_EQ(std::vector<std::string>{root + "a.jpg"}, entries_of(list));
}

TEST_F(PhotoList, LinkedFoldersAreNotEnteredAndEveryPhotoIsListedOnce)
{
    for (const char* d : {"sub", "sib"}) make_dir(root + d);
    for (const char* f : {"a.jpg", "sub\\b.jpg", "sib\\c.jpg"}) make_file(root + f);
    make_link(root + "sub\\", "self", ".");
    make_link(root + "sub\\", "up", "..");
    make_link(root + "sub\\", "sibling", "../sib");
    make_link(root, "link.jpg", "a.jpg"); // a photo that is itself a link is a photo
    // How Wine shows a Unix link to a folder.
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              GetFileAttributesA((root + "sub\\up").c_str()));

    list.build_file_list(root.c_str());
    std::vector<std::string> got = entries_of(list);
    std::multiset<std::string> want = {root + "a.jpg", root + "link.jpg", root + "sub\\b.jpg", root + "sib\\c.jpg"};
    EXPECT_EQ(want, std::multiset<std::string>(got.begin(), got.end()));
    std::vector<std::string> walk;
    expected_walk(root, walk);
    EXPECT_EQ(walk, got);
}

TEST_F(PhotoList, BlockGrowsWithTheListAndGivesBackWhatItDoesNotNeed)
{
    // 300 photos: the block starts at 32 slots and moves twice.
    for (const char* d : {"x", "y"}) make_dir(root + d);
    for (int i = 0; i < 300; ++i) make_file(root + (i < 100 ? "x\\" : i < 200 ? "y\\" : "") + std::to_string(i) + ".jpg");
    std::vector<std::string> want;
    expected_walk(root, want);
    ASSERT_EQ(300u, want.size());

    list.build_file_list(root.c_str());
    EXPECT_EQ(want, entries_of(list));
    EXPECT_EQ(list.count, list.capacity);
    EXPECT_GE(HeapSize(GetProcessHeap(), 0, list.entries), 300u * path_size);
}

// The heap refuses the list's first block, or any larger one, while set.
bool refuse_first = false, refuse_larger = false;
using HeapAllocFn = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
using HeapReAllocFn = LPVOID(WINAPI*)(HANDLE, DWORD, LPVOID, SIZE_T);
HeapAllocFn real_heap_alloc = nullptr;
HeapReAllocFn real_heap_realloc = nullptr;
LPVOID WINAPI heap_alloc_hook(HANDLE heap, DWORD flags, SIZE_T size)
{
    return refuse_first ? nullptr : real_heap_alloc(heap, flags, size);
}
LPVOID WINAPI heap_realloc_hook(HANDLE heap, DWORD flags, LPVOID p, SIZE_T size)
{
    return refuse_larger && size > HeapSize(heap, 0, p) ? nullptr : real_heap_realloc(heap, flags, p, size);
}

TEST_F(PhotoList, NoMemoryForTheBlockLeavesACountWithoutEntries)
{
    if (!real_heap_alloc) {
        real_heap_alloc = reinterpret_cast<HeapAllocFn>(
            hook_import("KERNEL32.dll", "HeapAlloc", reinterpret_cast<void*>(heap_alloc_hook)));
        real_heap_realloc = reinterpret_cast<HeapReAllocFn>(
            hook_import("KERNEL32.dll", "HeapReAlloc", reinterpret_cast<void*>(heap_realloc_hook)));
    }
    ASSERT_NE(nullptr, real_heap_alloc);
    ASSERT_NE(nullptr, real_heap_realloc);
    // More than the first block's 32 slots.
    for (int i = 0; i < 40; ++i) make_file(root + std::to_string(i) + ".jpg");

    // Start-up reads a count without entries as "Not enough memory for the list of photos".
    for (bool* refuse : {&refuse_first, &refuse_larger}) {
        *refuse = true;
        list.build_file_list(root.c_str());
        *refuse = false;
        EXPECT_EQ(nullptr, list.entries);
        EXPECT_GT(list.count, 0);
        EXPECT_EQ(0, list.capacity);
        // Walking on without clearing stores nothing.
        EXPECT_FALSE(list.scan_folder(root.c_str()));
        EXPECT_EQ(nullptr, list.entries);
        list.clear_file_list();
    }
    list.build_file_list(root.c_str());
    EXPECT_EQ(40, list.count);
}

TEST_F(PhotoList, PathsLongerThanTheLimitAreSkipped)
{
    // A folder whose full path leaves room for exactly an entry of 259 characters.
    std::string deep = root + std::string(200 - root.size(), 'd') + "\\";
    ASSERT_EQ(201u, deep.size());
    make_dir(deep);
    std::string fits(259 - deep.size() - 4, 'f');
    std::string over(fits.size() + 1, 'o');
    make_file(deep + fits + ".jpg");
    make_file(deep + over + ".jpg");
    // A folder name that fits as an entry of its parent but whose search
    // pattern would not, and a tree below the limit.
    std::string sub = deep + std::string(256 - deep.size(), 's') + "\\";
    ASSERT_EQ(257u, sub.size());
    make_dir(sub);
    make_file(sub + "x.jpg");
    std::string deeper = sub + std::string(40, 'e') + "\\";
    make_dir(deeper);
    make_file(deeper + "y.jpg");

    list.build_file_list(root.c_str());
    EXPECT_EQ(std::vector<std::string>{deep + fits + ".jpg"}, entries_of(list));
}

TEST_F(PhotoList, ClearEmptiesTheListAndMayRepeat)
{
    make_file(root + "a.jpg");
    list.build_file_list(root.c_str());
    ASSERT_EQ(1, list.count);
    ASSERT_NE(nullptr, list.entries);
    list.clear_file_list();
    EXPECT_EQ(nullptr, list.entries);
    EXPECT_EQ(0, list.count);
    list.clear_file_list();
    EXPECT_EQ(nullptr, list.entries);
    EXPECT_EQ(0, list.count);
    // Built again, as from a fresh start.
    list.build_file_list(root.c_str());
    EXPECT_EQ(std::vector<std::string>{root + "a.jpg"}, entries_of(list));
}

} // namespace
