// The table of D3DX functions and its loading.
#include "d3dx_runtime.h"

#include "builtin_d3dx.h"

D3DXRuntime d3dx_runtime;

const char d3dx_runtime_dll[] = "d3dx9_27.dll";

namespace {

bool builtin_in_use = false;

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
    D3DXRuntime loaded;
    if (module && take_functions(module, &loaded)) {
        d3dx_runtime = loaded;
        builtin_in_use = false;
        return true;
    }
    if (module) FreeLibrary(module);
    d3dx_runtime = builtin_d3dx;
    builtin_in_use = true;
    return false;
}

void load_d3dx_runtime() { load_d3dx_runtime_from(d3dx_runtime_dll); }

bool d3dx_runtime_builtin() { return builtin_in_use; }
