// Selecting points by a rectangle or polygon drawn on the view: the inside test against the
// textbook reference, edges shared by a tiling counted once, and the positions the same as the
// drawing's.
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

using testing::Recorded;
using testing::RecordingSurface;
using testing::reference_inside;

struct Probe {
    SurfacePoint p;
    bool inside;
};

struct PolygonCase {
    const char* name;
    std::vector<SurfacePoint> corners;
    std::vector<Probe> probes; // worked out by hand
};

void PrintTo(const PolygonCase& c, std::ostream* os)
{
    *os << c.name;
}

class screen_polygon : public ::testing::TestWithParam<PolygonCase> {};

TEST_P(screen_polygon, matches_the_hand_worked_points_and_the_reference_everywhere)
{
    const PolygonCase& c = GetParam();
    const ScreenPolygon polygon(c.corners);
    for (const Probe& probe : c.probes) {
        EXPECT_EQ(polygon.contains(probe.p), probe.inside) << probe.p.x << ", " << probe.p.y;
        EXPECT_EQ(reference_inside(c.corners, probe.p), probe.inside)
            << "reference at " << probe.p.x << ", " << probe.p.y;
    }
    // Every point of a quarter-millimetre grid over the polygon and around it, which puts many
    // points on edges and corners.
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const SurfacePoint v : c.corners) {
        x0 = std::min(x0, v.x);
        y0 = std::min(y0, v.y);
        x1 = std::max(x1, v.x);
        y1 = std::max(y1, v.y);
    }
    int inside = 0;
    for (double y = y0 - 1.0; y <= y1 + 1.0; y += 0.25) {
        for (double x = x0 - 1.0; x <= x1 + 1.0; x += 0.25) {
            const bool in = polygon.contains({x, y});
            ASSERT_EQ(in, reference_inside(c.corners, {x, y})) << x << ", " << y;
            inside += in ? 1 : 0;
        }
    }
    EXPECT_GT(inside, 0);
}

INSTANTIATE_TEST_SUITE_P(
    shapes, screen_polygon,
    ::testing::Values(
        // Left and top (smaller y) edges are in, right and bottom edges out.
        PolygonCase{"square",
                    {{0, 0}, {10, 0}, {10, 10}, {0, 10}},
                    {{{0, 0}, true},
                     {{10, 0}, false},
                     {{0, 10}, false},
                     {{5, 0}, true},
                     {{5, 10}, false},
                     {{0, 5}, true},
                     {{10, 5}, false},
                     {{9.99609375, 9.99609375}, true},
                     {{-0.00390625, 5}, false}}},
        // An L: the notch x > 4, y > 4 is outside; its edges belong to the notch.
        PolygonCase{"concave_l",
                    {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}},
                    {{{7, 7}, false},
                     {{2, 8}, true},
                     {{8, 2}, true},
                     {{4, 7}, false},
                     {{3.99609375, 7}, true},
                     {{7, 4}, false},
                     {{7, 3.99609375}, true},
                     {{4, 4}, false},
                     {{10, 2}, false}}},
        // A comb of three teeth, drawn clockwise: a ray from the left crosses six edges.
        PolygonCase{"comb",
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
                     {0, 10}},
                    {{{1, 3}, true},
                     {{3, 3}, false},
                     {{5, 3}, true},
                     {{7, 3}, false},
                     {{9, 3}, true},
                     {{3, 8}, true},
                     {{2, 3}, false},
                     {{4, 3}, true}}},
        // Self-crossing: the even-odd rule gives the left and right triangles.
        PolygonCase{"bow_tie",
                    {{0, 0}, {10, 10}, {10, 0}, {0, 10}},
                    {{{2, 5}, true}, {{8, 5}, true}, {{5, 2}, false}, {{5, 8}, false}}},
        PolygonCase{"slanted_triangle",
                    {{0.5, 0.25}, {9.75, 3.5}, {2.25, 8.75}},
                    {{{4, 4}, true}, {{0.5, 0.25}, false}, {{9.75, 3.5}, false}}}),
    [](const ::testing::TestParamInfo<PolygonCase>& info) { return std::string(info.param.name); });

