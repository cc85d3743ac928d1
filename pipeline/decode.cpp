// Decoding through the Windows Imaging Component, created from COM directly.
#include "decode.h"

#include "app/support.h"
#include "geometry.h"
#include "render/photo_size.h"
#include "resample.h"

static_assert(static_cast<uint64_t>(resample_max_ratio) * photo_size_min * resample_max_ratio * photo_size_min >=
                  pixel_budget_64,
              "every photo within the budget has a shorter side the filter takes, at the smallest texture");

extern const GUID iid_source_transform = {0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

namespace {

const GUID clsid_imaging_factory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const GUID iid_imaging_factory = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
const GUID container_jpeg = {0x19e4a5aa, 0x5662, 0x4fc5, {0xa0, 0xc0, 0x17, 0x58, 0x02, 0x8e, 0x10, 0x57}};
const GUID format_24bpp_bgr = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};
const GUID format_32bpp_bgr = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0e}};
const GUID format_32bpp_bgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
const GUID format_32bpp_pbgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10}};
const GUID iid_pixel_format_info = {0xe8eda601, 0x3d48, 0x431a, {0xab, 0x44, 0x69, 0x05, 0x9b, 0xe8, 0x8b, 0xbe}};

bool same_guid(const GUID& a, const GUID& b)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&a);
    const uint8_t* q = reinterpret_cast<const uint8_t*>(&b);
    for (uint32_t i = 0; i < sizeof(GUID); ++i)
        if (p[i] != q[i]) return false;
    return true;
}

// Where the decoded rows come from: the decoder itself at a reduced size, or
// a converter to 32-bit BGR.
struct PixelSource {
    IWICBitmapSource* plain;
    IWICBitmapSourceTransform* transform;
    UINT width, height;  // of the decoded (possibly reduced) image
    GUID format;
    uint32_t bytes_per_pixel;

    HRESULT copy(const WICRect& rect, UINT stride, UINT size, BYTE* out)
    {
        if (transform)
            return transform->CopyPixels(&rect, width, height, &format, WICBitmapTransformRotate0, stride, size, out);
        return plain->CopyPixels(&rect, stride, size, out);
    }
};

// The reduced decode, when the source offers one in a format the filter reads
// (over black: one whose colours are not those of transparent pixels).
bool choose_transform(IWICBitmapSource* source, UINT width, UINT height, uint32_t dest, bool over_black,
                      PixelSource* out)
{
    IWICBitmapSourceTransform* transform = nullptr;
    if (source->QueryInterface(iid_source_transform, reinterpret_cast<void**>(&transform)) < 0 || !transform)
        return false;
    GUID format = over_black ? format_32bpp_pbgra : format_32bpp_bgr;
    uint32_t bpp = 0;
    if (transform->GetClosestPixelFormat(&format) >= 0) {
        if (same_guid(format, format_32bpp_bgr) || same_guid(format, format_32bpp_pbgra) ||
            (!over_black && same_guid(format, format_32bpp_bgra)))
            bpp = 4;
        else if (same_guid(format, format_24bpp_bgr))
            bpp = 3;
    }
    UINT side = width < height ? width : height;
    uint32_t shift = 0;
    while (shift < 16 && (side >> (shift + 1)) >= dest) ++shift;
    // From the largest reduction down, the first size the decoder offers
    // whose square still covers the destination.
    for (int32_t s = static_cast<int32_t>(shift); bpp && s >= 0; --s) {
        UINT w = (width + (1u << s) - 1) >> s, h = (height + (1u << s) - 1) >> s;
        if (transform->GetClosestSize(&w, &h) < 0) continue;
        UINT got = w < h ? w : h;
        if (w == 0 || h == 0 || w > width || h > height || got < (side < dest ? side : dest)) continue;
        out->transform = transform;
        out->width = w;
        out->height = h;
        out->format = format;
        out->bytes_per_pixel = bpp;
        return true;
    }
    transform->Release();
    return false;
}

} // namespace

