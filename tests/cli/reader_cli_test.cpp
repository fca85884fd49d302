// tengun-cli loading PIX, bitmap, IGES and STL files and writing STL, run as a process.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "cli_run.h"

namespace {

using tengun::testing::write_file;

struct CliResult {
    int exit_code = -1;
    QString err;
    QJsonObject json;
};

CliResult run_cli(const QStringList& args, const QString& dir)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.start(TENGUN_CLI_PATH, args);
    process.waitForFinished(-1);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "tengun-cli crashed";
    CliResult run;
    run.exit_code = process.exitCode();
    run.err = QString::fromUtf8(process.readAllStandardError());
    run.json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    return run;
}

QString external(const char* path)
{
    return QString(TENGUN_EXTERNAL_DATA) + "/" + path;
}

/// The "points" state value as numbers.
std::vector<std::array<double, 3>> points_of(const CliResult& run)
{
    std::vector<std::array<double, 3>> out;
    for (const QJsonValue& p : run.json["points"].toArray()) {
        const QJsonArray a = p.toArray();
        out.push_back({a[0].toDouble(), a[1].toDouble(), a[2].toDouble()});
    }
    return out;
}

int dark_pixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    return n;
}

TEST(tengun_cli_readers, stl_mesh_loads_and_is_drawn)
{
    const QTemporaryDir dir;
    const CliResult run = run_cli({"stl_file_input=" + external("stl/assimp_Spider_ascii.stl"),
                                   "--state", "point_count,triangle_count,surface_display,tri_tag",
                                   "--png1", "mesh.png", "--size", "400x300"},
                                  dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 722);
    EXPECT_EQ(run.json["triangle_count"].toInt(), 1368);
    EXPECT_EQ(run.json["surface_display"].toInt(), 1);
    EXPECT_EQ(run.json["tri_tag"].toArray().size(), 1368);
    EXPECT_EQ(run.json["fields"].toObject()["Text7"].toString(), "722");
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    // The legs and body are lines: far more dark pixels than the axes alone would give.
    EXPECT_GT(dark_pixels(QImage(dir.filePath("mesh.png"))), 5000);
}

TEST(tengun_cli_readers, bitmap_iges_and_pix_load_their_points)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("scan.pix"), "PIX 1 2 3 4 5 6\nW 0 0 400 400\nL 1\n200 200 40\nS\n"
                                         "100 200 0\n240 200 8\nEND\n");
    const CliResult bmp =
        run_cli({"vivid_file_input=" + external("bmp/irrlicht_rockwall_height_8bit.bmp"), "--state",
                 "point_count,marker_mode"},
                dir.path());
    ASSERT_EQ(bmp.exit_code, 0) << bmp.err.toStdString();
    EXPECT_EQ(bmp.json["point_count"].toInt(), 256 * 256);
    EXPECT_EQ(bmp.json["marker_mode"].toInt(), 1);

    const CliResult igs = run_cli({"iges_file_input=" + external("iges/pyiges_de04.igs"), "--state",
                                   "point_count,points,file_kind"},
                                  dir.path());
    ASSERT_EQ(igs.exit_code, 0) << igs.err.toStdString();
    EXPECT_EQ(igs.json["point_count"].toInt(), 10);
    EXPECT_EQ(igs.json["file_kind"].toInt(), 4);
    const auto igs_points = points_of(igs);
    EXPECT_NE(std::find(igs_points.begin(), igs_points.end(), std::array<double, 3>{3, 5, 0}),
              igs_points.end());

    const CliResult pix = run_cli({"pix_file_input=scan.pix", "--state", "points"}, dir.path());
    ASSERT_EQ(pix.exit_code, 0) << pix.err.toStdString();
    EXPECT_EQ(points_of(pix), (std::vector<std::array<double, 3>>{{0, 0, 1}, {1, 0, 0.2}}));
    EXPECT_TRUE(pix.json["messages"].toArray().isEmpty());
}

TEST(tengun_cli_readers, a_broken_file_is_reported_and_the_cloud_stays)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("a.csv"), "1,2,3\n4,5,6\n");
    const QByteArray bmp = [] {
        QFile f(external("bmp/goimage_bmp_8bpp.bmp"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    write_file(dir.filePath("cut.bmp"), bmp.left(bmp.size() / 2));
    const CliResult run = run_cli({"csv_file_input=a.csv", "vivid_file_input=cut.bmp",
                                   "stl_file_input=" + external("bmp/goimage_bmp_8bpp.bmp"),
                                   "--state", "point_count,points"},
                                  dir.path());
    ASSERT_EQ(run.exit_code, 3) << "the loads failed" << run.err.toStdString();
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].toString().contains("cut.bmp")) << messages[0].toString().toStdString();
    EXPECT_TRUE(messages[1].toString().contains("goimage_bmp_8bpp.bmp"));
    EXPECT_EQ(run.json["point_count"].toInt(), 2);
    EXPECT_EQ(run.json["fields"].toObject()["Text5"].toString(), "a.csv");
}

TEST(tengun_cli_readers, stl_output_reads_back_to_the_same_mesh)
{
    const QTemporaryDir dir;
    const QStringList state{"--state", "points,tri_a,tri_b,tri_c,selected_file_name"};
    const CliResult written =
        run_cli(QStringList{"stl_file_input=" + external("stl/numpystl_Cube_PRO2STL_crlf.stl"),
                            "stl_file_output=cube"} +
                    state,
                dir.path());
    ASSERT_EQ(written.exit_code, 0) << written.err.toStdString();
    EXPECT_EQ(written.json["selected_file_name"].toString(), "cube.stl");
    const CliResult back = run_cli(QStringList{"stl_file_input=cube.stl"} + state, dir.path());
    ASSERT_EQ(back.exit_code, 0) << back.err.toStdString();
    for (const char* name : {"points", "tri_a", "tri_b", "tri_c"}) {
        EXPECT_EQ(back.json[name], written.json[name]) << name;
    }
    EXPECT_EQ(back.json["tri_a"].toArray().size(), 12);

    const CliResult none = run_cli({"stl_file_output=none", "--state", "point_count"}, dir.path());
    ASSERT_EQ(none.json["messages"].toArray().size(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("none.stl")));
}

}  // namespace
