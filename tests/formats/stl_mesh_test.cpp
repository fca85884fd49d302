#include "formats/stl_mesh.h"
#include "formats/stl_binary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "support/format_files.h"
#include "support/scan_files.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::Facet;
using testing::make_stl;

StlMesh read_ok(std::string_view text)
{
    StlMesh mesh;
    ReadError error;
    EXPECT_EQ(read_stl_mesh(text, mesh, error), Status::ok)
        << error.reason << " line " << error.line;
    EXPECT_EQ(mesh.points.label, std::vector<double>(mesh.points.size(), 0.0));
    return mesh;
}

void expect_same_mesh(const StlMesh& a, const StlMesh& b)
{
    EXPECT_EQ(a.points.xyz, b.points.xyz);
    EXPECT_EQ(a.tri_a, b.tri_a);
    EXPECT_EQ(a.tri_b, b.tri_b);
    EXPECT_EQ(a.tri_c, b.tri_c);
}

const std::vector<Facet> square{{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
                                {{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}}};

TEST(read_stl_tokens, splits_at_blanks_tabs_line_breaks_and_apostrophes)
{
    std::vector<std::string> tokens;
    const std::size_t count = read_stl_tokens("solid 'a b'\r\n\tfacet\n\n x\vy", [&](auto t, auto) {
        tokens.emplace_back(t);
        return true;
    });
    EXPECT_EQ(tokens, (std::vector<std::string>{"solid", "a", "b", "facet", "x", "y"}));
    EXPECT_EQ(count, 6U) << "the last token counts without a separator after it";
    EXPECT_EQ(read_stl_tokens("a b c", [](auto t, auto) { return t != "b"; }), 2U);
}

TEST(read_stl_mesh, shared_corners_are_one_point_in_first_found_order)
{
    const StlMesh m = read_ok(make_stl(square));
    EXPECT_EQ(m.points.xyz, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    EXPECT_EQ(m.tri_a, (std::vector<int>{1, 1}));
    EXPECT_EQ(m.tri_b, (std::vector<int>{2, 3}));
    EXPECT_EQ(m.tri_c, (std::vector<int>{3, 4}));
    EXPECT_FALSE(m.cut_short);

    // Equal after conversion is equal; 0 and -0 too; one digit further is another point.
    const StlMesh n =
        read_ok("solid\nfacet\nvertex 1.0 0 -0\nvertex 1.00 0.0 0 vertex 1.0000001 0 0\n"
                "endfacet endsolid");
    EXPECT_EQ(n.points.size(), 2U);
    EXPECT_EQ(n.tri_b[0], 1);
    EXPECT_EQ(n.tri_c[0], 2);
    EXPECT_TRUE(std::signbit(n.points.xyz[0][2])) << "the first-found spelling is kept";
}

TEST(read_stl_mesh, layouts_without_blank_indentation_read_like_the_usual_one)
{
    const StlMesh usual = read_ok(make_stl(square, "\r\n", "  "));
    expect_same_mesh(read_ok(make_stl(square, "\r\n", "\t")), usual);
    expect_same_mesh(read_ok(make_stl(square, "\n", "")), usual);
    expect_same_mesh(read_ok(make_stl(square, "\r", " ")), usual);
    std::string upper = make_stl(square);
    for (const std::string_view word : {"facet", "vertex"}) {
        for (std::size_t k = upper.find(word); k != std::string::npos; k = upper.find(word, k)) {
            for (std::size_t j = 0; j < word.size(); ++j) {
                upper[k + j] = static_cast<char>(upper[k + j] - 'a' + 'A');
            }
        }
    }
    expect_same_mesh(read_ok(upper), usual);
    // Only the three tokens after "vertex" are looked at: units after a number are ignored,
    // and the last token needs no line end.
    EXPECT_EQ(read_ok("solid\nfacet vertex 1mm 2 3 vertex 4 5 6 vertex 7 8 +9 endfacet").points.xyz,
              (std::vector<Vec3>{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}));
}

TEST(read_stl_mesh, a_facet_cut_short_is_left_out)
{
    std::string text = make_stl(square);
    text.resize(text.rfind("vertex"));  // the second facet ends after its second vertex
    const StlMesh m = read_ok(text);
    EXPECT_EQ(m.tri_a.size(), 1U);
    EXPECT_TRUE(m.cut_short);
    EXPECT_EQ(m.points.size(), 3U) << "its corners were all found before";
    text.resize(text.find("outer", text.rfind("facet")));
    EXPECT_TRUE(read_ok(text).cut_short) << "cut right after \"facet\"";

    const StlMesh empty = read_ok("solid empty\nendsolid empty\n");
    EXPECT_TRUE(empty.points.empty());
    EXPECT_TRUE(empty.tri_a.empty());
    EXPECT_FALSE(empty.cut_short);
}

TEST(read_stl_mesh, facets_missing_a_line_are_repaired_or_dropped_and_counted)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t triangles;
        std::size_t points;
        std::size_t repaired;
        std::size_t dropped;
    };
    const std::string dir = "stl/";
    const Case cases[] = {
        {"first facet without its facet line",
         testing::external_file(dir + "stlreader_missing_begin_face.stl"), 2, 4, 1, 0},
        {"first facet without endfacet",
         testing::external_file(dir + "stlreader_missing_end_face.stl"), 2, 4, 1, 0},
        {"two corners", "solid\nfacet\nvertex 0 0 0\nvertex 5 0 0\nendfacet\n" + make_stl(square),
         2, 4, 0, 1},
        {"four corners", "solid\nfacet\nvertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\n"
                         "vertex 0 1 0\nendloop\nendfacet\nendsolid\n",
         1, 3, 1, 1},
        {"a solid named facet", "solid facet\n" + make_stl(square).substr(12), 2, 4, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StlMesh m = read_ok(c.text);
        EXPECT_EQ(m.tri_a.size(), c.triangles);
        EXPECT_EQ(m.points.size(), c.points) << "no stray corners of dropped facets";
        EXPECT_EQ(m.repaired_facets, c.repaired);
        EXPECT_EQ(m.dropped_facets, c.dropped);
        EXPECT_FALSE(m.cut_short || m.no_endsolid);
        LoadedMesh loaded;
        ReadError error;
        ASSERT_EQ(read_stl(c.text, loaded, error), Status::ok);
        EXPECT_EQ(loaded.notes.size(), (c.repaired > 0 ? 1U : 0U) + (c.dropped > 0 ? 1U : 0U));
    }
}

TEST(read_stl, a_file_cut_anywhere_keeps_only_whole_facets_and_says_it_is_cut)
{
    const std::string whole = testing::external_file("stl/trimesh_multibody.stl");
    LoadedMesh full;
    ReadError error;
    ASSERT_EQ(read_stl(whole, full, error), Status::ok);
    ASSERT_EQ(full.tri_a.size(), 32U);
    ASSERT_TRUE(full.notes.empty());
    const auto corner = [](const LoadedMesh& m, const std::vector<int>& c, std::size_t t) {
        return m.points.xyz[static_cast<std::size_t>(c[t]) - 1];
    };
    for (std::size_t cut = 5; cut < whole.size(); ++cut) {  // from a whole "solid" on
        SCOPED_TRACE(cut);
        const std::string_view text = std::string_view(whole).substr(0, cut);
        LoadedMesh m;
        ASSERT_EQ(read_stl(text, m, error), Status::ok) << error.reason;
        // Exactly the facets whose "endfacet" came before the cut, each as the whole file has it
        // (no number cut to "0." or "1.0E").
        std::size_t closed = 0;
        for (std::size_t k = text.find("endfacet"); k != std::string_view::npos;
             k = text.find("endfacet", k + 1)) {
            closed += k + 8 <= cut ? 1 : 0;
        }
        ASSERT_EQ(m.tri_a.size(), closed);
        for (std::size_t t = 0; t < closed; ++t) {
            for (const auto c : {&LoadedMesh::tri_a, &LoadedMesh::tri_b, &LoadedMesh::tri_c}) {
                ASSERT_EQ(corner(m, m.*c, t), corner(full, full.*c, t));
            }
        }
        // Said, unless the text ends on an "endsolid" line, as a whole file does.
        const std::size_t last_line = text.find_last_of('\n', text.find_last_not_of(" \r\n"));
        const std::string_view tail =
            text.substr(last_line == std::string_view::npos ? 0 : last_line + 1);
        const bool ends_solid = tail.find("endsolid") != std::string_view::npos &&
                                tail.find("endsolid") + 8 <= tail.size();
        const bool started = text.find("facet") != std::string_view::npos;
        EXPECT_EQ(m.notes.empty(), ends_solid || !started);
    }
}

TEST(read_stl_mesh, binary_foreign_and_broken_files_are_errors_and_keep_the_mesh)
{
    std::string binary(84 + 2 * 50, '\0');
    binary.replace(0, 5, "solid");  // some exporters start the binary header so
    binary[80] = 2;
    struct Case {
        const char* name;
        std::string text;
        const char* reason_part;
        std::size_t line;
    };
    const Case cases[] = {
        {"binary", binary, "バイナリ", 0},
        {"binary without facets", std::string(84, '\0'), "バイナリ", 0},
        {"binary with bytes after its facets", binary + "xyz", "バイナリ", 0},
        {"empty", "", "STL", 0},
        {"csv", "1,2,3\n4,5,6\n", "STL", 0},
        {"coordinate", "solid\n facet\n  vertex 1 2 3\n  vertex x 2 3\n", "「x」", 4},
        {"infinity", "solid\nfacet vertex 1 2 inf\n", "inf", 2},
        {"overflow", "solid\nfacet vertex 1 2 1e999\n", "1e999", 2},
        {"keyword as coordinate", "solid\nfacet\nvertex 1 2\nvertex 4 5 6\n", "vertex", 4},
    };
    StlMesh mesh = read_ok(make_stl(square));
    const StlMesh before = mesh;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadError error;
        EXPECT_EQ(read_stl_mesh(c.text, mesh, error), Status::error);
        EXPECT_NE(error.reason.find(c.reason_part), std::string::npos) << error.reason;
        EXPECT_EQ(error.line, c.line);
        expect_same_mesh(mesh, before);
    }
}