bool lock_chain(IDirect3DTexture9* texture, LockedChain* chain)
{
    chain->texture = texture;
    chain->count = 0;
    UINT levels = texture ? texture->GetLevelCount() : 0;
    if (levels > chain_levels) levels = chain_levels;
    // Square levels only, from level 0 down to the first that fails.
    for (uint32_t l = 0; l < levels; ++l) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT rect;
        if (texture->GetLevelDesc(l, &desc) < 0 || desc.Width != desc.Height || desc.Width == 0) break;
        if (texture->LockRect(l, &rect, nullptr, 0) < 0) break;
        if (!rect.pBits) {
            texture->UnlockRect(l);
            break;
        }
        chain->levels[l] = rect;
        chain->sides[l] = desc.Width;
        chain->count = l + 1;
    }
    return chain->count > 0;
}

void unlock_chain(LockedChain* chain)
{
    for (uint32_t l = 0; l < chain->count; ++l) chain->texture->UnlockRect(l);
    chain->count = 0;
}

bool decode_square(IWICImagingFactory* factory, IWICBitmapSource* source, const LockedChain& staging, bool over_black)
{
    if (!source || staging.count < 2) return false;
    UINT width = 0, height = 0;
    // The decoder's own idea of the size must fit the budget as well.
    if (source->GetSize(&width, &height) < 0 || !within_pixel_budget(width, height, pixel_budget)) return false;
    const uint32_t dest = staging.sides[0];
    if (dest > resample_max_dest) return false;

    PixelSource pixels = {source, nullptr, width, height, format_32bpp_bgr, 4};
    IWICFormatConverter* converter = nullptr;
    if (!choose_transform(source, width, height, dest, over_black, &pixels)) {
        if (!factory || factory->CreateFormatConverter(&converter) < 0 || !converter) return false;
        // Premultiplied: a transparent pixel's colour is black whatever it was.
        if (converter->Initialize(source, over_black ? format_32bpp_pbgra : format_32bpp_bgr, WICBitmapDitherTypeNone,
                                  nullptr, 0.0, WICBitmapPaletteTypeCustom) < 0) {
            converter->Release();
            return false;
        }
        pixels.plain = converter;
    }

    PixelRect square = centred_square(pixels.width, pixels.height);
    const uint32_t side = static_cast<uint32_t>(square.right - square.left);
    const UINT stride = (side * pixels.bytes_per_pixel + 3) & ~3u;

    // Level 1 as working memory: the filter's tables and its ring of rows,
    // sized by the destination and the reduction, then the strip the decoder
    // writes into.
    bool written = false;
    Resampler resampler;
    const size_t work_bytes = resample_work_bytes(side, side, dest, dest);
    uint8_t* base = static_cast<uint8_t*>(staging.levels[1].pBits);
    size_t room = static_cast<size_t>(staging.levels[1].Pitch) * staging.sides[1];
    uint8_t* strip = base + work_bytes;
    size_t strip_bytes = work_bytes != 0 && room > work_bytes ? room - work_bytes : 0;
    UINT strip_rows = static_cast<UINT>(strip_bytes / stride);
    if (strip_rows > 0 && resample_begin(&resampler, side, side, dest, dest, base, work_bytes)) {
        UINT n = strip_rows < side ? strip_rows : side;
        WICRect rect = {square.left, square.top, static_cast<INT>(side), static_cast<INT>(n)};
        // Nothing reaches level 0 unless the first strip was decoded.
        if (pixels.copy(rect, stride, stride * n, strip) >= 0) {
            uint8_t* bits = static_cast<uint8_t*>(staging.levels[0].pBits);
            bool failed = false;
            for (UINT y = 0;;) {
                resample_push(&resampler, strip, stride, n, pixels.bytes_per_pixel, bits,
                              staging.levels[0].Pitch);
                y += n;
                if (y >= side) break;
                n = strip_rows < side - y ? strip_rows : side - y;
                rect.Y = square.top + static_cast<INT>(y);
                rect.Height = static_cast<INT>(n);
                if (!failed && pixels.copy(rect, stride, stride * n, strip) < 0) failed = true;
                if (failed)
                    for (size_t i = 0; i < static_cast<size_t>(stride) * n; ++i) strip[i] = 0x80;
            }
            written = true;
        }
    }
    if (pixels.transform) pixels.transform->Release();
    if (converter) converter->Release();
    return written;
}

