// D3DX comes with the DirectX End-User Runtime, not with Windows, so the
// program does not import it: load_d3dx_runtime() loads d3dx9_27.dll and takes
// every function the program uses from it into one table, before anything
// calls them. The shipped programs define the D3DX functions themselves
// (d3dx_forward.cpp), each a call through this table; tests and tools link the
// import library instead.
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

// All null until a load succeeds.
extern D3DXRuntime d3dx_runtime;

extern const char d3dx_runtime_dll[];   // "d3dx9_27.dll"

// Loads the runtime and fills the table. False when the DLL cannot be loaded
// or lacks one of the functions: the table is then left as it was, and
// d3dx_runtime_error_text() says what the user can do about it. May be called
// again; the DLL stays loaded for the life of the process.
bool load_d3dx_runtime();
// The same from another DLL (tests).
bool load_d3dx_runtime_from(const char* dll);

// After a failed load: the text for the user (which runtime is missing and how
// to get it). Empty when nothing failed.
const char* d3dx_runtime_error_text();
