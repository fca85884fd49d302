// The fits of spheres, arcs and cylinders reach the least-squares feature: classic circle
// benchmarks, random partial arcs and caps against a slow reference, partial and short
// cylinders, flat clouds that fix nothing, and results already at the optimum left as they were.
#include "geometry/refine_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "geometry/arc_fit.h"
#include "geometry/cylinder_fit.h"
#include "geometry/line_fit.h"
#include "geometry/rotation.h"
#include "geometry/sphere_fit.h"
#include "support/clouds.h"
#include "support/reference_fits.h"

namespace tengun {
namespace {

using testing::expect_vec_near;
using testing::reference_sphere;

struct ArcResult {
    Status status = Status::error;
    Vec3 normal{}, foot{}, centre{};
    Mat3 frame{};
    double d = 0, radius = 0, sd = 0;
};

ArcResult arc_of(const std::vector<Vec3>& pts)
{
    ArcResult a;
    a.status = fit_arc(pts, a.normal, a.d, a.foot, a.centre, a.frame, a.radius, a.sd);
    return a;
}

std::vector<Vec3> benchmark_set(const std::string& name)
{
    std::ifstream in(std::string(TENGUN_EXTERNAL_DATA) +
                     "/fitting_reference/circle_benchmarks.csv");
    std::vector<Vec3> pts;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string set, x, y;
        if (std::getline(row, set, ',') && set == name && std::getline(row, x, ',') &&
            std::getline(row, y, ',')) {
            pts.push_back({std::stod(x), std::stod(y), 3.0});
        }
    }
    return pts;
}

TEST(fit_arc, classic_circle_benchmarks_give_the_least_squares_circle)
{
    const ArcResult ggs = arc_of(benchmark_set("GGS1994"));
    ASSERT_EQ(ggs.status, Status::ok);
    expect_vec_near(ggs.centre, {4.739782, 2.983533, 3}, 1e-6);
    EXPECT_NEAR(ggs.radius, 4.714226, 1e-6);
    EXPECT_NEAR(ggs.sd, 0.4523271, 1e-7);

    // Nearly collinear: the circle lies far below the points, its spread barely under a line's.
    const ArcResult w = arc_of(benchmark_set("CHERNOV_W"));
    ASSERT_EQ(w.status, Status::ok);
    EXPECT_NEAR(w.radius, 3283.3, 1.0);
    EXPECT_NEAR(w.centre[0], 0.0, 1e-3);
    EXPECT_LT(w.centre[1], -3282.0);
    EXPECT_NEAR(w.sd, 1.0958, 1e-4);
}

/// A frame with the given normal as its third row.
Mat3 frame_for(Vec3 n)
{
    n = vec_scale(n, 1.0 / vec_length(n));
    const Angles a = direction_angles(n);
    return rotation_matrix(a.alpha, a.beta, 0.0);
}

TEST(fit_sphere, random_partial_arcs_and_sparse_caps_reach_the_optimum)
{
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 1.0);
    int arcs_at_optimum = 0;
    int caps_at_optimum = 0;
    constexpr int cases = 60;
    for (int k = 0; k < cases; ++k) {
        SCOPED_TRACE(k);
        const int n = 5 + static_cast<int>(u(rng) * 36); // 5 .. 40 points
        const double span = 0.5 + 5.8 * u(rng);          // 0.5 .. 6.3 rad
        const double radius = std::pow(10.0, 3 * u(rng) - 1);
        const double noise = radius * std::pow(10.0, -3 + 1.7 * u(rng)); // 0.1 % .. 5 %
        const Vec3 centre{100 * g(rng), 100 * g(rng), 100 * g(rng)};
        const Mat3 frame = frame_for({g(rng), g(rng), g(rng)});
        std::vector<Vec3> arc;
        for (int i = 0; i < n; ++i) {
            const double t = span * u(rng);
            const double r = radius + noise * g(rng);
            arc.push_back(vec_add(
                centre, mat_t_vec({r * std::cos(t), r * std::sin(t), noise * g(rng)}, frame)));
        }
        const ArcResult a = arc_of(arc);
        ASSERT_EQ(a.status, Status::ok);
        // The reference circle of the same points in the same plane.
        std::vector<Vec3> in_plane;
        for (const Vec3& p : arc) {
            const Vec3 q = mat_vec(a.frame, p);
            in_plane.push_back({q[0], q[1], 0});
        }
        const testing::ReferenceSphere ref = reference_sphere(in_plane, 2);
        EXPECT_LE(a.sd, ref.sd * (1 + 1e-7) + 1e-12 * radius) << "reference " << ref.sd;
        arcs_at_optimum += a.sd <= ref.sd * (1 + 1e-7) + 1e-12 * radius ? 1 : 0;

        // A cap of 6 .. 40 points up to a random polar angle.
        const int m = 6 + static_cast<int>(u(rng) * 35);
        const double polar = 0.3 + 1.5 * u(rng);
        std::vector<Vec3> cap;
        for (int i = 0; i < m; ++i) {
            const double z = std::cos(polar * std::sqrt(u(rng)));
            const double phi = 2 * pi * u(rng);
            const double s = std::sqrt(1 - z * z);
            const double r = radius + noise * g(rng);
            cap.push_back(vec_add(
                centre, mat_t_vec({r * s * std::cos(phi), r * s * std::sin(phi), r * z}, frame)));
        }
        Vec3 c{};
        double r = 0;
        double sd = 0;
        ASSERT_EQ(fit_sphere(cap, 3, c, r, sd), Status::ok);
        const testing::ReferenceSphere cref = reference_sphere(cap, 3);
        EXPECT_LE(sd, cref.sd * (1 + 1e-7) + 1e-12 * radius) << "reference " << cref.sd;
        caps_at_optimum += sd <= cref.sd * (1 + 1e-7) + 1e-12 * radius ? 1 : 0;
    }
    std::cout << "at the least-squares optimum: arcs " << arcs_at_optimum << "/" << cases
              << ", caps " << caps_at_optimum << "/" << cases << "\n";
}

