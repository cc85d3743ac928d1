#include "matrix.h"

#include <emmintrin.h>
#include <stdint.h>

namespace {

void identity(Matrix4* out)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out->m[i][j] = i == j ? 1.0f : 0.0f;
}

float square_root(float x) { return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(x))); }

void normalise(float v[3])
{
    float length = square_root(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k) v[k] = length == 0.0f ? 0.0f : v[k] / length;
}

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

} // namespace

void sine_cosine(float angle, float* s, float* c)
{
    // The nearest quarter turn in double precision, then the Taylor series of
    // both on the rest (at most pi/4), exact to well below float precision.
    const double half_pi = 1.57079632679489661923;
    double x = angle;
    int32_t quarters = _mm_cvtsd_si32(_mm_set_sd(x / half_pi));
    double r = x - quarters * half_pi;
    double r2 = r * r;
    double sine = r, cosine = 1.0, st = r, ct = 1.0;
    for (int n = 1; n <= 9; ++n) {
        st = -st * r2 / ((2 * n) * (2 * n + 1));
        ct = -ct * r2 / ((2 * n - 1) * (2 * n));
        sine += st;
        cosine += ct;
    }
    switch (quarters & 3) {
    case 0: *s = static_cast<float>(sine); *c = static_cast<float>(cosine); break;
    case 1: *s = static_cast<float>(cosine); *c = static_cast<float>(-sine); break;
    case 2: *s = static_cast<float>(-sine); *c = static_cast<float>(-cosine); break;
    default: *s = static_cast<float>(-cosine); *c = static_cast<float>(sine); break;
    }
}

void matrix_rotation_x(Matrix4* out, float angle)
{
    float s, c;
    sine_cosine(angle, &s, &c);
    identity(out);
    out->m[1][1] = c;
    out->m[1][2] = s;
    out->m[2][1] = -s;
    out->m[2][2] = c;
}

void matrix_rotation_y(Matrix4* out, float angle)
{
    float s, c;
    sine_cosine(angle, &s, &c);
    identity(out);
    out->m[0][0] = c;
    out->m[0][2] = -s;
    out->m[2][0] = s;
    out->m[2][2] = c;
}

void matrix_rotation_z(Matrix4* out, float angle)
{
    float s, c;
    sine_cosine(angle, &s, &c);
    identity(out);
    out->m[0][0] = c;
    out->m[0][1] = s;
    out->m[1][0] = -s;
    out->m[1][1] = c;
}

void matrix_scaling(Matrix4* out, float x, float y, float z)
{
    identity(out);
    out->m[0][0] = x;
    out->m[1][1] = y;
    out->m[2][2] = z;
}

void matrix_multiply(Matrix4* out, const Matrix4& a, const Matrix4& b)
{
    Matrix4 product;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            product.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                              a.m[i][3] * b.m[3][j];
    *out = product;
}

void matrix_look_at_lh(Matrix4* out, const float eye[3], const float at[3], const float up[3])
{
    float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
    normalise(z);
    float x[3], y[3];
    cross(up, z, x);
    cross(z, x, y);
    normalise(x);
    normalise(y);
    for (int k = 0; k < 3; ++k) {
        out->m[k][0] = x[k];
        out->m[k][1] = y[k];
        out->m[k][2] = z[k];
        out->m[k][3] = 0.0f;
    }
    out->m[3][0] = -dot(x, eye);
    out->m[3][1] = -dot(y, eye);
    out->m[3][2] = -dot(z, eye);
    out->m[3][3] = 1.0f;
}

void matrix_perspective_fov_lh(Matrix4* out, float fov_y, float aspect, float near_z, float far_z)
{
    float s, c;
    sine_cosine(fov_y / 2.0f, &s, &c);
    float tangent = s / c;
    identity(out);
    out->m[0][0] = 1.0f / (aspect * tangent);
    out->m[1][1] = 1.0f / tangent;
    out->m[2][2] = far_z / (far_z - near_z);
    out->m[2][3] = 1.0f;
    out->m[3][2] = (far_z * near_z) / (near_z - far_z);
    out->m[3][3] = 0.0f;
}
