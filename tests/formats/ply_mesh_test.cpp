#include "formats/ply_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "support/ply_files.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::BadFile;
using testing::external_file;
using testing::make_ply;
using testing::ply_mesh_elements;
using testing::PlyElem;

constexpr auto read_ply = [](std::string_view b, LoadedMesh& m, ReadError& e) {
    return read_ply_mesh(b, m, e);
};

LoadedMesh read_ok(std::string_view bytes) { return testing::read_ok(read_ply, bytes); }

const std::vector<std::string> encodings{"ascii", "binary_little_endian", "binary_big_endian"};

LoadedMesh mesh_of(const std::vector<Vec3>& points, const std::vector<std::array<int, 3>>& tris)
{
    LoadedMesh m;
    for (const Vec3& p : points) {
        m.points.add(p);
    }
    for (const auto& t : tris) {
        m.tri_a.push_back(t[0]);
        m.tri_b.push_back(t[1]);
        m.tri_c.push_back(t[2]);
    }
    return m;
}

TEST(read_ply_mesh, real_files_give_the_counts_and_bounds_of_their_sources)
{
    // Bounds as the list prints them: shortest floats (exact) or six or seven digits.
    const testing::FileFacts files[] = {
        {"ply/assimp_cube.ply", 8, 12, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}},
        {"ply/assimp_cube_binary.ply", 8, 12, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}},
        {"ply/assimp_float-color.ply", 3, 1, {0, 0, 0}, {200, 200, 0}, {0, 0, 0}},
        {"ply/assimp_points.ply", 4, 0, {0, 0, 0}, {0, 1, 1}, {0, 0, 0}},
        {"ply/teaser_bun_zipper_res3.ply",
         1889,
         3851,
         {-0.0943643, 0.0334143, -0.0616721},
         {0.0609346, 0.184813, 0.0584651},
         {-0.0369122, 0.127512, 0.00276757},
         1e-6},
        {"ply/pdal_simple_binary.ply", 3, 0, {-1, 0, 0}, {1, 1, 0}, {-1, 0, 0}},
        {"ply/pcu_duplicated_pcloud.ply",
         5395,
         0,
         {-0.4999982758680142, -0.387929624966736, -0.24137847800524825},
         {0.4999982758680142, 0.3879297686215619, 0.24137847800524825},
         {-0.4999982758680142, -0.387929624966736, -0.1724131985751773},
         1e-15},
        {"ply/pcu_truck.ply",
         5240,
         9868,
         {-0.113098, 0.006905, -0.311739},
         {0.112606, 0.195084, 0.092386},
         {-0.090655, 0.146533, 0.059632},
         1e-6},
        {"ply/happly_platonic_shelf.ply",
         50,
         80,
         {-6.524307, -1.158087, -1.158087},
         {6.963232, 1.158087, 1.158086},
         {-3.562626, -0.627972, 0.613591},
         1e-6},
        {"ply/happly_platonic_shelf_ascii.ply",
         50,
         80,
         {-6.524307, -1.158087, -1.158087},
         {6.963232, 1.158087, 1.158086},
         {-3.562626, -0.627972, 0.613591},
         1e-6},
        {"ply/plyrs_greg_turk_example2_ok_ascii.ply", 8, 12, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}},
        {"ply/plyrs_tetrahedron_little_endian.ply", 4, 4, {-1, -1, -1}, {1, 1, 1}, {1, 1, 1}},
        {"ply/tinyply_icosahedron.ply",
         12,
         20,
         {-0.894425, -0.85064, -1},
         {0.894425, 0.85064, 1},
         {0, 0, -1},
         1e-6},
        {"ply/pdal_issue_2421.ply",
         1,
         0,
         {1.23457, 12345.6789, 1234567890.12345},
         {1.23457, 12345.6789, 1234567890.12345},
         {1.23457, 12345.6789, 1234567890.12345},
         1e-15},
        {"ply/trimesh_reference.ply",
         845,
         1610,
         {-74.1267, -82.787, -100.442},
         {74.1267, 105.775, 2.86529},
         {-52.8256, -49.5309, -68.1303},
         1e-6},
        {"ply/assimp_pond.0.ply",
         70051,
         0,
         {-1.50206, 0.571367, -2.63168},
         {1.97647, 1.09156, 0.509945},
         {1.1775, 0.875235, -1.23556},
         1e-6},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        const LoadedMesh m = read_ok(external_file(f.path));
        testing::expect_facts(m, f);
        EXPECT_TRUE(m.notes.empty()) << m.notes.front();
        for (const std::vector<int>* corners : {&m.tri_a, &m.tri_b, &m.tri_c}) {
            for (const int c : *corners) {
                ASSERT_TRUE(c >= 1 && static_cast<std::size_t>(c) <= m.points.size()) << c;
            }
        }
    }
    // The double coordinates of PDAL's file need every digit.
    const LoadedMesh exact = read_ok(external_file("ply/pdal_issue_2421.ply"));
    EXPECT_EQ(exact.points.xyz[0][2], 1234567890.12345);
}

