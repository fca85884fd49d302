#include "formats/csv_points.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>

#include "support/temp_dir.h"

namespace tengun {
namespace {

PointCloud read_ok(std::string_view text)
{
    PointCloud cloud;
    ReadError error;
    EXPECT_EQ(read_csv_points(text, cloud, error), Status::ok) << error.reason;
    return cloud;
}

TEST(read_csv_points, groups_values_in_threes_whatever_the_lines)
{
    EXPECT_EQ(read_ok("1,2,3,4,5,6,7").xyz, (std::vector<Vec3>{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(read_ok("1,,2,3").xyz, (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok("1\n2\n3\n").xyz, read_ok("1,2,3").xyz);
    EXPECT_EQ(read_ok("1 2 3 4\n5 6").xyz, (std::vector<Vec3>{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(read_ok("-12.5, 3 ,1.2E-03").xyz, (std::vector<Vec3>{{-12.5, 3, 0.0012}}));
    EXPECT_EQ(read_ok("\"1\",\"2\",\" 3\"").xyz, (std::vector<Vec3>{{1, 2, 3}}))
        << "quoted fields lose their quotes";
    EXPECT_EQ(read_ok("+1,.5,5.").xyz, (std::vector<Vec3>{{1, 0.5, 5}}));
    const PointCloud c = read_ok("1,2,3\n\n\n4,5,6,\n");
    EXPECT_EQ(c.size(), 2U);
    EXPECT_EQ(c.label, (std::vector<double>{0, 0}));
}

TEST(read_csv_points, line_ends_byte_order_mark_and_last_line_read_alike)
{
    const std::vector<Vec3> expected{{1, 2, 3}, {4, 5, 6}};
    for (const char* text : {"1,2,3\r\n4,5,6\r\n", "1,2,3\r4,5,6\r", "1,2,3\n4,5,6\n",
                             "\xEF\xBB\xBF" "1,2,3\n4,5,6", "1\t2\t3\n4;5;6"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read_ok(text).xyz, expected);
    }
}

TEST(read_csv_points, headers_and_comments_of_real_exports_are_skipped)
{
    EXPECT_EQ(read_ok("x,y,z\n1,2,3\n").xyz, (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok("\"X\",\"Y\",\"Z\"\n1,2,3").xyz, (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok("# scanner export\n  # units mm\n1 2 3\n#end\n").xyz,
              (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok("X,Y,X\n\n0, 0, 0\n.5, .5, 1\n").size(), 2U);
}

TEST(read_csv_points, a_bad_field_names_its_line_and_field_and_keeps_the_cloud)
{
    PointCloud cloud;
    cloud.add({9, 9, 9});
    const PointCloud before = cloud;
    ReadError error;
    EXPECT_EQ(read_csv_points("1,2,3\r\n4,abc,6\r\n", cloud, error), Status::error);
    EXPECT_EQ(error.line, 2U);
    EXPECT_EQ(error.field, 2U);
    EXPECT_NE(error.reason.find("abc"), std::string::npos);
    EXPECT_EQ(cloud, before);

    // Past the first line, a line of words is no header.
    EXPECT_EQ(read_csv_points("1,2,3\nx,y,z\n", cloud, error), Status::error);
    EXPECT_EQ(error.line, 2U);
    EXPECT_EQ(error.field, 1U);
    // A first line with numbers and words is no header either.
    EXPECT_EQ(read_csv_points("1,2,z\n", cloud, error), Status::error);
    EXPECT_EQ(error.field, 3U);
    EXPECT_EQ(read_csv_points("1,2,nan", cloud, error), Status::error);
    EXPECT_EQ(read_csv_points("1,2,1e999", cloud, error), Status::error);
    EXPECT_EQ(cloud, before);
}

TEST(read_csv_points, a_file_without_points_is_an_error)
{
    PointCloud cloud;
    ReadError error;
    for (const char* text : {"", "\n\n", "x,y,z\n", "1,2"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read_csv_points(text, cloud, error), Status::error);
        EXPECT_FALSE(error.reason.empty());
    }
}

TEST(read_csv_points, real_exports_load)
{
    const std::string dir = std::string(TENGUN_EXTERNAL_DATA) + "/pointclouds/";
    struct Case {
        const char* file;
        std::size_t points;
        Vec3 first;
    };
    for (const Case& c : {Case{"pcl_bunny.xyz", 397, {0.0054216, 0.11349, 0.040749}},
                          Case{"pdal_autzen-thin_derived.csv", 10653, {637148.03, 849062.47, 422.24}},
                          Case{"pdal_text_crlf_test.txt", 13, {289814.15, 4320978.61, 170.76}},
                          Case{"pdal_text_quoted.txt", 9, {0, 1, 2}},
                          Case{"pdal_text_badheader.txt", 8, {0, 0, 0}},
                          Case{"libpointmatcher_car_cloud400.csv", 49978, {-3.5376, 0.639553, -1.37678}}}) {
        SCOPED_TRACE(c.file);
        const std::string text = testing::TempDir::read(dir + c.file);
        ASSERT_FALSE(text.empty());
        PointCloud cloud;
        ReadError error;
        ASSERT_EQ(read_csv_points(text, cloud, error), Status::ok)
            << error.reason << " line " << error.line;
        EXPECT_EQ(cloud.size(), c.points);
        EXPECT_EQ(cloud.xyz.front(), c.first);
    }
}

TEST(write_csv_points, reads_back_to_the_same_points)
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> u(-1e4, 1e4);
    std::vector<Vec3> pts;
    for (int i = 0; i < 200; ++i) {
        pts.push_back({u(rng), u(rng) * 1e-9, u(rng) * 1e12});
    }
    pts.push_back({0, -0.0, 1e-300});
    const std::string text = write_csv_points(pts);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find(','), std::string::npos);
    const PointCloud back = read_ok(text);
    ASSERT_EQ(back.size(), pts.size());
    for (std::size_t i = 0; i < pts.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(back.xyz[i][k], pts[i][k], std::abs(pts[i][k]) * 1e-14);
        }
    }
}

TEST(force_extension, replaces_or_appends)
{
    const auto forced = [](std::string name) {
        force_extension(name, ".csv");
        return name;
    };
    EXPECT_EQ(forced("result.CSV"), "result.csv");
    EXPECT_EQ(forced("result"), "result.csv");
    EXPECT_EQ(forced("a.b"), "a.b.csv");
    EXPECT_EQ(forced("a.txt"), "a.csv");
    EXPECT_EQ(forced("a.xy"), "a.xy.csv");
    EXPECT_EQ(forced("a.csv"), "a.csv");
    EXPECT_EQ(forced("abc"), "abc.csv");
}

TEST(merge_csv_points, keeps_at_most_the_points_there_are)
{
    PointCloud current;
    for (int i = 0; i < 4; ++i) {
        current.add({double(i), 0, 0}, 1.0);
    }
    PointCloud extra;
    extra.add({7, 7, 7});
    PointCloud merged = merge_csv_points(current, 2, extra);
    EXPECT_EQ(merged.xyz, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {7, 7, 7}}));
    EXPECT_EQ(merged.label, (std::vector<double>{0, 0, 0}));
    merged = merge_csv_points(current, 10, extra);  // base beyond the cloud after a removal
    EXPECT_EQ(merged.size(), 5U);
}

}  // namespace
}  // namespace tengun

namespace tengun {
namespace {

TEST(read_csv_points, plain_decimals_read_exactly_as_from_chars_reads_them)
{
    // The fast path for plain decimals must give the correctly rounded double every time.
    std::mt19937_64 rng(77);
    std::uniform_int_distribution<int> digits(1, 17);
    std::uniform_int_distribution<int> digit(0, 9);
    std::string text;
    std::vector<double> expected;
    for (int i = 0; i < 30000; ++i) {
        std::string number = i % 2 == 0 ? "-" : "";
        const int n = digits(rng);
        const int point = std::uniform_int_distribution<int>(0, n)(rng);
        for (int k = 0; k < n; ++k) {
            if (k == point && k > 0) {
                number += '.';
            }
            number += static_cast<char>('0' + digit(rng));
        }
        double x = 0.0;
        std::from_chars(number.data(), number.data() + number.size(), x);
        expected.push_back(x);
        text += number + (i % 3 == 2 ? "\r\n" : ",");
    }
    const PointCloud cloud = read_ok(text);
    ASSERT_EQ(cloud.size(), 10000U);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(cloud.xyz[i / 3][i % 3], expected[i]) << "value " << i;
    }
}

}  // namespace
}  // namespace tengun
