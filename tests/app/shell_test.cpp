// The shell around the application object: the window procedure, the message
// loop and the object's heap life, with a test application in place of the
// slideshow.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "app/application.h"
#include "app/names.h"
#include "app/shell.h"
#include "support/hooks.h"

namespace {

struct CountingApp : Application {
    int done_calls = 0;
    int frames = 0;
    int seen_at_first_frame = -1;
    int* counter = nullptr;
    bool quit_on_frame = true;
    int quit_at = 0; // with quit_on_frame off: quits in this frame
    long frame_result = 0;
    int post_per_frame = 0; // posts WM_APP from this many frames, then quits
    std::string controls;   // "<control><r if repeated>" per call
    void done() override { ++done_calls; }
    void control(int32_t what, bool repeat) override { controls += std::to_string(what) + (repeat ? "r " : " "); }
    long frame() override
    {
        if (frames++ == 0 && counter) seen_at_first_frame = *counter;
        if (post_per_frame) {
            if (frames <= post_per_frame)
                PostMessageA(main_window, WM_APP, 0, 0);
            else
                PostQuitMessage(0);
        } else if (quit_on_frame || frames == quit_at) {
            PostQuitMessage(0);
        }
        return frame_result;
    }
};

int app_messages = 0;

// The loop's waits after a frame that presented nothing: how many, with what
// limit, and how many ran out instead of ending for a message.
struct Waits {
    int calls = 0;
    int ran_out = 0;
    DWORD limit = 0;
} waits;
DWORD(WINAPI* real_msg_wait)(DWORD, const HANDLE*, BOOL, DWORD, DWORD) = nullptr;
DWORD WINAPI counting_msg_wait(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD mask)
{
    DWORD result = real_msg_wait(count, handles, all, ms, mask);
    ++waits.calls;
    waits.limit = ms;
    if (result == WAIT_TIMEOUT) ++waits.ran_out;
    return result;
}

// Counts WM_APP and WM_TIMER, hands everything to the program's procedure.
LRESULT CALLBACK counting_proc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_APP) ++app_messages;
    if (m == WM_TIMER) {
        KillTimer(h, w);
        PostQuitMessage(0);
        return 0;
    }
    return window_proc(h, m, w, l);
}

bool drain_quit()
{
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) quit = true;
    return quit;
}

class Shell : public ::testing::Test {
protected:
    CountingApp app;
    HWND window = nullptr;

    void SetUp() override
    {
        // Registered again for every test: a run of the whole shell
        // unregisters the class at its end.
        HINSTANCE instance = GetModuleHandleA(nullptr);
        register_window_class(instance);
        window = create_main_window(instance);
        ASSERT_NE(window, nullptr);
        main_window = window;
        app_object = &app;
        drain_quit();
    }
    void TearDown() override
    {
        if (IsWindow(window)) {
            app_object = nullptr;
            DestroyWindow(window);
        }
        drain_quit();
        main_window = nullptr;
        app_object = nullptr;
    }
};

} // namespace

TEST_F(Shell, EscapeDestroysTheWindowOtherKeysDoNot)
{
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    SendMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(app.done_calls, 0);
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app.done_calls, 1);
    EXPECT_TRUE(drain_quit());
}

TEST_F(Shell, KeysClicksAndTheWheelReachTheControls)
{
    const LPARAM repeated = 0x40000001; // bit 30: the key was already down
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, repeated);
    SendMessageA(window, WM_KEYDOWN, VK_RIGHT, repeated);
    SendMessageA(window, WM_KEYDOWN, VK_PRIOR, 1);
    SendMessageA(window, WM_KEYDOWN, VK_TAB, 1);
    SendMessageA(window, WM_KEYDOWN, 'A', 1);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(window, WM_LBUTTONUP, 0, 0);
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    // Pause, pause repeated, next repeated, previous, overlay; the click and
    // the wheel towards the user: next; away: previous.
    EXPECT_EQ(app.controls, "1 1r 2r 3 4 2 2 3 ");
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(app.done_calls, 0);
}

TEST_F(Shell, RightButtonEndsOnReleaseNotOnPress)
{
    SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(window, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(drain_quit());
    SendMessageA(window, WM_RBUTTONUP, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app.done_calls, 1);
    EXPECT_TRUE(drain_quit());
}

TEST_F(Shell, DestroyCallsDoneOnceAndPostsQuit)
{
    DestroyWindow(window);
    EXPECT_EQ(app.done_calls, 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(Shell, QueuedMessagesAreHandledBeforeTheNextFrame)
{
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc));
    app_messages = 0;
    app.counter = &app_messages;
    for (int i = 0; i < 25; ++i) PostMessageA(window, WM_APP, 0, 0);
    message_loop(true);
    EXPECT_EQ(app.seen_at_first_frame, 25);
    EXPECT_EQ(app.frames, 1); // the loop ends right after the pass that retrieved WM_QUIT
}

TEST_F(Shell, WithoutFramesTheLoopOnlyDrainsTheQueue)
{
    PostQuitMessage(0);
    message_loop(false);
    EXPECT_EQ(app.frames, 0);
}

TEST_F(Shell, MinimisedWindowSleepsInsteadOfDrawing)
{
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc));
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(window));
    app.quit_on_frame = false;
    SetTimer(window, 1, 350, nullptr);
    DWORD start = GetTickCount();
    message_loop(true);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(app.frames, 0);
    EXPECT_GE(elapsed, 300u);
}