TEST(read_ply_mesh, the_same_data_in_two_encodings_reads_alike)
{
    EXPECT_EQ(read_ok(external_file("ply/happly_platonic_shelf.ply")),
              read_ok(external_file("ply/happly_platonic_shelf_ascii.ply")));
    // The ASCII cube holds quads, the binary one their triangles: the same corners.
    const LoadedMesh quads = read_ok(external_file("ply/assimp_cube.ply"));
    const LoadedMesh triangles = read_ok(external_file("ply/assimp_cube_binary.ply"));
    EXPECT_EQ(quads.points, triangles.points);
    EXPECT_EQ(quads.triangle_count(), triangles.triangle_count());
}

TEST(read_ply_mesh, every_scalar_type_by_both_names_in_every_encoding)
{
    struct Type {
        const char* name;
        const char* other_name;
        std::vector<double> values;  // x, y, z of two vertices, in the type's range
    };
    const Type types[] = {
        {"char", "int8", {-128, 0, 127, -1, 5, 3}},
        {"uchar", "uint8", {0, 255, 7, 1, 2, 3}},
        {"short", "int16", {-32768, 32767, 0, 3, -4, 5}},
        {"ushort", "uint16", {0, 65535, 9, 1, 2, 3}},
        {"int", "int32", {-2147483648.0, 2147483647.0, 0, 1, -2, 3}},
        {"uint", "uint32", {0, 4294967295.0, 12, 1, 2, 3}},
        {"float", "float32", {0.5, -1.25, 3.0e-5, 1e30, -7.75, 0}},
        {"double", "float64", {0.1, -1e-300, 1234567890.123456, 1, 2, 3}},
    };
    const char* index_types[] = {"char", "uchar", "short", "ushort", "int", "uint"};
    for (const Type& t : types) {
        for (const char* name : {t.name, t.other_name}) {
            const std::string type = name;
            // x, y, z of the type under test, with properties of the other types between them
            // and a list property that must be skipped.
            PlyElem v{"vertex",
                      {{"uchar", "red", ""},
                       {type, "x", ""},
                       {"double", "nx", ""},
                       {type, "y", ""},
                       {"short", "extra", "uint8"},
                       {type, "z", ""}},
                      {{200, t.values[0], 0.5, t.values[1], 2, -1, -2, t.values[2]},
                       {100, t.values[3], 0.25, t.values[4], 0, t.values[5]},
                       {0, 1, 0, 1, 0, 1},
                       {0, 2, 0, 2, 1, 7, 2}}};
            const std::string index_type = index_types[&t - types < 6 ? &t - types : 0];
            PlyElem f{"face", {{index_type, "vertex_indices", type == "float" ||
                                                                     type == "float32" ||
                                                                     type == "double" ||
                                                                     type == "float64"
                                                                 ? "uchar"
                                                                 : type}},
                      {{3, 0, 1, 2}, {4, 0, 1, 2, 3}}};
            const LoadedMesh expected = mesh_of(
                {{t.values[0], t.values[1], t.values[2]},
                 {t.values[3], t.values[4], t.values[5]},
                 {1, 1, 1},
                 {2, 2, 2}},
                {{1, 2, 3}, {1, 2, 3}, {1, 3, 4}});
            for (const std::string& encoding : encodings) {
                SCOPED_TRACE(type + " " + encoding);
                const LoadedMesh m = read_ok(make_ply(encoding, {v, f}));
                if (type == "float" || type == "float32") {
                    // Stored in single precision: the values as floats.
                    ASSERT_EQ(m.points.size(), 4U);
                    for (std::size_t k = 0; k < 3; ++k) {
                        EXPECT_EQ(m.points.xyz[0][k],
                                  encoding == "ascii" ? t.values[k]
                                                      : static_cast<float>(t.values[k]));
                    }
                    EXPECT_EQ(m.tri_c, expected.tri_c);
                } else {
                    EXPECT_EQ(m, expected);
                }
            }
        }
    }
}

