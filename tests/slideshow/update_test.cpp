// The per-frame state machine on a real device, frame by frame at chosen times.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/atomic.h"
#include "app/slideshow.h"
#include "drive.h"
#include "slideshow/pacing.h"
#include "support/test_device.h"

namespace {

TestDevice* test_device = nullptr;

IDirect3DTexture9* photo_texture(D3DPOOL pool)
{
    IDirect3DTexture9* t = nullptr;
    if (test_device->device->CreateTexture(photo_size_min, photo_size_min, 0, 0, D3DFMT_X8R8G8B8, pool, &t, nullptr) < 0)
        return nullptr;
    return t;
}

ULONG references(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

class Update : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test_device = new TestDevice;
        ASSERT_TRUE(test_device->create());
    }
    static void TearDownTestSuite()
    {
        delete test_device;
        test_device = nullptr;
    }

    void SetUp() override
    {
        s.gpu.device = test_device->device;
        s.job.loader.staging = photo_texture(D3DPOOL_SYSTEMMEM);
        s.job.loader.target = photo_texture(D3DPOOL_DEFAULT);
        ASSERT_NE(s.job.loader.staging, nullptr);
        ASSERT_NE(s.job.loader.target, nullptr);
        for (FaceSlot& f : s.gpu.faces) {
            f.texture = photo_texture(D3DPOOL_DEFAULT);
            ASSERT_NE(f.texture, nullptr);
        }
        set_files(3);
    }

    void TearDown() override
    {
        unlock_chain(&s.job.loader.chain);
        for (FaceSlot& f : s.gpu.faces) {
            if (f.texture) f.texture->Release();
            if (f.photo) f.photo->Release();
        }
        if (s.job.loader.target) s.job.loader.target->Release();
        if (s.job.loader.staging) s.job.loader.staging->Release();
        s.gpu.device = nullptr;
    }

    void set_files(int32_t count)
    {
        entries.assign(static_cast<size_t>(count > 0 ? count : 1) * path_size, 0);
        for (int32_t i = 0; i < count; ++i)
            std::snprintf(&entries[static_cast<size_t>(i) * path_size], path_size, "C:\\photos\\%c\\%d.jpg",
                          'a' + i % 26, i);
        s.files.entries = entries.data();
        s.files.count = count;
    }
    std::string entry(int32_t i) const { return &entries[static_cast<size_t>(i) * path_size]; }

    // One frame at time t: the frame is counted, then the state machine runs.
    std::string frame_at(float t)
    {
        ::frame_at(s, t);
        EXPECT_EQ(s.clock.now, t);
        return s.status_text;
    }

    // What the worker does when a photo is ready.
    void finish_load(int32_t orientation)
    {
        s.job.loader.orientation = orientation;
        ++s.job.loader.loaded_count;
        store_release(&s.job.loader.done_flag, true);
    }

    // Runs from NEXT through the whole upload; leaves the machine in WAITING.
    void load_photo(float t, int32_t orientation)
    {
        ASSERT_EQ(s.cycle.state, NEXT);
        frame_at(t);
        ASSERT_EQ(s.cycle.state, LOADING);
        finish_load(orientation);
        frame_at(t);
        ASSERT_EQ(s.cycle.state, CACHING);
        for (int i = 0; i < 50 && s.cycle.state == CACHING; ++i) frame_at(t);
        ASSERT_EQ(s.cycle.state, WAITING);
    }

    Slideshow s;
    std::vector<char> entries;
};

std::string text(int fps, int number, int count, const char* word, int since)
{
    return std::to_string(fps) + " fps\nFile " + std::to_string(number) + " of " + std::to_string(count) + "\n" +
           word + "\n" + std::to_string(since) + "/5 sec";
}

TEST_F(Update, FirstFrameRequestsTheFirstFile)
{
    store_release(&s.job.loader.done_flag, true); // left over from an earlier photo
    EXPECT_EQ(frame_at(0.25f), text(0, 0, 3, "", 0));
    EXPECT_EQ(s.cycle.state, LOADING);
    EXPECT_EQ(s.cycle.requested.position, 0);
    EXPECT_EQ(std::string(s.job.loader.path), entry(0));
    EXPECT_EQ(s.job.loader.request_time, 0.25f);
    EXPECT_EQ(load_acquire(&s.job.pending_task), static_cast<Task*>(&s.job.loader));
    EXPECT_FALSE(load_acquire(&s.job.loader.done_flag));

    // Waiting for the worker: the number shown is the file now requested.
    EXPECT_EQ(frame_at(1.75f), text(1, 1, 3, "LOADING", 2)); // 1.5 s rounds to 2
    EXPECT_EQ(s.cycle.state, LOADING);
}

