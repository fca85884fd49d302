// tengun-cli opening files by content (open=FILE) and saving STL and PLY with the encoding
// answered on the command line, run as a process.
#include <gtest/gtest.h>

#include "cli_run.h"

namespace {

using tengun::testing::run_cli;
using tengun::testing::write_file;

QString external(const char* path) { return QString(TENGUN_EXTERNAL_DATA) + "/" + path; }

TEST(tengun_cli_open, every_format_opens_by_its_content)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("big_endian.ply"),
               QByteArray("ply\nformat binary_big_endian 1.0\nelement vertex 2\n"
                          "property short x\nproperty short y\nproperty short z\nend_header\n") +
                   QByteArray("\x00\x01\x00\x02\x00\x03\xff\xff\x00\x00\x01\x00", 12));
    write_file(dir.filePath("cloud.csv"), "1,2,3\n4,5,6\n7,8,9\n");
    write_file(dir.filePath("scan.pix"), "PIX 1 2 3 4 5 6\nW 0 0 400 400\nL 1\n200 200 40\nE\n");
    struct Open {
        QString file;
        int points;
        int triangles;
    };
    const Open opens[] = {
        {external("ply/happly_platonic_shelf.ply"), 50, 80},
        {external("ply/happly_platonic_shelf_ascii.ply"), 50, 80},
        {dir.filePath("big_endian.ply"), 2, 0},
        {external("stl/assimp_Spider_binary.stl"), 722, 1368},
        {external("stl/assimp_Spider_ascii.stl"), 722, 1368},
        {external("pcd/pcl_colored_cloud.pcd"), 1000, 0},
        {external("las/pdal_mvk-thin.las"), 6280, 0},
        {external("obj/assimp_box.obj"), 8, 12},
        {external("pointclouds/pcl_bunny.xyz"), 397, 0},
        {external("pointclouds/pdal_text_utm17_1.txt"), 10, 0},
        {dir.filePath("cloud.csv"), 3, 0},
        {dir.filePath("scan.pix"), 1, 0},
        {external("bmp/goimage_bmp_1bpp.bmp"), 450, 0},
        {external("iges/pyiges_de04.igs"), 10, 0},
    };
    for (const Open& o : opens) {
        SCOPED_TRACE(o.file.toStdString());
        const auto run =
            run_cli({"open=" + o.file, "--state", "point_count,triangle_count,file_kind"});
        ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
        EXPECT_EQ(run.json["point_count"].toInt(), o.points);
        EXPECT_EQ(run.json["triangle_count"].toInt(), o.triangles);
        EXPECT_EQ(run.json["file_kind"].toInt(), 7);
        EXPECT_EQ(run.json["fields"].toObject()["Text7"].toString(), QString::number(o.points));
        EXPECT_TRUE(run.json["messages"].toArray().isEmpty()) << run.out.toStdString();
    }
}

TEST(tengun_cli_open, a_file_it_cannot_open_is_reported_and_the_cloud_stays)
{
    const QTemporaryDir dir;
    write_file(dir.filePath("a.csv"), "1,2,3\n4,5,6\n");
    write_file(dir.filePath("notes.doc"), "meeting at ten\n");
    const auto run = run_cli({"csv_file_input=a.csv", "open=notes.doc", "open=" +
                              external("las/pdal_simple.laz"), "--state", "point_count"},
                             dir.path());
    ASSERT_EQ(run.exit_code, 3) << "a command failed" << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toInt(), 2);
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].toString().contains("判別できません"));
    EXPECT_TRUE(messages[1].toString().contains("LAZ"));

    const auto bare = run_cli({"open"});
    EXPECT_EQ(bare.exit_code, 2);
    EXPECT_TRUE(bare.err.contains("open=FILE")) << bare.err.toStdString();
    EXPECT_TRUE(run_cli({"--help"}).out.contains("open=FILE"));
}

TEST(tengun_cli_open, the_save_encoding_is_answered_after_the_file_name)
{
    const QTemporaryDir dir;
    const QString mesh = "stl_file_input=" + external("stl/trimesh_20mm-xyz-cube_COLOR.stl");
    const auto saved = run_cli({mesh, "stl_file_output=default", "stl_file_output=text;ascii",
                                "stl_file_output=bin;BINARY", "ply_file_output=cube;ascii",
                                "ply_file_output=cube_bin", "--state", "points,tri_a"},
                               dir.path());
    ASSERT_EQ(saved.exit_code, 0) << saved.err.toStdString();
    EXPECT_TRUE(saved.json["messages"].toArray().isEmpty()) << saved.out.toStdString();
    QFile text(dir.filePath("text.stl"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_TRUE(text.read(6) == "solid ");
    EXPECT_EQ(QFileInfo(dir.filePath("default.stl")).size(), 84 + 50 * 260);
    EXPECT_EQ(QFileInfo(dir.filePath("bin.stl")).size(), 84 + 50 * 260);
    for (const char* file : {"default.stl", "text.stl", "bin.stl", "cube.ply", "cube_bin.ply"}) {
        SCOPED_TRACE(file);
        const auto back =
            run_cli({QString("open=") + file, "--state", "points,tri_a"}, dir.path());
        ASSERT_EQ(back.exit_code, 0) << back.err.toStdString();
        EXPECT_EQ(back.json["points"], saved.json["points"]);
        EXPECT_EQ(back.json["tri_a"], saved.json["tri_a"]);
    }

    // An answer that is no option stops the run, as a spline setting that is no number does;
    // an empty answer closes the dialog.
    const auto wrong = run_cli({mesh, "stl_file_output=x;ascci"}, dir.path());
    EXPECT_EQ(wrong.exit_code, 2);
    EXPECT_TRUE(wrong.err.contains("binary, ascii")) << wrong.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("x.stl")));
    const auto closed = run_cli({mesh, "stl_file_output=y;", "--state", "dialog_cancelled"},
                                dir.path());
    ASSERT_EQ(closed.exit_code, 0);
    EXPECT_TRUE(closed.json["dialog_cancelled"].toBool());
    EXPECT_FALSE(QFile::exists(dir.filePath("y.stl")));
}

}  // namespace
