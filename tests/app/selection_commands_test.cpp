// Selecting points on the view and editing the cloud with the selection, as a user runs it:
// select, crop or remove, refit; the selection kept in step with the cloud; deviation colours.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "geometry/cloud_measures.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "view/screen_selection.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::TempDir;
using testing::TestForm;

/// Point i (0-based) of the test cloud: two parallel planes, z = 0 for the first ten points and
/// z = 5 for the next ten.
Vec3 two_planes_point(std::size_t i)
{
    const double x = static_cast<double>(i % 10);
    return {x, static_cast<double>((i * 7) % 3), i < 10 ? 0.0 : 5.0};
}

void load(TestForm& f, const TempDir& dir, const std::vector<Vec3>& pts)
{
    f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(pts)));
    csv_file_input_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), pts.size());
}

std::vector<Vec3> two_planes()
{
    std::vector<Vec3> pts;
    for (std::size_t i = 0; i < 20; ++i) {
        pts.push_back(two_planes_point(i));
    }
    return pts;
}

std::vector<std::uint8_t> mask_of(std::initializer_list<std::size_t> selected, std::size_t n)
{
    std::vector<std::uint8_t> mask(n, 0);
    for (const std::size_t i : selected) {
        mask[i] = 1;
    }
    return mask;
}

struct EditCase {
    const char* name;
    bool crop; // else remove
    std::vector<std::size_t> selected;
    std::vector<std::size_t> kept;      // 0-based positions before the edit, in order
    std::optional<double> plane_offset; // of the refitted plane, when the kept points fix it
};

void PrintTo(const EditCase& c, std::ostream* os)
{
    *os << c.name;
}

class selection_edit : public ::testing::TestWithParam<EditCase> {};

TEST_P(selection_edit, keeps_order_renumbers_labels_and_mesh_and_refits)
{
    const EditCase& c = GetParam();
    TempDir dir;
    TestForm f;
    const std::vector<Vec3> pts = two_planes();
    load(f, dir, pts);
    heimen_Click(f.ctx);
    FormState& s = f.state;
    s.base_point_count = 12;                // as after a merge of 12 + 8 points
    s.points.label.assign(pts.size(), 1.0); // marks of an earlier display
    s.tri_a = {1, 11, 10, 20, 12};
    s.tri_b = {2, 12, 11, 1, 13};
    s.tri_c = {3, 13, 12, 19, 14};
    s.tri_tag = {1, 2, 3, 4, 5};
    s.plane_count = 2;
    s.uu = {{0, 0, 1}, {0, 0, 1}};
    s.LL = {0, 5};
    s.selection.assign(pts.size(), 0);
    for (const std::size_t i : c.selected) {
        s.selection[i] = 1;
    }
    f.picture1.calls.clear();

    (c.crop ? sentaku_kiridashi_Click : sentaku_shoukyo_Click)(f.ctx);

    EXPECT_TRUE(f.dialogs.messages.empty());
    ASSERT_EQ(s.point_count(), c.kept.size());
    std::vector<int> new_number(pts.size(), 0);
    std::size_t base = 0;
    for (std::size_t j = 0; j < c.kept.size(); ++j) {
        EXPECT_EQ(s.points.xyz[j], pts[c.kept[j]]) << j;
        EXPECT_EQ(s.points.label[j], 0.0) << "every point left is shown";
        new_number[c.kept[j]] = static_cast<int>(j + 1);
        base += c.kept[j] < 12 ? 1 : 0;
    }
    EXPECT_EQ(s.base_point_count, base) << "the merged runs keep their boundary";
    EXPECT_EQ(s.fields["Text7"], std::to_string(c.kept.size()));
    EXPECT_TRUE(s.selection.empty());
    EXPECT_EQ(s.plane_count, 0) << "the planes lived in the labels";
    // The triangles whose corners all stay, renumbered.
    const std::vector<std::array<int, 4>> before{
        {1, 2, 3, 1}, {11, 12, 13, 2}, {10, 11, 12, 3}, {20, 1, 19, 4}, {12, 13, 14, 5}};
    std::vector<std::array<int, 4>> expected;
    for (const auto& t : before) {
        const int a = new_number[t[0] - 1], b = new_number[t[1] - 1], cc = new_number[t[2] - 1];
        if (a != 0 && b != 0 && cc != 0) {
            expected.push_back({a, b, cc, t[3]});
        }
    }
    ASSERT_EQ(s.triangle_count(), expected.size());
    for (std::size_t t = 0; t < expected.size(); ++t) {
        EXPECT_EQ((std::array<int, 4>{s.tri_a[t], s.tri_b[t], s.tri_c[t],
                                      static_cast<int>(s.tri_tag[t])}),
                  expected[t]);
    }
    // The view had not been touched since the load: it is fitted to what is left.
    std::vector<Vec3> kept_points;
    for (const std::size_t i : c.kept) {
        kept_points.push_back(pts[i]);
    }
    EXPECT_EQ(s.view_extent, fit_view_extent(kept_points, 3).extent);
    EXPECT_EQ(s.view_scale, f.picture1.scale_width() / s.view_extent / 2.0);
    EXPECT_EQ(s.view_at_load, s.view_setting());
    // The plane is fitted again and drawn.
    EXPECT_EQ(s.analysis_kind, analysis_kinds::plane);
    if (c.plane_offset) {
        EXPECT_NEAR(std::abs(std::stod(s.fields["Text1(3)"])), *c.plane_offset, 1e-9);
        EXPECT_NEAR(std::abs(std::stod(s.fields["Text1(2)"])), 1.0, 1e-9);
    }
    EXPECT_FALSE(f.picture1.of(Recorded::Kind::clear).empty());
}

