// D3DX comes with the DirectX End-User Runtime, not with Windows, so the
// program does not import it: load_d3dx_runtime() fills one table with every
// D3DX function the program uses before anything calls them, from
// d3dx9_27.dll where it is installed and usable, and otherwise with the
// program's own equivalents (builtin_d3dx.h). The shipped programs define the
// D3DX functions themselves (d3dx_forward.cpp), each a call through this
// table; tests and tools link the import library instead.
#pragma once
#include <windows.h>
#include <d3dx9.h>

// Every D3DX function the program calls, by its exported name.
#define ORBISCA_D3DX_FUNCTIONS(X)    \
    X(D3DXCreateEffect)              \
    X(D3DXCreateEffectFromResourceA) \
    X(D3DXCreateFontA)               \
    X(D3DXCreateSprite)              \
    X(D3DXFilterTexture)             \
    X(D3DXMatrixLookAtLH)            \
    X(D3DXMatrixMultiply)            \
    X(D3DXMatrixPerspectiveFovLH)    \
    X(D3DXMatrixRotationX)           \
    X(D3DXMatrixRotationY)           \
    X(D3DXMatrixRotationZ)           \
    X(D3DXMatrixScaling)

struct D3DXRuntime {
#define ORBISCA_D3DX_ENTRY(name) decltype(&::name) name;
    ORBISCA_D3DX_FUNCTIONS(ORBISCA_D3DX_ENTRY)
#undef ORBISCA_D3DX_ENTRY
};

// All null until the first load.
extern D3DXRuntime d3dx_runtime;

extern const char d3dx_runtime_dll[];   // "d3dx9_27.dll"

// Fills the table: from d3dx9_27.dll when it loads and exports every
// function, else (missing, or damaged, say a copy for another architecture)
// with the program's own functions. May be called again; a DLL taken stays
// loaded for the life of the process.
void load_d3dx_runtime();
// The same from another DLL (tests). True when the DLL's functions were taken.
bool load_d3dx_runtime_from(const char* dll);

// Whether the table holds the program's own functions.
bool d3dx_runtime_builtin();
