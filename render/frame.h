// Drawing one frame: the tumbling cube with each face's technique and effect
// amount, the overlay, and the present with recovery after a device loss.
#pragma once
#include "render/gpu.h"

// What one frame shows, as the slideshow's state machine left it.
struct FrameScene {
    float now;            // the show's clock, seconds
    float camera_time;    // the tumble's time: now plus the run's offset
    int32_t state;        // SlideState
    int32_t face;         // the face that receives the next photo
    float phase_start;
    // Technique of the warm-up order (slideshow/technique.h) to draw where it
    // does not show; -1 for none.
    int32_t warm_up;
    // The overlay's status text under the title; null: no overlay.
    const char* status;
    // A line (UTF-8) in the middle of the screen; null for none.
    const char* notice;
    // The caption of the photo in view, drawn with the overlay; null: none.
    const char* caption;
};

// The effect's matrices for the scene (render/camera_matrices.cpp). world and
// view receive the tumble and the camera; eye_cube, where given, the eye in
// the cube's own coordinates.
void setup_camera(const FrameScene& scene, D3DXMATRIX* world, D3DXMATRIX* view, float eye_cube[3] = nullptr);
void set_effect_matrices(GpuObjects* gpu, const FrameScene& scene, float eye_cube[3] = nullptr);

// Face i with the given technique and effect amount. grazing: the face is seen
// nearly edge-on (face_grazing, render/camera.h).
void draw_face(GpuObjects* gpu, int32_t i, const char* technique, float tau, bool grazing = false);
// Draws technique k of the warm-up order shrunk under the face in view.
void warm_up_technique(GpuObjects* gpu, int32_t shown_face, int32_t k);
// Clears and draws the scene between BeginScene and EndScene.
void draw_scene(GpuObjects* gpu, const FrameScene& scene);
// Presents the frame, or resets a device that asks for it; textures missing
// after a failed reset are tried again first. A negative result means
// nothing was presented. spare_photo: the staging texture holds the photo on
// its way (create_face_textures).
long present_frame(GpuObjects* gpu, ImageLoadTask* loader, bool spare_photo);

// Waits until the device has carried out what came before the query's last
// Issue. Gives up on a lost device and after half a second; true when done.
bool wait_for_query(IDirect3DQuery9* query);
