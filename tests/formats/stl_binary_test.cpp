#include "formats/stl_binary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "formats/stl_mesh.h"
#include "support/format_files.h"
#include "support/reference_stl.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::BadFile;
using testing::external_file;
using testing::Facet;
using testing::make_binary_stl;
using testing::make_stl;

constexpr auto read_binary = [](std::string_view b, LoadedMesh& m, ReadError& e) {
    return read_binary_stl(b, m, e);
};
constexpr auto read_either = [](std::string_view b, LoadedMesh& m, ReadError& e) {
    return read_stl(b, m, e);
};

const std::vector<Facet> square{{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
                                {{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}}};

TEST(stl_kind, the_size_rule_decides_never_the_word_solid)
{
    const std::string binary = make_binary_stl(square);
    struct Case {
        const char* name;
        std::string bytes;
        StlKind kind;
        bool by_content;  // looks_like_binary_stl
    };
    const Case cases[] = {
        {"ascii", make_stl(square), StlKind::ascii, false},
        {"binary", binary, StlKind::binary, true},
        {"binary, header starting with solid", make_binary_stl(square, "solid cube"),
         StlKind::binary, true},
        {"header of blanks", make_binary_stl(square, std::string(80, ' ')), StlKind::binary, true},
        {"no facets", make_binary_stl({}), StlKind::binary, true},
        {"padded", make_binary_stl(square, "solid x", 3), StlKind::binary, true},
        {"padded most", make_binary_stl(square, "", stl_padding_limit - 1), StlKind::binary, true},
        {"a facet record too many", make_binary_stl(square, "", stl_padding_limit),
         StlKind::binary, false},
        {"count beyond the bytes", binary.substr(0, binary.size() - 1), StlKind::binary, false},
        {"shorter than a header", binary.substr(0, 83), StlKind::ascii, false},
        {"empty", "", StlKind::ascii, false},
        {"ascii that is not an STL", std::string(200, 'a'), StlKind::ascii, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stl_kind(c.bytes, c.bytes.size()), c.kind);
        EXPECT_EQ(looks_like_binary_stl(c.bytes, c.bytes.size()), c.by_content);
    }
}

TEST(read_binary_stl, real_files_give_the_counts_and_bounds_of_their_sources)
{
    const testing::FileFacts files[] = {
        {"stl/assimp_Spider_binary.stl",
         722,
         1368,
         {-3.1148949, -4.0, -1.6493286},
         {3.1148949, 4.0, 1.6493286},
         {0.907128, 0.646165, 0.7951934}},
        {"stl/trimesh_20mm-xyz-cube_COLOR.stl",
         132,
         260,
         {-47.951893, -4.9080143, -30.981464},
         {-27.95189, 15.091986, -10.981464},
         {-40.965134, 8.055198, -30.481464}},
        {"stl/trimesh_teapot_attr2020.stl",
         480,
         894,
         {-28.85918, -19.654177, 0.8701074},
         {34.310524, 19.654177, 30.351412},
         {14.188064, -3.3940586e-07, 23.707396}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        const LoadedMesh m = testing::read_ok(read_either, external_file(f.path));
        testing::expect_facts(m, f);
        EXPECT_TRUE(m.notes.empty());
        EXPECT_EQ(m, testing::plain_binary_stl(external_file(f.path)));
    }
    const LoadedMesh empty =
        testing::read_ok(read_either, external_file("stl/trimesh_stl_empty_bin.stl"));
    EXPECT_TRUE(empty.points.empty());
    EXPECT_EQ(empty.triangle_count(), 0U);
}

TEST(read_stl, binary_and_ascii_twins_give_the_same_mesh)
{
    // The Spider's two files: the same facets; the ASCII one prints the coordinates to about
    // seven digits, so they agree to that.
    const LoadedMesh binary =
        testing::read_ok(read_either, external_file("stl/assimp_Spider_binary.stl"));
    const LoadedMesh ascii =
        testing::read_ok(read_either, external_file("stl/assimp_Spider_ascii.stl"));
    EXPECT_EQ(binary.tri_a, ascii.tri_a);
    EXPECT_EQ(binary.tri_b, ascii.tri_b);
    EXPECT_EQ(binary.tri_c, ascii.tri_c);
    ASSERT_EQ(binary.points.size(), ascii.points.size());
    for (std::size_t i = 0; i < binary.points.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            ASSERT_NEAR(binary.points.xyz[i][k], ascii.points.xyz[i][k], 1e-6) << i;
        }
    }
    // Values a float holds exactly read the same from both kinds, whatever the header says.
    const std::vector<Facet> facets{{{{0.5, -2, 3.25}, {1e-3, 0, 0}, {7, 8, 9}}},
                                    {{{0.5, -2, 3.25}, {7, 8, 9}, {-0.0, 0, 1}}},
                                    {{{0, 0, 1}, {1e-3, 0, 0}, {7, 8, 9}}}};
    std::vector<Facet> exact = facets;
    for (Facet& f : exact) {
        for (auto& v : f.v) {
            for (double& x : v) {
                x = static_cast<float>(x);
            }
        }
    }
    const LoadedMesh from_binary =
        testing::read_ok(read_either, make_binary_stl(exact, "solid exported"));
    EXPECT_EQ(from_binary.points.size(), 4U) << "-0 and 0 are one corner";
    const LoadedMesh from_text = testing::read_ok(
        read_either, write_stl_mesh(from_binary.points.xyz, from_binary.tri_a, from_binary.tri_b,
                                    from_binary.tri_c));
    EXPECT_EQ(from_text, from_binary);
}

TEST(read_binary_stl, padding_after_the_facets_is_ignored_with_a_note)
{
    for (const std::size_t padding : {std::size_t{1}, std::size_t{3}, stl_padding_limit - 1}) {
        SCOPED_TRACE(padding);
        const LoadedMesh m =
            testing::read_ok(read_either, make_binary_stl(square, "solid padded", padding));
        EXPECT_EQ(m.points.size(), 4U);
        EXPECT_EQ(m.tri_c, (std::vector<int>{3, 4}));
        EXPECT_EQ(m.notes,
                  (std::vector<std::string>{"末尾の" + std::to_string(padding) +
                                            "バイトは無視しました。"}));
    }
    // Attribute words (colours, or anything) are not looked at.
    EXPECT_EQ(testing::read_ok(read_either, make_binary_stl(square, "", 0, 0x7C1F)),
              testing::read_ok(read_either, make_binary_stl(square)));
}

TEST(read_binary_stl, malformed_files_are_refused_with_the_offset_and_the_output_kept)
{
    const std::string good = make_binary_stl(square);
    const auto with_coordinate = [&good](std::size_t facet, std::size_t corner, float value) {
        std::string b = good;
        std::memcpy(&b[84 + 50 * facet + 12 + 12 * corner + 4], &value, 4);
        return b;
    };
    const std::vector<BadFile> cases = {
        {"shorter than its header", good.substr(0, 60), "84バイト"},
        {"cut in the second facet", good.substr(0, 84 + 50 + 20), "途中", 0, 84 + 50},
        {"count of a million", [&] {
             std::string b = good;
             b[82] = 0x0F;
             return b;
         }(),
         "途中", 0, 84 + 100},
        {"a whole facet record too many", good + std::string(stl_padding_limit, '\0'),
         "余っています", 0, good.size()},
        {"not a number", with_coordinate(1, 2, std::numeric_limits<float>::quiet_NaN()),
         "2番目の三角形の頂点3", 0, 84 + 50 + 12 + 24},
        {"infinite", with_coordinate(0, 0, std::numeric_limits<float>::infinity()),
         "1番目の三角形の頂点1", 0, 84 + 12},
    };
    for (const BadFile& c : cases) {
        testing::expect_refused(read_binary, c);
        if (c.bytes.size() >= 84) {
            testing::expect_refused(read_either, c);
        }
    }
}

TEST(read_binary_stl, merges_corners_as_the_plain_reading_does)
{
    std::mt19937 rng(5);
    for (const std::size_t facets : {1, 31, 32, 33, 500, 20000}) {
        SCOPED_TRACE(facets);
        // A small pool makes many repeats; values of both zero signs; the large sizes grow the
        // table far beyond its first guess (all corners apart).
        const std::size_t pool = facets < 1000 ? 1 + facets : 3 * facets;
        std::vector<Facet> mesh;
        for (std::size_t t = 0; t < facets; ++t) {
            Facet f{};
            for (auto& v : f.v) {
                const auto k = static_cast<double>(rng() % pool);
                const double sign = rng() % 2 == 0 ? 1.0 : -1.0;
                v[0] = sign * std::fmod(k, 7.0) * 0.0;
                v[1] = k * 0.25;
                v[2] = sign * std::floor(k / 3.0);
            }
            mesh.push_back(f);
        }
        const std::string bytes = make_binary_stl(mesh);
        EXPECT_EQ(testing::read_ok(read_binary, bytes), testing::plain_binary_stl(bytes));
    }
}

TEST(write_binary_stl, reads_back_identically_and_writes_the_same_bytes_twice)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> u(-1e3F, 1e3F);
    LoadedMesh mesh;
    PointIndex index;
    for (int t = 0; t < 400; ++t) {
        std::array<int, 3> c{};
        for (int& corner : c) {
            const bool reuse = !mesh.points.empty() && rng() % 3 == 0;
            const Vec3 p = reuse ? mesh.points.xyz[rng() % mesh.points.size()]
                                 : Vec3{u(rng), u(rng), u(rng) * 1e-30F};
            (void)index.find_or_add_point(mesh.points, p, corner);
        }
        mesh.tri_a.push_back(c[0]);
        mesh.tri_b.push_back(c[1]);
        mesh.tri_c.push_back(c[2]);
    }
    const std::string bytes = write_binary_stl(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c);
    EXPECT_EQ(bytes, write_binary_stl(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c));
    EXPECT_EQ(bytes.size(), 84 + 50 * mesh.triangle_count());
    EXPECT_NE(bytes.substr(0, 5), "solid") << "naive readers would take it for text";
    EXPECT_EQ(testing::read_ok(read_either, bytes), mesh);

    const std::vector<Vec3> p{{0, 0, 0}, {2, 0, 0}, {0, 3, 0}};
    const std::vector<int> a{1}, b{2}, c{3};
    const std::string one = write_binary_stl(p, a, b, c);
    float normal[3];
    std::memcpy(normal, &one[84], 12);
    EXPECT_EQ(normal[2], 1.0F);
    EXPECT_EQ(one.substr(84 + 48, 2), std::string(2, '\0')) << "attribute 0";
}

