#include "formats/csv_points.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <filesystem>
#include <random>
#include <sstream>

#include "geometry/number_text.h"
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

TEST(read_csv_points, a_row_is_a_point_whatever_else_it_holds)
{
    EXPECT_EQ(read_ok("1,2,3,4,5,6,7").xyz, (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok("1,,2,3").xyz, (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok("1 2 3 4\n5 6 7").xyz, (std::vector<Vec3>{{1, 2, 3}, {5, 6, 7}}));
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
    for (const char* text : {"", "\n\n", "x,y,z\n", "1,2", "# 1 2 3\n"}) {
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
                          Case{"pdal_text_crlf_test.txt", 10, {289814.15, 4320978.61, 170.76}},
                          Case{"pdal_text_quoted.txt", 9, {0, 1, 2}},
                          Case{"pdal_text_badheader.txt", 8, {0, 0, 0}},
                          Case{"libpointmatcher_car_cloud400.csv", 24989, {-3.5376, 0.639553, -1.37678}}}) {
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

TEST(csv_number, every_value_reads_back_and_full_precision_bit_for_bit)
{
    const double max = std::numeric_limits<double>::max();
    std::vector<double> values{max,
                               -max,
                               std::nextafter(max, 0.0),
                               1.79769313486231e308,
                               1.7e308,
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               -3 * std::numeric_limits<double>::denorm_min(),
                               -0.0,
                               0.1,
                               1.0 / 3.0,
                               123456789.123456789,
                               -1e-300};
    std::mt19937_64 rng(5);
    while (values.size() < 3000) {
        const auto v = std::bit_cast<double>(rng());
        if (std::isfinite(v)) {
            values.push_back(v);
        }
    }
    std::vector<Vec3> points;
    for (std::size_t i = 0; i + 2 < values.size(); i += 3) {
        points.push_back({values[i], values[i + 1], values[i + 2]});
    }
    const PointCloud standard = read_ok(write_csv_points(points));
    const PointCloud full = read_ok(write_csv_points(points, NumberPrecision::full));
    ASSERT_EQ(standard.size(), points.size());
    ASSERT_EQ(full.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            const double v = points[i][k];
            ASSERT_EQ(std::bit_cast<std::uint64_t>(full.xyz[i][k]), std::bit_cast<std::uint64_t>(v))
                << csv_number(v, NumberPrecision::full);
            if (std::abs(v) < 1.7e308) {
                // Below the largest doubles, the 15 digits the result fields show, as before.
                ASSERT_EQ(csv_number(v), format_number(v));
            }
            if (std::abs(v) >= std::numeric_limits<double>::min()) {
                ASSERT_NEAR(standard.xyz[i][k], v, std::abs(v) * 5e-15) << csv_number(v);
            }
        }
    }
    EXPECT_EQ(csv_number(max), "1.7976931348623157E+308");
    EXPECT_EQ(csv_number(-0.0, NumberPrecision::full), "-0");
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

LoadedMesh read_rows(std::string_view text, const ShortRowQuestion& question = {})
{
    LoadedMesh m;
    ReadError error;
    EXPECT_EQ(read_csv_points(text, m, error, {}, question), Status::ok)
        << error.reason << " line " << error.line;
    return m;
}

std::string joined(const std::vector<std::string>& notes)
{
    std::string all;
    for (const std::string& n : notes) {
        all += n + "\n";
    }
    return all;
}

TEST(read_csv_points, further_columns_and_decimal_commas_are_read_as_rows_and_said)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<Vec3> points;
        std::vector<const char*> notes;
    };
    const std::vector<Vec3> two{{1.5, 2.25, 3.125}, {-4, 5, 6e3}};
    const Case cases[] = {
        {"normals after x y z",
         "x,y,z,nx,ny,nz\n1.5 , 2.25 , 3.125 , 0,0,1\n-4,5,6e3,1,0,0\n",
         two,
         {"4列目から6列目まで（nx, ny, nz）は読み込んでいません"}},
        {"one extra column without names", "1.5 2.25 3.125 9\n-4 5 6e3 9\n", two, {"4列目は"}},
        {"semicolons and decimal commas", "X;Y;Z\n1,5;2,25;3,125\n-4;5;6e3\n", two,
         {"小数点がコンマ"}},
        {"tabs and decimal commas", "1,5\t2,25\t3,125\r\n-4\t5\t6,0e3\r\n", two,
         {"小数点がコンマ"}},
        {"quoted decimal commas", "\"1,5\";\"2,25\";\"3,125\"\n-4;5;6e3", two,
         {"小数点がコンマ"}},
        {"semicolons and decimal points", "1.5;2.25;3.125\n-4;5;6e3\n", two, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadedMesh m = read_rows(c.text);
        EXPECT_EQ(m.points.xyz, c.points);
        ASSERT_EQ(m.notes.size(), c.notes.size()) << joined(m.notes);
        for (std::size_t k = 0; k < c.notes.size(); ++k) {
            EXPECT_NE(m.notes[k].find(c.notes[k]), std::string::npos) << m.notes[k];
        }
    }
}

TEST(read_csv_points, short_rows_and_unclear_decimal_commas_are_refused_with_their_line)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t line;
        const char* reason;
    };
    const Case cases[] = {
        {"a value missing", "1,2,3\n4,,6\n7,8,9\n", 2, "３つありません"},
        {"one number a line", "1\n2\n3\n", 1, "３つありません"},
        {"decimal commas between blanks", "1,5 2,25 3,125\n", 1, "区別できません"},
        {"a point among commas", "1,5;2,25;3.125\n", 1, "区別できません"},
        {"decimal commas then points", "1,5;2,5;3,5\n4.5;5;6\n", 2, "「4.5」"},
    };
    PointCloud cloud;
    cloud.add({9, 9, 9});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadError error;
        EXPECT_EQ(read_csv_points(c.text, cloud, error), Status::error);
        EXPECT_EQ(error.line, c.line);
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
        EXPECT_EQ(cloud.xyz, (std::vector<Vec3>{{9, 9, 9}}));
    }
}

