// tengun-cli end to end on clouds whose answers are known exactly: an exact tilted plane, IGES
// lines without section letters, flat clouds that fix no sphere, the classic circle
// benchmarks and a half cylinder.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <QJsonArray>

#include "cli_run.h"

namespace {

using tengun::testing::CliRun;
using tengun::testing::field_number;
using tengun::testing::run_cli;
using tengun::testing::write_file;

constexpr double pi = 3.14159265358979;

double element(const CliRun& run, const char* name, int k)
{
    return run.json[name].toArray()[k].toDouble(1e300);
}

TEST(tengun_cli_exact, an_exact_plane_has_a_deviation_at_rounding_level)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("plane.csv"),
               QByteArray("10,5,5\n0,5,10\n2,4,10\n4,8,5\n6,2,10\n8,9,2\n12,3,6\n14,0,8\n16,7,0\n"
                          "18,1,5\n"));
    const CliRun run = run_cli(
        {"csv_file_input=plane.csv", "heimen", "--state", "std_deviation,axis_vector,plane_offset"},
        dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_LT(run.json["std_deviation"].toDouble(1), 1e-15);
    EXPECT_LT(std::abs(field_number(run, "Text3(0)")), 1e-15);
    EXPECT_NEAR(element(run, "axis_vector", 0), 1.0 / 3, 1e-15);
    EXPECT_NEAR(element(run, "axis_vector", 1), 2.0 / 3, 1e-15);
    EXPECT_NEAR(run.json["plane_offset"].toDouble(), 10.0, 1e-13);
}

TEST(tengun_cli_exact, iges_lines_without_section_letters)
{
    // Two connected lines (1,0,0)-(10,0.5,0) and (10,0.5,0)-(10,10.5,0), each record split after
    // x2, every line ending with a sequence number and no section letter; then a record split
    // after a whole-number y2.
    const QByteArray de =
        "     110       1       0       0       0       0       0       00000000      1\n"
        "     110       0       0       1       0                               0      2\n"
        "     110       3       0       0       0       0       0       00000000      3\n"
        "     110       0       0       1       0                               0      4\n";
    const QTemporaryDir dir;
    write_file(dir.filePath("two.igs"), de + "110,1.0,0.0,0.0,10.0,      1\n0.5,0.0;      2\n"
                                             "110,10.0,0.5,0.0,10.0,      3\n10.5,0.0;      4\n");
    write_file(dir.filePath("y2.igs"),
               de.left(160) + "110,1.0,2.0,3.0,4.5,6.0,      1\n7.5;      2\n");
    const CliRun two =
        run_cli({"iges_file_input=two.igs", "--state", "point_count,points"}, dir.path());
    ASSERT_EQ(two.exit_code, 0) << two.err.toStdString();
    EXPECT_TRUE(two.json["messages"].toArray().isEmpty()) << two.out.toStdString();
    ASSERT_EQ(two.json["point_count"].toInt(), 3);
    const QJsonArray p = two.json["points"].toArray();
    EXPECT_EQ(p[1].toArray()[1].toDouble(), 0.5);
    EXPECT_EQ(p[2].toArray()[1].toDouble(), 10.5);
    const CliRun y2 = run_cli({"iges_file_input=y2.igs", "--state", "points"}, dir.path());
    ASSERT_EQ(y2.exit_code, 0) << y2.err.toStdString();
    const QJsonArray end = y2.json["points"].toArray()[1].toArray();
    EXPECT_EQ(end[0].toDouble(), 4.5);
    EXPECT_EQ(end[1].toDouble(), 6.0);
    EXPECT_EQ(end[2].toDouble(), 7.5);
}

TEST(tengun_cli_exact, a_flat_cloud_fixes_no_sphere_but_a_shallow_cap_does)
{
    const QTemporaryDir dir;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    QByteArray flat;
    QByteArray cap;
    for (int i = 0; i < 12; ++i) {
        flat += QByteArray::number(u(rng), 'g', 17) + "," + QByteArray::number(u(rng), 'g', 17) +
                ",4\n";
    }
    for (int i = 0; i < 100; ++i) {
        const double x = u(rng);
        const double y = u(rng);
        cap += QByteArray::number(x, 'g', 17) + "," + QByteArray::number(y, 'g', 17) + "," +
               QByteArray::number(std::sqrt(500.0 * 500.0 - x * x - y * y), 'g', 17) + "\n";
    }
    write_file(dir.filePath("flat.csv"), flat);
    write_file(dir.filePath("cap.csv"), cap);
    const CliRun run = run_cli({"csv_file_input=cap.csv", "kyuumen", "csv_file_input=flat.csv",
                                "kyuumen", "--state", "radius,centre"},
                               dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toString().contains("一平面上")) << run.out.toStdString();
    // The cap's sphere stays, results and fields.
    EXPECT_NEAR(run.json["radius"].toDouble(), 500.0, 1e-6);
    EXPECT_NEAR(element(run, "centre", 2), 0.0, 1e-6);
    EXPECT_NEAR(field_number(run, "Text3(1)"), 500.0, 1e-6);
}

TEST(tengun_cli_exact, circle_benchmarks_and_a_half_cylinder_reach_the_least_squares_feature)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("ggs.csv"), QByteArray("1,7,3\n2,6,3\n5,8,3\n7,7,3\n9,5,3\n3,7,3\n"));
    write_file(dir.filePath("w.csv"),
               QByteArray("0,2,3\n1,-1.001,3\n-1,-1.001,3\n10,0.001,3\n-10,0.001,3\n"));
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 0.01);
    QByteArray half;
    for (int i = 0; i < 2000; ++i) {
        const double a = pi * u(rng);
        half += QByteArray::number(10 * std::cos(a) + g(rng), 'g', 17) + "," +
                QByteArray::number(10 * std::sin(a) + g(rng), 'g', 17) + "," +
                QByteArray::number(12 * u(rng) + g(rng), 'g', 17) + "\n";
    }
    write_file(dir.filePath("half.csv"), half);
    const QStringList state{"--state", "centre,radius,std_deviation,axis_vector"};
    const CliRun ggs = run_cli(QStringList{"csv_file_input=ggs.csv", "enko"} + state, dir.path());
    ASSERT_EQ(ggs.exit_code, 0) << ggs.err.toStdString();
    EXPECT_NEAR(element(ggs, "centre", 0), 4.739782, 1e-6);
    EXPECT_NEAR(element(ggs, "centre", 1), 2.983533, 1e-6);
    EXPECT_NEAR(ggs.json["radius"].toDouble(), 4.714226, 1e-6);
    EXPECT_NEAR(ggs.json["std_deviation"].toDouble(), 0.4523271, 1e-7);
    const CliRun w = run_cli(QStringList{"csv_file_input=w.csv", "enko"} + state, dir.path());
    ASSERT_EQ(w.exit_code, 0) << w.err.toStdString();
    EXPECT_NEAR(w.json["radius"].toDouble(), 3283.0, 1.0);
    EXPECT_NEAR(w.json["std_deviation"].toDouble(), 1.0958, 1e-4);
    const CliRun cyl = run_cli(QStringList{"csv_file_input=half.csv", "entou"} + state, dir.path());
    ASSERT_EQ(cyl.exit_code, 0) << cyl.err.toStdString();
    EXPECT_NEAR(cyl.json["radius"].toDouble(), 10.0, 0.01);
    EXPECT_LT(std::acos(std::abs(element(cyl, "axis_vector", 2))) * 180 / pi, 0.01);
    EXPECT_NEAR(cyl.json["std_deviation"].toDouble(), 0.01, 0.002);
}

} // namespace
