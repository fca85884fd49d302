// Opening files by their content, and saving the mesh as STL of either kind and as PLY, through
// the commands with scripted dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "app/commands.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "support/format_files.h"
#include "support/ply_files.h"
#include "support/scan_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::Facet;
using testing::TempDir;
using testing::TestForm;

void run(TestForm& f, void (*command)(CommandContext&), const std::string& path)
{
    f.dialogs.files.push_back(path);
    command(f.ctx);
}

const std::vector<Facet> square{{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
                                {{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}}};

std::string external(const char* path)
{
    return (std::filesystem::path(TENGUN_EXTERNAL_DATA) / path).string();
}

/// A form holding a cloud of three points, a one-triangle mesh and a plane result.
void load_start(TestForm& f, const TempDir& dir)
{
    run(f, csv_file_input_Click, dir.write("start.csv", "0,0,0\n5,0,0\n0,5,0\n"));
    f.state.tri_a = {1};
    f.state.tri_b = {2};
    f.state.tri_c = {3};
    f.state.tri_tag = {0};
    f.state.analysis_kind = analysis_kinds::plane;
    f.state.rotation_centre = {1, 1, 1};
}

TEST(auto_file_input, opens_every_format_by_its_content_and_runs_the_after_load_step)
{
    TempDir dir;
    const std::string ply_mesh = testing::make_ply(
        "binary_big_endian",
        testing::ply_mesh_elements({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}}));
    const std::string ply_points =
        testing::make_ply("ascii", {testing::ply_mesh_elements({{1, 2, 3}, {4, 5, 6}}, {})[0]});
    struct Open {
        const char* name;
        std::string file;
        std::size_t points;
        std::size_t triangles;  ///< after the load: the file's, or the start mesh kept (1)
        int surface_display;
    };
    const Open opens[] = {
        {"PLY mesh under a CSV name", dir.write("mesh.csv", ply_mesh), 4, 2, surface_modes::mesh},
        {"PLY points: the mesh goes with the old cloud", dir.write("p.ply", ply_points), 2, 0,
         surface_modes::points_only},
        {"binary STL", dir.write("b.stl", testing::make_binary_stl(square, "solid b")), 4, 2,
         surface_modes::mesh},
        {"ASCII STL", dir.write("a.dat", testing::make_stl(square)), 4, 2, surface_modes::mesh},
        {"CSV keeps the mesh, as csv_input does", dir.write("c.CSV", "1 2 3\n4 5 6"), 2, 1,
         surface_modes::points_only},
        {"XYZ: a point file of its own leaves the old mesh out", dir.write("s.xyz",
         "1 2 3 9\n4 5 6 9\n7 8 9 9\n"), 3, 0, surface_modes::points_only},
        {"OBJ", dir.write("o.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), 3, 1,
         surface_modes::mesh},
        {"LAS", external("las/pyntcloud_has_offsets.las"), 20, 0, surface_modes::points_only},
        {"PCD", external("pcd/pcl_nhood_test.pcd"), 36, 0, surface_modes::points_only},
        {"bitmap", dir.write("r.img", testing::make_bmp(2, 1, 8, {{1, 2}})), 2, 1,
         surface_modes::points_only},
        {"IGES", external("iges/pyiges_f110x.igs"), 4, 1, surface_modes::points_only},
    };
    for (const Open& o : opens) {
        SCOPED_TRACE(o.name);
        TestForm f;
        load_start(f, dir);
        run(f, auto_file_input_Click, o.file);
        EXPECT_EQ(f.program.file_kind, file_kinds::all_formats);
        EXPECT_EQ(f.state.point_count(), o.points);
        EXPECT_EQ(f.state.triangle_count(), o.triangles);
        EXPECT_EQ(f.state.tri_tag.size(), o.triangles);
        EXPECT_EQ(f.state.surface_display, o.surface_display);
        EXPECT_EQ(f.state.base_point_count, o.points);
        EXPECT_EQ(f.state.analysis_kind, analysis_kinds::none);
        EXPECT_EQ(f.state.rotation_centre, (Vec3{0, 0, 0}));
        EXPECT_EQ(f.state.marker_mode, 0);
        EXPECT_EQ(f.state.fields["Text5"], o.file);
        EXPECT_EQ(f.state.fields["Text7"], std::to_string(o.points));
        EXPECT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    }
}

TEST(auto_file_input, notes_of_the_reader_follow_a_load_in_one_message)
{
    TempDir dir;
    TestForm f;
    const std::string padded = dir.write("padded.stl", testing::make_binary_stl(square, "", 3));
    run(f, auto_file_input_Click, padded);
    EXPECT_EQ(f.state.point_count(), 4U);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_EQ(f.dialogs.messages[0],
              "ファイル「" + padded + "」を読み込みました。\n末尾の3バイトは無視しました。");

    // The STL command itself says the same.
    f.dialogs.messages.clear();
    run(f, stl_file_input_Click, padded);
    EXPECT_EQ(f.program.file_kind, file_kinds::stl);
    EXPECT_EQ(f.dialogs.messages.size(), 1U);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    f.dialogs.messages.clear();
    run(f, auto_file_input_Click,
        dir.write("holes.ply",
                  testing::make_ply("ascii", testing::ply_mesh_elements(
                                                 {{0, 0, 0}, {nan, 0, 0}, {1, 1, 1}}, {{0, 1}}))));
    EXPECT_EQ(f.state.point_count(), 2U);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("頂点1個"), std::string::npos);
    EXPECT_NE(f.dialogs.messages[0].find("３つ未満の面1個"), std::string::npos);

    // A file without points loads an empty cloud and says so.
    f.dialogs.messages.clear();
    run(f, auto_file_input_Click,
        dir.write("none.ply", testing::make_ply("ascii", testing::ply_mesh_elements({}, {}))));
    EXPECT_EQ(f.state.point_count(), 0U);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("頂点がありません。点群は空"), std::string::npos);
}

