// The two ways the benchmarks compare in one run: D3DX (under Wine, Wine's
// own, through the import library) and the program's own functions that
// replace it where d3dx9_27.dll is missing.
#pragma once
#include "render/builtin_d3dx.h"
#include "support/hooks.h"

inline const char* const way_names[2] = {"D3DX", "built-in"};

// Points this executable's imports of the D3DX functions at the program's
// own functions, or back at D3DX's.
inline void use_builtin_d3dx(bool builtin)
{
    static D3DXRuntime dll;
    static bool saved = false;
#define ORBISCA_BENCH_WAY(name)                                                                                   \
    if (!saved) {                                                                                                 \
        void* was = hook_import("d3dx9_27.dll", #name, reinterpret_cast<void*>(builtin_d3dx.name));               \
        dll.name = reinterpret_cast<decltype(dll.name)>(was);                                                     \
    }                                                                                                             \
    if (dll.name)                                                                                                 \
        hook_import("d3dx9_27.dll", #name,                                                                        \
                    builtin ? reinterpret_cast<void*>(builtin_d3dx.name) : reinterpret_cast<void*>(dll.name));
    ORBISCA_D3DX_FUNCTIONS(ORBISCA_BENCH_WAY)
#undef ORBISCA_BENCH_WAY
    saved = true;
}

// The value below which a share `share` (0..1) of the sorted times lie.
inline double percentile(std::vector<double> v, double share)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t at = static_cast<size_t>(share * (v.size() - 1) + 0.5);
    return v[at];
}
