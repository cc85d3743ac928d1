// Start-up and shutdown of the whole slideshow against the real platform:
// every failure the user can meet ends with its text, and shutdown releases
// exactly what exists.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cctype>
#include <cstring>
#include <string>
#include <thread>

#include "app/names.h"
#include "app/shell.h"
#include "app/slideshow.h"
#include "slideshow/drive.h"
#include "render/d3dx_runtime.h"
#include "support/hooks.h"
#include "support/wine_path.h"

namespace {

const char* const settings_key = "Software\\orbisca";

std::string temp_folder(const char* name)
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string path = std::string(base) + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void write_file(const std::string& path, const char* text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
}

void set_stored_folder(const std::string& folder_with_backslash, DWORD file)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, settings_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    RegSetValueExA(key, "folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder_with_backslash.c_str()),
                   static_cast<DWORD>(folder_with_backslash.size() + 1));
    RegSetValueExA(key, "file", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&file), 4);
    RegCloseKey(key);
}

void set_stored_path(const char* path)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, settings_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), static_cast<DWORD>(std::strlen(path) + 1));
    RegCloseKey(key);
}

std::string stored_path()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key) != 0) return "(no key)";
    char buf[1024] = {};
    DWORD size = sizeof buf;
    bool ok = RegQueryValueExA(key, "path", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size) == 0;
    RegCloseKey(key);
    return ok ? buf : "(none)";
}

bool stored_values(std::string* folder, DWORD* file)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key) != 0) return false;
    char buf[1024] = {};
    DWORD size = sizeof buf;
    bool ok = RegQueryValueExA(key, "folder", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size) == 0;
    *folder = buf;
    size = 4;
    ok = ok && RegQueryValueExA(key, "file", nullptr, nullptr, reinterpret_cast<BYTE*>(file), &size) == 0;
    RegCloseKey(key);
    return ok;
}

// Answers the folder dialog from a second thread, as a user would: once the
// dialog shows the remembered folder as its selection, OK takes it.
struct DialogAnswer {
    WPARAM button;
    std::string leaf; // the selected folder's name, shown in the dialog's edit box
    HANDLE thread = nullptr;

