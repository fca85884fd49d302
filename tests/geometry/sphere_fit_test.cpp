#include "geometry/sphere_fit.h"

#include "geometry/cylinder_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;
using testing::round_cloud;

/// The objective straight from its definition, holding every distance and derivative.
SphereEvaluation plain_objective(const std::vector<Vec3>& pts, int m, const Vec3& c)
{
    const std::size_t n = pts.size();
    const double count = static_cast<double>(n);
    std::vector<double> d(n);
    std::vector<std::array<double, 3>> jac(n);
    std::vector<Mat3> second(n);
    double r = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double sq = 0;
        for (int j = 0; j < m; ++j) {
            sq += (c[j] - pts[i][j]) * (c[j] - pts[i][j]);
        }
        d[i] = std::sqrt(sq);
        r += d[i] / count;
    }
    Vec3 jm{};
    Mat3 dm{};
    for (std::size_t i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            jac[i][j] = (c[j] - pts[i][j]) / d[i];
            jm[j] += jac[i][j] / count;
            for (int k = 0; k < m; ++k) {
                second[i][j][k] = -(c[j] - pts[i][j]) * (c[k] - pts[i][k]) / std::pow(d[i], 3) +
                                  (j == k ? 1.0 / d[i] : 0.0);
                dm[j][k] += second[i][j][k] / count;
            }
        }
    }
    SphereEvaluation e;
    e.radius = r;
    double ss = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ss += (d[i] - r) * (d[i] - r);
        for (int j = 0; j < m; ++j) {
            e.gradient[j] += 2 * (jac[i][j] - jm[j]) * (d[i] - r);
            for (int k = 0; k < m; ++k) {
                e.hessian[j][k] += 2 * ((jac[i][j] - jm[j]) * (jac[i][k] - jm[k]) +
                                        (d[i] - r) * (second[i][j][k] - dm[j][k]));
            }
        }
    }
    e.sd = std::sqrt(ss / count);
    e.gradient_length = vec_length(e.gradient);
    return e;
}

struct Fit {
    Status status = Status::error;
    Vec3 centre{};
    double radius = 0;
    double sd = 0;
};

Fit fit(const std::vector<Vec3>& pts, int m, Vec3 start = {})
{
    Fit f;
    f.centre = start;
    f.status = fit_sphere(pts, m, f.centre, f.radius, f.sd);
    return f;
}

TEST(fit_sphere, recovers_sampled_sphere_and_circle)
{
    const Fit s = fit(round_cloud(200, 3, {1, 2, 3}, 10, 0, 1), 3);
    ASSERT_EQ(s.status, Status::ok);
    expect_vec_near(s.centre, {1, 2, 3}, 1e-9);
    EXPECT_NEAR(s.radius, 10.0, 1e-9);
    EXPECT_NEAR(s.sd, 0.0, 1e-9);

    // m = 2 reads only x and y and leaves the third component of the centre alone.
    const Fit c = fit(round_cloud(50, 2, {1, 2, 0}, 5, 0, 2), 2, {0, 0, 7});
    ASSERT_EQ(c.status, Status::ok);
    expect_vec_near(c.centre, {1, 2, 7}, 1e-9);
    EXPECT_NEAR(c.radius, 5.0, 1e-9);
    EXPECT_NEAR(c.sd, 0.0, 1e-9);
}

TEST(fit_sphere, noisy_clouds_come_back_within_a_few_noise_units)
{
    for (const int m : {3, 2}) {
        SCOPED_TRACE(m);
        const Vec3 centre{-40, 25, m == 3 ? 300.0 : 0.0};
        const Fit f = fit(round_cloud(10000, m, centre, 10, 0.01, 3), m);
        ASSERT_EQ(f.status, Status::ok);
        for (int k = 0; k < m; ++k) {
            EXPECT_NEAR(f.centre[k], centre[k], 0.003) << k;
        }
        EXPECT_NEAR(f.radius, 10.0, 0.003);
        EXPECT_NEAR(f.sd, 0.01, 0.001);
    }
}

