// Whole meshes, plane extractions and plane merges against the plain reference of
// tests/support/surface_reference.h, on clouds of many kinds: the fast paths (the k-d tree, the
// linked front, parked edges, memos, the refit over the region's own points) must build exactly
// what the algorithms as written build, triangle for triangle and label for label.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "geometry/rotation.h"
#include "support/surface_clouds.h"
#include "support/surface_reference.h"
#include "surface/mesh.h"
#include "surface/plane_extraction.h"
#include "surface/plane_merge.h"

namespace tengun {
namespace {

using testing::Box;

struct IdentityCase {
    std::string name;
    std::function<std::vector<Vec3>()> make;
    bool restarts = false; ///< the first patch alone leaves points: later patches are compared
    int min_planes = 1;    ///< the extraction finds at least this many planes
};

std::vector<Vec3> lattice(int nx, int ny, double z, double step = 1.0)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            pts.push_back({step * i, step * j, z});
        }
    }
    return pts;
}

std::vector<Vec3> turned(std::vector<Vec3> pts, double a, double b, double c, const Vec3& shift)
{
    const Mat3 turn = rotation_matrix(a, b, c);
    for (Vec3& p : pts) {
        p = mat_vec(turn, p) + shift;
    }
    return pts;
}

std::vector<Vec3> shuffled(std::vector<Vec3> pts, unsigned seed)
{
    std::mt19937 rng(seed);
    std::shuffle(pts.begin(), pts.end(), rng);
    return pts;
}

std::vector<Vec3> jittered_wave(int nx, int ny, double jitter, double wave, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            const double x = i + jitter * g(rng);
            const double y = j + jitter * g(rng);
            pts.push_back({x, y, wave * std::sin(x / 6.0) * std::cos(y / 5.0)});
        }
    }
    return pts;
}

