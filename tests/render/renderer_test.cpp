// The renderer on a real device under Wine: photo textures and their
// recovery, the procedural textures, the camera and whole frames.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/support.h"
#include "render/camera.h"
#include "render/procedural_fill.h"
#include "renderer_fixture.h"
#include "slideshow/drive.h"

namespace {

const D3DCOLOR face_colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

// Every level of a video-memory photo texture is of one colour.
void expect_colour(IDirect3DDevice9* device, IDirect3DTexture9* texture, D3DCOLOR colour, const char* what)
{
    ASSERT_NE(texture, nullptr) << what;
    ASSERT_EQ(texture->GetLevelCount(), 11u) << what;
    std::vector<unsigned char> bytes(1024 * 1024 * 4);
    for (UINT level = 0; level < 11; ++level) {
        ASSERT_TRUE(read_video_texture_level(device, texture, level, bytes.data())) << what;
        UINT n = 1024 >> level;
        for (UINT i = 0; i < n * n; ++i) {
            if (!near_colour(&bytes[4 * i], colour, 0)) {
                ADD_FAILURE() << what << " level " << level << " texel " << i;
                return;
            }
        }
    }
}

void expect_black(IDirect3DDevice9* device, IDirect3DTexture9* texture, const char* what)
{
    expect_colour(device, texture, 0xFF000000, what);
}

std::vector<unsigned char> read_level(IDirect3DTexture9* texture, UINT level)
{
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(level, &desc);
    std::vector<unsigned char> bytes(size_t(desc.Width) * desc.Height * 4);
    EXPECT_TRUE(read_texture_level(texture, level, bytes.data()));
    return bytes;
}

// Each lower level is filtered from the one above: every texel lies within the
// range of the 2 x 2 block it stands for (a box or a point filter both do).
// A level that was never written would be zero and fail the floor check.
void expect_filtered_chain(IDirect3DTexture9* texture, int floor_channel, const char* what)
{
    ASSERT_EQ(texture->GetLevelCount(), 11u) << what;
    std::vector<unsigned char> upper = read_level(texture, 0);
    for (UINT level = 1; level < 11; ++level) {
        std::vector<unsigned char> lower = read_level(texture, level);
        UINT n = 1024 >> level;
        int outside = 0, below_floor = 0;
        for (UINT y = 0; y < n; ++y)
            for (UINT x = 0; x < n; ++x)
                for (int c = 0; c < 4; ++c) {
                    int low = 255, high = 0;
                    for (UINT k = 0; k < 4; ++k) {
                        int v = upper[(((2 * y + k / 2) * 2 * n) + 2 * x + k % 2) * 4 + c];
                        low = std::min(low, v);
                        high = std::max(high, v);
                    }
                    int v = lower[(y * n + x) * 4 + c];
                    outside += v < low - 2 || v > high + 2;
                    below_floor += c == floor_channel && v == 0;
                }
        EXPECT_EQ(outside, 0) << what << " level " << level;
        EXPECT_EQ(below_floor, 0) << what << " level " << level;
        upper = lower;
    }
}

void expect_matrix_near(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tolerance) << r << "," << c;
}

// The eye position a left-handed look-at matrix was built from.
D3DXVECTOR3 eye_of(const D3DXMATRIX& view)
{
    D3DXVECTOR3 eye;
    for (int k = 0; k < 3; ++k)
        eye[k] = -(view(3, 0) * view(k, 0) + view(3, 1) * view(k, 1) + view(3, 2) * view(k, 2));
    return eye;
}

float seconds_since_start(const Slideshow* show)
{
    LARGE_INTEGER v;
    QueryPerformanceCounter(&v);
    return float(double(v.QuadPart - show->clock.perf_start) / double(show->clock.perf_frequency));
}

