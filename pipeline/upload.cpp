// Copies the staging texture into the spare face texture, one band per call,
// so that the main thread's share of a photo is spread over many frames.
#include "pipeline/load_job.h"

#include "pipeline/geometry.h"

bool ImageLoadTask::upload_step(IDirect3DDevice9* device, int32_t size)
{
    UploadBand band = upload_band(size, upload_level, upload_row);

    IDirect3DSurface9* source = nullptr;
    IDirect3DSurface9* destination = nullptr;
    if (staging && staging->GetSurfaceLevel(upload_level, &source) < 0) source = nullptr;
    if (target && target->GetSurfaceLevel(upload_level, &destination) < 0) destination = nullptr;
    // A band that cannot be copied (no texture, a level missing, a lost
    // device) is passed over: the cursor moves on all the same.
    if (device && source && destination) {
        RECT rect = {band.rows.left, band.rows.top, band.rows.right, band.rows.bottom};
        POINT at = {0, band.rows.top};
        device->UpdateSurface(source, &rect, destination, &at);
    }
    if (source) source->Release();
    if (destination) destination->Release();

    upload_level = band.next_level;
    upload_row = band.next_row;
    return band.finished;
}
