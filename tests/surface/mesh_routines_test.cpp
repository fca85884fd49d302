// The plane of three points, nearest free points, the far-side test and the seed triangle.
#include "surface/mesh_routines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

TEST(triangle_plane, unit_normal_turned_towards_the_offset_side)
{
    // Listed clockwise and counter-clockwise seen from above: the same plane z = 5 both times.
    const std::vector<Vec3> pts{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}};
    for (const auto& order : {std::array{1, 2, 3}, std::array{1, 3, 2}}) {
        TrianglePlane p;
        ASSERT_EQ(triangle_plane(pts, order[0], order[1], order[2], p), Status::ok);
        expect_vec_near(p.normal, {0, 0, 1}, 1e-15);
        EXPECT_DOUBLE_EQ(p.offset, 5.0);
        expect_vec_near(p.centroid, {1.0 / 3.0, 1.0 / 3.0, 5.0}, 1e-15);
    }
}

TEST(triangle_plane, agrees_with_the_plane_through_three_points_solved_for)
{
    // The normal n with n . x = d through the three points, from the 3 x 3 system rows = points.
    const std::vector<Vec3> pts{{3, -1, 7}, {2, 4, 1}, {-5, 2, 3}};
    TrianglePlane p;
    ASSERT_EQ(triangle_plane(pts, 1, 2, 3, p), Status::ok);
    Matrix a(3);
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c) {
            a(r, c) = pts[r][c];
        }
    }
    std::vector<double> x{1, 1, 1};
    Matrix inverse;
    ASSERT_EQ(solve_linear(a, x, inverse), Status::ok);
    const double scale = 1.0 / std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    expect_vec_near(p.normal, {x[0] * scale, x[1] * scale, x[2] * scale}, 1e-12);
    EXPECT_NEAR(p.offset, scale, 1e-12);
}