TEST(find_or_add_point, agrees_with_a_linear_search)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coordinate(-3, 3);
    PointCloud points;
    std::vector<Vec3> plain;
    PointIndex index;
    for (int i = 0; i < 5000; ++i) {
        const double sign = rng() % 2 == 0 ? 1.0 : -1.0;  // zeros of both signs
        const Vec3 p{sign * 0.5 * coordinate(rng), 0.25 * coordinate(rng),
                     sign * coordinate(rng) * 1e-300};
        const auto found = std::find(plain.begin(), plain.end(), p);
        const int expected = static_cast<int>(found - plain.begin()) + 1;
        const bool new_point = found == plain.end();
        if (new_point) {
            plain.push_back(p);
        }
        int got = 0;
        EXPECT_EQ(index.find_or_add_point(points, p, got), new_point);
        ASSERT_EQ(got, expected) << i;
    }
    EXPECT_EQ(points.xyz, plain);
}

TEST(write_stl_mesh, reads_back_to_the_same_points_and_triangles)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    StlMesh mesh;
    PointIndex index;
    for (int t = 0; t < 300; ++t) {
        std::array<int, 3> c{};
        for (int& corner : c) {
            // Reuse earlier points now and then, as a mesh does.
            const bool reuse = !mesh.points.empty() && rng() % 3 == 0;
            const Vec3 p = reuse ? mesh.points.xyz[rng() % mesh.points.size()]
                                 : Vec3{u(rng), u(rng) / 3.0, 1e-7 * u(rng)};
            (void)index.find_or_add_point(mesh.points, p, corner);
        }
        mesh.tri_a.push_back(c[0]);
        mesh.tri_b.push_back(c[1]);
        mesh.tri_c.push_back(c[2]);
    }
    const std::string text =
        write_stl_mesh(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c, "round trip");
    EXPECT_EQ(text.substr(0, 18), "solid round trip\r\n");
    expect_same_mesh(read_ok(text), mesh);

    const std::vector<Vec3> p{{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {4, 0, 0}};
    const std::vector<int> a{1, 1}, b{2, 2}, c{3, 4};
    EXPECT_EQ(write_stl_mesh(p, a, b, c),
              "solid tengun\r\n"
              "  facet normal 0 0 1\r\n    outer loop\r\n"
              "      vertex 0 0 0\r\n      vertex 2 0 0\r\n      vertex 0 3 0\r\n"
              "    endloop\r\n  endfacet\r\n"
              "  facet normal 0 0 0\r\n    outer loop\r\n"
              "      vertex 0 0 0\r\n      vertex 2 0 0\r\n      vertex 4 0 0\r\n"
              "    endloop\r\n  endfacet\r\n"
              "endsolid tengun\r\n");
}

