// tengun-cli end to end on the spline commands and the spline result files.
#include <gtest/gtest.h>

#include <cmath>

#include <QFile>

#include "cli_run.h"

namespace {

using tengun::testing::write_file;

using tengun::testing::CliRun;
using tengun::testing::dark_pixels;
using tengun::testing::field_number;
using tengun::testing::run_cli;

int line_count(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return static_cast<int>(f.readAll().count('\n'));
}

/// A closed profile of 12 points on an ellipse in z = 2.
QByteArray profile_csv()
{
    QByteArray text;
    for (int k = 0; k < 12; ++k) {
        const double a = 2.0 * 3.14159265358979 * k / 12.0;
        text += QByteArray::number(30.0 * std::cos(a), 'g', 17) + "," +
                QByteArray::number(15.0 * std::sin(a), 'g', 17) + ",2\n";
    }
    return text;
}

TEST(tengun_cli_spline, closed_inverse_bspline_passes_through_the_profile_and_draws_its_graph)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("profile.csv"), profile_csv());
    const CliRun run = run_cli({"csv_file_input=profile.csv", "reverse_bspline_hei=3,10", "--state",
                                "analysis_kind,loop_closed,control_x,control_z", "--png1",
                                "view.png", "--png2", "graph.png", "--size", "400x300"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(run.json["fields"].toObject()["Text6"].toString(), "逆Ｂスプライン");
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 8);
    EXPECT_EQ(run.json["loop_closed"].toInt(), 1);
    const QJsonArray cx = run.json["control_x"].toArray();
    const QJsonArray cz = run.json["control_z"].toArray();
    ASSERT_EQ(cx.size(), 15);
    // Through point 1 (30, 0, 2): (C12 + 4·C1 + C2) / 6, with C0 = C12.
    EXPECT_NEAR((cx[0].toDouble() + 4 * cx[1].toDouble() + cx[2].toDouble()) / 6, 30.0, 1e-9);
    EXPECT_NEAR(cz[7].toDouble(), 2.0, 1e-9);
    EXPECT_EQ(cx[13].toDouble(), cx[1].toDouble());

    const QImage graph(dir.filePath("graph.png"));
    ASSERT_FALSE(graph.isNull());
    EXPECT_EQ(graph.size(), QSize(400, 300));
    EXPECT_GT(dark_pixels(graph), 300) << "axes, grid, labels and curves";
}

TEST(tengun_cli_spline, single_spline_fields_and_pass_points_reloaded)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("line.csv"), "0,0,0\n2,1,0\n4,2,0\n6,3,0\n8,4,0\n");
    const CliRun run =
        run_cli({"csv_file_input=line.csv", "mono_spline=1,10", "spline_csv_file_output=pass",
                 "--state", "point_count,analysis_kind,poly_x"},
                dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    const QJsonObject fields = run.json["fields"].toObject();
    EXPECT_EQ(fields["Text6"].toString(), "モノスプライン近似");
    EXPECT_EQ(fields["Label5"].toString(), "中間点");
    EXPECT_EQ(fields["Label3(0)"].toString(), "標準偏差");
    EXPECT_NEAR(field_number(run, "Text2(0)"), 4.0, 1e-12);
    EXPECT_NEAR(field_number(run, "Text2(3)"), 2.0 / std::sqrt(5.0), 1e-12);
    EXPECT_NEAR(field_number(run, "Text3(0)"), 0.0, 1e-12);
    EXPECT_EQ(fields["Text5"].toString(), "pass.csv");
    EXPECT_EQ(run.json["point_count"].toInt(), 51);
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 0);
    EXPECT_EQ(run.json["poly_x"].toArray().size(), 2);
    EXPECT_EQ(line_count(dir.filePath("pass.csv")), 51);
}

TEST(tengun_cli_spline, bspline_exports_and_refusals)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("four.csv"), "0,0,0\n10,0,0\n10,10,0\n0,10,5\n");
    const CliRun open = run_cli({"csv_file_input=four.csv", "bspline_kai=3,10",
                                 "spline_csv_file_output=open.csv", "--state", "point_count"},
                                dir.path());
    ASSERT_EQ(open.exit_code, 0) << open.err.toStdString();
    EXPECT_EQ(open.json["point_count"].toInt(), 31);
    EXPECT_EQ(line_count(dir.filePath("open.csv")), 31);

    const CliRun closed =
        run_cli({"csv_file_input=four.csv", "bspline_hei=3,10", "seigyoten_output=ctl.csv",
                 "spline_csv_file_output=x.csv", "--state", "points"},
                dir.path());
    ASSERT_EQ(closed.exit_code, 3) << "the pass points were refused" << closed.err.toStdString();
    const QJsonArray points = closed.json["points"].toArray();
    ASSERT_EQ(points.size(), 4) << "the control points are the cloud itself";
    EXPECT_EQ(points[3].toArray()[2].toDouble(), 5.0);
    // After the reload no spline is selected: the pass-point export refuses.
    const QJsonArray messages = closed.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toString(),
              "ファイルは作成されませんでした。スプラインを実行してからファイル出力して下さい。");
    EXPECT_FALSE(QFile::exists(dir.filePath("x.csv")));

    const CliRun refused =
        run_cli({"csv_file_input=four.csv", "heimen", "reverse_bspline_kai=3,0", "mono_spline=4,10",
                 "seigyoten_output=c.csv", "--state", "analysis_kind,division_count,spline_degree"},
                dir.path());
    ASSERT_EQ(refused.exit_code, 3) << "the control points were not saved" << refused.err.toStdString();
    EXPECT_EQ(refused.json["messages"].toArray().size(), 3);
    EXPECT_EQ(refused.json["analysis_kind"].toInt(), 1);
    EXPECT_EQ(refused.json["spline_degree"].toDouble(), 3.0);
    EXPECT_FALSE(QFile::exists(dir.filePath("c.csv")));
}

} // namespace