INSTANTIATE_TEST_SUITE_P(
    commands, selection_edit,
    ::testing::Values(EditCase{"crop_to_the_upper_plane",
                               true,
                               {10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
                               {10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
                               5.0},
                      EditCase{"remove_the_upper_plane",
                               false,
                               {10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
                               0.0},
                      EditCase{"crop_scattered_points",
                               true,
                               {19, 0, 3, 11, 12, 13, 2, 1},
                               {0, 1, 2, 3, 11, 12, 13, 19},
                               std::nullopt},
                      EditCase{"remove_one_point",
                               false,
                               {7},
                               {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
                               std::nullopt},
                      EditCase{
                          "crop_everything",
                          true,
                          {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
                          {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
                          std::nullopt}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST(selection_edit, a_view_the_user_has_changed_is_kept)
{
    TempDir dir;
    for (const auto change : {+[](TestForm& f) { zoom_up_Click(f.ctx); },
                              +[](TestForm& f) { Picture1_MouseMove(f.ctx, 1, 50.0F, 20.0F); },
                              +[](TestForm& f) { juushin_hosei_Click(f.ctx); }}) {
        TestForm f;
        load(f, dir, two_planes());
        change(f);
        const ViewSetting seen = f.state.view_setting();
        ASSERT_NE(seen, f.state.view_at_load);
        f.state.selection = mask_of({0, 1, 2, 3}, 20);
        sentaku_kiridashi_Click(f.ctx);
        EXPECT_EQ(f.state.point_count(), 4U);
        EXPECT_EQ(f.state.view_setting(), seen);
        EXPECT_NE(f.state.view_at_load, seen);
    }
}

TEST(selection_edit, without_a_selection_or_removing_everything_says_so_and_changes_nothing)
{
    TempDir dir;
    TestForm f;
    load(f, dir, two_planes());
    const FormState before = f.state;
    sentaku_kiridashi_Click(f.ctx);
    sentaku_shoukyo_Click(f.ctx);
    f.state.selection = std::vector<std::uint8_t>(20, 0); // a mask with nothing set
    sentaku_kiridashi_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 3U);
    EXPECT_NE(f.dialogs.messages[0].find("選択範囲を切り出し"), std::string::npos);
    EXPECT_NE(f.dialogs.messages[1].find("選択点を消去"), std::string::npos);
    for (const std::string& m : f.dialogs.messages) {
        EXPECT_NE(m.find("選択された点がありません"), std::string::npos) << m;
        EXPECT_NE(m.find("Shift"), std::string::npos) << "says how to select: " << m;
    }
    f.state.selection = std::vector<std::uint8_t>(20, 1);
    sentaku_shoukyo_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 4U);
    EXPECT_NE(f.dialogs.messages[3].find("全ての点が選択されています"), std::string::npos);
    EXPECT_EQ(f.state.points, before.points);
    EXPECT_EQ(f.state.fields, before.fields);
    EXPECT_EQ(f.state.selection_count(), 20U) << "the selection stays for another try";
}

TEST(select_commands, rectangles_add_and_remove_polygons_add_by_drawn_position)
{
    TempDir dir;
    TestForm f;
    std::vector<Vec3> grid; // 6 x 6 points, 10 apart, in the XY plane
    for (int j = 0; j < 6; ++j) {
        for (int i = 0; i < 6; ++i) {
            grid.push_back({10.0 * i, 10.0 * j, 0.0});
        }
    }
    load(f, dir, grid);
    xy_men_Click(f.ctx);
    f.picture1.calls.clear();
    FormState& s = f.state;
    const ViewPlacement placement{s.view_matrix, s.rotation_centre, s.view_scale,
                                  f.picture1.scale_width(), f.picture1.scale_height()};
    const auto at = [&](int i, int j) {
        return surface_position(grid[static_cast<std::size_t>(6 * j + i)], placement);
    };
    const auto selected = [&s]() {
        std::vector<std::size_t> out;
        for (std::size_t k = 0; k < s.selection.size(); ++k) {
            if (s.selection[k] != 0) {
                out.push_back(k);
            }
        }
        return out;
    };
    // Columns 1..2 of rows 0..1 (y up in the model is up on the surface): the far corner's
    // column and row are left out, as on the screen's half-open rectangle.
    select_rectangle(f.ctx, at(1, 0).x, at(1, 0).y + 0.1, at(3, 2).x, at(3, 2).y + 0.1,
                     SelectionChange::add);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{1, 2, 7, 8}));
    EXPECT_EQ(s.selection_count(), 4U);
    // A second rectangle adds; corners given the other way round.
    select_rectangle(f.ctx, at(5, 5).x + 1, at(5, 5).y - 1, at(4, 4).x - 1, at(4, 4).y + 1,
                     SelectionChange::add);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{1, 2, 7, 8, 28, 29, 34, 35}));
    // Ctrl: a rectangle over the second column takes its points out again.
    select_rectangle(f.ctx, at(2, 0).x - 1, at(2, 0).y + 1, at(2, 5).x + 1, at(2, 5).y - 1,
                     SelectionChange::remove);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{1, 7, 28, 29, 34, 35}));
    // A concave polygon (an L around column 0 and row 0) adds around the corner.
    const std::vector<SurfacePoint> l_shape{
        {at(0, 0).x - 1, at(0, 0).y + 1}, {at(3, 0).x + 1, at(3, 0).y + 1},
        {at(3, 0).x + 1, at(3, 0).y - 1}, {at(0, 0).x + 1, at(0, 0).y - 1},
        {at(0, 2).x + 1, at(0, 2).y - 1}, {at(0, 2).x - 1, at(0, 2).y - 1}};
    select_polygon(f.ctx, l_shape, SelectionChange::add);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{0, 1, 2, 3, 6, 7, 12, 28, 29, 34, 35}));
    // Removing everything leaves no selection at all.
    select_rectangle(f.ctx, -1000, -1000, 1000, 1000, SelectionChange::remove);
    EXPECT_TRUE(s.selection.empty());
    EXPECT_EQ(f.picture1.of(Recorded::Kind::clear).size(), 5U) << "each change redraws";
    // Selections before any cloud and clearing.
    TestForm empty;
    select_rectangle(empty.ctx, -1000, -1000, 1000, 1000, SelectionChange::add);
    EXPECT_EQ(empty.state.selection_count(), 0U);
    s.selection = mask_of({3}, 36);
    sentaku_kaijo_Click(f.ctx);
    EXPECT_TRUE(s.selection.empty());
}