/// Points on a cylinder of radius r about the axis through `base` along `axis`: angles in
/// [a0, a1], heights in [0, length], Gaussian noise on every coordinate.
std::vector<Vec3> cylinder_patch(std::size_t n, const Vec3& base, const Vec3& axis, double r,
                                 double a0, double a1, double length, double noise, unsigned seed)
{
    const Mat3 frame = frame_for(axis);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, noise);
    std::vector<Vec3> pts;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = a0 + (a1 - a0) * u(rng);
        const Vec3 local{r * std::cos(a), r * std::sin(a), length * u(rng)};
        Vec3 p = vec_add(base, mat_t_vec(local, frame));
        for (double& x : p) {
            x += noise == 0.0 ? 0.0 : g(rng);
        }
        pts.push_back(p);
    }
    return pts;
}

TEST(fit_cylinder, partial_short_and_noisy_cylinders_get_their_axis_and_radius)
{
    struct Case {
        const char* name;
        std::size_t n;
        Vec3 base, axis;
        double r, a0, a1, length, noise;
        double radius_tolerance, axis_degrees;
    };
    const Case cases[] = {
        {"half, about Z", 2000, {0, 0, 0}, {0, 0, 1}, 10, 0, pi, 12, 0.01, 0.01, 0.01},
        {"quarter, tilted",
         2000,
         {5, -3, 2},
         {1, 2, 3},
         10,
         0.3,
         0.3 + pi / 2,
         20,
         0.01,
         0.02,
         0.02},
        {"short: length half the radius",
         3000,
         {1, 2, 3},
         {0, 1, 1},
         10,
         0,
         2 * pi,
         5,
         0.01,
         0.01,
         0.02},
        {"long and full", 5000, {0, 0, 0}, {1, 0.2, -0.1}, 8, 0, 2 * pi, 80, 0.01, 0.01, 0.002},
        {"exact, a third", 500, {100, 200, 300}, {0.3, -0.2, 1}, 4, 1, 3, 6, 0, 1e-9, 1e-7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pts = cylinder_patch(c.n, c.base, c.axis, c.r, c.a0, c.a1, c.length, c.noise, 7);
        Vec3 axis{};
        Vec3 centre{};
        Mat3 frame{};
        double radius = 0;
        double sd = 0;
        ASSERT_EQ(fit_cylinder(pts, axis, centre, frame, radius, sd), Status::ok);
        const Vec3 truth = vec_scale(c.axis, 1.0 / vec_length(c.axis));
        EXPECT_LE(rad_to_deg(std::acos(std::min(1.0, std::abs(vec_dot(axis, truth))))),
                  c.axis_degrees);
        EXPECT_NEAR(radius, c.r, c.radius_tolerance);
        expect_vec_near(frame[2], axis, 1e-12);
        // The centre lies on the true axis, level with the centroid.
        const Vec3 off = vec_sub(centre, c.base);
        EXPECT_NEAR(vec_length(vec_sub(off, vec_scale(truth, vec_dot(off, truth)))), 0.0,
                    std::max(10 * c.radius_tolerance, 1e-9));
        // Two of the three noise directions lie across the axis, one along the radius.
        EXPECT_NEAR(sd, c.noise, 0.1 * c.noise + 1e-9);
    }
}

TEST(fit_sphere, results_already_at_the_optimum_keep_their_numbers)
{
    // Full spheres and circles where the Newton iteration converges: not a bit changes.
    for (const double noise : {0.0, 0.01}) {
        for (const int m : {2, 3}) {
            SCOPED_TRACE(m);
            const auto pts = testing::round_cloud(400, m, {1, 2, 3}, 10, noise, 5);
            Vec3 c1{};
            Vec3 c2{};
            double r1 = 0, r2 = 0, s1 = 0, s2 = 0;
            ASSERT_EQ(sphere_newton(pts, m, c1, r1, s1), Status::ok);
            ASSERT_EQ(fit_sphere(pts, m, c2, r2, s2), Status::ok);
            EXPECT_EQ(c1, c2);
            EXPECT_EQ(r1, r2);
            EXPECT_EQ(s1, s2);
        }
    }
    // An evenly sampled long cylinder: the principal direction is its axis, and the frame is the
    // line fit's own, axis sign included.
    std::vector<Vec3> rings;
    for (int i = 0; i <= 20; ++i) {
        for (int j = 0; j < 24; ++j) {
            const double t = 0.7 * i + j * pi / 12;
            rings.push_back({3 * std::cos(t), 3 * std::sin(t), 2.0 * i});
        }
    }
    Vec3 axis{}, centre{}, u{}, p{};
    Mat3 frame{}, line_frame{};
    double radius = 0, sd = 0, alpha = 0, beta = 0, line_sd = 0;
    ASSERT_EQ(fit_cylinder(rings, axis, centre, frame, radius, sd), Status::ok);
    ASSERT_EQ(fit_line(rings, u, p, line_frame, alpha, beta, line_sd), Status::ok);
    EXPECT_EQ(frame, line_frame);
    EXPECT_EQ(axis, u);
}

TEST(fit_sphere, flat_clouds_fix_no_sphere_but_shallow_caps_do)
{
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    // Twelve points on z = 4, and a tilted exact plane far from the origin.
    std::vector<Vec3> flat;
    for (int i = 0; i < 12; ++i) {
        flat.push_back({u(rng), u(rng), 4.0});
    }
    auto tilted =
        testing::plane_cloud(50, {3e3, -2e3, 1e3}, {1, 0.3, 0.2}, {0, 1, -0.4}, 20, 0.0, 9);
    for (const std::vector<Vec3>* pts : {&flat, &tilted}) {
        Vec3 c{7, 8, 9};
        double r = 1;
        double sd = 2;
        EXPECT_EQ(fit_sphere(*pts, 3, c, r, sd), Status::error);
        EXPECT_EQ(c, (Vec3{7, 8, 9}));
        EXPECT_EQ(r, 1);
        EXPECT_EQ(sd, 2);
        Vec3 axis{};
        Mat3 frame{};
        EXPECT_EQ(fit_cylinder(*pts, axis, c, frame, r, sd), Status::error);
        EXPECT_TRUE(flat_to_rounding(*pts, 3));
    }
    // A scan of a large sphere: 10 units across a radius of 1000, a sag of 0.0125.
    std::vector<Vec3> cap;
    std::normal_distribution<double> g(0.0, 1e-4);
    for (int i = 0; i < 200; ++i) {
        const double x = 0.5 * u(rng);
        const double y = 0.5 * u(rng);
        const double z = std::sqrt(1000.0 * 1000.0 - x * x - y * y) + g(rng);
        cap.push_back({x + 50, y - 20, z - 990});
    }
    EXPECT_FALSE(flat_to_rounding(cap, 3));
    Vec3 c{};
    double r = 0;
    double sd = 0;
    ASSERT_EQ(fit_sphere(cap, 3, c, r, sd), Status::ok);
    EXPECT_NEAR(r, 1000.0, 20.0);
    EXPECT_NEAR(sd, 1e-4, 2e-5);
}

} // namespace
} // namespace tengun