    DialogAnswer(WPARAM b, std::string name) : button(b), leaf(std::move(name))
    {
        thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~DialogAnswer()
    {
        WaitForSingleObject(thread, 300000);
        CloseHandle(thread);
    }
    static BOOL CALLBACK find_edit(HWND child, LPARAM out)
    {
        char cls[32];
        GetClassNameA(child, cls, sizeof cls);
        if (_stricmp(cls, "Edit") != 0) return TRUE;
        *reinterpret_cast<HWND*>(out) = child;
        return FALSE;
    }
    static DWORD WINAPI run(LPVOID p)
    {
        auto* self = static_cast<DialogAnswer*>(p);
        for (int i = 0; i < 4800; ++i) {
            HWND dialog = FindWindowA("#32770", window_title);
            if (dialog && IsWindowVisible(dialog)) {
                HWND edit = nullptr;
                EnumChildWindows(dialog, find_edit, reinterpret_cast<LPARAM>(&edit));
                char text[MAX_PATH] = {};
                if (edit) GetWindowTextA(edit, text, sizeof text);
                if (self->button != IDOK || self->leaf == text) {
                    PostMessageA(dialog, WM_COMMAND, self->button, 0);
                    return 0;
                }
                if (i >= 2400) { // two minutes without the remembered folder selected
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                    return 1;
                }
            }
            Sleep(50);
        }
        return 1;
    }
};

// The calls the hooks below fail: each at its n-th call, none unless armed.
struct Failures {
    FailNth create_texture, vertex_buffer_lock, create_device, direct3d, thread, effect_text, effect_binary, font,
        sprite;
} fail;
IDirect3DDevice9* created_device = nullptr;

using CreateTextureFn = HRESULT(WINAPI*)(IDirect3DDevice9*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                         IDirect3DTexture9**, HANDLE*);
CreateTextureFn real_create_texture = nullptr;
HRESULT WINAPI create_texture_hook(IDirect3DDevice9* d, UINT w, UINT h, UINT l, DWORD u, D3DFORMAT f, D3DPOOL p,
                                   IDirect3DTexture9** t, HANDLE* s)
{
    if (fail.create_texture.now()) {
        *t = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return real_create_texture(d, w, h, l, u, f, p, t, s);
}

using BufferLockFn = HRESULT(WINAPI*)(IDirect3DVertexBuffer9*, UINT, UINT, void**, DWORD);
BufferLockFn real_vb_lock = nullptr;
HRESULT WINAPI vb_lock_hook(IDirect3DVertexBuffer9* b, UINT o, UINT s, void** p, DWORD f)
{
    if (fail.vertex_buffer_lock.now()) return D3DERR_INVALIDCALL;
    return real_vb_lock(b, o, s, p, f);
}

using CreateDeviceFn = HRESULT(WINAPI*)(IDirect3D9*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                        IDirect3DDevice9**);
CreateDeviceFn real_create_device = nullptr;
HRESULT WINAPI create_device_hook(IDirect3D9* d3d, UINT a, D3DDEVTYPE t, HWND w, DWORD f, D3DPRESENT_PARAMETERS* pp,
                                  IDirect3DDevice9** out)
{
    if (fail.create_device.now()) {
        *out = nullptr;
        return D3DERR_NOTAVAILABLE;
    }
    HRESULT hr = real_create_device(d3d, a, t, w, f, pp, out);
    if (hr >= 0) {
        created_device = *out;
        created_device->AddRef(); // to see whether shutdown leaves anything behind
        if (!real_create_texture)
            real_create_texture = reinterpret_cast<CreateTextureFn>(
                hook_vtable(created_device, slot::CreateTexture, reinterpret_cast<void*>(create_texture_hook)));
        IDirect3DVertexBuffer9* vb = nullptr;
        if (!real_vb_lock && created_device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr) >= 0) {
            real_vb_lock = reinterpret_cast<BufferLockFn>(
                hook_vtable(vb, slot::BufferLock, reinterpret_cast<void*>(vb_lock_hook)));
            vb->Release();
        }
    }
    return hr;
}

// What the adapter reports: a failure, or lower shader versions.
HRESULT caps_result = D3D_OK;
DWORD caps_vertex_shader = 0;  // 0: as reported
DWORD caps_pixel_shader = 0;
using GetDeviceCapsFn = HRESULT(WINAPI*)(IDirect3D9*, UINT, D3DDEVTYPE, D3DCAPS9*);
GetDeviceCapsFn real_get_device_caps = nullptr;
HRESULT WINAPI get_device_caps_hook(IDirect3D9* d3d, UINT a, D3DDEVTYPE t, D3DCAPS9* caps)
{
    if (caps_result < 0) return caps_result;
    HRESULT hr = real_get_device_caps(d3d, a, t, caps);
    if (caps_vertex_shader) caps->VertexShaderVersion = caps_vertex_shader;
    if (caps_pixel_shader) caps->PixelShaderVersion = caps_pixel_shader;
    return hr;
}

using Direct3DCreate9Fn = IDirect3D9*(WINAPI*)(UINT);
Direct3DCreate9Fn real_direct3d_create = nullptr;
IDirect3D9* WINAPI direct3d_create_hook(UINT version)
{
    if (fail.direct3d.now()) return nullptr;
    IDirect3D9* d3d = real_direct3d_create(version);
    if (d3d && !real_create_device) {
        real_create_device = reinterpret_cast<CreateDeviceFn>(
            hook_vtable(d3d, slot::CreateDevice, reinterpret_cast<void*>(create_device_hook)));
        real_get_device_caps = reinterpret_cast<GetDeviceCapsFn>(
            hook_vtable(d3d, slot::GetDeviceCaps, reinterpret_cast<void*>(get_device_caps_hook)));
    }
    return d3d;
}

using CreateThreadFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);
CreateThreadFn real_create_thread = nullptr;
int threads_started = 0;
HANDLE WINAPI create_thread_hook(LPSECURITY_ATTRIBUTES a, SIZE_T s, LPTHREAD_START_ROUTINE r, LPVOID p, DWORD f,
                                 LPDWORD id)
{
    if (r == worker_thread_entry) {
        if (fail.thread.now()) return nullptr;
        ++threads_started;
    }
    return real_create_thread(a, s, r, p, f, id);
}

// Each further item of a folder's listing takes this long while set: a scan
// that takes as long as one of a large library on a slow share.
DWORD listing_item_ms = 0;
using FindNextFn = BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAA);
FindNextFn real_find_next = nullptr;
BOOL WINAPI find_next_hook(HANDLE search, LPWIN32_FIND_DATAA item)
{
    if (listing_item_ms) Sleep(listing_item_ms);
    return real_find_next(search, item);
}

