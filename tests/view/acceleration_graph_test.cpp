// The acceleration graph on Picture2, checked on the recorded primitives.
#include "view/acceleration_graph.h"

#include <gtest/gtest.h>

#include "support/recording_surface.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

/// The lines drawn in line width 2: the sample curves.
std::vector<Recorded> curve_lines(const RecordingSurface& surface)
{
    std::vector<Recorded> out;
    bool wide = false;
    for (const Recorded& r : surface.calls) {
        if (r.kind == Recorded::Kind::width) {
            wide = r.value == 2;
        } else if (wide && r.kind == Recorded::Kind::line) {
            out.push_back(r);
        }
    }
    return out;
}

std::vector<std::string> texts(const RecordingSurface& surface)
{
    std::vector<std::string> out;
    for (const Recorded& r : surface.of(Recorded::Kind::text)) {
        out.push_back(r.text);
    }
    return out;
}

TEST(graph_full_scale, rounds_the_largest_value_up_to_one_digit)
{
    const auto full = [](std::initializer_list<double> v) {
        return graph_full_scale(std::vector<double>(v));
    };
    EXPECT_DOUBLE_EQ(full({0.01, -0.0347}), 0.04);
    EXPECT_DOUBLE_EQ(full({250, 3}), 300);
    EXPECT_DOUBLE_EQ(full({-7}), 7);
    EXPECT_DOUBLE_EQ(full({1000}), 1000);
    EXPECT_DOUBLE_EQ(full({-12}), 20);
    EXPECT_DOUBLE_EQ(full({0.00011}), 0.0002);
    EXPECT_EQ(full({0.00005, 0}), 0.0001);
    EXPECT_EQ(full({}), 0.0001);
}

TEST(draw_acceleration_graph, axes_grid_and_a_flat_graph_on_the_axis)
{
    RecordingSurface surface(200, 60);
    AccelerationSamples flat;
    flat.x.assign(31, 0.0);
    flat.y.assign(31, 0.0);
    flat.z.assign(31, 0.0);
    draw_acceleration_graph(surface, flat);
    ASSERT_FALSE(surface.calls.empty());
    EXPECT_EQ(surface.calls.front().kind, Recorded::Kind::clear);

    const auto lines = surface.of(Recorded::Kind::line);
    const auto styles = surface.line_styles();
    ASSERT_GE(lines.size(), 11U) << surface.dump();
    // Horizontal axis from the right to 5 mm from the left edge, "0" printed at its end.
    EXPECT_EQ(lines[0].x1, 190);
    EXPECT_EQ(lines[0].x2, 5);
    EXPECT_EQ(lines[0].y1, 30);
    EXPECT_EQ(lines[0].colour, 0);
    ASSERT_EQ(surface.of(Recorded::Kind::text).front().text, "0");
    EXPECT_EQ(surface.of(Recorded::Kind::text).front().x1, 5);
    // The three vertical scale axes, full height, blue, green and red.
    EXPECT_EQ(lines[1].x1, 10);
    EXPECT_EQ(lines[1].y1, 60);
    EXPECT_EQ(lines[1].y2, 0);
    EXPECT_EQ(lines[1].colour, 1);
    EXPECT_EQ(lines[2].x1, 180);
    EXPECT_EQ(lines[2].colour, 2);
    EXPECT_EQ(lines[3].x1, 190);
    EXPECT_EQ(lines[3].colour, 4);
    const auto circles = surface.of(Recorded::Kind::circle);
    ASSERT_EQ(circles.size(), 1U);
    EXPECT_EQ(circles[0].x1, 10);
    EXPECT_EQ(circles[0].y1, 30);
    EXPECT_EQ(circles[0].r, 2);
    EXPECT_EQ(circles[0].colour, 1);
    // Seven dotted grid lines: four across at ±0.42·H, ±0.21·H, three upright.
    for (std::size_t i = 4; i < 11; ++i) {
        EXPECT_EQ(styles[i], LineStyle::dotted) << i;
    }
    EXPECT_EQ(lines[4].x1, 2);
    EXPECT_NEAR(lines[4].y1, 30 - 25.2, 1e-12);
    EXPECT_NEAR(lines[7].y1, 30 + 12.6, 1e-12);
    EXPECT_EQ(lines[8].x1, 10 + 42.5);
    EXPECT_EQ(lines[10].x1, 10 + 127.5);
    EXPECT_EQ(styles[11], LineStyle::solid);

    // Full scale 0.0001 everywhere, every curve on the horizontal axis.
    const auto labels = texts(surface);
    ASSERT_EQ(labels.size(), 13U);
    EXPECT_EQ(labels[1], "0.0001");
    EXPECT_EQ(labels[2], "-0.0001");
    EXPECT_EQ(labels[3], "5E-05");
    EXPECT_EQ(labels[12], "-5E-05");
    const auto curves = curve_lines(surface);
    ASSERT_EQ(curves.size(), 90U); // 30 intervals, three coordinates
    for (const Recorded& r : curves) {
        EXPECT_EQ(r.y1, 30);
        EXPECT_EQ(r.y2, 30);
    }
    EXPECT_EQ(surface.calls.back().kind, Recorded::Kind::width);
    EXPECT_EQ(surface.calls.back().value, 1);
}

