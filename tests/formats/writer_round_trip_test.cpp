// Every writer against its reader: written, read back and written again gives the same bytes,
// and the values read back are the values written to the digits the format keeps (CSV: 15
// significant digits; ASCII STL and PLY: all of them; binary STL: single precision). On random
// clouds and meshes from fixed seeds, and on real files written by other programs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "formats/csv_points.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "formats/stl_mesh.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

struct Mesh {
    std::vector<Vec3> points;
    std::vector<int> a, b, c;
};

/// Coordinates of every kind a writer meets: plain, integral, tiny, huge, negative zero,
/// subnormal, and values that need all 17 digits.
double random_coordinate(std::mt19937& rng)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    switch (rng() % 8) {
    case 0:
        return std::round(unit(rng) * 1000.0);
    case 1:
        return unit(rng) * 1e-300;
    case 2:
        return unit(rng) * 1e300;
    case 3:
        return rng() % 2 == 0 ? -0.0 : std::numeric_limits<double>::denorm_min() * (rng() % 9);
    case 4:
        return unit(rng) * 1e7 + 1.0 / 3.0;
    default:
        return unit(rng) * 100.0;
    }
}

Mesh random_mesh(unsigned seed, bool float_range)
{
    std::mt19937 rng(seed);
    Mesh m;
    const std::size_t n = 1 + rng() % 300;
    for (std::size_t i = 0; i < n; ++i) {
        Vec3 p;
        for (double& x : p) {
            x = random_coordinate(rng);
            if (float_range && std::abs(x) > 1e30) {
                x *= 1e-290;
            }
        }
        m.points.push_back(rng() % 10 == 0 && i > 0 ? m.points[rng() % i] : p);
    }
    const std::size_t triangles = rng() % 400;
    for (std::size_t t = 0; t < triangles; ++t) {
        m.a.push_back(1 + static_cast<int>(rng() % n));
        m.b.push_back(1 + static_cast<int>(rng() % n));
        m.c.push_back(rng() % 20 == 0 ? m.a.back() : 1 + static_cast<int>(rng() % n));
    }
    return m;
}

/// x with 15 significant digits, by the C library (the CSV writer's reference).
double to_15_digits(double x)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", x);
    return std::strtod(text, nullptr);
}

/// p in single precision, as a binary STL stores it (a zero as +0).
Vec3 single(const Vec3& p)
{
    return {static_cast<float>(p[0]) + 0.0F, static_cast<float>(p[1]) + 0.0F,
            static_cast<float>(p[2]) + 0.0F};
}

/// The corners of every triangle, as coordinates, rounded by `keep`.
template <class Keep>
std::vector<Vec3> corners(const std::vector<Vec3>& points, const std::vector<int>& a,
                          const std::vector<int>& b, const std::vector<int>& c, Keep keep)
{
    std::vector<Vec3> out;
    for (std::size_t t = 0; t < a.size(); ++t) {
        for (const int k : {a[t], b[t], c[t]}) {
            out.push_back(keep(points[static_cast<std::size_t>(k) - 1]));
        }
    }
    return out;
}

/// Bitwise equality, so that -0 and 0 and every last bit count.
bool same_bits(const std::vector<Vec3>& x, const std::vector<Vec3>& y)
{
    return x.size() == y.size() &&
           (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof(Vec3)) == 0);
}

void expect_csv_round_trip(const std::vector<Vec3>& points)
{
    const std::string first = write_csv_points(points);
    PointCloud read;
    ReadError error;
    ASSERT_EQ(read_csv_points(first, read, error), Status::ok) << error.reason;
    std::vector<Vec3> expected;
    for (const Vec3& p : points) {
        expected.push_back({to_15_digits(p[0]), to_15_digits(p[1]), to_15_digits(p[2])});
    }
    EXPECT_EQ(read.xyz, expected);
    EXPECT_EQ(write_csv_points(read.xyz), first);
}