using EffectFromResourceFn = HRESULT(WINAPI*)(IDirect3DDevice9*, HMODULE, const char*, const D3DXMACRO*,
                                              ID3DXInclude*, DWORD, ID3DXEffectPool*, ID3DXEffect**, ID3DXBuffer**);
EffectFromResourceFn real_effect_from_resource = nullptr;
HRESULT WINAPI effect_from_resource_hook(IDirect3DDevice9* d, HMODULE m, const char* r, const D3DXMACRO* dm,
                                         ID3DXInclude* i, DWORD f, ID3DXEffectPool* p, ID3DXEffect** e, ID3DXBuffer** b)
{
    if (fail.effect_text.now()) {
        *e = nullptr;
        return E_FAIL;
    }
    auto create = d3dx_runtime_builtin() ? d3dx_runtime.D3DXCreateEffectFromResourceA : real_effect_from_resource;
    return create(d, m, r, dm, i, f, p, e, b);
}
using EffectFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const void*, UINT, const D3DXMACRO*, ID3DXInclude*, DWORD,
                                  ID3DXEffectPool*, ID3DXEffect**, ID3DXBuffer**);
EffectFn real_create_effect = nullptr;
HRESULT WINAPI create_effect_hook(IDirect3DDevice9* d, const void* data, UINT n, const D3DXMACRO* dm, ID3DXInclude* i,
                                  DWORD f, ID3DXEffectPool* p, ID3DXEffect** e, ID3DXBuffer** b)
{
    if (fail.effect_binary.now()) {
        *e = nullptr;
        return E_FAIL;
    }
    auto create = d3dx_runtime_builtin() ? d3dx_runtime.D3DXCreateEffect : real_create_effect;
    return create(d, data, n, dm, i, f, p, e, b);
}

using FontFn = HRESULT(WINAPI*)(IDirect3DDevice9*, INT, UINT, UINT, UINT, BOOL, DWORD, DWORD, DWORD, DWORD, LPCSTR,
                                ID3DXFont**);
FontFn real_create_font = nullptr;
HRESULT WINAPI create_font_hook(IDirect3DDevice9* d, INT h, UINT w, UINT wt, UINT m, BOOL it, DWORD cs, DWORD op,
                                DWORD q, DWORD pf, LPCSTR face, ID3DXFont** out)
{
    if (fail.font.now()) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    auto create = d3dx_runtime_builtin() ? d3dx_runtime.D3DXCreateFontA : real_create_font;
    return create(d, h, w, wt, m, it, cs, op, q, pf, face, out);
}
using SpriteFn = HRESULT(WINAPI*)(IDirect3DDevice9*, ID3DXSprite**);
SpriteFn real_create_sprite = nullptr;
HRESULT WINAPI create_sprite_hook(IDirect3DDevice9* d, ID3DXSprite** out)
{
    if (fail.sprite.now()) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return (d3dx_runtime_builtin() ? d3dx_runtime.D3DXCreateSprite : real_create_sprite)(d, out);
}

// The D3DX runtime as a computer without it, or with a damaged copy, has it
// (the hooks above then create the font, sprite and effect from the table).
enum class Runtime { present, missing, damaged } d3dx_runtime_state = Runtime::present;
using LoadLibraryFn = HMODULE(WINAPI*)(LPCSTR);
LoadLibraryFn real_load_library = nullptr;
HMODULE WINAPI load_library_hook(LPCSTR name)
{
    if (_stricmp(name, "d3dx9_27.dll") == 0 && d3dx_runtime_state == Runtime::missing) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (_stricmp(name, "d3dx9_27.dll") == 0 && d3dx_runtime_state == Runtime::damaged)
        return real_load_library("d3d9.dll"); // loads, but has none of the functions
    return real_load_library(name);
}