TEST(selection, follows_the_cloud_through_loads_and_removals)
{
    TempDir dir;
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 10; ++i) {
        pts.push_back({double(i % 4), double(i / 4), 5.0 + (i == 6 ? 0.5 : 0.0)});
    }
    load(f, dir, pts);
    heimen_Click(f.ctx);
    f.state.selection = mask_of({2, 6, 9}, 10);
    f.state.tri_a = {6, 7, 1};
    f.state.tri_b = {8, 8, 2};
    f.state.tri_c = {9, 10, 3};
    f.state.tri_tag = {1, 1, 2};
    // The worst point (7) goes: the selection and the mesh follow the points that stay.
    ijou1_hyouji_Click(f.ctx);
    ijou_shoukyo_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), 9U);
    EXPECT_EQ(f.state.selection, mask_of({2, 8}, 9));
    EXPECT_EQ(f.state.tri_a, (std::vector<int>{6, 1}));
    EXPECT_EQ(f.state.tri_b, (std::vector<int>{7, 2}));
    EXPECT_EQ(f.state.tri_c, (std::vector<int>{8, 3}));
    EXPECT_EQ(f.state.tri_tag, (std::vector<double>{1, 2}));
    // A load, a merge and thinning are loads: no selection, no deviation colours.
    f.state.deviation_display = true;
    load(f, dir, pts);
    EXPECT_TRUE(f.state.selection.empty());
    EXPECT_FALSE(f.state.deviation_display);
    f.state.selection = mask_of({1}, 10);
    f.dialogs.angles.push_back(10.0);
    data_mabiki_Click(f.ctx);
    EXPECT_TRUE(f.state.selection.empty());
}

TEST(deviation_display, needs_a_fit_and_the_point_modes_switch_it_off)
{
    TempDir dir;
    TestForm f;
    hensa_karaa_hyouji_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("偏差カラー表示"), std::string::npos);
    EXPECT_FALSE(f.state.deviation_display);

    std::vector<Vec3> pts;
    for (int i = 0; i < 12; ++i) {
        pts.push_back({double(i % 4), double(i / 4), 0.1 * (i % 3)});
    }
    load(f, dir, pts);
    heimen_Click(f.ctx);
    f.picture1.calls.clear();
    hensa_karaa_hyouji_Click(f.ctx);
    EXPECT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_TRUE(f.state.deviation_display);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::rgb_circle).size(), 12U);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::rgb_rect).size(), 64U);

    drag_mode_Click(f.ctx);
    EXPECT_FALSE(f.state.deviation_display);
    hensa_karaa_hyouji_Click(f.ctx);
    EXPECT_TRUE(f.state.deviation_display);
    renzoku_mode_Click(f.ctx);
    EXPECT_FALSE(f.state.deviation_display);

    // After a spline the last analysis is no fit: the command says so.
    f.dialogs.splines.push_back(testing::ScriptedDialogs::Spline{3, 4});
    mono_spline_Click(f.ctx);
    hensa_karaa_hyouji_Click(f.ctx);
    EXPECT_EQ(f.dialogs.messages.size(), 2U);
    EXPECT_FALSE(f.state.deviation_display);
}

} // namespace
} // namespace tengun
