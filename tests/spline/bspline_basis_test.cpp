// Segment evaluators and the sampling of the second derivative along a whole curve.
#include "spline/bspline_basis.h"

#include <gtest/gtest.h>

#include <random>

#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

struct Arrays {
    std::vector<double> x, y, z;
    [[nodiscard]] ControlPolygon polygon() const { return {x, y, z}; }
};

Arrays random_arrays(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    Arrays a;
    for (std::size_t i = 0; i < n; ++i) {
        a.x.push_back(u(rng));
        a.y.push_back(u(rng));
        a.z.push_back(u(rng));
    }
    return a;
}

TEST(bspline_point, segments_join_and_ends_average_the_neighbours)
{
    const Arrays a = random_arrays(8, 1);
    const ControlPolygon c = a.polygon();
    for (int i = 1; i <= 4; ++i) {  // segment i + 1 needs control points up to i + 3
        SCOPED_TRACE(i);
        const auto idx = static_cast<std::size_t>(i);
        const Vec3 start{(a.x[idx - 1] + 4 * a.x[idx] + a.x[idx + 1]) / 6,
                         (a.y[idx - 1] + 4 * a.y[idx] + a.y[idx + 1]) / 6,
                         (a.z[idx - 1] + 4 * a.z[idx] + a.z[idx + 1]) / 6};
        expect_vec_near(bspline_point(i, 0.0, c), start, 1e-12);
        expect_vec_near(bspline_point(i, 1.0, c), bspline_point(i + 1, 0.0, c), 1e-12);
    }
    // The weights sum to one: a constant polygon gives that constant anywhere.
    const Arrays flat{std::vector<double>(5, 2.5), std::vector<double>(5, -1.0),
                      std::vector<double>(5, 7.0)};
    expect_vec_near(bspline_point(2, 0.37, flat.polygon()), {2.5, -1.0, 7.0}, 1e-14);
}

TEST(bspline_derivatives, match_differences_of_the_point_and_the_jerk_ignores_t)
{
    const Arrays a = random_arrays(7, 2);
    const ControlPolygon c = a.polygon();
    const double h = 1e-4;
    for (const double t : {0.1, 0.5, 0.83}) {
        SCOPED_TRACE(t);
        const Vec3 p0 = bspline_point(3, t - h, c);
        const Vec3 p1 = bspline_point(3, t, c);
        const Vec3 p2 = bspline_point(3, t + h, c);
        const Vec3 second = bspline_second_derivative(3, t, c);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(second[k], (p0[k] - 2 * p1[k] + p2[k]) / (h * h), 1e-5);
        }
        const Vec3 a0 = bspline_second_derivative(3, t - h, c);
        const Vec3 a2 = bspline_second_derivative(3, t + h, c);
        expect_vec_near(bspline_third_derivative(3, c), (1.0 / (2 * h)) * (a2 - a0), 1e-8);
    }
    expect_vec_near(bspline_third_derivative(3, c),
                    {-a.x[2] + 3 * a.x[3] - 3 * a.x[4] + a.x[5],
                     -a.y[2] + 3 * a.y[3] - 3 * a.y[4] + a.y[5],
                     -a.z[2] + 3 * a.z[3] - 3 * a.z[4] + a.z[5]},
                    1e-12);
}

TEST(bspline_acceleration_samples, ten_per_segment_and_the_very_end)
{
    const Arrays a = random_arrays(9, 3); // open: 6 points use 0..7, closed: 6 points 0..8
    const ControlPolygon c = a.polygon();
    const AccelerationSamples open = bspline_acceleration_samples(6, c, false);
    ASSERT_EQ(open.size(), 51U); // 10·(N−1) intervals
    ASSERT_EQ(open.y.size(), 51U);
    ASSERT_EQ(open.z.size(), 51U);
    const AccelerationSamples closed = bspline_acceleration_samples(6, c, true);
    ASSERT_EQ(closed.size(), 61U); // 10·N intervals

    const Vec3 s23 = bspline_second_derivative(3, 0.3, c);
    EXPECT_EQ(open.x[23], s23[0]);
    EXPECT_EQ(open.z[23], s23[2]);
    // The last sample is the end of the last segment, not the start of the one before.
    const Vec3 end = bspline_second_derivative(5, 1.0, c);
    EXPECT_EQ(open.x[50], end[0]);
    EXPECT_EQ(open.y[50], end[1]);
    EXPECT_NE(open.x[50], open.x[49]);
    EXPECT_EQ(closed.x[60], bspline_second_derivative(6, 1.0, c)[0]);
}

TEST(bspline_acceleration_samples, straight_even_polygon_has_none_and_no_segment_no_samples)
{
    Arrays line;
    for (int i = 0; i < 6; ++i) {
        line.x.push_back(2.0 * i - 1.0);
        line.y.push_back(0.5 * i);
        line.z.push_back(3.0);
    }
    const AccelerationSamples a = bspline_acceleration_samples(4, line.polygon(), false);
    ASSERT_EQ(a.size(), 31U);
    for (std::size_t s = 0; s < a.size(); ++s) {
        EXPECT_NEAR(a.x[s], 0.0, 1e-12);
        EXPECT_NEAR(a.y[s], 0.0, 1e-12);
        EXPECT_NEAR(a.z[s], 0.0, 1e-12);
    }
    EXPECT_EQ(bspline_acceleration_samples(1, line.polygon(), false).size(), 0U);
    EXPECT_EQ(bspline_acceleration_samples(0, line.polygon(), true).size(), 0U);
    EXPECT_EQ(bspline_segment_count(1, false), 0U);
    EXPECT_EQ(bspline_segment_count(1, true), 1U);
}

} // namespace
} // namespace tengun
