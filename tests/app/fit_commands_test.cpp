// The sphere, arc, cylinder and line commands on a form: result members, fields, labels,
// messages, and what each overlay adds to the view.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"

namespace tengun {
namespace {

using testing::expect_vec_near;
using testing::Recorded;
using testing::load_points;
using testing::TestForm;

double number(TestForm& f, const std::string& name)
{
    const std::string& text = f.state.fields[name];
    EXPECT_FALSE(text.empty()) << name;
    return text.empty() ? std::nan("") : std::stod(text);
}

std::vector<Vec3> sphere_points(const Vec3& c, double r)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 12; ++i) {
        for (int j = 1; j < 6; ++j) {
            const double phi = i * pi / 6;
            const double theta = j * pi / 6;
            pts.push_back(c + r * Vec3{std::sin(theta) * std::cos(phi),
                                       std::sin(theta) * std::sin(phi), std::cos(theta)});
        }
    }
    return pts;
}

std::vector<Vec3> circle_points(const Vec3& c, double r, double degrees, int n)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < n; ++i) {
        const double t = degrees * pi / 180 * i / (n - 1);
        pts.push_back(c + Vec3{r * std::cos(t), r * std::sin(t), 0});
    }
    return pts;
}

/// Rings of 8 evenly spaced points, each turned against the one before, so that the cloud's
/// principal direction (the fitted axis) is the Z axis.
std::vector<Vec3> cylinder_points(double r, double z0, double z1)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 11; ++i) {
        for (int j = 0; j < 8; ++j) {
            const double t = 0.7 * i + j * pi / 4;
            pts.push_back({r * std::cos(t), r * std::sin(t), z0 + (z1 - z0) * i / 10.0});
        }
    }
    return pts;
}

/// The fields a failed fit must not touch.
const char* const result_fields[] = {"Text6",    "Label5",   "Text1(0)", "Text1(3)",
                                     "Text2(0)", "Text2(2)", "Text2(3)", "Text2(5)",
                                     "Label3(0)", "Text3(0)", "Text3(1)"};

void preset_fields(TestForm& f)
{
    for (const char* name : result_fields) {
        f.state.fields[name] = std::string("was ") + name;
    }
}

void expect_fields_preset(TestForm& f)
{
    for (const char* name : result_fields) {
        EXPECT_EQ(f.state.fields[name], std::string("was ") + name) << name;
    }
}

TEST(kyuumen, fits_the_cloud_fills_the_fields_and_draws_the_circle)
{
    TestForm f;
    load_points(f, sphere_points({1, 2, 3}, 10));
    preset_fields(f);
    kyuumen_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::sphere);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.state.fields["Text6"], "球面解析");
    EXPECT_EQ(f.state.fields["Label5"], "円中心");
    EXPECT_EQ(f.state.fields["Label3(0)"], "半径標準偏差");
    expect_vec_near(f.state.centre, {1, 2, 3}, 1e-9);
    EXPECT_NEAR(number(f, "Text2(0)"), 1.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(1)"), 2.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(2)"), 3.0, 1e-9);
    EXPECT_NEAR(number(f, "Text3(0)"), 0.0, 1e-9);
    EXPECT_NEAR(number(f, "Text3(1)"), 10.0, 1e-9);
    // The plane row and the direction boxes stay as they were.
    EXPECT_EQ(f.state.fields["Text1(0)"], "was Text1(0)");
    EXPECT_EQ(f.state.fields["Text2(3)"], "was Text2(3)");

    // Overlay: the zone's two spheres (equal here: the points lie exactly on the sphere) as
    // outlines under the points, then a marker and the circle of the radius around the centre.
    const auto circles = f.picture1.of(Recorded::Kind::circle);
    ASSERT_GE(circles.size(), 4U);
    const Recorded& marker = circles[circles.size() - 2];
    const Recorded& outline = circles.back();
    EXPECT_EQ(marker.r, 1.0);
    EXPECT_NEAR(outline.r, 10.0 * f.state.view_scale, 1e-9);
    EXPECT_EQ(marker.x1, outline.x1);
    EXPECT_EQ(marker.y1, outline.y1);
    for (const Recorded& zone : {circles[0], circles[1]}) {
        EXPECT_NEAR(zone.r, outline.r, 1e-6);
        EXPECT_NEAR(zone.x1, marker.x1, 1e-6);
    }
}

