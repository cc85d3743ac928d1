#include "video_texture.h"

#include "test_device.h"

bool read_video_texture_level(IDirect3DDevice9* device, IDirect3DTexture9* texture, UINT level, unsigned char* out)
{
    D3DSURFACE_DESC desc;
    if (texture->GetLevelDesc(level, &desc) < 0) return false;
    const UINT n = desc.Width;
    IDirect3DSurface9* target = nullptr;
    if (device->CreateRenderTarget(n, desc.Height, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr) < 0)
        return false;
    IDirect3DSurface9* old_target = nullptr;
    IDirect3DSurface9* old_depth = nullptr;
    device->GetRenderTarget(0, &old_target);
    device->GetDepthStencilSurface(&old_depth);
    device->SetRenderTarget(0, target);
    device->SetDepthStencilSurface(nullptr);

    struct Vertex {
        float x, y, z, rhw, u, v;
    };
    const float w = float(n) - 0.5f, h = float(desc.Height) - 0.5f;
    const Vertex quad[4] = {
        {-0.5f, -0.5f, 0, 1, 0, 0}, {w, -0.5f, 0, 1, 1, 0}, {-0.5f, h, 0, 1, 0, 1}, {w, h, 0, 1, 1, 1}};
    device->BeginScene();
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTexture(0, texture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, level);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    device->EndScene();
    device->SetTexture(0, nullptr);
    device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    bool ok = read_surface(device, target, out, n, desc.Height);
    device->SetRenderTarget(0, old_target);
    device->SetDepthStencilSurface(old_depth);
    if (old_target) old_target->Release();
    if (old_depth) old_depth->Release();
    target->Release();
    return ok;
}

IDirect3DTexture9* make_filled_texture(IDirect3DDevice9* device, UINT size, D3DCOLOR colour)
{
    IDirect3DTexture9* texture = nullptr;
    if (device->CreateTexture(size, size, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &texture, nullptr) < 0)
        return nullptr;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT locked;
        if (texture->LockRect(level, &locked, nullptr, 0) < 0) continue;
        for (UINT y = 0; y < desc.Height; ++y) {
            DWORD* row = reinterpret_cast<DWORD*>(static_cast<unsigned char*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < desc.Width; ++x) row[x] = colour;
        }
        texture->UnlockRect(level);
    }
    return texture;
}

bool fill_video_texture(IDirect3DDevice9* device, IDirect3DTexture9* texture, D3DCOLOR colour)
{
    D3DSURFACE_DESC desc;
    if (texture->GetLevelDesc(0, &desc) < 0) return false;
    IDirect3DTexture9* source = make_filled_texture(device, desc.Width, colour);
    if (!source) return false;
    bool ok = device->UpdateTexture(source, texture) >= 0;
    source->Release();
    return ok;
}
