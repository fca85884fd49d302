#include "formats/iges_points.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/format_files.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::make_iges;

std::vector<Vec3> read_ok(std::string_view text)
{
    PointCloud cloud;
    ReadError error;
    EXPECT_EQ(read_iges_points(text, cloud, error), Status::ok)
        << error.reason << " line " << error.line;
    EXPECT_EQ(cloud.label.size(), cloud.xyz.size());
    return cloud.xyz;
}

const std::vector<Vec3> two_lines{{1, 0, 0}, {10, 0.5, 0}, {10, 10.5, 0}};

TEST(read_iges_points, connected_lines_share_their_joint_however_the_records_are_split)
{
    // Each record split after x2, as the two-line layout of long records does.
    EXPECT_EQ(
        read_ok(make_iges({"110,1.,0.,0.,10.,", "0.5,0.;", "110,10.,0.5,0.,10.,", "10.5,0.;"})),
        two_lines);
    // Split after y2, not split at all, or split anywhere, even inside a number.
    EXPECT_EQ(
        read_ok(make_iges({"110,1.,0.,0.,10.,0.5,", "0.;", "110,10.,0.5,0.,10.,10.5,", "0.;"})),
        two_lines);
    const std::string first = "110,1.,0.,0.,10.,0.5,0.;";
    const std::string second = "110,10.,0.5,0.,10.,10.5,0.;";
    EXPECT_EQ(read_ok(make_iges({first, second})), two_lines);
    for (std::size_t k = 1; k < first.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(read_ok(make_iges({first.substr(0, k), first.substr(k), second})), two_lines);
    }
    // A record over three lines, and a separate line that does not join.
    EXPECT_EQ(read_ok(make_iges({"110,", "1.,0.,0.,", "2.,0.,0.;", "110,5.,5.,5.,6.,6.,6.;"})),
              (std::vector<Vec3>{{1, 0, 0}, {2, 0, 0}, {5, 5, 5}, {6, 6, 6}}));
}

TEST(read_iges_points, start_points_are_compared_with_the_previous_end_from_the_origin)
{
    EXPECT_EQ(read_ok(make_iges({"110,0.,0.,0.,1.,2.,3.;"})), (std::vector<Vec3>{{1, 2, 3}}));
    EXPECT_EQ(read_ok(make_iges({"110,-0.,0.,0.,1.,2.,3.;"})), (std::vector<Vec3>{{1, 2, 3}}))
        << "-0 equals 0";
    // A line back to an earlier point repeats that point: only the previous end is compared.
    EXPECT_EQ(
        read_ok(make_iges({"110,1,1,1,2,2,2;", "110,2,2,2,1,1,1;", "110,2,2,2,3,3,3;"})).size(),
        5U);
}

TEST(read_iges_points, other_entities_and_their_text_add_nothing)
{
    EXPECT_TRUE(read_ok(make_iges({})).empty());
    EXPECT_TRUE(read_ok(make_iges({"100,0.,110.,110.,110.,110.,110.,110.;"})).empty())
        << "a coordinate 110 in another entity is no line";
    // Text constants may hold the delimiters; the line after them is still found.
    EXPECT_EQ(read_ok(make_iges({"212,1,9H110,1;2,3,0.,0.;", "110,1.D0,2.d0,3.,4.0D+1,5,6;"})),
              (std::vector<Vec3>{{1, 2, 3}, {40, 5, 6}}));
    // Blank (default) coordinates are 0; text after the record delimiter is no data.
    EXPECT_EQ(read_ok(make_iges({"110,1.,2.,3., ,,;  comment 110,7,7,7,7,7,7;"})),
              (std::vector<Vec3>{{1, 2, 3}, {0, 0, 0}}));
}