TEST(read_ply_mesh, elements_in_any_order_with_foreign_elements_and_polygons_fanned)
{
    const std::vector<std::vector<double>> vertices{{0, 0, 0}, {1, 0, 0}, {1, 1, 0},
                                                    {0, 1, 0}, {0.5, 2, 0}};
    auto mesh = ply_mesh_elements(vertices, {{0, 1, 2, 3, 4}, {4, 3, 2}});
    const PlyElem edge{"edge",
                       {{"int", "vertex1", ""}, {"int", "vertex2", ""}, {"uchar", "ids", "int"}},
                       {{0, 1, 2, 7, 8}, {1, 2, 0}}};
    const PlyElem material{"material", {{"float", "shine", ""}}, {{0.5}, {0.7}, {0.9}}};
    const LoadedMesh expected =
        mesh_of({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 2, 0}},
                {{1, 2, 3}, {1, 3, 4}, {1, 4, 5}, {5, 4, 3}});
    const std::vector<std::vector<PlyElem>> orders{
        {mesh[0], mesh[1]},
        {mesh[1], mesh[0]},
        {material, mesh[1], edge, mesh[0]},
        {mesh[0], edge, mesh[1], material},
    };
    for (const std::string& encoding : encodings) {
        for (std::size_t o = 0; o < orders.size(); ++o) {
            SCOPED_TRACE(encoding + " order " + std::to_string(o));
            EXPECT_EQ(read_ok(make_ply(encoding, orders[o], {"comment a", "obj_info b"})),
                      expected);
        }
    }
    // The corner list may be called vertex_index; the lines may end in CR LF, with blanks.
    mesh[1].props[0].name = "vertex_index";
    EXPECT_EQ(read_ok(make_ply("ascii", mesh, {"comment  spaced  "}, " \r\n")), expected);
    EXPECT_EQ(read_ok(make_ply("binary_big_endian", mesh, {}, "\r\n")), expected);
}

TEST(read_ply_mesh, point_only_files_give_no_triangles)
{
    const std::vector<std::vector<double>> vertices{{1, 2, 3}, {4, 5, 6}};
    auto mesh = ply_mesh_elements(vertices, {});
    const LoadedMesh points = mesh_of({{1, 2, 3}, {4, 5, 6}}, {});
    for (const std::string& encoding : encodings) {
        SCOPED_TRACE(encoding);
        EXPECT_EQ(read_ok(make_ply(encoding, mesh)), points) << "element face 0";
        EXPECT_EQ(read_ok(make_ply(encoding, {mesh[0]})), points) << "no face element";
        PlyElem capitals = mesh[0];
        for (auto& p : capitals.props) {
            p.name[0] = static_cast<char>(p.name[0] - 'a' + 'A');
        }
        EXPECT_EQ(read_ok(make_ply(encoding, {capitals})), points) << "X Y Z";
        const PlyElem none{"vertex", mesh[0].props, {}};
        EXPECT_TRUE(read_ok(make_ply(encoding, {none})).points.empty());
        // Records without properties take no bytes, however many the header declares.
        std::string hollow = make_ply(encoding, {mesh[0]});
        hollow.insert(hollow.find("end_header"), "element hollow 18446744073709551615\n");
        EXPECT_EQ(read_ok(hollow), points);
    }
}

TEST(read_ply_mesh, notes_say_what_was_left_out)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto mesh = ply_mesh_elements({{0, 0, 0}, {nan, 1, 1}, {1, 0, 0}, {1, 1, 0}},
                                  {{0, 2, 3}, {0, 1, 2}, {0, 1}, {3}});
    for (const std::string& encoding : encodings) {
        SCOPED_TRACE(encoding);
        const LoadedMesh m = read_ok(make_ply(encoding, mesh));
        // The point without coordinates goes, with the triangle using it; the others are
        // renumbered; the faces of one and two corners are counted.
        EXPECT_EQ(m.points.xyz, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
        EXPECT_EQ(m.tri_a, (std::vector<int>{1}));
        EXPECT_EQ(m.tri_b, (std::vector<int>{2}));
        EXPECT_EQ(m.tri_c, (std::vector<int>{3}));
        ASSERT_EQ(m.notes.size(), 2U);
        EXPECT_NE(m.notes[0].find("頂点1個と、それを使う三角形1個"), std::string::npos)
            << m.notes[0];
        EXPECT_NE(m.notes[1].find("面2個"), std::string::npos) << m.notes[1];
    }
    const std::string points_only = make_ply("binary_little_endian", {mesh[0]});
    const LoadedMesh trailing = read_ok(points_only + "abc");
    ASSERT_EQ(trailing.notes.size(), 2U);
    EXPECT_NE(trailing.notes[1].find("3バイト"), std::string::npos) << trailing.notes[1];
    const LoadedMesh no_corners = read_ok(
        make_ply("ascii", {mesh[0], PlyElem{"face", {{"uchar", "flags", ""}}, {{1}, {2}}}}));
    EXPECT_EQ(no_corners.triangle_count(), 0U);
    EXPECT_NE(no_corners.notes.back().find("vertex_indices"), std::string::npos);
}