// Each face shows a photo of its own colour and keeps the system-memory
// texture it came from; the staging texture holds a white photo on its way.
void give_photos(Slideshow* show)
{
    for (int i = 0; i < 6; ++i) {
        show->gpu.faces[i].photo = make_filled_texture(show->gpu.device, 1024, face_colours[i]);
        ASSERT_NE(show->gpu.faces[i].photo, nullptr);
        ASSERT_TRUE(fill_video_texture(show->gpu.device, show->gpu.faces[i].texture, face_colours[i]));
    }
    show->job.loader.staging->Release();
    show->job.loader.staging = make_filled_texture(show->gpu.device, 1024, 0xFFFFFFFF);
    ASSERT_NE(show->job.loader.staging, nullptr);
}

} // namespace

// --- photo textures ---------------------------------------------------------

TEST(PresentParams, DesktopSizeAndNothingLeftOver)
{
    D3DPRESENT_PARAMETERS params;
    memset(&params, 0xCD, sizeof(params));
    make_present_params(&params);
    EXPECT_EQ(params.BackBufferWidth, UINT(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(params.BackBufferHeight, UINT(GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_EQ(params.MultiSampleQuality, 0u);
    EXPECT_EQ(params.hDeviceWindow, nullptr);
    EXPECT_EQ(params.Flags, 0u);
    EXPECT_EQ(params.FullScreen_RefreshRateInHz, 0u);
}

TEST_F(RendererTest, FaceTexturesAreBlackAfterCreationAndAfterAReset)
{
    create_scene();
    hook_device();
    IDirect3DDevice9* device = show->gpu.device;
    for (int i = 0; i < 6; ++i) expect_black(device, show->gpu.faces[i].texture, "face");
    expect_black(device, show->job.loader.target, "spare");

    // Photos on every texture, then a reset.
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(fill_video_texture(device, show->gpu.faces[i].texture, face_colours[i]));
    ASSERT_TRUE(fill_video_texture(device, show->job.loader.target, 0xFFFFFFFF));
    IDirect3DTexture9* staging = show->job.loader.staging;
    ASSERT_TRUE(reset_show(show));
    EXPECT_EQ(calls.reset, 1);
    EXPECT_EQ(log.lost, 1);
    EXPECT_EQ(log.reset, 1);
    EXPECT_EQ(show->job.loader.staging, staging);
    for (int i = 0; i < 6; ++i) expect_black(show->gpu.device, show->gpu.faces[i].texture, "face after reset");
    expect_black(show->gpu.device, show->job.loader.target, "spare after reset");
    // The clearing source is gone again: ours is the only reference left.
    ASSERT_NE(calls.system_texture, nullptr);
    EXPECT_EQ(calls.system_texture->Release(), 0u);
    calls.system_texture = nullptr;
}

TEST_F(RendererTest, FailedFourthFaceTextureKeepsTheFirstThree)
{
    hook_device();
    calls.photo_texture.arm(4);
    EXPECT_FALSE(make_faces(show));
    IDirect3DTexture9* made[3];
    for (int i = 0; i < 3; ++i) {
        made[i] = show->gpu.faces[i].texture;
        ASSERT_NE(made[i], nullptr);
        made[i]->AddRef();
    }
    for (int i = 3; i < 6; ++i) EXPECT_EQ(show->gpu.faces[i].texture, nullptr);
    EXPECT_EQ(show->job.loader.target, nullptr);
    EXPECT_EQ(calls.photo_texture.calls, 4);

    release_face_textures(&show->gpu, &show->job.loader);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(show->gpu.faces[i].texture, nullptr);
    // Released exactly once each: our reference is the last.
    for (IDirect3DTexture9* t : made) EXPECT_EQ(t->Release(), 0u);
}

TEST_F(RendererTest, UnlockableClearingSourceFailsTheCreation)
{
    hook_device();
    calls.lock_rect.arm(1);
    EXPECT_FALSE(make_faces(show));
    EXPECT_EQ(calls.lock_rect.calls, 1);
    for (int i = 0; i < 6; ++i) EXPECT_NE(show->gpu.faces[i].texture, nullptr);
    EXPECT_NE(show->job.loader.target, nullptr);
    // The source was released.
    ASSERT_NE(calls.system_texture, nullptr);
    EXPECT_EQ(calls.system_texture->Release(), 0u);
    calls.system_texture = nullptr;
}

// --- procedural textures ----------------------------------------------------

TEST_F(RendererTest, ProceduralTexturesAndTheirMipChains)
{
    ASSERT_TRUE(create_lens_texture(&show->gpu));
    ASSERT_TRUE(create_rubik_texture(&show->gpu));
    seed_random(4242);
    ASSERT_TRUE(create_disp_texture(&show->gpu));
    uint32_t after = rng_state;

    D3DSURFACE_DESC desc;
    ASSERT_EQ(show->gpu.lens_texture->GetLevelCount(), 1u);
    show->gpu.lens_texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    std::vector<unsigned char> lens = read_level(show->gpu.lens_texture, 0);
    for (int x = 0; x < 1024; ++x) {
        ASSERT_EQ(lens[4 * x + 3], lens_alpha(x));
        ASSERT_EQ(lens[4 * (1024 + x) + 3], lens_alpha(x));
    }

    std::vector<unsigned char> expected(1024 * 1024 * 4);
    fill_colour_grid({expected.data(), 4096});
    EXPECT_TRUE(read_level(show->gpu.rubik_texture, 0) == expected);
    expect_filtered_chain(show->gpu.rubik_texture, -1, "colour grid");
    // The middle of each cell keeps its colour down to the 8 x 8 level.
    for (UINT level = 0; level <= 7; ++level) {
        std::vector<unsigned char> bytes = read_level(show->gpu.rubik_texture, level);
        UINT n = 1024 >> level;
        for (UINT cy = 0; cy < 3; ++cy)
            for (UINT cx = 0; cx < 3; ++cx) {
                UINT x = (2 * cx + 1) * n / 6, y = (2 * cy + 1) * n / 6;
                const unsigned char* texel = &bytes[(y * n + x) * 4];
                const unsigned char* cell = &expected[((y << level) * 1024 + (x << level)) * 4];
                EXPECT_TRUE(std::equal(texel, texel + 4, cell)) << "level " << level << " cell " << cx << "," << cy;
            }
    }

    seed_random(4242);
    fill_disp_noise({expected.data(), 4096});
    EXPECT_EQ(rng_state, after);
    EXPECT_TRUE(read_level(show->gpu.disp_texture, 0) == expected);
    expect_filtered_chain(show->gpu.disp_texture, 0, "displacement");
}

// --- camera -----------------------------------------------------------------

TEST_F(RendererTest, TumblingWorldMatrix)
{
    D3DXMATRIX world, view, rx, ry, rz, expected;
    const float angles[2][3] = {{0.146605f, -0.098446f, 0.141051f}, {0.124932f, -0.134078f, -0.125107f}};
    const float times[2] = {0.0f, 10.0f};
    for (int k = 0; k < 2; ++k) {
        setup_camera(scene_at(show, times[k]), &world, &view);
        D3DXMatrixRotationX(&rx, angles[k][0]);
        D3DXMatrixRotationY(&ry, angles[k][1]);
        D3DXMatrixRotationZ(&rz, angles[k][2]);
        expected = rx * ry * rz;
        expect_matrix_near(world, expected, 1e-5f);
    }
}

TEST_F(RendererTest, CameraTurnsAlongTheChord)
{
    D3DXMATRIX world, view;
    show->cycle.face = 1;
    show->cycle.state = ROTATING;
    show->cycle.phase_start = 20.0f;
    const float m[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    const float s[] = {0.0f, 0.1464466f, 0.5f, 0.8535534f, 1.0f};
    for (int k = 0; k < 5; ++k) {
        show->clock.now = 20.0f + m[k];
        setup_camera(scene_at(show, 0.0f), &world, &view);
        D3DXVECTOR3 eye = eye_of(view);
        EXPECT_NEAR(eye.x, 2.8f * (1 - s[k]), 1e-4) << m[k];
        EXPECT_NEAR(eye.y, 2.8f * s[k], 1e-4) << m[k];
        EXPECT_NEAR(eye.z, 0.0f, 1e-4) << m[k];
    }
    // Outside the turn the camera rests at the face in view.
    show->cycle.state = FADING;
    show->clock.now = 20.5f;
    setup_camera(scene_at(show, 0.0f), &world, &view);
    D3DXVECTOR3 eye = eye_of(view);
    EXPECT_NEAR(eye.x, 2.8f, 1e-4);
    show->cycle.face = 0;
    setup_camera(scene_at(show, 0.0f), &world, &view);
    eye = eye_of(view);
    EXPECT_NEAR(eye.z, -2.8f, 1e-4);
}

TEST_F(RendererTest, ProjectionAndItsAspect)
{
    show->gpu.effect = create_fake_effect(show->gpu.device, &log);
    show->clock.now = 3.0f;
    set_effect_matrices(&show->gpu, show->scene());
    EXPECT_EQ(log.pixel_width[0], 1.0f / 1024);
    EXPECT_EQ(log.pixel_width[1], 1.0f / 1024);

    RECT client;
    GetClientRect(main_window, &client);
    D3DXMATRIX world, view, projection;
    setup_camera(show->scene(), &world, &view);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, float(client.right) / float(client.bottom), 0.3f, 10.0f);
    expect_matrix_near(log.world_view_proj, world * view * projection, 1e-5f);

    // A client area without height.
    HWND flat = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(flat, nullptr);
    show->gpu.window = flat;
    set_effect_matrices(&show->gpu, show->scene());
    D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, 1.0f, 0.3f, 10.0f);
    expect_matrix_near(log.world_view_proj, world * view * projection, 1e-5f);
    show->gpu.window = test_device.window;
    DestroyWindow(flat);

    // At rest, without the tumbling, the face in view spans 96 % of the height.
    D3DXMATRIX view_projection = view * projection;
    for (float y : {-1.0f, 1.0f}) {
        D3DXVECTOR3 corner(0.0f, y, -1.0f), projected;
        D3DXVec3TransformCoord(&projected, &corner, &view_projection);
        EXPECT_NEAR(std::fabs(projected.y), 0.962, 0.001);
    }
}

// --- frames -----------------------------------------------------------------

TEST_F(RendererTest, FrameDrawsEveryFaceWithItsOwnSettings)
{
    create_scene();
    hook_device();
    for (int i = 0; i < 6; ++i) {
        show->gpu.faces[i].orientation = i + 1;
        str_copy(show->gpu.faces[i].technique, i % 2 ? "SepiaLensSector" : "EmbossZoomFade");
    }
    log.passes = 2;
    show->frame();
    EXPECT_EQ(show->clock.frame_count, 1);
    EXPECT_EQ(calls.present, 1);
    EXPECT_EQ(log.lens, show->gpu.lens_texture);
    EXPECT_EQ(log.rubik, show->gpu.rubik_texture);
    EXPECT_EQ(log.disp, show->gpu.disp_texture);
    ASSERT_EQ(log.draws.size(), 6u);
    EXPECT_EQ(log.passes_drawn, 12);
    const float start_tau[6] = {0, 1, 1, 1, 1, 0}; // face 0 receives, face 5 in view
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(log.draws[i].texture, show->gpu.faces[i].texture);
        EXPECT_EQ(log.draws[i].technique, show->gpu.faces[i].technique);
        EXPECT_EQ(log.draws[i].orientation, i + 1);
        EXPECT_EQ(log.draws[i].tau, start_tau[i]) << i;
    }

    // A technique without passes draws nothing.
    log = FakeEffectLog();
    log.passes = 0;
    show->frame();
    EXPECT_EQ(log.draws.size(), 6u);
    EXPECT_EQ(log.passes_drawn, 0);
}

TEST_F(RendererTest, TauFollowsFadingAndRotating)
{
    create_scene();
    show->cycle.face = 3; // face 2 in view
    show->job.loader.loaded_count = 2; // a photo on screen: no technique drawn ahead
    show->cycle.state = FADING;
    show->cycle.phase_start = seconds_since_start(show) - 0.5f;
    show->frame();
    ASSERT_EQ(show->cycle.state, FADING);
    ASSERT_EQ(log.draws.size(), 6u);
    EXPECT_FLOAT_EQ(log.draws[2].tau, show->clock.now - show->cycle.phase_start);
    EXPECT_NEAR(log.draws[2].tau, 0.5f, 0.2f);
    EXPECT_EQ(log.draws[3].tau, 0.0f);
    EXPECT_EQ(log.draws[0].tau, 1.0f);

    log = FakeEffectLog();
    show->cycle.state = ROTATING;
    show->cycle.phase_start = seconds_since_start(show) - 0.5f;
    show->frame();
    ASSERT_EQ(show->cycle.state, ROTATING);
    EXPECT_EQ(log.draws[2].tau, 1.0f);
    EXPECT_EQ(log.draws[3].tau, 0.0f);
    EXPECT_EQ(log.draws[5].tau, 1.0f);
}

TEST_F(RendererTest, FaceInViewShowsItsPhotoAndHiddenFacesAreCulled)
{
    create_scene();
    hook_device();
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(fill_video_texture(show->gpu.device, show->gpu.faces[i].texture, face_colours[i]));
    show->cycle.face = 1; // face 0 in view; face 3 behind it is drawn later, without depth test
    show->frame();
    ASSERT_EQ(calls.present, 1);
    EXPECT_TRUE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[0]));
    int opposite = 0, in_view = 0;
    for (UINT y = 0; y < calls.height; ++y)
        for (UINT x = 0; x < calls.width; ++x) {
            opposite += near_colour(pixel(x, y), face_colours[3], 40);
            in_view += near_colour(pixel(x, y), face_colours[0]);
        }
    EXPECT_EQ(opposite, 0);
    EXPECT_GT(in_view, int(calls.width * calls.height / 3));
}

