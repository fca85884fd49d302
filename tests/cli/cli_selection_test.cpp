// tengun-cli end to end on the selection: load a scan of two surfaces, select one in pixels of
// the picture, crop to it, fit it, and look at its deviation colours.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cmath>
#include <set>

#include "view/deviation_colours.h"

#include "cli_run.h"

namespace {

using tengun::testing::CliRun;
using tengun::testing::field_number;
using tengun::testing::run_cli;
using tengun::testing::write_file;

/// A floor z = 0 at x 0..9 and a tilted plate z = 5 + 0.1 x at x 20..29 (y 0..9 for both): in
/// the view straight down Z at 800 x 600 pixels the plate is drawn right of x = 600 pixels
/// (the extent is 30, so 400 / 30 pixels a unit right of the middle), the floor left of 600.
QByteArray floor_and_plate()
{
    QByteArray text;
    for (int j = 0; j < 10; ++j) {
        for (int i = 0; i < 10; ++i) {
            text += QByteArray::number(i) + "," + QByteArray::number(j) + ",0\n";
        }
    }
    for (int j = 0; j < 10; ++j) {
        for (int i = 0; i < 10; ++i) {
            const double x = 20 + i;
            const double bump = (i * 3 + j * 7) % 5 == 0 ? 0.02 : 0.0;
            text += QByteArray::number(x) + "," + QByteArray::number(j) + "," +
                    QByteArray::number(5 + 0.1 * x + bump, 'g', 17) + "\n";
        }
    }
    return text;
}

TEST(tengun_cli_selection, load_select_crop_and_fit_the_plate)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("scan.csv"), floor_and_plate());
    const CliRun run = run_cli({"csv_file_input=scan.csv", "xy_men", "select_rect=600,0,800,600",
                                "sentaku_kiridashi", "heimen", "--state",
                                "point_count,points,selection_count,base_point_count"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(run.json["point_count"].toInt(), 100);
    EXPECT_EQ(run.json["base_point_count"].toInt(), 100);
    EXPECT_EQ(run.json["selection_count"].toInt(), 0);
    EXPECT_EQ(run.json["fields"].toObject()["Text7"].toString(), "100");
    const QJsonArray points = run.json["points"].toArray();
    EXPECT_EQ(points[0].toArray()[0].toDouble(), 20.0) << "the plate in its own order";
    EXPECT_EQ(points[99].toArray()[0].toDouble(), 29.0);
    // The plate's plane, not a compromise with the floor: normal along (-0.1, 0, 1).
    const double norm = std::sqrt(1.01);
    const double sign = field_number(run, "Text1(2)") > 0 ? 1.0 : -1.0;
    EXPECT_NEAR(sign * field_number(run, "Text1(0)"), -0.1 / norm, 2e-3);
    EXPECT_NEAR(sign * field_number(run, "Text1(1)"), 0.0, 2e-3);
    EXPECT_NEAR(sign * field_number(run, "Text1(3)"), 5.0 / norm, 2e-2);
    EXPECT_LT(field_number(run, "Text3(0)"), 0.02);
}

TEST(tengun_cli_selection, polygons_rectangles_and_deselection_agree)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("scan.csv"), floor_and_plate());
    const auto selection = [&dir](const QStringList& commands) {
        QStringList args{"csv_file_input=scan.csv", "xy_men"};
        args << commands << "--state"
             << "selection";
        const CliRun run = run_cli(args, dir.path());
        EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
        std::vector<int> numbers;
        for (const auto& n : run.json["selection"].toArray()) {
            numbers.push_back(n.toInt());
        }
        return numbers;
    };
    std::vector<int> plate;
    for (int k = 101; k <= 200; ++k) {
        plate.push_back(k);
    }
    EXPECT_EQ(selection({"select_rect=600,0,800,600"}), plate);
    EXPECT_EQ(selection({"select_polygon=600,0,800,0,800,600,600,600"}), plate);
    EXPECT_EQ(selection({"select_rect=800,600,600,0"}), plate) << "corners either way round";
    // The floor's lower rows (y 0..4 are drawn below the middle) leave again.
    const std::vector<int> left =
        selection({"select_rect=0,0,800,600", "deselect_rect=0,235,600,600"});
    std::vector<int> expected;
    for (int k = 51; k <= 200; ++k) {
        expected.push_back(k);
    }
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(selection({"select_rect=0,0,10,10"}).empty());
    // A removal of the selection keeps the floor.
    const CliRun removed =
        run_cli({"csv_file_input=scan.csv", "xy_men", "select_polygon=600,0,800,0,800,600,600,600",
                 "sentaku_shoukyo", "--state", "point_count"},
                dir.path());
    EXPECT_EQ(removed.json["point_count"].toInt(), 100);
    // Without a selection the command says so and keeps the cloud.
    const CliRun refused = run_cli(
        {"csv_file_input=scan.csv", "sentaku_kiridashi", "--state", "point_count"}, dir.path());
    EXPECT_EQ(refused.json["point_count"].toInt(), 200);
    ASSERT_EQ(refused.json["messages"].toArray().size(), 1);
    EXPECT_TRUE(refused.json["messages"][0].toString().contains("選択された点がありません"));
}

TEST(tengun_cli_selection, deviation_colours_and_their_bar_in_the_picture)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("scan.csv"), floor_and_plate());
    const QString png = dir.filePath("deviation.png");
    const CliRun run =
        run_cli({"csv_file_input=scan.csv", "xy_men", "select_rect=600,0,800,600",
                 "sentaku_kiridashi", "heimen", "drag_mode", "hensa_karaa_hyouji", "--png1", png,
                 "--state", "deviation_display,points,axis_vector,plane_offset,std_deviation"},
                dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["deviation_display"].toBool());
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    // The colour of every point from its distance to the fitted plane.
    const double sigma = run.json["std_deviation"].toDouble();
    ASSERT_GT(sigma, 0.0);
    const tengun::DeviationScale scale(sigma);
    const QJsonArray n = run.json["axis_vector"].toArray();
    const double d = run.json["plane_offset"].toDouble();
    std::set<QRgb> point_colours;
    for (const auto& p : run.json["points"].toArray()) {
        const QJsonArray xyz = p.toArray();
        double r = -d;
        for (int k = 0; k < 3; ++k) {
            r += n[k].toDouble() * xyz[k].toDouble();
        }
        point_colours.insert(scale.colour(r));
    }
    EXPECT_GT(point_colours.size(), 1U);
    const QRgb top = scale.colour(scale.limit() * 63.0 / 64.0);
    const QRgb bottom = scale.colour(-scale.limit() * 63.0 / 64.0);
    int points = 0, bar_top = 0, bar_bottom = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFFU;
            points += x < 715 && point_colours.count(c) > 0 ? 1 : 0;
            bar_top += c == top ? 1 : 0;
            bar_bottom += c == bottom ? 1 : 0;
        }
    }
    // The plate's points left of the bar (x 20..23; the row y = 0 lies under the X axis), and
    // the bar's ends.
    EXPECT_GE(points, 34);
    EXPECT_GT(bar_top, 20);
    EXPECT_GT(bar_bottom, 20);
}

} // namespace