TEST(read_ply_mesh, malformed_files_are_refused_with_the_place_and_the_output_kept)
{
    const auto mesh = ply_mesh_elements({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2}});
    const std::string ascii = make_ply("ascii", mesh);
    const std::string le = make_ply("binary_little_endian", mesh);
    const std::size_t le_data = le.find("end_header\n") + 11;
    const auto replaced = [](std::string s, const std::string& from, const std::string& to) {
        return s.replace(s.find(from), from.size(), to);
    };
    // Lines of `ascii`: 3 the vertex element, 7 the face element, 10 to 12 the vertices, 13 the
    // face.
    const std::vector<BadFile> cases = {
        {"not ply", "plyx\nformat ascii 1.0\nend_header\n", "ply", 1},
        {"empty", "", "ply", 1},
        {"no end of header", "ply\nformat ascii 1.0\nelement vertex 1\n", "end_header", 3},
        {"no format", "ply\nelement vertex 0\nend_header\n", "format", 2},
        {"unknown format", replaced(ascii, "ascii", "utf8"), "utf8", 2},
        {"unknown version", replaced(ascii, "1.0", "2.0"), "形式", 2},
        {"unknown type", replaced(ascii, "float x", "real x"), "real", 4},
        {"float list count", replaced(ascii, "list uchar", "list float"), "整数", 8},
        {"float corner numbers", replaced(ascii, "uchar int", "uchar float"), "整数", 7},
        {"property first", "ply\nformat ascii 1.0\nproperty float x\nend_header\n", "element", 3},
        {"unknown keyword", replaced(ascii, "end_header", "endheader"), "endheader", 9},
        {"bad count", replaced(ascii, "vertex 3", "vertex three"), "element", 3},
        {"no vertex element", "ply\nformat ascii 1.0\nelement face 0\nend_header\n", "vertex"},
        {"no z", replaced(ascii, "property float z\n", ""), "z", 3},
        {"x a list", replaced(ascii, "property float x", "property list uchar float x"),
         "リスト", 3},
        {"count beyond the bytes", replaced(le, "vertex 3", "vertex 2000000000"), "収まりません", 3},
        {"more points than numbers", replaced(le, "vertex 3", "vertex 3000000000000"), "多すぎます",
         3},
        {"ascii count beyond the text", replaced(ascii, "face 1", "face 9"), "収まりません", 7},
        {"binary cut in a vertex", le.substr(0, le_data + 30), "収まりません", 3},
        {"binary cut in a face", le.substr(0, le.size() - 2), "1番目の面", 0, le_data + 36},
        {"ascii cut", ascii.substr(0, ascii.size() - 4), "1番目の面", 13},
        {"ascii word", replaced(ascii, "\n1 0 0\n", "\n1 zero 0\n"), "「zero」", 11, {}, 2},
        {"ascii corner", replaced(ascii, "3 0 1 2", "3 0 1 x"), "「x」", 13, {}, 4},
        {"ascii negative list", replaced(ascii, "3 0 1 2", "-3 0 1 2"), "「-3」", 13, {}, 1},
        {"ascii corner out of range", replaced(ascii, "3 0 1 2", "3 0 1 3"), "番号3", 13, {}, 4},
        {"ascii negative corner", replaced(ascii, "3 0 1 2", "3 -1 1 2"), "番号-1", 13, {}, 2},
        {"binary corner out of range", le.substr(0, le.size() - 4) + std::string("\x07\0\0\0", 4),
         "1番目の面が存在しない頂点（番号7）", 0, le.size() - 4},
    };
    for (const BadFile& c : cases) {
        testing::expect_refused(read_ply, c);
    }
}