TEST_F(RendererTest, TechniquesAreDrawnAheadOfUseWhereNothingShows)
{
    create_scene();
    hook_device();
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(fill_video_texture(show->gpu.device, show->gpu.faces[i].texture, face_colours[i]));
    show->cycle.face = 1; // face 0 in view
    show->cycle.state = LOADING;
    // The show's first frame prepares the technique the faces start with, and no other.
    show->frame();
    EXPECT_EQ(log.draws.size(), 6u);
    EXPECT_EQ(show->cycle.warmed_techniques, 0);
    log = FakeEffectLog();
    show->frame();
    ASSERT_EQ(show->cycle.state, LOADING);
    // One technique more, drawn before the face in view that covers it, and
    // the faces drawn as ever.
    ASSERT_EQ(log.draws.size(), 7u);
    EXPECT_EQ(log.draws[0].technique, "GrayScaleSimpleFade");
    EXPECT_EQ(log.draws[0].texture, show->gpu.faces[0].texture);
    EXPECT_EQ(log.draws[1].technique, show->gpu.faces[0].technique);
    EXPECT_TRUE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[0]));
    int in_view = 0;
    for (UINT y = 0; y < calls.height; ++y)
        for (UINT x = 0; x < calls.width; ++x) in_view += near_colour(pixel(x, y), face_colours[0]);
    EXPECT_GT(in_view, int(calls.width * calls.height / 3));

    log = FakeEffectLog();
    show->frame();
    ASSERT_EQ(log.draws.size(), 7u);
    EXPECT_EQ(log.draws[0].technique, "GrayScaleZoomFade");
    EXPECT_EQ(show->cycle.warmed_techniques, 2);

    // Not while the show moves from one photo to the next, and not once all
    // are drawn.
    log = FakeEffectLog();
    show->job.loader.loaded_count = 2;
    show->cycle.state = FADING;
    show->cycle.phase_start = seconds_since_start(show);
    show->frame();
    EXPECT_EQ(log.draws.size(), 6u);
    log = FakeEffectLog();
    show->cycle.state = LOADING;
    show->cycle.warmed_techniques = 40;
    show->frame();
    EXPECT_EQ(log.draws.size(), 6u);
}

