// The form's own commands, the view commands and the mouse, run on a form context with
// recording surfaces and scripted dialogs.
#include <gtest/gtest.h>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "geometry/number_text.h"
#include "support/scripted_dialogs.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::TestForm;

void add_points(FormState& s, std::initializer_list<Vec3> pts)
{
    for (const Vec3& p : pts) {
        s.points.add(p);
    }
}

void expect_matrix_near(const Mat3& a, const Mat3& b, double tol)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(a[i][j], b[i][j], tol) << "(" << i << "," << j << ")";
        }
    }
}

TEST(form_load, starts_empty_with_unit_extent_and_the_default_view)
{
    TestForm f;
    EXPECT_EQ(f.state.point_count(), 0U);
    EXPECT_EQ(f.state.view_extent, 1.0);
    EXPECT_EQ(f.state.view_scale, 0.0);
    EXPECT_EQ(f.program.spline_degree, 3.0);
    EXPECT_FALSE(f.state.timer_enabled);
    EXPECT_EQ(f.state.view_matrix, set_default_view());
    EXPECT_EQ(f.state.fields["Text8(0)"], "0");
    EXPECT_EQ(f.state.fields["Label7(2)"], "点群数＝");
}

TEST(form_activate, empty_form_shows_the_axis_labels_at_the_centre)
{
    TestForm f;
    form_activate(f.ctx);
    const auto& calls = f.picture1.calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().kind, Recorded::Kind::clear);
    const auto texts = f.picture1.of(Recorded::Kind::text);
    ASSERT_EQ(texts.size(), 3U) << f.picture1.dump();
    EXPECT_EQ(texts[0].text, "X=1");
    EXPECT_EQ(texts[1].text, "Y=1");
    EXPECT_EQ(texts[2].text, "Z=1");
    for (const Recorded& t : texts) {
        EXPECT_EQ(t.x1, 100.0);
        EXPECT_EQ(t.y1, 50.0);
    }
    EXPECT_NEAR(std::stod(f.state.fields["Text8(0)"]), -45.0, 1e-9);
    EXPECT_NEAR(std::stod(f.state.fields["Text8(1)"]), 45.0, 1e-9);
    EXPECT_NEAR(std::stod(f.state.fields["Text8(2)"]), 145.0, 1e-9);
    EXPECT_EQ(f.state.fields["Text9(0)"], "0");
}

TEST(selector_commands, set_their_selector_and_redraw)
{
    TestForm f;
    f.state.analysis_kind = analysis_kinds::sphere;
    hyouji_only_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::none);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::clear).size(), 1U);

    drag_mode_Click(f.ctx);
    EXPECT_EQ(f.state.marker_mode, 1);
    renzoku_mode_Click(f.ctx);
    EXPECT_EQ(f.state.marker_mode, 0);

    messhu_ari_Click(f.ctx);
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh);
    messhu_nashi_Click(f.ctx);
    EXPECT_EQ(f.state.surface_display, surface_modes::points_only);
    EXPECT_EQ(f.state.fields["Text6"], "３次元表示");
    EXPECT_EQ(f.picture1.of(Recorded::Kind::clear).size(), 5U);
}

TEST(menu_commands, every_command_has_a_unique_name_and_runs_on_an_empty_form)
{
    TestForm f;
    int commands = 0;
    for (const MenuEntry& e : menu_tree()) {
        if (e.run == nullptr) {
            continue;
        }
        ++commands;
        EXPECT_EQ(find_menu_command(e.name), &e) << e.name;
        e.run(f.ctx);  // every dialog is cancelled: nothing may break
    }
    EXPECT_EQ(commands, 59);
    EXPECT_EQ(find_menu_command("spline"), nullptr) << "a submenu is not a command";
    EXPECT_EQ(find_menu_command("nonsense"), nullptr);
}

TEST(spline_commands, cancelled_dialog_leaves_kind_and_loop)
{
    TestForm f;
    add_points(f.state, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});  // a closed curve needs three
    f.state.analysis_kind = analysis_kinds::plane;
    f.state.loop_closed = 0;
    bspline_hei_Click(f.ctx);  // close box
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::plane);
    EXPECT_EQ(f.state.loop_closed, 0);
    f.dialogs.splines.push_back(testing::ScriptedDialogs::Spline{3, 10});
    bspline_hei_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::bspline);
    EXPECT_EQ(f.state.loop_closed, 1);
    EXPECT_EQ(f.program.division_count, 10.0);
}

TEST(two_forms, keep_their_clouds_and_share_program_values)
{
    ProgramWide program;
    FormState a;
    FormState b;
    testing::RecordingSurface a1;
    testing::RecordingSurface a2;
    testing::RecordingSurface b1;
    testing::RecordingSurface b2;
    testing::ScriptedDialogs dialogs;
    CommandContext ca{program, a, a1, a2, dialogs};
    CommandContext cb{program, b, b1, b2, dialogs};
    form_load(ca);
    form_load(cb);
    add_points(a, {{1, 2, 3}, {2, 3, 5}, {4, 4, 4}});  // degree 2 needs three points
    dialogs.splines.push_back(testing::ScriptedDialogs::Spline{2, 7});
    mono_spline_Click(ca);
    EXPECT_EQ(b.point_count(), 0U);
    EXPECT_EQ(program.spline_degree, 2.0);
    EXPECT_EQ(program.division_count, 7.0);
    EXPECT_EQ(a.analysis_kind, analysis_kinds::single_spline);
    EXPECT_EQ(b.analysis_kind, analysis_kinds::none);
}

