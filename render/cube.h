// The cube's mesh: 24 vertices (x, y, z, u, v), 36 indices, the vertex layout.
#pragma once
#include <d3d9.h>
#include <stdint.h>

#include "cube_data.h"

extern const D3DVERTEXELEMENT9 cube_vertex_elements[3];
