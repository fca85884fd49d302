// Selecting by a rectangle or polygon on the view: the inside test against the textbook
// reference, shared edges counted once, and positions the same as the drawing's.
#include "view/screen_selection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "app/program_state.h"
#include "support/recording_surface.h"
#include "support/selection_reference.h"
#include "view/draw_view.h"

namespace tengun {
namespace {

using testing::reference_inside;
using Shape = std::vector<SurfacePoint>;

TEST(screen_polygon, agrees_with_the_reference_on_concave_and_crossing_shapes)
{
    std::vector<std::pair<const char*, Shape>> shapes{
        {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"l_shape", {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}}},
        {"comb",
         {{0, 0},
          {2, 0},
          {2, 6},
          {4, 6},
          {4, 0},
          {6, 0},
          {6, 6},
          {8, 6},
          {8, 0},
          {10, 0},
          {10, 10},
          {0, 10}}},
        {"bow_tie", {{0, 0}, {10, 10}, {10, 0}, {0, 10}}},
        {"star", {}}};
    for (int k = 0; k < 60; ++k) { // many edges per band; corners on the 1/1024 mm grid
        const double a = 2 * pi * k / 60, r = k % 2 == 0 ? 5.0 : 2.0 + (k % 7) * 0.4;
        shapes.back().second.push_back({std::round((5 + r * std::cos(a)) * 1024) / 1024,
                                        std::round((5 + r * std::sin(a)) * 1024) / 1024});
    }
    for (const auto& [name, shape] : shapes) {
        SCOPED_TRACE(name);
        const ScreenPolygon polygon(shape);
        int inside = 0;
        // A quarter-millimetre grid puts many points on edges and corners.
        for (double y = -1; y <= 11; y += 0.25) {
            for (double x = -1; x <= 11; x += 0.25) {
                const bool in = polygon.contains({x, y});
                ASSERT_EQ(in, reference_inside(shape, {x, y})) << x << ", " << y;
                inside += in ? 1 : 0;
            }
        }
        EXPECT_GT(inside, 100);
    }
    // Worked by hand: left and top (smaller y) edges are in, right and bottom ones out; the
    // edges of the L's notch belong to the notch; the comb's gaps are outside.
    const ScreenPolygon l_shape(shapes[1].second), comb(shapes[2].second);
    for (const auto& [p, in] : std::vector<std::pair<SurfacePoint, bool>>{{{0, 0}, true},
                                                                          {{10, 2}, false},
                                                                          {{7, 7}, false},
                                                                          {{4, 7}, false},
                                                                          {{3.99609375, 7}, true},
                                                                          {{7, 4}, false},
                                                                          {{7, 3.99609375}, true},
                                                                          {{4, 4}, false}}) {
        EXPECT_EQ(l_shape.contains(p), in) << p.x << ", " << p.y;
    }
    EXPECT_TRUE(comb.contains({5, 3}));
    EXPECT_FALSE(comb.contains({3, 3}));
    EXPECT_TRUE(comb.contains({3, 8}));
    // A rectangle is the polygon of its corners, given in any order; nothing degenerate holds.
    for (const auto& [a, b] : std::vector<std::pair<SurfacePoint, SurfacePoint>>{
             {{2, 3}, {7, 9}}, {{7, 9}, {2, 3}}, {{2, 9}, {7, 3}}}) {
        const ScreenPolygon rect = ScreenPolygon::rectangle(a, b);
        EXPECT_TRUE(rect.contains({2, 3}) && rect.contains({6.99609375, 8.99609375}));
        EXPECT_FALSE(rect.contains({7, 5}) || rect.contains({5, 9}) || rect.contains({NAN, 5}));
    }
    EXPECT_FALSE(ScreenPolygon::rectangle({2, 3}, {2, 9}).contains({2, 5}));
    EXPECT_FALSE(ScreenPolygon(Shape{{0, 0}, {5, 5}, {10, 10}}).contains({5, 5}));
    EXPECT_FALSE(ScreenPolygon(Shape{{0, 0}, {NAN, 0}, {10, 10}}).contains({1, 5}));
    EXPECT_TRUE(ScreenPolygon::rectangle({-1e300, -1e300}, {1e300, 1e300}).contains({1e4, -1e4}));
}

TEST(screen_polygon, a_tiling_holds_every_point_exactly_once)
{
    // A 6 x 5 grid of quadrilaterals with their inner corners moved at random to arbitrary
    // doubles: every inner edge is slanted and shared by two tiles.
    constexpr int nx = 6, ny = 5;
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> jitter(-4.0, 4.0), unit(0.0, 1.0);
    std::vector<std::vector<SurfacePoint>> c(nx + 1, std::vector<SurfacePoint>(ny + 1));
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            const bool inner = i > 0 && i < nx && j > 0 && j < ny;
            c[i][j] = {10.0 * i + (inner ? jitter(rng) : 0), 10.0 * j + (inner ? jitter(rng) : 0)};
        }
    }
    std::vector<ScreenPolygon> tiles;
    std::vector<SurfacePoint> probes;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            tiles.emplace_back(Shape{c[i][j], c[i + 1][j], c[i + 1][j + 1], c[i][j + 1]});
            // Corners and points along the edges, where rounding decides.
            for (const SurfacePoint b : {c[i + 1][j], c[i][j + 1]}) {
                const double s = unit(rng);
                probes.push_back(
                    {c[i][j].x + s * (b.x - c[i][j].x), c[i][j].y + s * (b.y - c[i][j].y)});
            }
            probes.push_back(c[i][j]);
        }
    }
    for (int k = 0; k < 20000; ++k) {
        probes.push_back({unit(rng) * 10 * nx, unit(rng) * 10 * ny});
    }
    for (const SurfacePoint p : probes) {
        int holders = 0;
        for (const ScreenPolygon& tile : tiles) {
            holders += tile.contains(p) ? 1 : 0;
        }
        ASSERT_EQ(holders, p.x < 10.0 * nx && p.y < 10.0 * ny ? 1 : 0) << p.x << ", " << p.y;
    }
}