std::vector<IdentityCase> identity_cases()
{
    const Box box{{10, 20, 30}, {40, 30, 20}};
    const double pi_value = 3.14159265358979;
    return {
        // Sheets: exact lattices (many equal distances), jitter, random order, waves.
        {"lattice_30x30", [] { return lattice(30, 30, 2.0); }},
        {"lattice_turned_through_the_origin",
         [] { return turned(lattice(40, 25, 0.0), 0.4, -0.9, 0.3, {}); }},
        {"lattice_in_random_order", [] { return shuffled(lattice(35, 30, 5.0, 0.5), 3); }},
        {"jittered_wave_100x100", [] { return jittered_wave(100, 100, 0.1, 3.0, 4); }},
        {"random_sheet_2000", [] { return testing::random_sheet(2000, 40, 30, 1, 2.0); }, true},
        {"random_sheet_5000", [] { return testing::random_sheet(5000, 70, 70, 2, 3.0); }, true},
        {"random_sheet_20000", [] { return testing::random_sheet(20000, 140, 140, 3, 7.0); }, true},
        {"random_flat_sheet_at_the_origin",
         [] { return testing::random_sheet(3000, 50, 60, 4, 0.0, 0.0); }},
        {"two_sheets_apart",
         [] {
             std::vector<Vec3> pts = testing::random_sheet(1500, 30, 30, 5, 1.0);
             for (Vec3 p : testing::random_sheet(1500, 30, 30, 6, 1.0, 40.0)) {
                 pts.push_back(p);
             }
             return shuffled(pts, 7);
         },
         true},
        {"sheet_with_a_hole",
         [] {
             std::vector<Vec3> pts;
             for (const Vec3& p : testing::random_sheet(3000, 50, 50, 8, 1.0)) {
                 if (std::hypot(p[0] - 25, p[1] - 25) > 8) {
                     pts.push_back(p);
                 }
             }
             return pts;
         }},
        // Boxes: scanned on grids (clean ones with ties), at random, corners.
        {"box_grid_clean", [box] { return testing::box_scan(box, 2.0); }, false, 6},
        {"box_grid_noisy",
         [box] {
             return testing::box_scan(box, 1.5, {0, 1, 2, 3, 4, 5}, 0.01);
         },
         false, 6},
        {"box_grid_fine",
         [box] {
             return testing::box_scan(box, 0.8, {0, 1, 2, 3, 4, 5}, 0.01);
         },
         false, 6},
        {"box_random_2500_a", [box] { return testing::random_box_scan(box, 2500, 1, 0.01); }, false,
         2},
        {"box_random_2500_b", [box] { return testing::random_box_scan(box, 2500, 2, 0.01); }, true,
         2},
        {"box_random_2500_c", [box] { return testing::random_box_scan(box, 2500, 3, 0.01); }, false,
         2},
        {"box_random_8000", [box] { return testing::random_box_scan(box, 8000, 4, 0.01); }, true,
         2},
        {"box_random_12000_low_noise",
         [box] { return testing::random_box_scan(box, 12000, 6, 0.005); }, false, 2},
        {"box_random_20000", [box] { return testing::random_box_scan(box, 20000, 5, 0.01); }, false,
         2},
        {"box_random_clean", [box] { return testing::random_box_scan(box, 5000, 9, 0.0); }, true,
         2},
        {"box_three_faces_in_random_order",
         [box] {
             return shuffled(testing::box_scan(box, 1.0, {1, 2, 5}, 0.01), 10);
         },
         false, 3},
        {"frustum",
         [] {
             return testing::frustum_scan({5, 5, 0}, 20, 8, 6, 20);
         },
         false, 5},
        // Cylinders and other curved surfaces: regions end where the plane has turned 10 degrees.
        {"cylinder_rings_clean",
         [pi_value] { return testing::cylinder_scan(10, 0, 2 * pi_value, 30, 40, 60, false); },
         false, 3},
        {"cylinder_random_noisy",
         [pi_value] {
             return testing::cylinder_scan(10, 0, 2 * pi_value, 30, 50, 60, true, 11, 0.02);
         },
         false, 3},
        {"half_cylinder_random",
         [pi_value] {
             return testing::cylinder_scan(10, 0, pi_value, 12, 60, 100, true, 12, 0.01);
         },
         true, 3},
        {"quarter_cylinder_short_rings",
         [pi_value] { return testing::cylinder_scan(10, 0, pi_value / 2, 5, 12, 30, false); },
         false, 4},
        // Rings farther apart than the points along them: the seed triangles are slivers along
        // one ring, and no region grows past its seed.
        {"quarter_cylinder_dense_rings",
         [pi_value] { return testing::cylinder_scan(10, 0, pi_value / 2, 5, 10, 50, false); },
         false, 0},
        {"sphere_cap",
         [] {
             return testing::sphere_cap(4000, {1, 2, 3}, 10, 1.2, 13);
         },
         true, 3},
        // Creases, repeats, volumes and lines.
        {"right_angle_crease",
         [] {
             std::vector<Vec3> pts;
             for (int x = 1; x <= 5; ++x) {
                 for (int y = 0; y <= 5; ++y) {
                     pts.push_back({double(x), double(y), 0.0});
                 }
             }
             for (int z = 2; z <= 6; ++z) {
                 for (int y = 0; y <= 5; ++y) {
                     pts.push_back({0.0, double(y), double(z)});
                 }
             }
             return pts;
         },
         true, 2},
        // Each seed triangle has two corners in one place (no plane): every region is dropped.
        {"every_point_twice",
         [] {
             std::vector<Vec3> pts;
             for (const Vec3& p : jittered_wave(20, 20, 0.2, 1.0, 14)) {
                 pts.push_back(p);
                 pts.push_back(p);
             }
             return pts;
         },
         false, 0},
        {"points_at_the_origin_among_a_lattice",
         [] {
             std::vector<Vec3> pts = lattice(15, 15, 0.0);
             pts.insert(pts.begin() + 50, Vec3{});
             pts.insert(pts.begin() + 120, Vec3{});
             return pts;
         }},
        {"random_volume",
         [] {
             std::mt19937 rng(15);
             std::uniform_real_distribution<double> u(0.0, 10.0);
             std::vector<Vec3> pts;
             for (int i = 0; i < 1500; ++i) {
                 pts.push_back({u(rng), u(rng), u(rng)});
             }
             return pts;
         },
         true},
        {"a_line_and_a_few_points_beside_it",
         [] {
             std::vector<Vec3> pts;
             for (int i = 0; i < 50; ++i) {
                 pts.push_back({1.0 * i, 2.0 * i, 3.0});
             }
             pts.push_back({10, 25, 3});
             pts.push_back({30, 55, 3});
             pts.push_back({31, 54, 3.5});
             return pts;
         }},
        {"three_points",
         [] {
             return std::vector<Vec3>{{0, 0, 1}, {3, 0, 1}, {1, 2, 1}};
         }},
        {"five_points",
         [] {
             return std::vector<Vec3>{
                 {0, 0, 4}, {3, 0.2, 4}, {3.4, 2.5, 4}, {-0.2, 2, 4}, {1.5, 1.2, 4.1}};
         }},
    };
}