TEST_F(RendererTest, OverlayTextWithShadowsTopLeft)
{
    create_scene();
    hook_device();
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(fill_video_texture(show->gpu.device, show->gpu.faces[i].texture, 0xFF808080));
    log.zoom = 6; // the face fills the whole picture, so shadows show
    str_copy(show->status_text, "12 fps\nFile 3 of 40\nWAITING\n2/5 sec");
    // Four lines of status; update() may write its own four before drawing.
    show->frame();
    ASSERT_EQ(calls.present, 1);
    auto count = [&](UINT left, UINT top, UINT right, UINT bottom, int* white, int* black) {
        *white = *black = 0;
        for (UINT y = top; y < bottom; ++y)
            for (UINT x = left; x < right; ++x) {
                // Against the grey photo: lighter is text, darker is shadow.
                *white += near_colour(pixel(x, y), 0xFFFFFFFF, 0x40);
                *black += near_colour(pixel(x, y), 0xFF000000, 0x50);
            }
    };
    int white, black;
    count(10, 10, 200, 30, &white, &black); // title
    EXPECT_GT(white, 100);
    EXPECT_GT(black, 50);
    count(10, 40, 200, 110, &white, &black); // status lines
    EXPECT_GT(white, 60);
    EXPECT_GT(black, 30);
    count(0, 0, 10, 10, &white, &black); // above and left of the text
    EXPECT_EQ(white + black, 0);
    count(10, 130, 200, 200, &white, &black); // below it
    EXPECT_EQ(white + black, 0);
    // Shadows fall to the lower right: the column left of the text is clean.
    count(0, 10, 9, 110, &white, &black);
    EXPECT_EQ(white + black, 0);
}