TEST_F(Update, RequestsWrapToTheFirstFile)
{
    s.cycle.requested.position = 2;
    EXPECT_EQ(frame_at(0.25f), text(0, 3, 3, "", 0));
    EXPECT_EQ(s.cycle.requested.position, 0);
    EXPECT_EQ(std::string(s.job.loader.path), entry(0));

    // A remembered position beyond the list does not read past it either.
    s.cycle.state = NEXT;
    s.cycle.requested.position = 7;
    frame_at(0.25f);
    EXPECT_EQ(s.cycle.requested.position, 0);
    EXPECT_EQ(std::string(s.job.loader.path), entry(0));
}

TEST_F(Update, SingleFileIsRequestedEveryCycle)
{
    set_files(1);
    float t = 1.0f;
    for (int cycle = 0; cycle < 3; ++cycle) {
        s.job.loader.path[0] = 0;
        load_photo(t, 1);
        EXPECT_EQ(s.cycle.requested.position, 0);
        EXPECT_EQ(std::string(s.job.loader.path), entry(0));
        frame_at(t + 3.0f); // WAITING ends
        frame_at(t + 4.0f); // FADING ends
        frame_at(t + 5.0f); // ROTATING ends
        ASSERT_EQ(s.cycle.state, NEXT);
        t += 5.0f;
    }
}

TEST_F(Update, EmptyListStaysInNext)
{
    set_files(0);
    EXPECT_EQ(frame_at(0.25f), text(0, 0, 0, "", 0));
    EXPECT_EQ(frame_at(2.0f), text(1, 0, 0, "", 2)); // 2 frames in 2 s
    EXPECT_EQ(s.cycle.state, NEXT);
    EXPECT_EQ(s.cycle.requested.position, -1);
    EXPECT_EQ(load_acquire(&s.job.pending_task), nullptr);
}

TEST_F(Update, FrameRateStaysZeroForHalfASecond)
{
    set_files(0); // NEXT only: nothing but the clock moves
    EXPECT_EQ(frame_at(0.125f), text(0, 0, 0, "", 0));
    EXPECT_EQ(frame_at(0.25f), text(0, 0, 0, "", 0));
    EXPECT_EQ(frame_at(0.5f), text(0, 0, 0, "", 0));
    EXPECT_EQ(s.clock.fps, 0.0f);
    EXPECT_EQ(frame_at(std::nextafter(0.5f, 1.0f)), text(8, 0, 0, "", 1)); // 4 frames in 0.5 s
    EXPECT_EQ(s.clock.fps_frames, 4);
}

