// The advancing-front mesh on clouds of known shape.
#include "surface/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "geometry/rotation.h"
#include "support/surface_clouds.h"
#include "support/surface_reference.h"
#include "surface/plane_extraction.h"

#include <atomic>

namespace tengun {
namespace {

struct Mesh {
    std::vector<int> a, b, c;
    std::vector<double> tag;
    std::vector<double> labels;
    [[nodiscard]] std::size_t size() const { return a.size(); }
    [[nodiscard]] std::array<int, 3> sorted(std::size_t t) const
    {
        std::array<int, 3> v{a[t], b[t], c[t]};
        std::sort(v.begin(), v.end());
        return v;
    }
};

Mesh mesh_of(const std::vector<Vec3>& pts)
{
    Mesh m;
    m.labels.assign(pts.size(), 7.0);
    mesh_point_cloud(pts, m.labels, m.a, m.b, m.c, m.tag);
    return m;
}

double area_sum(const std::vector<Vec3>& pts, const Mesh& m)
{
    double area = 0.0;
    for (std::size_t t = 0; t < m.size(); ++t) {
        const Vec3& p = pts[m.a[t] - 1];
        area += 0.5 * vec_length(vec_cross(pts[m.b[t] - 1] - p, pts[m.c[t] - 1] - p));
    }
    return area;
}

std::vector<Vec3> grid(int nx, int ny, double z, double jitter = 0.0, unsigned seed = 1)
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

TEST(mesh_point_cloud, three_points_give_one_triangle_in_any_order)
{
    std::array<Vec3, 3> corners{Vec3{0, 0, 1}, Vec3{3, 0, 1}, Vec3{1, 2, 1}};
    std::array<int, 3> order{0, 1, 2};
    do {
        SCOPED_TRACE(::testing::Message() << order[0] << order[1] << order[2]);
        const std::vector<Vec3> pts{corners[order[0]], corners[order[1]], corners[order[2]]};
        const Mesh m = mesh_of(pts);
        ASSERT_EQ(m.size(), 1U);
        EXPECT_EQ(m.sorted(0), (std::array{1, 2, 3}));
        EXPECT_EQ(m.tag, (std::vector<double>{0}));
        EXPECT_EQ(m.labels, (std::vector<double>{1, 1, 1}));
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(mesh_point_cloud, flat_convex_quadrilateral_gives_two_triangles_covering_it)
{
    const std::vector<Vec3> pts{{0, 0, 4}, {3, 0.2, 4}, {3.4, 2.5, 4}, {-0.2, 2, 4}};
    const Mesh m = mesh_of(pts);
    ASSERT_EQ(m.size(), 2U);
    // Shoelace area of the quadrilateral.
    double twice = 0.0;
    for (std::size_t i = 0; i < 4; ++i) {
        const Vec3& p = pts[i];
        const Vec3& q = pts[(i + 1) % 4];
        twice += p[0] * q[1] - q[0] * p[1];
    }
    EXPECT_NEAR(area_sum(pts, m), 0.5 * twice, 1e-12) << "no overlap, no gap";
    EXPECT_EQ(m.labels, (std::vector<double>{1, 1, 1, 1}));
}

TEST(mesh_point_cloud, regular_grid_is_covered_exactly_once)
{
    const std::vector<Vec3> pts = grid(9, 7, 2.0);
    const Mesh m = mesh_of(pts);
    EXPECT_EQ(m.size(), 2U * 8 * 6);
    EXPECT_NEAR(area_sum(pts, m), 8.0 * 6.0, 1e-9);
    EXPECT_EQ(std::count(m.labels.begin(), m.labels.end(), 1.0), 63);
}

TEST(mesh_point_cloud, does_not_join_across_a_right_angle_crease)
{
    // An L profile: the floor z = 0 (x = 1..5) and the wall x = 0 (z = 2..6). From the floor's
    // edge row the nearest wall points lie within the distance limit, on the far side, and see
    // the edge under more than 20 degrees; only their fold of over 60 degrees keeps them out.
    // The first patch covers the floor; the wall is a patch of its own.
    std::vector<Vec3> pts;
    for (int x = 1; x <= 5; ++x) {
        for (int y = 0; y <= 5; ++y) {
            pts.push_back({double(x), double(y), 0.0});
        }
    }
    const std::size_t floor = pts.size();
    for (int z = 2; z <= 6; ++z) {
        for (int y = 0; y <= 5; ++y) {
            pts.push_back({0.0, double(y), double(z)});
        }
    }
    const std::vector<double> unlabelled(pts.size(), 0.0);
    const double limit = seed_triangle(pts, unlabelled, static_cast<int>(pts.size() / 2)).limit;
    const testing::ReferenceMesh first = testing::reference_mesh(pts, false);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(first.labels[i], i < floor ? 1.0 : 0.0) << "point " << i + 1;
    }
    const Mesh m = mesh_of(pts);
    EXPECT_EQ(count_label(1.0, m.labels), pts.size());
    EXPECT_NEAR(area_sum(pts, m), 4.0 * 5.0 + 5.0 * 4.0, 1e-9);
    for (std::size_t t = 0; t < m.size(); ++t) {
        const auto on_floor = [&](int p) { return static_cast<std::size_t>(p) <= floor; };
        EXPECT_EQ(on_floor(m.a[t]), on_floor(m.b[t])) << "triangle " << t + 1;
        EXPECT_EQ(on_floor(m.a[t]), on_floor(m.c[t])) << "triangle " << t + 1;
    }
    // The edge (1, 2, 0) -> (1, 3, 0) of the floor's border, inner side towards x = 2.
    const int a = 3;
    const int b = 4;
    const int o = 9;
    const Nearest wall = best_front_candidate(pts, first.labels, a, b, o);
    ASSERT_GT(wall.index, static_cast<int>(floor));
    EXPECT_LT(wall.distance, limit);
}

TEST(mesh_point_cloud, point_beyond_the_first_perimeter_is_never_meshed)
{
    std::vector<Vec3> pts = grid(6, 6, 1.0, 0.05);
    pts.insert(pts.begin() + 10, Vec3{2.5, 9.0, 1.0}); // 4 beyond the grid's last row
    const Mesh m = mesh_of(pts);
    EXPECT_EQ(m.labels[10], 0.0);
    for (std::size_t t = 0; t < m.size(); ++t) {
        EXPECT_NE(m.a[t], 11);
        EXPECT_NE(m.b[t], 11);
        EXPECT_NE(m.c[t], 11);
    }
    EXPECT_EQ(std::count(m.labels.begin(), m.labels.end(), 1.0), 36);
}

TEST(mesh_point_cloud, planes_through_the_origin_mesh_like_any_other)
{
    // The same jittered grid in z = 0 and z = 7, then turned so that its plane passes through
    // the origin at a slant: the same triangles every time.
    const std::vector<Vec3> offset = grid(12, 10, 7.0, 0.2, 5);
    const std::vector<Vec3> at_origin = grid(12, 10, 0.0, 0.2, 5);
    const Mat3 turn = rotation_matrix(0.4, -0.9, 0.3);
    std::vector<Vec3> slanted;
    for (const Vec3& p : at_origin) {
        slanted.push_back(mat_vec(turn, p));
    }
    const Mesh reference = mesh_of(offset);
    EXPECT_GT(reference.size(), 180U);
    for (const std::vector<Vec3>* pts :
         std::array<const std::vector<Vec3>*, 2>{&at_origin, &slanted}) {
        const Mesh m = mesh_of(*pts);
        EXPECT_EQ(m.a, reference.a);
        EXPECT_EQ(m.b, reference.b);
        EXPECT_EQ(m.c, reference.c);
    }
}

TEST(mesh_point_cloud, holds_more_than_thirty_thousand_triangles)
{
    const std::vector<Vec3> pts = grid(125, 125, 3.0, 0.1, 9);
    const Mesh m = mesh_of(pts);
    EXPECT_GT(m.size(), 30000U);
    EXPECT_EQ(m.tag.size(), m.size());
    EXPECT_NEAR(area_sum(pts, m), 124.0 * 124.0, 124.0 * 4 * 0.5) << "border jitter only";
}

TEST(mesh_point_cloud, fewer_than_three_points_keep_the_earlier_mesh)
{
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 0}};
    std::vector<double> labels{5, 5};
    std::vector<int> a{1}, b{2}, c{3};
    std::vector<double> tag{4};
    mesh_point_cloud(pts, labels, a, b, c, tag);
    EXPECT_EQ(labels, (std::vector<double>{0, 0}));
    EXPECT_EQ(a, (std::vector<int>{1}));
    EXPECT_EQ(tag, (std::vector<double>{4}));
}

TEST(mesh_point_cloud, collinear_points_stop_after_the_seed)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 7; ++i) {
        pts.push_back({1.0 * i, 2.0 * i, 3.0});
    }
    const Mesh m = mesh_of(pts);
    ASSERT_EQ(m.size(), 1U) << "the first seed triangle is kept; it has no plane to grow from, "
                               "and no further seed on a line makes a triangle";
    EXPECT_EQ(std::count(m.labels.begin(), m.labels.end(), 1.0), 3);
}

