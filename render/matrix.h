// The matrix functions the renderer uses, with D3DX's documented meaning: row
// vectors multiplied on the left, so that in a product a x b the
// transformation a applies first; left-handed view and projection. Plain
// single-precision code without a maths library.
#pragma once

struct Matrix4 {
    float m[4][4];
};

// Sine and cosine of an angle in radians, exact to float precision for angles
// of any size a float angle takes in practice (|angle| < 10^9).
void sine_cosine(float angle, float* s, float* c);

void matrix_rotation_x(Matrix4* out, float angle);
void matrix_rotation_y(Matrix4* out, float angle);
void matrix_rotation_z(Matrix4* out, float angle);
void matrix_scaling(Matrix4* out, float x, float y, float z);
// out = a x b; out may be a or b.
void matrix_multiply(Matrix4* out, const Matrix4& a, const Matrix4& b);
// The view from eye towards at, with up pointing upwards on the screen.
void matrix_look_at_lh(Matrix4* out, const float eye[3], const float at[3], const float up[3]);
// Vertical field of view fov_y (radians), width over height aspect, near and
// far planes: depth 0 at the near plane, 1 at the far one.
void matrix_perspective_fov_lh(Matrix4* out, float fov_y, float aspect, float near_z, float far_z);