TEST_F(RendererTest, DeviceReadyForResetIsResetAndEveryPhotoComesBack)
{
    create_scene();
    hook_device();
    give_photos(show);
    // The photo on its way has been uploaded and waits for its turn.
    show->cycle.state = WAITING;
    show->job.loader.loaded_count = 2;
    show->job.loader.request_time = seconds_since_start(show);
    show->cycle.face = 1; // face 0 in view
    calls.cooperative_level = D3DERR_DEVICENOTRESET;
    calls.cooperative_level_frames = 1;
    EXPECT_GE(show->frame(), 0);
    EXPECT_EQ(calls.present, 0);
    EXPECT_EQ(calls.reset, 1);
    EXPECT_EQ(log.lost, 1);
    EXPECT_EQ(log.reset, 1);
    ASSERT_EQ(show->cycle.state, WAITING);

    // The first frame presented after the reset shows the photo in view.
    show->frame();
    ASSERT_EQ(calls.present, 1);
    EXPECT_TRUE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[0]));
    for (int i = 0; i < 6; ++i) expect_colour(show->gpu.device, show->gpu.faces[i].texture, face_colours[i], "face");
    expect_colour(show->gpu.device, show->job.loader.target, 0xFFFFFFFF, "spare");
}

// At the exchange the face takes the staging texture its photo came from and
// the loader a texture for the next photo: a new one on the first round, the
// face's old copy later, its own again when no new one can be made.
TEST_F(RendererTest, ExchangeLeavesTheFaceTheCopyOfItsPhoto)
{
    create_scene();
    hook_device();
    auto exchange_onto = [&](int32_t f) {
        show->cycle.face = f;
        show->cycle.state = FADING;
        show->cycle.phase_start = -10.0f;
        update_show(*show);
        ASSERT_EQ(show->cycle.state, ROTATING);
    };
    IDirect3DTexture9* first = show->job.loader.staging;
    exchange_onto(0);
    EXPECT_EQ(show->gpu.faces[0].photo, first);
    IDirect3DTexture9* second = show->job.loader.staging;
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);

    calls.fail_system_texture = true;
    exchange_onto(1);
    EXPECT_EQ(show->gpu.faces[1].photo, nullptr);
    EXPECT_EQ(show->job.loader.staging, second);
    calls.fail_system_texture = false;

    exchange_onto(0);
    EXPECT_EQ(show->gpu.faces[0].photo, second);
    EXPECT_EQ(show->job.loader.staging, first);
}