TEST(screen_polygon, rectangle_is_half_open_whichever_corners_are_given)
{
    const std::vector<std::pair<SurfacePoint, SurfacePoint>> corner_orders{
        {{2, 3}, {7, 9}}, {{7, 9}, {2, 3}}, {{2, 9}, {7, 3}}, {{7, 3}, {2, 9}}};
    const std::vector<Probe> probes{
        {{2, 3}, true},  {{6.99609375, 8.99609375}, true}, {{7, 5}, false}, {{5, 9}, false},
        {{2, 9}, false}, {{1.99609375, 5}, false},         {{4, 3}, true}};
    for (const auto& [a, b] : corner_orders) {
        const ScreenPolygon rect = ScreenPolygon::rectangle(a, b);
        for (const Probe& probe : probes) {
            EXPECT_EQ(rect.contains(probe.p), probe.inside)
                << "corners " << a.x << "," << a.y << " " << b.x << "," << b.y << " at "
                << probe.p.x << "," << probe.p.y;
        }
    }
    // No area, no points.
    EXPECT_FALSE(ScreenPolygon::rectangle({2, 3}, {2, 9}).contains({2, 5}));
    EXPECT_FALSE(ScreenPolygon::rectangle({2, 3}, {2, 3}).contains({2, 3}));
}

TEST(screen_polygon, degenerate_polygons_and_points_enclose_nothing)
{
    const std::vector<SurfacePoint> two{{0, 0}, {10, 10}};
    EXPECT_FALSE(ScreenPolygon(two).contains({0, 0}));
    const std::vector<SurfacePoint> line{{0, 0}, {5, 5}, {10, 10}};
    EXPECT_FALSE(ScreenPolygon(line).contains({5, 5}));
    const std::vector<SurfacePoint> not_finite{{0, 0}, {NAN, 0}, {10, 10}, {0, 10}};
    EXPECT_FALSE(ScreenPolygon(not_finite).contains({1, 5}));
    const ScreenPolygon square = ScreenPolygon::rectangle({0, 0}, {10, 10});
    EXPECT_FALSE(square.contains({NAN, 5}));
    EXPECT_FALSE(square.contains({5, INFINITY}));
    // Far-away points and corners are clamped, not wrapped.
    EXPECT_FALSE(square.contains({1e300, 5}));
    EXPECT_TRUE(ScreenPolygon::rectangle({-1e300, -1e300}, {1e300, 1e300}).contains({1e4, -1e4}));
}

TEST(screen_polygon, many_cornered_polygons_agree_with_the_reference)
{
    // Star-shaped polygons of random radii: many edges per band, concave everywhere.
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> grid(0, 200 * 1024);
    for (const int corners : {5, 17, 60, 300}) {
        SCOPED_TRACE(corners);
        std::uniform_real_distribution<double> radius(20.0, 100.0);
        std::vector<SurfacePoint> star;
        for (int k = 0; k < corners; ++k) {
            const double a = 2.0 * 3.14159265358979 * k / corners;
            const double r = radius(rng);
            // On the 1/1024 mm grid, so the reference decides exactly.
            star.push_back({std::round((100 + r * std::cos(a)) * 1024) / 1024,
                            std::round((100 + r * std::sin(a)) * 1024) / 1024});
        }
        const ScreenPolygon polygon(star);
        std::vector<SurfacePoint> probes(star);
        for (int k = 0; k < corners; ++k) {
            const SurfacePoint a = star[static_cast<std::size_t>(k)];
            const SurfacePoint b = star[static_cast<std::size_t>((k + 1) % corners)];
            probes.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2}); // on the edge
        }
        for (int i = 0; i < 20000; ++i) {
            probes.push_back({grid(rng) / 1024.0, grid(rng) / 1024.0});
        }
        int inside = 0;
        for (const SurfacePoint p : probes) {
            const bool in = polygon.contains(p);
            ASSERT_EQ(in, reference_inside(star, p)) << p.x << ", " << p.y;
            inside += in ? 1 : 0;
        }
        EXPECT_GT(inside, 1000);
    }
}