// The folder dialog replaced by a fixed answer, for the rules start-up applies
// to the chosen path (the dialog itself has tests of its own).
std::string dialog_choice;  // empty: the real dialog
bool choice_has_path = true;
using BrowseFn = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOA);
BrowseFn real_browse = nullptr;
int dialogs_opened = 0;
LPITEMIDLIST WINAPI browse_hook(LPBROWSEINFOA info)
{
    ++dialogs_opened;
    if (dialog_choice.empty()) return real_browse(info);
    auto* item = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(16));
    std::memset(item, 0, 16);
    return item;
}
using PathFn = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
PathFn real_path_from_item = nullptr;
BOOL WINAPI path_from_item_hook(LPCITEMIDLIST item, LPSTR out)
{
    if (dialog_choice.empty()) return real_path_from_item(item, out);
    if (!choice_has_path) {
        out[0] = 0;
        return FALSE;
    }
    std::strcpy(out, dialog_choice.c_str());
    return TRUE;
}

class Startup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Once for the program: every suite derived from this one runs it
        // again, and a second hook would take the first for the real function.
        static bool hooked = false;
        if (hooked) return;
        hooked = true;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        register_window_class(instance);
        real_direct3d_create = reinterpret_cast<Direct3DCreate9Fn>(
            hook_import("d3d9.dll", "Direct3DCreate9", reinterpret_cast<void*>(direct3d_create_hook)));
        real_create_thread = reinterpret_cast<CreateThreadFn>(
            hook_import("KERNEL32.dll", "CreateThread", reinterpret_cast<void*>(create_thread_hook)));
        real_effect_from_resource = reinterpret_cast<EffectFromResourceFn>(hook_import(
            "d3dx9_27.dll", "D3DXCreateEffectFromResourceA", reinterpret_cast<void*>(effect_from_resource_hook)));
        real_create_effect = reinterpret_cast<EffectFn>(
            hook_import("d3dx9_27.dll", "D3DXCreateEffect", reinterpret_cast<void*>(create_effect_hook)));
        real_create_font = reinterpret_cast<FontFn>(
            hook_import("d3dx9_27.dll", "D3DXCreateFontA", reinterpret_cast<void*>(create_font_hook)));
        real_create_sprite = reinterpret_cast<SpriteFn>(
            hook_import("d3dx9_27.dll", "D3DXCreateSprite", reinterpret_cast<void*>(create_sprite_hook)));
        real_load_library = reinterpret_cast<LoadLibraryFn>(
            hook_import("KERNEL32.dll", "LoadLibraryA", reinterpret_cast<void*>(load_library_hook)));
        ASSERT_NE(real_load_library, nullptr);
        real_browse = reinterpret_cast<BrowseFn>(
            hook_import("SHELL32.dll", "SHBrowseForFolderA", reinterpret_cast<void*>(browse_hook)));
        real_path_from_item = reinterpret_cast<PathFn>(
            hook_import("SHELL32.dll", "SHGetPathFromIDListA", reinterpret_cast<void*>(path_from_item_hook)));
        real_find_next = reinterpret_cast<FindNextFn>(
            hook_import("KERNEL32.dll", "FindNextFileA", reinterpret_cast<void*>(find_next_hook)));
        ASSERT_NE(real_find_next, nullptr);
        ASSERT_NE(real_browse, nullptr);
        ASSERT_NE(real_path_from_item, nullptr);
        ASSERT_NE(real_direct3d_create, nullptr);
        ASSERT_NE(real_create_thread, nullptr);
        ASSERT_NE(real_create_font, nullptr);
        ASSERT_NE(real_create_sprite, nullptr);
    }

    void SetUp() override
    {
        photos = temp_folder("orbisca-startup-photos");
        write_file(photos + "\\a.jpg", "not really a photo");
        dialog_choice.clear();
        choice_has_path = true;
        empty = temp_folder("orbisca-startup-empty");
        main_window = create_main_window(GetModuleHandleA(nullptr));
        ASSERT_NE(main_window, nullptr);
        fail = Failures();
        caps_result = D3D_OK;
        caps_vertex_shader = caps_pixel_shader = 0;
        d3dx_runtime_state = Runtime::present;
        dialogs_opened = 0;
        listing_item_ms = 0;
        created_device = nullptr;
        threads_started = 0;
        app = create_slideshow();
        ASSERT_NE(app, nullptr);
        app_object = app;
    }

    void TearDown() override
    {
        if (app) {
            app->done();
            delete app;
        }
        app_object = nullptr;
        DestroyWindow(main_window);
        main_window = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Runs init with the folder dialog answered; returns init's result.
    bool start_in(const std::string& folder, DWORD stored_file, WPARAM button = IDOK)
    {
        set_stored_folder(folder + "\\", stored_file);
        DialogAnswer answer(button, folder.substr(folder.find_last_of('\\') + 1));
        bool ok = app->init();
        return ok;
    }

    // done, then check that nothing of the device was left behind.
    void finish_and_check_released()
    {
        app->done();
        EXPECT_EQ(app->gpu.device, nullptr);
        EXPECT_EQ(app->gpu.d3d, nullptr);
        EXPECT_EQ(app->job.worker_thread, nullptr);
        EXPECT_EQ(app->files.entries, nullptr);
        for (const FaceSlot& f : app->gpu.faces) EXPECT_EQ(f.texture, nullptr);
        EXPECT_EQ(app->job.loader.target, nullptr);
        EXPECT_EQ(app->job.loader.staging, nullptr);
        if (created_device) EXPECT_EQ(created_device->Release(), 0u) << "objects of the device were not released";
        delete app;
        app = nullptr;
    }

    // Direct3D and the adapter are checked before the folder dialog: no
    // dialog, and the remembered folder and position stay as they were.
    void expect_refused_before_dialog(const char* text)
    {
        set_stored_folder(photos + "\\", 4);
        dialog_choice = photos;
        EXPECT_FALSE(app->init());
        EXPECT_STREQ(app->error_text(), text);
        EXPECT_EQ(dialogs_opened, 0);
        EXPECT_EQ(threads_started, 0);
        finish_and_check_released();
        std::string folder;
        DWORD file = 0;
        ASSERT_TRUE(stored_values(&folder, &file));
        EXPECT_EQ(folder, photos + "\\");
        EXPECT_EQ(file, 4u);
    }

    void expect_failure(const char* text)
    {
        EXPECT_FALSE(start_in(photos, 0xFFFFFFFF));
        EXPECT_STREQ(app->error_text(), text);
        EXPECT_EQ(threads_started, 0);
        finish_and_check_released();
    }

    std::string photos, empty;
    Slideshow* app = nullptr;
};

} // namespace

