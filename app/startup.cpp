// Start-up and shutdown of the slideshow: the order of the steps, which each
// subsystem carries out, and the texts for the steps that fail.
#include <shlobj.h>

#include "app/slideshow.h"
#include "library/folder_dialog.h"
#include "render/d3dx_runtime.h"

namespace {

// Why start-up stopped, as the user reads it.
enum StartupFailure {
    FAILED_NO_DIRECT3D,
    FAILED_NO_DEVICE,
    FAILED_SHADER_MODEL,
    FAILED_NO_PHOTOS,
    FAILED_LIST_MEMORY,
    FAILED_NOT_A_FOLDER,
    FAILED_PATH_TOO_LONG,
    FAILED_NO_FOLDER,
    FAILED_RESOURCES,  // followed by the name of the step
};

const char* const startup_failure_texts[] = {
    "Can't create Direct3D",
    "Can't create D3D device",
    "The graphics adapter does not run vertex and pixel shader model 2.0, which the slideshow needs. A current "
    "driver from the adapter's maker may bring it.",
    ".JPG files not found in specified folder",
    "Not enough memory for the list of photos",
    "The chosen item is not a folder on a disk",
    "The folder's path is too long",
    "No photo folder: choose one in the screen saver's settings",
    "Can't init resources : ",
};

// Writes the text of a failure (and, after the resource prefix, the step's
// name) into the error buffer; false, for `return fail(...)`.
bool fail(char* error_text, StartupFailure failure, const char* step = nullptr)
{
    str_copy(error_text, startup_failure_texts[failure]);
    if (step) str_append(error_text, step);
    return false;
}

} // namespace

void Slideshow::load_settings()
{
    // A position the registry does not hold stays as it is.
    settings.file_index = cycle.requested.position;
    read_settings(&settings);
    cycle.requested.position = settings.file_index;
    cycle.slide_duration = static_cast<float>(settings.seconds);
    cycle.shuffled = settings.order == ORDER_SHUFFLE;
    cycle.caption = settings.caption;
}

void Slideshow::save_settings(int32_t photo_count)
{
    // loader.path is filled when the first photo is requested. A step back
    // that waits for its request already names the photo on its way.
    Place on_its_way = photo_on_its_way(controls, cycle.requested);
    settings.file_index = index_to_store(on_its_way.position, job.loader.path[0] != 0 || controls.back.position >= 0);
    // The seconds, the order and the caption are the settings dialog's to
    // write. A shuffled show stores the round it is in, when that is not the
    // one stored already: the next run goes on in the same order.
    uint32_t which = STORE_FOLDER | STORE_FILE;
    if (cycle.shuffled && photo_count > 0) {
        uint32_t seed = seed_for(on_its_way.round, photo_count);
        if (!settings.seed_stored || settings.seed != seed) {
            settings.seed = seed;
            settings.seed_stored = true;
            which |= STORE_SEED;
        }
    }
    write_settings(settings, which);
}

bool Slideshow::init()
{
    load_settings();
    // Before the folder dialog: the user is not asked for a folder when
    // nothing could show it, and Direct3D's start, the longest part of
    // start-up on some systems, is over before the answer. The settings are
    // loaded already, so the save in done() keeps them as they are.
    if (!check_platform()) return false;
    if (!choose_folder(nullptr)) return false;
    save_settings();
    return start_show();
}

bool Slideshow::check_platform()
{
    if (!load_d3dx_runtime()) {
        str_copy(error_text_buf, d3dx_runtime_error_text());
        return false;
    }
    switch (open_direct3d(&gpu)) {
    case DEVICE_READY:
        return true;
    case DEVICE_NO_DIRECT3D:
        return fail(error_text_buf, FAILED_NO_DIRECT3D);
    case DEVICE_NO_ADAPTER:
        return fail(error_text_buf, FAILED_NO_DEVICE);
    case DEVICE_SHADER_MODEL:
        return fail(error_text_buf, FAILED_SHADER_MODEL);
    }
    return false;
}

bool Slideshow::choose_folder(HWND owner)
{
    char chosen[path_size];
    str_copy(chosen, settings.folder);
    if (!pick_folder(chosen, owner)) return false;
    if (chosen[0] == 0) return fail(error_text_buf, FAILED_NOT_A_FOLDER);
    // The backslash and the terminator must fit.
    if (str_length(chosen) + 2 > path_size) return fail(error_text_buf, FAILED_PATH_TOO_LONG);
    str_append(chosen, "\\");
    if (!str_equal(chosen, settings.folder)) {
        str_copy(settings.folder, chosen);
        cycle.requested.position = -1;
    }
    return true;
}

bool Slideshow::start_unattended()
{
    load_settings();
    char* folder = settings.folder;
    if (folder[0] == 0) {
        char pictures[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures) >= 0 && pictures[0] &&
            str_length(pictures) + 2 <= path_size) {
            str_copy(folder, pictures);
            if (folder[str_length(folder) - 1] != '\\') str_append(folder, "\\");
        }
    }
    if (folder[0] == 0) return fail(error_text_buf, FAILED_NO_FOLDER);
    return check_platform() && start_show();
}

bool Slideshow::start_show()
{
    files.build_file_list(settings.folder);
    if (files.entries == nullptr && files.count != 0) {
        files.count = 0;
        return fail(error_text_buf, FAILED_LIST_MEMORY);
    }
    if (files.count == 0) return fail(error_text_buf, FAILED_NO_PHOTOS);
    // A shuffled show without a round of its own draws one. The generator's
    // seed, a tick count, can come out alike in runs started alike (Wine's
    // counts from its server's start): the fine counter's low bits join it.
    uint32_t fresh =
        cycle.shuffled && !settings.seed_stored ? next_random() ^ static_cast<uint32_t>(clock.perf_start) : 0;
    cycle.requested = resume_place(PlayOrder{files.count, cycle.shuffled}, cycle.requested.position,
                                   settings.seed_stored, settings.seed, fresh);

    if (!gpu.d3d && !check_platform()) return false;
    gpu.window = main_window;
    gpu.windowed = preview;
    if (!create_device(&gpu)) return fail(error_text_buf, FAILED_NO_DEVICE);
    if (const char* step = create_device_objects(&gpu, &job.loader)) return fail(error_text_buf, FAILED_RESOURCES, step);
    if (!start_worker(&job, gpu.device)) return fail(error_text_buf, FAILED_RESOURCES, "task");

    error_text_buf[0] = 0;
    return true;
}

void Slideshow::done()
{
    // The round is stored for the list's count, and the list goes first.
    int32_t photo_count = files.count;
    release_all();
    // The preview in the settings dialog is only a glance: it moves no one's position.
    if (!preview) save_settings(photo_count);
}

void Slideshow::release_all()
{
    files.clear_file_list();
    // The worker goes first: it uses the staging texture.
    stop_worker(&job);
    release_device_objects(&gpu, &job.loader);
}
