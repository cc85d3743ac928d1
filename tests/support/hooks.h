// Replacing single functions of the real platform for failure tests: an entry
// of this executable's import table, or one slot of a COM object's vtable.
// Both return the original so a hook can forward to it.
#pragma once
#include <windows.h>

// Points the import of `function` from `dll` in this executable at
// `replacement`. Returns the previous address, or null when not imported.
void* hook_import(const char* dll, const char* function, void* replacement);

// Replaces slot `index` of the vtable of `object` (every object of that class
// shares it). Returns the previous entry.
void* hook_vtable(void* object, int index, void* replacement);

// Vtable slots used by the tests.
namespace slot {
// IUnknown
const int Release = 2;
// IDirect3D9
const int GetDeviceCaps = 14;
const int CreateDevice = 16;
// IDirect3DDevice9
const int TestCooperativeLevel = 3;
const int Reset = 16;
const int Present = 17;
const int CreateTexture = 23;
const int CreateVertexBuffer = 26;
const int CreateIndexBuffer = 27;
const int UpdateSurface = 30;
const int UpdateTexture = 31;
const int CreateVertexDeclaration = 86;
// IDirect3DTexture9
const int GetSurfaceLevel = 18;
const int LockRect = 19;
// IDirect3DVertexBuffer9 / IDirect3DIndexBuffer9
const int BufferLock = 11;
} // namespace slot
