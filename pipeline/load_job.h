// The photo job of a show and the worker thread that runs it. The main thread
// hands the job over through pending_task and reads its results once
// done_flag is set; the worker polls the slot every 100 ms. The screen
// saver's shows on the other monitors join the first show's worker: one
// thread serves the jobs of every show. No lock: pending_task,
// done_flag and quit are read with acquire and written with release
// (app/atomic.h).
#pragma once
#include <windows.h>
#include <d3d9.h>
#include <stdint.h>

#include "app/support.h"
#include "pipeline/exif.h"

// The levels of a staging texture, locked from level 0 down in one go and
// given back in one go (pipeline/decode.cpp). Every lock and unlock is a
// call on the device, which the worker thread gets only between the main
// thread's calls; on a software device that can take frames. The main thread
// therefore locks the chain itself, at the start of a frame, when the device
// has finished the frame before, and hands it to the job already locked.
const uint32_t chain_levels = 16;
struct LockedChain {
    IDirect3DTexture9* texture;
    uint32_t count;  // levels locked, 0 to count - 1
    D3DLOCKED_RECT levels[chain_levels];
    uint32_t sides[chain_levels];
};

// Locks every square level of `texture` from level 0 on, stopping at the
// first that cannot be locked. True when at least level 0 is locked.
bool lock_chain(IDirect3DTexture9* texture, LockedChain* chain);
// Gives back the locked levels, none when none are locked; count is 0 after.
void unlock_chain(LockedChain* chain);

// A job for the worker thread. The one job lives inside the show's record and
// is never deleted on its own, hence no virtual destructor.
class Task {
public:
    virtual bool run(IDirect3DDevice9* device) { (void)device; return false; }
};

class ImageLoadTask : public Task {
public:
    bool done_flag;               // atomic: release store, acquire load
    IDirect3DTexture9* staging;   // system memory, GpuObjects::photo_size square, full chain
    char path[path_size];
    float request_time;
    IDirect3DTexture9* target;    // the spare video-memory face texture
    int32_t orientation;
    PhotoDate date_taken;         // no_date when the photo does not say
    int32_t upload_row;
    int32_t upload_level;
    int32_t loaded_count;
    // The staging chain while the main thread holds it locked for the job
    // (count 0 otherwise): from the hand-over until it has seen done_flag.
    LockedChain chain;

    // Decodes the photo at path into staging (pipeline/worker.cpp): the file's
    // header decides whether a decoder may see it and gives its orientation.
    // Into `chain` when the main thread locked it before the hand-over, which
    // then stays locked for the main thread to give back; otherwise the job
    // locks and unlocks the staging texture itself.
    bool run(IDirect3DDevice9* device) override;
    // Copies the next band of the upload from staging into target
    // (pipeline/upload.cpp); true once the last level is complete.
    bool upload_step(IDirect3DDevice9* device, int32_t size);
};

struct LoadJob {
    ImageLoadTask loader;
    Task* pending_task;           // atomic: null or &loader
    HANDLE worker_thread;
    bool quit;                    // atomic: release store, acquire load
    IDirect3DDevice9* device;     // handed to each job the worker runs
    // The next job the same worker serves (atomic: release store, acquire
    // load); null at the end of the chain.
    LoadJob* next;
};

// Hands task to the worker, its done_flag cleared first. Main thread.
Task* submit_task(LoadJob* job, Task* task);
// Starts the worker thread; false when it cannot be created.
bool start_worker(LoadJob* job, IDirect3DDevice9* device);
// Adds job, whose worker never starts, to the chain the worker of `first`
// serves, on device. Main thread; first's worker may be running.
void join_worker(LoadJob* first, LoadJob* job, IDirect3DDevice9* device);
// Sets quit and waits for the worker to end (one sleep and one photo at
// most); nothing when it never started.
void stop_worker(LoadJob* job);
// The worker's loop over the chain of jobs from job, until job's quit (the
// thread's whole life).
void worker_main(LoadJob* job);
DWORD WINAPI worker_thread_entry(LPVOID job);
