// Every reader on damaged input: truncated, mutated and random bytes from fixed seeds. A reader
// must return ok or error without reading outside the bytes (each input sits in an allocation
// of exactly its size, so the address sanitizer sees any overrun), and leave its output alone
// on error.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <random>

#include "correction/thinning.h"
#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/file_format.h"
#include "formats/format_readers.h"
#include "formats/iges_points.h"
#include "formats/las_points.h"
#include "formats/obj_mesh.h"
#include "formats/pcd_points.h"
#include "formats/pix_points.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "formats/stl_mesh.h"
#include "formats/xyz_points.h"
#include "support/format_files.h"
#include "support/ply_files.h"
#include "support/scan_files.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using Reader = std::function<void(std::string_view)>;

void read_exactly(const Reader& read, std::string_view bytes)
{
    const auto copy = std::make_unique<char[]>(bytes.size() + (bytes.empty() ? 1 : 0));
    std::copy(bytes.begin(), bytes.end(), copy.get());
    read(std::string_view(copy.get(), bytes.size()));
}

/// Checks one reader on every prefix of short seeds (sampled prefixes of long ones), on byte
/// mutations of the seeds and on random bytes.
void fuzz(const Reader& read, const std::vector<std::string>& seeds, unsigned seed)
{
    std::mt19937 rng(seed);
    for (const std::string& s : seeds) {
        const std::size_t step = std::max<std::size_t>(1, s.size() / 400);
        for (std::size_t n = 0; n <= s.size(); n += step) {
            read_exactly(read, std::string_view(s).substr(0, n));
        }
        for (int round = 0; round < 300; ++round) {
            std::string m = s;
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits && !m.empty(); ++e) {
                const std::size_t at = rng() % m.size();
                switch (rng() % 4) {
                case 0:
                    m[at] = static_cast<char>(rng());
                    break;
                case 1:
                    m.erase(at, rng() % 16);
                    break;
                case 2:
                    m.insert(at, 1 + rng() % 4, static_cast<char>(rng()));
                    break;
                default:  // a digit or keyword character where a number was
                    m[at] = "0123456789.-+eEDH;,/ \n\rWLSAfacetvrx"[rng() % 36];
                    break;
                }
            }
            read_exactly(read, m);
        }
    }
    for (int round = 0; round < 300; ++round) {
        std::string r(rng() % 600, '\0');
        for (char& c : r) {
            c = static_cast<char>(rng());
        }
        read_exactly(read, r);
    }
}

/// Runs `parse` on a copy of a sentinel output; on error the copy must be unchanged.
template <class Out, class Parse>
Reader checked(Out sentinel, Parse parse, std::function<void(const Out&)> check_ok = {})
{
    return [sentinel, parse, check_ok](std::string_view bytes) {
        Out out = sentinel;
        ReadError error;
        const Status status = parse(bytes, out, error);
        if (status == Status::error) {
            EXPECT_FALSE(error.reason.empty());
            EXPECT_TRUE(out == sentinel) << "output changed on error";
        } else if (check_ok) {
            check_ok(out);
        }
    };
}

PointCloud sentinel_cloud()
{
    PointCloud c;
    c.add({1, 2, 3});
    return c;
}

std::string external(const char* path)
{
    return testing::TempDir::read((std::filesystem::path(TENGUN_EXTERNAL_DATA) / path).string());
}

TEST(reader_fuzz, csv)
{
    fuzz(checked(sentinel_cloud(),
                 [](std::string_view b, PointCloud& c, ReadError& e) {
                     return read_csv_points(b, c, e);
                 }),
         {std::string("x,y,z\r\n1,2,3\r\n\"4\",5;6\n# note\n-7.5e-1 8 9"),
          external("pointclouds/pdal_text_quoted.txt")},
         5);
}

TEST(reader_fuzz, thinned_bitmap)
{
    using testing::grey_row;
    const auto thin = [](std::string_view bytes, PointCloud& cloud, ReadError& error) {
        return thin_bitmap_rows(bytes, 10.0, cloud, error);
    };
    std::vector<std::vector<unsigned char>> rows(
        11, grey_row({0, 10, 20, 30, 40, 50, 60, 70, 200, 200}));
    fuzz(checked(sentinel_cloud(), thin), {testing::make_bmp(10, 11, 24, rows)}, 6);
}

TEST(reader_fuzz, pix)
{
    fuzz(checked(sentinel_cloud(), read_pix_points),
         {testing::make_pix("200 200 40 S A 1 2 100 120 3\n 300 100 0 E")}, 1);
}