TEST(kyuumen, three_points_fix_no_sphere_and_keep_the_previous_one)
{
    TestForm f;
    load_points(f, sphere_points({1, 2, 8}, 4));
    kyuumen_Click(f.ctx);
    expect_vec_near(f.state.centre, {1, 2, 8}, 1e-9);
    const auto fields = f.state.fields;
    // Three points around the vertical through (1, 2): every centre on it fits them.
    load_points(f, {{11, 2, 3}, {1, 12, 3}, {-9, 2, 3}});
    kyuumen_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("一平面上"), std::string::npos);
    expect_vec_near(f.state.centre, {1, 2, 8}, 1e-9);
    EXPECT_EQ(f.state.fields.at("Text3(1)"), fields.at("Text3(1)"));
}

TEST(kyuumen, a_zero_distance_is_reported_and_keeps_results_and_fields)
{
    TestForm f;
    load_points(f, sphere_points({1, 2, 3}, 10));
    kyuumen_Click(f.ctx);
    const Vec3 centre = f.state.centre;
    const double radius = f.state.radius;
    const double sd = f.state.std_deviation;
    preset_fields(f);
    // A point exactly at the centre the three-point fit starts from.
    load_points(f, {{11, 2, 3}, {1, 12, 3}, centre});
    kyuumen_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("球面を求められません"), std::string::npos);
    EXPECT_NE(f.dialogs.messages[0].find("点群数＝3"), std::string::npos);
    EXPECT_EQ(f.state.centre, centre);
    EXPECT_EQ(f.state.radius, radius);
    EXPECT_EQ(f.state.std_deviation, sd);
    expect_fields_preset(f);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::sphere);
}

TEST(enko, fits_the_arc_and_leaves_the_plane_row)
{
    TestForm f;
    load_points(f, circle_points({1, 2, 3}, 5, 180, 25));
    preset_fields(f);
    enko_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::arc);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.state.fields["Text6"], "円弧解析");
    EXPECT_EQ(f.state.fields["Label5"], "円中心");
    EXPECT_EQ(f.state.fields["Label3(0)"], "半径標準偏差");
    EXPECT_NEAR(number(f, "Text2(0)"), 1.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(1)"), 2.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(2)"), 3.0, 1e-9);
    EXPECT_NEAR(number(f, "Text3(0)"), 0.0, 1e-9);
    EXPECT_NEAR(number(f, "Text3(1)"), 5.0, 1e-9);
    EXPECT_EQ(f.state.fields["Text1(0)"], "was Text1(0)");
    EXPECT_EQ(f.state.fields["Text1(3)"], "was Text1(3)");
    // The plane members changed and the overlay's plane frame wrote the normal's angles.
    expect_vec_near(f.state.axis_vector, {0, 0, 1}, 1e-12);
    EXPECT_NEAR(f.state.plane_offset, 3.0, 1e-12);
    EXPECT_NEAR(number(f, "Text4(0)"), 0.0, 1e-9);
    EXPECT_NEAR(number(f, "Text4(1)"), 0.0, 1e-9);
}

TEST(enko, points_on_a_line_are_reported_and_keep_everything)
{
    TestForm f;
    load_points(f, circle_points({1, 2, 3}, 5, 180, 25));
    enko_Click(f.ctx);
    const FormState before = f.state;
    load_points(f, {{0, 0, 1}, {1, 1, 1}, {2, 2, 1}, {3, 3, 1}});
    preset_fields(f);
    enko_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("円弧を求められません"), std::string::npos);
    expect_fields_preset(f);
    EXPECT_EQ(f.state.axis_vector, before.axis_vector);
    EXPECT_EQ(f.state.fit_rotation, before.fit_rotation);
    EXPECT_EQ(f.state.centre, before.centre);
    EXPECT_EQ(f.state.radius, before.radius);
}