TEST(read_iges_points, delimiters_named_in_the_global_section_are_used)
{
    EXPECT_EQ(read_ok(make_iges({"110/1./2./3./4./5./6.#"}, "1H//1H#/4Htest#")),
              (std::vector<Vec3>{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(read_ok(make_iges({"110,1.,2.,3.,4.,5.,6.;"}, ",,4Htest;")).size(), 2U);
}

TEST(read_iges_points, line_ends_and_unbroken_records_read_alike)
{
    const std::vector<std::string> p{"110,1.,0.,0.,10.,0.5,0.;", "110,10.,0.5,0.,10.,10.5,0.;"};
    EXPECT_EQ(read_ok(make_iges(p, "1H,,1H;;", "\n")), two_lines);
    EXPECT_EQ(read_ok(make_iges(p, "1H,,1H;;", "\r")), two_lines);
    EXPECT_EQ(read_ok(make_iges(p, "1H,,1H;;", "")), two_lines) << "80-column records, no breaks";
    EXPECT_EQ(read_ok(make_iges(p) + "\r\n\r\n"), two_lines) << "blank lines at the end";
}

TEST(read_iges_points, damaged_or_foreign_files_are_errors_and_keep_the_cloud)
{
    PointCloud cloud;
    cloud.add({9, 9, 9});
    const PointCloud before = cloud;
    const std::string good = make_iges({"110,1.,0.,0.,10.,", "0.5,0.;"});
    struct Case {
        const char* name;
        std::string text;
        const char* reason_part;
        std::size_t line;
    };
    const std::size_t t_line = good.rfind("T      1");
    const Case cases[] = {
        {"empty", "", "途中", 0},
        {"no terminate section", good.substr(0, good.rfind('\n', t_line) + 1), "途中", 0},
        {"record cut", make_iges({"110,1.,0.,0.,10.,"}), "途中", 3},
        {"not a number", make_iges({"110,1.,0.,0.,", "1O.,0.5,0.;"}), "1O.", 4},
        {"too few values", make_iges({"110,1.,0.,0.,10.;"}), "６つ", 3},
        {"not IGES", "solid x\nfacet normal 0 0 1\n", "IGES", 1},
        {"bad section letter", good.substr(0, 81) + std::string(72, ' ') + "X      1\n", "73桁目",
         2},
        {"compressed", std::string(72, ' ') + "C      1\n", "圧縮", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadError error;
        EXPECT_EQ(read_iges_points(c.text, cloud, error), Status::error);
        EXPECT_NE(error.reason.find(c.reason_part), std::string::npos) << error.reason;
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(cloud, before);
    }
}

/// An IGES file as simple exporters and hand editing leave it: the Start and Global lines,
/// a directory entry pair per entity and the parameter lines, every line ending with a
/// sequence number (and the parameter lines with their directory pointer when `pointers`) but
/// without a section letter.
std::string letterless_iges(const std::vector<int>& entity_types,
                            const std::vector<std::string>& parameter_lines, bool pointers = true,
                            bool header = true)
{
    const auto field = [](const std::string& v) {
        return std::string(v.size() < 8 ? 8 - v.size() : 0, ' ') + v;
    };
    std::string out;
    int seq = 0;
    const auto line = [&](std::string data, std::size_t width) {
        data.resize(std::max(width, data.size()), ' ');
        out += data + field(std::to_string(++seq)) + "\n";
    };
    if (header) {
        line("hand-made test file", 72);
        seq = 0;
        line("1H,,1H;,4Htest,8Htest.igs;", 72);
        seq = 0;
    }
    for (std::size_t e = 0; e < entity_types.size(); ++e) {
        const std::string type = std::to_string(entity_types[e]);
        line(field(type) + field(std::to_string(2 * e + 1)) + field("0") + field("0") +
                 field("0") + field("0") + field("0") + field("00000000"),
             72);
        line(field(type) + field("0") + field("0") + field("1") + field("0"), 72);
    }
    seq = 0;
    for (const std::string& p : parameter_lines) {
        if (pointers) {
            line(p + std::string(p.size() < 64 ? 64 - p.size() : 1, ' ') + field("1"), 72);
        } else {
            out += p + "      " + std::to_string(++seq) + "\n";
        }
    }
    return out;
}

TEST(read_iges_points, files_without_section_letters_read_by_their_records)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<Vec3> points;
    };
    const std::vector<Vec3> none;
    const Case cases[] = {
        {"two connected lines split after x2",
         letterless_iges({110, 110}, {"110,1.0,0.0,0.0,10.0,", "0.5,0.0;", "110,10.0,0.5,0.0,10.0,",
                                      "10.5,0.0;"}),
         two_lines},
        {"sequence numbers only, no header",
         letterless_iges({110, 110},
                         {"110,1.0,0.0,0.0,10.0,", "0.5,0.0;", "110,10.0,0.5,0.0,10.0,",
                          "10.5,0.0;"},
                         false, false),
         two_lines},
        {"records not split, long lines",
         letterless_iges({110, 110},
                         {"110,1.000000000000000,0.000000000000000,0.000000000000000,"
                          "10.00000000000000,0.5000000000000000,0.0;",
                          "110,10.0,0.5,0.0,10.0,10.5,0.0;"}),
         two_lines},
        {"a first line from the origin gives its end point",
         letterless_iges({110}, {"110,0.0,0.0,0.0,1.0,2.0,3.0;"}), {{1, 2, 3}}},
        {"no line entity", letterless_iges({100}, {"100,0.0,0.0,0.0,1.0,0.0,0.0,1.0;"}), none},
        {"a coordinate 110 in other entities",
         letterless_iges({100, 126, 110},
                         {"100,0.,110.,110.,110.,110.,110.,110.;", "126,1,1,0,0,1,0,0.,0.,",
                          "110.,110.,110.,110.,110.,110.;", "110,4.,5.,6.,7.,8.,9.;"}),
         {{4, 5, 6}, {7, 8, 9}}},
        {"split after a whole-number y2",
         letterless_iges({110}, {"110,1.0,2.0,3.0,4.5,6.0,", "7.5;"}, false),
         {{1, 2, 3}, {4.5, 6.0, 7.5}}},
        {"split after y2, blank-separated",
         letterless_iges({110}, {"110 1.0 2.0 3.0 4.5 6.0", "7.5;"}, false),
         {{1, 2, 3}, {4.5, 6.0, 7.5}}},
        {"no record delimiter at all: by field positions",
         letterless_iges({110}, {"110 1.0 2.0 3.0 4.5 6.0", "7.5"}, false, false),
         {{1, 2, 3}, {4.5, 6.0, 7.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(read_ok(c.text), c.points);
    }
    // A record cut short and a coordinate that is not a number are still errors.
    PointCloud cloud;
    cloud.add({9, 9, 9});
    ReadError error;
    EXPECT_EQ(read_iges_points(letterless_iges({110}, {"110,1.0,2.0,3.0,4.5,"}), cloud, error),
              Status::error);
    EXPECT_EQ(read_iges_points(letterless_iges({110}, {"110,1.0,2.0,x,4.5,5,6;"}), cloud, error),
              Status::error);
    EXPECT_NE(error.reason.find("「x」"), std::string::npos) << error.reason;
    EXPECT_EQ(error.line, 5U);
    EXPECT_EQ(cloud.size(), 1U);
}

TEST(read_iges_points, real_files_give_their_lines)
{
    const std::filesystem::path dir = std::filesystem::path(TENGUN_EXTERNAL_DATA) / "iges";
    const auto read_file = [&dir](const char* name, PointCloud& cloud, ReadError& error) {
        const std::string text = testing::TempDir::read((dir / name).string());
        EXPECT_FALSE(text.empty()) << name;
        return read_iges_points(text, cloud, error);
    };
    struct Expected {
        const char* file;
        std::size_t lines;
    };
    const Expected files[] = {
        {"pyiges_f110x.igs", 2},
        {"pyiges_de04.igs", 5},
        {"pyiges_lbrackt.igs", 58},
        {"pyiges_startrek.igs", 1067},
        {"igesio_sample_curves.igs", 4},
        {"thaddeus_chassis_007_simp_SolidWorks.IGS", 32},
        {"thaddeus_tubes_splined_Parasolid_crlf.iges", 7},
    };
    for (const Expected& e : files) {
        SCOPED_TRACE(e.file);
        PointCloud cloud;
        ReadError error;
        ASSERT_EQ(read_file(e.file, cloud, error), Status::ok) << error.reason << error.line;
        EXPECT_GE(cloud.size(), e.lines);
        EXPECT_LE(cloud.size(), 2 * e.lines);
    }
    const auto has = [](const PointCloud& c, const Vec3& p) {
        return std::find(c.xyz.begin(), c.xyz.end(), p) != c.xyz.end();
    };
    PointCloud de04;
    ReadError error;
    ASSERT_EQ(read_file("pyiges_de04.igs", de04, error), Status::ok);
    EXPECT_EQ(de04.size(), 10U) << "five parallel lines";
    EXPECT_TRUE(has(de04, {3, 5, 0})) << "the end point of an unsplit record";
    PointCloud chassis;
    ASSERT_EQ(read_file("thaddeus_chassis_007_simp_SolidWorks.IGS", chassis, error), Status::ok);
    EXPECT_TRUE(has(chassis, {10.3236, 7.998381981, -8.482586165})) << "a record split after y2";

    PointCloud kept;
    kept.add({1, 1, 1});
    EXPECT_EQ(read_file("igesio_truncated_DE.iges", kept, error), Status::error);
    EXPECT_EQ(kept.size(), 1U);
}

}  // namespace
}  // namespace tengun
