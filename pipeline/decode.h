// The photo's road into the staging texture through the Windows Imaging
// Component: the header check, the decode of the centred square in strips
// through the scaling filter, and the mip chain.
#pragma once
#include <windows.h>
#include <d3d9.h>
#include <wincodec.h>

#include "photo_header.h"
#include "pipeline/load_job.h"

// A decoder's own scaling and conversion (IID 3B16811B-6A43-4EC9-B713-3D5A0C13B940),
// which the toolchain's headers leave out.
struct IWICBitmapSourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, GUID* format,
                                                 WICBitmapTransformOptions transform, UINT stride, UINT size,
                                                 BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(GUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
extern const GUID iid_source_transform;

// Reads the header of the file at `path` (system code page) and decides with
// the program's pixel budget. False when the file cannot be opened; `header`
// then admits nothing.
bool read_photo_header(const char* path, PhotoHeader* header);

// Decodes the centred square of `source` into level 0 of `staging` (up to
// 4096 x 4096, X8R8G8B8, at least two levels locked). Where the source offers
// IWICBitmapSourceTransform, it is decoded at the smallest power-of-two
// reduction whose square still covers level 0; otherwise converted to 32-bit
// BGR by `factory`. With `over_black`, for sources that may be transparent,
// the colours come premultiplied by their alpha (transparent parts black),
// and a reduction is taken only in a format without straight alpha. While it runs, level 1 holds the filter's tables and rows
// and the strip of decoded rows (the chain is rebuilt after).
// Returns true when level 0 was written: nothing is written unless the first
// strip was decoded. Rows that fail to decode after that come out grey, as a
// cut-off JPEG does.
bool decode_square(IWICImagingFactory* factory, IWICBitmapSource* source, const LockedChain& staging,
                   bool over_black = false);

// Opens `path` with the imaging component's JPEG decoder for a JPEG, and
// otherwise with the decoder the imaging component picks for the file (whose
// first frame's size and pixel format must pass frame_decodable, and whose
// orientation, where its metadata gives one, goes into `*orientation`), then
// decodes the first frame as above over black into the locked chain of the
// staging texture and rebuilds its mips. A file that cannot be opened leaves
// the chain as it was. The caller has checked the header.
bool decode_file(const char* path, const LockedChain& staging, PhotoFormat format, int32_t* orientation);

// The orientation code the frame's metadata gives (HEIF's own property, then
// TIFF tag 274 of IFD 0), unchanged; 1 without one.
int32_t frame_orientation(IWICBitmapFrameDecode* frame);

// Rebuilds the locked levels below level 0 from level 0 with box_halve.
void build_mips(const LockedChain& staging);