void expect_same_mesh(const Mesh& m, const testing::ReferenceMesh& ref)
{
    EXPECT_EQ(m.a, ref.a);
    EXPECT_EQ(m.b, ref.b);
    EXPECT_EQ(m.c, ref.c);
    EXPECT_EQ(m.tag, ref.tag);
    EXPECT_EQ(m.labels, ref.labels);
}

struct NamedCloud {
    const char* name;
    std::vector<Vec3> points;
};

TEST(mesh_point_cloud, random_order_scans_are_covered_patch_by_patch)
{
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    std::vector<NamedCloud> clouds;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        clouds.push_back({"box", testing::random_box_scan(box, 2500, seed, 0.01)});
        clouds.push_back({"sheet", testing::random_sheet(2000, 40, 30, seed, 2.0)});
    }
    int restarted = 0;
    for (const NamedCloud& c : clouds) {
        SCOPED_TRACE(::testing::Message() << c.name << " of " << c.points.size());
        const Mesh m = mesh_of(c.points);
        EXPECT_GE(count_label(1.0, m.labels), 0.99 * c.points.size()) << "nearly every point";
        EXPECT_GT(m.size(), c.points.size()) << "a surface, not a scatter of seed triangles";
        // No seed triangle bridges the leftovers across the surface: every triangle is about as
        // long as its neighbours.
        std::vector<double> perimeter;
        for (std::size_t t = 0; t < m.size(); ++t) {
            perimeter.push_back(point_distance(c.points, m.a[t], m.b[t]) +
                                point_distance(c.points, m.b[t], m.c[t]) +
                                point_distance(c.points, m.c[t], m.a[t]));
        }
        std::vector<double> ordered = perimeter;
        std::sort(ordered.begin(), ordered.end());
        EXPECT_LT(ordered.back(), 5.0 * ordered[ordered.size() / 2]);
        expect_same_mesh(m, testing::reference_mesh(c.points));
        const testing::ReferenceMesh first = testing::reference_mesh(c.points, false);
        restarted += count_label(0.0, first.labels) > 2 ? 1 : 0;
    }
    EXPECT_GE(restarted, 4) << "the clouds must need further patches";
}

