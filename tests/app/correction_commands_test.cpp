// The data-correction loop as a user runs it: fit, show the worst points, remove them, refit;
// and thinning through its dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "support/format_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::TempDir;
using testing::TestForm;

double field(TestForm& f, const char* name) { return std::stod(f.state.fields[name]); }

void load_points(TestForm& f, const TempDir& dir, const std::vector<Vec3>& pts)
{
    f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(pts)));
    csv_file_input_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), pts.size());
}

TEST(correction_loop, sphere_worst_point_removed_and_refitted)
{
    TempDir dir;
    TestForm f;
    std::vector<Vec3> pts;
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 0.01);
    for (int i = 0; i < 40; ++i) {
        const double t = 0.3 * i;
        const double p = 0.2 + 0.03 * i;
        const double r = 10.0 + noise(rng) + (i == 17 ? 1.5 : 0.0);  // one outlier
        pts.push_back({1 + r * std::cos(p) * std::cos(t), 2 + r * std::cos(p) * std::sin(t),
                       3 + r * std::sin(p)});
    }
    load_points(f, dir, pts);
    const std::vector<Vec3> loaded = f.state.points.xyz;
    kyuumen_Click(f.ctx);
    const double sd_before = field(f, "Text3(0)");
    EXPECT_GT(sd_before, 0.1);

    ijou1_hyouji_Click(f.ctx);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(f.state.points.label[i], i == 17 ? 0.0 : 1.0) << i;
    }
    EXPECT_EQ(field(f, "Text3(0)"), sd_before) << "showing re-runs the same fit";

    ijou_shoukyo_Click(f.ctx);
    EXPECT_EQ(f.state.point_count(), 39U);
    EXPECT_EQ(f.state.fields["Text7"], "39");
    EXPECT_EQ(f.state.points.xyz[17], loaded[18]) << "order kept";
    EXPECT_EQ(f.state.fields["Text6"], "球面解析");
    EXPECT_LT(field(f, "Text3(0)"), 0.05);
    EXPECT_NEAR(field(f, "Text3(1)"), 10.0, 0.02);
    EXPECT_NEAR(field(f, "Text2(0)"), 1.0, 0.05);
    for (const double mark : f.state.points.label) {
        EXPECT_EQ(mark, 0.0);
    }
    // A second removal has nothing selected.
    ijou_shoukyo_Click(f.ctx);
    EXPECT_EQ(f.state.point_count(), 39U);
}

TEST(correction_loop, plane_of_ten_points_loses_its_worst)
{
    TempDir dir;
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 10; ++i) {
        pts.push_back({double(i % 4), double(i / 4), 5.0 + (i == 6 ? 0.5 : 0.01 * (i % 2))});
    }
    load_points(f, dir, pts);
    heimen_Click(f.ctx);
    const double sd_before = field(f, "Text3(0)");
    f.picture1.calls.clear();
    ijou1_hyouji_Click(f.ctx);
    // In big-circle mode only the worst point keeps its circle.
    const auto circles = f.picture1.of(Recorded::Kind::circle);
    ASSERT_EQ(circles.size(), 1U);
    EXPECT_EQ(f.state.points.label[6], 0.0);
    ijou_shoukyo_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), 9U);
    std::vector<Vec3> expected = pts;
    expected.erase(expected.begin() + 6);
    EXPECT_EQ(f.state.points.xyz, expected);
    EXPECT_NEAR(field(f, "Text1(3)"), 5.005, 0.01);
    EXPECT_LT(field(f, "Text3(0)"), sd_before / 5.0);
    EXPECT_LE(f.state.base_point_count, f.state.point_count());
}

TEST(correction_loop, ten_percent_tile_and_show_all)
{
    TempDir dir;
    TestForm f;
    load_points(f, dir, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 2}, {1, 1, 0.1}});
    chokusen_Click(f.ctx);
    ijou10_hyouji_Click(f.ctx);
    double shown = 0;
    for (const double m : f.state.points.label) {
        shown += m == 0.0 ? 1 : 0;
    }
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, 5);
    zen_hyouji_Click(f.ctx);
    for (const double m : f.state.points.label) {
        EXPECT_EQ(m, 0.0);
    }
}

TEST(correction_loop, no_fit_selected_changes_no_mark)
{
    TestForm f;
    f.state.points.add({1, 2, 3}, 0.0);
    f.state.points.add({4, 5, 6}, 0.0);
    ijou1_hyouji_Click(f.ctx);
    ijou10_hyouji_Click(f.ctx);
    EXPECT_EQ(f.state.points.label, (std::vector<double>{0, 0}));
    ijou_shoukyo_Click(f.ctx);
    EXPECT_EQ(f.state.point_count(), 2U);
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(data_mabiki, thins_through_the_dialog_and_makes_a_new_base)
{
    TempDir dir;
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 20; ++i) {
        pts.push_back({double(i), 0, 0});
    }
    load_points(f, dir, pts);
    data_mabiki_Click(f.ctx);  // close box: nothing
    EXPECT_EQ(f.state.point_count(), 20U);
    f.dialogs.angles.push_back(10.0);
    data_mabiki_Click(f.ctx);
    EXPECT_EQ(f.state.point_count(), 2U);
    EXPECT_EQ(f.state.base_point_count, 2U);
    EXPECT_EQ(f.state.fields["Text7"], "2");
    EXPECT_EQ(f.program.thinning_angle, 10.0);

    TestForm empty;
    empty.dialogs.angles.push_back(10.0);
    data_mabiki_Click(empty.ctx);
    ASSERT_EQ(empty.dialogs.messages.size(), 1U);
}

TEST(bmp_mabiki, reads_thinned_rows_or_keeps_the_cloud)
{
    TempDir dir;
    TestForm f;
    f.state.points.add({7, 7, 7});
    const std::string eight = dir.write("eight.bmp", testing::make_bmp(4, 2, 8, {{1, 2, 3, 4}, {5, 6, 7, 8}}));
    f.dialogs.angles.push_back(10.0);
    f.dialogs.files.push_back(eight);
    bmp_mabiki_Click(f.ctx);
    EXPECT_EQ(f.program.file_kind, file_kinds::bmp);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("eight.bmp"), std::string::npos);
    EXPECT_EQ(f.state.point_count(), 1U);

    std::vector<std::vector<unsigned char>> rows(
        6, testing::grey_row({0, 40, 40, 40, 40, 40, 40, 40}));
    f.dialogs.files.push_back(dir.write("grey.bmp", testing::make_bmp(8, 6, 24, rows)));
    bmp_mabiki_Click(f.ctx);  // angle dialog closed: the chooser alone decides
    EXPECT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_EQ(f.state.point_count(), 4U) << "rows 0 and 5: first pixel and last column";
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::none);
}

}  // namespace
}  // namespace tengun
