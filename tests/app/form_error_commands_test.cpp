// The form errors the fit commands add: stored with the fit, shown under the deviation, kept by a
// failed fit, recomputed by the re-run after outlier removal, forgotten by other analyses.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "geometry/number_text.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"

namespace tengun {
namespace {

using testing::load_points;
using testing::TestForm;

struct FitRow {
    const char* name;
    void (*command)(CommandContext&);
    std::function<std::vector<Vec3>()> cloud;
    FormKind kind;
    const char* word;
    /// The form errors of the stored fit, computed here from the fit's results.
    std::function<Status(const FormState&, FormErrors&)> direct;
};

class FitCommandForms : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitCommandForms, store_and_show_the_form_errors_of_the_fitted_feature)
{
    const FitRow& row = GetParam();
    TestForm f;
    load_points(f, row.cloud());
    row.command(f.ctx);
    ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    const FormErrors& e = f.state.form_errors;
    EXPECT_EQ(e.least_squares.kind, row.kind);
    EXPECT_EQ(e.minimum_zone.kind, row.kind);
    FormErrors direct;
    ASSERT_EQ(row.direct(f.state, direct), Status::ok);
    measure_reach(f.state.points.xyz, direct);
    EXPECT_EQ(e, direct) << "the command evaluates the feature it stored";
    EXPECT_LE(e.minimum_zone.width, e.least_squares.width);
    EXPECT_EQ(f.state.fields["Label13"], row.word);
    EXPECT_EQ(f.state.fields["Label14(0)"], "形状偏差(最小二乗)");
    EXPECT_EQ(f.state.fields["Label14(1)"], "形状偏差(最小領域)");
    EXPECT_EQ(f.state.fields["Text10(0)"], format_number(e.least_squares.width));
    EXPECT_EQ(f.state.fields["Text10(1)"], format_number(e.minimum_zone.width));
    EXPECT_EQ(f.state.fields["Label15"],
              e.least_squares_is_minimal ? "最小二乗の形体がすでに最小領域です" : "");
}

INSTANTIATE_TEST_SUITE_P(
    fits, FitCommandForms,
    ::testing::Values(
        FitRow{
            "plane", heimen_Click,
            [] {
                return testing::plane_cloud(300, {1, 2, 30}, {1, 0, 0.1}, {0, 1, 0.2}, 20, 0.01, 3);
            },
            FormKind::flatness, "平面度",
            [](const FormState& s, FormErrors& e) {
                return flatness(s.points.xyz, s.axis_vector, s.plane_offset, e);
            }},
        FitRow{"sphere", kyuumen_Click,
               [] {
                   return testing::round_cloud(300, 3, {1, 2, 3}, 10, 0.01, 4);
               },
               FormKind::sphericity, "真球度",
               [](const FormState& s, FormErrors& e) {
                   return sphericity(s.points.xyz, s.centre, e);
               }},
        FitRow{"arc", enko_Click,
               [] {
                   auto pts = testing::round_cloud(200, 2, {1, 2, 0}, 10, 0.01, 5);
                   for (Vec3& p : pts) {
                       p[2] = 7 + 0.001 * p[0]; // a tilted plane off the origin
                   }
                   return pts;
               },
               FormKind::roundness, "真円度",
               [](const FormState& s, FormErrors& e) {
                   return roundness(s.points.xyz, s.fit_rotation, s.centre, e);
               }},
        FitRow{"cylinder", entou_Click, [] { return testing::cylinder_cloud(200, 0.005, 6); },
               FormKind::cylindricity, "円筒度",
               [](const FormState& s, FormErrors& e) {
                   return cylindricity(s.points.xyz, s.axis_vector, s.centre, e);
               }},
        FitRow{"line", chokusen_Click, [] { return testing::line_cloud(60, 0.01, 7); },
               FormKind::straightness, "真直度",
               [](const FormState& s, FormErrors& e) {
                   return straightness(s.points.xyz, s.axis_vector, s.line_point, e);
               }}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<Vec3> grid_plane_with_raised_point(double raised = 0.5)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            pts.push_back({1.0 * i, 1.0 * j, 4.0});
        }
    }
    pts[27][2] += raised;
    return pts;
}

TEST(form_error_commands, a_failed_fit_keeps_them_and_other_analyses_and_loads_forget_them)
{
    TestForm f;
    load_points(f, grid_plane_with_raised_point(0.0));
    heimen_Click(f.ctx);
    const FormErrors plane = f.state.form_errors;
    ASSERT_EQ(plane.minimum_zone.kind, FormKind::flatness);
    EXPECT_EQ(plane.minimum_zone.width, 0.0);
    EXPECT_TRUE(plane.least_squares_is_minimal);
    EXPECT_EQ(f.state.fields["Label15"], "最小二乗の形体がすでに最小領域です");
    const auto fields = f.state.fields;

    // A sphere cannot be fitted to a flat grid: the message, and everything stays.
    kyuumen_Click(f.ctx);
    EXPECT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_EQ(f.state.form_errors, plane);
    EXPECT_EQ(f.state.fields, fields);

    // The mesh rewrites the deviation row: the plane's form errors no longer belong there (the
    // note line tells the mesh's rim loops instead).
    menhari_Click(f.ctx);
    EXPECT_EQ(f.state.form_errors.least_squares.kind, FormKind::none);
    for (const char* name : {"Label13", "Text10(0)", "Text10(1)"}) {
        EXPECT_EQ(f.state.fields[name], "") << name;
    }
    EXPECT_EQ(f.state.fields["Label15"].rfind("境界のループ", 0), 0U);

    heimen_Click(f.ctx);
    EXPECT_EQ(f.state.form_errors, plane);
    load_points(f, grid_plane_with_raised_point(0.0));
    EXPECT_EQ(f.state.form_errors.minimum_zone.kind, FormKind::none);
    EXPECT_EQ(f.state.fields["Text10(1)"], "");
}

TEST(form_error_commands, the_rerun_after_outlier_removal_recomputes_them)
{
    TestForm f;
    auto pts = grid_plane_with_raised_point();
    load_points(f, pts);
    heimen_Click(f.ctx);
    EXPECT_NEAR(f.state.form_errors.minimum_zone.width, 0.5, 1e-12); // the raise
    EXPECT_GT(f.state.form_errors.least_squares.width, 0.5);
    ijou1_hyouji_Click(f.ctx); // the raised point is the worst
    ijou_shoukyo_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), pts.size() - 1);
    EXPECT_NEAR(f.state.form_errors.least_squares.width, 0.0, 1e-12);
    EXPECT_NEAR(f.state.form_errors.minimum_zone.width, 0.0, 1e-12);
    EXPECT_TRUE(f.state.form_errors.least_squares_is_minimal);
    EXPECT_EQ(f.state.fields["Label15"], "最小二乗の形体がすでに最小領域です");

    // The same as fitting the remaining points afresh.
    pts.erase(pts.begin() + 27);
    TestForm fresh;
    load_points(fresh, pts);
    heimen_Click(fresh.ctx);
    EXPECT_EQ(f.state.form_errors, fresh.state.form_errors);
    EXPECT_EQ(f.state.fields["Text10(0)"], fresh.state.fields["Text10(0)"]);
}

} // namespace
} // namespace tengun
