// tengun-cli end to end on the sphere, arc, cylinder and line fits: result fields, messages,
// state values and the overlays in the picture.
#include <gtest/gtest.h>

#include <cmath>

#include <QFile>

#include "cli_run.h"

namespace {

using tengun::testing::write_file;

using tengun::testing::CliRun;
using tengun::testing::field_number;
using tengun::testing::run_cli;

constexpr double pi = 3.14159265358979;

QByteArray csv_line(double x, double y, double z)
{
    return QByteArray::number(x, 'g', 17) + "," + QByteArray::number(y, 'g', 17) + "," +
           QByteArray::number(z, 'g', 17) + "\n";
}

/// Rings of the sphere of centre (1, 2, 3) and radius 10.
QByteArray sphere_csv()
{
    QByteArray text;
    for (int i = 1; i < 6; ++i) {
        for (int j = 0; j < 12; ++j) {
            const double theta = i * pi / 6;
            const double phi = j * pi / 6 + 0.3 * i;
            text += csv_line(1 + 10 * std::sin(theta) * std::cos(phi),
                             2 + 10 * std::sin(theta) * std::sin(phi), 3 + 10 * std::cos(theta));
        }
    }
    return text;
}

/// Half of the circle of radius 5 around (1, 2, 3) in z = 3.
QByteArray half_circle_csv()
{
    QByteArray text;
    for (int i = 0; i < 25; ++i) {
        const double t = pi * i / 24;
        text += csv_line(1 + 5 * std::cos(t), 2 + 5 * std::sin(t), 3);
    }
    return text;
}

/// Rings of radius 2 about the Z axis at heights 0, 2, ..., 20.
QByteArray cylinder_csv()
{
    QByteArray text;
    for (int i = 0; i <= 10; ++i) {
        for (int j = 0; j < 8; ++j) {
            const double t = 0.7 * i + j * pi / 4;
            text += csv_line(2 * std::cos(t), 2 * std::sin(t), 2.0 * i);
        }
    }
    return text;
}

double state_number(const CliRun& run, const char* name, int k)
{
    return run.json[name].toArray()[k].toDouble(1e300);
}

QString field(const CliRun& run, const char* name)
{
    return run.json["fields"].toObject()[name].toString();
}

/// Pure black pixels: the overlays are black, the cloud blue and green.
int black_pixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += (image.pixel(x, y) & 0xFFFFFFU) == 0 ? 1 : 0;
        }
    }
    return n;
}

TEST(tengun_cli_fits, sphere_fields_state_and_circle)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("sphere.csv"), sphere_csv());
    const CliRun plain =
        run_cli({"csv_file_input=sphere.csv", "--png1", "plain.png", "--size", "400x300"},
                dir.path());
    const CliRun run = run_cli({"csv_file_input=sphere.csv", "kyuumen", "--state",
                                "analysis_kind,centre,radius,std_deviation", "--png1", "fit.png",
                                "--size", "400x300"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(field(run, "Text6"), "球面解析");
    EXPECT_EQ(field(run, "Label5"), "円中心");
    EXPECT_EQ(field(run, "Label3(0)"), "半径標準偏差");
    EXPECT_NEAR(field_number(run, "Text2(0)"), 1.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(1)"), 2.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(2)"), 3.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(0)"), 0.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(1)"), 10.0, 1e-9);
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 2);
    EXPECT_NEAR(state_number(run, "centre", 2), 3.0, 1e-9);
    EXPECT_NEAR(run.json["radius"].toDouble(), 10.0, 1e-9);
    // The fitted circle adds black to the picture of the plain cloud.
    EXPECT_GT(black_pixels(QImage(dir.filePath("fit.png"))),
              black_pixels(QImage(dir.filePath("plain.png"))) + 100);
    ASSERT_EQ(plain.exit_code, 0);
}

