// 点群面張り as the commands run it: a valid, consistently oriented mesh whatever the sampling,
// the front's own triangles on clean scans, and the same answer whatever the cloud's place, scale,
// repeats or the number of threads.
#include "surface/surface_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "support/surface_clouds.h"
#include "surface/mesh.h"
#include "surface/point_tree.h"

namespace tengun {
namespace {

SurfaceMesh meshed(const std::vector<Vec3>& pts)
{
    SurfaceMesh m;
    std::string reason;
    EXPECT_EQ(mesh_surface(pts, m, reason), Status::ok) << reason;
    return m;
}

std::vector<Vec3> shuffled(std::vector<Vec3> pts, unsigned seed)
{
    std::mt19937 rng(seed);
    std::shuffle(pts.begin(), pts.end(), rng);
    return pts;
}

std::vector<Vec3> grid(int nx, int ny, double z, double jitter, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            pts.push_back({i + jitter * g(rng), j + jitter * g(rng), z});
        }
    }
    return pts;
}

TEST(mesh_surface, every_cloud_gives_a_manifold_mesh_oriented_alike)
{
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    const double pi_value = 3.14159265358979;
    const std::vector<std::pair<std::string, std::function<std::vector<Vec3>()>>> clouds{
        {"jittered grid in scan order", [] { return grid(40, 30, 2.0, 0.1, 1); }},
        {"lattice in random order", [] { return shuffled(grid(35, 30, 5.0, 0.0, 2), 3); }},
        {"random sheet", [] { return testing::random_sheet(5000, 70, 70, 2, 3.0); }},
        {"two sheets apart",
         [] {
             std::vector<Vec3> pts = testing::random_sheet(1500, 30, 30, 5, 1.0);
             for (const Vec3& p : testing::random_sheet(1500, 30, 30, 6, 1.0, 40.0)) {
                 pts.push_back(p);
             }
             return shuffled(pts, 7);
         }},
        {"box scanned face by face", [box] { return testing::box_scan(box, 1.5, {0, 1, 2, 3, 4, 5}, 0.01); }},
        {"box at random", [box] { return testing::random_box_scan(box, 8000, 4, 0.01); }},
        {"noisy cylinder at random",
         [pi_value] { return testing::cylinder_scan(10, 0, 2 * pi_value, 30, 50, 60, true, 11, 0.05); }},
        {"cylinder rings", [pi_value] { return testing::cylinder_scan(10, 0, 2 * pi_value, 30, 40, 60, false); }},
        {"sphere cap", [] { return testing::sphere_cap(4000, {1, 2, 3}, 10, 1.2, 13); }},
        {"frustum", [] { return testing::frustum_scan({5, 5, 0}, 20, 8, 6, 20); }},
    };
    for (const auto& [name, make] : clouds) {
        SCOPED_TRACE(name);
        const std::vector<Vec3> pts = make();
        const SurfaceMesh m = meshed(pts);
        EXPECT_EQ(m.summary.inconsistent_edges, 0U);
        EXPECT_EQ(m.summary.non_manifold_edges, 0U);
        EXPECT_EQ(m.summary.non_manifold_points, 0U);
        EXPECT_GE(static_cast<double>(m.reached), 0.995 * static_cast<double>(pts.size()));
        EXPECT_EQ(m.summary.reached, m.reached);
    }
}

TEST(mesh_surface, random_order_sphere_is_covered_once_everywhere)
{
    const Vec3 centre{1, 2, 3};
    const double r = 10.0;
    const std::vector<Vec3> pts = testing::sphere_cap(20000, centre, r, 3.14159265358979, 21);
    const SurfaceMesh m = meshed(pts);
    EXPECT_EQ(m.summary.non_manifold_edges + m.summary.inconsistent_edges, 0U);
    // Each probe direction from the centre must pass through exactly one triangle.
    std::vector<Vec3> middles;
    for (std::size_t t = 0; t < m.a.size(); ++t) {
        const Vec3 s = pts[m.a[t] - 1] + pts[m.b[t] - 1] + pts[m.c[t] - 1];
        middles.push_back(vec_scale(s - vec_scale(centre, 3.0), 1.0 / 3.0));
    }
    const PointTree tree(middles);
    std::mt19937 rng(5);
    std::normal_distribution<double> g(0.0, 1.0);
    constexpr std::size_t probes = 20000;
    constexpr std::size_t k = 24;
    std::size_t none = 0;
    std::size_t twice = 0;
    double outward = 0.0;
    for (std::size_t i = 0; i < probes; ++i) {
        Vec3 d{g(rng), g(rng), g(rng)};
        d = vec_scale(d, r / vec_length(d));
        std::uint32_t near[k];
        double d2[k];
        const std::size_t found = tree.nearest(d, k, near, d2);
        int hits = 0;
        for (std::size_t j = 0; j < found; ++j) {
            const std::size_t t = near[j];
            const Vec3 a = pts[m.a[t] - 1] - centre;
            const Vec3 b = pts[m.b[t] - 1] - centre;
            const Vec3 c = pts[m.c[t] - 1] - centre;
            const double s1 = vec_dot(vec_cross(a, b), d);
            const double s2 = vec_dot(vec_cross(b, c), d);
            const double s3 = vec_dot(vec_cross(c, a), d);
            if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) {
                hits += vec_dot(a + b + c, d) > 0.0 ? 1 : 0;
                outward += s1 + s2 + s3 > 0.0 ? 1.0 : -1.0;
            }
        }
        none += hits == 0 ? 1 : 0;
        twice += hits >= 2 ? 1 : 0;
    }
    EXPECT_LE(none, probes * 5 / 1000) << "hole share within 0.5 %";
    EXPECT_LE(twice, probes / 1000) << "area covered twice within 0.1 %";
    EXPECT_GT(outward, 0.99 * probes) << "triangles face outwards";
    EXPECT_GE(m.reached, 19900U);
}