// Whether the spare gets the staged photo back depends on where the photo is:
// still being decoded (the worker may be writing the staging texture), on its
// way to the screen, or already moved onto its face.
TEST_F(RendererTest, ResetGivesTheSpareThePhotoOnItsWay)
{
    create_scene();
    give_photos(show);
    const struct {
        SlideState state;
        D3DCOLOR spare;
    } cases[] = {{LOADING, 0xFF000000}, {CACHING, 0xFFFFFFFF}, {FADING, 0xFFFFFFFF}, {ROTATING, 0xFF000000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "state " << c.state);
        show->cycle.state = c.state;
        // Half of level 0 uploaded when the loss comes.
        show->job.loader.upload_level = 0;
        show->job.loader.upload_row = 512;
        ASSERT_TRUE(reset_show(show));
        expect_colour(show->gpu.device, show->job.loader.target, c.spare, "spare");
        EXPECT_EQ(show->job.loader.upload_row, 512);
        std::vector<unsigned char> level0 = read_level(show->job.loader.staging, 0);
        EXPECT_TRUE(near_colour(&level0[0], 0xFFFFFFFF, 0)) << "the staging texture is left as it was";
    }
    expect_colour(show->gpu.device, show->gpu.faces[3].texture, face_colours[3], "face");
}

