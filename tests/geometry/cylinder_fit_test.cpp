#include "geometry/cylinder_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

/// Two unit vectors across the unit vector `axis`.
std::pair<Vec3, Vec3> across(const Vec3& axis)
{
    const Vec3 helper = std::abs(axis[0]) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 e1 = vec_sub(helper, vec_scale(axis, vec_dot(helper, axis)));
    e1 = vec_scale(e1, 1 / vec_length(e1));
    const Vec3 e2{axis[1] * e1[2] - axis[2] * e1[1], axis[2] * e1[0] - axis[0] * e1[2],
                  axis[0] * e1[1] - axis[1] * e1[0]};
    return {e1, e2};
}

/// Points on the cylinder of radius r around the axis through `base` along the unit vector
/// `axis`: `rings` rings evenly spaced over heights h0..h1, each of `per_ring` evenly spaced
/// angles turned by a golden angle from ring to ring, Gaussian noise on each coordinate. The
/// even spacing gives the cloud the cylinder's own principal axis, which the axis comes from.
std::vector<Vec3> cylinder_cloud(int rings, int per_ring, const Vec3& base, const Vec3& axis,
                                 double r, double h0, double h1, double noise, unsigned seed)
{
    const auto [e1, e2] = across(axis);
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    for (int i = 0; i < rings; ++i) {
        const double h = h0 + (h1 - h0) * i / (rings - 1);
        for (int j = 0; j < per_ring; ++j) {
            const double phi = 2.399963 * i + 2 * pi * j / per_ring;
            Vec3 p = base + h * axis + r * std::cos(phi) * e1 + r * std::sin(phi) * e2;
            for (int k = 0; k < 3; ++k) {
                p[k] += noise * g(rng);
            }
            pts.push_back(p);
        }
    }
    return pts;
}

struct Cylinder {
    Status status = Status::error;
    Vec3 axis{};
    Vec3 centre{};
    Mat3 frame{};
    double radius = 0;
    double sd = 0;
};

Cylinder fit(const std::vector<Vec3>& pts)
{
    Cylinder c;
    c.status = fit_cylinder(pts, c.axis, c.centre, c.frame, c.radius, c.sd);
    return c;
}

Vec3 centroid(const std::vector<Vec3>& pts)
{
    Vec3 m{};
    for (const Vec3& p : pts) {
        m = m + vec_scale(p, 1.0 / static_cast<double>(pts.size()));
    }
    return m;
}

TEST(fit_cylinder, about_the_z_axis_with_the_axis_point_at_the_mean_height)
{
    // Rings over 0..20, more of them near the bottom: the mean height is not the middle.
    auto pts = cylinder_cloud(21, 24, {0, 0, 0}, {0, 0, 1}, 2, 0, 20, 0, 1);
    const auto low = cylinder_cloud(5, 24, {0, 0, 0}, {0, 0, 1}, 2, 0, 2, 0, 1);
    pts.insert(pts.end(), low.begin(), low.end());
    const Cylinder c = fit(pts);
    ASSERT_EQ(c.status, Status::ok);
    EXPECT_NEAR(std::abs(c.axis[2]), 1.0, 1e-12);
    EXPECT_NEAR(c.radius, 2.0, 1e-9);
    EXPECT_NEAR(c.sd, 0.0, 1e-9);
    const double mean_z = centroid(pts)[2];
    EXPECT_LT(mean_z, 9.0);
    expect_vec_near(c.centre, {0, 0, mean_z}, 1e-9);
    // The frame turns the axis onto Z.
    const Vec3 z = mat_vec(c.frame, c.axis);
    EXPECT_NEAR(std::abs(z[2]), 1.0, 1e-12);
}

TEST(fit_cylinder, tilted_noisy_cylinder)
{
    const Vec3 axis{0, 0.6, 0.8};
    const Vec3 base{10, 0, 0};
    const auto pts = cylinder_cloud(100, 100, base, axis, 8, -20, 20, 0.01, 2);
    const Cylinder c = fit(pts);
    ASSERT_EQ(c.status, Status::ok);
    EXPECT_NEAR(std::abs(vec_dot(c.axis, axis)), 1.0, 1e-6);
    // The axis point: on the true axis, level with the centroid.
    const Vec3 m = centroid(pts);
    const Vec3 expected = base + vec_dot(vec_sub(m, base), axis) * axis;
    expect_vec_near(c.centre, expected, 0.003);
    EXPECT_NEAR(vec_dot(vec_sub(c.centre, m), c.axis), 0.0, 1e-9);
    EXPECT_NEAR(c.radius, 8.0, 0.002);
    // Two of the three noise directions lie across the axis, one of them along the radius.
    EXPECT_NEAR(c.sd, 0.01, 0.001);
}

TEST(fit_cylinder, a_short_ring_gets_its_own_axis)
{
    // Diameter 20, length 1: the principal direction lies in the ring's plane, the least-squares
    // axis does not.
    const auto pts = cylinder_cloud(5, 100, {0, 0, 0}, {0, 0, 1}, 10, 0, 1, 0, 3);
    const Cylinder c = fit(pts);
    ASSERT_EQ(c.status, Status::ok);
    EXPECT_NEAR(std::abs(c.axis[2]), 1.0, 1e-12);
    EXPECT_NEAR(c.radius, 10.0, 1e-9);
}

TEST(fit_cylinder, failures_keep_every_output)
{
    const auto expect_kept = [](const std::vector<Vec3>& pts) {
        Cylinder c;
        c.axis = {1, 0, 0};
        c.centre = {7, 8, 9};
        c.frame[1][1] = 3;
        c.radius = 3;
        c.sd = 4;
        const Cylinder kept = c;
        EXPECT_EQ(fit_cylinder(pts, c.axis, c.centre, c.frame, c.radius, c.sd), Status::error);
        EXPECT_EQ(c.axis, kept.axis);
        EXPECT_EQ(c.centre, kept.centre);
        EXPECT_EQ(c.frame, kept.frame);
        EXPECT_EQ(c.radius, kept.radius);
        EXPECT_EQ(c.sd, kept.sd);
    };
    {
        SCOPED_TRACE("no points");
        expect_kept({});
    }
    {
        SCOPED_TRACE("a ring in one plane");
        expect_kept(cylinder_cloud(1, 40, {1, 2, 3}, {0.6, 0, 0.8}, 10, 0, 0, 0, 3));
    }
    {
        // Paired points that coincide across the axis stop the first estimate, not the fit.
        SCOPED_TRACE("two equal rings");
        std::vector<Vec3> pts;
        for (const double z : {0.0, 30.0}) {
            for (const Vec3& p : {Vec3{3, 0, z}, Vec3{0, 3, z}, Vec3{-3, 0, z}, Vec3{0, -3, z}}) {
                pts.push_back(p);
            }
        }
        const Cylinder c = fit(pts);
        ASSERT_EQ(c.status, Status::ok);
        EXPECT_NEAR(std::abs(c.axis[2]), 1.0, 1e-12);
        EXPECT_NEAR(c.radius, 3.0, 1e-9);
        expect_vec_near(c.centre, {0, 0, 15}, 1e-9);
    }
}

}  // namespace
}  // namespace tengun