// Two whole cycles, frame by frame, with the text of every frame. Frames come
// four times a second, so a frame in CACHING copies 16 bands; the first photo,
// with nothing on screen yet, goes up in one frame.
TEST_F(Update, TwoCycles)
{
    IDirect3DTexture9* spare = s.job.loader.target;
    IDirect3DTexture9* face0 = s.gpu.faces[0].texture;
    IDirect3DTexture9* face1 = s.gpu.faces[1].texture;

    EXPECT_EQ(frame_at(0.25f), text(0, 0, 3, "", 0));
    EXPECT_EQ(frame_at(0.5f), text(0, 1, 3, "LOADING", 0));
    EXPECT_EQ(frame_at(0.75f), text(4, 1, 3, "LOADING", 0)); // 3 frames in 0.75 s
    EXPECT_EQ(frame_at(1.0f), text(4, 1, 3, "LOADING", 1));
    EXPECT_EQ(frame_at(1.25f), text(4, 1, 3, "LOADING", 1));
    finish_load(6);
    EXPECT_EQ(frame_at(1.5f), text(4, 1, 3, "", 1));
    EXPECT_EQ(s.cycle.state, CACHING);
    EXPECT_EQ(load_acquire(&s.job.pending_task), nullptr);

    store_release(&s.job.pending_task, static_cast<Task*>(&s.job.loader)); // a worker that has not emptied the slot yet
    EXPECT_EQ(frame_at(1.75f), text(4, 1, 3, "", 2));
    EXPECT_EQ(s.cycle.state, WAITING);
    EXPECT_EQ(load_acquire(&s.job.pending_task), nullptr);
    EXPECT_EQ(s.job.loader.upload_level, 11);

    // The first photo is not held: WAITING is left in its first call and never shows.
    EXPECT_EQ(frame_at(2.0f), text(4, 1, 3, "", 2));
    EXPECT_EQ(s.cycle.state, FADING);
    EXPECT_EQ(frame_at(2.75f), text(2, 1, 3, "FADING", 2)); // 3 frames in 1.25 s
    EXPECT_EQ(s.gpu.faces[0].texture, face0);
    EXPECT_EQ(frame_at(3.0f), text(2, 1, 3, "", 3));
    EXPECT_EQ(s.cycle.state, ROTATING);
    EXPECT_EQ(s.gpu.faces[0].texture, spare);
    EXPECT_EQ(s.job.loader.target, face0);
    EXPECT_EQ(s.gpu.faces[0].orientation, 6);
    EXPECT_EQ(frame_at(4.0f), text(2, 1, 3, "", 4));
    EXPECT_EQ(s.cycle.state, NEXT);
    EXPECT_EQ(s.cycle.face, 1);
    EXPECT_EQ(std::string(s.gpu.faces[1].technique).rfind("GrayScale", 0), 0u) << s.gpu.faces[1].technique;

    // The second photo is held until 3 s after its request.
    EXPECT_EQ(frame_at(4.25f), text(2, 1, 3, "", 0));
    EXPECT_EQ(s.cycle.requested.position, 1);
    EXPECT_EQ(std::string(s.job.loader.path), entry(1));
    finish_load(3);
    EXPECT_EQ(frame_at(4.5f), text(2, 2, 3, "", 0));
    EXPECT_EQ(frame_at(4.75f), text(4, 2, 3, "CACHING", 0));
    EXPECT_EQ(frame_at(5.0f), text(4, 2, 3, "CACHING", 1));
    EXPECT_EQ(frame_at(5.25f), text(4, 2, 3, "CACHING", 1));
    EXPECT_EQ(frame_at(5.5f), text(4, 2, 3, "", 1));
    EXPECT_EQ(s.cycle.state, WAITING);
    EXPECT_EQ(frame_at(std::nextafter(7.25f, 0.0f)), text(1, 2, 3, "WAITING", 3));
    EXPECT_EQ(frame_at(7.25f), text(1, 2, 3, "", 3));
    EXPECT_EQ(s.cycle.state, FADING);
    EXPECT_EQ(frame_at(8.25f), text(2, 2, 3, "", 4));
    EXPECT_EQ(s.gpu.faces[1].texture, face0);
    EXPECT_EQ(s.job.loader.target, face1);
    EXPECT_EQ(s.gpu.faces[1].orientation, 3);
    EXPECT_EQ(s.gpu.faces[0].texture, spare);
    EXPECT_EQ(s.gpu.faces[0].orientation, 6);
    EXPECT_EQ(frame_at(9.25f), text(1, 2, 3, "", 5));
    EXPECT_EQ(s.cycle.face, 2);
    EXPECT_EQ(frame_at(9.25f), text(1, 2, 3, "", 0));
    EXPECT_EQ(s.cycle.requested.position, 2);
}

// Each timed phase ends on the first frame at or past its limit.
TEST_F(Update, PhasesEndExactlyAtTheirLimit)
{
    s.cycle.state = WAITING;
    s.job.loader.loaded_count = 2;
    s.job.loader.request_time = 10.5f;
    EXPECT_EQ(frame_at(std::nextafter(13.5f, 0.0f)), text(0, 0, 3, "WAITING", 3));
    EXPECT_EQ(frame_at(13.5f), text(0, 0, 3, "", 3));
    EXPECT_EQ(s.cycle.state, FADING);
    EXPECT_EQ(s.cycle.phase_start, 13.5f);
    EXPECT_EQ(frame_at(std::nextafter(14.5f, 0.0f)), text(2, 0, 3, "FADING", 4));
    EXPECT_EQ(frame_at(14.5f), text(2, 0, 3, "", 4));
    EXPECT_EQ(s.cycle.state, ROTATING);
    EXPECT_EQ(s.cycle.phase_start, 14.5f);
    EXPECT_EQ(frame_at(std::nextafter(15.5f, 0.0f)), text(2, 0, 3, "ROTATING", 5));
    EXPECT_EQ(frame_at(15.5f), text(2, 0, 3, "", 5));
    EXPECT_EQ(s.cycle.state, NEXT);
    EXPECT_EQ(s.cycle.phase_start, 15.5f);
}

