// Camera, turn, blending and mesh data.
#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"
#include "render/cube_data.h"
#include "slideshow/cycle.h"

namespace {

const int32_t next_state = NEXT, waiting_state = WAITING, rotating_state = ROTATING, fading_state = FADING;

struct Vec {
    double x, y, z;
};
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec vertex(int i) { return {cube_vertices[5 * i], cube_vertices[5 * i + 1], cube_vertices[5 * i + 2]}; }

// Screen position (x right, y up) of a point seen from face k's station with a
// left-handed look-at camera.
void to_screen(int k, Vec p, double* sx, double* sy)
{
    Vec eye = {face_eyes[k][0], face_eyes[k][1], face_eyes[k][2]};
    Vec up = {face_ups[k][0], face_ups[k][1], face_ups[k][2]};
    Vec z = {-eye.x, -eye.y, -eye.z};
    Vec x = cross(up, z);
    Vec y = cross(z, x);
    *sx = dot(p, x);
    *sy = dot(p, y);
}

} // namespace

TEST(Sine, MatchesTheLibraryOverManyTurns)
{
    for (float x = -200.0f; x < 200.0f; x += 0.037f) ASSERT_NEAR(sine(x), std::sin(double(x)), 2e-7) << x;
    EXPECT_EQ(sine(0.0f), 0.0f);
}

TEST(Tumbling, KnownAnglesAndBounds)
{
    float a[3];
    tumble_angles(0.0f, a);
    EXPECT_NEAR(a[0], 0.146605, 2e-6);
    EXPECT_NEAR(a[1], -0.098446, 2e-6);
    EXPECT_NEAR(a[2], 0.141051, 2e-6);
    tumble_angles(10.0f, a);
    EXPECT_NEAR(a[0], 0.124932, 2e-6);
    EXPECT_NEAR(a[1], -0.134078, 2e-6);
    EXPECT_NEAR(a[2], -0.125107, 2e-6);
    float previous[3];
    tumble_angles(0.0f, previous);
    for (float t = 0.01f; t < 3000.0f; t += 0.25f) {
        tumble_angles(t, a);
        for (int k = 0; k < 3; ++k) {
            ASSERT_LE(std::fabs(a[k]), 0.15707964f) << t;
            // Smooth: a quarter second never moves an angle by more than a little.
            ASSERT_LT(std::fabs(a[k] - previous[k]), 0.02f) << t;
            previous[k] = a[k];
        }
    }
}

TEST(Turn, EasesInAndOutOverOneSecond)
{
    EXPECT_NEAR(eased_turn(0.0f), 0.0f, 1e-7);
    EXPECT_NEAR(eased_turn(0.25f), 0.1464466f, 1e-6);
    EXPECT_NEAR(eased_turn(0.5f), 0.5f, 1e-6);
    EXPECT_NEAR(eased_turn(0.75f), 0.8535534f, 1e-6);
    EXPECT_EQ(eased_turn(1.0f), 1.0f);
    EXPECT_EQ(eased_turn(7.0f), 1.0f);
    float last = 0.0f;
    for (float m = 0.0f; m <= 1.0f; m += 0.01f) {
        ASSERT_GE(eased_turn(m), last);
        last = eased_turn(m);
    }
    EXPECT_NEAR(turn_amount(rotating_state, 10.5f, 10.0f), 0.5f, 1e-6);
    for (int32_t state : {0, 1, 2, waiting_state, fading_state}) EXPECT_EQ(turn_amount(state, 10.5f, 10.0f), 0.0f);
}

TEST(Camera, StationsAndTheChordBetweenThem)
{
    for (int32_t p = 0; p < 6; ++p) {
        int32_t c = (p + 1) % 6;
        EXPECT_EQ(face_in_view(c), p);
        float eye[3], up[3];
        camera_between(p, c, 0.0f, eye, up);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(eye[k], face_eyes[p][k]);
        camera_between(p, c, 1.0f, eye, up);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(up[k], face_ups[c][k]);
        camera_between(p, c, 0.5f, eye, up);
        EXPECT_NEAR(std::sqrt(dot({eye[0], eye[1], eye[2]}, {eye[0], eye[1], eye[2]})), 1.979899, 1e-5);
        // Along the whole turn the up vector is never zero nor along the line of sight.
        for (float s = 0.0f; s <= 1.0f; s += 0.05f) {
            camera_between(p, c, s, eye, up);
            Vec n = cross({eye[0], eye[1], eye[2]}, {up[0], up[1], up[2]});
            ASSERT_GT(dot(n, n), 0.5) << p << " " << s;
        }
    }
}

TEST(Camera, AspectOfTheClientArea)
{
    EXPECT_EQ(aspect_ratio(1280, 1024), 1.25f);
    EXPECT_EQ(aspect_ratio(640, 0), 1.0f);
    EXPECT_EQ(aspect_ratio(0, 0), 1.0f);
}

