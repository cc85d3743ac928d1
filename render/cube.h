// The cube's mesh: 24 vertices (x, y, z, u, v), 36 indices, the vertex layout.
#pragma once
#include <d3d9.h>
#include <stdint.h>

extern const float cube_vertices[24 * 5];
extern const uint16_t cube_indices[36];
extern const D3DVERTEXELEMENT9 cube_vertex_elements[3];