TEST(read_stl_mesh, real_files_give_their_facets_and_distinct_vertices)
{
    const std::map<std::string, std::pair<std::size_t, std::size_t>> expected{
        {"admesh_block_UPPERCASE.stl", {12, 8}},
        {"assimp_Spider_ascii.stl", {1368, 722}},
        {"assimp_sphereWithHole.stl", {285, 146}},
        {"assimp_triangle.stl", {1, 3}},
        {"assimp_triangle_with_two_solids.stl", {2, 6}},
        {"numpystl_Cube_PRO2STL_crlf.stl", {12, 8}},
        {"numpystl_Moon_Chinese.stl", {116, 60}},
        {"stlreader_ascii_empty.stl", {0, 0}},
        {"stlreader_missing_begin_face.stl", {2, 4}},
        {"stlreader_missing_end_face.stl", {2, 4}},
        {"trimesh_1002_tray_bottom.STL", {4520, 2216}},
        {"trimesh_multibody.stl", {32, 20}},
        {"trimesh_two_objects_mixed_case_names.stl", {24, 16}},
    };
    const std::filesystem::path dir = std::filesystem::path(TENGUN_EXTERNAL_DATA) / "stl";
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const std::string bytes = testing::TempDir::read(entry.path().string());
        if (stl_kind(bytes, bytes.size()) == StlKind::binary) {
            continue;  // the binary reader's
        }
        const StlMesh m = read_ok(bytes);
        const auto e = expected.find(name);
        if (e == expected.end()) {
            continue;  // a file added later: reading it is enough
        }
        ++seen;
        EXPECT_EQ(m.tri_a.size(), e->second.first);
        EXPECT_EQ(m.points.size(), e->second.second);
        for (const std::vector<int>* corners : {&m.tri_a, &m.tri_b, &m.tri_c}) {
            for (const int c : *corners) {
                ASSERT_GE(c, 1);
                ASSERT_LE(static_cast<std::size_t>(c), m.points.size());
            }
        }
    }
    EXPECT_EQ(seen, expected.size());
}

}  // namespace
}  // namespace tengun
