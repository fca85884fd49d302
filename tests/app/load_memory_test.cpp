// Memory that runs out while a genuine file loads: the command says so in one message and the
// form keeps everything it held. The failure is injected: every allocation above 1 MB fails
// while the command runs, as on a machine whose memory is nearly used up, and each file needs
// more than that. Without the limit the same file loads, so the file itself is sound.
#include <gtest/gtest.h>

#include <cmath>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/csv_points.h"
#include "formats/ply_mesh.h"
#include "geometry/number_text.h"
#include "support/allocation_limit.h"
#include "support/format_files.h"
#include "support/scan_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::TempDir;
using testing::TestForm;

constexpr std::size_t limit_bytes = std::size_t{1} << 20U;
constexpr int side = 250; // side × side points: 62,500, about 1.5 MB of coordinates

std::vector<Vec3> grid()
{
    std::vector<Vec3> points;
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            points.push_back({0.5 * i, 0.25 * j, std::sin(0.1 * i) + 0.01 * j});
        }
    }
    return points;
}

std::string grid_text(const char* before, const char* between, const char* after)
{
    std::string text;
    for (const Vec3& p : grid()) {
        text += before + format_number(p[0]) + between + format_number(p[1]) + between +
                format_number(p[2]) + after;
    }
    return text;
}

std::string grid_ply()
{
    std::vector<int> a, b, c;
    for (int i = 0; i + 1 < side; ++i) {
        const int k = i * side + 1;
        a.push_back(k);
        b.push_back(k + 1);
        c.push_back(k + side);
    }
    return write_ply_mesh(grid(), a, b, c, PlyEncoding::binary_little_endian);
}

std::string grid_stl()
{
    std::vector<testing::Facet> facets;
    const std::vector<Vec3> p = grid();
    for (std::size_t k = 0; k + side + 1 < p.size(); k += 3) {
        const Vec3& u = p[k];
        const Vec3& v = p[k + 1];
        const Vec3& w = p[k + side];
        facets.push_back({{{u[0], u[1], u[2]}, {v[0], v[1], v[2]}, {w[0], w[1], w[2]}}});
    }
    return testing::make_binary_stl(facets);
}

std::string grid_las()
{
    std::vector<std::array<std::int32_t, 3>> stored;
    for (const Vec3& p : grid()) {
        stored.push_back({static_cast<std::int32_t>(p[0] * 100),
                          static_cast<std::int32_t>(p[1] * 100),
                          static_cast<std::int32_t>(p[2] * 100)});
    }
    return testing::make_las({}, stored);
}

std::string grid_pcd()
{
    std::vector<std::vector<double>> records;
    for (const Vec3& p : grid()) {
        records.push_back({p[0], p[1], p[2]});
    }
    testing::PcdLayout layout;
    layout.fields = {{"x", 'F', 4}, {"y", 'F', 4}, {"z", 'F', 4}};
    layout.data = "binary";
    return testing::make_pcd(layout, records);
}

std::string grid_bmp()
{
    std::vector<std::vector<unsigned char>> rows(side, std::vector<unsigned char>(side));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            rows[y][x] = static_cast<unsigned char>(1 + (x + y) % 200);
        }
    }
    return testing::make_bmp(side, side, 8, rows);
}

std::string grid_pix()
{
    return testing::make_pix(grid_text("", " ", "\n") + "E");
}

/// A form holding a small cloud with a mesh and a plane result, as a user's work would.
void load_start(TestForm& f, const TempDir& dir)
{
    f.dialogs.files.push_back(dir.write("start.csv", "0,0,0\n5,0,0\n0,5,0\n"));
    csv_file_input_Click(f.ctx);
    f.state.tri_a = {1};
    f.state.tri_b = {2};
    f.state.tri_c = {3};
    f.state.tri_tag = {0};
    heimen_Click(f.ctx);
    f.dialogs.messages.clear();
}

TEST(load_memory, memory_running_out_while_loading_keeps_the_form)
{
    TempDir dir;
    struct Load {
        const char* name;
        void (*command)(CommandContext&);
        std::string file;
    };
    const Load loads[] = {
        {"csv", csv_file_input_Click, dir.write("g.csv", grid_text("", ",", "\r\n"))},
        {"csv merge", csv_merge_input_Click, dir.write("m.csv", grid_text("", " ", "\n"))},
        {"pix", pix_file_input_Click, dir.write("g.pix", grid_pix())},
        {"bitmap", vivid_file_input_Click, dir.write("g.bmp", grid_bmp())},
        {"iges", iges_file_input_Click, dir.write("g.igs", grid_text("110,", ",", ",0,0,0;\n"))},
        {"binary stl", stl_file_input_Click, dir.write("g.stl", grid_stl())},
        {"ply by content", auto_file_input_Click, dir.write("g.ply", grid_ply())},
        {"pcd by content", auto_file_input_Click, dir.write("g.pcd", grid_pcd())},
        {"las by content", auto_file_input_Click, dir.write("g.las", grid_las())},
        {"obj by content", auto_file_input_Click, dir.write("g.obj", grid_text("v ", " ", "\n"))},
        {"xyz by content", auto_file_input_Click, dir.write("g.xyz", grid_text("", " ", " 7\n"))},
    };
    for (const Load& l : loads) {
        SCOPED_TRACE(l.name);
        TestForm f;
        load_start(f, dir);
        const FormState before = f.state;
        f.dialogs.files.push_back(l.file);
        {
            const testing::AllocationLimit limit(limit_bytes);
            l.command(f.ctx);
        }
        EXPECT_TRUE(f.state == before) << "the form changed";
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        EXPECT_NE(f.dialogs.messages[0].find(out_of_memory_reason), std::string::npos)
            << f.dialogs.messages[0];
        EXPECT_NE(f.dialogs.messages[0].find("読み込み済みの点群はそのままです"),
                  std::string::npos);

        f.dialogs.messages.clear();
        f.dialogs.files.push_back(l.file);
        l.command(f.ctx);
        EXPECT_GT(f.state.point_count(), 20000U) << "with memory enough, the file loads";
        EXPECT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    }
}

// The allocation of the triangles' tags that follows a successful read: memory running out
// there leaves the form as it was too.
TEST(load_memory, the_mesh_tags_after_the_read_fail_before_the_form_changes)
{
    TempDir dir;
    TestForm f;
    load_start(f, dir);
    const FormState before = f.state;
    LoadedMesh mesh;
    mesh.points.add({0, 0, 0});
    mesh.tri_a.assign(300000, 1);
    mesh.tri_b.assign(300000, 1);
    mesh.tri_c.assign(300000, 1);
    {
        const testing::AllocationLimit limit(limit_bytes);
        load_mesh(f.ctx, std::move(mesh), MeshLoad::replace, "");
    }
    EXPECT_TRUE(f.state == before);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find(out_of_memory_reason), std::string::npos);
}

} // namespace
} // namespace tengun