TEST(reader_fuzz, bitmap)
{
    using testing::grey_row;
    using testing::make_bmp;
    fuzz(checked(sentinel_cloud(), read_bitmap_points),
         {make_bmp(
              5, 3, 24,
              {grey_row({1, 2, 3, 4, 5}), grey_row({0, 0, 9, 9, 1}), grey_row({7, 7, 7, 7, 7})}),
          make_bmp(9, 2, 1, {{0x0F, 0x80}, {0xAA, 0x00}}),
          make_bmp(5, 2, 4, {{0x12, 0x34, 0x50}, {1, 2, 3}}),
          make_bmp(3, 3, 8, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
          external("bmp/goimage_bmp_1bpp.bmp")},
         2);
}

TEST(reader_fuzz, iges)
{
    fuzz(checked(sentinel_cloud(), read_iges_points),
         {testing::make_iges(
              {"110,1.,0.,0.,10.,", "0.5,0.;", "212,1,5HA;B,C,0.;", "110,10.,0.5,0.,10.,10.5,0.;"}),
          external("iges/pyiges_f110x.igs")},
         3);
}

TEST(reader_fuzz, stl)
{
    const auto corners_in_range = [](const StlMesh& m) {
        for (const std::vector<int>* corners : {&m.tri_a, &m.tri_b, &m.tri_c}) {
            ASSERT_EQ(corners->size(), m.tri_a.size());
            for (const int c : *corners) {
                ASSERT_TRUE(c >= 1 && static_cast<std::size_t>(c) <= m.points.size());
            }
        }
    };
    StlMesh sentinel;
    sentinel.points = sentinel_cloud();
    sentinel.tri_a = sentinel.tri_b = sentinel.tri_c = {1};
    const auto parse = [](std::string_view bytes, StlMesh& m, ReadError& e) {
        return read_stl_mesh(bytes, m, e);
    };
    std::string binary(84 + 50, '\0');
    binary[80] = 1;
    fuzz(checked<StlMesh>(sentinel, parse, corners_in_range),
         {testing::make_stl(
              {{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}, {{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}}}),
          external("stl/assimp_triangle_with_two_solids.stl"), binary},
         4);
}

LoadedMesh sentinel_mesh()
{
    LoadedMesh m;
    m.points = sentinel_cloud();
    m.tri_a = m.tri_b = m.tri_c = {1};
    m.notes = {"before"};
    return m;
}

/// A mesh reader's output on success: labels beside the points, every corner a point.
void check_mesh(const LoadedMesh& m)
{
    ASSERT_FALSE(m.points.empty());
    ASSERT_EQ(m.points.label.size(), m.points.size());
    for (const std::vector<int>* corners : {&m.tri_a, &m.tri_b, &m.tri_c}) {
        ASSERT_EQ(corners->size(), m.tri_a.size());
        for (const int c : *corners) {
            ASSERT_TRUE(c >= 1 && static_cast<std::size_t>(c) <= m.points.size());
        }
    }
}

Reader mesh_reader(Status (*read)(std::string_view, LoadedMesh&, ReadError&))
{
    return checked<LoadedMesh>(sentinel_mesh(), read, check_mesh);
}

TEST(reader_fuzz, pcd)
{
    using testing::make_pcd;
    using testing::PcdLayout;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<double>> records{
        {1, 2, 3, 9}, {nan, 0, 0, 8}, {-4.5, 5e3, 6, 7}, {0.1, 0.2, 0.3, 6}};
    PcdLayout layout;
    layout.fields = {{"intensity", 'U', 2}, {"z"}, {"Y", 'F', 8}, {"x", 'I', 4}};
    layout.width = 2;
    layout.height = 2;
    std::vector<std::string> seeds;
    for (const char* data : {"ascii", "binary", "binary_compressed"}) {
        layout.data = data;
        seeds.push_back(make_pcd(layout, records));
    }
    seeds.push_back(external("pcd/pcl_complex_ascii.pcd"));
    seeds.push_back(external("pcd/pdal_autzen-utm.pcd"));
    fuzz(mesh_reader(read_pcd_points), seeds, 7);
}

TEST(reader_fuzz, las)
{
    testing::LasLayout v14;
    v14.minor = 4;
    v14.format = 7;
    v14.extra_bytes = 3;
    v14.gap = 20;
    v14.legacy_count_zero = true;
    fuzz(mesh_reader(read_las_points),
         {testing::make_las({}, {{1, 2, 3}, {-4, 5, 6}}), testing::make_las(v14, {{7, 8, 9}}),
          external("las/pyntcloud_has_offsets.las")},
         8);
}

TEST(reader_fuzz, obj)
{
    fuzz(mesh_reader(read_obj_mesh),
         {std::string("v 0 0 0\nv 1 0 0 1\nv 1 1 0 0.5 0.5 0.5\nvn 0 0 1\nv 0 1 \\\n0\n"
                      "f 1/1/1 2//1 3 4\nf -1 -2 -3\nl 1 2\np 3\nf 1 2\n# end"),
          external("obj/assimp_box.obj")},
         9);
}

TEST(reader_fuzz, xyz)
{
    fuzz(mesh_reader(read_xyz_points),
         {std::string("2\r\n//X Y Z I\r\n1 2 3 4\r\n\"5\";6;7\r\nnan 1 1\n"),
          external("pointclouds/pdal_text_badheader.txt")},
         10);
}

/// As mesh_reader, for the readers that load a file without points as an empty cloud (a PLY
/// with no vertices, an STL with no facets), as the commands then say.
template <class Read> Reader maybe_empty_mesh_reader(Read read)
{
    return checked<LoadedMesh>(sentinel_mesh(), read, [](const LoadedMesh& m) {
        if (!m.points.empty()) {
            check_mesh(m);
        }
        ASSERT_TRUE(m.points.empty() ? m.tri_a.empty() : true);
    });
}

TEST(reader_fuzz, ply)
{
    using testing::make_ply;
    using testing::PlyElem;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto mesh = testing::ply_mesh_elements({{0, 0, 0}, {1, 0, 0}, {1, 1, nan}, {0, 1, 0}},
                                           {{0, 1, 2, 3}, {3, 2}, {0, 1, 3}});
    mesh[0].props.insert(mesh[0].props.begin() + 1, {"short", "ids", "uchar"});
    for (auto& r : mesh[0].records) {
        r.insert(r.begin() + 1, {2, 7, -7});
    }
    const PlyElem edge{"edge", {{"int", "v1", ""}, {"uint", "ids", "ushort"}}, {{0, 1, 5}, {2, 0}}};
    std::vector<std::string> seeds;
    for (const char* encoding : {"ascii", "binary_little_endian", "binary_big_endian"}) {
        seeds.push_back(make_ply(encoding, {mesh[1], edge, mesh[0]}, {"comment c", "obj_info o"}));
    }
    seeds.push_back(external("ply/happly_platonic_shelf.ply"));
    seeds.push_back(external("ply/plyrs_greg_turk_example2_ok_ascii.ply"));
    fuzz(maybe_empty_mesh_reader([](std::string_view b, LoadedMesh& m, ReadError& e) {
             return read_ply_mesh(b, m, e);
         }),
         seeds, 11);
}

TEST(reader_fuzz, stl_of_either_kind)
{
    using testing::Facet;
    const std::vector<Facet> facets{{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
                                    {{{0, 0, 0}, {1, 1, 0}, {-0.0, 1, 0}}},
                                    {{{2, 2, 2}, {1, 1, 0}, {0, 1, 0}}}};
    fuzz(maybe_empty_mesh_reader([](std::string_view b, LoadedMesh& m, ReadError& e) {
             return read_stl(b, m, e);
         }),
         {testing::make_binary_stl(facets, "solid binary"), testing::make_binary_stl(facets, "", 7),
          testing::make_stl(facets), external("stl/trimesh_20mm-xyz-cube_COLOR.stl")},
         12);
}

// Opening by content: whatever the bytes, the detected reader answers, and the output stays
// as it was on error.
TEST(reader_fuzz, opened_by_content)
{
    const auto open = [](std::string_view b, LoadedMesh& m, ReadError& e) {
        return read_format(detect_file_format(b, b.size(), "scan.xyz"), b, "scan.xyz", m, e);
    };
    fuzz(maybe_empty_mesh_reader(open),
         {testing::make_ply("binary_little_endian", testing::ply_mesh_elements({{1, 2, 3}}, {})),
          testing::make_binary_stl({{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}}),
          testing::make_las({}, {{1, 2, 3}}), std::string("1 2 3\n4 5 6\n"),
          testing::make_bmp(2, 2, 8, {{1, 2}, {3, 4}})},
         13);
}

}  // namespace
}  // namespace tengun