TEST(single_precision_loss, counts_corners_that_fall_together_and_values_beyond_float)
{
    struct Case {
        const char* name;
        std::vector<Vec3> points;
        std::size_t merged;
        bool out_of_range;
    };
    const Case cases[] = {
        {"floats", {{0.5, 1, 2}, {1, 2, 3}, {-4, 1e-3F, 7}}, 0, false},
        {"doubles apart", {{0.1, 0.2, 0.3}, {0.7, 0.8, 0.9}, {1.1, 1.2, 1.3}}, 0, false},
        {"a billionth apart", {{1, 1, 1}, {1 + 1e-9, 1, 1}, {2, 2, 2}}, 1, false},
        {"all one", {{1, 1, 1}, {1 + 1e-9, 1, 1}, {1, 1 - 1e-9, 1}}, 2, false},
        {"beyond float", {{0, 0, 0}, {1e39, 0, 0}, {1, 1, 1}}, 0, true},
    };
    const std::vector<int> a{1}, b{2}, c{3};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const SinglePrecisionLoss loss = single_precision_loss(k.points, a, b, c);
        EXPECT_EQ(loss.merged_corners, k.merged);
        EXPECT_EQ(loss.out_of_range, k.out_of_range);
    }
}

}  // namespace
}  // namespace tengun
