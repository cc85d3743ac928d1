// The matrix functions against values worked out by hand or in double
// precision, and the mip levels' box filter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "render/matrix.h"
#include "render/mip_filter.h"

namespace {

const double pi = 3.14159265358979323846;

void expect_matrix(const Matrix4& m, const double (&want)[4][4], double tolerance = 1e-6)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], want[i][j], tolerance) << "element " << i << j;
}

// A row vector times the matrix, divided by w.
void transform(const Matrix4& m, const double p[3], double out[3])
{
    double r[4];
    for (int j = 0; j < 4; ++j) r[j] = p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j] + m.m[3][j];
    for (int j = 0; j < 3; ++j) out[j] = r[j] / r[3];
}

} // namespace

TEST(Matrices, SineAndCosineToFloatPrecision)
{
    for (float x = -300.0f; x < 300.0f; x += 0.0173f) {
        float s, c;
        sine_cosine(x, &s, &c);
        ASSERT_NEAR(s, std::sin(double(x)), 1.2e-7) << x;
        ASSERT_NEAR(c, std::cos(double(x)), 1.2e-7) << x;
    }
    float s, c;
    sine_cosine(0.0f, &s, &c);
    EXPECT_TRUE(s == 0.0f && c == 1.0f);
}

TEST(Matrices, RotationsScalingAndProducts)
{
    const double a = 0.3, s = std::sin(a), c = std::cos(a);
    Matrix4 m;
    matrix_rotation_x(&m, float(a));
    expect_matrix(m, {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}});
    matrix_rotation_y(&m, float(a));
    expect_matrix(m, {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}});
    matrix_rotation_z(&m, float(a));
    expect_matrix(m, {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    matrix_scaling(&m, 2, 3, 4);
    expect_matrix(m, {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}});

    // A quarter turn about z takes x to y: the first factor applies first.
    Matrix4 turn, move, both;
    matrix_rotation_z(&turn, float(pi / 2));
    matrix_scaling(&move, 1, 2, 1);
    matrix_multiply(&both, turn, move);
    double p[3] = {1, 0, 0}, q[3];
    transform(both, p, q);
    EXPECT_NEAR(q[0], 0, 1e-6);
    EXPECT_NEAR(q[1], 2, 1e-6);

    // Against double precision, also with the result in place of a factor.
    Matrix4 x, y;
    double want[4][4] = {};
    for (int i = 0; i < 16; ++i) x.m[i / 4][i % 4] = 0.37f * i - 2, y.m[i / 4][i % 4] = 1.3f - 0.21f * i * (i % 3);
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 4; ++k) want[i / 4][i % 4] += double(x.m[i / 4][k]) * y.m[k][i % 4];
    matrix_multiply(&m, x, y);
    expect_matrix(m, want, 1e-5);
    matrix_multiply(&x, x, y);
    expect_matrix(x, want, 1e-5);
}

TEST(Matrices, LookAtAndPerspective)
{
    // From -z looking at the origin with y up: a shift along z only.
    const float eye[3] = {0, 0, -2.8f}, at[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    Matrix4 view;
    matrix_look_at_lh(&view, eye, at, up);
    expect_matrix(view, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 2.8, 1}});

    // From +x with -z up (face 0's station): the eye goes to the origin, the
    // target straight ahead, up to +y and the left-handed right to +x.
    const float eye0[3] = {2.8f, 0, 0}, up0[3] = {0, 0, -1};
    matrix_look_at_lh(&view, eye0, at, up0);
    const double points[4][3] = {{2.8, 0, 0}, {0, 0, 0}, {2.8, 0, -1}, {2.8, 1, 0}};
    const double seen[4][3] = {{0, 0, 0}, {0, 0, 2.8}, {0, 1, 0}, {1, 0, 0}};
    for (int k = 0; k < 4; ++k) {
        double q[3];
        transform(view, points[k], q);
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(q[j], seen[k][j], 1e-6) << "point " << k;
    }

    // The show's projection: 60 degrees, 5:4, 0.3 to 10.
    Matrix4 proj;
    matrix_perspective_fov_lh(&proj, 1.0471976f, 1.25f, 0.3f, 10.0f);
    const double h = 1 / std::tan(pi / 6);
    expect_matrix(proj, {{h / 1.25, 0, 0, 0}, {0, h, 0, 0}, {0, 0, 10 / 9.7, 1}, {0, 0, -3 / 9.7, 0}});
    const double near_point[3] = {0, 0, 0.3}, far_point[3] = {0, 0, 10}, top[3] = {0, std::tan(pi / 6), 1};
    double q[3];
    transform(proj, near_point, q);
    EXPECT_NEAR(q[2], 0, 1e-6);
    transform(proj, far_point, q);
    EXPECT_NEAR(q[2], 1, 1e-6);
    transform(proj, top, q);
    EXPECT_NEAR(q[1], 1, 1e-6);
}

TEST(MipFilter, MeansOfTwoByTwoRoundedHalvesUp)
{
    struct Case {
        uint32_t width, height;
        std::vector<uint8_t> above, below; // one value a texel, in all four bytes
    };
    const Case cases[] = {
        // 0+1+2+3 = 6: 1.5 rounds up; 0,0,0,1: 0.25 down; 0,0,1,1: 0.5 up.
        {6, 2, {0, 1, 0, 0, 0, 0, 2, 3, 0, 1, 1, 1}, {2, 0, 1}},
        {2, 2, {255, 255, 255, 254}, {255}},
        // One texel high or wide: pairs; an odd last column is read twice.
        {4, 1, {10, 11, 200, 100}, {11, 150}},
        {1, 2, {7, 8}, {8}},
        {3, 2, {0, 4, 8, 0, 4, 8}, {2}},
    };
    for (const Case& c : cases) {
        const int32_t pitch = int32_t(4 * c.width) + 12, below_pitch = 20;
        std::vector<uint8_t> above(pitch * c.height), below(64, 0xEE);
        for (uint32_t i = 0; i < c.width * c.height; ++i)
            std::memset(&above[(i / c.width) * pitch + 4 * (i % c.width)], c.above[i], 4);
        box_filter_level(above.data(), pitch, c.width, c.height, below.data(), below_pitch);
        uint32_t w = mip_size(c.width);
        for (uint32_t i = 0; i < c.below.size(); ++i)
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(below[(i / w) * below_pitch + 4 * (i % w) + k], c.below[i]) << c.width << "x" << c.height;
        EXPECT_EQ(below[4 * w], 0xEE); // nothing written past the row
    }
    // The four bytes of a texel each on their own.
    const uint8_t texels[16] = {0, 10, 20, 30, 4, 14, 24, 34, 8, 18, 28, 38, 12, 22, 32, 42};
    uint8_t one[4];
    box_filter_level(texels, 8, 2, 2, one, 4);
    EXPECT_EQ(std::vector<uint8_t>(one, one + 4), (std::vector<uint8_t>{6, 16, 26, 36}));
}
