// A stand-in for the compiled effect in drawing tests: it records what a frame
// hands to it and draws each pass with the fixed-function pipeline (the
// parameter "tex" as the only texture, "world_view_proj" as the projection),
// so that the picture can be read back without the real shaders.
#pragma once
#include <d3d9.h>
#include <d3dx9.h>

#include <string>
#include <vector>

struct FakeEffectLog {
    struct Draw {
        IDirect3DBaseTexture9* texture;
        std::string technique;
        float tau;
        int orientation;
    };
    std::vector<Draw> draws;           // one per Begin
    std::vector<std::string> textures; // names given to SetTexture, in order
    D3DXMATRIX world_view_proj;
    float pixel_width[2] = {0, 0};
    UINT passes = 1;                   // what Begin reports
    float zoom = 1;                    // scales x and y after the projection
    int passes_drawn = 0;
    int lost = 0, reset = 0;
    IDirect3DBaseTexture9* lens = nullptr;
    IDirect3DBaseTexture9* rubik = nullptr;
    IDirect3DBaseTexture9* disp = nullptr;
};

// A new effect object with one reference, drawing on `device`.
ID3DXEffect* create_fake_effect(IDirect3DDevice9* device, FakeEffectLog* log);
