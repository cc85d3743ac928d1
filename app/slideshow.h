// The program's one state record. Every subsystem keeps its state here and
// implements its operations as members; the member definitions live in the
// folder of the subsystem that owns them:
//   app/       construction, init/done, error_text
//   library/   settings, folder picker, JPEG scan
//   pipeline/  worker thread, load job, EXIF orientation, banded upload
//   slideshow/ state machine and status line
//   render/    device and resources, camera, frame drawing, procedural textures
#pragma once
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <stdint.h>

#include "application.h"
#include "atomic.h"
#include "slideshow/controls.h"
#include "slideshow/slide_state.h"

const int32_t path_size = 260;
const int32_t technique_size = 64;
const int32_t text_size = 512;
const int32_t photo_size = 1024;

struct FaceSlot {
    IDirect3DTexture9* texture;
    // System memory: the texture the face's photo was uploaded from, kept so
    // that a device reset can put the photo back. Null when there is none.
    IDirect3DTexture9* photo;
    char technique[technique_size];
    int32_t orientation;
};

// A job for the worker thread. The one job lives inside the Slideshow record
// and is never deleted on its own, hence no virtual destructor.
class Task {
public:
    virtual bool run(IDirect3DDevice9* device) { (void)device; return false; }
};

class ImageLoadTask : public Task {
public:
    bool done_flag;               // atomic: release store, acquire load
    IDirect3DTexture9* staging;   // system memory, 1024x1024, 11 levels
    char path[path_size];
    float request_time;
    IDirect3DTexture9* target;    // the spare video-memory face texture
    int32_t orientation;
    int32_t upload_row;
    int32_t upload_level;
    int32_t loaded_count;

    bool run(IDirect3DDevice9* device) override;
    void read_exif_orientation();
    bool upload_step(IDirect3DDevice9* device, int32_t size);
};

struct FileList {
    char* entries;   // capacity slots of path_size bytes, the first count in use
    int32_t count;

    void build_file_list(const char* folder);
    // Appends the photos of folder and, recursively, of its subfolders. False
    // when the block could not grow: entries is then null and count above 0.
    bool scan_folder(const char* folder);
    void clear_file_list();

    // Slots in entries; the block grows as the walk finds photos.
    int32_t capacity;
};

class Slideshow : public Application {
public:
    IDirect3D9* d3d;
    IDirect3DDevice9* device;
    IDirect3DVertexBuffer9* vertex_buffer;
    IDirect3DIndexBuffer9* index_buffer;
    IDirect3DVertexDeclaration9* vertex_decl;
    IDirect3DTexture9* lens_texture;
    IDirect3DTexture9* rubik_texture;
    IDirect3DTexture9* disp_texture;
    FaceSlot faces[6];
    ID3DXSprite* sprite;
    ID3DXFont* font;
    ID3DXEffect* effect;
    // Issued after each Present; the next frame waits for it (null on a device
    // without event queries: no wait).
    IDirect3DQuery9* frame_query;
    ImageLoadTask loader;
    Task* pending_task;           // atomic: null or &loader
    HANDLE worker_thread;
    SlideState state;
    FileList files;
    int64_t perf_frequency;
    int64_t perf_start;
    float time_offset;
    float now;
    int32_t frame_count;
    float fps_time;
    int32_t fps_frames;
    float fps;
    // Seconds between frames, a running average over the last frames; it
    // decides how many bands a frame in CACHING copies.
    float frame_time;
    // Techniques drawn once so far in warm-up order (slideshow/technique.h).
    int32_t warmed_techniques;
    bool quit;                    // atomic: release store, acquire load
    float slide_duration;
    float phase_start;
    int32_t face;
    int32_t filter_index;
    int32_t file_index;
    // Pause, steps and the overlay, as the viewer's keys and clicks left them.
    Controls controls;
    char folder[path_size];
    char status_text[text_size];
    char error_text_buf[text_size];
    // Drawn into the preview of the system's screen saver settings: a windowed
    // device over main_window's client area, no overlay, and no settings saved.
    bool preview;

    // Reads the clock and seeds the shared generator from the tick count.
    Slideshow();

    // Application
    bool init() override;
    void done() override;
    long frame() override;
    const char* error_text() override { return error_text_buf; }
    void control(int32_t what, bool repeat) override;

    // Start-up in parts. init is load_settings, the D3DX check, open_direct3d,
    // choose_folder, save_settings and start_show; the screen saver starts
    // without the dialog (start_unattended, app/saver.cpp).
    // The folder dialog owned by owner (may be null), opened on `folder`; on
    // OK the choice is taken into folder, a different folder starting at its
    // first photo. False on cancel, or with error_text_buf set when the choice
    // cannot be used.
    bool choose_folder(HWND owner);
    // Direct3D and the check that the adapter runs shader model 2.0, with
    // error_text_buf set when it fails.
    bool open_direct3d();
    // The list of photos, Direct3D unless open already, the device, every
    // resource and the worker thread.
    bool start_show();
    // The stored folder, or the user's Pictures folder when none is stored,
    // then start_show.
    bool start_unattended();
    // Everything of done but the settings' save; may run more than once.
    void release_all();

    // Photo library
    void load_settings();
    void save_settings();

    // Image pipeline
    Task* submit_task(Task* task);
    void worker_main();

    // Slideshow control
    void update();
    int32_t previous_face() const { return face == 0 ? 5 : face - 1; }

    // Renderer
    IDirect3DTexture9* create_texture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool, UINT levels);
    bool create_face_textures();
    void release_face_textures();
    void keep_photo_copy(int32_t f);
    void release_photo_copies();
    bool photo_textures_complete() const;
    bool load_effect();
    bool reset_device();
    // The full-screen parameters, or for the preview the windowed ones.
    void make_device_params(D3DPRESENT_PARAMETERS* params);
    // eye_cube, where given, receives the eye in the cube's own coordinates.
    void setup_camera(float t, D3DXMATRIX* world, D3DXMATRIX* view, float eye_cube[3] = nullptr);
    void set_effect_matrices(float eye_cube[3] = nullptr);
    // Face i with the given technique and effect amount.
    // grazing: the face is seen nearly edge-on (face_grazing, render/camera.h).
    void draw_face(int32_t i, const char* technique, float tau, bool grazing = false);
    // Draws technique k of the warm-up order (slideshow/technique.h) where it
    // does not show.
    void warm_up_technique(int32_t k);
    bool create_lens_texture();
    bool create_rubik_texture();
    bool create_disp_texture();
};

// Folder dialog: path holds the folder to pre-select and receives the choice.
bool pick_folder(char* path, HWND owner = nullptr);
int CALLBACK browse_callback(HWND window, UINT message, LPARAM lparam, LPARAM data);
void make_present_params(D3DPRESENT_PARAMETERS* params);
// A windowed device of width x height drawing into window, with 4x
// multisampling when multisample is true.
void make_windowed_present_params(D3DPRESENT_PARAMETERS* params, HWND window, UINT width, UINT height,
                                  bool multisample);
// Waits until the device has carried out what came before the query's last
// Issue. Gives up on a lost device and after half a second; true when done.
bool wait_for_query(IDirect3DQuery9* query);
DWORD WINAPI worker_thread_entry(LPVOID slideshow);

// time_offset for a tick count: seconds, folded into 0..100.
float time_offset_from_ticks(uint32_t tick_count);