TEST(auto_file_input, a_file_that_cannot_be_opened_keeps_the_form_as_it_was)
{
    TempDir dir;
    TestForm f;
    load_start(f, dir);
    const FormState before = f.state;
    std::string cut_ply = testing::make_ply(
        "binary_little_endian", testing::ply_mesh_elements({{0, 0, 0}, {1, 0, 0}}, {{0, 1, 1}}));
    cut_ply.resize(cut_ply.size() - 1);
    const std::pair<std::string, const char*> broken[] = {
        {dir.write("scan.dat", "1 2 3\n"), "判別できません"},
        {dir.write("fake.ply", "1 2 3\n"), ".ply ですが"},
        {dir.write("cut.ply", cut_ply), "途中"},
        {dir.write("wrong.stl", testing::make_binary_stl(square, "", 60)), "余っています"},
        {external("las/pdal_simple.laz"), "LAZ"},
        {dir.file("missing.ply"), "見つかりません"},
        {dir.file(""), "フォルダー"},
    };
    for (const auto& [file, reason] : broken) {
        SCOPED_TRACE(file);
        f.dialogs.messages.clear();
        run(f, auto_file_input_Click, file);
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        const std::string& m = f.dialogs.messages[0];
        EXPECT_NE(m.find(file), std::string::npos) << m;
        EXPECT_NE(m.find(reason), std::string::npos) << m;
        EXPECT_NE(m.find("そのまま"), std::string::npos) << m;
        EXPECT_EQ(f.state.points, before.points);
        EXPECT_EQ(f.state.tri_a, before.tri_a);
        EXPECT_EQ(f.state.fields, before.fields);
        EXPECT_EQ(f.state.analysis_kind, before.analysis_kind);
    }
    f.dialogs.messages.clear();
    f.dialogs.files.push_back(std::nullopt);  // cancelled: nothing at all
    auto_file_input_Click(f.ctx);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.state.points, before.points);
}

TEST(open_file, opens_the_named_file_without_a_chooser)
{
    TestForm f;
    f.program.selected_file_name = external("ply/tinyply_icosahedron.ply");
    open_file(f.ctx);
    EXPECT_EQ(f.dialogs.chooser_shown, 0);
    EXPECT_EQ(f.state.point_count(), 12U);
    EXPECT_EQ(f.state.triangle_count(), 20U);
    EXPECT_EQ(f.state.fields["Text5"], f.program.selected_file_name);
}

/// A form holding the float-exact square mesh read from a binary STL.
void load_square(TestForm& f, const TempDir& dir)
{
    run(f, stl_file_input_Click, dir.write("square.stl", testing::make_binary_stl(square)));
    ASSERT_EQ(f.state.triangle_count(), 2U);
}