TEST(draw_acceleration_graph, each_curve_on_its_own_scale)
{
    RecordingSurface surface(200, 60);
    AccelerationSamples a;
    a.x = {0, 1, -2};
    a.y = {0, 0, 0};
    a.z = {3, 3, 3};
    draw_acceleration_graph(surface, a);
    const auto curves = curve_lines(surface);
    ASSERT_EQ(curves.size(), 6U) << surface.dump();
    // X: full scale 2, k = 0.42·60 / 2 = 12.6, dx = 170 / 2.
    EXPECT_EQ(curves[0].x1, 10);
    EXPECT_EQ(curves[0].x2, 95);
    EXPECT_NEAR(curves[0].y2, 30 - 12.6, 1e-12);
    EXPECT_NEAR(curves[1].y2, 30 + 25.2, 1e-12);
    EXPECT_EQ(curves[1].colour, 1);
    EXPECT_EQ(curves[2].colour, 2);
    // Z: constant 3 with full scale 3 runs along the outer grid line.
    EXPECT_NEAR(curves[4].y1, 30 - 25.2, 1e-12);
    EXPECT_EQ(curves[5].colour, 4);

    const auto labels = texts(surface);
    ASSERT_EQ(labels.size(), 13U);
    EXPECT_EQ((std::vector<std::string>(labels.begin() + 1, labels.begin() + 5)),
              (std::vector<std::string>{"2", "-2", "1", "-1"}));
    EXPECT_EQ((std::vector<std::string>(labels.begin() + 9, labels.end())),
              (std::vector<std::string>{"3", "-3", "1.5", "-1.5"}));
    // Ticks: X leftwards from the left axis, Y and Z rightwards of theirs.
    const auto lines = surface.of(Recorded::Kind::line);
    const Recorded& x_tick = lines[11];
    EXPECT_EQ(x_tick.x1, 10);
    EXPECT_EQ(x_tick.x2, 2);
    const Recorded& y_tick = lines[15];
    EXPECT_EQ(y_tick.x1, 183);
    EXPECT_EQ(y_tick.x2, 180);
    const Recorded& z_tick = lines[19];
    EXPECT_EQ(z_tick.x1, 193);
    EXPECT_EQ(z_tick.x2, 190);
    EXPECT_NEAR(z_tick.y1, 30 - 25.2, 1e-12);
}

TEST(draw_acceleration_graph, a_curve_without_a_segment_gets_the_axes_only)
{
    for (const std::size_t samples : {0U, 1U}) {
        SCOPED_TRACE(samples);
        RecordingSurface surface(200, 60);
        AccelerationSamples a;
        a.x.assign(samples, 5.0);
        a.y.assign(samples, 5.0);
        a.z.assign(samples, 5.0);
        draw_acceleration_graph(surface, a);
        EXPECT_EQ(surface.of(Recorded::Kind::line).size(), 11U) << surface.dump();
        EXPECT_EQ(texts(surface), std::vector<std::string>{"0"});
        EXPECT_TRUE(curve_lines(surface).empty());
    }
}

TEST(bspline_acceleration, draws_ten_intervals_per_segment)
{
    const std::vector<double> x{-1, 0, 1, 3, 6, 9}; // open curve of 4 points
    const std::vector<double> zero(6, 0.0);
    RecordingSurface open(200, 60);
    bspline_acceleration(open, 4, {x, zero, zero}, false);
    EXPECT_EQ(curve_lines(open).size(), 90U);
    // Closed curve of 5 points: control points 0..N+2, wrapped at both ends.
    const std::vector<double> closed_x{6, -1, 0, 1, 3, 6, -1, 0};
    const std::vector<double> closed_zero(8, 0.0);
    RecordingSurface closed(200, 60);
    bspline_acceleration(closed, 5, {closed_x, closed_zero, closed_zero}, true);
    EXPECT_EQ(curve_lines(closed).size(), 150U);
    RecordingSurface single(200, 60);
    single_spline_acceleration(single, std::vector<double>{0, 1}, std::vector<double>{0, 0, 1},
                               std::vector<double>{1});
    EXPECT_EQ(curve_lines(single).size(), 300U);
}

} // namespace
} // namespace tengun
