// The B-spline whose control polygon is the cloud, and its pass points.
#include "spline/bspline_curve.h"

#include <gtest/gtest.h>

#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

TEST(bspline_curve_points, two_points_open_give_a_straight_segment)
{
    const std::vector<Vec3> pts{{1, 1, 1}, {4, 5, 1}};
    ControlPoints c;
    ASSERT_EQ(bspline_curve_points(pts, false, c), Status::ok);
    for (const double t : {0.0, 0.25, 0.5, 0.9, 1.0}) {
        SCOPED_TRACE(t);
        const Vec3 p = bspline_point(1, t, c.polygon());
        // On the line through both points, between them.
        EXPECT_NEAR((p[0] - 1.0) * 4.0 - (p[1] - 1.0) * 3.0, 0.0, 1e-12);
        EXPECT_GE(p[0], 1.0 - 1e-12);
        EXPECT_LE(p[0], 4.0 + 1e-12);
        expect_vec_near(bspline_second_derivative(1, t, c.polygon()), {0, 0, 0}, 1e-12);
    }
    expect_vec_near(bspline_point(1, 1.0, c.polygon()), pts[1], 1e-14);
}

TEST(bspline_curve_points, three_points_closed_stay_inside_the_triangle_and_close)
{
    const std::vector<Vec3> pts{{0, 0, 0}, {6, 0, 0}, {0, 6, 0}};
    ControlPoints c;
    ASSERT_EQ(bspline_curve_points(pts, true, c), Status::ok);
    ASSERT_EQ(c.x.size(), 6U);
    EXPECT_EQ(c.x[0], 0.0); // P3
    EXPECT_EQ(c.y[0], 6.0);
    EXPECT_EQ(c.x[4], 0.0); // P1
    EXPECT_EQ(c.x[5], 6.0); // P2
    const std::vector<Vec3> curve = sample_bspline_curve(c.polygon(), 3, 20, true);
    ASSERT_EQ(curve.size(), 60U);
    for (const Vec3& p : curve) {
        EXPECT_GT(p[0], 0.0);
        EXPECT_GT(p[1], 0.0);
        EXPECT_LT(p[0] + p[1], 6.0);
        for (const Vec3& q : pts) {
            EXPECT_GT(vec_length(p - q), 0.5) << "the curve passes through none of the points";
        }
    }
    expect_vec_near(bspline_point(3, 1.0, c.polygon()), bspline_point(1, 0.0, c.polygon()), 1e-14);
}

TEST(bspline_curve_points, too_few_points_leave_the_output_alone)
{
    ControlPoints c;
    c.x = {9};
    const std::vector<Vec3> one{{1, 2, 3}};
    const std::vector<Vec3> two{{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(bspline_curve_points({}, false, c), Status::error);
    EXPECT_EQ(bspline_curve_points(one, false, c), Status::error);
    EXPECT_EQ(bspline_curve_points(two, true, c), Status::error);
    EXPECT_EQ(c.x, std::vector<double>{9});
    EXPECT_EQ(bspline_curve_points(two, false, c), Status::ok);
}

TEST(sample_bspline_curve, open_curves_end_with_their_last_point_closed_ones_do_not_repeat)
{
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 2}};
    ControlPoints open;
    ControlPoints closed;
    ASSERT_EQ(bspline_curve_points(pts, false, open), Status::ok);
    ASSERT_EQ(bspline_curve_points(pts, true, closed), Status::ok);
    const auto a = sample_bspline_curve(open.polygon(), 3, 10, false);
    const auto b = sample_bspline_curve(closed.polygon(), 4, 10, true);
    ASSERT_EQ(a.size(), 31U);
    ASSERT_EQ(b.size(), 40U);
    expect_vec_near(a.front(), pts.front(), 1e-14);
    expect_vec_near(a.back(), pts.back(), 1e-14);
    expect_vec_near(a[12], bspline_point(2, 0.2, open.polygon()), 0.0);
    expect_vec_near(b[39], bspline_point(4, 0.9, closed.polygon()), 0.0);
    EXPECT_TRUE(sample_bspline_curve(open.polygon(), 0, 10, false).empty());
    EXPECT_TRUE(sample_bspline_curve(open.polygon(), 3, 0, false).empty());
}

} // namespace
} // namespace tengun