TEST_F(Startup, RunsAndShutsDownCleanly)
{
    ASSERT_TRUE(start_in(photos, 0xFFFFFFFF)) << app->error_text();
    EXPECT_STREQ(app->error_text(), "");
    EXPECT_EQ(app->files.count, 1) << app->settings.folder;
    EXPECT_NE(app->job.worker_thread, nullptr);
    EXPECT_EQ(threads_started, 1);
    finish_and_check_released();
}

TEST_F(Startup, CancelledDialogShowsNothingAndKeepsThePosition)
{
    EXPECT_FALSE(start_in(photos, 4, IDCANCEL));
    EXPECT_STREQ(app->error_text(), "");
    EXPECT_EQ(app->gpu.device, nullptr);
    finish_and_check_released();
    std::string folder;
    DWORD file = 0;
    ASSERT_TRUE(stored_values(&folder, &file));
    EXPECT_EQ(folder, photos + "\\");
    EXPECT_EQ(file, 4u); // nothing was shown, so the position does not move back
}

TEST_F(Startup, FolderWithoutPhotos)
{
    EXPECT_FALSE(start_in(empty, 3));
    EXPECT_STREQ(app->error_text(), ".JPG files not found in specified folder");
    finish_and_check_released();
}

TEST_F(Startup, NoDirect3D)
{
    fail.direct3d.arm(1);
    expect_refused_before_dialog("Can't create Direct3D");
}

TEST_F(Startup, NoHardwareAdapter)
{
    caps_result = D3DERR_NOTAVAILABLE;
    expect_refused_before_dialog("Can't create D3D device");
    EXPECT_EQ(created_device, nullptr);
}

const char shader_model_text[] = "The graphics adapter does not run vertex and pixel shader model 2.0, which the "
                                 "slideshow needs. A current driver from the adapter's maker may bring it.";

TEST_F(Startup, PixelShadersBelowModel2)
{
    caps_pixel_shader = D3DPS_VERSION(1, 4);
    expect_refused_before_dialog(shader_model_text);
    EXPECT_EQ(created_device, nullptr);
}

TEST_F(Startup, VertexShadersBelowModel2)
{
    caps_vertex_shader = D3DVS_VERSION(1, 1);
    expect_refused_before_dialog(shader_model_text);
}