TEST(fit_sphere, a_cap_converges_too)
{
    // The upper 60 degrees of a sphere, as a scanner sees it from above.
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<Vec3> pts;
    for (int i = 0; i < 500; ++i) {
        const double phi = 2 * pi * u(rng);
        const double z = 0.5 + 0.5 * u(rng);
        const double r = std::sqrt(1 - z * z);
        pts.push_back({1 + 10 * r * std::cos(phi), 2 + 10 * r * std::sin(phi), 3 + 10 * z});
    }
    const Fit f = fit(pts, 3);
    ASSERT_EQ(f.status, Status::ok);
    expect_vec_near(f.centre, {1, 2, 3}, 1e-8);
    EXPECT_NEAR(f.radius, 10.0, 1e-8);
}

TEST(fit_sphere, three_points_fix_no_sphere_but_newton_keeps_its_start)
{
    // Every centre on the Z axis is equally good for three points around it: the fit reports no
    // sphere, while the Newton iteration on its own keeps the centre it starts from.
    const std::vector<Vec3> pts{{10, 0, 0}, {0, 10, 0}, {-10, 0, 0}};
    for (const double z : {5.0, -3.0}) {
        SCOPED_TRACE(z);
        EXPECT_EQ(fit(pts, 3, {0, 0, z}).status, Status::error);
        Vec3 c{0, 0, z};
        double r = 0;
        double sd = 1;
        ASSERT_EQ(sphere_newton(pts, 3, c, r, sd), Status::ok);
        expect_vec_near(c, {0, 0, z}, 1e-12);
        EXPECT_NEAR(r, std::sqrt(100 + z * z), 1e-12);
        EXPECT_NEAR(sd, 0.0, 1e-12);
    }
}