TEST(mesh_point_cloud, leftovers_far_apart_are_not_bridged_but_a_separate_piece_is_meshed)
{
    // A sheet, three stray points 3 above it far from each other (the fold keeps them off the
    // sheet), and a small sheet of its own 50 away. A seed triangle of the three strays would
    // span the sheet, several times as long as the triangle a stray makes with the sheet below
    // it: it is not formed. The small sheet's seed triangle is as long as in the whole cloud.
    std::vector<Vec3> pts = grid(20, 20, 0.0, 0.05, 3);
    const std::size_t strays = pts.size();
    pts.push_back({2.5, 2.5, 3.0});
    pts.push_back({16.5, 3.5, 3.0});
    pts.push_back({9.5, 16.5, 3.0});
    const std::size_t apart = pts.size();
    for (const Vec3& p : grid(5, 5, 0.0, 0.05, 4)) {
        pts.push_back(p + Vec3{70.0, 0.0, 0.0});
    }
    const Mesh m = mesh_of(pts);
    expect_same_mesh(m, testing::reference_mesh(pts));
    for (std::size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(m.labels[i], i >= strays && i < apart ? 0.0 : 1.0) << "point " << i + 1;
    }
    double longest = 0.0;
    for (std::size_t t = 0; t < m.size(); ++t) {
        longest =
            std::max({longest, point_distance(pts, m.a[t], m.b[t]),
                      point_distance(pts, m.b[t], m.c[t]), point_distance(pts, m.c[t], m.a[t])});
    }
    EXPECT_LT(longest, 2.0);
}

