// The cube's vertex layout and the camera that looks at it.
#include "cube.h"

#include "app/slideshow.h"
#include "camera.h"

static_assert(ROTATING == 4 && FADING == 5, "camera.cpp compares against these values");

const D3DVERTEXELEMENT9 cube_vertex_elements[3] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

void Slideshow::setup_camera(float t, D3DXMATRIX* world, D3DXMATRIX* view)
{
    float angles[3];
    tumble_angles(t, angles);
    D3DXMATRIX rx, ry, rz, xy;
    D3DXMatrixRotationX(&rx, angles[0]);
    D3DXMatrixRotationY(&ry, angles[1]);
    D3DXMatrixRotationZ(&rz, angles[2]);
    D3DXMatrixMultiply(&xy, &rx, &ry);
    D3DXMatrixMultiply(world, &xy, &rz);

    float s = turn_amount(state, now, phase_start);
    float eye[3], up[3];
    camera_between(previous_face(), face, s, eye, up);
    D3DXVECTOR3 eye_vector(eye[0], eye[1], eye[2]);
    D3DXVECTOR3 up_vector(up[0], up[1], up[2]);
    D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
    D3DXMatrixLookAtLH(view, &eye_vector, &target, &up_vector);
}

void Slideshow::set_effect_matrices()
{
    D3DXMATRIX world, view, projection, world_view, world_view_proj;
    setup_camera(now + time_offset, &world, &view);

    RECT client = {0, 0, 0, 0};
    GetClientRect(main_window, &client);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, aspect_ratio(client.right, client.bottom), 0.3f, 10.0f);

    D3DXMatrixMultiply(&world_view, &world, &view);
    D3DXMatrixMultiply(&world_view_proj, &world_view, &projection);
    effect->SetMatrix("world_view_proj", &world_view_proj);

    // Texel size of the 1024 x 1024 photo textures.
    const float pixel_width[2] = {0.0009765625f, 0.0009765625f};
    effect->SetFloatArray("pixel_width", pixel_width, 2);
}