TEST(read_csv_points, short_rows_are_skipped_and_counted_when_the_user_accepts)
{
    const std::string text = "x,y,z\n1,2,3\n4,5\n7,8,9\n\n10\n11,12,13\n";
    std::vector<std::size_t> asked;
    const auto skip = [&](std::size_t line) {
        asked.push_back(line);
        return true;
    };
    const LoadedMesh m = read_rows(text, skip);
    EXPECT_EQ(m.points.xyz, (std::vector<Vec3>{{1, 2, 3}, {7, 8, 9}, {11, 12, 13}}));
    EXPECT_EQ(asked, (std::vector<std::size_t>{3})) << "asked once, at the first";
    ASSERT_EQ(m.notes.size(), 1U);
    EXPECT_NE(m.notes[0].find("2 行（最初は 3 行目）"), std::string::npos) << m.notes[0];

    LoadedMesh kept;
    kept.notes.push_back("before");
    ReadError error;
    EXPECT_EQ(read_csv_points(text, kept, error, {}, [](std::size_t) { return false; }),
              Status::error);
    EXPECT_EQ(error.line, 3U);
    EXPECT_EQ(kept.notes, (std::vector<std::string>{"before"}));
}

TEST(read_csv_points, the_samples_read_as_a_plain_parse_of_their_lines)
{
    // One point a line of three blank-separated numbers: the samples, and every file the
    // program wrote, read exactly as strtod reads each line.
    for (const auto& entry : std::filesystem::directory_iterator(TENGUN_SAMPLES_DIR)) {
        if (entry.path().extension() != ".csv") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        const std::string text = testing::TempDir::read(entry.path().string());
        std::vector<Vec3> expected;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            Vec3 p{};
            char* at = line.data();
            for (double& v : p) {
                v = std::strtod(at, &at);
            }
            expected.push_back(p);
        }
        const LoadedMesh m = read_rows(text);
        EXPECT_EQ(m.points.xyz, expected);
        EXPECT_TRUE(m.notes.empty());
    }
}

}  // namespace
}  // namespace tengun