TEST(stl_file_output, asks_the_encoding_binary_first_and_writes_either_kind)
{
    TempDir dir;
    TestForm f;
    load_square(f, dir);
    run(f, stl_file_output_Click, dir.file("bin.txt"));  // no answer: the choice is cancelled
    ASSERT_EQ(f.dialogs.questions.size(), 1U);
    const Choice& q = f.dialogs.questions[0];
    EXPECT_EQ(q.initial, 0);
    ASSERT_EQ(q.options.size(), 2U);
    EXPECT_EQ(q.options[0].key, "binary");
    EXPECT_EQ(q.options[1].key, "ascii");
    EXPECT_FALSE(std::filesystem::exists(dir.file("bin.stl")));
    EXPECT_TRUE(f.dialogs.messages.empty());

    f.dialogs.choices = {0, 1};
    run(f, stl_file_output_Click, dir.file("bin.txt"));
    run(f, stl_file_output_Click, dir.file("text"));
    EXPECT_EQ(f.program.selected_file_name, dir.file("text.stl"));
    const std::string binary = TempDir::read(dir.file("bin.stl"));
    const std::string text = TempDir::read(dir.file("text.stl"));
    EXPECT_EQ(binary.size(), 84U + 2 * 50);
    EXPECT_EQ(text.substr(0, 6), "solid ");
    for (const std::string& file : {dir.file("bin.stl"), dir.file("text.stl")}) {
        SCOPED_TRACE(file);
        TestForm g;
        run(g, stl_file_input_Click, file);
        EXPECT_EQ(g.state.points, f.state.points);
        EXPECT_EQ(g.state.tri_a, f.state.tri_a);
        EXPECT_EQ(g.state.tri_b, f.state.tri_b);
        EXPECT_EQ(g.state.tri_c, f.state.tri_c);
    }
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(stl_file_output, binary_says_what_single_precision_loses)
{
    TempDir dir;
    TestForm f;
    load_square(f, dir);
    f.state.points.xyz[3] = {1e-9, 1, 0};  // falls together with nothing: 1e-9 is a float
    f.state.points.xyz[2] = {1 + 1e-12, 1, 0};
    f.state.points.add({1, 1, 0});
    f.state.tri_a.push_back(5);
    f.state.tri_b.push_back(1);
    f.state.tri_c.push_back(2);
    f.dialogs.choices = {0};
    run(f, stl_file_output_Click, dir.file("near.stl"));
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("1個の頂点"), std::string::npos) << f.dialogs.messages[0];
    EXPECT_TRUE(std::filesystem::exists(dir.file("near.stl")));

    f.state.points.xyz[0] = {1e300, 0, 0};
    f.dialogs.messages.clear();
    f.dialogs.choices = {0};
    run(f, stl_file_output_Click, dir.file("huge.stl"));
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("単精度の範囲"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("huge.stl")));
}

TEST(ply_file_output, writes_points_and_mesh_in_either_encoding_that_read_back)
{
    TempDir dir;
    TestForm f;
    run(f, csv_file_input_Click,
        dir.write("c.csv", "0.1 0.2 0.3\n1e-300 -5 7\n123456789.123456789 0 1\n4 4 4\n"));
    f.state.tri_a = {1, 2};
    f.state.tri_b = {2, 3};
    f.state.tri_c = {3, 4};
    f.dialogs.choices = {0, 1};
    run(f, ply_file_output_Click, dir.file("bin"));
    EXPECT_EQ(f.program.file_kind, file_kinds::ply);
    run(f, ply_file_output_Click, dir.file("text.PLY"));
    EXPECT_EQ(f.program.selected_file_name, dir.file("text.ply"));
    EXPECT_EQ(f.state.fields["Text5"], dir.file("text.ply"));
    EXPECT_EQ(f.dialogs.questions.back().options[0].key, "binary");
    EXPECT_NE(TempDir::read(dir.file("bin.ply")).find("binary_little_endian"), std::string::npos);
    EXPECT_NE(TempDir::read(dir.file("text.ply")).find("format ascii"), std::string::npos);
    for (const std::string& file : {dir.file("bin.ply"), dir.file("text.ply")}) {
        SCOPED_TRACE(file);
        TestForm g;
        run(g, auto_file_input_Click, file);
        EXPECT_EQ(g.state.points.xyz, f.state.points.xyz) << "every double exact";
        EXPECT_EQ(g.state.tri_a, f.state.tri_a);
        EXPECT_EQ(g.state.tri_c, f.state.tri_c);
    }
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(ply_file_output, refuses_an_empty_cloud_and_leaves_a_stale_mesh_out)
{
    TempDir dir;
    TestForm f;
    f.dialogs.choices = {0};
    run(f, ply_file_output_Click, dir.file("empty.ply"));
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("ファイルは作成されませんでした"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.ply")));
    EXPECT_TRUE(f.dialogs.questions.empty()) << "nothing to ask about";

    run(f, csv_file_input_Click, dir.write("c.csv", "1,2,3\n4,5,6\n"));
    f.state.tri_a = {1};
    f.state.tri_b = {2};
    f.state.tri_c = {3};  // a point the cloud no longer has
    f.dialogs.messages.clear();
    run(f, ply_file_output_Click, dir.file("points.ply"));
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("点群だけ"), std::string::npos);
    const std::string written = TempDir::read(dir.file("points.ply"));
    EXPECT_EQ(written.find("element face"), std::string::npos);
}

}  // namespace
}  // namespace tengun
