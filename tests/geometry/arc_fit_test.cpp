#include "geometry/arc_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/rotation.h"
#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

/// Points at angles from..to (degrees) on the circle of `centre` and `radius` spanned by the
/// unit vectors e1, e2, with Gaussian noise on each coordinate.
std::vector<Vec3> arc_cloud(std::size_t n, const Vec3& centre, double radius, const Vec3& e1,
                            const Vec3& e2, double from, double to, double noise = 0.0,
                            unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = (from + (to - from) * static_cast<double>(i) /
                                     static_cast<double>(n - 1)) *
                         pi / 180;
        Vec3 p = centre + radius * std::cos(t) * e1 + radius * std::sin(t) * e2;
        if (noise > 0) {
            for (int k = 0; k < 3; ++k) {
                p[k] += noise * g(rng);
            }
        }
        pts.push_back(p);
    }
    return pts;
}

struct Arc {
    Status status = Status::error;
    Vec3 normal{};
    double d = 0;
    Vec3 foot{};
    Vec3 centre{};
    Mat3 frame{};
    double radius = 0;
    double sd = 0;
};

Arc fit(const std::vector<Vec3>& pts, const Vec3& start = {})
{
    Arc a;
    a.centre = start;
    a.status = fit_arc(pts, a.normal, a.d, a.foot, a.centre, a.frame, a.radius, a.sd);
    return a;
}

TEST(fit_arc, full_and_half_circle_in_z_3)
{
    for (const double span : {359.0, 180.0}) {
        SCOPED_TRACE(span);
        const Arc a = fit(arc_cloud(40, {1, 2, 3}, 5, {1, 0, 0}, {0, 1, 0}, 0, span));
        ASSERT_EQ(a.status, Status::ok);
        expect_vec_near(a.centre, {1, 2, 3}, 1e-9);
        EXPECT_NEAR(a.radius, 5.0, 1e-9);
        EXPECT_NEAR(a.sd, 0.0, 1e-9);
        // The plane members are the plane fit's.
        expect_vec_near(a.normal, {0, 0, 1}, 1e-12);
        EXPECT_NEAR(a.d, 3.0, 1e-12);
        expect_vec_near(a.foot, {0, 0, 3}, 1e-12);
        expect_vec_near(a.frame[2], a.normal, 1e-12);
    }
}

TEST(fit_arc, tilted_noisy_arc)
{
    const Vec3 e1{0.6, 0.8, 0};
    const Vec3 e2{-0.48, 0.36, 0.8};  // unit, across e1
    const Vec3 centre{30, -20, 45};
    const Arc a = fit(arc_cloud(10000, centre, 25, e1, e2, -40, 80, 0.01, 5));
    ASSERT_EQ(a.status, Status::ok);
    expect_vec_near(a.centre, centre, 0.002);
    EXPECT_NEAR(a.radius, 25, 0.002);
    // Two of the three noise directions lie in the plane, one of them along the radius.
    EXPECT_NEAR(a.sd, 0.01, 0.001);
    expect_vec_near(a.frame[2], a.normal, 1e-12);
    EXPECT_NEAR(std::abs(vec_dot(a.normal, vec_cross(e1, e2))), 1.0, 1e-5);
}

TEST(fit_arc, a_plane_through_the_origin_is_fitted_too)
{
    // The plane z = 0 contains the origin; the plane fit's orthogonal form handles it.
    const Arc a = fit(arc_cloud(30, {4, -3, 0}, 2, {1, 0, 0}, {0, 1, 0}, 10, 250));
    ASSERT_EQ(a.status, Status::ok);
    expect_vec_near(a.centre, {4, -3, 0}, 1e-9);
    EXPECT_NEAR(a.radius, 2.0, 1e-9);
}

TEST(fit_arc, the_circle_fit_starts_afresh)
{
    // Three points give no start estimate: the in-plane iteration starts at the frame's origin
    // whatever centre the caller held before.
    const std::vector<Vec3> pts{{1, 2 + 5, 3}, {1 + 5, 2, 3}, {1 - 3, 2 - 4, 3}};
    const Arc a = fit(pts, {0, 0, 0});
    const Arc b = fit(pts, {100, -50, 7});
    ASSERT_EQ(a.status, Status::ok);
    ASSERT_EQ(b.status, Status::ok);
    EXPECT_EQ(a.centre, b.centre);
    EXPECT_EQ(a.radius, b.radius);
}

TEST(fit_arc, failures_keep_every_output)
{
    const auto expect_kept = [](const std::vector<Vec3>& pts) {
        Arc a;
        a.normal = {1, 0, 0};
        a.d = 2;
        a.foot = {2, 0, 0};
        a.centre = {7, 8, 9};
        a.frame[0][0] = 5;
        a.radius = 3;
        a.sd = 4;
        const Arc kept = a;
        EXPECT_EQ(fit_arc(pts, a.normal, a.d, a.foot, a.centre, a.frame, a.radius, a.sd),
                  Status::error);
        EXPECT_EQ(a.normal, kept.normal);
        EXPECT_EQ(a.d, kept.d);
        EXPECT_EQ(a.foot, kept.foot);
        EXPECT_EQ(a.centre, kept.centre);
        EXPECT_EQ(a.frame, kept.frame);
        EXPECT_EQ(a.radius, kept.radius);
        EXPECT_EQ(a.sd, kept.sd);
    };
    {
        SCOPED_TRACE("points on a line fix no plane");
        expect_kept({{0, 0, 1}, {1, 1, 1}, {2, 2, 1}, {3, 3, 1}});
    }
    {
        SCOPED_TRACE("no points");
        expect_kept({});
    }
    {
        // A repeated point stops the Newton start, not the fit.
        SCOPED_TRACE("paired points coincide");
        auto pts = arc_cloud(10, {1, 2, 3}, 5, {1, 0, 0}, {0, 1, 0}, 0, 300);
        pts[5] = pts[0];
        Arc a;
        ASSERT_EQ(fit_arc(pts, a.normal, a.d, a.foot, a.centre, a.frame, a.radius, a.sd),
                  Status::ok);
        expect_vec_near(a.centre, {1, 2, 3}, 1e-9);
        EXPECT_NEAR(a.radius, 5.0, 1e-9);
    }
}

}  // namespace
}  // namespace tengun
