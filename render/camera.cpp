#include "camera.h"

#include <emmintrin.h>

#include "slideshow/cycle.h"

namespace {

const float tumble_amplitude = 0.15707964f; // pi / 20

} // namespace

const float face_eyes[6][3] = {
    {2.8f, 0, 0}, {0, 2.8f, 0}, {0, 0, 2.8f}, {-2.8f, 0, 0}, {0, -2.8f, 0}, {0, 0, -2.8f},
};

const float face_ups[6][3] = {
    {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0},
};

float sine(float x)
{
    // Reduce to [-pi, pi], then fold into [-pi/2, pi/2], in double precision;
    // the odd Taylor series to x^15 is then exact to well below float precision.
    const double pi = 3.14159265358979323846;
    double d = x;
    int32_t turns = _mm_cvtsd_si32(_mm_set_sd(d * (0.5 / pi)));
    double r = d - turns * (2.0 * pi);
    if (r > pi * 0.5) r = pi - r;
    else if (r < -pi * 0.5) r = -pi - r;
    double r2 = r * r;
    double term = r;
    double sum = r;
    for (int n = 1; n <= 7; ++n) {
        term = -term * r2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return static_cast<float>(sum);
}

void tumble_angles(float t, float angles[3])
{
    angles[0] = tumble_amplitude * sine(0.13f * (t + 2.3f * sine(0.15f * t + 3.2f) + 1.7f) + 1.0f);
    angles[1] = tumble_amplitude * sine(0.15f * (t + 1.8f * sine(0.2f * t + 0.7f) + 4.3f) + 3.0f);
    angles[2] = tumble_amplitude * sine(0.17f * (t + 2.1f * (sine(0.12f * t + 5.1f) + 1.0f)) + 2.0f);
}

float eased_turn(float m)
{
    if (m >= 1.0f) m = 1.0f;
    return (1.0f + sine(3.1415927f * m - 1.5707964f)) * 0.5f;
}

float turn_amount(int32_t state, float now, float phase_start)
{
    if (state != ROTATING) return 0.0f;
    return eased_turn(now - phase_start);
}

void camera_between(int32_t from, int32_t to, float s, float eye[3], float up[3])
{
    for (int k = 0; k < 3; ++k) {
        eye[k] = face_eyes[from][k] + (face_eyes[to][k] - face_eyes[from][k]) * s;
        up[k] = face_ups[from][k] + (face_ups[to][k] - face_ups[from][k]) * s;
    }
}

void eye_in_cube(const float world[3][3], const float eye[3], float out[3])
{
    // The inverse of a rotation is its transpose.
    for (int j = 0; j < 3; ++j) out[j] = eye[0] * world[j][0] + eye[1] * world[j][1] + eye[2] * world[j][2];
}

bool face_grazing(int32_t k, const float eye[3])
{
    // Face k lies in the plane where its axis is +1 (k < 3) or -1.
    const float height = (k < 3 ? eye[k] : -eye[k - 3]) - 1.0f;
    return height < grazing_margin && height > -grazing_margin;
}

float aspect_ratio(int32_t width, int32_t height)
{
    if (height == 0) return 1.0f;
    return static_cast<float>(width) / static_cast<float>(height);
}

float face_tau(int32_t i, int32_t face, int32_t state, float now, float phase_start)
{
    if (i == face_in_view(face)) {
        if (state == ROTATING) return 1.0f;
        if (state == FADING) {
            float m = now - phase_start;
            return m >= 1.0f ? 1.0f : m;
        }
        return 0.0f;
    }
    if (i == face) return 0.0f;
    return 1.0f;
}