// Without a usable runtime the show starts all the same, on the program's
// own functions, with no message; with the runtime it uses the runtime.
TEST_F(Startup, WithoutTheD3DXRuntimeTheShowStartsOnItsOwnFunctions)
{
    const Runtime states[3] = {Runtime::missing, Runtime::damaged, Runtime::present};
    for (Runtime state : states) {
        SCOPED_TRACE(int(state));
        d3dx_runtime_state = state;
        dialogs_opened = 0;
        ASSERT_TRUE(start_in(photos, 0xFFFFFFFF)) << app->error_text();
        EXPECT_EQ(dialogs_opened, 1);
        EXPECT_EQ(d3dx_runtime_builtin(), state != Runtime::present);
        EXPECT_TRUE(app->gpu.font && app->gpu.sprite);
        ASSERT_NE(app->gpu.effect, nullptr);
        EXPECT_NE(app->gpu.effect->GetTechniqueByName("RubikSimpleFade"), nullptr);
        app->frame(); // the first frame draws through them
        finish_and_check_released();
        app = create_slideshow();
        app_object = app;
    }
}

TEST_F(Startup, FaceTextureFails)
{
    fail.create_texture.arm(4);
    EXPECT_FALSE(start_in(photos, 0xFFFFFFFF));
    EXPECT_STREQ(app->error_text(), "Can't init resources : vidmem");
    EXPECT_NE(app->gpu.faces[2].texture, nullptr);
    EXPECT_EQ(app->gpu.faces[3].texture, nullptr);
    finish_and_check_released();
}

// Each step after the device that can fail: start-up names it, starts no
// worker, and shutdown releases exactly what was made.
struct StepFailure {
    const char* name;
    void (*arm)();
    const char* text;
};

const StepFailure step_failures[] = {
    {"Device", [] { fail.create_device.arm(1); }, "Can't create D3D device"},
    // Seven face textures and the clearing source come first.
    {"StagingTexture", [] { fail.create_texture.arm(9); }, "Can't init resources : tex"},
    {"ProceduralTexture", [] { fail.create_texture.arm(11); }, "Can't init resources : tex"},
    {"VertexBufferLock", [] { fail.vertex_buffer_lock.arm(1); }, "Can't init resources : vb"},
    {"Font", [] { fail.font.arm(1); }, "Can't init resources : font"},
    {"Sprite", [] { fail.sprite.arm(1); }, "Can't init resources : sprite"},
    // Neither the text nor the compiled copy.
    {"Effect", [] { fail.effect_text.arm(1); fail.effect_binary.arm(1); }, "Can't init resources : shaders"},
    {"WorkerThread", [] { fail.thread.arm(1); }, "Can't init resources : task"},
};

