// Editing the cloud with the selection as a user runs it: crop or remove, refit; the selection
// kept in step with the cloud; the deviation colours command.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "geometry/cloud_measures.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::TempDir;
using testing::TestForm;

/// Two parallel planes: z = 0 for the first ten points, z = 5 for the next ten.
std::vector<Vec3> two_planes()
{
    std::vector<Vec3> pts;
    for (std::size_t i = 0; i < 20; ++i) {
        pts.push_back({double(i % 10), double((i * 7) % 3), i < 10 ? 0.0 : 5.0});
    }
    return pts;
}

void load(TestForm& f, const TempDir& dir, const std::vector<Vec3>& pts)
{
    f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(pts)));
    csv_file_input_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), pts.size());
}

std::vector<std::uint8_t> mask_of(std::vector<std::size_t> selected, std::size_t n)
{
    std::vector<std::uint8_t> mask(n, 0);
    for (const std::size_t i : selected) {
        mask[i] = 1;
    }
    return mask;
}

TEST(selection_edit, keeps_order_renumbers_labels_and_mesh_fits_the_view_and_refits)
{
    struct Case {
        bool crop; // else remove
        std::vector<std::size_t> selected, kept;
        double offset; // of the refitted plane; NAN when the points left fix none
    };
    std::vector<std::size_t> upper, lower, all;
    for (std::size_t i = 0; i < 20; ++i) {
        (i < 10 ? lower : upper).push_back(i);
        all.push_back(i);
    }
    const std::vector<Case> cases{{true, upper, upper, 5.0},
                                  {false, upper, lower, 0.0},
                                  {true, {19, 0, 3, 11, 12, 2}, {0, 2, 3, 11, 12, 19}, NAN},
                                  {true, all, all, NAN}};
    const std::vector<Vec3> pts = two_planes();
    // The last triangle names a point of an earlier, bigger cloud: it always goes.
    const std::array<std::array<int, 3>, 5> mesh{
        {{1, 2, 3}, {11, 12, 13}, {10, 11, 12}, {20, 1, 19}, {1, 2, 99}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.kept));
        TempDir dir;
        TestForm f;
        load(f, dir, pts);
        heimen_Click(f.ctx);
        FormState& s = f.state;
        s.base_point_count = 12;                // as after a merge of 12 + 8 points
        s.points.label.assign(pts.size(), 1.0); // marks of an earlier display
        for (std::size_t k = 0; k < mesh.size(); ++k) {
            s.tri_a.push_back(mesh[k][0]);
            s.tri_b.push_back(mesh[k][1]);
            s.tri_c.push_back(mesh[k][2]);
            s.tri_tag.push_back(double(k + 1));
        }
        s.plane_count = 2;
        s.selection = mask_of(c.selected, pts.size());

        (c.crop ? sentaku_kiridashi_Click : sentaku_shoukyo_Click)(f.ctx);

        EXPECT_TRUE(f.dialogs.messages.empty());
        ASSERT_EQ(s.point_count(), c.kept.size());
        std::vector<int> renumbered(100, 0);
        std::vector<Vec3> kept_points;
        for (std::size_t j = 0; j < c.kept.size(); ++j) {
            EXPECT_EQ(s.points.xyz[j], pts[c.kept[j]]) << j;
            EXPECT_EQ(s.points.label[j], 0.0) << "every point left is shown";
            renumbered[c.kept[j]] = static_cast<int>(j + 1);
            kept_points.push_back(pts[c.kept[j]]);
        }
        EXPECT_EQ(s.base_point_count,
                  static_cast<std::size_t>(std::count_if(c.kept.begin(), c.kept.end(),
                                                         [](std::size_t i) { return i < 12; })));
        EXPECT_EQ(s.fields["Text7"], std::to_string(c.kept.size()));
        EXPECT_TRUE(s.selection.empty());
        EXPECT_EQ(s.plane_count, 0) << "the planes lived in the labels";
        // The triangles whose corners all stay, renumbered, in order.
        std::size_t t = 0;
        for (std::size_t k = 0; k < mesh.size(); ++k) {
            const int a = renumbered[mesh[k][0] - 1], b = renumbered[mesh[k][1] - 1],
                      cc = renumbered[mesh[k][2] - 1];
            if (a != 0 && b != 0 && cc != 0) {
                ASSERT_LT(t, s.triangle_count());
                EXPECT_EQ((std::array{s.tri_a[t], s.tri_b[t], s.tri_c[t]}), (std::array{a, b, cc}));
                EXPECT_EQ(s.tri_tag[t++], double(k + 1));
            }
        }
        EXPECT_EQ(s.triangle_count(), t);
        // Untouched since the load: the view is fitted to what is left.
        EXPECT_EQ(s.view_extent, fit_view_extent(kept_points, 3).extent);
        EXPECT_EQ(s.view_at_load, s.view_setting());
        if (!std::isnan(c.offset)) {
            EXPECT_NEAR(std::abs(std::stod(s.fields["Text1(3)"])), c.offset, 1e-9);
        }
    }
}

