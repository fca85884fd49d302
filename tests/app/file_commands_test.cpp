// Loading, merging and saving CSV clouds through the commands, and the plane fit on a loaded cloud.
#include <gtest/gtest.h>

#include <sstream>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::TempDir;
using testing::TestForm;

std::string cloud_text(std::size_t n, double offset = 0.0)
{
    std::ostringstream os;
    for (std::size_t i = 0; i < n; ++i) {
        os << offset + static_cast<double>(i) << "," << 2.0 * static_cast<double>(i) << ",1\n";
    }
    return os.str();
}

void load(TestForm& f, const std::string& path)
{
    f.dialogs.files.push_back(path);
    csv_file_input_Click(f.ctx);
}

void merge(TestForm& f, const std::string& path)
{
    f.dialogs.files.push_back(path);
    csv_merge_input_Click(f.ctx);
}

TEST(csv_file_input, loads_and_runs_the_after_load_step)
{
    TempDir dir;
    TestForm f;
    f.state.analysis_kind = analysis_kinds::plane;
    f.state.rotation_centre = {1, 2, 3};
    f.state.view_matrix = mat_identity3();
    const std::string path = dir.write("a.csv", "1,2,3\n-37.2,0,4\n");
    load(f, path);
    EXPECT_EQ(f.dialogs.chooser_shown, 1);
    EXPECT_EQ(f.program.file_kind, file_kinds::csv);
    ASSERT_EQ(f.state.point_count(), 2U);
    EXPECT_EQ(f.state.base_point_count, 2U);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::none);
    EXPECT_EQ(f.state.marker_mode, 0);
    EXPECT_EQ(f.state.rotation_centre, (Vec3{0, 0, 0}));
    EXPECT_EQ(f.state.view_extent, 40.0);
    EXPECT_DOUBLE_EQ(f.state.view_scale, 200.0 / 40.0 / 2.0);
    EXPECT_EQ(f.state.view_matrix, set_default_view());
    EXPECT_EQ(f.state.fields["Text5"], path);
    EXPECT_EQ(f.state.fields["Text7"], "2");
    EXPECT_EQ(f.state.fields["Text9(0)"], "0");
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(csv_file_input, marker_style_and_extent_follow_the_cloud)
{
    TempDir dir;
    TestForm f;
    load(f, dir.write("499.csv", cloud_text(499)));
    EXPECT_EQ(f.state.marker_mode, 0);
    load(f, dir.write("500.csv", cloud_text(500)));
    EXPECT_EQ(f.state.marker_mode, 1);
    load(f, dir.write("zero.csv", "0 0 0 0 0 0"));
    EXPECT_EQ(f.state.view_extent, 0.0001);
}

TEST(csv_file_input, cancelled_or_failed_loads_keep_everything)
{
    TempDir dir;
    TestForm f;
    load(f, dir.write("good.csv", cloud_text(5)));
    f.state.analysis_kind = analysis_kinds::plane;
    const FormState before = f.state;

    f.dialogs.files.push_back(std::nullopt);  // cancel
    csv_file_input_Click(f.ctx);
    csv_file_input_Click(f.ctx);  // close box, previous name still set
    EXPECT_EQ(f.state.point_count(), 5U);
    EXPECT_TRUE(f.dialogs.messages.empty());

    f.dialogs.files.push_back("");  // OK with no name
    csv_file_input_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_EQ(f.dialogs.messages[0], "ファイルを選択して下さい");

    load(f, dir.write("bad.csv", "1,2,3\n4,x5,6\n"));
    ASSERT_EQ(f.dialogs.messages.size(), 2U);
    const std::string& m = f.dialogs.messages[1];
    EXPECT_NE(m.find("bad.csv"), std::string::npos) << m;
    EXPECT_NE(m.find("2行目の2番目の値"), std::string::npos) << m;
    EXPECT_NE(m.find("x5"), std::string::npos) << m;

    load(f, dir.file("missing.csv"));
    load(f, dir.write("empty.csv", ""));
    load(f, dir.file(""));  // a folder
    EXPECT_EQ(f.dialogs.messages.size(), 5U);
    EXPECT_NE(f.dialogs.messages[2].find("見つかりません"), std::string::npos);

    EXPECT_EQ(f.state.points, before.points);
    EXPECT_EQ(f.state.fields, before.fields);
    EXPECT_EQ(f.state.analysis_kind, before.analysis_kind);
    EXPECT_EQ(f.state.view_matrix, before.view_matrix);
}