class SurfaceIdentity : public ::testing::TestWithParam<IdentityCase> {};

struct Output {
    std::vector<double> labels;
    std::vector<int> a, b, c;
    std::vector<double> tag;
    int planes = 0;
};

void expect_same(const Output& run, const testing::ReferenceMesh& ref)
{
    EXPECT_EQ(run.a, ref.a);
    EXPECT_EQ(run.b, ref.b);
    EXPECT_EQ(run.c, ref.c);
    EXPECT_EQ(run.tag, ref.tag);
    EXPECT_EQ(run.labels, ref.labels);
}

TEST_P(SurfaceIdentity, mesh_extraction_and_merge_build_what_the_plain_algorithms_build)
{
    const IdentityCase& c = GetParam();
    const std::vector<Vec3> pts = c.make();
    ASSERT_LE(pts.size(), 20000U);
#if defined(__SANITIZE_ADDRESS__)
    if (pts.size() > 5000) {
        GTEST_SKIP() << "the plain reference is too slow under the address sanitizer";
    }
#endif

    // The mesh, with the plain scan as its finder too on the smaller clouds.
    const testing::ReferenceMesh ref = testing::reference_mesh(pts);
    for (const CandidateSearch search : {CandidateSearch::indexed, CandidateSearch::linear}) {
        if (search == CandidateSearch::linear && pts.size() > 3000) {
            continue;
        }
        SCOPED_TRACE(search == CandidateSearch::linear ? "plain finder" : "k-d tree");
        Output mesh;
        mesh.labels.assign(pts.size(), 7.0);
        mesh_point_cloud(pts, mesh.labels, mesh.a, mesh.b, mesh.c, mesh.tag, search);
        expect_same(mesh, ref);
    }
    EXPECT_FALSE(ref.a.empty());
    if (c.restarts) {
        const testing::ReferenceMesh first = testing::reference_mesh(pts, false);
        EXPECT_GE(count_label(0.0, first.labels), 3U) << "the case must need later patches";
    }

    // The extraction, and the merge of both.
    testing::ReferenceMesh planes = testing::reference_extraction(pts);
    Output extraction;
    extraction.labels.assign(pts.size(), 7.0);
    extraction.planes = extract_planes(pts, extraction.labels, extraction.a, extraction.b,
                                       extraction.c, extraction.tag);
    EXPECT_EQ(extraction.planes, planes.planes);
    expect_same(extraction, planes);
    EXPECT_GE(planes.planes, c.min_planes);

    ASSERT_EQ(merge_planes(pts, extraction.labels, extraction.planes, extraction.a, extraction.tag),
              Status::ok);
    ASSERT_EQ(merge_planes(pts, planes.labels, planes.planes, planes.a, planes.tag), Status::ok);
    EXPECT_EQ(extraction.planes, planes.planes);
    EXPECT_EQ(extraction.labels, planes.labels);
    EXPECT_EQ(extraction.tag, planes.tag);
}

INSTANTIATE_TEST_SUITE_P(clouds, SurfaceIdentity, ::testing::ValuesIn(identity_cases()),
                         [](const ::testing::TestParamInfo<IdentityCase>& info) {
                             return info.param.name;
                         });

} // namespace
} // namespace tengun