class StartupStep : public Startup, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(StartupStep, FailsWithItsName)
{
    GetParam().arm();
    expect_failure(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Each, StartupStep, ::testing::ValuesIn(step_failures),
                         [](const ::testing::TestParamInfo<StepFailure>& info) { return info.param.name; });

// The rules for the chosen folder, with the dialog answered by a fixed path and
// start-up stopped right after the scan (no device).
class FolderChoice : public Startup {
protected:
    void SetUp() override
    {
        Startup::SetUp();
        three = temp_folder("orbisca-startup-three");
        for (const char* name : {"\\1.jpg", "\\2.jpg", "\\3.jpg"}) write_file(three + name, "x");
        fail.create_device.arm(1);
    }
    bool choose(const std::string& chosen, const std::string& remembered, DWORD file)
    {
        set_stored_folder(remembered, file);
        dialog_choice = chosen;
        return app->init();
    }
    std::string three;
};

TEST_F(FolderChoice, SameFolderKeepsThePosition)
{
    EXPECT_FALSE(choose(three, three + "\\", 1));
    EXPECT_EQ(app->files.count, 3);
    EXPECT_EQ(app->cycle.requested.position, 1);
}

TEST_F(FolderChoice, AnotherFolderForgetsTheStoredPhoto)
{
    set_stored_path("1.jpg");
    std::string other = temp_folder("orbisca-startup-other");
    write_file(other + "\\1.jpg", "x");
    EXPECT_FALSE(choose(other, three + "\\", 2));
    EXPECT_EQ(app->cycle.requested.position, -1);
    EXPECT_STREQ(app->settings.path, "");
    EXPECT_EQ(stored_path(), "");
}

TEST_F(FolderChoice, PositionBeyondTheListIsClampedToTheLastPhoto)
{
    EXPECT_FALSE(choose(three, three + "\\", 9));
    EXPECT_EQ(app->cycle.requested.position, 2);
}

TEST_F(FolderChoice, AnotherFolderStartsAtTheFirstPhotoAndIsSavedAtOnce)
{
    EXPECT_FALSE(choose(empty, three + "\\", 2));
    EXPECT_STREQ(app->error_text(), ".JPG files not found in specified folder");
    EXPECT_EQ(app->cycle.requested.position, -1);
    std::string folder;
    DWORD file = 0;
    ASSERT_TRUE(stored_values(&folder, &file)); // written before the scan, not only at shutdown
    EXPECT_EQ(folder, empty + "\\");
    EXPECT_EQ(file, 0xFFFFFFFFu);
}

TEST_F(FolderChoice, LetterCaseCountsAsAnotherFolder)
{
    std::string upper = three;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(upper, three);
    EXPECT_FALSE(choose(upper, three + "\\", 2));
    EXPECT_EQ(app->cycle.requested.position, -1);
    EXPECT_EQ(std::string(app->settings.folder), upper + "\\");
}

TEST_F(FolderChoice, DriveRootGetsASecondBackslash)
{
    // The scan of a whole drive is not wanted here: stop it at the list.
    EXPECT_FALSE(choose("Q:\\", "", 0)); // a drive that does not exist finds nothing
    EXPECT_STREQ(app->settings.folder, "Q:\\\\");
    EXPECT_STREQ(app->error_text(), ".JPG files not found in specified folder");
}

TEST_F(FolderChoice, PathWithoutRoomForTheBackslashIsRefused)
{
    std::string longest(259, 'x');
    longest.replace(0, 3, "C:\\");
    EXPECT_FALSE(choose(longest, three + "\\", 2));
    EXPECT_STREQ(app->error_text(), "The folder's path is too long");
    EXPECT_EQ(std::string(app->settings.folder), three + "\\"); // nothing was taken over
    EXPECT_EQ(app->cycle.requested.position, 2);
}

TEST_F(FolderChoice, ItemOutsideTheFileSystemIsRefused)
{
    choice_has_path = false;
    EXPECT_FALSE(choose("unused", three + "\\", 2));
    EXPECT_STREQ(app->error_text(), "The chosen item is not a folder on a disk");
    EXPECT_EQ(std::string(app->settings.folder), three + "\\");
}

// A scan that takes longer than a second: the window comes up over the screen
// with the count while the walk goes on, and the show's first frames keep it
// until the first photo is turned to.
// Runs init over a scan whose every listed item takes 0.7 s; true in *shown
// once the window came up with the count. With esc, Esc comes then.
bool start_with_long_scan(Slideshow* app, bool* shown, bool esc)
{
    listing_item_ms = 700;
    *shown = false;
    std::thread watch([=] {
        for (int i = 0; i < 2000 && !*shown; ++i, Sleep(5)) *shown = notice_shown() && IsWindowVisible(main_window);
        if (esc) PostMessageA(main_window, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    bool started = app->init();
    watch.join();
    listing_item_ms = 0;
    return started;
}

// A scan that takes longer than a second: the window comes up over the screen
// with the count while the walk goes on, and the show's first frames keep it
// until the first photo is turned to.
TEST_F(Startup, LongScanShowsItsCountUntilTheFirstPhoto)
{
    set_stored_folder(photos + "\\", 0xFFFFFFFF);
    dialog_choice = photos;
    bool shown;
    ASSERT_TRUE(start_with_long_scan(app, &shown, false)) << app->error_text();
    EXPECT_TRUE(shown);
    EXPECT_STREQ(app->notice_text, "Looking for photos\xE2\x80\xA6 1 found");
    ASSERT_NE(app->scene().notice, nullptr);
    app->controls.shown.position = 0;
    EXPECT_EQ(app->scene().notice, nullptr);
    finish_and_check_released();
}

// Esc during a long scan ends the program at once: the walk stops, nothing is
// shown or reported, the quit stays for the shell's loop, and the stored
// position and photo stay as they were.
TEST_F(Startup, EscDuringALongScanEndsItAndKeepsThePosition)
{
    set_stored_folder(photos + "\\", 4);
    set_stored_path("a.jpg");
    dialog_choice = photos;
    bool shown;
    EXPECT_FALSE(start_with_long_scan(app, &shown, true));
    EXPECT_TRUE(shown);
    EXPECT_STREQ(app->error_text(), "");
    EXPECT_EQ(app->scan.thread, nullptr);
    EXPECT_EQ(app->files.count, 0);
    EXPECT_EQ(threads_started, 0);
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
    finish_and_check_released();
    std::string folder;
    DWORD file = 0;
    ASSERT_TRUE(stored_values(&folder, &file));
    EXPECT_EQ(file, 4u);
    EXPECT_EQ(stored_path(), "a.jpg");
}

// Names in any script: the manifest makes every "A" call of the program speak
// UTF-8, so a folder named in Cyrillic and Japanese, with photos named in
// Cyrillic, Japanese and accented Latin, goes through the dialog, the
// registry, the scan, the decoder and the EXIF reader unchanged.
TEST_F(Startup, NamesInAnyScript)
{
    ASSERT_EQ(GetACP(), 65001u) << "the manifest's code page was not applied";
    std::string folder = temp_folder("Фотографии 写真");
    std::string sub = folder + "\\подпапка";
    CreateDirectoryA(sub.c_str(), nullptr);
    struct Photo {
        std::string path;
        const char* sample;
        int32_t orientation;
    } photos[] = {
        {folder + "\\воздушный змей.jpg", "04-sideways.jpg", 6},
        {folder + "\\カップ.JPG", "05-upside-down.jpg", 3},
        {folder + "\\Crème brûlée.jpg", "01-evening.jpg", 1},
        {sub + "\\写真 2.jpg", "02-noon.JPG", 1},
    };
    for (const Photo& p : photos)
        ASSERT_TRUE(CopyFileA(wine_path(std::string(ORBISCA_SAMPLES "/") + p.sample).c_str(), p.path.c_str(), FALSE))
            << p.path;

    // The stored folder comes back through the real dialog byte for byte, so
    // the position is kept.
    ASSERT_TRUE(start_in(folder, 2)) << app->error_text();
    EXPECT_EQ(std::string(app->settings.folder), folder + "\\");
    EXPECT_EQ(app->cycle.requested.position, 2);
    ASSERT_EQ(app->files.count, 4);

    // Every photo decodes, and its EXIF orientation is read from its file.
    for (int32_t i = 0; i < app->files.count; ++i) {
        const char* path = app->files.entries + i * path_size;
        const Photo* photo = nullptr;
        for (const Photo& p : photos)
            if (p.path == path) photo = &p;
        ASSERT_NE(photo, nullptr) << "unexpected entry " << path;
        D3DLOCKED_RECT rect;
        ASSERT_GE(app->job.loader.staging->LockRect(0, &rect, nullptr, 0), 0);
        for (int y = 0; y < photo_size_min; ++y) std::memset(static_cast<char*>(rect.pBits) + y * rect.Pitch, 0, 4 * photo_size_min);
        app->job.loader.staging->UnlockRect(0);
        std::strcpy(app->job.loader.path, path);
        app->job.loader.run(app->gpu.device);
        unsigned char centre[4] = {};
        ASSERT_GE(app->job.loader.staging->LockRect(0, &rect, nullptr, D3DLOCK_READONLY), 0);
        std::memcpy(centre, static_cast<char*>(rect.pBits) + 512 * rect.Pitch + 4 * 512, 4);
        app->job.loader.staging->UnlockRect(0);
        EXPECT_GT(centre[0] + centre[1] + centre[2], 0) << path << " was not decoded";
        EXPECT_EQ(app->job.loader.orientation, photo->orientation) << path;
    }
    // The status line counts them (the first pass of the state machine hands
    // the next photo to the worker, so it comes after the direct loads).
    update_show(*app);
    EXPECT_NE(std::strstr(app->status_text, " of 4"), nullptr) << app->status_text;

    // The registry holds the real name, not question marks.
    finish_and_check_released();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\orbisca", 0, KEY_READ, &key), 0);
    wchar_t stored[MAX_PATH] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(RegQueryValueExW(key, L"folder", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size), 0);
    RegCloseKey(key);
    wchar_t want[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, (folder + "\\").c_str(), -1, want, MAX_PATH);
    EXPECT_EQ(std::wstring(stored), std::wstring(want));
    EXPECT_NE(std::wstring(stored).find(L"Фотографии 写真\\"), std::wstring::npos);
}
