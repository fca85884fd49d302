// tengun-cli end to end on the control-point merge.
#include <gtest/gtest.h>

#include <vector>

#include <QFile>

#include "cli_run.h"
#include "support/merge_polygons.h"

namespace {

using tengun::Vec3;
using tengun::testing::CliRun;
using tengun::testing::dark_pixels;
using tengun::testing::run_cli;

void write_points(const QString& path, const std::vector<Vec3>& pts)
{
    QByteArray text;
    for (const Vec3& p : pts) {
        text += QByteArray::number(p[0], 'g', 17) + "," + QByteArray::number(p[1], 'g', 17) + "," +
                QByteArray::number(p[2], 'g', 17) + "\n";
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

int line_count(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return static_cast<int>(f.readAll().count('\n'));
}

TEST(tengun_cli_merge, open_bspline_of_halved_segments_merges_back_and_is_saved)
{
    const QTemporaryDir dir;
    const std::vector<Vec3> q = tengun::testing::coarse_open_polygon();
    write_points(dir.filePath("fine.csv"), tengun::testing::halve_segments(q, false));
    const CliRun run =
        run_cli({"csv_file_input=fine.csv", "bspline_kai=3,10", "spline_tougou=merged", "--state",
                 "point_count,analysis_kind,loop_closed,control_x,points", "--png1", "view.png",
                 "--png2", "graph.png", "--size", "400x300"},
                dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty()) << run.out.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 6);
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 7);
    EXPECT_EQ(run.json["loop_closed"].toInt(), 0);
    const QJsonObject fields = run.json["fields"].toObject();
    EXPECT_EQ(fields["Text6"].toString(), "Ｂスプライン");
    EXPECT_EQ(fields["Text5"].toString(), "merged.csv");
    EXPECT_EQ(fields["Text7"].toString(), "6");
    const QJsonArray points = run.json["points"].toArray();
    ASSERT_EQ(points.size(), 6);
    for (int i = 0; i < 6; ++i) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(points[i].toArray()[c].toDouble(), q[i][c], 1e-9) << i << "," << c;
        }
    }
    // The new control polygon with its mirrored ends: C0 = 2·C1 − C2.
    const QJsonArray cx = run.json["control_x"].toArray();
    ASSERT_EQ(cx.size(), 8);
    EXPECT_NEAR(cx[0].toDouble(), 2 * q[0][0] - q[1][0], 1e-9);
    EXPECT_EQ(line_count(dir.filePath("merged.csv")), 6);

    const QImage view(dir.filePath("view.png"));
    const QImage graph(dir.filePath("graph.png"));
    ASSERT_FALSE(view.isNull());
    ASSERT_FALSE(graph.isNull());
    EXPECT_GT(dark_pixels(view), 100) << "points, polygon and curve";
    EXPECT_GT(dark_pixels(graph), 300) << "axes, grid, labels and curves";
}

TEST(tengun_cli_merge, without_a_spline_nothing_changes)
{
    const QTemporaryDir dir;
    write_points(dir.filePath("fine.csv"),
                 tengun::testing::halve_segments(tengun::testing::coarse_open_polygon(), false));
    const CliRun run = run_cli({"csv_file_input=fine.csv", "heimen", "spline_tougou=x.csv",
                                "--state", "point_count,analysis_kind"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toString().startsWith("制御点は統合されませんでした。"));
    EXPECT_EQ(run.json["point_count"].toInt(), 11);
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.csv")));
}

} // namespace