TEST(fit_sphere, failures_keep_the_results_and_what_newton_cannot_start_is_still_fitted)
{
    const auto expect_kept = [](const std::vector<Vec3>& pts, int m, const Vec3& start) {
        Vec3 centre = start;
        double radius = 123;
        double sd = 456;
        EXPECT_EQ(fit_sphere(pts, m, centre, radius, sd), Status::error);
        EXPECT_EQ(centre, start);
        EXPECT_EQ(radius, 123);
        EXPECT_EQ(sd, 456);
    };
    {
        SCOPED_TRACE("no points, points in a plane, on a line, all equal");
        expect_kept({}, 3, {1, 2, 3});
        expect_kept({{10, 0, 0}, {0, 10, 0}, {1, 2, 3}}, 3, {1, 2, 3});
        expect_kept({{1, 1, 4}, {3, 0, 4}, {-2, 7, 4}, {5, 5, 4}, {0, 0, 4}}, 3, {1, 2, 3});
        expect_kept({{1, 1, 0}, {2, 2, 5}, {3, 3, 9}, {-4, -4, 1}}, 2, {1, 2, 3});
        expect_kept({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 3, {1, 2, 3});
    }
    {
        // A point at the Newton start centre stops the iteration, not the fit: the circle
        // through the three points.
        SCOPED_TRACE("a point at the start centre");
        const Fit f = fit({{10, 0, 0}, {0, 10, 0}, {1, 2, 99}}, 2, {1, 2, 3});
        ASSERT_EQ(f.status, Status::ok);
        for (const Vec3& p : {Vec3{10, 0, 0}, Vec3{0, 10, 0}, Vec3{1, 2, 0}}) {
            EXPECT_NEAR(std::hypot(p[0] - f.centre[0], p[1] - f.centre[1]), f.radius, 1e-9);
        }
        EXPECT_EQ(f.centre[2], 3) << "the third coordinate of a circle's centre is kept";
        EXPECT_NEAR(f.sd, 0.0, 1e-12);
    }
    {
        // Point k pairs with its own copy: no bisector start, yet the same sphere.
        SCOPED_TRACE("coinciding pairs");
        const std::vector<Vec3> ring = round_cloud(20, 3, {0, 0, 0}, 5, 0, 5);
        std::vector<Vec3> twice = ring;
        twice.insert(twice.end(), ring.begin(), ring.end());
        const Fit once = fit(ring, 3, {7, 8, 9});
        const Fit doubled = fit(twice, 3, {7, 8, 9});
        ASSERT_EQ(doubled.status, Status::ok);
        expect_vec_near(doubled.centre, once.centre, 1e-9);
        EXPECT_NEAR(doubled.radius, once.radius, 1e-9);
        EXPECT_NEAR(doubled.sd, once.sd, 1e-9);
    }
}

TEST(sphere_start, pairs_follow_the_stored_order)
{
    // N = 5 pairs (1, 3), (2, 4), (5, 1): points 1, 3, 5 at one distance from (2, -1) and
    // points 2, 4 at another make all three bisectors meet there exactly.
    const Vec3 c{2, -1, 0};
    const auto on = [&](double r, double deg) {
        const double t = deg * pi / 180;
        return Vec3{c[0] + r * std::cos(t), c[1] + r * std::sin(t), 0};
    };
    std::vector<Vec3> five{on(3, 10), on(7, 50), on(3, 130), on(7, 200), on(3, 280)};
    Vec3 centre{};
    double radius = 0;
    double sd = 0;
    ASSERT_EQ(sphere_start(five, 2, centre, radius, sd), Status::ok);
    expect_vec_near(centre, c, 1e-12);
    EXPECT_NEAR(radius, (3 * 3 + 2 * 7) / 5.0, 1e-12);

    // Pairs fail only when their own points coincide: N = 5 pairs (5, 1), not (4, 5) ...
    std::vector<Vec3> p = five;
    p[4] = p[3];
    EXPECT_EQ(sphere_start(p, 2, centre, radius, sd), Status::ok);
    p = five;
    p[4] = p[0];
    EXPECT_EQ(sphere_start(p, 2, centre, radius, sd), Status::error);
    // ... and N = 4 pairs (1, 3), (2, 4), (4, 1), not (1, 2), (2, 3) or (3, 4).
    const std::vector<Vec3> four{{0, 0, 0}, {4, 1, 0}, {5, 5, 0}, {-1, 6, 0}};
    for (const auto& [a, b, status] : {std::tuple{0, 2, Status::error},
                                       std::tuple{1, 3, Status::error},
                                       std::tuple{3, 0, Status::error},
                                       std::tuple{0, 1, Status::ok},
                                       std::tuple{1, 2, Status::ok},
                                       std::tuple{2, 3, Status::ok}}) {
        SCOPED_TRACE(::testing::Message() << "points " << a + 1 << " and " << b + 1);
        p = four;
        p[static_cast<std::size_t>(b)] = p[static_cast<std::size_t>(a)];
        Vec3 kept{9, 9, 9};
        EXPECT_EQ(sphere_start(p, 2, kept, radius, sd), status);
        if (status == Status::error) {
            EXPECT_EQ(kept, (Vec3{9, 9, 9}));
        }
    }

    // Fewer than 4 points: nothing is written.
    Vec3 untouched{1, 2, 3};
    radius = -1;
    ASSERT_EQ(sphere_start({five.data(), 3}, 2, untouched, radius, sd), Status::ok);
    EXPECT_EQ(untouched, (Vec3{1, 2, 3}));
    EXPECT_EQ(radius, -1);
}

TEST(sphere_objective, one_pass_sums_match_the_definition)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        for (const int m : {2, 3}) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << " m " << m);
            const Vec3 centre{3.0 * seed, -2.0, 50.0};
            const auto pts = round_cloud(300 * seed, m, centre, 4.0 * seed, 0.3, seed);
            const Vec3 at{centre[0] + 0.7, centre[1] - 0.4, centre[2] + 0.2};
            SphereEvaluation fast;
            ASSERT_EQ(sphere_objective(pts, m, at, fast), Status::ok);
            const SphereEvaluation plain = plain_objective(pts, m, at);
            const double scale = static_cast<double>(pts.size());
            EXPECT_NEAR(fast.radius, plain.radius, 1e-12 * plain.radius);
            EXPECT_NEAR(fast.sd, plain.sd, 1e-10 * plain.radius);
            EXPECT_NEAR(fast.gradient_length, plain.gradient_length, 1e-10 * scale);
            for (int j = 0; j < m; ++j) {
                EXPECT_NEAR(fast.gradient[j], plain.gradient[j], 1e-10 * scale) << j;
                for (int k = 0; k < m; ++k) {
                    EXPECT_NEAR(fast.hessian[j][k], plain.hessian[j][k], 1e-10 * scale)
                        << j << ',' << k;
                }
            }
        }
    }
}

