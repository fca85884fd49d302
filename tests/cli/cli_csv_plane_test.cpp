// tengun-cli end to end on files: loading, merging and saving CSV clouds, the plane fit and the
// view commands.
#include <gtest/gtest.h>

#include <QFile>

#include "cli_run.h"

namespace {

using tengun::testing::write_file;

using tengun::testing::CliRun;
using tengun::testing::dark_pixels;
using tengun::testing::field_number;
using tengun::testing::run_cli;

QByteArray plane_csv()
{
    // z = 5 on a 6 x 6 grid, with a header line as exports write it.
    QByteArray text = "X,Y,Z\r\n";
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            text += QByteArray::number(i * 2) + "," + QByteArray::number(j - 3) + ",5\r\n";
        }
    }
    return text;
}

TEST(tengun_cli_csv, load_fit_a_plane_and_draw_it)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("plane.csv"), plane_csv());
    const CliRun run = run_cli({"csv_file_input=plane.csv", "heimen", "--state",
                                "point_count,axis_vector,plane_offset,analysis_kind,marker_mode",
                                "--png1", "plane.png", "--size", "500x400"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonObject fields = run.json["fields"].toObject();
    EXPECT_EQ(fields["Text5"].toString(), "plane.csv");
    EXPECT_EQ(fields["Text7"].toString(), "36");
    EXPECT_EQ(fields["Text6"].toString(), "平面解析");
    EXPECT_EQ(fields["Label5"].toString(), "平面中心");
    EXPECT_EQ(fields["Label3(0)"].toString(), "L標準偏差");
    EXPECT_NEAR(field_number(run, "Text1(2)"), 1.0, 1e-12);
    EXPECT_NEAR(field_number(run, "Text1(3)"), 5.0, 1e-12);
    EXPECT_NEAR(field_number(run, "Text2(2)"), 5.0, 1e-12);
    EXPECT_NEAR(field_number(run, "Text3(0)"), 0.0, 1e-12);
    EXPECT_EQ(run.json["point_count"].toInt(), 36);
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 1);
    EXPECT_EQ(run.json["marker_mode"].toInt(), 0);
    EXPECT_NEAR(run.json["plane_offset"].toDouble(), 5.0, 1e-12);
    EXPECT_NEAR(run.json["axis_vector"].toArray()[2].toDouble(), 1.0, 1e-12);
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    const QImage image(dir.filePath("plane.png"));
    ASSERT_EQ(image.size(), QSize(500, 400));
    EXPECT_GT(dark_pixels(image), 500) << "circles, lines and the plane frame";
}

TEST(tengun_cli_csv, merge_and_save_then_reload_the_saved_cloud)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("a.csv"), "0,0,0\n1,0,0\n2,0,0\n");
    write_file(dir.filePath("b.csv"), "7 7 7\n8 8 8\n");
    CliRun run = run_cli({"csv_file_input=a.csv", "csv_merge_input=b.csv",
                          "csv_file_output=both.TXT", "--state",
                          "point_count,base_point_count,selected_file_name"},
                         dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 5);
    EXPECT_EQ(run.json["base_point_count"].toInt(), 5) << "a save makes the whole cloud the base";
    EXPECT_EQ(run.json["selected_file_name"].toString(), "both.csv");
    EXPECT_EQ(run.json["fields"].toObject()["Text5"].toString(), "both.csv");

    run = run_cli({"csv_file_input=both.csv", "--state", "points"}, dir.path());
    ASSERT_EQ(run.exit_code, 0);
    const QJsonArray points = run.json["points"].toArray();
    ASSERT_EQ(points.size(), 5);
    EXPECT_EQ(points[4].toArray()[0].toDouble(), 8.0);
}

TEST(tengun_cli_csv, a_broken_file_is_reported_and_the_cloud_kept)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("good.csv"), "1,2,3\n4,5,6\n");
    write_file(dir.filePath("bad.csv"), "1,2,3\n4,five,6\n");
    const CliRun run = run_cli({"csv_file_input=good.csv", "csv_file_input=bad.csv",
                                "csv_file_input=none.csv", "--state", "point_count"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 3) << "the loads failed";
    EXPECT_EQ(run.json["point_count"].toInt(), 2);
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].toString().contains("bad.csv"));
    EXPECT_TRUE(messages[0].toString().contains("2行目の2番目の値"));
    EXPECT_TRUE(messages[0].toString().contains("five"));
    EXPECT_TRUE(messages[1].toString().contains("none.csv"));
    EXPECT_EQ(run.json["fields"].toObject()["Text5"].toString(), "good.csv");
}

TEST(tengun_cli_csv, view_commands_move_the_view)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("plane.csv"), plane_csv());
    const CliRun run = run_cli({"csv_file_input=plane.csv", "juushin_hosei", "zoom_up", "xz_men",
                                "--state", "rotation_centre,view_extent,view_matrix"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0);
    const QJsonArray c = run.json["rotation_centre"].toArray();
    EXPECT_NEAR(c[0].toDouble(), 5.0, 1e-12);
    EXPECT_NEAR(c[1].toDouble(), -0.5, 1e-12);
    EXPECT_NEAR(c[2].toDouble(), 5.0, 1e-12);
    EXPECT_NEAR(run.json["view_extent"].toDouble(), 5.0, 1e-12) << "2 x 5 around the centroid, halved";
    const QJsonArray third = run.json["view_matrix"].toArray()[2].toArray();
    EXPECT_NEAR(third[1].toDouble(), -1.0, 1e-12) << "the front view looks along -Y";
    EXPECT_EQ(run.json["fields"].toObject()["Text9(0)"].toString(), "5");
}

}  // namespace