// After a pause without frames every phase is overdue; still only one state
// ends per frame, and a phase begun after the pause lasts its full second.
TEST_F(Update, AfterAPause)
{
    s.cycle.state = WAITING;
    s.job.loader.loaded_count = 5;
    s.job.loader.request_time = 1.0f;
    EXPECT_EQ(frame_at(60.0f), text(0, 0, 3, "", 59));
    EXPECT_EQ(s.cycle.state, FADING);
    EXPECT_EQ(frame_at(60.25f), text(0, 0, 3, "FADING", 59));
    EXPECT_EQ(frame_at(std::nextafter(61.0f, 0.0f)), text(2, 0, 3, "FADING", 60)); // 2 frames in 1 s
    EXPECT_EQ(frame_at(61.0f), text(2, 0, 3, "", 60));
    EXPECT_EQ(s.cycle.state, ROTATING);

    // Overdue FADING: the rotation after it still takes a second.
    s.cycle.state = FADING;
    s.cycle.phase_start = 61.0f;
    EXPECT_EQ(frame_at(120.0f), text(0, 0, 3, "", 119));
    EXPECT_EQ(s.cycle.state, ROTATING);
    EXPECT_EQ(frame_at(120.75f), text(1, 0, 3, "ROTATING", 120)); // 1 frame in 0.75 s
    EXPECT_EQ(frame_at(121.0f), text(1, 0, 3, "", 120));
    EXPECT_EQ(s.cycle.state, NEXT);
}

// Steady frame rates, the worker taking a second for each photo. A photo is
// fully on its face at the end of ROTATING: the first within the decode and
// three seconds of its request, the next ones every slide_duration seconds
// plus at most three frames; the status line never counts past the cycle.
class Cadence : public Update, public ::testing::WithParamInterface<double> {};

TEST_P(Cadence, PhotoEverySlideDuration)
{
    const double fps = GetParam();
    const float decode = 1.0f;
    std::vector<float> arrivals;
    std::vector<int> caching_frames;
    std::string order;
    float first_request = -1.0f;
    for (int k = 1; arrivals.size() < 7 && k < 60 * fps; ++k) {
        const float t = static_cast<float>(double(k) / fps);
        if (s.cycle.state == LOADING && t - s.job.loader.request_time >= decode && !load_acquire(&s.job.loader.done_flag))
            finish_load(1);
        const SlideState before = s.cycle.state;
        const std::string status = frame_at(t);
        ASSERT_LE(std::stoi(status.substr(status.rfind('\n') + 1)), 5) << status;
        if (before == CACHING) {
            if (caching_frames.size() < arrivals.size() + 1) caching_frames.push_back(0);
            ++caching_frames.back();
        }
        if (s.cycle.state == before) continue;
        order += char('0' + s.cycle.state);
        if (before == NEXT && first_request < 0) first_request = s.job.loader.request_time;
        if (before == ROTATING) arrivals.push_back(t);
    }
    ASSERT_EQ(arrivals.size(), 7u);
    // NEXT, LOADING, CACHING, WAITING, FADING, ROTATING and around.
    std::string cycle = {char('0' + LOADING), char('0' + CACHING), char('0' + WAITING), char('0' + FADING),
                         char('0' + ROTATING), char('0' + NEXT)};
    for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], cycle[i % 6]) << i;

    const float frame = static_cast<float>(1.0 / fps);
    // Decode, one frame each for the end of the decode, the upload and the
    // wait, then the fade and the turn.
    EXPECT_LE(arrivals[0] - first_request, decode + 2.0f + 5 * frame + 1e-4f);
    // At rates whose frames miss the phases' ends, what each phase end is
    // late does not add up: the request's frame and at most one more.
    for (size_t i = 1; i < arrivals.size(); ++i) {
        EXPECT_GE(arrivals[i] - arrivals[i - 1], 5.0f) << i;
        EXPECT_LE(arrivals[i] - arrivals[i - 1], 5.0f + 2 * frame + 1e-4f) << i;
    }
    // The first photo, with no photo on screen yet, goes up in one frame; at
    // 60 frames per second the later ones take one band per frame, as ever.
    ASSERT_FALSE(caching_frames.empty());
    EXPECT_EQ(caching_frames[0], 1);
    const int32_t bands = upload_bands_per_frame(frame, true);
    for (size_t i = 1; i < caching_frames.size(); ++i)
        EXPECT_EQ(caching_frames[i], fps >= 60 ? 50 : (upload_calls + bands - 1) / bands) << i;
}