void expect_ascii_stl_round_trip(const Mesh& m)
{
    const std::string first = write_stl_mesh(m.points, m.a, m.b, m.c);
    StlMesh read;
    ReadError error;
    ASSERT_EQ(read_stl_mesh(first, read, error), Status::ok) << error.reason;
    const auto exact = [](const Vec3& p) { return p; };
    EXPECT_TRUE(same_bits(corners(read.points.xyz, read.tri_a, read.tri_b, read.tri_c, exact),
                          corners(m.points, m.a, m.b, m.c, exact)));
    EXPECT_EQ(write_stl_mesh(read.points.xyz, read.tri_a, read.tri_b, read.tri_c), first);
}

void expect_binary_stl_round_trip(const Mesh& m)
{
    const std::string first = write_binary_stl(m.points, m.a, m.b, m.c);
    LoadedMesh read;
    ReadError error;
    ASSERT_EQ(read_binary_stl(first, read, error), Status::ok) << error.reason;
    EXPECT_TRUE(same_bits(corners(read.points.xyz, read.tri_a, read.tri_b, read.tri_c,
                                  [](const Vec3& p) { return p; }),
                          corners(m.points, m.a, m.b, m.c, single)));
    EXPECT_EQ(write_binary_stl(read.points.xyz, read.tri_a, read.tri_b, read.tri_c), first);
}

void expect_ply_round_trip(const Mesh& m, PlyEncoding encoding)
{
    const std::string first = write_ply_mesh(m.points, m.a, m.b, m.c, encoding);
    LoadedMesh read;
    ReadError error;
    ASSERT_EQ(read_ply_mesh(first, read, error), Status::ok) << error.reason;
    EXPECT_TRUE(same_bits(read.points.xyz, m.points));
    EXPECT_EQ(read.tri_a, m.a);
    EXPECT_EQ(read.tri_b, m.b);
    EXPECT_EQ(read.tri_c, m.c);
    EXPECT_EQ(write_ply_mesh(read.points.xyz, read.tri_a, read.tri_b, read.tri_c, encoding), first);
}

TEST(writer_round_trip, random_clouds_and_meshes)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const Mesh m = random_mesh(seed, false);
        expect_csv_round_trip(m.points);
        expect_ascii_stl_round_trip(m);
        expect_ply_round_trip(m, PlyEncoding::ascii);
        expect_ply_round_trip(m, PlyEncoding::binary_little_endian);
        expect_binary_stl_round_trip(random_mesh(seed, true));
    }
}

/// A real file read by its reader, as the mesh the writers take.
Mesh real_mesh(const std::string& path)
{
    const std::string bytes = testing::external_file(path);
    LoadedMesh read;
    ReadError error;
    const bool ply = path.ends_with(".ply");
    EXPECT_EQ(ply ? read_ply_mesh(bytes, read, error) : read_stl(bytes, read, error), Status::ok)
        << path << ": " << error.reason;
    return {read.points.xyz, read.tri_a, read.tri_b, read.tri_c};
}

TEST(writer_round_trip, real_files)
{
    for (const char* path :
         {"stl/assimp_Spider_ascii.stl", "stl/assimp_Spider_binary.stl",
          "stl/trimesh_20mm-xyz-cube_COLOR.stl", "stl/numpystl_Cube_PRO2STL_crlf.stl",
          "ply/teaser_bun_zipper_res3.ply", "ply/happly_platonic_shelf.ply", "ply/pcu_truck.ply",
          "ply/tinyply_icosahedron.ply"}) {
        SCOPED_TRACE(path);
        const Mesh m = real_mesh(path);
        ASSERT_FALSE(m.points.empty());
        expect_csv_round_trip(m.points);
        expect_ply_round_trip(m, PlyEncoding::ascii);
        expect_ply_round_trip(m, PlyEncoding::binary_little_endian);
        if (!m.a.empty()) {
            expect_ascii_stl_round_trip(m);
            expect_binary_stl_round_trip(m);
        }
    }
    for (const char* path : {"pointclouds/libpointmatcher_car_cloud400.csv",
                             "pointclouds/pdal_autzen-thin_derived.csv"}) {
        SCOPED_TRACE(path);
        PointCloud read;
        ReadError error;
        ASSERT_EQ(read_csv_points(testing::external_file(path), read, error), Status::ok)
            << error.reason;
        ASSERT_FALSE(read.empty());
        expect_csv_round_trip(read.xyz);
    }
}

} // namespace
} // namespace tengun
