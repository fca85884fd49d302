// tengun-cli end to end on the data-correction commands.
#include <gtest/gtest.h>

#include <QFile>

#include "cli_run.h"
#include "support/format_files.h"

namespace {

using tengun::testing::write_file;

using tengun::testing::CliRun;
using tengun::testing::field_number;
using tengun::testing::run_cli;

TEST(tengun_cli_correction, worst_point_removed_and_plane_refitted)
{
    const QTemporaryDir dir;
    std::string text;
    for (int i = 0; i < 10; ++i) {
        text += std::to_string(i % 4) + "," + std::to_string(i / 4) + "," +
                (i == 6 ? "5.5" : "5") + "\n";
    }
    write_file(dir.filePath("p.csv"), text);
    const CliRun run = run_cli({"csv_file_input=p.csv", "heimen", "ijou1_hyouji", "ijou_shoukyo",
                                "--state", "point_count,points,labels"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 9);
    EXPECT_EQ(run.json["fields"].toObject()["Text7"].toString(), "9");
    EXPECT_NEAR(field_number(run, "Text1(3)"), 5.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(0)"), 0.0, 1e-9);
    const QJsonArray points = run.json["points"].toArray();
    EXPECT_EQ(points[6].toArray()[2].toDouble(), 5.0) << "point 8 moved up into place 7";
    for (const auto& label : run.json["labels"].toArray()) {
        EXPECT_EQ(label.toDouble(), 0.0);
    }
}

TEST(tengun_cli_correction, thinning_a_cloud_and_a_bitmap)
{
    const QTemporaryDir dir;
    std::string line;
    for (int i = 0; i < 30; ++i) {
        line += std::to_string(i) + " 0 0\n";
    }
    write_file(dir.filePath("line.csv"), line);
    CliRun run = run_cli({"csv_file_input=line.csv", "data_mabiki=10", "--state",
                          "point_count,thinning_angle,base_point_count"},
                         dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 2);
    EXPECT_EQ(run.json["base_point_count"].toInt(), 2);
    EXPECT_EQ(run.json["thinning_angle"].toDouble(), 10.0);

    std::vector<std::vector<unsigned char>> rows(
        12, tengun::testing::grey_row({0, 40, 40, 40, 40, 40, 40, 40}));
    write_file(dir.filePath("grey.bmp"), tengun::testing::make_bmp(8, 12, 24, rows));
    run = run_cli({"bmp_mabiki=15;grey.bmp", "--state", "point_count,thinning_angle,file_kind"},
                  dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 6) << "rows 0, 5 and 10, two points each";
    EXPECT_EQ(run.json["thinning_angle"].toDouble(), 15.0);
    EXPECT_EQ(run.json["file_kind"].toInt(), 3);

    run = run_cli({"bmp_mabiki=;grey.bmp", "--state", "point_count"}, dir.path());
    EXPECT_EQ(run.json["point_count"].toInt(), 6) << "the angle dialog closed, the file chosen";
}

}  // namespace