TEST(tengun_cli_fits, a_sphere_of_coinciding_pairs_is_reported_and_changes_nothing)
{
    const QTemporaryDir dir;
    QByteArray twice = half_circle_csv();
    twice += twice;  // point k pairs with its own copy
    write_file(dir.filePath("twice.csv"), twice);
    const CliRun run =
        run_cli({"csv_file_input=twice.csv", "kyuumen", "--state", "radius,centre"}, dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toString().contains("球面を求められません")) << run.out.toStdString();
    EXPECT_TRUE(messages[0].toString().contains("点群数＝50"));
    EXPECT_EQ(field(run, "Text6"), "");
    EXPECT_EQ(field(run, "Text3(1)"), "");
    EXPECT_EQ(run.json["radius"].toDouble(-1), 0.0);
}

TEST(tengun_cli_fits, half_circle_arc)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("arc.csv"), half_circle_csv());
    const CliRun run = run_cli(
        {"csv_file_input=arc.csv", "enko", "--state", "analysis_kind,axis_vector,plane_offset"},
        dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(field(run, "Text6"), "円弧解析");
    EXPECT_EQ(field(run, "Label5"), "円中心");
    EXPECT_EQ(field(run, "Label3(0)"), "半径標準偏差");
    EXPECT_NEAR(field_number(run, "Text2(0)"), 1.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(1)"), 2.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(2)"), 3.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(1)"), 5.0, 1e-9);
    EXPECT_EQ(field(run, "Text1(0)"), "") << "the plane row is not written";
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 3);
    EXPECT_NEAR(state_number(run, "axis_vector", 2), 1.0, 1e-12);
    EXPECT_NEAR(run.json["plane_offset"].toDouble(), 3.0, 1e-12);
}

TEST(tengun_cli_fits, cylinder_about_z)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("cyl.csv"), cylinder_csv());
    const CliRun run =
        run_cli({"csv_file_input=cyl.csv", "entou", "--state", "analysis_kind,axis_vector"},
                dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(field(run, "Text6"), "円筒解析");
    EXPECT_EQ(field(run, "Label5"), "円筒軸中心点");
    EXPECT_NEAR(field_number(run, "Text2(0)"), 0.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(1)"), 0.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(2)"), 10.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(0)"), 0.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(1)"), 2.0, 1e-9);
    EXPECT_EQ(field(run, "Text2(3)"), "") << "the direction boxes are not written";
    EXPECT_EQ(run.json["analysis_kind"].toInt(), 4);
    EXPECT_NEAR(std::abs(state_number(run, "axis_vector", 2)), 1.0, 1e-12);
}

TEST(tengun_cli_fits, line_and_the_view_along_it)
{
    const QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 20; ++i) {
        text += csv_line(1 + 2 * i, 2 + i, 3 + 2 * i);
    }
    write_file(dir.filePath("line.csv"), text);
    const CliRun run = run_cli({"csv_file_input=line.csv", "chokusen", "chokusen_view", "--state",
                                "line_point,fit_rotation,view_matrix"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    EXPECT_EQ(field(run, "Text6"), "直線解析");
    EXPECT_EQ(field(run, "Label5"), "直線の通過点");
    EXPECT_EQ(field(run, "Label3(0)"), "直線標準偏差");
    EXPECT_EQ(field(run, "Text3(1)"), "");
    EXPECT_NEAR(field_number(run, "Text2(0)"), 20.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(1)"), 11.5, 1e-9);
    EXPECT_NEAR(field_number(run, "Text2(2)"), 22.0, 1e-9);
    EXPECT_NEAR(std::abs(field_number(run, "Text2(4)")), 1.0 / 3, 1e-9);
    EXPECT_NEAR(field_number(run, "Text3(0)"), 0.0, 1e-9);
    EXPECT_EQ(run.json["view_matrix"], run.json["fit_rotation"]);
    EXPECT_NEAR(state_number(run, "line_point", 1), 11.5, 1e-9);
}

}  // namespace
