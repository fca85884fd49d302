// The single polynomial spline: normal equations, the fit, its samples and its acceleration.
#include "spline/single_spline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

/// N points on the cubic curve c(s) = (1 + 2s − s³, 3s², −s + 4s³) at s = (k−1)/(N−1).
std::vector<Vec3> cubic_points(std::size_t n)
{
    std::vector<Vec3> pts;
    for (std::size_t k = 0; k < n; ++k) {
        const double s = static_cast<double>(k) / static_cast<double>(n - 1);
        pts.push_back({1 + 2 * s - s * s * s, 3 * s * s, -s + 4 * s * s * s});
    }
    return pts;
}

TEST(single_spline_normal_equations, are_power_sums_of_the_parameter)
{
    // N = 3: s = 0, 0.5, 1; M(i, j) = Σ s^(i+j−2) with 0^0 = 1.
    const Matrix m = single_spline_normal_matrix(3, 3);
    EXPECT_EQ(m(0, 0), 3.0);
    EXPECT_EQ(m(0, 1), 1.5);
    EXPECT_EQ(m(1, 0), 1.5);
    EXPECT_EQ(m(1, 1), 1.25);
    EXPECT_EQ(m(2, 2), 1.0 + 1.0 / 16.0);
    const std::vector<Vec3> pts{{2, 0, 1}, {4, 1, 1}, {8, 0, 1}};
    const auto b = single_spline_right_side(3, pts);
    EXPECT_EQ(b[0], (std::vector<double>{14, 10, 9}));
    EXPECT_EQ(b[1], (std::vector<double>{1, 0.5, 0.25}));
    EXPECT_EQ(b[2], (std::vector<double>{3, 1.5, 1.25}));
}

TEST(fit_single_spline, degree_one_on_a_line_gives_its_direction_midpoint_and_no_deviation)
{
    std::vector<Vec3> pts;
    for (int k = 0; k < 7; ++k) {
        pts.push_back({1.0 + 2.0 * k, 2.0 - k, 3.0 + 0.5 * k});
    }
    SingleSpline fit;
    ASSERT_EQ(fit_single_spline(2, pts, fit), Status::ok);
    ASSERT_EQ(fit.x.size(), 2U);
    expect_vec_near(fit.middle, 0.5 * (pts.front() + pts.back()), 1e-12);
    const Vec3 along =
        vec_scale(pts.back() - pts.front(), 1.0 / vec_length(pts.back() - pts.front()));
    expect_vec_near(fit.tangent, along, 1e-12);
    EXPECT_NEAR(fit.line_deviation, 0.0, 1e-12);

    // Off the line: the deviation is the RMS distance from it, here 1 for every point.
    const std::vector<Vec3> around{{0, 0, 1}, {1, 0, -1}, {2, 0, -1}, {3, 0, 1}};
    ASSERT_EQ(fit_single_spline(2, around, fit), Status::ok);
    expect_vec_near(fit.tangent, {1, 0, 0}, 1e-12);
    expect_vec_near(fit.middle, {1.5, 0, 0}, 1e-12);
    EXPECT_NEAR(fit.line_deviation, 1.0, 1e-12);
}

TEST(fit_single_spline, recovers_a_cubic_and_degree_n_minus_1_passes_through_every_point)
{
    SingleSpline fit;
    ASSERT_EQ(fit_single_spline(4, cubic_points(50), fit), Status::ok);
    const std::vector<double> x{1, 2, 0, -1};
    const std::vector<double> y{0, 0, 3, 0};
    const std::vector<double> z{0, -1, 0, 4};
    for (std::size_t p = 0; p < 4; ++p) {
        EXPECT_NEAR(fit.x[p], x[p], 1e-9) << p;
        EXPECT_NEAR(fit.y[p], y[p], 1e-9) << p;
        EXPECT_NEAR(fit.z[p], z[p], 1e-9) << p;
    }
    expect_vec_near(fit.middle, {1 + 1 - 0.125, 0.75, -0.5 + 0.5}, 1e-9);
    const Vec3 d{2 - 0.75, 3.0, -1 + 3.0}; // c'(0.5)
    expect_vec_near(fit.tangent, vec_scale(d, 1.0 / vec_length(d)), 1e-9);

    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-5.0, 5.0);
    std::vector<Vec3> pts(6);
    for (Vec3& p : pts) {
        p = {u(rng), u(rng), u(rng)};
    }
    ASSERT_EQ(fit_single_spline(6, pts, fit), Status::ok);
    for (std::size_t k = 0; k < pts.size(); ++k) {
        const double s = static_cast<double>(k) / 5.0;
        expect_vec_near(
            {polynomial_value(fit.x, s), polynomial_value(fit.y, s), polynomial_value(fit.z, s)},
            pts[k], 1e-8);
    }
}

TEST(fit_single_spline, impossible_fits_fail_and_keep_the_output)
{
    SingleSpline fit;
    fit.x = {42};
    const auto pts = cubic_points(4);
    const std::vector<Vec3> one{{1, 2, 3}};
    EXPECT_EQ(fit_single_spline(5, pts, fit), Status::error); // degree 4 on 4 points
    EXPECT_EQ(fit_single_spline(1, one, fit), Status::error); // no parameter step
    EXPECT_EQ(fit_single_spline(0, pts, fit), Status::error);
    EXPECT_EQ(fit.x, std::vector<double>{42});
}

TEST(fit_single_spline, a_curve_standing_still_at_its_middle_has_no_direction)
{
    // Points symmetric about the middle: the fitted line is a constant.
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 1, 1}, {0, 0, 0}};
    SingleSpline fit;
    ASSERT_EQ(fit_single_spline(2, pts, fit), Status::ok);
    expect_vec_near(fit.tangent, {0, 0, 0}, 0.0);
    expect_vec_near(fit.middle, {1.0 / 3, 1.0 / 3, 1.0 / 3}, 1e-12);
    EXPECT_TRUE(std::isfinite(fit.line_deviation));
}

TEST(single_spline_samples, intervals_plus_one_points_from_start_to_end)
{
    const std::vector<double> x{1, 2};
    const std::vector<double> y{0, 0, 1};
    const std::vector<double> z{5};
    const auto pts = sample_single_spline(x, y, z, 50);
    ASSERT_EQ(pts.size(), 51U);
    expect_vec_near(pts.front(), {1, 0, 5}, 0.0);
    expect_vec_near(pts.back(), {3, 1, 5}, 1e-15);
    expect_vec_near(pts[10], {1.4, 0.04, 5}, 1e-15);
    EXPECT_TRUE(sample_single_spline(x, y, z, 0).empty());
}

TEST(single_spline_acceleration_samples, always_101_and_flat_below_degree_3)
{
    const std::vector<double> line{1, 2};
    const std::vector<double> parabola{0, 1, 3};
    const std::vector<double> cubic{0, 0, 1, 2};
    const AccelerationSamples a = single_spline_acceleration_samples(line, parabola, cubic);
    ASSERT_EQ(a.size(), 101U);
    ASSERT_EQ(a.z.size(), 101U);
    for (std::size_t k = 0; k <= 100; ++k) {
        EXPECT_EQ(a.x[k], 0.0);
        EXPECT_EQ(a.y[k], 6.0);
        EXPECT_NEAR(a.z[k], 2.0 + 12.0 * static_cast<double>(k) / 100.0, 1e-12);
    }
    EXPECT_EQ(a.z[100], 14.0);
}

} // namespace
} // namespace tengun