TEST_F(RendererTest, LostDevicePresentsNothingWhileTheSlideshowGoesOn)
{
    create_scene();
    hook_device();
    calls.cooperative_level = D3DERR_DEVICELOST;
    calls.cooperative_level_frames = 3;
    EXPECT_LT(show->frame(), 0); // nothing presented: the loop waits before the next frame
    float first = show->clock.now;
    Sleep(20);
    show->frame();
    show->frame();
    EXPECT_EQ(calls.present, 0);
    EXPECT_EQ(calls.reset, 0);
    EXPECT_EQ(show->clock.frame_count, 3);
    EXPECT_GT(show->clock.now, first);
    show->frame();
    EXPECT_EQ(calls.present, 1);
}

TEST_F(RendererTest, FailedRecreationLeavesEmptySlotsThatFramesSkip)
{
    create_scene();
    hook_device();
    give_photos(show);
    calls.cooperative_level = D3DERR_DEVICENOTRESET;
    calls.cooperative_level_frames = 1;
    calls.photo_texture.arm(2);
    EXPECT_LT(show->frame(), 0);
    EXPECT_NE(show->gpu.faces[0].texture, nullptr);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(show->gpu.faces[i].texture, nullptr);
    EXPECT_EQ(show->job.loader.target, nullptr);

    log = FakeEffectLog();
    show->frame();
    EXPECT_EQ(calls.present, 1);
    ASSERT_EQ(log.draws.size(), 1u);
    EXPECT_EQ(log.draws[0].texture, show->gpu.faces[0].texture);

    // That frame tried again: the slots are filled, with their photos.
    ASSERT_TRUE(photo_textures_complete(show->gpu, show->job.loader));
    expect_colour(show->gpu.device, show->gpu.faces[4].texture, face_colours[4], "face re-created later");
    log = FakeEffectLog();
    show->frame();
    EXPECT_EQ(log.draws.size(), 6u);
}

