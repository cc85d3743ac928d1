// Overlay text without D3DX: a sprite that draws textured screen rectangles
// with alpha blending, and a font that has GDI draw each text into a texture
// once (again only when the text changes) and hands the texture to a sprite.
#include <new>
#include <stdint.h>

#include "builtin_d3dx.h"

namespace {

const GUID iid_font = {0xd79dbb70, 0x5f21, 0x4d36, {0xbb, 0xc2, 0xff, 0x52, 0x5c, 0x21, 0x3c, 0xdc}};
const GUID iid_sprite = {0xba0b762d, 0x7d28, 0x43ec, {0xb9, 0xdc, 0x2f, 0x84, 0x44, 0x3b, 0x06, 0x14}};

struct SpriteVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
const DWORD sprite_fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
const int sprite_batch = 32;

// IUnknown of a built-in object: Interface and IUnknown by their IIDs, and
// the count of references; the last Release calls Object::last_release().
template <class Interface, const GUID& iid, class Object> class Unknown : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) final
    {
        if (!out) return E_POINTER;
        if (builtin::same_iid(riid, builtin::iid_unknown) || builtin::same_iid(riid, iid)) {
            AddRef();
            *out = static_cast<Interface*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() final { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() final
    {
        LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) static_cast<Object*>(this)->last_release();
        return static_cast<ULONG>(refs);
    }

private:
    LONG refs_ = 1;
};

class BuiltinSprite final : public Unknown<ID3DXSprite, iid_sprite, BuiltinSprite> {
public:
    void create(IDirect3DDevice9* device, int slot)
    {
        device_ = device;
        device_->AddRef();
        slot_ = slot;
    }

    void last_release();

    // ID3DXSprite
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override
    {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DXMATRIX* transform) override
    {
        if (!transform) return D3DERR_INVALIDCALL;
        *transform = transform_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTransform(const D3DXMATRIX* transform) override
    {
        if (!transform) return D3DERR_INVALIDCALL;
        transform_ = *transform;
        return D3D_OK;
    }
    // Sprites are drawn in screen space only.
    HRESULT STDMETHODCALLTYPE SetWorldViewRH(const D3DXMATRIX*, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWorldViewLH(const D3DXMATRIX*, const D3DXMATRIX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Begin(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Draw(IDirect3DTexture9* texture, const RECT* rect, const D3DXVECTOR3* center,
                                   const D3DXVECTOR3* position, D3DCOLOR colour) override;
    HRESULT STDMETHODCALLTYPE Flush() override;
    HRESULT STDMETHODCALLTYPE End() override
    {
        if (!begun_) return D3DERR_INVALIDCALL;
        Flush();
        if (!(flags_ & D3DXSPRITE_DONOTSAVESTATE) && saved_) saved_->Apply();
        begun_ = false;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE OnLostDevice() override
    {
        drop_queue();
        if (saved_) saved_->Release();
        saved_ = nullptr;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResetDevice() override { return D3D_OK; }

private:
    struct Quad {
        IDirect3DTexture9* texture;
        RECT rect;
        float x, y, z;
        D3DCOLOR colour;
        float texture_width, texture_height;
    };

    int slot_ = 0;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DStateBlock9* saved_ = nullptr;
    D3DXMATRIX transform_;
    bool begun_ = false;
    DWORD flags_ = 0;
    Quad quads_[sprite_batch];
    bool drawn_[sprite_batch];
    int count_ = 0;
    SpriteVertex vertices_[6 * sprite_batch];

    void set_states();
    void drop_queue()
    {
        if (!(flags_ & D3DXSPRITE_DO_NOT_ADDREF_TEXTURE))
            for (int i = 0; i < count_; ++i) quads_[i].texture->Release();
        count_ = 0;
    }
    void corner(SpriteVertex* v, const Quad& q, float dx, float dy, float u, float w) const
    {
        float x = q.x + dx, y = q.y + dy;
        const D3DXMATRIX& m = transform_;
        // Pixel centres lie on whole coordinates: a texel lands on a pixel.
        v->x = x * m._11 + y * m._21 + q.z * m._31 + m._41 - 0.5f;
        v->y = x * m._12 + y * m._22 + q.z * m._32 + m._42 - 0.5f;
        v->z = 0.0f;
        v->rhw = 1.0f;
        v->colour = q.colour;
        v->u = u;
        v->v = w;
    }
};

alignas(BuiltinSprite) unsigned char sprite_storage[builtin_sprite_slots][sizeof(BuiltinSprite)];
bool sprite_in_use[builtin_sprite_slots];

void BuiltinSprite::last_release()
{
    drop_queue();
    if (saved_) saved_->Release();
    saved_ = nullptr;
    device_->Release();
    sprite_in_use[slot_] = false;
}

// The states a sprite draws with: fixed-function, the texture's colour and
// alpha times the vertex colour, alpha blending, no culling, no fog.
void BuiltinSprite::set_states()
{
    IDirect3DDevice9* d = device_;
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetFVF(sprite_fvf);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, (flags_ & D3DXSPRITE_ALPHABLEND) ? TRUE : FALSE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    d->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, (flags_ & D3DXSPRITE_ALPHABLEND) ? TRUE : FALSE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
    d->SetRenderState(D3DRS_CLIPPING, TRUE);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_WRAP0, 0);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    d->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
    d->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, 0);
    d->SetSamplerState(0, D3DSAMP_SRGBTEXTURE, 0);
}

HRESULT BuiltinSprite::Begin(DWORD flags)
{
    if (begun_) return D3DERR_INVALIDCALL;
    flags_ = flags;
    if (!(flags & D3DXSPRITE_DONOTSAVESTATE)) {
        // Recorded once: which states a sprite changes (drawing from memory
        // unbinds stream 0); captured at each Begin.
        if (!saved_ && device_->BeginStateBlock() >= 0) {
            set_states();
            device_->SetTexture(0, nullptr);
            device_->SetStreamSource(0, nullptr, 0, 0);
            device_->SetIndices(nullptr);
            if (device_->EndStateBlock(&saved_) < 0) saved_ = nullptr;
        }
        if (saved_) saved_->Capture();
    }
    if (!(flags & D3DXSPRITE_DONOTMODIFY_RENDERSTATE)) set_states();
    D3DXMatrixIdentity(&transform_);
    begun_ = true;
    return D3D_OK;
}

HRESULT BuiltinSprite::Draw(IDirect3DTexture9* texture, const RECT* rect, const D3DXVECTOR3* center,
                            const D3DXVECTOR3* position, D3DCOLOR colour)
{
    if (!begun_ || !texture) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    if (texture->GetLevelDesc(0, &desc) < 0) return D3DERR_INVALIDCALL;
    if (count_ == sprite_batch) Flush();
    Quad& q = quads_[count_++];
    q.texture = texture;
    if (!(flags_ & D3DXSPRITE_DO_NOT_ADDREF_TEXTURE)) texture->AddRef();
    q.rect = rect ? *rect : RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    q.x = (position ? position->x : 0.0f) - (center ? center->x : 0.0f);
    q.y = (position ? position->y : 0.0f) - (center ? center->y : 0.0f);
    q.z = (position ? position->z : 0.0f) - (center ? center->z : 0.0f);
    q.colour = colour;
    q.texture_width = static_cast<float>(desc.Width);
    q.texture_height = static_cast<float>(desc.Height);
    return D3D_OK;
}

// Draws the queue: with D3DXSPRITE_SORT_TEXTURE the sprites of one texture
// together (in the order they were drawn), otherwise in order.
HRESULT BuiltinSprite::Flush()
{
    if (!begun_) return D3DERR_INVALIDCALL;
    if (count_ == 0) return D3D_OK;
    for (int i = 0; i < count_; ++i) drawn_[i] = false;
    device_->SetFVF(sprite_fvf);
    for (int first = 0; first < count_; ++first) {
        if (drawn_[first]) continue;
        IDirect3DTexture9* texture = quads_[first].texture;
        int n = 0;
        for (int i = first; i < count_; ++i) {
            if (drawn_[i] || quads_[i].texture != texture) continue;
            if (!(flags_ & D3DXSPRITE_SORT_TEXTURE) && i != first) break;
            drawn_[i] = true;
            const Quad& q = quads_[i];
            float w = static_cast<float>(q.rect.right - q.rect.left);
            float h = static_cast<float>(q.rect.bottom - q.rect.top);
            float u0 = q.rect.left / q.texture_width, v0 = q.rect.top / q.texture_height;
            float u1 = q.rect.right / q.texture_width, v1 = q.rect.bottom / q.texture_height;
            SpriteVertex* v = vertices_ + 6 * n++;
            corner(&v[0], q, 0, 0, u0, v0);
            corner(&v[1], q, w, 0, u1, v0);
            corner(&v[2], q, 0, h, u0, v1);
            v[3] = v[2];
            v[4] = v[1];
            corner(&v[5], q, w, h, u1, v1);
        }
        device_->SetTexture(0, texture);
        device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2 * n, vertices_, sizeof(SpriteVertex));
    }
    drop_queue();
    return D3D_OK;
}

// Texts longer than this are cut off. Up to font_cache_size different texts
// keep their textures (the overlay draws two); a fifth reuses the least
// recently drawn one's.
const int font_text_size = 512;
const int font_cache_size = 4;
const LONG font_margin = 2;
// Where the size of the rectangle changes the picture of a text.
const DWORD size_dependent = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_END_ELLIPSIS |
                             DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS;

UINT power_of_two_at_least(LONG n, UINT least)
{
    UINT p = least;
    while (p < static_cast<UINT>(n) && p < 4096) p *= 2;
    return p;
}

class BuiltinFont final : public Unknown<ID3DXFont, iid_font, BuiltinFont> {
public:
    HRESULT create(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc, int slot);
    void last_release();

    // ID3DXFont
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override
    {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDescA(D3DXFONT_DESCA* desc) override
    {
        if (!desc) return D3DERR_INVALIDCALL;
        *desc = desc_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDescW(D3DXFONT_DESCW* desc) override
    {
        if (!desc) return D3DERR_INVALIDCALL;
        desc->Height = desc_.Height;
        desc->Width = desc_.Width;
        desc->Weight = desc_.Weight;
        desc->MipLevels = desc_.MipLevels;
        desc->Italic = desc_.Italic;
        desc->CharSet = desc_.CharSet;
        desc->OutputPrecision = desc_.OutputPrecision;
        desc->Quality = desc_.Quality;
        desc->PitchAndFamily = desc_.PitchAndFamily;
        MultiByteToWideChar(CP_ACP, 0, desc_.FaceName, -1, desc->FaceName, LF_FACESIZE);
        return D3D_OK;
    }
    WINBOOL STDMETHODCALLTYPE GetTextMetricsA(TEXTMETRICA* metrics) override
    {
        return metrics && ::GetTextMetricsA(dc_, metrics);
    }
    WINBOOL STDMETHODCALLTYPE GetTextMetricsW(TEXTMETRICW* metrics) override
    {
        return metrics && ::GetTextMetricsW(dc_, metrics);
    }
    HDC STDMETHODCALLTYPE GetDC() override { return dc_; }
    HRESULT STDMETHODCALLTYPE GetGlyphData(UINT, IDirect3DTexture9**, RECT*, POINT*) override { return E_NOTIMPL; }
    // Texts are drawn whole when first shown; there is nothing to load ahead.
    HRESULT STDMETHODCALLTYPE PreloadCharacters(UINT, UINT) override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE PreloadGlyphs(UINT, UINT) override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE PreloadTextA(const char*, INT) override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE PreloadTextW(const WCHAR*, INT) override { return D3D_OK; }
    INT STDMETHODCALLTYPE DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format,
                                    D3DCOLOR colour) override
    {
        if (!text || count == 0) return 0;
        WCHAR wide[font_text_size];
        int length = MultiByteToWideChar(CP_ACP, 0, text, count, wide, font_text_size - 1);
        if (length <= 0 && count != 0) {
            // Longer than the buffer: as much as fits.
            length = MultiByteToWideChar(CP_ACP, 0, text, count < 0 ? font_text_size - 1 : count, wide,
                                         font_text_size - 1);
            if (length <= 0) return 0;
        }
        if (count < 0 && length > 0 && wide[length - 1] == 0) --length;
        return DrawTextW(sprite, wide, length, rect, format, colour);
    }
    INT STDMETHODCALLTYPE DrawTextW(ID3DXSprite* sprite, const WCHAR* text, INT count, RECT* rect, DWORD format,
                                    D3DCOLOR colour) override;
    // Textures in video memory go before a reset; their texts are drawn
    // again when next shown.
    HRESULT STDMETHODCALLTYPE OnLostDevice() override
    {
        for (Text& t : texts_)
            if (t.texture && t.dynamic) {
                t.texture->Release();
                t.texture = nullptr;
                t.length = -1;
            }
        if (own_sprite_) own_sprite_->OnLostDevice();
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResetDevice() override
    {
        if (own_sprite_) own_sprite_->OnResetDevice();
        return D3D_OK;
    }

private:
    // A text as drawn once: its texture, and the part of it the text covers.
    struct Text {
        WCHAR text[font_text_size];
        int length;
        DWORD format;
        LONG width, height; // of the rectangle, where it matters
        IDirect3DTexture9* texture;
        bool dynamic; // in video memory, replaced whole at each drawing
        UINT texture_width, texture_height;
        RECT covered;
        INT text_height;
        uint32_t last_use;
    };

    int slot_ = 0;
    IDirect3DDevice9* device_ = nullptr;
    D3DXFONT_DESCA desc_;
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ old_font_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    const uint32_t* bits_ = nullptr;
    LONG bitmap_width_ = 0, bitmap_height_ = 0;
    ID3DXSprite* own_sprite_ = nullptr;
    Text texts_[font_cache_size];
    uint32_t uses_ = 0;

    void destroy();
    Text* find(const WCHAR* text, int length, DWORD format, LONG width, LONG height);
    bool render(Text* t);
};

alignas(BuiltinFont) unsigned char font_storage[builtin_font_slots][sizeof(BuiltinFont)];
bool font_in_use[builtin_font_slots];

HRESULT BuiltinFont::create(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc, int slot)
{
    slot_ = slot;
    desc_ = desc;
    for (Text& t : texts_) {
        t.length = -1;
        t.texture = nullptr;
        t.dynamic = false;
        t.last_use = 0;
    }
    font_ = CreateFontA(desc.Height, desc.Width, 0, 0, desc.Weight, desc.Italic, FALSE, FALSE, desc.CharSet,
                        desc.OutputPrecision, CLIP_DEFAULT_PRECIS, desc.Quality, desc.PitchAndFamily, desc.FaceName);
    dc_ = font_ ? CreateCompatibleDC(nullptr) : nullptr;
    if (!dc_) {
        destroy();
        return E_FAIL;
    }
    old_font_ = SelectObject(dc_, font_);
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkMode(dc_, TRANSPARENT);
    SetMapMode(dc_, MM_TEXT);
    device_ = device;
    device_->AddRef();
    return D3D_OK;
}

void BuiltinFont::destroy()
{
    for (Text& t : texts_)
        if (t.texture) {
            t.texture->Release();
            t.texture = nullptr;
        }
    if (own_sprite_) own_sprite_->Release();
    own_sprite_ = nullptr;
    if (dc_) {
        if (old_bitmap_) SelectObject(dc_, old_bitmap_);
        if (old_font_) SelectObject(dc_, old_font_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    if (font_) DeleteObject(font_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    font_ = nullptr;
    if (device_) device_->Release();
    device_ = nullptr;
}

void BuiltinFont::last_release()
{
    destroy();
    font_in_use[slot_] = false;
}

BuiltinFont::Text* BuiltinFont::find(const WCHAR* text, int length, DWORD format, LONG width, LONG height)
{
    Text* oldest = &texts_[0];
    for (Text& t : texts_) {
        if (t.length == length && t.format == format && t.width == width && t.height == height) {
            int k = 0;
            while (k < length && t.text[k] == text[k]) ++k;
            if (k == length) return &t;
        }
        if (oldest->length >= 0 && (t.length < 0 || t.last_use < oldest->last_use)) oldest = &t;
    }
    // Not drawn yet (or pushed out): drawn into the least recently used place.
    for (int k = 0; k < length; ++k) oldest->text[k] = text[k];
    oldest->length = length;
    oldest->format = format;
    oldest->width = width;
    oldest->height = height;
    if (!render(oldest)) {
        oldest->length = -1;
        return nullptr;
    }
    return oldest;
}

// GDI draws the text white on black into a bitmap, with a margin for glyphs
// that reach beyond their cells; its brightness becomes the texture's alpha,
// under white.
bool BuiltinFont::render(Text* t)
{
    DWORD format = t->format & ~DT_CALCRECT;
    RECT area = {0, 0, t->width, t->height};
    RECT measured = area;
    t->text_height = ::DrawTextW(dc_, t->text, t->length, &measured, (format & ~DT_NOCLIP) | DT_CALCRECT);
    if (!(t->format & size_dependent)) area = measured;
    if (measured.right <= 0 || measured.bottom <= 0) {
        t->covered = RECT{0, 0, 0, 0};
        return true;
    }
    LONG w = (measured.right > area.right ? measured.right : area.right) + 2 * font_margin;
    LONG h = (measured.bottom > area.bottom ? measured.bottom : area.bottom) + 2 * font_margin;
    if (w > 4096) w = 4096;
    if (h > 4096) h = 4096;
    OffsetRect(&area, font_margin, font_margin);

    if (w > bitmap_width_ || h > bitmap_height_) {
        LONG bw = w > bitmap_width_ ? w : bitmap_width_, bh = h > bitmap_height_ ? h : bitmap_height_;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = bw;
        info.bmiHeader.biHeight = -bh; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP made = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!made || !bits) return false;
        HGDIOBJ previous = SelectObject(dc_, made);
        if (bitmap_) DeleteObject(bitmap_);
        else old_bitmap_ = previous;
        bitmap_ = made;
        bits_ = static_cast<const uint32_t*>(bits);
        bitmap_width_ = bw;
        bitmap_height_ = bh;
    }
    RECT all = {0, 0, bitmap_width_, bitmap_height_};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ::DrawTextW(dc_, t->text, t->length, &area, format | DT_NOCLIP);
    GdiFlush();

    UINT tw = power_of_two_at_least(w, 256), th = power_of_two_at_least(h, 64);
    if (t->texture && (t->texture_width < tw || t->texture_height < th)) {
        t->texture->Release();
        t->texture = nullptr;
    }
    // A dynamic texture is written without waiting for the device to catch
    // up with the frame drawn so far (a managed one's lock waits for it);
    // managed where the device has no dynamic textures.
    if (!t->texture) {
        t->dynamic = device_->CreateTexture(tw, th, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                            &t->texture, nullptr) >= 0;
        if (!t->dynamic &&
            device_->CreateTexture(tw, th, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t->texture, nullptr) < 0) {
            t->texture = nullptr;
            return false;
        }
        t->texture_width = tw;
        t->texture_height = th;
    }
    D3DLOCKED_RECT locked;
    if (t->texture->LockRect(0, &locked, nullptr, t->dynamic ? D3DLOCK_DISCARD : 0) < 0) return false;
    for (UINT y = 0; y < t->texture_height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<unsigned char*>(locked.pBits) + y * locked.Pitch);
        const uint32_t* from = bits_ + y * bitmap_width_;
        for (UINT x = 0; x < t->texture_width; ++x) {
            uint32_t alpha = 0;
            if (static_cast<LONG>(x) < w && static_cast<LONG>(y) < h) {
                uint32_t p = from[x];
                // ClearType gives each colour its own coverage: their mean.
                alpha = ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) + 1) / 3;
            }
            row[x] = alpha << 24 | 0x00FFFFFF;
        }
    }
    t->texture->UnlockRect(0);
    t->covered = RECT{0, 0, w, h};
    return true;
}

INT BuiltinFont::DrawTextW(ID3DXSprite* sprite, const WCHAR* text, INT count, RECT* rect, DWORD format,
                           D3DCOLOR colour)
{
    if (!text || count == 0) return 0;
    int length = 0;
    while ((count < 0 || length < count) && length < font_text_size - 1 && text[length]) ++length;
    RECT place = rect ? *rect : RECT{0, 0, 0, 0};
    if (format & DT_CALCRECT) {
        if (!rect) return 0;
        return ::DrawTextW(dc_, text, length, rect, format);
    }
    bool sized = (format & size_dependent) || !(format & DT_NOCLIP);
    Text* t = find(text, length, format, sized ? place.right - place.left : 0, sized ? place.bottom - place.top : 0);
    if (!t) return 0;
    t->last_use = ++uses_;
    if (!t->texture || t->covered.right == 0) return t->text_height;

    // Without DT_NOCLIP the text stays inside the rectangle.
    RECT source = t->covered;
    LONG left = place.left - font_margin, top = place.top - font_margin;
    if (!(format & DT_NOCLIP)) {
        source.left = source.top = font_margin;
        if (source.right > place.right - left) source.right = place.right - left;
        if (source.bottom > place.bottom - top) source.bottom = place.bottom - top;
        if (source.right <= source.left || source.bottom <= source.top) return t->text_height;
        left = place.left;
        top = place.top;
    }
    D3DXVECTOR3 at(static_cast<float>(left), static_cast<float>(top), 0.0f);
    if (sprite) {
        sprite->Draw(t->texture, &source, nullptr, &at, colour);
        return t->text_height;
    }
    // Without a sprite of the caller's: one of its own, for this text alone.
    if (!own_sprite_ && builtin::create_sprite(device_, &own_sprite_) < 0) {
        own_sprite_ = nullptr;
        return 0;
    }
    own_sprite_->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
    own_sprite_->Draw(t->texture, &source, nullptr, &at, colour);
    own_sprite_->End();
    return t->text_height;
}

} // namespace

namespace builtin {

HRESULT WINAPI create_sprite(IDirect3DDevice9* device, ID3DXSprite** sprite)
{
    if (!device || !sprite) return D3DERR_INVALIDCALL;
    *sprite = nullptr;
    for (int slot = 0; slot < builtin_sprite_slots; ++slot) {
        if (sprite_in_use[slot]) continue;
        BuiltinSprite* made = new (sprite_storage[slot]) BuiltinSprite;
        made->create(device, slot);
        sprite_in_use[slot] = true;
        *sprite = made;
        return D3D_OK;
    }
    return E_OUTOFMEMORY;
}

HRESULT WINAPI create_font(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mip_levels,
                           WINBOOL italic, DWORD charset, DWORD precision, DWORD quality, DWORD pitch_and_family,
                           const char* face, ID3DXFont** font)
{
    if (!device || !font) return D3DERR_INVALIDCALL;
    *font = nullptr;
    D3DXFONT_DESCA desc;
    desc.Height = height;
    desc.Width = width;
    desc.Weight = weight;
    desc.MipLevels = mip_levels;
    desc.Italic = italic;
    desc.CharSet = static_cast<BYTE>(charset);
    desc.OutputPrecision = static_cast<BYTE>(precision);
    desc.Quality = static_cast<BYTE>(quality);
    desc.PitchAndFamily = static_cast<BYTE>(pitch_and_family);
    int n = 0;
    for (; face && face[n] && n < LF_FACESIZE - 1; ++n) desc.FaceName[n] = face[n];
    desc.FaceName[n] = 0;
    for (int slot = 0; slot < builtin_font_slots; ++slot) {
        if (font_in_use[slot]) continue;
        BuiltinFont* made = new (font_storage[slot]) BuiltinFont;
        HRESULT hr = made->create(device, desc, slot);
        if (hr < 0) return hr;
        font_in_use[slot] = true;
        *font = made;
        return hr;
    }
    return E_OUTOFMEMORY;
}

} // namespace builtin
