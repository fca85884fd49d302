#include "formats/obj_mesh.h"

#include <gtest/gtest.h>

#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::BadFile;

LoadedMesh read_ok(std::string_view bytes)
{
    return testing::read_ok(read_obj_mesh, bytes);
}

using Triangles = std::vector<std::array<int, 3>>;

Triangles triangles(const LoadedMesh& m)
{
    Triangles t;
    for (std::size_t k = 0; k < m.triangle_count(); ++k) {
        t.push_back({m.tri_a[k], m.tri_b[k], m.tri_c[k]});
    }
    return t;
}

TEST(read_obj_mesh, real_files_give_the_counts_and_bounds_of_their_sources)
{
    const testing::FileFacts files[] = {
        {"obj/assimp_point_cloud.obj",
         3,
         0,
         {-0.275607, -0.965401, 2.54153},
         {-0.207717, -0.953997, 2.55411},
         {-0.207717, -0.953997, 2.55411}},
        {"obj/assimp_box.obj", 8, 12, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, {-0.5, -0.5, 0.5}},
        {"obj/assimp_cube_with_vertexcolors.obj", 8, 12, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}},
        {"obj/pdal_1.2-with-color.obj",
         911,
         1672,
         {635619.875, 848899.6875, 406.589996},
         {638982.5625, 853535.4375, 583.72998},
         {636896.3125, 849087.6875, 446.390015},
         1e-15},
        {"obj/assimp_testpoints.obj", 8, 0, {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, {-0.5, -0.5, 0.5}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        const LoadedMesh m = read_ok(testing::external_file(f.path));
        testing::expect_facts(m, f);
        EXPECT_TRUE(m.notes.empty());
        for (const auto& t : triangles(m)) {
            for (const int c : t) {
                ASSERT_TRUE(c >= 1 && static_cast<std::size_t>(c) <= m.points.size());
            }
        }
    }
}

TEST(read_obj_mesh, every_corner_form_and_relative_numbers_give_the_same_fans)
{
    const std::string vertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0.5 1 1.0\n";
    const Triangles quad_and_tri{{1, 2, 3}, {1, 3, 4}, {2, 3, 5}};
    for (const std::string faces : {"f 1 2 3 4\nf 2 3 5\n", "f 1/1 2/2 3/3 4/4\nf 2/9 3/9 5/9\n",
                                    "f 1//1 2//2 3//3 4//4\r\nf 2//1 3//1 5//1\r\n",
                                    "f 1/1/1 2/2/2 3/3/3 4/4/4\nf -4/1/1 -3/2/2 -1/3/3",
                                    "f -5 -4 -3 -2\nf -4//7 -3//7 -1//7\n"}) {
        SCOPED_TRACE(faces);
        const LoadedMesh m = read_ok(vertices + faces);
        EXPECT_EQ(triangles(m), quad_and_tri);
        EXPECT_EQ(m.points.xyz[4], (Vec3{0.5, 0.5, 1}));
    }
    // A relative number counts back from the vertices read so far, not from all of them.
    EXPECT_EQ(triangles(read_ok("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 9 9 9\nf -1 -2 -3")),
              (Triangles{{1, 2, 3}, {4, 3, 2}}));
    // A pentagon is a fan of three from its first corner.
    EXPECT_EQ(triangles(read_ok(vertices + "f 5 4 3 2 1")),
              (Triangles{{5, 4, 3}, {5, 3, 2}, {5, 2, 1}}));
}

TEST(read_obj_mesh, other_statements_are_skipped_and_lines_may_continue)
{
    const std::string text = "# exported\r\nmtllib a.mtl\r\no box\r\nvn 0 0 1\r\n"
                             "v  1.5\t-2e1   +3 0.2 0.3 0.4\r\nvt 0.5 0.5\r\ng side\r\n"
                             "usemtl red\r\nv 4 5 \\\r\n 6\r\nv 7 8 9\np 1 2\nl 1 2 3\n"
                             "s off\nf 1 2 \\\n3\nf 1 2\nf 3\nf 4 1 3\nv 10 11 12";
    const LoadedMesh m = read_ok(text);
    EXPECT_EQ(m.points.xyz, (std::vector<Vec3>{{1.5, -20, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}));
    EXPECT_EQ(triangles(m), (Triangles{{1, 2, 3}, {4, 1, 3}})) << "a corner may name a later v";
    ASSERT_EQ(m.notes.size(), 1U);
    EXPECT_NE(m.notes[0].find("面 2 個"), std::string::npos) << m.notes[0];
}

TEST(read_obj_mesh, broken_files_are_refused_with_the_line_and_leave_the_output_alone)
{
    const std::string v3 = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const BadFile cases[] = {
        {"no vertices", "# nothing\nvn 0 0 1\nf 1 2 3\n", "頂点（v 行）がありません"},
        {"empty", "", "頂点（v 行）がありません"},
        {"two coordinates", v3 + "v 1 2\n", "座標が３つありません", 4, {}, 4},
        {"text coordinate", "v 1 2 3\nv 1 x 3\n", "「x」は数値ではありません", 2, {}, 3},
        {"infinite coordinate", "v 1 2 inf\n", "「inf」は数値ではありません", 1, {}, 4},
        {"corner 0", v3 + "f 1 0 2\n", "頂点番号 0", 4, {}, 3},
        {"corner past the end",
         v3 + "f 1 2 3\nf 1 2 4\n",
         "頂点番号 4 の頂点がありません",
         5,
         {},
         4},
        {"relative before the first", v3 + "f -1 -2 -4\n", "頂点番号 -4", 4, {}, 4},
        {"corner not a number", v3 + "f 1 2 a/3\n", "「a/3」が正しくありません", 4, {}, 4},
        {"corner with a sign only", v3 + "f 1 2 -\n", "「-」", 4, {}, 4},
        {"corner beyond int", v3 + "f 1 2 99999999999\n", "99999999999", 4, {}, 4},
        {"continued line counts", "v 1 2 \\\n3\nv 1 \\\r\n 2\n", "座標が３つありません", 4},
    };
    for (const BadFile& c : cases) {
        testing::expect_refused(read_obj_mesh, c);
    }
}

}  // namespace
}  // namespace tengun
