#include "formats/pcd_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::BadFile;
using testing::external_file;
using testing::make_pcd;
using testing::PcdField;
using testing::PcdLayout;

LoadedMesh read_ok(std::string_view bytes)
{
    return testing::read_ok(read_pcd_points, bytes);
}

TEST(read_pcd_points, real_files_give_the_counts_and_bounds_of_their_sources)
{
    const testing::FileFacts files[] = {
        {"pcd/pcl_bun0.pcd",
         397,
         0,
         {-0.093938001, 0.037420001, -0.055025999},
         {0.059562001, 0.18449999, 0.057803001},
         {0.0054215998, 0.11349, 0.040748999}},
        {"pcd/pcl_nhood_test.pcd",
         36,
         0,
         {-1.09421, -0.793598, 1.503516},
         {-1.004069, -0.703967, 1.564897},
         {-1.05057, -0.75085, 1.527237}},
        {"pcd/pdal_utm17_space.pcd",
         10,
         0,
         {289814.15, 4320978.61, 170.58},
         {289818.5, 4320980.59, 170.76},
         {289814.15, 4320978.61, 170.76},
         1e-15},
        {"pcd/pcl_colored_cloud.pcd",
         1000,
         0,
         {-0.887101, -0.6507353, 0.882},
         {0.4888, -0.3754896, 1.532},
         {-0.8550515, -0.6315086, 1.467}},
        {"pcd/pcl_office1_keypoints.pcd",
         1318,
         0,
         {-10.987968, -8.7699995, -1.3615},
         {10.130501, 5.908334, 2.1778333},
         {3.6486306, 4.245653, 0.45956555}},
        {"pcd/pdal_autzen-utm.pcd",
         1065,
         0,
         {493994.87, 4877429.62, 123.93},
         {494993.68, 4878817.0200000005, 178.73},
         {494428.61, 4877455.58, 131.57},
         1e-15},
        {"pcd/pcl_complex_ascii.pcd",
         1,
         0,
         {-69.234001, -65.460999, 19.173},
         {-69.234001, -65.460999, 19.173},
         {-69.234001, -65.460999, 19.173}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        const LoadedMesh m = read_ok(external_file(f.path));
        testing::expect_facts(m, f);
        EXPECT_TRUE(m.notes.empty()) << m.notes.front();
    }
}

/// The real binary cloud's records (x y z intensity) with a made-up intensity.
std::vector<std::vector<double>> keypoint_records(const LoadedMesh& m)
{
    std::vector<std::vector<double>> records;
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        const Vec3& p = m.points.xyz[i];
        records.push_back({p[0], p[1], p[2], 0.25 * static_cast<double>(i % 7)});
    }
    return records;
}

TEST(read_pcd_points, one_cloud_reads_the_same_in_every_encoding_and_field_layout)
{
    const LoadedMesh reference = read_ok(external_file("pcd/pcl_office1_keypoints.pcd"));
    const auto plain = keypoint_records(reference);
    // x, y, z last, in reverse order and upper case, behind fields of COUNT > 1, a padding
    // field of one byte and an integer colour.
    PcdLayout mixed;
    mixed.fields = {{"fpfh", 'F', 4, 33}, {"Z"}, {"normal", 'F', 8, 3}, {"_", 'F', 1, 1}, {"Y"},
                    {"rgb", 'U', 4},      {"X"}};
    std::vector<std::vector<double>> mixed_records;
    for (const auto& r : plain) {
        std::vector<double> m(33, 0.5);
        m.insert(m.end(), {r[2], 0.1, 0.2, 0.3, 7, r[1], 255, r[0]});
        mixed_records.push_back(m);
    }
    for (const char* data : {"ascii", "binary", "binary_compressed"}) {
        SCOPED_TRACE(data);
        PcdLayout simple;
        simple.fields.push_back({"intensity"});
        simple.data = mixed.data = data;
        EXPECT_EQ(read_ok(make_pcd(simple, plain)), reference);
        EXPECT_EQ(read_ok(make_pcd(mixed, mixed_records)), reference);
        // x, y, z of one type take a faster path than mixed types: the same points either way.
        simple.fields[1].type = 'F';
        simple.fields[1].size = 8;
        EXPECT_EQ(read_ok(make_pcd(simple, plain)), reference);
    }
    // Text keeps the digits that a 4-byte TYPE F could not: utm17 as written, same as its text
    // twin (X,Y,Z header, commas).
    const LoadedMesh utm = read_ok(external_file("pcd/pdal_utm17_space.pcd"));
    EXPECT_EQ(utm.points.xyz[9], (Vec3{289818.50, 4320980.59, 170.58}));
}

