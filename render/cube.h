// The cube's mesh: 24 vertices (x, y, z, u, v), 36 indices, the vertex layout.
#pragma once
#include <d3d9.h>
#include <stdint.h>

#include "cube_data.h"

// Bytes of one vertex in the buffer, and its fixed-function format.
const UINT cube_vertex_stride = 5 * sizeof(float);
const DWORD cube_fvf = D3DFVF_XYZ | D3DFVF_TEX1;

extern const D3DVERTEXELEMENT9 cube_vertex_elements[3];
