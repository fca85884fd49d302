#include "formats/xyz_points.h"

#include <gtest/gtest.h>

#include "formats/pcd_points.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::BadFile;
using testing::external_file;

LoadedMesh read_ok(std::string_view bytes)
{
    return testing::read_ok(read_xyz_points, bytes);
}

TEST(read_xyz_points, real_files_give_the_counts_and_bounds_of_their_sources)
{
    const testing::FileFacts files[] = {
        {"pointclouds/pcl_bunny.xyz",
         397,
         0,
         {-0.093938, 0.03742, -0.055026},
         {0.059562, 0.1845, 0.057803},
         {0.0054216, 0.11349, 0.040749},
         1e-15},
        {"pointclouds/pcl_lamppost.xyz",
         1771,
         0,
         {-11.171875, -0.375, -5.447998},
         {-9.765625, 0.59375, 0.46699905},
         {-10, 0, 0},
         1e-15},
        {"pointclouds/pcl_sac_plane_test.xyz",
         3283,
         0,
         {0.66654998, -0.57867998, -0.3425},
         {1.4515001, 0.44656, 0.3026},
         {1.068, 0.094720997, -0.016231},
         1e-15},
        {"pointclouds/libpointmatcher_car_cloud400.csv",
         24989,
         0,
         {-59.5661, -59.5966, -10.719},
         {67.1525, 71.0901, 29.2967},
         {-3.5376, 0.639553, -1.37678},
         1e-15},
        {"pointclouds/pdal_autzen-thin_derived.csv",
         10653,
         0,
         {635589.01, 848886.45, 406.59},
         {638994.75, 853535.43, 593.73},
         {637148.03, 849062.47, 422.24},
         1e-15},
        {"pointclouds/pdal_autzen-bmx-m3c2.txt",
         103,
         0,
         {194472.82, 259222.19, 423.2},
         {194506.86, 259263.94, 433.96},
         {194506.86, 259235.01, 426.54},
         1e-15},
        {"pointclouds/pdal_text_badheader.txt", 8, 0, {0, 0, 0}, {4.5, 1, 5.5}, {0, 0, 0}},
        {"pointclouds/pdal_text_missingheader.txt", 5, 0, {1, 1, 1}, {5, 5, 5}, {1, 1, 1}},
        {"pointclouds/pdal_text_quoted.txt", 9, 0, {0, 1, 2}, {29, 25, 2}, {0, 1, 2}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        const LoadedMesh m = read_ok(external_file(f.path));
        testing::expect_facts(m, f);
        EXPECT_TRUE(m.notes.empty());
    }
}

TEST(read_xyz_points, the_same_points_in_text_and_pcd_files_read_alike)
{
    // Three encodings of the same ten UTM points: a header with an intensity column and CR LF,
    // a plain header with LF, and an ASCII PCD with upper-case field names.
    const LoadedMesh a = read_ok(external_file("pointclouds/pdal_text_crlf_test.txt"));
    EXPECT_EQ(read_ok(external_file("pointclouds/pdal_text_utm17_1.txt")), a);
    EXPECT_EQ(testing::read_ok(read_pcd_points, external_file("pcd/pdal_utm17_space.pcd")), a);
    // The bunny's xyz copy holds the same points as its PCD (x y z, normals), to the digits
    // the copy kept.
    const LoadedMesh bunny = read_ok(external_file("pointclouds/pcl_bunny.xyz"));
    const LoadedMesh pcd = testing::read_ok(read_pcd_points, external_file("pcd/pcl_bun0.pcd"));
    ASSERT_EQ(bunny.points.size(), pcd.points.size());
    for (std::size_t i = 0; i < pcd.points.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            ASSERT_NEAR(bunny.points.xyz[i][k], pcd.points.xyz[i][k], 5e-7) << "point " << i;
        }
    }
}

TEST(read_xyz_points, one_point_a_line_whatever_else_the_lines_hold)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<Vec3> points;
        const char* note = nullptr;
    };
    const std::vector<Vec3> two{{1, 2, 3}, {4, 5, 6}};
    const Case cases[] = {
        {"columns after x y z", "1 2 3 0.5 255 0 0\n4 5 6 0.7 0 255 0\n", two},
        {"PTS count", "2\r\n1 2 3 10 1 1 1\r\n4 5 6 11 2 2 2\r\n", two},
        {"PTS scans", "1\n1 2 3 -100\n1\n4 5 6 -200\n", two},
        {"PTS count wrong", "3\n1 2 3\n4 5 6\n", two, "3 点としていますが、2 点"},
        {"header and comments", "//X Y Z R G B\n# scan\n\n1 2 3\n// gap\n4 5 6\n", two},
        {"two header lines", "Scan 7\n\"X\",\"Y\",\"Z\"\n1,2,3\n4,5,6", two},
        {"separators", "1;2;3\t9\n\"4\", 5 ,6,,7\n", two},
        {"several columns a line are not carried over",
         "1 2 3 4 5 6\n7 8 9\n",
         {{1, 2, 3}, {7, 8, 9}}},
        {"NaN holes", "nan nan nan\n1 2 3\n4 nan 6\n4 5 6\n-inf 0 0\n", two, "点 3 個を除きました"},
        {"CR line ends and a BOM",
         "\xEF\xBB\xBF"
         "1 2 3\r4 5 6",
         two},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadedMesh m = read_ok(c.text);
        EXPECT_EQ(m.points.xyz, c.points);
        if (c.note != nullptr) {
            ASSERT_EQ(m.notes.size(), 1U);
            EXPECT_NE(m.notes[0].find(c.note), std::string::npos) << m.notes[0];
        } else {
            EXPECT_TRUE(m.notes.empty());
        }
    }
}

TEST(read_xyz_points, damaged_lines_are_refused_with_the_line_and_leave_the_output_alone)
{
    const BadFile cases[] = {
        {"empty", "", "点データがありません"},
        {"header only", "X Y Z\n", "点データがありません"},
        {"every point NaN", "nan 1 2\n", "有効な点がありません"},
        {"two numbers", "1 2 3\n4 5\n7 8 9\n", "座標が３つありません", 2, {}, 3},
        {"one decimal alone", "1 2 3\n4.5\n", "座標が３つありません", 2, {}, 2},
        {"text for y", "1 2 3\r\n4 y 6\r\n", "「y」は数値ではありません", 2, {}, 2},
        {"header after points", "1 2 3\nX Y Z\n", "「X」は数値ではありません", 2, {}, 1},
        {"count then a broken point", "2\n1 2 3\n4 5 six 7\n", "「six」", 3, {}, 3},
    };
    for (const BadFile& c : cases) {
        testing::expect_refused(read_xyz_points, c);
    }
}

}  // namespace
}  // namespace tengun
