// Plain data of the cube: the mesh (24 vertices x, y, z, u, v and 36 indices,
// two clockwise triangles per face). The station each face is seen from is the
// camera's (render/camera.h).
#pragma once
#include <stdint.h>

extern const float cube_vertices[24 * 5];
extern const uint16_t cube_indices[36];
