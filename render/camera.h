// The camera: the station each face is seen from, the cube's tumble, the turn
// from one station to the next, the view and projection, and how far each
// face shows its effect. The arithmetic is plain single-precision code; the
// effect's matrices are made from it by setup_camera and set_effect_matrices
// (render/frame.h, Windows only).
#pragma once
#include <stdint.h>

#include "slideshow/cycle.h"

// Eye position and up vector from which face k is seen upright.
extern const float face_eyes[6][3];
extern const float face_ups[6][3];

// Sine of a float argument, without a maths library.
float sine(float x);

// Tumbling angles (radians, about x, y and z) at t seconds; each stays within
// +-pi/20.
void tumble_angles(float t, float angles[3]);

// Eased progress 0..1 of the camera's turn, m seconds into it (m >= 1 gives 1).
float eased_turn(float m);

// Progress of the turn in the given slide state: 0 unless the camera is turning.
float turn_amount(int32_t state, float now, float phase_start);

// Eye and up vector a fraction s of the way from the station of face `from` to
// that of face `to` (straight lines, not normalised).
void camera_between(int32_t from, int32_t to, float s, float eye[3], float up[3]);

// The eye in the cube's own coordinates: `eye` turned back by the tumble
// `world`, a rotation given as its rows (points are row vectors, p x world).
void eye_in_cube(const float world[3][3], const float eye[3], float out[3]);

// Whether face k (the one seen from face_eyes[k]) is seen at a grazing angle
// from an eye at `eye` (cube coordinates): the eye is within grazing_margin of
// the face's plane, on either side. A software rasteriser (Mesa's llvmpipe,
// under Wine) can take seconds, even minutes, over the anisotropic filtering
// of a face seen nearly edge-on during a turn; such a face covers a strip a
// few dozen pixels wide for a frame or two and is drawn with linear
// minification instead.
const float grazing_margin = 0.1f;
bool face_grazing(int32_t k, const float eye[3]);

// Width over height of a client area; 1 when the height is 0.
float aspect_ratio(int32_t width, int32_t height);

// Effect amount of face i: 0 shows the plain photo, 1 the full filtered look.
float face_tau(int32_t i, int32_t face, int32_t state, float now, float phase_start);