TEST(view_commands, fixed_views_and_typed_angles)
{
    TestForm f;
    xy_men_Click(f.ctx);
    EXPECT_EQ(f.state.view_matrix, mat_identity3());
    const Mat3 xy = f.state.view_matrix;
    yz_men_Click(f.ctx);
    expect_matrix_near(f.state.view_matrix,
                       rotation_matrix(deg_to_rad(90), deg_to_rad(90), 0), 0.0);
    f.state.fields["Text8(0)"] = "0";
    f.state.fields["Text8(1)"] = " 0 ";
    f.state.fields["Text8(2)"] = "0";
    Command1_Click(f.ctx);
    EXPECT_EQ(f.state.view_matrix, xy);
    default_view_Click(f.ctx);
    EXPECT_EQ(f.state.view_matrix, set_default_view());
}

TEST(view_commands, typed_angle_that_is_not_a_number_keeps_the_view)
{
    TestForm f;
    const Mat3 before = f.state.view_matrix;
    f.state.fields["Text8(1)"] = "abc";
    Command1_Click(f.ctx);
    EXPECT_EQ(f.state.view_matrix, before);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("Text8(1)"), std::string::npos);
}

TEST(view_commands, zoom_round_trip_is_exact)
{
    TestForm f;
    f.state.view_scale = 3.7;
    f.state.view_extent = 0.3;
    zoom_up_Click(f.ctx);
    EXPECT_EQ(f.state.view_scale, 7.4);
    zoom_up_Click(f.ctx);
    zoom_down_Click(f.ctx);
    zoom_down_Click(f.ctx);
    EXPECT_EQ(f.state.view_scale, 3.7);
    EXPECT_EQ(f.state.view_extent, 0.3);
}

TEST(view_commands, rotation_centre_at_origin_and_centroid)
{
    TestForm f;
    hosei_kaijo_Click(f.ctx);  // no points
    EXPECT_EQ(f.state.view_extent, 0.0001);
    EXPECT_DOUBLE_EQ(f.state.view_scale, 200.0 / 0.0001 / 2.0);

    juushin_hosei_Click(f.ctx);  // no points: nothing happens
    EXPECT_EQ(f.state.view_extent, 0.0001);

    add_points(f.state, {{10.00004, 5, 1}, {9.99996, 5, 1}, {10, 5.00005, 1}, {10, 4.99995, 1}});
    f.state.points.label[1] = 1.0;
    juushin_hosei_Click(f.ctx);
    EXPECT_NEAR(f.state.rotation_centre[0], 10.0, 1e-12);
    EXPECT_NEAR(f.state.rotation_centre[1], 5.0, 1e-12);
    EXPECT_DOUBLE_EQ(f.state.view_extent, 0.0002);
    EXPECT_DOUBLE_EQ(f.state.view_scale, 200.0 / 0.0004);
    EXPECT_EQ(f.state.points.label[1], 0.0) << "the marks are cleared";

    hosei_kaijo_Click(f.ctx);
    EXPECT_EQ(f.state.rotation_centre, (Vec3{0, 0, 0}));
    EXPECT_DOUBLE_EQ(f.state.view_extent, 20.0);
}

TEST(mouse, left_drag_turns_one_degree_per_event_whatever_the_distance)
{
    TestForm f;
    f.state.view_matrix = mat_identity3();
    Picture1_MouseMove(f.ctx, 1, 150.0F, 0.0F);  // far to the right, y unchanged
    expect_matrix_near(f.state.view_matrix, rotation_matrix(0, -deg_to_rad(1.0), 0), 1e-15);
    EXPECT_EQ(f.state.last_mouse_x, 150.0F);
    // A big-circle view redraws on every drag step.
    EXPECT_EQ(f.picture1.of(Recorded::Kind::clear).size(), 1U);
    f.state.marker_mode = 1;
    Picture1_MouseMove(f.ctx, 1, 151.0F, 0.0F);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::clear).size(), 1U) << "pixels redraw on release";
    Picture1_MouseUp(f.ctx, 1, 151.0F, 0.0F);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::clear).size(), 2U);
}

TEST(mouse, right_drag_spins_counter_clockwise)
{
    TestForm f;
    f.state.view_matrix = mat_identity3();
    f.state.last_mouse_x = 150.0F;  // right of the middle (100, 50)
    f.state.last_mouse_y = 50.0F;
    Picture1_MouseMove(f.ctx, 2, 150.0F, 40.0F);  // upwards: counter-clockwise
    expect_matrix_near(f.state.view_matrix, rotation_matrix(0, 0, -deg_to_rad(1.0)), 1e-15);
}

TEST(mouse, both_buttons_pan_the_cloud_with_the_mouse)
{
    TestForm f;
    f.state.view_matrix = mat_identity3();
    f.state.view_scale = 2.0;
    Picture1_MouseMove(f.ctx, 3, 10.0F, 0.0F);
    EXPECT_EQ(f.state.rotation_centre, (Vec3{-5, 0, 0}));
    EXPECT_EQ(f.state.view_matrix, mat_identity3());
}

TEST(mouse, drags_and_releases_are_ignored_during_playback)
{
    TestForm f;
    f.state.timer_enabled = true;
    const Mat3 before = f.state.view_matrix;
    Picture1_MouseMove(f.ctx, 1, 50.0F, 50.0F);
    Picture1_MouseUp(f.ctx, 1, 50.0F, 50.0F);
    EXPECT_EQ(f.state.view_matrix, before);
    EXPECT_EQ(f.state.last_mouse_x, 0.0F);
    EXPECT_TRUE(f.picture1.calls.empty());
}

}  // namespace
}  // namespace tengun
