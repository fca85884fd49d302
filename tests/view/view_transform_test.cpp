#include "view/view_transform.h"

#include <gtest/gtest.h>

#include <random>

#include "support/recording_surface.h"
#include "view/primitives.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

void expect_near(const Vec3& a, const Vec3& b, double tol)
{
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(a[k], b[k], tol) << "component " << k;
    }
}

TEST(rotation_matrix, is_the_transposed_product_of_axis_rotations)
{
    // Row 3 points at the viewer: M(0, 0, 0) is the identity; M(90 deg, 0, 0) looks along -Y.
    const Mat3 identity = rotation_matrix(0, 0, 0);
    EXPECT_EQ(identity, mat_identity3());
    const Mat3 front = rotation_matrix(deg_to_rad(90), 0, 0);
    expect_near(front[2], {0, -1, 0}, 1e-14);
    expect_near(front[0], {1, 0, 0}, 1e-14);
    // Orthonormal for any angles.
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-3.0, 3.0);
    for (int n = 0; n < 50; ++n) {
        const Mat3 m = rotation_matrix(u(rng), u(rng), u(rng));
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                EXPECT_NEAR(vec_dot(m[i], m[j]), i == j ? 1.0 : 0.0, 1e-14);
            }
        }
    }
}

TEST(view_angles, recover_the_angles_a_matrix_was_built_from)
{
    const Angles d = view_angles(set_default_view());
    EXPECT_NEAR(rad_to_deg(d.alpha), -45.0, 1e-9);
    EXPECT_NEAR(rad_to_deg(d.beta), 45.0, 1e-9);
    EXPECT_NEAR(rad_to_deg(d.gamma), 145.0, 1e-9);

    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-3.1, 3.1);
    std::uniform_real_distribution<double> b(-1.5, 1.5);
    for (int n = 0; n < 100; ++n) {
        const double alpha = u(rng);
        const double beta = b(rng);
        const double gamma = u(rng);
        const Angles a = view_angles(rotation_matrix(alpha, beta, gamma));
        EXPECT_NEAR(a.alpha, alpha, 1e-9);
        EXPECT_NEAR(a.beta, beta, 1e-9);
        EXPECT_NEAR(a.gamma, gamma, 1e-9);
    }
}

TEST(view_angles, gimbal_case_folds_alpha_into_gamma)
{
    const Mat3 m = rotation_matrix(0.3, half_pi, 0.5);
    ASSERT_EQ(m[2][0], 1.0) << "sin of the program's pi/2 rounds to exactly 1";
    const Angles a = view_angles(m);
    EXPECT_EQ(a.alpha, 0.0);
    EXPECT_EQ(a.beta, half_pi);
    EXPECT_NEAR(a.gamma, 0.8, 1e-9);
}

TEST(direction_angles, put_the_direction_on_row_three)
{
    Angles a = direction_angles({0, 1, 0});
    EXPECT_EQ(a.alpha, -half_pi);
    EXPECT_EQ(a.beta, 0.0);
    a = direction_angles({0, 0, 1});
    EXPECT_EQ(a.alpha, 0.0);
    EXPECT_EQ(a.beta, 0.0);
    a = direction_angles({0, 0, -1});
    EXPECT_EQ(a.alpha, -pi);
    EXPECT_EQ(a.beta, 0.0);
    a = direction_angles({1, 0, 0});
    EXPECT_EQ(a.alpha, half_pi);
    EXPECT_EQ(a.beta, half_pi);

    std::mt19937 rng(5);
    std::normal_distribution<double> g;
    for (int n = 0; n < 100; ++n) {
        Vec3 v{g(rng), g(rng), g(rng)};
        v = vec_scale(v, 1.0 / vec_length(v));
        const Angles d = direction_angles(v);
        const Mat3 m = rotation_matrix(d.alpha, d.beta, 0.0);
        expect_near(m[2], v, 1e-12);
        expect_near(mat_vec(m, v), {0, 0, 1}, 1e-12);
    }
}

TEST(project_point, centre_lands_at_the_middle_of_the_surface)
{
    RecordingSurface surface(200, 100);
    const Vec3 c{3, -4, 5};
    const Vec3 u = project_point(c, c, rotation_matrix(0.4, -0.2, 2.0));
    EXPECT_EQ(u, (Vec3{0, 0, 0}));
    const SurfacePoint p = to_surface(surface, u[0] * 7.0, u[1] * 7.0);
    EXPECT_EQ(p.x, 100.0);
    EXPECT_EQ(p.y, 50.0);
    const SurfacePoint q = to_surface(surface, 10.0, 20.0);
    EXPECT_EQ(q.x, 110.0);
    EXPECT_EQ(q.y, 30.0) << "view y grows upwards, surface y downwards";
}

TEST(helpers, cross_and_matrix_product)
{
    EXPECT_EQ(vec_cross({1, 0, 0}, {0, 1, 0}), (Vec3{0, 0, 1}));
    EXPECT_EQ(vec_cross({0, 1, 0}, {1, 0, 0}), (Vec3{0, 0, -1}));
    const Mat3 a = rotation_matrix(0.1, 0.2, 0.3);
    const Mat3 b = rotation_matrix(-0.5, 0.7, 1.1);
    const Vec3 v{1, 2, 3};
    expect_near(mat_vec(mat_mul(a, b), v), mat_vec(a, mat_vec(b, v)), 1e-14);
}

TEST(primitives, map_view_points_and_skip_what_cannot_be_drawn)
{
    RecordingSurface surface(200, 100);
    draw_line(surface, 0, 0, 10, 10, 4);
    draw_line(surface, 0, 0, 10, 10, 16);
    draw_line(surface, 0, 0, 10, 10, -1);
    draw_dot(surface, 1, 2, 15);
    draw_dot(surface, std::nan(""), 2, 1);
    draw_marker(surface, -5, 5, 0);
    draw_circle(surface, 1, 1, 3, 20);
    draw_circle(surface, 1, 1, 3, 2);
    draw_line(surface, 0, 0, HUGE_VAL, 1, 1);

    const auto lines = surface.of(Recorded::Kind::line);
    ASSERT_EQ(lines.size(), 1U) << surface.dump();
    EXPECT_EQ(lines[0].x1, 100);
    EXPECT_EQ(lines[0].y1, 50);
    EXPECT_EQ(lines[0].x2, 110);
    EXPECT_EQ(lines[0].y2, 40);
    EXPECT_EQ(lines[0].colour, 4);
    const auto pixels = surface.of(Recorded::Kind::pixel);
    ASSERT_EQ(pixels.size(), 1U);
    EXPECT_EQ(pixels[0].x1, 101);
    EXPECT_EQ(pixels[0].y1, 48);
    const auto circles = surface.of(Recorded::Kind::circle);
    ASSERT_EQ(circles.size(), 2U) << surface.dump();
    EXPECT_EQ(circles[0].r, 1.0);
    EXPECT_EQ(circles[0].x1, 95);
    EXPECT_EQ(circles[1].r, 3.0);
    EXPECT_EQ(circles[1].colour, 2);
}

TEST(primitives, stored_colour_values_round_to_palette_indices)
{
    EXPECT_EQ(palette_index(3.0), 3);
    EXPECT_EQ(palette_index(15.2), 15);
    EXPECT_EQ(palette_index(15.7), -1);
    EXPECT_EQ(palette_index(16.0), -1);
    EXPECT_EQ(palette_index(-1.0), -1);
    EXPECT_EQ(palette_index(std::nan("")), -1);
}

}  // namespace
}  // namespace tengun
