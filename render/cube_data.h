// Plain data of the cube: the mesh (24 vertices x, y, z, u, v and 36 indices,
// two clockwise triangles per face) and the camera station of each face.
#pragma once
#include <stdint.h>

extern const float cube_vertices[24 * 5];
extern const uint16_t cube_indices[36];

// Eye position and up vector from which face k is seen upright.
extern const float face_eyes[6][3];
extern const float face_ups[6][3];