TEST(read_ply_mesh, a_count_is_checked_against_the_bytes_the_elements_before_it_leave)
{
    // Faces first (one count byte each), then the vertices: each count alone fits the data,
    // both together do not, and the vertices must be refused before they are allocated.
    const PlyElem faces{"face",
                        {{"int", "vertex_indices", "uchar"}},
                        std::vector<std::vector<double>>(50, {0})};
    const PlyElem vertices{"vertex",
                           {{"float", "x", ""}, {"float", "y", ""}, {"float", "z", ""}},
                           std::vector<std::vector<double>>(5, {1, 2, 3})};
    std::string text = make_ply("binary_little_endian", {faces, vertices});
    EXPECT_EQ(read_ok(text).points.size(), 5U);
    text.replace(text.find("vertex 5"), 8, "vertex 9");  // 108 of the 110 data bytes
    testing::expect_refused(read_ply, {"vertices after faces", text, "vertex の個数", 5});
}

TEST(write_ply_mesh, reads_back_identically_and_writes_the_same_bytes_twice)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    LoadedMesh mesh;
    for (int i = 0; i < 200; ++i) {
        mesh.points.add({u(rng), u(rng) * 1e-200, i % 7 == 0 ? -0.0 : u(rng) / 3.0});
    }
    mesh.points.add({std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                     1e300});
    for (int t = 0; t < 150; ++t) {
        mesh.tri_a.push_back(1 + static_cast<int>(rng() % 201));
        mesh.tri_b.push_back(1 + static_cast<int>(rng() % 201));
        mesh.tri_c.push_back(1 + static_cast<int>(rng() % 201));
    }
    for (const PlyEncoding encoding : {PlyEncoding::binary_little_endian, PlyEncoding::ascii}) {
        const std::string bytes =
            write_ply_mesh(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c, encoding);
        EXPECT_EQ(bytes, write_ply_mesh(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c,
                                        encoding));
        const LoadedMesh back = read_ok(bytes);
        EXPECT_EQ(back, mesh);
        EXPECT_TRUE(std::signbit(back.points.xyz[0][2])) << "-0 stays -0";
        const std::string points_only = write_ply_mesh(mesh.points.xyz, {}, {}, {}, encoding);
        EXPECT_EQ(points_only.find("element face"), std::string::npos);
        EXPECT_EQ(read_ok(points_only).points, mesh.points);
    }
    EXPECT_EQ(write_ply_mesh(std::vector<Vec3>{{1, 2.5, -3}}, std::vector<int>{1},
                             std::vector<int>{1}, std::vector<int>{1}, PlyEncoding::ascii),
              "ply\nformat ascii 1.0\ncomment written by Tengun\nelement vertex 1\n"
              "property double x\nproperty double y\nproperty double z\nelement face 1\n"
              "property list uchar int vertex_indices\nend_header\n1 2.5 -3\n3 0 0 0\n");
}

}  // namespace
}  // namespace tengun

namespace tengun {
namespace {

// Big files are read front to back, saying how far: what a mapped file gives back behind them.
TEST(read_ply_mesh, says_how_far_it_has_read_in_big_files)
{
    constexpr std::size_t n = 3U << 19U;  // 18 MB binary, 9 MB text
    const std::string header = "element vertex " + std::to_string(n) +
                               "\nproperty float x\nproperty float y\nproperty float z\n"
                               "end_header\n";
    std::string binary = "ply\nformat binary_little_endian 1.0\n" + header;
    binary.append(12 * n, '\0');
    std::string ascii = "ply\nformat ascii 1.0\n" + header;
    for (std::size_t i = 0; i < n; ++i) {
        ascii += "1 2 3\n";
    }
    for (const std::string* bytes : {&binary, &ascii}) {
        std::vector<std::size_t> offsets;
        LoadedMesh m;
        ReadError error;
        ASSERT_EQ(read_ply_mesh(*bytes, m, error, [&](std::size_t at) {
                      offsets.push_back(at);
                      return true;
                  }),
                  Status::ok);
        EXPECT_EQ(m.points.size(), n);
        ASSERT_GE(offsets.size(), 1U) << bytes->size() << " bytes";
        EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
        EXPECT_LE(offsets.back(), bytes->size());
    }
}

}  // namespace
}  // namespace tengun