TEST(screen_polygon, a_tiling_holds_every_point_exactly_once)
{
    // A 6 x 5 grid of quadrilaterals whose inner corners are moved at random to arbitrary
    // doubles: every edge is slanted and shared by two tiles.
    constexpr int nx = 6;
    constexpr int ny = 5;
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> jitter(-0.4, 0.4);
    std::vector<std::vector<SurfacePoint>> corner(nx + 1, std::vector<SurfacePoint>(ny + 1));
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            const bool inner = i > 0 && i < nx && j > 0 && j < ny;
            corner[i][j] = {10.0 * i + (inner ? 10.0 * jitter(rng) : 0.0),
                            10.0 * j + (inner ? 10.0 * jitter(rng) : 0.0)};
        }
    }
    std::vector<ScreenPolygon> tiles;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            const std::vector<SurfacePoint> quad{corner[i][j], corner[i + 1][j],
                                                 corner[i + 1][j + 1], corner[i][j + 1]};
            tiles.emplace_back(quad);
        }
    }
    // Random points, every corner, and points along every edge (which the jitter puts off the
    // grid, where rounding decides).
    std::vector<SurfacePoint> probes;
    std::uniform_real_distribution<double> ux(0.0, 10.0 * nx);
    std::uniform_real_distribution<double> uy(0.0, 10.0 * ny);
    for (int k = 0; k < 20000; ++k) {
        probes.push_back({ux(rng), uy(rng)});
    }
    std::uniform_real_distribution<double> t(0.0, 1.0);
    for (int i = 0; i <= nx; ++i) {
        for (int j = 0; j <= ny; ++j) {
            probes.push_back(corner[i][j]);
            for (const auto& [di, dj] : {std::pair{1, 0}, std::pair{0, 1}}) {
                if (i + di > nx || j + dj > ny) {
                    continue;
                }
                const SurfacePoint a = corner[i][j];
                const SurfacePoint b = corner[i + di][j + dj];
                for (int k = 0; k < 20; ++k) {
                    const double s = t(rng);
                    probes.push_back({a.x + s * (b.x - a.x), a.y + s * (b.y - a.y)});
                }
            }
        }
    }
    for (const SurfacePoint p : probes) {
        // The outer right and bottom edges belong to no tile, as to no rectangle.
        const bool within = p.x >= 0 && p.x < 10.0 * nx && p.y >= 0 && p.y < 10.0 * ny;
        int holders = 0;
        for (const ScreenPolygon& tile : tiles) {
            holders += tile.contains(p) ? 1 : 0;
        }
        ASSERT_EQ(holders, within ? 1 : 0) << p.x << ", " << p.y;
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
    s.base_point_count = s.point_count();
    s.marker_mode = 1;
    s.view_matrix = rotation_matrix(0.3, -0.7, 1.9);
    s.rotation_centre = {3, -2, 5};
    s.view_scale = 1.7;
    RecordingSurface surface(210.0, 150.0);
    draw_points(surface, s);
    const auto drawn = surface.of(Recorded::Kind::pixel);
    ASSERT_EQ(drawn.size(), s.point_count());

    const ViewPlacement placement{s.view_matrix, s.rotation_centre, s.view_scale,
                                  surface.scale_width(), surface.scale_height()};
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const SurfacePoint p = surface_position(s.points.xyz[i], placement);
        ASSERT_EQ(p.x, drawn[i].x1) << i;
        ASSERT_EQ(p.y, drawn[i].y1) << i;
    }

    const std::vector<SurfacePoint> polygon{{40, 20}, {170, 35}, {120, 80}, {150, 130}, {30, 110}};
    const ScreenPolygon shape(polygon);
    std::vector<std::uint8_t> flags(s.point_count(), 7);
    const std::size_t inside = mark_points_inside(s.points.xyz, placement, shape, flags, 1);
    std::size_t expected = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const bool in = shape.contains({drawn[i].x1, drawn[i].y1});
        expected += in ? 1 : 0;
        EXPECT_EQ(flags[i], in ? 1 : 7) << i << ": the others are left as they were";
    }
    EXPECT_EQ(inside, expected);
    EXPECT_GT(inside, 300U);
    EXPECT_LT(inside, 2700U);
}

} // namespace
} // namespace tengun