// A query that answers S_FALSE a given number of times, then `last`.
class ScriptedQuery : public IDirect3DQuery9 {
public:
    int busy = 0, polls = 0;
    HRESULT last = S_OK;
    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetDevice)(IDirect3DDevice9**) override { return E_NOTIMPL; }
    STDMETHOD_(D3DQUERYTYPE, GetType)() override { return D3DQUERYTYPE_EVENT; }
    STDMETHOD_(DWORD, GetDataSize)() override { return 0; }
    STDMETHOD(Issue)(DWORD) override { return S_OK; }
    STDMETHOD(GetData)(void*, DWORD, DWORD) override { return ++polls <= busy ? S_FALSE : last; }
};

TEST(FrameWait, EndsWhenDoneLostOrOverdue)
{
    ScriptedQuery done;
    done.busy = 3;
    EXPECT_TRUE(wait_for_query(&done));
    EXPECT_EQ(done.polls, 4);
    ScriptedQuery lost;
    lost.last = D3DERR_DEVICELOST;
    EXPECT_FALSE(wait_for_query(&lost));
    EXPECT_EQ(lost.polls, 1);
    // A device that never answers holds the frame back only so long.
    ScriptedQuery never;
    never.busy = 1 << 30;
    EXPECT_FALSE(wait_for_query(&never));
}

// The frame query of a real device: issued after each Present, and still
// answering after a reset.
TEST_F(RendererTest, FrameQueryAnswersAcrossAReset)
{
    create_scene();
    ASSERT_GE(show->gpu.device->CreateQuery(D3DQUERYTYPE_EVENT, &show->gpu.frame_query), 0);
    hook_device();
    show->frame();
    EXPECT_TRUE(wait_for_query(show->gpu.frame_query));
    calls.cooperative_level = D3DERR_DEVICENOTRESET;
    calls.cooperative_level_frames = 1;
    show->frame();
    EXPECT_EQ(calls.reset, 1);
    show->frame();
    show->frame();
    EXPECT_EQ(calls.present, 3);
    EXPECT_TRUE(wait_for_query(show->gpu.frame_query));
    show->gpu.frame_query->Release();
    show->gpu.frame_query = nullptr;
}

// --- frames with the program's effect -----------------------------------------

TEST_F(RendererTest, ProgramEffectShowsThePlainPhotoInViewAndTheLookWhileTurning)
{
    create_scene(true);
    hook_device();
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(fill_video_texture(show->gpu.device, show->gpu.faces[i].texture, face_colours[i]));
    show->cycle.face = 1;
    show->frame();
    ASSERT_EQ(calls.present, 1);
    EXPECT_TRUE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[0]));
    int opposite = 0;
    for (UINT y = 0; y < calls.height; ++y)
        for (UINT x = 0; x < calls.width; ++x) opposite += near_colour(pixel(x, y), face_colours[3], 40);
    EXPECT_EQ(opposite, 0);

    // The turn has just begun: the camera has hardly moved, the face in view
    // shows its filtered look.
    show->cycle.state = ROTATING;
    show->cycle.phase_start = seconds_since_start(show);
    show->frame();
    ASSERT_EQ(calls.present, 2);
    EXPECT_FALSE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[0], 40));
}

TEST_F(RendererTest, ProgramEffectSurvivesAReset)
{
    create_scene(true);
    hook_device();
    give_photos(show);
    calls.cooperative_level = D3DERR_DEVICENOTRESET;
    calls.cooperative_level_frames = 1;
    show->cycle.face = 1;
    show->frame();
    EXPECT_EQ(calls.reset, 1);
    show->frame();
    ASSERT_EQ(calls.present, 1);
    EXPECT_TRUE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[0]));

    // A photo swapped in after the reset shows as well.
    ASSERT_TRUE(fill_video_texture(show->gpu.device, show->gpu.faces[0].texture, face_colours[2]));
    show->frame();
    ASSERT_EQ(calls.present, 2);
    EXPECT_TRUE(near_colour(pixel(calls.width / 2, calls.height / 2), face_colours[2]));
}