TEST(mesh_point_cloud, clouds_the_first_patch_covers_keep_exactly_their_triangles)
{
    std::vector<NamedCloud> clouds{
        {"grid", grid(9, 7, 2.0)},
        {"jittered grid", grid(30, 20, 1.0, 0.1, 3)},
        {"jittered grid at the origin", grid(25, 25, 0.0, 0.2, 4)},
        {"quadrilateral", {{0, 0, 4}, {3, 0.2, 4}, {3.4, 2.5, 4}, {-0.2, 2, 4}}},
        {"three points", {{0, 0, 1}, {3, 0, 1}, {1, 2, 1}}},
    };
    std::vector<Vec3> wave = grid(40, 30, 0.0, 0.05, 6);
    for (Vec3& p : wave) {
        p[2] = 3.0 * std::sin(p[0] / 6.0) * std::cos(p[1] / 5.0);
    }
    clouds.push_back({"wave", wave});
    const Mat3 turn = rotation_matrix(0.3, 1.1, -0.4);
    std::vector<Vec3> turned;
    for (const Vec3& p : grid(20, 15, 5.0, 0.15, 7)) {
        turned.push_back(mat_vec(turn, p));
    }
    clouds.push_back({"turned", turned});
    for (const NamedCloud& c : clouds) {
        SCOPED_TRACE(c.name);
        const testing::ReferenceMesh first = testing::reference_mesh(c.points, false);
        ASSERT_EQ(count_label(0.0, first.labels), 0U) << "the first patch alone covers it";
        expect_same_mesh(mesh_of(c.points), first);
    }
}

} // namespace
} // namespace tengun

namespace tengun {
namespace {

TEST(mesh_point_cloud, a_run_stopped_midway_leaves_labels_and_triangles_as_they_were)
{
    const std::vector<Vec3> pts = testing::random_sheet(20000, 100, 100, 9);
    for (const bool extraction : {false, true}) {
        SCOPED_TRACE(extraction ? "extract_planes" : "mesh_point_cloud");
        std::vector<double> labels(pts.size(), 7.0);
        std::vector<int> a{1}, b{2}, c{3};
        std::vector<double> tag{5};
        int planes = 4;
        std::atomic<bool> stop{false};
        int reports = 0;
        const Progress progress{[&](double, std::string_view) { stop = ++reports == 2; }, &stop};
        const Status status = extraction
                                  ? extract_planes(pts, labels, a, b, c, tag, planes, progress)
                                  : mesh_point_cloud(pts, labels, a, b, c, tag, progress);
        EXPECT_EQ(status, Status::error);
        EXPECT_EQ(reports, 2) << "stopped at the check after the second report";
        EXPECT_EQ(labels, std::vector<double>(pts.size(), 7.0));
        EXPECT_EQ(a, (std::vector<int>{1}));
        EXPECT_EQ(c, (std::vector<int>{3}));
        EXPECT_EQ(tag, (std::vector<double>{5}));
        EXPECT_EQ(planes, 4);
    }
}

} // namespace
} // namespace tengun
