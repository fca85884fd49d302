// The overlays of the sphere, arc, cylinder and line fits, on a surface of 200 x 100 mm looking
// straight down the Z axis (view point (x, y) lands at (100 + x, 50 - y) on the surface).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/recording_surface.h"
#include "view/draw_view.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

FormState empty_form(int kind)
{
    FormState s;
    s.view_matrix = mat_identity3();
    s.view_scale = 2.0;
    s.view_extent = 10.0;
    s.analysis_kind = kind;
    return s;
}

/// A frame whose third row is the Y axis: circles drawn with it lie in the X-Z plane.
Mat3 frame_across_y() { return Mat3{{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}}; }

/// The calls drawn after the coordinate axes (3 lines and 3 labels of an empty cloud).
std::vector<Recorded> overlay_calls(const RecordingSurface& surface)
{
    std::vector<Recorded> out;
    bool wide = false;
    for (const Recorded& r : surface.calls) {
        if (r.kind == Recorded::Kind::width) {
            wide = r.value == 2;
            continue;
        }
        if (wide && r.kind != Recorded::Kind::move) {
            out.push_back(r);
        }
    }
    return out;
}

void expect_at(const Recorded& r, Recorded::Kind kind, double x, double y)
{
    EXPECT_EQ(r.kind, kind) << r;
    EXPECT_NEAR(r.x1, x, 1e-12) << r;
    EXPECT_NEAR(r.y1, y, 1e-12) << r;
}

/// The 180 chords of a circle that looks like the segment x0 - w .. x0 + w at height y.
void expect_flat_circle(const std::vector<Recorded>& calls, std::size_t first, double x0,
                        double w, double y)
{
    ASSERT_GE(calls.size(), first + 180);
    double lo = 1e9;
    double hi = -1e9;
    for (std::size_t i = first; i < first + 180; ++i) {
        const Recorded& c = calls[i];
        ASSERT_EQ(c.kind, Recorded::Kind::line) << c;
        EXPECT_EQ(c.colour, 0);
        EXPECT_NEAR(c.y1, y, 1e-12);
        EXPECT_NEAR(c.y2, y, 1e-12);
        lo = std::min({lo, c.x1, c.x2});
        hi = std::max({hi, c.x1, c.x2});
    }
    EXPECT_NEAR(lo, x0 - w, 1e-9);
    EXPECT_NEAR(hi, x0 + w, 1e-9);
}

TEST(fit_overlays, sphere_marks_its_centre_and_circles_it)
{
    FormState s = empty_form(analysis_kinds::sphere);
    s.rotation_centre = {5, 0, 0};
    s.centre = {10, 3, 7};
    s.radius = 4;
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    const auto calls = overlay_calls(surface);
    ASSERT_EQ(calls.size(), 2U) << surface.dump();
    expect_at(calls[0], Recorded::Kind::circle, 110, 44);
    EXPECT_EQ(calls[0].r, 1.0);
    expect_at(calls[1], Recorded::Kind::circle, 110, 44);
    EXPECT_EQ(calls[1].r, 8.0);
    EXPECT_EQ(calls[1].colour, 0);
}

TEST(fit_overlays, arc_draws_plane_frame_marker_and_circle_in_its_plane)
{
    FormState s = empty_form(analysis_kinds::arc);
    s.rotation_centre = {5, 0, 0};
    s.axis_vector = {0, 1, 0};
    s.plane_offset = 2;
    s.fit_rotation = frame_across_y();
    s.centre = {10, 2, 0};
    s.radius = 3;
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    const auto calls = overlay_calls(surface);
    // Plane frame: x axis, "x", y axis, "y", perpendicular; then the marker and 180 chords.
    ASSERT_EQ(calls.size(), 5U + 1U + 180U) << surface.dump();
    EXPECT_EQ(calls[1].text, "x");
    EXPECT_EQ(calls[3].text, "y");
    // The perpendicular from the rotation centre (5, 0, 0) to the plane y = 2.
    EXPECT_NEAR(calls[4].x2, 100, 1e-12);
    EXPECT_NEAR(calls[4].y2, 46, 1e-12);
    expect_at(calls[5], Recorded::Kind::circle, 110, 46);
    EXPECT_EQ(calls[5].r, 1.0);
    expect_flat_circle(calls, 6, 110, 6, 46);
}

TEST(fit_overlays, cylinder_draws_its_axis_with_the_extent_and_its_circle)
{
    FormState s = empty_form(analysis_kinds::cylinder);
    s.centre = {10, 0, 0};
    s.axis_vector = {0, 1, 0};
    s.fit_rotation = frame_across_y();
    s.radius = 3;
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    const auto calls = overlay_calls(surface);
    ASSERT_EQ(calls.size(), 3U + 180U) << surface.dump();
    expect_at(calls[0], Recorded::Kind::circle, 120, 50);
    // The axis from centre - e axis to centre + e axis, the extent printed at its far end.
    expect_at(calls[1], Recorded::Kind::line, 120, 70);
    EXPECT_NEAR(calls[1].x2, 120, 1e-12);
    EXPECT_NEAR(calls[1].y2, 30, 1e-12);
    EXPECT_EQ(calls[1].colour, 0);
    EXPECT_EQ(calls[2].text, "10");
    const auto moves = surface.of(Recorded::Kind::move);
    EXPECT_NEAR(moves.back().x1, 120, 1e-12);
    EXPECT_NEAR(moves.back().y1, 30, 1e-12);
    expect_flat_circle(calls, 3, 120, 6, 50);
}

TEST(fit_overlays, line_runs_through_its_point_both_ways)
{
    FormState s = empty_form(analysis_kinds::line);
    s.line_point = {1, 2, 0};
    s.axis_vector = {0.6, 0.8, 0};
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    const auto calls = overlay_calls(surface);
    ASSERT_EQ(calls.size(), 2U) << surface.dump();
    expect_at(calls[0], Recorded::Kind::circle, 102, 46);
    expect_at(calls[1], Recorded::Kind::line, 114, 30);
    EXPECT_NEAR(calls[1].x2, 90, 1e-12);
    EXPECT_NEAR(calls[1].y2, 62, 1e-12);
    EXPECT_EQ(calls[1].colour, 0);
}

}  // namespace
}  // namespace tengun
