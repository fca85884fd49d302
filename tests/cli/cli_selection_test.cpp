// tengun-cli end to end on the selection: load a scan of two surfaces, select one in pixels of
// the picture, crop to it, fit it, and look at its deviation colours.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <numeric>
#include <set>

#include "cli_run.h"
#include "view/deviation_colours.h"

namespace {

using tengun::testing::CliRun;
using tengun::testing::field_number;
using tengun::testing::run_cli;

/// A floor z = 0 at x 0..9 and a plate z = 5 + 0.1 x (with a few bumps) at x 20..29, y 0..9
/// for both. Straight down Z at 800 x 600 pixels (extent 30, so 400 / 30 pixels a unit from the
/// middle) the plate lies right of x = 600 pixels and the floor left of it.
QByteArray floor_and_plate()
{
    QByteArray text;
    for (int k = 0; k < 200; ++k) {
        const int i = k % 10, j = (k / 10) % 10;
        const double x = k < 100 ? i : 20 + i;
        const double z = k < 100 ? 0 : 5 + 0.1 * x + ((i * 3 + j * 7) % 5 == 0 ? 0.02 : 0.0);
        text += QByteArray::number(x) + "," + QByteArray::number(j) + "," +
                QByteArray::number(z, 'g', 17) + "\n";
    }
    return text;
}

TEST(tengun_cli_selection, load_select_crop_fit_and_draw_deviation_colours)
{
    const QTemporaryDir dir;
    tengun::testing::write_file(dir.filePath("scan.csv"), floor_and_plate());
    const QString png = dir.filePath("deviation.png");
    const CliRun run = run_cli(
        {"csv_file_input=scan.csv", "xy_men", "select_rect=600,0,800,600", "sentaku_kiridashi",
         "heimen", "drag_mode", "hensa_karaa_hyouji", "--png1", png, "--state",
         "point_count,points,selection_count,axis_vector,plane_offset,std_deviation"},
        dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(run.json["point_count"].toInt(), 100);
    EXPECT_EQ(run.json["selection_count"].toInt(), 0);
    EXPECT_EQ(run.json["fields"].toObject()["Text7"].toString(), "100");
    const QJsonArray points = run.json["points"].toArray();
    EXPECT_EQ(points[0].toArray()[0].toDouble(), 20.0) << "the plate in its own order";
    // The plate's plane, not a compromise with the floor: normal along (-0.1, 0, 1).
    const double sign = field_number(run, "Text1(2)") > 0 ? 1.0 : -1.0;
    EXPECT_NEAR(sign * field_number(run, "Text1(0)"), -0.1 / std::sqrt(1.01), 2e-3);
    EXPECT_NEAR(sign * field_number(run, "Text1(3)"), 5.0 / std::sqrt(1.01), 2e-2);

    // Every point in the colour of its distance to the plane, and the bar's ends.
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    const tengun::DeviationScale scale(run.json["std_deviation"].toDouble());
    const QJsonArray n = run.json["axis_vector"].toArray();
    std::set<QRgb> point_colours;
    for (const auto& p : points) {
        double r = -run.json["plane_offset"].toDouble();
        for (int k = 0; k < 3; ++k) {
            r += n[k].toDouble() * p.toArray()[k].toDouble();
        }
        point_colours.insert(scale.colour(r));
    }
    const QRgb top = scale.colour(scale.limit() * 63 / 64);
    const QRgb bottom = scale.colour(-scale.limit() * 63 / 64);
    int coloured = 0, bar_top = 0, bar_bottom = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFFU;
            coloured += x < 715 && point_colours.count(c) > 0 ? 1 : 0; // left of the bar
            bar_top += c == top ? 1 : 0;
            bar_bottom += c == bottom ? 1 : 0;
        }
    }
    EXPECT_GE(coloured, 34) << "x 20..23 in nine rows (the row y = 0 lies under the X axis)";
    EXPECT_GT(bar_top, 20);
    EXPECT_GT(bar_bottom, 20);
}

TEST(tengun_cli_selection, rectangles_polygons_and_deselection_agree)
{
    const QTemporaryDir dir;
    tengun::testing::write_file(dir.filePath("scan.csv"), floor_and_plate());
    const auto selected = [&dir](QStringList commands) {
        commands.prepend("xy_men");
        commands.prepend("csv_file_input=scan.csv");
        const CliRun run = run_cli(commands << "--state"
                                            << "selection,point_count",
                                   dir.path());
        EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
        std::vector<int> numbers;
        for (const auto& k : run.json["selection"].toArray()) {
            numbers.push_back(k.toInt());
        }
        return std::pair{numbers, run.json["point_count"].toInt()};
    };
    std::vector<int> plate(100), upper_floor_and_plate(150);
    std::iota(plate.begin(), plate.end(), 101);
    std::iota(upper_floor_and_plate.begin(), upper_floor_and_plate.end(), 51);
    EXPECT_EQ(selected({"select_rect=600,0,800,600"}).first, plate);
    EXPECT_EQ(selected({"select_rect=800,600,600,0"}).first, plate);
    EXPECT_EQ(selected({"select_polygon=600,0,800,0,800,600,600,600"}).first, plate);
    // The floor's rows y 0..4 are drawn below 235 pixels.
    EXPECT_EQ(selected({"select_rect=0,0,800,600", "deselect_rect=0,235,600,600"}).first,
              upper_floor_and_plate);
    EXPECT_EQ(selected({"select_polygon=600,0,800,0,800,600,600,600", "sentaku_shoukyo"}).second,
              100);
}

} // namespace
