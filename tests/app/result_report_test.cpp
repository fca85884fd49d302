// The result report: when there is none, how its texts are written, and the commands that save
// and copy it. Every kind read back from all its forms: tests/cli/cli_history_test.cpp.
#include "app/result_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::TempDir;
using testing::TestForm;

TEST(result_report, refuses_without_a_result_of_the_current_analysis)
{
    TempDir dir;
    TestForm f;
    ResultReport report;
    report.items.push_back({"keep", "", "", ResultItem::Shape::text, {}, "me"});
    std::string why;
    EXPECT_FALSE(build_result_report(f.state, "", "", report, why));
    EXPECT_NE(why.find("解析結果がありません"), std::string::npos);

    // A flat cloud: the plane fit holds, the sphere fit fails and keeps its kind selected.
    f.dialogs.files.push_back(dir.write(
        "flat.csv",
        write_csv_points(testing::plane_cloud(30, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 3, 0.0))));
    csv_file_input_Click(f.ctx);
    heimen_Click(f.ctx);
    EXPECT_TRUE(build_result_report(f.state, "", "", report, why));
    kyuumen_Click(f.ctx);
    ASSERT_EQ(f.state.analysis_kind, analysis_kinds::sphere);
    why.clear();
    ResultReport untouched;
    EXPECT_FALSE(build_result_report(f.state, "", "", untouched, why));
    EXPECT_NE(why.find("「球面解析」の結果がありません"), std::string::npos) << why;
    EXPECT_TRUE(untouched.items.empty());

    // A load keeps the old results but they are not the new cloud's.
    heimen_Click(f.ctx);
    f.dialogs.files.push_back(dir.file("flat.csv"));
    csv_file_input_Click(f.ctx);
    f.state.analysis_kind = analysis_kinds::plane;
    EXPECT_FALSE(build_result_report(f.state, "", "", untouched, why));
}

TEST(full_precision, seventeen_digits_counts_as_integers_and_named_non_numbers)
{
    const std::vector<std::tuple<double, bool, const char*>> rows{
        {0.1, false, "0.10000000000000001"},
        {-2.5, false, "-2.5"},
        {1e-5, false, "1.0000000000000001e-05"},
        {1.0 / 3.0, false, "0.33333333333333331"},
        {1234.0, true, "1234"},
        {std::nan(""), false, "nan"},
        {-HUGE_VAL, false, "-inf"},
    };
    for (const auto& [x, whole, text] : rows) {
        EXPECT_EQ(full_precision(x, whole), text);
    }
}

TEST(result_formats, quote_and_escape_the_texts)
{
    ResultReport r;
    r.items.push_back({"file", "ファイル", "", ResultItem::Shape::text, {}, "a,\"b\"\tc\nd"});
    r.items.push_back({"v", "ベクトル", "", ResultItem::Shape::vector, {1, 2, 3}, {}});
    r.items.push_back({"x", "値", "意味", ResultItem::Shape::number, {std::nan("")}, {}});
    EXPECT_EQ(result_csv(r), "file,v_x,v_y,v_z,x\n\"a,\"\"b\"\"\tc\nd\",1,2,3,nan\n");
    EXPECT_EQ(result_tsv(r),
              "ファイル\tベクトル x\tベクトル y\tベクトル z\t値\na,\"b\" c d\t1\t2\t3\tnan\n");
    EXPECT_EQ(result_text(r), "Tengun 解析結果\n\nファイル（file）: a,\"b\"\tc\nd\n"
                              "ベクトル（v）: 1, 2, 3\n値（x）: nan\n    意味\n");
    EXPECT_EQ(result_json(r), "{\n  \"file\": \"a,\\\"b\\\"\\tc\\nd\",\n  \"v\": [1, 2, 3],\n"
                              "  \"x\": null,\n  \"meanings\": {\n    \"x\": \"意味\"\n  }\n}\n");
}

TEST(kekka_commands, save_by_the_name_given_and_copy_tab_separated_rows)
{
    TempDir dir;
    TestForm f;
    f.dialogs.files.push_back(dir.file("x.csv"));
    kekka_hozon_Click(f.ctx);
    EXPECT_EQ(f.dialogs.chooser_shown, 0) << "told before the chooser opens";
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    f.dialogs.files.clear();
    f.dialogs.messages.clear();

    f.dialogs.files.push_back(dir.write(
        "p.csv",
        write_csv_points(testing::plane_cloud(20, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 2, 0.01))));
    csv_file_input_Click(f.ctx);
    heimen_Click(f.ctx);
    const std::vector<std::pair<std::string, std::string>> rows{
        {"r.JSON", "{\n"}, {"r.csv", "file,point_count,kind,"}, {"r", "Tengun 解析結果\n"}};
    for (const auto& [name, start] : rows) {
        SCOPED_TRACE(name);
        f.dialogs.files.push_back(dir.file(name));
        kekka_hozon_Click(f.ctx);
        const std::string written = name == "r" ? dir.file("r.txt") : dir.file(name);
        EXPECT_EQ(TempDir::read(written).substr(0, start.size()), start);
        EXPECT_EQ(f.program.selected_file_name, written);
    }
    EXPECT_EQ(f.state.fields["Text5"], dir.file("p.csv")) << "the source file stays";
    kekka_copy_Click(f.ctx);
    ASSERT_EQ(f.dialogs.clipboard.size(), 1U);
    EXPECT_TRUE(f.dialogs.clipboard[0].starts_with("ファイル\t点群数\t解析の種類\t"));
    EXPECT_TRUE(f.dialogs.messages.empty());
}

} // namespace
} // namespace tengun
