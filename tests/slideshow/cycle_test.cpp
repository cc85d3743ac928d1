// Whole cycles with the real worker thread and a real device: photos from the
// bundled samples are decoded by the worker, uploaded band by band and placed
// on the faces in turn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/atomic.h"
#include "app/slideshow.h"
#include "drive.h"
#include "support/hooks.h"
#include "support/test_device.h"
#include "support/wine_path.h"

namespace {

// Three orientations, a wide and a tall photo.
struct Photo {
    const char* file;
    UINT width, height;
    int32_t orientation;
};
const Photo photos[3] = {
    {"01-evening.jpg", 800, 600, 1},
    {"04-sideways.jpg", 600, 800, 6},
    {"05-upside-down.jpg", 800, 600, 3},
};

std::string windows_path(const char* file) { return wine_path(std::string(ORBISCA_SAMPLES "/") + file); }

using Pixels = std::vector<unsigned char>;

double mean_difference(const Pixels& a, const Pixels& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        for (int c = 0; c < 3; ++c) sum += std::abs(int(a[i + c]) - int(b[i + c]));
    return sum / (a.size() / 4 * 3);
}

// Index of the reference picture closest to `p`.
int nearest(const Pixels& p, const Pixels (&references)[3])
{
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (mean_difference(p, references[i]) < mean_difference(p, references[best])) best = i;
    return best;
}

// Run of the load job that stays on the worker thread after the photo is ready
// until the test lets it go: a worker that finishes its round late.
using RunFunction = bool (*)(ImageLoadTask*, IDirect3DDevice9*);
RunFunction original_run = nullptr;
HANDLE let_go = nullptr;
volatile LONG late_runs = 0;

bool late_run(ImageLoadTask* task, IDirect3DDevice9* device)
{
    bool result = original_run(task, device);
    InterlockedIncrement(&late_runs);
    WaitForSingleObject(let_go, 20000);
    return result;
}

class Cycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dev.create(256, 256));
        s.gpu.device = dev.device;
        ASSERT_GE(dev.device->CreateTexture(photo_size_min, photo_size_min, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                            &s.job.loader.staging, nullptr), 0);
        // Render-target textures, so that the test can read back what arrived.
        ASSERT_TRUE(face_texture(&s.job.loader.target));
        for (FaceSlot& f : s.gpu.faces) ASSERT_TRUE(face_texture(&f.texture));

        entries.assign(3 * path_size, 0);
        for (int i = 0; i < 3; ++i) {
            std::string p = windows_path(photos[i].file);
            ASSERT_LT(p.size(), size_t(path_size));
            p.copy(&entries[i * path_size], p.size());
        }
        s.files.entries = entries.data();
        s.files.count = 3;

        s.job.worker_thread = CreateThread(nullptr, 0, worker_thread_entry, &s.job, 0, nullptr);
        ASSERT_NE(s.job.worker_thread, nullptr);
    }

    void TearDown() override
    {
        if (let_go) SetEvent(let_go);
        store_release(&s.job.quit, true);
        if (s.job.worker_thread) {
            EXPECT_EQ(WaitForSingleObject(s.job.worker_thread, 30000), WAIT_OBJECT_0);
            CloseHandle(s.job.worker_thread);
        }
        if (original_run) hook_vtable(&s.job.loader, 0, reinterpret_cast<void*>(original_run));
        original_run = nullptr;
        if (let_go) CloseHandle(let_go);
        let_go = nullptr;
        for (FaceSlot& f : s.gpu.faces) {
            if (f.texture) f.texture->Release();
            if (f.photo) f.photo->Release();
        }
        if (s.job.loader.target) s.job.loader.target->Release();
        if (s.job.loader.staging) s.job.loader.staging->Release();
    }

    bool face_texture(IDirect3DTexture9** t)
    {
        return dev.device->CreateTexture(photo_size_min, photo_size_min, 0, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                         D3DPOOL_DEFAULT, t, nullptr) >= 0;
    }

    Pixels level0(IDirect3DTexture9* t)
    {
        Pixels out(photo_size_min * photo_size_min * 4);
        IDirect3DSurface9* surface = nullptr;
        EXPECT_GE(t->GetSurfaceLevel(0, &surface), 0);
        if (!surface) return out;
        EXPECT_TRUE(read_surface(dev.device, surface, out.data(), photo_size_min, photo_size_min));
        surface->Release();
        return out;
    }

    // The photo's centred square as the platform's image library scales it
    // to the whole face: close to what the worker makes of it, though not
    // necessarily the same to the last bit. The photo is read whole at its own
    // size and the square cut from that surface: Wine's D3DX reads past its
    // buffer when a file is loaded with a source rectangle off the origin.
    Pixels reference(const Photo& p)
    {
        Pixels out(photo_size_min * photo_size_min * 4);
        IDirect3DSurface9* whole = nullptr;
        IDirect3DTexture9* square_texture = nullptr;
        IDirect3DSurface9* square_surface = nullptr;
        EXPECT_GE(dev.device->CreateOffscreenPlainSurface(p.width, p.height, D3DFMT_X8R8G8B8, D3DPOOL_SCRATCH, &whole,
                                                          nullptr), 0);
        EXPECT_GE(dev.device->CreateTexture(photo_size_min, photo_size_min, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                            &square_texture, nullptr), 0);
        if (square_texture) square_texture->GetSurfaceLevel(0, &square_surface);
        if (whole && square_surface) {
            UINT side = p.width < p.height ? p.width : p.height;
            RECT square = {LONG(p.width - side) / 2, LONG(p.height - side) / 2, 0, 0};
            square.right = square.left + side;
            square.bottom = square.top + side;
            EXPECT_GE(D3DXLoadSurfaceFromFileA(whole, nullptr, nullptr, windows_path(p.file).c_str(), nullptr,
                                               D3DX_FILTER_NONE, 0, nullptr), 0);
            EXPECT_GE(D3DXLoadSurfaceFromSurface(square_surface, nullptr, nullptr, whole, nullptr, &square,
                                                 D3DX_DEFAULT, 0), 0);
            EXPECT_TRUE(read_texture_level(square_texture, 0, out.data()));
        }
        if (square_surface) square_surface->Release();
        if (square_texture) square_texture->Release();
        if (whole) whole->Release();
        return out;
    }

    // Frames at time t until the worker has finished the photo (real time
    // passes only for the worker; the slideshow's clock stands still).
    void wait_for_worker(float t)
    {
        DWORD start = GetTickCount();
        while (s.cycle.state == LOADING && GetTickCount() - start < 20000) {
            frame_at(s, t);
            if (s.cycle.state == LOADING) Sleep(5);
        }
        ASSERT_EQ(s.cycle.state, CACHING) << "the photo never arrived";
    }

    void upload(float t)
    {
        for (int i = 0; i < 50 && s.cycle.state == CACHING; ++i) frame_at(s, t);
        ASSERT_EQ(s.cycle.state, WAITING);
        EXPECT_EQ(load_acquire(&s.job.pending_task), nullptr);
    }

    TestDevice dev;
    Slideshow s;
    std::vector<char> entries;
};