TEST(triangle_plane, plane_through_the_origin_has_a_normal)
{
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 1}, {0, 1, 0}};
    TrianglePlane p;
    ASSERT_EQ(triangle_plane(pts, 1, 2, 3, p), Status::ok);
    EXPECT_NEAR(std::abs(p.normal[0]), std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(std::abs(p.normal[2]), std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(p.offset, 0.0, 1e-15);
}

TEST(triangle_plane, collinear_or_repeated_points_have_no_plane)
{
    const std::vector<Vec3> pts{{1, 1, 1}, {2, 2, 2}, {4, 4, 4}, {1, 1, 1}, {1e6, 0, 3}};
    TrianglePlane p;
    p.offset = 42.0;
    EXPECT_EQ(triangle_plane(pts, 1, 2, 3, p), Status::error);
    EXPECT_EQ(triangle_plane(pts, 1, 4, 5, p), Status::error);
    EXPECT_EQ(p.offset, 42.0) << "left unchanged";
}

TEST(nearest_free_point, skips_labelled_and_named_points_and_prefers_the_lower_number)
{
    const std::vector<Vec3> pts{{0, 0, 1}, {0, 0, -1}, {0, 0, 1}, {0, 0, 0.5}, {0, 0, 3}};
    std::vector<double> labels{0, 0, 0, 1, 0};
    const Nearest n = nearest_free_point(pts, labels, {0, 0, 0}, 0, 0);
    EXPECT_EQ(n.index, 1) << "points 1, 2 and 3 tie; point 4 is labelled";
    EXPECT_EQ(n.distance, 1.0);
    EXPECT_EQ(nearest_free_point(pts, labels, {0, 0, 0}, 1, 2).index, 3);
    labels = {1, 1, 1, 1, 1};
    const Nearest none = nearest_free_point(pts, labels, {0, 0, 0}, 0, 0);
    EXPECT_EQ(none.index, 0);
    EXPECT_NEAR(none.distance, 1.34078079299426E+154, 1e140);
}

TEST(nearest_to_point, seed_zero_searches_from_the_origin)
{
    const std::vector<Vec3> pts{{5, 0, 0}, {1, 0, 0}, {9, 0, 0}};
    const std::vector<double> labels(3, 0.0);
    EXPECT_EQ(nearest_to_point(pts, labels, 0).index, 2);
    EXPECT_EQ(nearest_to_point(pts, labels, 3).index, 1) << "skips itself";
    EXPECT_EQ(nearest_to_midpoint(pts, labels, 1, 3).index, 2);
}

TEST(seed_triangle, from_the_seed_point_its_nearest_and_the_midpoint)
{
    // Seed 1; nearest to it is 3; nearest to 3 (skipping 3) is 1; nearest to their midpoint
    // (skipping both) is 4.
    const std::vector<Vec3> pts{{0, 0, 0}, {10, 0, 0}, {1, 0, 0}, {0.5, 2, 0}, {0.5, -3, 0}};
    const std::vector<double> labels(5, 0.0);
    const SeedTriangle s = seed_triangle(pts, labels, 1);
    EXPECT_EQ(s.a, 3);
    EXPECT_EQ(s.b, 1);
    EXPECT_EQ(s.c, 4);
    EXPECT_NEAR(s.limit, 1.0 + 2.0 * std::sqrt(4.25), 1e-12);
}

TEST(crosses_edge, far_side_near_side_and_degenerate_edges)
{
    // Edge 1 -> 2 along X, inner vertex 3 below it; 4 above (far side), 5 below, 6 on the line.
    const std::vector<Vec3> pts{{0, 0, 2},  {2, 0, 2}, {1, -1, 2}, {1.5, 1, 2},
                                {1, -3, 2}, {5, 0, 2}, {3, 0, 2}};
    double t1 = 0.0;
    double t2 = 0.0;
    ASSERT_EQ(crosses_edge(pts, 1, 2, 3, 4, t1, t2), Status::ok);
    EXPECT_NEAR(t2, 0.5, 1e-12);
    EXPECT_NEAR(t1, (1.0 + 0.5 * 0.5) / 2.0, 1e-12);
    ASSERT_EQ(crosses_edge(pts, 1, 2, 3, 5, t1, t2), Status::ok);
    EXPECT_LT(t2, 0.0) << "same side as the inner vertex";
    EXPECT_EQ(crosses_edge(pts, 1, 2, 3, 3, t1, t2), Status::error) << "k = o: no line";
    EXPECT_EQ(crosses_edge(pts, 1, 2, 7, 4, t1, t2), Status::error)
        << "inner vertex on the edge line";
    EXPECT_TRUE(EdgeTest(pts, 1, 2, 3).qualifies(4));
    EXPECT_FALSE(EdgeTest(pts, 1, 2, 3).qualifies(5));
    EXPECT_FALSE(EdgeTest(pts, 1, 2, 3).qualifies(6)) << "on the edge line, beyond b";
}

TEST(crosses_edge, works_in_planes_of_any_orientation)
{
    // The same edge configuration turned into a tilted plane through the origin.
    const Vec3 u{0.6, 0.0, 0.8};
    const Vec3 v{0.0, 1.0, 0.0};
    const auto p = [&](double a, double b) { return vec_add(vec_scale(u, a), vec_scale(v, b)); };
    const std::vector<Vec3> pts{p(0, 0), p(2, 0), p(1, -1), p(1.5, 1)};
    double t1 = 0.0;
    double t2 = 0.0;
    ASSERT_EQ(crosses_edge(pts, 1, 2, 3, 4, t1, t2), Status::ok);
    EXPECT_NEAR(t2, 0.5, 1e-12);
}

TEST(vertex_angle, angle_at_the_new_vertex)
{
    const std::vector<Vec3> pts{{-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 20, 0}, {1, 0, 0}};
    EXPECT_NEAR(vertex_angle(pts, 1, 2, 3), pi / 2.0, 1e-14);
    EXPECT_LT(vertex_angle(pts, 1, 2, 4), deg_to_rad(20.0)) << "a far point sees the edge small";
    EXPECT_EQ(vertex_angle(pts, 1, 2, 5), 0.0) << "coincides with b";
}

TEST(AngleLimit, answers_as_the_arc_cosine_compared_even_next_to_the_limit)
{
    // Cosines around each limit (the last digits included), the ends, zero and not-a-number;
    // then random pairs of normals, some a hair either side of the fold limit.
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (const double degrees : {10.0, 20.0, 45.0, 89.0}) {
        const AngleLimit limit(deg_to_rad(degrees));
        const double c = std::cos(limit.angle);
        std::vector<double> xs{-1.5, -1.0, -0.5, 0.0, 1.0, 1.5, std::nan(""), c};
        for (const double step : {1e-3, 1e-8, 1e-9, 1e-10, 1e-13, 1e-16}) {
            xs.insert(xs.end(), {c - step, c + step, std::nextafter(c, 2.0)});
        }
        for (int i = 0; i < 1000; ++i) {
            xs.push_back(u(rng));
        }
        for (const double x : xs) {
            EXPECT_EQ(limit.exceeded_by(x), arc_cos(x) > limit.angle) << degrees << " " << x;
        }
        const Vec3 n1 = vec_scale(Vec3{0.3, -0.2, 1.0}, 1.0 / vec_length(Vec3{0.3, -0.2, 1.0}));
        for (int i = 0; i < 2000; ++i) {
            Vec3 w{u(rng), u(rng), u(rng)};
            w = w - vec_scale(n1, vec_dot(w, n1));
            const double turn = limit.angle * (i % 2 == 0 ? 1.0 + 1e-12 * u(rng) : 2.0 * u(rng));
            Vec3 n2 = vec_scale(n1, std::cos(turn)) + vec_scale(w, std::sin(turn) / vec_length(w));
            if (i % 3 == 0) {
                n2 = vec_scale(n2, -1.0);
            }
            EXPECT_EQ(limit.folded_beyond(n1, n2), fold_angle(n1, n2) > limit.angle);
        }
    }
}

TEST(solve_2x2, pivots_on_the_larger_entry_and_reports_singular_systems)
{
    double x1 = 7.0;
    double x2 = 7.0;
    ASSERT_EQ(solve_2x2(1e-20, 1, 1, 1, 1, 2, x1, x2), Status::ok);
    EXPECT_NEAR(x1, 1.0, 1e-12);
    EXPECT_NEAR(x2, 1.0, 1e-12);
    EXPECT_EQ(solve_2x2(1, 2, 2, 4, 1, 1, x1, x2), Status::error);
    EXPECT_EQ(solve_2x2(0, 1, 0, 3, 1, 1, x1, x2), Status::error);
}

} // namespace
} // namespace tengun