TEST(sphere_newton, at_most_ten_newton_steps_while_the_gradient_shrinks)
{
    // Points on a line: the best "circle" runs off to infinity, each Newton step moves the
    // centre further out and the gradient keeps shrinking. Their bisectors are parallel, so
    // there is no start estimate and the iteration starts from the given centre.
    const std::vector<Vec3> pts{{-3, 0, 0}, {-1, 0, 0}, {2, 0, 0}, {4, 0, 0}};
    const Vec3 start{0.5, 5, 0};
    Vec3 c = start;
    SphereEvaluation e;
    ASSERT_EQ(sphere_objective(pts, 2, c, e), Status::ok);
    std::vector<Vec3> centres{c};
    for (int step = 1; step <= 11; ++step) {
        const double previous = e.gradient_length;
        newton_step(2, e.gradient, e.hessian, c);
        ASSERT_EQ(sphere_objective(pts, 2, c, e), Status::ok);
        ASSERT_LT(e.gradient_length, previous) << "step " << step;
        centres.push_back(c);
    }
    Fit f;
    f.centre = start;
    f.status = sphere_newton(pts, 2, f.centre, f.radius, f.sd);
    ASSERT_EQ(f.status, Status::ok);
    EXPECT_EQ(f.centre, centres[10]);
    EXPECT_NE(f.centre, centres[11]);
    // Radius and deviation belong to the centre before the last step.
    double r = 0;
    double sd = 0;
    sphere_radius(pts, 2, centres[9], r, sd);
    EXPECT_EQ(f.radius, r);
    EXPECT_EQ(f.sd, sd);
    // Points on a line fix no circle: the whole fit says so.
    EXPECT_EQ(fit(pts, 2, start).status, Status::error);
}

TEST(newton_step, singular_hessian_keeps_the_centre)
{
    Vec3 g{1, 2, 3};
    Vec3 c{4, 5, 6};
    Mat3 h{};
    h[0][0] = 2;  // second row and column zero
    EXPECT_EQ(newton_step(2, g, h, c), Status::error);
    EXPECT_EQ(c, (Vec3{4, 5, 6}));
    g = {1, 2, 3};
    h[1][1] = 4;
    EXPECT_EQ(newton_step(2, g, h, c), Status::ok);
    expect_vec_near(c, {3.5, 4.5, 6}, 1e-15);
    expect_vec_near(g, {0.5, 0.5, 3}, 1e-15);
}

TEST(sphere_radius, mean_distance_and_its_spread)
{
    const std::vector<Vec3> pts{{3, 0, 9}, {0, 5, -9}, {0, 0, 0.5}};
    double r = 0;
    double sd = 0;
    sphere_radius(pts, 2, {0, 0, 0}, r, sd);  // distances 3, 5, 0
    EXPECT_DOUBLE_EQ(r, 8.0 / 3.0);
    EXPECT_DOUBLE_EQ(sd, std::sqrt((1.0 / 9 + 49.0 / 9 + 64.0 / 9) / 3));
}

}  // namespace
}  // namespace tengun

namespace tengun {
namespace {

TEST(fit_sphere, a_centre_far_beyond_the_cloud_is_no_fit)
{
    // A flat arc seen along its own plane: across the fitted axis the points lie on a line, and
    // the circle's centre runs off to radii of 1e12 and more.
    std::mt19937 rng(20261207);
    std::normal_distribution<double> noise(0.0, 0.02);
    std::vector<Vec3> arc;
    for (int i = 0; i < 60; ++i) {
        const double t = 2.0 * i / 59.0;
        const double r = 25.0 + noise(rng);
        const double y = r * std::sin(t);
        arc.push_back({5.0 + r * std::cos(t), -5.0 + y * std::cos(0.5), 20.0 + y * std::sin(0.5)});
    }
    Vec3 axis{0, 0, 1};
    Vec3 centre{9, 9, 9};
    Mat3 frame = mat_identity3();
    double radius = 4;
    double sd = 0.5;
    EXPECT_EQ(fit_cylinder(arc, axis, centre, frame, radius, sd), Status::error);
    EXPECT_EQ(centre, (Vec3{9, 9, 9}));
    EXPECT_EQ(radius, 4);
    EXPECT_EQ(sd, 0.5);
    // A shallow arc of a large circle is still a circle.
    std::vector<Vec3> shallow;
    for (int i = 0; i < 20; ++i) {
        const double t = 0.002 * i;
        shallow.push_back({1000.0 * std::cos(t), 1000.0 * std::sin(t), 0.0});
    }
    ASSERT_EQ(fit_sphere(shallow, 2, centre, radius, sd), Status::ok);
    EXPECT_NEAR(radius, 1000.0, 1e-3);
}

}  // namespace
}  // namespace tengun