INSTANTIATE_TEST_SUITE_P(FramesPerSecond, Cadence, ::testing::Values(8.3, 8.0, 10.0, 60.0));

TEST_F(Update, ExchangeMovesTexturesWithoutCopying)
{
    IDirect3DTexture9* before[6];
    ULONG refs[6];
    for (int i = 0; i < 6; ++i) {
        before[i] = s.gpu.faces[i].texture;
        refs[i] = references(before[i]);
        s.gpu.faces[i].orientation = 1;
    }
    IDirect3DTexture9* spare = s.job.loader.target;
    ULONG spare_refs = references(spare);
    // The face's system-memory copy and the staging texture change places too.
    IDirect3DTexture9* staging = s.job.loader.staging;
    IDirect3DTexture9* copy = photo_texture(D3DPOOL_SYSTEMMEM);
    ASSERT_NE(copy, nullptr);
    s.gpu.faces[4].photo = copy;

    s.cycle.state = FADING;
    s.cycle.face = 4;
    s.cycle.phase_start = 2.0f;
    s.job.loader.orientation = 8;
    frame_at(3.0f);
    ASSERT_EQ(s.cycle.state, ROTATING);
    EXPECT_EQ(s.gpu.faces[4].texture, spare);
    EXPECT_EQ(s.gpu.faces[4].orientation, 8);
    EXPECT_EQ(s.job.loader.target, before[4]);
    EXPECT_EQ(s.gpu.faces[4].photo, staging);
    EXPECT_EQ(s.job.loader.staging, copy);
    for (int i = 0; i < 6; ++i) {
        if (i == 4) continue;
        EXPECT_EQ(s.gpu.faces[i].texture, before[i]);
        EXPECT_EQ(s.gpu.faces[i].orientation, 1);
        EXPECT_EQ(s.gpu.faces[i].photo, nullptr);
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(references(before[i]), refs[i]);
    EXPECT_EQ(references(spare), spare_refs);
}

TEST_F(Update, RotationChoosesTheNextFacesTechnique)
{
    // Faces in the order 0..5 and around; filters in their cycle.
    s.cycle.face = 5;
    EXPECT_EQ(face_in_view(s.cycle.face), 4);
    const char* filters[] = {"GrayScale", "Emboss", "Sepia", "GrayScaleInvert", "Rubik", "GrayScale"};
    float t = 1.0f;
    for (int i = 0; i < 6; ++i) {
        s.cycle.state = ROTATING;
        s.cycle.phase_start = t;
        t += 1.0f;
        frame_at(t);
        ASSERT_EQ(s.cycle.state, NEXT);
        EXPECT_EQ(s.cycle.face, i);
        EXPECT_EQ(std::string(s.gpu.faces[i].technique).rfind(filters[i], 0), 0u) << s.gpu.faces[i].technique;
    }
    EXPECT_EQ(s.cycle.filter_index, 1);
    s.cycle.face = 0;
    EXPECT_EQ(face_in_view(s.cycle.face), 5);
}

// Pause, a step forwards and a step back through the real machine.
// The main thread locks the staging texture for the job at the request and
// gives it back in the frame that finds the job done, whether the photo goes
// on to its upload or is dropped.
TEST_F(Update, StagingIsLockedForTheJobUntilItIsDone)
{
    IDirect3DTexture9* staging = nullptr;  // a photo's turn hands it on to its face
    auto locked = [&] {
        D3DLOCKED_RECT r;
        if (staging->LockRect(0, &r, nullptr, 0) < 0) return true;
        staging->UnlockRect(0);
        return false;
    };
    for (bool drop : {false, true}) {
        staging = s.job.loader.staging;
        frame_at(1.0f);
        ASSERT_EQ(s.cycle.state, LOADING);
        EXPECT_EQ(s.job.loader.chain.texture, staging);
        EXPECT_EQ(s.job.loader.chain.count, staging->GetLevelCount());
        EXPECT_TRUE(locked());
        if (drop) s.control(CONTROL_PREVIOUS, false);
        finish_load(1);
        frame_at(1.0f);
        EXPECT_EQ(s.cycle.state, drop ? NEXT : CACHING);
        EXPECT_EQ(s.job.loader.chain.count, 0u);
        EXPECT_FALSE(locked());
        for (int i = 0; i < 200 && s.cycle.state != NEXT; ++i) frame_at(10.0f + i);
    }
}

TEST_F(Update, ControlsPauseStepAndDrop)
{
    // The third line and the seconds of the last frame's text.
    auto word = [](const std::string& t) {
        size_t a = t.find('\n', t.find('\n') + 1) + 1;
        return t.substr(a, t.find('\n', a) - a);
    };
    auto seconds = [](const std::string& t) { return std::stoi(t.substr(t.rfind('\n') + 1)); };

    s.job.loader.loaded_count = 1; // the photo below is not the first: it is held
    load_photo(1.0f, 1);
    s.control(CONTROL_PAUSE, false);
    std::string t = frame_at(30.0f);
    EXPECT_EQ(word(t), "PAUSED");
    EXPECT_EQ(seconds(t), 0);
    EXPECT_EQ(s.cycle.state, WAITING);
    // Resumed: the seconds run on from 0, the hold ends 3 s later.
    s.control(CONTROL_PAUSE, false);
    EXPECT_EQ(word(frame_at(32.75f)), "WAITING");
    frame_at(33.0f);
    EXPECT_EQ(s.cycle.state, FADING);

    // Next during the fade: the photo after the one arriving comes at once.
    s.control(CONTROL_NEXT, false);
    frame_at(34.0f);
    frame_at(35.0f);
    ASSERT_EQ(s.cycle.state, NEXT);
    load_photo(35.0f, 1);
    EXPECT_EQ(s.cycle.requested.position, 1);
    frame_at(35.25f);
    EXPECT_EQ(s.cycle.state, FADING);
    frame_at(36.25f);
    frame_at(37.25f);

    // Back while photo 2 is uploading: the upload is dropped and photo 0,
    // the one before the photo in view, is requested instead.
    ASSERT_EQ(s.cycle.state, NEXT);
    frame_at(37.5f);
    finish_load(1);
    frame_at(37.5f);
    ASSERT_EQ(s.cycle.state, CACHING);
    ASSERT_EQ(s.cycle.requested.position, 2);
    IDirect3DTexture9* spare = s.job.loader.target;
    s.control(CONTROL_PREVIOUS, false);
    frame_at(37.75f);
    EXPECT_EQ(s.cycle.state, NEXT);
    frame_at(37.75f);
    EXPECT_EQ(s.cycle.state, LOADING);
    EXPECT_EQ(s.cycle.requested.position, 0);
    EXPECT_EQ(std::string(s.job.loader.path), entry(0));
    EXPECT_EQ(s.job.loader.target, spare);
    // A step back during a decode waits for it, then drops it.
    s.control(CONTROL_PREVIOUS, false);
    frame_at(38.0f);
    EXPECT_EQ(s.cycle.state, LOADING);
    finish_load(1);
    frame_at(38.0f);
    EXPECT_EQ(s.cycle.state, NEXT);
    frame_at(38.0f);
    EXPECT_EQ(s.cycle.requested.position, 2);
}

TEST_F(Update, RotationDrawsTwoOrThreeValues)
{
    struct Case {
        uint32_t r1_mod_10, r2_test, r3_mod_10;
        int draws;
        const char* technique;
    };
    // With "Simple" the second value decides the transition.
    const Case cases[] = {
        {5, 8, 0, 2, "GrayScaleSimpleSector"},
        {5, 7, 0, 2, "GrayScaleSimpleFade"},
        {6, 1, 9, 3, "GrayScaleLensSector"},
        {6, 0, 8, 3, "GrayScaleZoomSector"},
        {9, 2, 7, 3, "GrayScaleDisplacementFade"},
    };
    for (const Case& c : cases) {
        uint32_t seed = 1, r[3] = {}, after[3] = {};
        for (;; ++seed) {
            seed_random(seed);
            for (int i = 0; i < 3; ++i) {
                r[i] = next_random();
                after[i] = rng_state;
            }
            bool uv = c.draws == 2 ? r[1] % 10 == c.r2_test : r[1] % 3 == c.r2_test && r[2] % 10 == c.r3_mod_10;
            if (r[0] % 10 == c.r1_mod_10 && uv) break;
        }
        s.cycle.state = ROTATING;
        s.cycle.face = 2;
        s.cycle.filter_index = 0;
        s.cycle.phase_start = 4.0f;
        seed_random(seed);
        frame_at(5.0f);
        EXPECT_EQ(std::string(s.gpu.faces[3].technique), c.technique);
        EXPECT_EQ(rng_state, after[c.draws - 1]) << c.technique;
        EXPECT_EQ(std::string(s.gpu.faces[2].technique), "RubikSimpleFade");
    }
}

} // namespace