TEST_F(Cycle, ThreePhotosArriveOnTheirFacesInTurn)
{
    Pixels expected[3];
    for (int i = 0; i < 3; ++i) expected[i] = reference(photos[i]);
    // The samples must be told apart for the comparisons to mean anything.
    EXPECT_GT(mean_difference(expected[0], expected[1]), 20.0);
    EXPECT_GT(mean_difference(expected[1], expected[2]), 20.0);
    EXPECT_GT(mean_difference(expected[0], expected[2]), 20.0);

    IDirect3DTexture9* spare = s.job.loader.target;
    Pixels arrived[3];
    float t = 1.0f;
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(photos[k].file);
        ASSERT_EQ(s.cycle.state, NEXT);
        ASSERT_EQ(s.cycle.face, k);
        IDirect3DTexture9* incoming = s.job.loader.target;
        IDirect3DTexture9* outgoing = s.gpu.faces[k].texture;

        frame_at(s, t);
        ASSERT_EQ(s.cycle.state, LOADING);
        EXPECT_EQ(std::string(s.job.loader.path), windows_path(photos[k].file));
        wait_for_worker(t);
        EXPECT_EQ(load_acquire(&s.job.pending_task), nullptr);
        EXPECT_EQ(s.job.loader.loaded_count, k + 1);
        Pixels decoded(photo_size_min * photo_size_min * 4);
        ASSERT_TRUE(read_texture_level(s.job.loader.staging, 0, decoded.data()));
        upload(t);

        frame_at(s, t + 3.0f);
        ASSERT_EQ(s.cycle.state, FADING);
        frame_at(s, t + 4.0f);
        ASSERT_EQ(s.cycle.state, ROTATING);
        EXPECT_EQ(s.gpu.faces[k].texture, incoming);
        EXPECT_EQ(s.job.loader.target, outgoing);
        EXPECT_EQ(s.gpu.faces[k].orientation, photos[k].orientation);
        // The face shows exactly what the worker decoded, and that is this photo.
        arrived[k] = level0(s.gpu.faces[k].texture);
        EXPECT_EQ(mean_difference(arrived[k], decoded), 0.0);
        EXPECT_EQ(nearest(arrived[k], expected), k);
        // The face keeps the texture the photo was decoded into; the next photo
        // is decoded into another.
        EXPECT_NE(s.job.loader.staging, s.gpu.faces[k].photo);
        Pixels kept(photo_size_min * photo_size_min * 4);
        ASSERT_TRUE(read_texture_level(s.gpu.faces[k].photo, 0, kept.data()));
        EXPECT_EQ(mean_difference(kept, decoded), 0.0);
        frame_at(s, t + 5.0f);
        ASSERT_EQ(s.cycle.state, NEXT);
        t += 5.0f;
    }
    // Earlier faces keep their photos; the spare went onto face 0.
    EXPECT_EQ(s.gpu.faces[0].texture, spare);
    for (int k = 0; k < 2; ++k) EXPECT_EQ(mean_difference(level0(s.gpu.faces[k].texture), arrived[k]), 0.0) << k;
    EXPECT_EQ(s.gpu.faces[3].orientation, 1);
}

TEST_F(Cycle, NoRequestLostWhenTheWorkerFinishesLate)
{
    let_go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    late_runs = 0;
    original_run = reinterpret_cast<RunFunction>(hook_vtable(&s.job.loader, 0, reinterpret_cast<void*>(late_run)));

    // The whole first cycle and the next request happen while the worker is
    // still inside its first round.
    frame_at(s, 1.0f);
    wait_for_worker(1.0f);
    upload(1.0f);
    frame_at(s, 4.0f);
    frame_at(s, 5.0f);
    frame_at(s, 6.0f);
    ASSERT_EQ(s.cycle.state, NEXT);
    frame_at(s, 6.0f);
    ASSERT_EQ(s.cycle.state, LOADING);
    EXPECT_EQ(late_runs, 1);
    EXPECT_EQ(load_acquire(&s.job.pending_task), static_cast<Task*>(&s.job.loader));

    SetEvent(let_go);
    wait_for_worker(6.0f);
    EXPECT_EQ(s.job.loader.loaded_count, 2);
    EXPECT_EQ(s.job.loader.orientation, photos[1].orientation);
    EXPECT_EQ(late_runs, 2);
}

} // namespace
