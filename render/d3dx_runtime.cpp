// The table of D3DX functions and its loading.
#include "d3dx_runtime.h"

D3DXRuntime d3dx_runtime;

const char d3dx_runtime_dll[] = "d3dx9_27.dll";

namespace {

const char not_installed_text[] =
    "d3dx9_27.dll is not installed on this computer. The slideshow needs it: it is part of the DirectX End-User "
    "Runtime, a free download from Microsoft. Once the DirectX End-User Runtime is installed, start the slideshow "
    "again and it will run.";
const char damaged_text[] =
    "d3dx9_27.dll on this computer cannot be used: it is damaged or incomplete. It is part of the DirectX End-User "
    "Runtime, a free download from Microsoft. Install the DirectX End-User Runtime again; once it is installed, "
    "start the slideshow again and it will run.";

const char* error_text = "";

// Takes every function from the module into table; false at the first one
// the module does not export.
bool take_functions(HMODULE module, D3DXRuntime* table)
{
#define ORBISCA_D3DX_TAKE(name)                                                                         \
    table->name = reinterpret_cast<decltype(table->name)>(                                              \
        reinterpret_cast<void*>(GetProcAddress(module, #name)));                                        \
    if (!table->name) return false;
    ORBISCA_D3DX_FUNCTIONS(ORBISCA_D3DX_TAKE)
#undef ORBISCA_D3DX_TAKE
    return true;
}

} // namespace

bool load_d3dx_runtime_from(const char* dll)
{
    HMODULE module = LoadLibraryA(dll);
    if (!module) {
        // Not found anywhere: not installed. Found but not loadable (a copy
        // for another architecture, say): damaged.
        error_text = GetLastError() == ERROR_MOD_NOT_FOUND ? not_installed_text : damaged_text;
        return false;
    }
    D3DXRuntime loaded;
    if (!take_functions(module, &loaded)) {
        FreeLibrary(module);
        error_text = damaged_text;
        return false;
    }
    d3dx_runtime = loaded;
    error_text = "";
    return true;
}

bool load_d3dx_runtime() { return load_d3dx_runtime_from(d3dx_runtime_dll); }

const char* d3dx_runtime_error_text() { return error_text; }