namespace {

// The decoder for the file behind `stream`: for a JPEG the imaging
// component's JPEG decoder by name, so that no other decoder ever sees it;
// for the rest the one the imaging component picks (none when no installed
// codec reads the file).
IWICBitmapDecoder* open_decoder(IWICImagingFactory* factory, IWICStream* stream, bool jpeg)
{
    IWICBitmapDecoder* decoder = nullptr;
    if (!jpeg) {
        if (factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder) < 0)
            return nullptr;
        return decoder;
    }
    if (factory->CreateDecoder(container_jpeg, nullptr, &decoder) < 0 || !decoder) return nullptr;
    if (decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand) < 0) {
        decoder->Release();
        return nullptr;
    }
    return decoder;
}

// Bits per pixel of a frame's own format; 0 when the imaging component does
// not say.
uint32_t frame_bits_per_pixel(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame)
{
    GUID format;
    IWICComponentInfo* info = nullptr;
    IWICPixelFormatInfo* pixel = nullptr;
    UINT bits = 0;
    if (frame->GetPixelFormat(&format) >= 0 && factory->CreateComponentInfo(format, &info) >= 0 && info &&
        info->QueryInterface(iid_pixel_format_info, reinterpret_cast<void**>(&pixel)) >= 0 && pixel)
        if (pixel->GetBitsPerPixel(&bits) < 0) bits = 0;
    if (pixel) pixel->Release();
    if (info) info->Release();
    return bits;
}

} // namespace

int32_t frame_orientation(IWICBitmapFrameDecode* frame)
{
    IWICMetadataQueryReader* reader = nullptr;
    if (frame->GetMetadataQueryReader(&reader) < 0 || !reader) return 1;
    static const wchar_t* const queries[] = {L"/heifProps/Orientation", L"/ifd/{ushort=274}"};
    int32_t orientation = 1;
    for (const wchar_t* query : queries) {
        PROPVARIANT value;
        mem_fill(&value, 0, sizeof(value));
        if (reader->GetMetadataByName(query, &value) < 0) continue;
        bool found = value.vt == VT_UI2;
        if (found) orientation = value.uiVal;
        PropVariantClear(&value);
        if (found) break;
    }
    reader->Release();
    return orientation;
}

bool decode_file(const char* path, const LockedChain& chain, PhotoFormat format, int32_t* orientation)
{
    IWICImagingFactory* factory = nullptr;
    if (CoCreateInstance(clsid_imaging_factory, nullptr, CLSCTX_INPROC_SERVER, iid_imaging_factory,
                         reinterpret_cast<void**>(&factory)) < 0 || !factory)
        return false;
    const bool jpeg = format == PHOTO_JPEG;
    bool written = false;
    WCHAR wide[path_size];
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    // A JPEG's size was checked from its header; the other formats' from
    // their frame, before any pixel is copied.
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, path_size) > 0 && factory->CreateStream(&stream) >= 0 &&
        stream && stream->InitializeFromFilename(wide, GENERIC_READ) >= 0 &&
        (decoder = open_decoder(factory, stream, jpeg)) != nullptr && decoder->GetFrame(0, &frame) >= 0 && frame) {
        UINT width = 0, height = 0;
        bool admitted = jpeg || (frame->GetSize(&width, &height) >= 0 &&
                                 frame_decodable(width, height, frame_bits_per_pixel(factory, frame), pixel_budget));
        if (!jpeg && admitted) *orientation = frame_orientation(frame);
        if (admitted) {
            written = decode_square(factory, frame, chain, !jpeg);
            // Rebuilt whether or not the photo could be decoded: the decode
            // borrows level 1 as working memory.
            build_mips(chain);
        }
    }
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    if (stream) stream->Release();
    factory->Release();
    return written;
}

void build_mips(const LockedChain& staging)
{
    for (uint32_t l = 1; l < staging.count; ++l)
        box_halve(static_cast<const uint8_t*>(staging.levels[l - 1].pBits), staging.levels[l - 1].Pitch,
                  static_cast<uint8_t*>(staging.levels[l].pBits), staging.levels[l].Pitch, staging.sides[l]);
}