TEST_F(Shell, FrameThatPresentsNothingWaitsButWakesForMessages)
{
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_proc));
    app.frame_result = static_cast<long>(0x88760868); // D3DERR_DEVICELOST
    app.quit_on_frame = false;
    real_msg_wait = reinterpret_cast<decltype(real_msg_wait)>(
        hook_import("USER32.dll", "MsgWaitForMultipleObjects", reinterpret_cast<void*>(counting_msg_wait)));
    ASSERT_NE(real_msg_wait, nullptr);

    // Left alone, the loop waits out the limit after each frame instead of
    // spinning: three frames, the first two followed by a wait that runs out.
    waits = Waits{};
    app.quit_at = 3;
    message_loop(true);
    EXPECT_EQ(app.frames, 3);
    EXPECT_GE(waits.ran_out, 2);
    EXPECT_EQ(waits.limit, failed_frame_wait_ms);

    // A message that arrives during the wait ends it at once: twenty frames,
    // each followed by a message, and no wait runs out.
    waits = Waits{};
    app.quit_at = 0;
    app.frames = 0;
    app.post_per_frame = 20;
    app_messages = 0;
    message_loop(true);
    hook_import("USER32.dll", "MsgWaitForMultipleObjects", reinterpret_cast<void*>(real_msg_wait));
    EXPECT_EQ(app_messages, 20);
    EXPECT_GE(waits.calls, 20);
    EXPECT_EQ(waits.ran_out, 0);
}

namespace {

// run_application around test objects: the error box must really show and
// wait for the user; a timer inside the box's own loop sees it and answers.
struct FailingApp : CountingApp {
    const char* text = nullptr;
    bool init() override { return false; }
    const char* error_text() override { return text; }
};

std::string box_text;
int boxes_seen = 0;

BOOL CALLBACK collect_text(HWND child, LPARAM)
{
    char text[256] = {};
    GetWindowTextA(child, text, sizeof(text));
    if (std::strchr(text, ' ')) box_text = text;
    return TRUE;
}

void CALLBACK answer_box(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowA("#32770", window_title);
    if (!box || !IsWindowVisible(box)) return;
    ++boxes_seen;
    EnumChildWindows(box, collect_text, 0);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

const char* failing_text = nullptr;
Application* no_object() { return nullptr; }
Application* failing_object()
{
    auto* a = new (mem_alloc(sizeof(FailingApp))) FailingApp();
    a->text = failing_text;
    return a;
}

void run_with_box_answered(Application* (*create)())
{
    box_text.clear();
    boxes_seen = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 300, answer_box);
    run_application(create);
    KillTimer(nullptr, timer);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace

TEST(StartupErrorBox, ShowsAndWaitsForTheUser)
{
    run_with_box_answered(no_object);
    EXPECT_EQ(boxes_seen, 1) << "no object: the box closed before anyone saw it";
    EXPECT_EQ(box_text, "Not enough resources to start");
    EXPECT_EQ(app_object, nullptr);

    failing_text = "Can't create D3D device";
    run_with_box_answered(failing_object);
    EXPECT_EQ(boxes_seen, 1) << "failed init";
    EXPECT_EQ(box_text, failing_text);
    EXPECT_EQ(app_object, nullptr);

    // Nothing to say: no box at all.
    failing_text = "";
    run_with_box_answered(failing_object);
    EXPECT_EQ(boxes_seen, 0);
}

TEST(ApplicationObject, BaseDefaultsAndHeapLife)
{
    void* block = mem_alloc(sizeof(Application));
    ASSERT_NE(block, nullptr);
    Application* a = new (block) Application();
    EXPECT_FALSE(a->init());
    EXPECT_EQ(a->error_text(), nullptr);
    a->done();
    EXPECT_EQ(a->frame(), 0);
    delete a; // the block goes back to the process heap
}

TEST(ApplicationObject, ImpossibleAllocationsFail)
{
    EXPECT_EQ(mem_alloc(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(mem_alloc_array(0xFFFFFFFFu), nullptr);
    void* p = mem_alloc(64);
    ASSERT_NE(p, nullptr);
    mem_free(p);
}
