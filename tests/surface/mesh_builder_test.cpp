// The checked assembly of a mesh and the counts that say what a mesh is.
#include "surface/mesh_builder.h"

#include <gtest/gtest.h>

#include <vector>

namespace tengun {
namespace {

// A unit square of four points (0..3) around a centre point 4, in the plane z = 0, and a point
// 5 straight above the centre.
const std::vector<Vec3> square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.5, 0}, {0.5, 0.5, 6}};
const std::vector<Vec3> up(square.size(), Vec3{0, 0, 1});

TEST(MeshBuilder, refuses_overlaps_third_triangles_and_steep_ones)
{
    MeshBuilder mesh(square, up);
    ASSERT_GE(mesh.add(0, 1, 4), 0);
    ASSERT_GE(mesh.add(1, 2, 4), 0);
    EXPECT_LT(mesh.add(0, 1, 3), 0) << "covers the first triangle at corner 0";
    EXPECT_LT(mesh.add(0, 1, 2), 0) << "lies over the first two";
    EXPECT_LT(mesh.add(0, 1, 5), 0) << "stands upright on the corners' plane";
    ASSERT_GE(mesh.add(2, 3, 4), 0);
    ASSERT_GE(mesh.add(3, 0, 4), 0);
    EXPECT_TRUE(mesh.rims().size() == 1 && mesh.rims()[0].size() == 4);
    // Oriented alike whatever order the corners were given in.
    std::vector<int> a, b, c;
    for (int t = 0; t < 4; ++t) {
        const auto o = mesh.oriented(t);
        a.push_back(o[0] + 1);
        b.push_back(o[1] + 1);
        c.push_back(o[2] + 1);
    }
    const MeshSummary s = summarise_mesh(square.size(), a, b, c);
    EXPECT_EQ(s.inconsistent_edges, 0U);
    EXPECT_EQ(s.boundary_edges, 4U);
    EXPECT_EQ(s.boundary_loops, 1U);
    EXPECT_EQ(s.reached, 5U);
}

TEST(MeshBuilder, closes_a_hole_with_the_point_inside_it_but_not_the_one_above)
{
    // A frame of eight triangles between the square and a larger one (points 6..9) rims a
    // square hole holding the centre 4 and, high above it, point 5.
    std::vector<Vec3> pts = square;
    for (const Vec3& p : std::vector<Vec3>{{-1, -1, 0}, {2, -1, 0}, {2, 2, 0}, {-1, 2, 0}}) {
        pts.push_back(p);
    }
    const std::vector<Vec3> normals(pts.size(), Vec3{0, 0, 1});
    MeshBuilder mesh(pts, normals);
    for (const auto& [x, y, z] : std::vector<std::array<int, 3>>{
             {6, 7, 0}, {7, 1, 0}, {7, 8, 1}, {8, 2, 1}, {8, 9, 2}, {9, 3, 2}, {9, 6, 3}, {6, 0, 3}}) {
        ASSERT_GE(mesh.add(x, y, z), 0);
    }
    std::vector<std::uint32_t> near; // every point near every point
    for (std::uint32_t i = 0; i < pts.size(); ++i) {
        for (std::uint32_t j = 0; j < pts.size(); ++j) {
            near.push_back(j);
        }
    }
    EXPECT_EQ(mesh.fill_holes(8, 100.0, near, pts.size()), 4U) << "four triangles to the centre";
    EXPECT_EQ(mesh.at(4).size(), 4U);
    EXPECT_TRUE(mesh.at(5).empty());
    EXPECT_EQ(mesh.rims().size(), 1U) << "only the frame's outer rim is left";
}

TEST(summarise_mesh, counts_what_is_wrong_with_a_mesh)
{
    // A: two triangles running their common edge 1-2 the same way; B: three triangles on the
    // edge 1-2 (points 1 and 2 then have three fans each); C: two triangles meeting only at
    // point 7 (a bow tie: its two rims touch there and count as one loop).
    struct Case {
        std::vector<int> a, b, c;
        MeshSummary want; // boundary edges, loops, non-manifold edges and points, inconsistent, reached
    };
    const std::vector<Case> cases{
        {{1, 1}, {2, 2}, {3, 4}, {4, 1, 0, 0, 1, 4}},
        {{1, 1, 1}, {2, 2, 2}, {3, 4, 5}, {6, 1, 1, 2, 0, 5}},
        {{1, 7}, {2, 4}, {7, 5}, {6, 1, 0, 1, 0, 5}},
    };
    for (const Case& k : cases) {
        const MeshSummary s = summarise_mesh(7, k.a, k.b, k.c);
        EXPECT_EQ(s.boundary_edges, k.want.boundary_edges);
        EXPECT_EQ(s.boundary_loops, k.want.boundary_loops);
        EXPECT_EQ(s.non_manifold_edges, k.want.non_manifold_edges);
        EXPECT_EQ(s.non_manifold_points, k.want.non_manifold_points);
        EXPECT_EQ(s.inconsistent_edges, k.want.inconsistent_edges);
        EXPECT_EQ(s.reached, k.want.reached);
    }
}

} // namespace
} // namespace tengun
