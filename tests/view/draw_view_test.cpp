#include "view/draw_view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/recording_surface.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

/// A form looking straight down the Z axis at scale 1 with the given points.
FormState flat_form(std::initializer_list<Vec3> pts, std::size_t base)
{
    FormState s;
    for (const Vec3& p : pts) {
        s.points.add(p);
    }
    s.base_point_count = base;
    s.view_matrix = mat_identity3();
    s.view_scale = 1.0;
    s.view_extent = 10.0;
    return s;
}

std::vector<Recorded> lines_of_colour(const RecordingSurface& surface, int colour)
{
    std::vector<Recorded> out;
    for (const Recorded& r : surface.of(Recorded::Kind::line)) {
        if (r.colour == colour) {
            out.push_back(r);
        }
    }
    return out;
}

TEST(draw_points, three_points_of_one_run)
{
    FormState s = flat_form({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, 3);
    RecordingSurface surface(200, 100);
    draw_points(surface, s);
    const auto circles = surface.of(Recorded::Kind::circle);
    ASSERT_EQ(circles.size(), 3U) << surface.dump();
    EXPECT_EQ(circles[0].colour, 0) << "the first point's colour is never decided";
    EXPECT_EQ(circles[1].colour, 1);
    EXPECT_EQ(circles[2].colour, 1);
    EXPECT_EQ(circles[1].x1, 110);
    EXPECT_EQ(circles[2].y1, 40);
    const auto blue = lines_of_colour(surface, 1);
    // Two blue lines 1-2 and 2-3, then the blue X axis.
    ASSERT_EQ(blue.size(), 3U) << surface.dump();
    EXPECT_EQ(blue[0].x1, 100);
    EXPECT_EQ(blue[0].x2, 110);
    EXPECT_EQ(blue[1].y2, 40);
}

TEST(draw_points, merged_points_start_a_green_run)
{
    FormState s = flat_form({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, 2);
    RecordingSurface surface(200, 100);
    draw_points(surface, s);
    const auto circles = surface.of(Recorded::Kind::circle);
    ASSERT_EQ(circles.size(), 4U);
    EXPECT_EQ(circles[2].colour, 1) << "the second run's first circle keeps the colour before it";
    EXPECT_EQ(circles[3].colour, 2);
    const auto green = lines_of_colour(surface, 2);
    ASSERT_GE(green.size(), 1U);
    EXPECT_EQ(green[0].x1, 102);  // 3-4 only: no line between 2 and 3
    EXPECT_EQ(green[0].x2, 103);
    const auto blue = lines_of_colour(surface, 1);
    EXPECT_EQ(blue[0].x1, 100);
    EXPECT_EQ(blue[0].x2, 101);
    EXPECT_EQ(blue[1].x2, 110) << "then straight to the X axis: no blue line 2-3";
}

TEST(draw_points, hidden_points_lose_their_circle_not_their_line)
{
    FormState s = flat_form({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 3);
    s.points.label[1] = 1.0;
    RecordingSurface surface(200, 100);
    draw_points(surface, s);
    EXPECT_EQ(surface.of(Recorded::Kind::circle).size(), 2U);
    EXPECT_EQ(lines_of_colour(surface, 1).size(), 3U);  // 1-2, 2-3 and the X axis
}

TEST(draw_points, single_pixels_draw_no_lines_and_ignore_labels)
{
    FormState s = flat_form({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 3);
    s.marker_mode = 1;
    s.points.label[1] = 1.0;
    RecordingSurface surface(200, 100);
    draw_points(surface, s);
    const auto pixels = surface.of(Recorded::Kind::pixel);
    ASSERT_EQ(pixels.size(), 3U);
    EXPECT_EQ(pixels[0].colour, 0);
    EXPECT_EQ(pixels[2].colour, 1);
    EXPECT_EQ(surface.of(Recorded::Kind::line).size(), 3U) << "the axes only";
}

TEST(draw_points, axes_are_solid_towards_the_viewer_and_dashed_otherwise)
{
    FormState s = flat_form({}, 0);
    RecordingSurface surface(200, 100);
    draw_points(surface, s);
    const auto lines = surface.of(Recorded::Kind::line);
    const auto styles = surface.line_styles();
    ASSERT_EQ(lines.size(), 3U);
    // Looking down Z: X and Y lie in the screen plane (dashed), Z points at the viewer
    // with drawn length 0, its label at the middle.
    EXPECT_EQ(styles[0], LineStyle::dashed);
    EXPECT_EQ(styles[1], LineStyle::dashed);
    EXPECT_EQ(styles[2], LineStyle::solid);
    EXPECT_EQ(lines[0].x2, 110);
    EXPECT_EQ(lines[1].y2, 40);
    EXPECT_EQ(lines[2].x2, 100);
    EXPECT_EQ(lines[2].y2, 50);
    const auto texts = surface.of(Recorded::Kind::text);
    ASSERT_EQ(texts.size(), 3U);
    EXPECT_EQ(texts[2].text, "Z=10");
    EXPECT_EQ(texts[2].x1, 100);
    EXPECT_EQ(texts[2].y1, 50);
    EXPECT_EQ(texts[0].x1, 110) << "the label starts at the end of its axis";
}

TEST(draw_view, writes_the_view_fields)
{
    FormState s = flat_form({{1, 1, 1}}, 1);
    s.view_matrix = set_default_view();
    s.rotation_centre = {1.5, -2, 0};
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    EXPECT_NEAR(std::stod(s.fields["Text8(2)"]), 145.0, 1e-9);
    EXPECT_EQ(s.fields["Text9(0)"], "1.5");
    EXPECT_EQ(s.fields["Text9(1)"], "-2");
    EXPECT_EQ(surface.calls.front().kind, Recorded::Kind::clear);
}

TEST(draw_view, mesh_triangles_outside_the_cloud_are_skipped)
{
    FormState s = flat_form({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, 3);
    s.marker_mode = 1;
    s.surface_display = surface_modes::mesh;
    s.tri_a = {1, 1, 1};
    s.tri_b = {2, 2, 2};
    s.tri_c = {3, 4, 3};
    s.tri_tag = {5, 5, 16};  // the third has no palette colour
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    EXPECT_EQ(lines_of_colour(surface, 5).size(), 3U) << surface.dump();
    EXPECT_EQ(surface.of(Recorded::Kind::line).size(), 6U);

    s.surface_display = surface_modes::points_only;
    RecordingSurface plain;
    draw_view(plain, s, ProgramWide{});
    EXPECT_EQ(plain.of(Recorded::Kind::line).size(), 3U);
}

TEST(draw_view, segments_in_their_colours_only_with_boundaries_shown)
{
    FormState s = flat_form({}, 0);
    s.segments = {{3, {0, 0, 0}, {5, 5, 0}}, {7, {0, 0, 0}, {-5, 0, 0}}};
    s.surface_display = surface_modes::mesh_and_segments;
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    ASSERT_EQ(lines_of_colour(surface, 3).size(), 1U);
    EXPECT_EQ(lines_of_colour(surface, 7).size(), 1U);
    s.surface_display = surface_modes::mesh;
    RecordingSurface mesh_only;
    draw_view(mesh_only, s, ProgramWide{});
    EXPECT_TRUE(lines_of_colour(mesh_only, 3).empty());
}

TEST(draw_view, plane_overlay_draws_its_frame_and_angles)
{
    FormState s = flat_form({}, 0);
    s.analysis_kind = analysis_kinds::plane;
    s.axis_vector = {0, 0, 1};
    s.plane_offset = 5;
    s.fit_rotation = mat_identity3();
    s.rotation_centre = {0, 0, 0};
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    const auto texts = surface.of(Recorded::Kind::text);
    ASSERT_EQ(texts.size(), 5U) << surface.dump();
    EXPECT_EQ(texts[3].text, "x");
    EXPECT_EQ(texts[4].text, "y");
    EXPECT_EQ(s.fields["Text4(0)"], "0");
    EXPECT_EQ(s.fields["Text4(1)"], "0");
    const auto widths = surface.of(Recorded::Kind::width);
    ASSERT_EQ(widths.size(), 2U);
    EXPECT_EQ(widths[0].value, 2);
    EXPECT_EQ(widths[1].value, 1);
}

TEST(draw_view, sphere_and_arc_circles)
{
    FormState s = flat_form({}, 0);
    s.analysis_kind = analysis_kinds::sphere;
    s.centre = {10, 0, 0};
    s.radius = 4;
    RecordingSurface surface;
    draw_view(surface, s, ProgramWide{});
    auto circles = surface.of(Recorded::Kind::circle);
    ASSERT_EQ(circles.size(), 2U);
    EXPECT_EQ(circles[1].x1, 110);
    EXPECT_EQ(circles[1].r, 4);

    s.analysis_kind = analysis_kinds::arc;
    s.fit_rotation = mat_identity3();
    s.axis_vector = {0, 0, 1};
    RecordingSurface arc;
    draw_view(arc, s, ProgramWide{});
    // 180 chords of the circle, all black, all 4 from the centre at their ends.
    int chords = 0;
    for (const Recorded& r : lines_of_colour(arc, 0)) {
        const double dist = std::hypot(r.x2 - 110, r.y2 - 50);
        if (std::abs(dist - 4.0) < 1e-9) {
            ++chords;
        }
    }
    EXPECT_EQ(chords, 180);
}

TEST(draw_view, single_spline_overlay_draws_n_times_divisions_chords)
{
    FormState s = flat_form({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, 5);
    s.marker_mode = 1;
    s.analysis_kind = analysis_kinds::single_spline;
    s.poly_x = {0, 4, 0, 0};
    s.poly_y = {0, 0, 0, 0};
    s.poly_z = {0, 0, 0, 0};
    ProgramWide program;
    program.spline_degree = 3;
    program.division_count = 10;
    RecordingSurface surface;
    draw_view(surface, s, program);
    EXPECT_EQ(lines_of_colour(surface, 0).size(), 50U);

    // The degree in the shared dialog values may change after the fit (another form): the
    // stored curve is drawn all the same.
    program.spline_degree = 1;
    s.poly_x = {0, 0, 0, 4};  // x = 4 t^3
    RecordingSurface same;
    draw_view(same, s, program);
    const auto chords = lines_of_colour(same, 0);
    ASSERT_EQ(chords.size(), 50U);
    EXPECT_DOUBLE_EQ(chords.back().x2, 104.0) << "the cubic's end, not a line's";
    EXPECT_DOUBLE_EQ(chords[24].x2, 100.0 + 4.0 * 0.125) << "t = 0.5";

    s.poly_x.assign(6, 1.0);  // more coefficients than points: skipped, no crash
    s.poly_y.assign(6, 0.0);
    s.poly_z.assign(6, 0.0);
    RecordingSurface skipped;
    draw_view(skipped, s, program);
    EXPECT_EQ(lines_of_colour(skipped, 0).size(), 0U);
}

TEST(draw_view, bspline_overlay_segments_for_open_and_closed_loops)
{
    FormState s = flat_form({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, 4);
    s.marker_mode = 1;
    s.analysis_kind = analysis_kinds::bspline;
    s.control_x = {0, 0, 1, 2, 3, 4, 5};
    s.control_y.assign(7, 0.0);
    s.control_z.assign(7, 0.0);
    ProgramWide program;
    program.division_count = 5;
    RecordingSurface open;
    draw_view(open, s, program);
    EXPECT_EQ(lines_of_colour(open, 0).size(), 15U);  // 3 segments of 5
    s.loop_closed = 1;
    RecordingSurface closed;
    draw_view(closed, s, program);
    EXPECT_EQ(lines_of_colour(closed, 0).size(), 20U);
}

}  // namespace
}  // namespace tengun