TEST(read_pcd_points, coordinates_of_every_type_and_size)
{
    struct Case {
        char type;
        int size;
        double value;
    };
    const Case cases[] = {{'F', 4, 1.5},          {'F', 8, 0.1},
                          {'I', 1, -128},         {'I', 2, -32768},
                          {'I', 4, -2147483648.}, {'I', 8, -9007199254740992.},
                          {'U', 1, 255},          {'U', 2, 65535},
                          {'U', 4, 4294967295.},  {'U', 8, 18446744073709549568.}};
    for (const Case& c : cases) {
        for (const char* data : {"binary", "binary_compressed", "ascii"}) {
            SCOPED_TRACE(std::string(1, c.type) + std::to_string(c.size) + " " + data);
            PcdLayout layout;
            layout.data = data;
            layout.fields = {{"y", 'U', 1}, {"x", c.type, c.size}, {"z", c.type, c.size}};
            const LoadedMesh m = read_ok(make_pcd(layout, {{7, c.value, 0}, {0, 1, c.value}}));
            EXPECT_EQ(m.points.xyz, (std::vector<Vec3>{{c.value, 7, 0}, {1, 0, c.value}}));
        }
    }
}

TEST(read_pcd_points, an_organised_cloud_loses_its_nan_points_and_says_how_many)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::vector<double>> grid;
    std::vector<Vec3> finite;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            const Vec3 p{double(col), double(row), 0.5 * col};
            const int k = row * 4 + col;
            if (k % 3 == 1) {  // holes with NaN in x, y or z; one infinite
                grid.push_back({k == 1 ? nan : p[0], k == 4 ? nan : p[1], k == 7 ? inf : nan});
            } else {
                grid.push_back({p[0], p[1], p[2]});
                finite.push_back(p);
            }
        }
    }
    for (const char* data : {"ascii", "binary", "binary_compressed"}) {
        for (const int size : {4, 8}) {
            SCOPED_TRACE(std::string(data) + " F" + std::to_string(size));
            PcdLayout layout;
            layout.data = data;
            layout.width = 4;
            layout.height = 3;
            layout.fields = {{"x", 'F', size}, {"y", 'F', size}, {"z", 'F', size}};
            const LoadedMesh m = read_ok(make_pcd(layout, grid));
            EXPECT_EQ(m.points.xyz, finite);
            ASSERT_EQ(m.notes.size(), 1U);
            EXPECT_NE(m.notes[0].find("点 4 個を除きました"), std::string::npos) << m.notes[0];
        }
    }
}

TEST(read_pcd_points, counts_that_disagree_read_the_points_and_say_so)
{
    const std::vector<std::vector<double>> four{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
    PcdLayout layout;
    layout.points = 3;  // WIDTH 4: the records are POINTS; the fourth is left over
    const LoadedMesh m = read_ok(make_pcd(layout, four));
    EXPECT_EQ(m.points.size(), 3U);
    ASSERT_EQ(m.notes.size(), 2U);
    EXPECT_NE(m.notes[0].find("POINTS（3）と WIDTH×HEIGHT（4）"), std::string::npos);
    EXPECT_NE(m.notes[1].find("末尾の 12 バイト"), std::string::npos);
    layout.data = "ascii";
    EXPECT_NE(read_ok(make_pcd(layout, four)).notes[1].find("1 行は無視"), std::string::npos);

    // Without POINTS the records are WIDTH x HEIGHT; header words in any letter case; CR LF.
    std::string text = "version .5\r\nfields X y Z\r\nwidth 2\r\nheight 2\r\ndata ascii\r\n"
                       "1 2 3\r\n4 5 6\r\n\r\n7 8 9\r\n1e1 -1 +2";
    const LoadedMesh n = read_ok(text);
    EXPECT_EQ(n.points.xyz, (std::vector<Vec3>{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, -1, 2}}));
    EXPECT_TRUE(n.notes.empty());
}