TEST(mark_points_inside, selects_the_points_where_draw_points_draws_them)
{
    FormState s;
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> u(-50.0, 50.0);
    for (int i = 0; i < 3000; ++i) {
        s.points.add({u(rng), u(rng), u(rng)});
    }
    s.marker_mode = 1;
    s.view_matrix = rotation_matrix(0.3, -0.7, 1.9);
    s.rotation_centre = {3, -2, 5};
    s.view_scale = 1.7;
    testing::RecordingSurface surface(210.0, 150.0);
    draw_points(surface, s);
    const auto drawn = surface.of(testing::Recorded::Kind::pixel);
    ASSERT_EQ(drawn.size(), s.point_count());

    const ScreenPolygon shape(Shape{{40, 20}, {170, 35}, {120, 80}, {150, 130}, {30, 110}});
    const ViewPlacement placement{s.view_matrix, s.rotation_centre, s.view_scale, 210.0, 150.0};
    std::vector<std::uint8_t> flags(s.point_count(), 7);
    const std::size_t inside = mark_points_inside(s.points.xyz, placement, shape, flags, 1);
    std::size_t expected = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const SurfacePoint p = surface_position(s.points.xyz[i], placement);
        ASSERT_TRUE(p.x == drawn[i].x1 && p.y == drawn[i].y1) << i << ": drawn elsewhere";
        const bool in = shape.contains(p);
        expected += in ? 1 : 0;
        ASSERT_EQ(flags[i], in ? 1 : 7) << i << ": the others are left as they were";
    }
    EXPECT_EQ(inside, expected);
    EXPECT_GT(inside, 300U);
    EXPECT_LT(inside, 2700U);
}

} // namespace
} // namespace tengun
