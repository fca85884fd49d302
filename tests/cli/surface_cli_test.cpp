// tengun-cli meshing, extracting planes and drawing their boundaries, run as a process on CSV
// scans of boxes.
#include <gtest/gtest.h>

#include <QFile>

#include <cmath>
#include <cstdio>
#include <string>

#include "cli/cli_run.h"
#include "support/clouds.h"
#include "support/surface_clouds.h"

namespace tengun {
namespace {

using testing::CliRun;
using testing::run_cli;

/// Writes the points as a CSV file into the folder and returns its name.
QString write_csv(const QTemporaryDir& dir, const char* name, const std::vector<Vec3>& pts)
{
    std::string text;
    char line[128];
    for (const Vec3& p : pts) {
        std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g\n", p[0], p[1], p[2]);
        text += line;
    }
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
    return name;
}

Vec3 vec_of(const QJsonValue& v, int first)
{
    const QJsonArray a = v.toArray();
    return {a[first].toDouble(), a[first + 1].toDouble(), a[first + 2].toDouble()};
}

TEST(tengun_cli, three_faces_of_a_box_give_three_planes_and_their_corner)
{
    const QTemporaryDir dir;
    // Top, front and right of a 40 x 30 x 20 box, as a scanner above one corner sees them.
    const QString csv = write_csv(
        dir, "corner.csv", testing::box_scan({{0, 0, 0}, {40, 30, 20}}, 2.0, {1, 2, 5}, 0.01));
    const CliRun run = run_cli({"csv_file_input=" + csv, "menhari", "poly_plane",
                                "saidai_edge_kenshutu", "--png1", "corner.png", "--state",
                                "plane_count,segment_start,segment_end,view_extent,"
                                "surface_display,labels,tri_a,tri_b,tri_c,tri_tag"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(run.json["plane_count"].toInt(), 3);
    EXPECT_EQ(run.json["surface_display"].toInt(), 2);
    const QJsonObject fields = run.json["fields"].toObject();
    EXPECT_EQ(fields["Text6"].toString(), "多面抽出");
    EXPECT_EQ(fields["Text3(0)"].toString(), "3");
    EXPECT_NEAR(fields["Text1(2)"].toString().toDouble(), 1.0, 1e-6) << "the top is the largest";
    EXPECT_NEAR(fields["Text1(3)"].toString().toDouble(), 20.0, 0.01);

    // Every point but a corner one or two on a plane; every triangle inside its plane.
    const QJsonArray labels = run.json["labels"].toArray();
    int unplaced = 0;
    for (const QJsonValue& l : labels) {
        unplaced += l.toDouble() < 1.0 ? 1 : 0;
    }
    EXPECT_LE(unplaced, 2);
    const QJsonArray tag = run.json["tri_tag"].toArray();
    EXPECT_GT(tag.size(), 1100);
    for (const char* corner : {"tri_a", "tri_b", "tri_c"}) {
        const QJsonArray points = run.json[corner].toArray();
        ASSERT_EQ(points.size(), tag.size());
        for (int t = 0; t < tag.size(); ++t) {
            ASSERT_EQ(labels[points[t].toInt() - 1].toDouble(), tag[t].toDouble()) << t;
        }
    }

    const QJsonArray starts = run.json["segment_start"].toArray();
    const QJsonArray ends = run.json["segment_end"].toArray();
    ASSERT_EQ(starts.size(), 3);
    ASSERT_EQ(ends.size(), 3);
    const double h = run.json["view_extent"].toDouble();
    EXPECT_EQ(h, 50.0) << "the largest coordinate, 40 and a little noise, rounded up";
    for (int s = 0; s < 3; ++s) {
        const Vec3 start = vec_of(starts[s], 1);
        testing::expect_vec_near(start, {40, 0, 20}, 0.01);
        EXPECT_NEAR(vec_length(vec_of(ends[s], 0) - start), h, 0.05);
        EXPECT_EQ(starts[s].toArray()[0].toDouble(), s == 1 ? 1.0 : 0.0) << "colours 0, 1, 0";
    }

    const QImage image(dir.filePath("corner.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(testing::dark_pixels(image), 2000) << "the meshes and the corner edges";
}

TEST(tengun_cli, closed_box_is_outlined_face_by_face)
{
    const QTemporaryDir dir;
    const QString csv =
        write_csv(dir, "box.csv",
                  testing::box_scan({{10, 20, 30}, {40, 30, 20}}, 2.0, {0, 1, 2, 3, 4, 5}, 0.01));
    const CliRun run = run_cli({"csv_file_input=" + csv, "poly_plane", "kyoukai_hyouji", "--state",
                                "plane_count,segment_count,segment_start"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["plane_count"].toInt(), 6);
    EXPECT_EQ(run.json["segment_count"].toInt(), 24);
    std::vector<int> per_plane(7, 0);
    for (const QJsonValue& s : run.json["segment_start"].toArray()) {
        const int colour = s.toArray()[0].toInt();
        ASSERT_GE(colour, 1);
        ASSERT_LE(colour, 6);
        ++per_plane[static_cast<std::size_t>(colour)];
    }
    EXPECT_EQ(per_plane, (std::vector<int>{0, 4, 4, 4, 4, 4, 4}));
}

TEST(tengun_cli, splintered_planes_of_a_random_box_scan_merge_into_its_six_faces)
{
    const QTemporaryDir dir;
    const testing::Box box{{10, 10, 10}, {40, 30, 20}};
    const QString csv =
        write_csv(dir, "random_box.csv", testing::random_box_scan(box, 20000, 1, 0.01));
    const QStringList state{"--state", "plane_count,segment_count"};
    const CliRun extracted = run_cli(QStringList{"csv_file_input=" + csv, "poly_plane"} + state,
                                     dir.path());
    ASSERT_EQ(extracted.exit_code, 0) << extracted.err.toStdString();
    EXPECT_GT(extracted.json["plane_count"].toInt(), 6) << "splinters along the edges";

    const CliRun merged = run_cli(
        QStringList{"csv_file_input=" + csv, "poly_plane", "heimen_tougou", "kyoukai_hyouji"} +
            state,
        dir.path());
    ASSERT_EQ(merged.exit_code, 0) << merged.err.toStdString();
    EXPECT_TRUE(merged.json["messages"].toArray().isEmpty());
    EXPECT_EQ(merged.json["plane_count"].toInt(), 6);
    const QJsonObject fields = merged.json["fields"].toObject();
    EXPECT_EQ(fields["Text6"].toString(), "平面統合");
    EXPECT_EQ(fields["Text3(0)"].toString(), "6");
    EXPECT_EQ(merged.json["segment_count"].toInt(), 24) << "four edges round each face";
}

TEST(tengun_cli, mesh_of_a_random_order_scan_reports_the_points_it_covers)
{
    const QTemporaryDir dir;
    const QString csv = write_csv(dir, "random_box.csv",
                                  testing::random_box_scan({{0, 0, 0}, {40, 30, 20}}, 4000, 4));
    const CliRun run =
        run_cli({"csv_file_input=" + csv, "menhari", "--state", "labels,triangle_count"},
                dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonObject fields = run.json["fields"].toObject();
    EXPECT_EQ(fields["Label3(0)"].toString(), "面張り点数");
    int covered = 0;
    for (const QJsonValue& l : run.json["labels"].toArray()) {
        covered += l.toDouble() == 1.0 ? 1 : 0;
    }
    EXPECT_EQ(fields["Text3(0)"].toString().toInt(), covered);
    EXPECT_GE(covered, 3998);
    EXPECT_GT(run.json["triangle_count"].toInt(), 6000);
    EXPECT_EQ(run.json["messages"].toArray().isEmpty(), covered == 4000);
}

TEST(tengun_cli, playback_starts_and_stops_the_timer)
{
    const QTemporaryDir dir;
    const QString csv =
        write_csv(dir, "flat.csv", testing::box_scan({{0, 0, 5}, {10, 8, 0}}, 1.0, {0}));
    const QStringList state{"--state", "timer_enabled,surface_display,playback_index"};
    const CliRun started =
        run_cli(QStringList{"csv_file_input=" + csv, "menhari", "slow_saisei"} + state, dir.path());
    ASSERT_EQ(started.exit_code, 0) << started.err.toStdString();
    EXPECT_TRUE(started.json["timer_enabled"].toBool());
    EXPECT_EQ(started.json["surface_display"].toInt(), 3);
    EXPECT_EQ(started.json["playback_index"].toInt(), 0);
    const CliRun stopped = run_cli(
        QStringList{"csv_file_input=" + csv, "menhari", "slow_saisei", "slow_teishi"} + state,
        dir.path());
    EXPECT_FALSE(stopped.json["timer_enabled"].toBool(true));
    EXPECT_EQ(stopped.json["surface_display"].toInt(), 1);

    // Ticks of the timer: two add two triangles; ticks past the end stop the timer and
    // rewind, and a stopped timer delivers no more ticks.
    const CliRun ticked = run_cli(
        QStringList{"csv_file_input=" + csv, "menhari", "slow_saisei", "Timer1=2"} + state +
            QStringList{"--state", "triangle_count"},
        dir.path());
    ASSERT_EQ(ticked.exit_code, 0) << ticked.err.toStdString();
    EXPECT_EQ(ticked.json["playback_index"].toInt(), 2);
    EXPECT_TRUE(ticked.json["timer_enabled"].toBool());
    const int triangles = ticked.json["triangle_count"].toInt();
    ASSERT_GT(triangles, 2);
    const CliRun ended = run_cli(QStringList{"csv_file_input=" + csv, "menhari", "slow_saisei",
                                             "Timer1=" + QString::number(triangles + 5)} +
                                     state,
                                 dir.path());
    EXPECT_FALSE(ended.json["timer_enabled"].toBool(true));
    EXPECT_EQ(ended.json["playback_index"].toInt(), 0);
    EXPECT_EQ(ended.json["surface_display"].toInt(), 3);

    const CliRun bad = run_cli({"Timer1=0"}, dir.path());
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_TRUE(bad.err.contains("Timer1"));
}

} // namespace
} // namespace tengun
