// A Slideshow on a real test device with the renderer's objects, a stand-in
// effect that records and draws with the fixed-function pipeline, and hooks
// on the device for the tests that need a failing or lost device.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "app/slideshow.h"
#include "render/cube.h"
#include "support/fake_effect.h"
#include "support/test_device.h"
#include "support/hooks.h"
#include "support/video_texture.h"

// The renderer's operations on the whole record, as a frame calls them.
inline bool make_faces(Slideshow* s)
{
    return create_face_textures(&s->gpu, &s->job.loader, spare_holds_photo(s->cycle.state));
}
inline bool reset_show(Slideshow* s) { return reset_device(&s->gpu, &s->job.loader, spare_holds_photo(s->cycle.state)); }
// The record's scene with the tumble at camera_time.
inline FrameScene scene_at(const Slideshow* s, float camera_time)
{
    FrameScene scene = s->scene();
    scene.camera_time = camera_time;
    return scene;
}

// Calls seen by the device hooks of the current test.
struct DeviceCalls {
    FailNth photo_texture;            // 1024 x 1024 textures created in video memory
    FailNth lock_rect;
    bool fail_system_texture = false; // 1024 x 1024 textures in system memory fail
    HRESULT cooperative_level = S_OK; // reported instead of the real state
    int cooperative_level_frames = 0; // ... for this many calls
    int present = 0;
    int reset = 0;
    IDirect3DTexture9* system_texture = nullptr; // last D3DPOOL_SYSTEMMEM texture created, with a reference
    std::vector<unsigned char> back_buffer;      // read at the last Present
    UINT width = 0, height = 0;
};
extern DeviceCalls calls;

class RendererTest : public ::testing::Test {
protected:
    TestDevice test_device;
    Slideshow* show = nullptr;
    FakeEffectLog log;

    void SetUp() override;
    void TearDown() override;

    // Everything start-up creates after the device, with the stand-in effect
    // or with the program's own.
    void create_scene(bool program_effect = false);
    // Hooks on the device's and textures' methods, active until TearDown.
    void hook_device();

    // BGRA of a back buffer pixel read at the last Present.
    const unsigned char* pixel(UINT x, UINT y) const { return &calls.back_buffer[(y * calls.width + x) * 4]; }

private:
    std::vector<VtableHook*> hooks_;
};

inline bool near_colour(const unsigned char* bgra, D3DCOLOR colour, int tolerance = 8)
{
    for (int c = 0; c < 3; ++c) {
        int expected = (colour >> (8 * c)) & 0xFF;
        if (bgra[c] - expected > tolerance || expected - bgra[c] > tolerance) return false;
    }
    return true;
}
