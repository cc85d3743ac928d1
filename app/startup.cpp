// Start-up and shutdown of the slideshow: the order of the steps, which each
// subsystem carries out, and the texts for the steps that fail.
#include <shlobj.h>

#include "app/shell.h"
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

void Slideshow::note_position()
{
    // loader.path is filled when the first photo is requested. A step back
    // that waits for its request already names the photo on its way.
    Place on_its_way = photo_on_its_way(controls, cycle.requested);
    bool requested = job.loader.path[0] != 0 || controls.back.position >= 0;
    settings.file_index = index_to_store(on_its_way.position, requested);
    // Before any request the stored photo stays the one to start with.
    if (requested && files.entries && on_its_way.position >= 0 && on_its_way.position < files.count) {
        int32_t photo = photo_at(PlayOrder{files.count, cycle.shuffled}, on_its_way);
        relative_photo_path(files.entry(photo), settings.folder, settings.path);
    }
}

void Slideshow::save_settings(int32_t photo_count)
{
    note_position();
    // The seconds, the order and the caption are the settings dialog's to
    // write. A shuffled show stores the round it is in, when that is not the
    // one stored already: the next run goes on in the same order.
    uint32_t which = STORE_FOLDER | STORE_FILE | STORE_PATH;
    if (cycle.shuffled && photo_count > 0) {
        uint32_t seed = seed_for(photo_on_its_way(controls, cycle.requested).round, photo_count);
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
    // Before the folder dialog: the user is not asked for a folder on an
    // adapter that cannot show it, and Direct3D's start, the longest part of
    // start-up on some systems, is over before the answer. The settings are
    // loaded already, so the save in done() keeps them as they are.
    if (!check_platform()) return false;
    if (!choose_folder(nullptr)) return false;
    save_settings();
    return start_show();
}

bool Slideshow::check_platform()
{
    // D3DX where it is installed, the program's own equivalents elsewhere.
    load_d3dx_runtime();
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
        settings.path[0] = 0;
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

namespace {

// A scan that ends within this long shows nothing; a longer one shows its
// count, refreshed this often.
const uint32_t quiet_scan_ms = 1000;
const uint32_t notice_refresh_ms = 250;

void scan_notice(char* text, int32_t found)
{
    str_copy(text, "Looking for photos\xE2\x80\xA6 ");
    str_append(text, int_to_text(found));
    str_append(text, " found");
}

} // namespace

bool Slideshow::find_photos()
{
    notice_text[0] = 0;
    // Without a thread of its own the walk runs here, as it always could.
    if (!start_scan(&scan, &files, settings.folder)) {
        files.build_file_list(settings.folder);
        return true;
    }
    if (scan_ended(&scan, quiet_scan_ms)) return true;
    for (;;) {
        scan_notice(notice_text, scan_found(scan));
        show_notice(notice_text);
        // Esc, a right click or a close destroy the window: done has stopped
        // the walk and emptied the list, and the position stays as stored.
        MessageWait waited = wait_with_messages(static_cast<HANDLE>(scan.thread), notice_refresh_ms);
        if (waited == WAIT_QUIT || !scan.thread) return false;
        if (waited == WAIT_ENDED && scan_ended(&scan, 0)) break;
    }
    // The final count, which the show's frames keep until the first photo.
    scan_notice(notice_text, files.count);
    show_notice(notice_text);
    return true;
}

bool Slideshow::start_show()
{
    // The window paints a long scan's notice until the device draws there.
    struct NoticeEnd {
        ~NoticeEnd() { show_notice(nullptr); }
    } notice_end;
    if (!find_photos()) {
        error_text_buf[0] = 0;
        return false;
    }
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
    // The stored photo where it now stands, else the stored place.
    cycle.requested = resume_place(PlayOrder{files.count, cycle.shuffled}, cycle.requested.position,
                                   stored_photo_index(files, settings), settings.seed_stored, settings.seed, fresh);

    if (!gpu.d3d && !check_platform()) return false;
    if (!start_device()) return false;
    if (!start_worker(&job, gpu.device)) return fail(error_text_buf, FAILED_RESOURCES, "task");

    error_text_buf[0] = 0;
    return true;
}

bool Slideshow::start_device()
{
    gpu.window = window;
    gpu.windowed = preview || windowed;
    if (!create_device(&gpu)) return fail(error_text_buf, FAILED_NO_DEVICE);
    if (const char* step = create_device_objects(&gpu, &job.loader)) return fail(error_text_buf, FAILED_RESOURCES, step);
    return true;
}

bool Slideshow::start_beside()
{
    load_settings();
    if (!check_platform() || !start_device()) return false;
    join_worker(&lead->job, &job, gpu.device);
    error_text_buf[0] = 0;
    return true;
}

void Slideshow::done()
{
    // The photo on its way is named from the list, and the round is stored
    // for the list's count: both before the list goes.
    note_position();
    int32_t photo_count = files.count;
    release_all();
    // The preview in the settings dialog is only a glance: it moves no one's
    // position; a show beside the lead has none of its own.
    if (!preview && !lead) save_settings(photo_count);
}

void Slideshow::release_all()
{
    // A walk still running owns the list until it has stopped.
    stop_scan(&scan);
    files.clear_file_list();
    // The worker goes first: it uses the staging texture. A show beside the
    // lead has its job on the lead's worker.
    stop_worker(lead ? &lead->job : &job);
    release_device_objects(&gpu, &job.loader);
}