TEST(mesh_surface, clean_scans_keep_the_fronts_triangles)
{
    std::vector<Vec3> wave = grid(40, 30, 0.0, 0.05, 6);
    for (Vec3& p : wave) {
        p[2] = 3.0 * std::sin(p[0] / 6.0) * std::cos(p[1] / 5.0);
    }
    const std::vector<std::pair<std::string, std::vector<Vec3>>> clouds{
        {"grid", grid(9, 7, 2.0, 0.0, 1)},
        {"jittered grid", grid(30, 20, 1.0, 0.1, 3)},
        {"jittered grid at the origin", grid(25, 25, 0.0, 0.2, 4)},
        {"quadrilateral", {{0, 0, 4}, {3, 0.2, 4}, {3.4, 2.5, 4}, {-0.2, 2, 4}}},
        {"three points", {{0, 0, 1}, {3, 0, 1}, {1, 2, 1}}},
        {"wave", wave},
    };
    for (const auto& [name, pts] : clouds) {
        SCOPED_TRACE(name);
        std::vector<double> labels(pts.size());
        std::vector<int> a, b, c;
        std::vector<double> tag;
        mesh_point_cloud(pts, labels, a, b, c, tag);
        const SurfaceMesh m = meshed(pts);
        EXPECT_TRUE(m.front);
        ASSERT_EQ(m.a.size(), a.size());
        std::size_t turned = 0;
        for (std::size_t t = 0; t < a.size(); ++t) {
            EXPECT_EQ(m.a[t], a[t]) << "triangle " << t + 1;
            const bool same = m.b[t] == b[t] && m.c[t] == c[t];
            EXPECT_TRUE(same || (m.b[t] == c[t] && m.c[t] == b[t])) << "triangle " << t + 1;
            turned += same ? 0 : 1;
        }
        EXPECT_LE(turned, 3U) << "only the seed and its like disagreed with their neighbours";
        EXPECT_EQ(m.summary.inconsistent_edges, 0U);
    }
}

TEST(mesh_surface, same_mesh_whatever_the_place_scale_and_threads)
{
    const std::vector<Vec3> base = testing::random_sheet(3000, 50, 40, 8, 2.0);
    const SurfaceMesh reference = meshed(base);
    const auto moved = [&](double scale, double shift) {
        std::vector<Vec3> pts;
        for (const Vec3& p : base) {
            pts.push_back({scale * p[0] + shift, scale * p[1] - shift, scale * p[2] + shift});
        }
        return pts;
    };
    // Powers of two and exact shifts give the very same triangles; other scales (the 1e155 to
    // 1e300 and 1e-80 that once crashed or gave one triangle) a mesh just as complete.
    for (const double scale : {std::ldexp(1.0, 600), std::ldexp(1.0, -700), 1024.0}) {
        for (const double shift : {0.0, 4096.0 * scale}) {
            const SurfaceMesh m = meshed(moved(scale, shift));
            EXPECT_EQ(m.a, reference.a);
            EXPECT_EQ(m.c, reference.c);
        }
    }
    for (const double scale : {1e155, 1e300, 1e-80, 1e-300}) {
        SCOPED_TRACE(scale);
        const SurfaceMesh m = meshed(moved(scale, 0.0));
        EXPECT_EQ(m.reached, reference.reached);
        EXPECT_NEAR(double(m.a.size()), double(reference.a.size()), 0.01 * reference.a.size());
        EXPECT_EQ(m.summary.non_manifold_edges + m.summary.inconsistent_edges, 0U);
    }
    for (const char* threads : {"1", "3"}) {
        ::setenv("TENGUN_THREADS", threads, 1);
        const SurfaceMesh m = meshed(base);
        EXPECT_EQ(m.a, reference.a) << threads << " threads";
        EXPECT_EQ(m.b, reference.b);
        EXPECT_EQ(m.c, reference.c);
    }
    ::unsetenv("TENGUN_THREADS");
}

TEST(mesh_surface, repeated_points_share_the_triangles_of_their_first)
{
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    const std::vector<Vec3> once = testing::random_box_scan(box, 3000, 2, 0.01);
    std::vector<Vec3> twice = once;
    twice.insert(twice.end(), once.begin(), once.end()); // the file merged with itself
    const SurfaceMesh single = meshed(once);
    const SurfaceMesh doubled = meshed(twice);
    EXPECT_EQ(doubled.merged, once.size());
    EXPECT_EQ(doubled.a, single.a);
    EXPECT_EQ(doubled.b, single.b);
    EXPECT_EQ(doubled.c, single.c);
    EXPECT_EQ(doubled.reached, 2 * single.reached);
    for (std::size_t i = 0; i < once.size(); ++i) {
        ASSERT_EQ(doubled.labels[i + once.size()], doubled.labels[i]);
    }
}

} // namespace
} // namespace tengun
