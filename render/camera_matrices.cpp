// The effect's matrices: the tumbling cube seen from the camera.
#include "render/camera.h"
#include "render/frame.h"

void setup_camera(const FrameScene& scene, D3DXMATRIX* world, D3DXMATRIX* view, float eye_cube[3])
{
    float angles[3];
    tumble_angles(scene.camera_time, angles);
    D3DXMATRIX rx, ry, rz, xy;
    D3DXMatrixRotationX(&rx, angles[0]);
    D3DXMatrixRotationY(&ry, angles[1]);
    D3DXMatrixRotationZ(&rz, angles[2]);
    D3DXMatrixMultiply(&xy, &rx, &ry);
    D3DXMatrixMultiply(world, &xy, &rz);

    float s = turn_amount(scene.state, scene.now, scene.phase_start);
    float eye[3], up[3];
    camera_between(face_in_view(scene.face), scene.face, s, eye, up);
    D3DXVECTOR3 eye_vector(eye[0], eye[1], eye[2]);
    D3DXVECTOR3 up_vector(up[0], up[1], up[2]);
    D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
    D3DXMatrixLookAtLH(view, &eye_vector, &target, &up_vector);
    if (eye_cube) {
        const float rows[3][3] = {{world->_11, world->_12, world->_13},
                                  {world->_21, world->_22, world->_23},
                                  {world->_31, world->_32, world->_33}};
        eye_in_cube(rows, eye, eye_cube);
    }
}

void set_effect_matrices(GpuObjects* gpu, const FrameScene& scene, float eye_cube[3])
{
    D3DXMATRIX world, view, projection, world_view, world_view_proj;
    setup_camera(scene, &world, &view, eye_cube);

    RECT client = {0, 0, 0, 0};
    GetClientRect(gpu->window, &client);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, aspect_ratio(client.right, client.bottom), 0.3f, 10.0f);

    D3DXMatrixMultiply(&world_view, &world, &view);
    D3DXMatrixMultiply(&world_view_proj, &world_view, &projection);
    gpu->effect->SetMatrix("world_view_proj", &world_view_proj);

    // The filters' offsets (emboss, displacement) in texels of a 1024 x 1024
    // photo at every texture size, so that each technique looks the same on
    // every screen.
    const float texel = 1.0f / static_cast<float>(photo_size_min);
    const float pixel_width[2] = {texel, texel};
    gpu->effect->SetFloatArray("pixel_width", pixel_width, 2);
}