TEST(selection_edit, keeps_a_changed_view_and_refuses_without_a_selection)
{
    TempDir dir;
    for (const auto change : {+[](TestForm& f) { zoom_up_Click(f.ctx); },
                              +[](TestForm& f) { Picture1_MouseMove(f.ctx, 1, 50.0F, 20.0F); }}) {
        TestForm f;
        load(f, dir, two_planes());
        change(f);
        const ViewSetting seen = f.state.view_setting();
        f.state.selection = mask_of({0, 1, 2, 3}, 20);
        sentaku_kiridashi_Click(f.ctx);
        EXPECT_EQ(f.state.point_count(), 4U);
        EXPECT_EQ(f.state.view_setting(), seen);
    }
    TestForm f;
    load(f, dir, two_planes());
    const FormState before = f.state;
    sentaku_kiridashi_Click(f.ctx);
    sentaku_shoukyo_Click(f.ctx);
    f.state.selection = std::vector<std::uint8_t>(20, 1);
    sentaku_shoukyo_Click(f.ctx); // would leave nothing
    ASSERT_EQ(f.dialogs.messages.size(), 3U);
    EXPECT_NE(f.dialogs.messages[0].find("「選択範囲を切り出し」：選択された点がありません"),
              std::string::npos);
    EXPECT_NE(f.dialogs.messages[1].find("Shift"), std::string::npos) << "says how to select";
    EXPECT_NE(f.dialogs.messages[2].find("全ての点が選択されています"), std::string::npos);
    EXPECT_EQ(f.state.points, before.points);
    EXPECT_EQ(f.state.fields, before.fields);
}

TEST(selection, follows_the_cloud_through_removals_and_loads)
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
    // A load and thinning are loads: no selection, no deviation colours.
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
    EXPECT_FALSE(f.state.deviation_display);
    std::vector<Vec3> pts;
    for (int i = 0; i < 12; ++i) {
        pts.push_back({double(i % 4), double(i / 4), 0.1 * (i % 3)});
    }
    load(f, dir, pts);
    heimen_Click(f.ctx);
    f.picture1.calls.clear();
    hensa_karaa_hyouji_Click(f.ctx);
    EXPECT_TRUE(f.state.deviation_display);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::rgb_circle).size(), 12U);
    drag_mode_Click(f.ctx);
    EXPECT_FALSE(f.state.deviation_display);
    hensa_karaa_hyouji_Click(f.ctx);
    renzoku_mode_Click(f.ctx);
    EXPECT_FALSE(f.state.deviation_display);
    f.dialogs.splines.push_back(testing::ScriptedDialogs::Spline{3, 4});
    mono_spline_Click(f.ctx); // the last analysis is no fit now
    hensa_karaa_hyouji_Click(f.ctx);
    EXPECT_EQ(f.dialogs.messages.size(), 2U);
    EXPECT_FALSE(f.state.deviation_display);
}

} // namespace
} // namespace tengun
