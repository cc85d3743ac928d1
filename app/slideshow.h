// The program's one state record. Each subsystem's part is a plain struct
// declared in its own header and operated on by that subsystem's functions;
// the record holds them, and its members (app/) run start-up, the frames,
// the viewer's controls and shutdown in their order:
//   library/   settings (Settings), the photo list (FileList)
//   pipeline/  the load job and its worker thread (LoadJob)
//   slideshow/ the clock (Clock), the cycle (Cycle), the viewer's controls
//   render/    the Direct3D objects and the faces (GpuObjects)
#pragma once
#include "app/application.h"
#include "library/file_list.h"
#include "library/settings.h"
#include "pipeline/load_job.h"
#include "render/frame.h"
#include "render/gpu.h"
#include "slideshow/clock.h"
#include "slideshow/controls.h"
#include "slideshow/cycle.h"

class Slideshow : public Application {
public:
    GpuObjects gpu;
    LoadJob job;
    FileList files;
    // The walk that fills files, on a thread of its own during start-up.
    FolderScan scan;
    Clock clock;
    Cycle cycle;
    // Pause, steps and the overlay, as the viewer's keys and clicks left them.
    Controls controls;
    // The folder and the position as stored, and as stored again at the end.
    Settings settings;
    char status_text[text_size];
    char error_text_buf[text_size];
    // "Looking for photos… N found" (UTF-8) while a long scan runs and,
    // after it, until the first photo is turned to; empty for a short scan.
    char notice_text[text_size];
    // Drawn into the preview of the system's screen saver settings: a windowed
    // device over the window's client area, no overlay, and no settings saved.
    bool preview;
    // The window the show draws into (main_window unless the screen saver
    // gives another), and whether it draws windowed into that window's client
    // area rather than over the whole screen.
    HWND window;
    bool windowed;
    // A show beside the lead show, on another monitor of the screen saver:
    // it takes its photos from the lead's list, in turns with it, on the
    // lead's worker thread, and stores nothing. Null for the lead itself.
    Slideshow* lead;
    // The place in the play order that any show on this list took last:
    // cycle.requested for a show of its own, shared by the shows of several
    // monitors.
    Place* list_turn;

    // Reads the clock and seeds the shared generator from the tick count.
    Slideshow();

    // Application (app/slideshow.cpp, app/startup.cpp)
    bool init() override;
    void done() override;
    long frame() override;
    const char* error_text() override { return error_text_buf; }
    void control(int32_t what, bool repeat) override;
    // What the frame after the state machine's step shows.
    FrameScene scene() const;

    // Start-up in parts (app/startup.cpp). init is load_settings,
    // check_platform, choose_folder, save_settings and start_show; the screen
    // saver starts without the dialog (start_unattended).
    // D3DX or the program's own equivalents, Direct3D and the check that the
    // adapter runs shader model 2.0, with error_text_buf set when one fails.
    bool check_platform();
    // The folder dialog owned by owner (may be null), opened on the stored
    // folder; on OK the choice is taken, a different folder starting at its
    // first photo. False on cancel, or with error_text_buf set when the choice
    // cannot be used.
    bool choose_folder(HWND owner);
    // The settings dialog owned by owner (may be null), on the loaded
    // settings (app/settings_dialog.cpp). OK stores what it shows and gives
    // true; Cancel stores nothing.
    bool edit_settings(HWND owner);
    // The list of photos, Direct3D unless open already, the device, every
    // object on it and the worker thread.
    bool start_show();
    // The device on the show's window and every object on it.
    bool start_device();
    // The list of photos. A scan that takes longer than about a second shows
    // its count on the black screen while the window keeps answering; false
    // when the window went meanwhile (Esc), with nothing stored in the list.
    bool find_photos();
    // The stored folder, or the user's Pictures folder when none is stored,
    // then check_platform and start_show.
    bool start_unattended();
    // A show beside `lead`, already started, on the monitor in gpu.monitor:
    // the settings, Direct3D and the device for that monitor's adapter, every
    // object on it, and a place on the lead's worker thread.
    bool start_beside();
    // Everything of done but the settings' save; may run more than once.
    void release_all();
    // The stored settings into the record, and the folder and position back
    // (with the shuffled order's round, for a list of photo_count photos).
    void load_settings();
    void save_settings(int32_t photo_count = 0);
    // The position reached, and the photo on its way, into settings.
    void note_position();
};

Slideshow* create_slideshow();