TEST(Blend, TauOfEachFace)
{
    // At start: face 0 receives the next photo, face 5 is in view.
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(face_tau(i, 0, next_state, 0.0f, 0.0f), (i == 0 || i == 5) ? 0.0f : 1.0f);
    // The face in view fades over one second and keeps its look while turning.
    EXPECT_EQ(face_tau(2, 3, fading_state, 4.0f, 4.0f), 0.0f);
    EXPECT_EQ(face_tau(2, 3, fading_state, 4.5f, 4.0f), 0.5f);
    EXPECT_EQ(face_tau(2, 3, fading_state, 5.0f, 4.0f), 1.0f);
    EXPECT_EQ(face_tau(2, 3, fading_state, 9.0f, 4.0f), 1.0f);
    EXPECT_EQ(face_tau(2, 3, rotating_state, 4.0f, 4.0f), 1.0f);
    EXPECT_EQ(face_tau(2, 3, waiting_state, 9.0f, 4.0f), 0.0f);
    // The receiving face is always plain; the rest are always filtered.
    for (int32_t state = 0; state <= 5; ++state) {
        EXPECT_EQ(face_tau(3, 3, state, 4.5f, 4.0f), 0.0f);
        EXPECT_EQ(face_tau(0, 3, state, 4.5f, 4.0f), 1.0f);
        float in_view = state == rotating_state ? 1.0f : state == fading_state ? 0.5f : 0.0f;
        EXPECT_EQ(face_tau(4, 5, state, 4.5f, 4.0f), in_view);
    }
}

TEST(Mesh, Winding)
{
    // Face k draws from indices 6k..6k+5 and only its own four vertices.
    for (int i = 0; i < 36; ++i) EXPECT_EQ(cube_indices[i] / 4, i / 6) << i;
    // Every triangle is clockwise seen from outside: its cross product points out.
    for (int t = 0; t < 12; ++t) {
        Vec a = vertex(cube_indices[3 * t]), b = vertex(cube_indices[3 * t + 1]), c = vertex(cube_indices[3 * t + 2]);
        Vec n = cross(sub(b, a), sub(c, a));
        Vec centre = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
        EXPECT_GT(dot(n, centre), 0.0) << "triangle " << t;
    }
}

TEST(Mesh, EachFaceIsUprightFromItsStation)
{
    for (int k = 0; k < 6; ++k) {
        for (int j = 0; j < 4; ++j) {
            const float* v = cube_vertices + 5 * (4 * k + j);
            // The face's own vertices lie on the plane facing its station.
            Vec eye = {face_eyes[k][0], face_eyes[k][1], face_eyes[k][2]};
            EXPECT_NEAR(dot({v[0], v[1], v[2]}, eye), 2.8, 1e-5) << k;
            double sx, sy;
            to_screen(k, {v[0], v[1], v[2]}, &sx, &sy);
            // u grows to the right, v downwards.
            EXPECT_EQ(v[3], sx > 0 ? 1.0f : 0.0f) << "face " << k << " vertex " << j;
            EXPECT_EQ(v[4], sy < 0 ? 1.0f : 0.0f) << "face " << k << " vertex " << j;
        }
    }
}

// Each face's plane, seen from its own station, from the chord of a turn and
// through the tumble: only an eye near the plane makes the face grazing.
TEST(Camera, GrazingFacesAndTheEyeInTheCube)
{
    for (int k = 0; k < 6; ++k) {
        EXPECT_FALSE(face_grazing(k, face_eyes[k])) << k;
        float in_plane[3] = {0, 0, 0};
        in_plane[k % 3] = k < 3 ? 1.05f : -1.05f;
        in_plane[(k + 1) % 3] = 2.0f;
        EXPECT_TRUE(face_grazing(k, in_plane)) << k;
        in_plane[k % 3] = k < 3 ? 0.95f : -0.95f;  // just behind the plane
        EXPECT_TRUE(face_grazing(k, in_plane)) << k;
    }
    // Half-way from +X to +Y the eye is at (1.4, 1.4, 0): neither face grazes.
    float eye[3], up[3];
    camera_between(0, 1, 0.5f, eye, up);
    EXPECT_FALSE(face_grazing(0, eye));
    EXPECT_FALSE(face_grazing(1, eye));
    // A quarter turn about z (row vectors: p x world) is undone.
    const float world[3][3] = {{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
    const float seen[3] = {0, 2.8f, 0.5f};
    float back[3];
    eye_in_cube(world, seen, back);
    EXPECT_NEAR(back[0], 2.8f, 1e-6f);
    EXPECT_NEAR(back[1], 0.0f, 1e-6f);
    EXPECT_NEAR(back[2], 0.5f, 1e-6f);
}