TEST(read_pcd_points, broken_files_are_refused_and_leave_the_output_alone)
{
    const std::vector<std::vector<double>> two{{1, 2, 3}, {4, 5, 6}};
    const std::string binary = make_pcd({}, two);
    PcdLayout text_layout;
    text_layout.data = "ascii";
    const std::string ascii = make_pcd(text_layout, two);
    PcdLayout packed_layout;
    packed_layout.data = "binary_compressed";
    const std::string packed = make_pcd(packed_layout, two);
    const auto data_at = [](const std::string& s) { return s.find('\n', s.find("DATA")) + 1; };
    const std::size_t at = data_at(binary);
    const std::size_t packed_at = data_at(packed);
    const auto edit = [](std::string s, std::string_view from, std::string_view to) {
        return s.replace(s.find(from), from.size(), to);
    };
    const auto poke = [](std::string s, std::size_t at, std::uint32_t v) {
        testing::put_le(s, at, v);
        return s;
    };
    // Longer numbers, so that the count check before reading lets a short file through.
    const std::string wide_text = edit(ascii, "1 2 3", "1.00000000 2.00000000 3.00000000");
    const std::string far = edit(binary, "POINTS 2", "POINTS 99999999999999");
    const std::string wide =
        edit(edit(packed, "WIDTH 2", "WIDTH 100000"), "POINTS 2", "POINTS 100000");
    std::string damaged = packed;
    damaged.replace(packed_at + 8, 2, "\x20\x05");
    const BadFile cases[] = {
        {"no DATA line", binary.substr(0, binary.find("DATA")), "DATA 行がありません"},
        {"unknown DATA", edit(binary, "binary\n", "binary_lz4\n"), "binary_lz4", 11},
        {"no FIELDS", edit(ascii, "FIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\n", ""),
         "FIELDS 行がありません", 7},
        {"SIZE before FIELDS", edit(binary, "VERSION 0.7", "SIZE 4"), "FIELDS 行より前", 2},
        {"no z field", edit(binary, "x y z", "x y w"), "x, y, z", 3},
        {"SIZE count", edit(binary, "SIZE 4 4 4", "SIZE 4 4"), "SIZE の値の数", 4},
        {"TYPE letter", edit(binary, "TYPE F F F", "TYPE F Q F"), "「Q」", 5, {}, 3},
        {"COUNT zero", edit(binary, "COUNT 1 1 1", "COUNT 1 0 1"), "COUNT の値「0」", 6, {}, 3},
        {"x of two bytes", edit(binary, "SIZE 4 4 4", "SIZE 2 4 4"), "x の型", 5, {}, 2},
        {"binary without TYPE", edit(binary, "TYPE F F F\n", ""), "TYPE 行", 3},
        {"POINTS not a number", edit(binary, "POINTS 2", "POINTS two"), "POINTS の値", 10},
        {"POINTS 0", edit(binary, "POINTS 2", "POINTS 0"), "点の数が 0", 10},
        {"no count", edit(edit(binary, "POINTS 2\n", ""), "WIDTH 2\n", ""), "POINTS も WIDTH", 9},
        {"binary cut short", binary.substr(0, binary.size() - 1), "データが足りません", 0, at},
        {"binary count past the end", far, "データが足りません", 0, data_at(far)},
        {"text count past the end", edit(ascii, "POINTS 2", "POINTS 1000000"), "入りきりません",
         10},
        {"text value missing", edit(wide_text, "4 5 6", "4 5"), "値が足りません", 13, {}, 3},
        {"text not a number",
         edit(ascii, "4 5 6", "4 five 6"),
         "「five」は数値ではありません",
         13,
         {},
         2},
        {"text rows missing", edit(wide_text, "POINTS 2", "POINTS 3"), "2 点で終わっています", 14},
        {"every point NaN", edit(edit(ascii, "1 2 3", "nan 2 3"), "4 5 6", "4 nan 6"),
         "有効な点がありません"},
        {"packed size past the end", poke(packed, packed_at, 1000), "入りきりません", 0, packed_at},
        {"unpacked size not the records'", poke(packed, packed_at + 4, 25), "展開後の大きさ", 0,
         packed_at + 4},
        {"unpacked size beyond any LZF ratio", poke(wide, data_at(wide) + 4, 1200000),
         "得られる大きさを超えて", 0, data_at(wide) + 4},
        {"packed bytes damaged", damaged, "圧縮データが壊れています", 0, packed_at + 8},
        {"packed header missing", packed.substr(0, packed_at + 5), "見出し", 0, packed_at},
    };
    for (const BadFile& c : cases) {
        testing::expect_refused(read_pcd_points, c);
    }
}

TEST(read_pcd_points, a_packed_size_is_held_to_what_lzf_can_give)
{
    // Zeros pack as tightly as LZF can, close to its limit of 88 times (a 3-byte reference
    // gives at most 264 bytes): such a file reads.
    PcdLayout layout;
    layout.data = "binary_compressed";
    const std::string dense = make_pcd(layout, std::vector<std::vector<double>>(100000, {0, 0, 0}));
    const std::size_t at = dense.find('\n', dense.find("DATA")) + 1;
    const auto packed = testing::get_le<std::uint32_t>(dense, at);
    EXPECT_GT(1200000.0 / packed, 80.0);
    EXPECT_EQ(read_ok(dense).points.size(), 100000U);
    // A header claiming a little more than 88 times its packed bytes is refused from the header
    // (not by the unpacking of bytes that cannot give it, after the buffer was taken).
    std::string claims = dense.substr(0, at);
    const std::size_t points = 88 * 100 / 12 + 1;
    claims.replace(claims.find("WIDTH 100000"), 12, "WIDTH " + std::to_string(points));
    claims.replace(claims.find("POINTS 100000"), 13, "POINTS " + std::to_string(points));
    const std::size_t claims_at = claims.size();
    testing::append_le(claims, std::uint32_t{100});
    testing::append_le(claims, static_cast<std::uint32_t>(12 * points));
    claims += std::string(100, '\x1F');
    testing::expect_refused(read_pcd_points, {"just beyond the ratio", claims,
                                              "得られる大きさを超えて", 0, claims_at + 4});
}

}  // namespace
}  // namespace tengun