TEST(csv_merge_input, appends_to_the_base_file_only)
{
    TempDir dir;
    TestForm f;
    load(f, dir.write("a.csv", cloud_text(10)));
    merge(f, dir.write("b.csv", cloud_text(5, 100)));
    EXPECT_EQ(f.state.point_count(), 15U);
    EXPECT_EQ(f.state.base_point_count, 10U);
    EXPECT_EQ(f.state.points.xyz[10], (Vec3{100, 0, 1}));
    EXPECT_NE(f.state.fields["Text5"].find("b.csv"), std::string::npos);
    merge(f, dir.write("c.csv", cloud_text(7, 200)));
    EXPECT_EQ(f.state.point_count(), 17U);
    EXPECT_EQ(f.state.points.xyz[10], (Vec3{200, 0, 1})) << "the points of b are gone";

    f.dialogs.files.push_back(dir.file("all"));
    f.dialogs.choices.push_back(0);
    csv_file_output_Click(f.ctx);
    EXPECT_EQ(f.state.base_point_count, 17U);
    EXPECT_EQ(f.program.selected_file_name, dir.file("all.csv"));
    EXPECT_EQ(f.state.fields["Text5"], dir.file("all.csv"));
    merge(f, dir.write("d.csv", cloud_text(3, 300)));
    EXPECT_EQ(f.state.point_count(), 20U);
    EXPECT_EQ(f.state.base_point_count, 17U);

    // The saved file reads back to the saved cloud.
    PointCloud back;
    ReadError error;
    ASSERT_EQ(read_csv_points(TempDir::read(dir.file("all.csv")), back, error), Status::ok);
    EXPECT_EQ(back.size(), 17U);
    EXPECT_EQ(back.xyz[16], (Vec3{206, 12, 1}));
}

TEST(csv_merge_input, without_a_cloud_keeps_base_zero_and_after_removal_reads_no_further)
{
    TempDir dir;
    TestForm f;
    merge(f, dir.write("b.csv", cloud_text(4)));
    EXPECT_EQ(f.state.point_count(), 4U);
    EXPECT_EQ(f.state.base_point_count, 0U);

    load(f, dir.write("a.csv", cloud_text(10)));
    f.state.points.resize(6);  // as an outlier removal leaves it
    merge(f, dir.write("c.csv", cloud_text(2, 50)));
    EXPECT_EQ(f.state.point_count(), 8U);
    EXPECT_EQ(f.state.base_point_count, 6U);
}

TEST(csv_file_output, a_file_that_cannot_be_created_is_reported)
{
    TempDir dir;
    TestForm f;
    load(f, dir.write("a.csv", cloud_text(3)));
    const std::string shown = f.state.fields["Text5"];
    f.dialogs.files.push_back(dir.file("no/such/folder/out"));
    f.dialogs.choices.push_back(0);
    csv_file_output_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("作成できませんでした"), std::string::npos);
    EXPECT_EQ(f.state.fields["Text5"], shown);
}

TEST(heimen, fits_the_loaded_cloud_and_fills_the_fields)
{
    TempDir dir;
    TestForm f;
    const auto pts = testing::plane_cloud(100, {0, 0, 5}, {1, 0, 0}, {0, 1, 0}, 10.0, 0.0);
    load(f, dir.write("plane.csv", write_csv_points(pts)));
    heimen_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::plane);
    EXPECT_EQ(f.state.fields["Text6"], "平面解析");
    EXPECT_EQ(f.state.fields["Label5"], "平面中心");
    EXPECT_EQ(f.state.fields["Label3(0)"], "L標準偏差");
    EXPECT_NEAR(std::stod(f.state.fields["Text1(2)"]), 1.0, 1e-12);
    EXPECT_NEAR(std::stod(f.state.fields["Text1(3)"]), 5.0, 1e-12);
    EXPECT_NEAR(std::stod(f.state.fields["Text1(0)"]), 0.0, 1e-12);
    EXPECT_NEAR(std::stod(f.state.fields["Text2(2)"]), 5.0, 1e-12);
    EXPECT_NEAR(std::stod(f.state.fields["Text3(0)"]), 0.0, 1e-12);
    EXPECT_EQ(f.state.fields["Text3(1)"], "");
    EXPECT_EQ(f.state.fields["Text4(0)"], "0") << "the plane overlay writes the normal's angles";
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(heimen, a_cloud_without_a_plane_shows_a_message_and_keeps_the_fields)
{
    TestForm f;
    f.state.points.add({1, 2, 3});
    f.state.points.add({2, 4, 6});
    const auto fields = f.state.fields;
    heimen_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::plane);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("平面を求められません"), std::string::npos);
    for (const char* name : {"Text1(0)", "Text1(3)", "Text2(0)", "Text3(0)", "Text6"}) {
        EXPECT_EQ(f.state.fields[name], fields.at(name)) << name;
    }
}

}  // namespace
}  // namespace tengun

namespace tengun {
namespace {

TEST(csv_file_output, an_empty_cloud_is_not_saved_over_a_file)
{
    testing::TempDir dir;
    testing::TestForm f;
    const std::string path = dir.write("keep.csv", "1 2 3\r\n");
    f.dialogs.files.push_back(path);
    csv_file_output_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("保存する点群がありません"), std::string::npos);
    EXPECT_EQ(testing::TempDir::read(path), "1 2 3\r\n");
}

}  // namespace
}  // namespace tengun