TEST(entou, fits_the_cylinder_without_writing_the_direction_boxes)
{
    TestForm f;
    const auto pts = cylinder_points(2, 0, 20);
    load_points(f, pts);
    preset_fields(f);
    entou_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::cylinder);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.state.fields["Text6"], "円筒解析");
    EXPECT_EQ(f.state.fields["Label5"], "円筒軸中心点");
    EXPECT_EQ(f.state.fields["Label3(0)"], "半径標準偏差");
    EXPECT_NEAR(number(f, "Text2(0)"), 0.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(1)"), 0.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(2)"), 10.0, 1e-9);  // heights spread evenly over 0..20
    EXPECT_NEAR(number(f, "Text3(0)"), 0.0, 1e-9);
    EXPECT_NEAR(number(f, "Text3(1)"), 2.0, 1e-9);
    EXPECT_EQ(f.state.fields["Text2(3)"], "was Text2(3)");
    EXPECT_EQ(f.state.fields["Text2(5)"], "was Text2(5)");
    EXPECT_NEAR(std::abs(f.state.axis_vector[2]), 1.0, 1e-12);
    // Overlay: the axis stretch carries the extent as text at its end.
    const auto texts = f.picture1.of(Recorded::Kind::text);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(f.state.view_extent, 20.0);
    EXPECT_EQ(texts.back().text, "20");
}

TEST(chokusen, fits_the_line_and_fills_point_and_direction)
{
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 20; ++i) {
        pts.push_back({1.0 + 2 * i, 2.0 + i, 3.0 + 2 * i});
    }
    load_points(f, pts);
    preset_fields(f);
    chokusen_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::line);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.state.fields["Text6"], "直線解析");
    EXPECT_EQ(f.state.fields["Label5"], "直線の通過点");
    EXPECT_EQ(f.state.fields["Label3(0)"], "直線標準偏差");
    EXPECT_EQ(f.state.fields["Text3(1)"], "");
    EXPECT_NEAR(number(f, "Text2(0)"), 20.0, 1e-9);
    EXPECT_NEAR(number(f, "Text2(1)"), 11.5, 1e-9);
    EXPECT_NEAR(number(f, "Text2(2)"), 22.0, 1e-9);
    const double sign = number(f, "Text2(3)") < 0 ? -1.0 : 1.0;
    EXPECT_NEAR(sign * number(f, "Text2(3)"), 2.0 / 3, 1e-9);
    EXPECT_NEAR(sign * number(f, "Text2(4)"), 1.0 / 3, 1e-9);
    EXPECT_NEAR(sign * number(f, "Text2(5)"), 2.0 / 3, 1e-9);
    EXPECT_NEAR(number(f, "Text3(0)"), 0.0, 1e-9);
    EXPECT_EQ(f.state.fields["Text1(0)"], "was Text1(0)");
}

TEST(chokusen_view, looks_along_the_fitted_line)
{
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 20; ++i) {
        pts.push_back({1.0 + 2 * i, 2.0 - i, 3.0 + 0.5 * i});
    }
    load_points(f, pts);
    chokusen_Click(f.ctx);
    f.picture1.calls.clear();
    chokusen_view_Click(f.ctx);
    EXPECT_EQ(f.state.view_matrix, f.state.fit_rotation);
    // The line overlay (the last line drawn) shrinks to the point the line passes through, and
    // so does the whole cloud.
    const auto lines = f.picture1.of(Recorded::Kind::line);
    ASSERT_FALSE(lines.empty());
    const Recorded& axis = lines.back();
    EXPECT_NEAR(axis.x1, axis.x2, 1e-9);
    EXPECT_NEAR(axis.y1, axis.y2, 1e-9);
    const auto circles = f.picture1.of(Recorded::Kind::circle);
    for (const Recorded& c : circles) {
        EXPECT_NEAR(c.x1, axis.x1, 1e-9);
        EXPECT_NEAR(c.y1, axis.y1, 1e-9);
    }
}

TEST(fits, an_empty_cloud_is_reported_by_every_fit)
{
    for (auto* command : {kyuumen_Click, enko_Click, entou_Click, chokusen_Click}) {
        TestForm f;
        preset_fields(f);
        command(f.ctx);
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        EXPECT_NE(f.dialogs.messages[0].find("求められません"), std::string::npos);
        expect_fields_preset(f);
    }
}

}  // namespace
}  // namespace tengun
