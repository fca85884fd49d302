// Loading PIX, bitmap, IGES and STL files and writing STL through the commands: file kinds,
// the after-load step, the mesh, and the messages that leave the loaded cloud alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/commands.h"
#include "formats/stl_mesh.h"
#include "support/format_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::make_stl;
using testing::TempDir;
using testing::TestForm;

void run(TestForm& f, void (*command)(CommandContext&), const std::string& path)
{
    f.dialogs.files.push_back(path);
    command(f.ctx);
}

const std::vector<testing::Facet> square{{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
                                         {{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}}};

TEST(reader_commands, each_import_sets_its_file_kind_and_runs_the_after_load_step)
{
    TempDir dir;
    struct Import {
        void (*command)(CommandContext&);
        int kind;
        std::string file;
        std::size_t points;
    };
    const Import imports[] = {
        {pix_file_input_Click, file_kinds::pix,
         dir.write("a.pix", testing::make_pix("200 200 40 240 200 40 E")), 2},
        {vivid_file_input_Click, file_kinds::bmp,
         dir.write("a.bmp", testing::make_bmp(4, 2, 8, {{1, 2, 3, 4}, {5, 6, 7, 8}})), 8},
        {iges_file_input_Click, file_kinds::igs,
         dir.write("a.igs", testing::make_iges({"110,0.,0.,0.,30.,0.,0.;"})), 1},
        {stl_file_input_Click, file_kinds::stl, dir.write("a.stl", make_stl(square)), 4},
    };
    for (const Import& i : imports) {
        SCOPED_TRACE(i.file);
        TestForm f;
        f.state.analysis_kind = analysis_kinds::sphere;
        f.state.rotation_centre = {5, 5, 5};
        run(f, i.command, i.file);
        EXPECT_EQ(f.program.file_kind, i.kind);
        EXPECT_EQ(f.state.point_count(), i.points);
        EXPECT_EQ(f.state.base_point_count, i.points);
        EXPECT_EQ(f.state.analysis_kind, analysis_kinds::none);
        EXPECT_EQ(f.state.rotation_centre, (Vec3{0, 0, 0}));
        EXPECT_EQ(f.state.fields["Text5"], i.file);
        EXPECT_EQ(f.state.fields["Text7"], std::to_string(i.points));
        EXPECT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    }
}

TEST(stl_file_input, loads_the_mesh_and_shows_it)
{
    TempDir dir;
    TestForm f;
    run(f, stl_file_input_Click, dir.write("sq.stl", make_stl(square)));
    EXPECT_EQ(f.state.tri_a, (std::vector<int>{1, 1}));
    EXPECT_EQ(f.state.tri_b, (std::vector<int>{2, 3}));
    EXPECT_EQ(f.state.tri_c, (std::vector<int>{3, 4}));
    EXPECT_EQ(f.state.tri_tag, (std::vector<double>{0, 0}));
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh);
    EXPECT_EQ(f.state.view_extent, 1.0);

    // A facet cut short: the complete ones load and the user is told.
    std::string cut = make_stl(square);
    cut.resize(cut.rfind("vertex"));
    run(f, stl_file_input_Click, dir.write("cut.stl", cut));
    EXPECT_EQ(f.state.triangle_count(), 1U);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("cut.stl"), std::string::npos);
    EXPECT_NE(f.dialogs.messages[0].find("途中"), std::string::npos);
}

TEST(reader_commands, broken_files_keep_the_cloud_the_mesh_and_the_fields)
{
    TempDir dir;
    TestForm f;
    run(f, stl_file_input_Click, dir.write("sq.stl", make_stl(square)));
    f.state.analysis_kind = analysis_kinds::plane;
    const FormState before = f.state;

    const std::string bmp = testing::make_bmp(4, 2, 24, {{1, 2, 3}, {4, 5, 6}});
    std::string binary_stl(84 + 50, '\0');
    binary_stl[80] = 2;  // claims two facets, holds one
    struct Broken {
        void (*command)(CommandContext&);
        std::string file;
        const char* reason_part;
    };
    const Broken broken[] = {
        {vivid_file_input_Click, dir.write("cut.bmp", bmp.substr(0, bmp.size() - 20)), "途中"},
        {vivid_file_input_Click, dir.write("empty.bmp", ""), "ビットマップ"},
        {vivid_file_input_Click, dir.write("stl.bmp", make_stl(square)), "ビットマップ"},
        {stl_file_input_Click, dir.write("bin.stl", binary_stl), "途中"},
        {stl_file_input_Click, dir.write("empty.stl", ""), "STL"},
        {stl_file_input_Click, dir.write("random.stl", "\x01\x9f\xffq\x02\x7f"), "STL"},
        {stl_file_input_Click, dir.write("bmp.stl", bmp), "STL"},
        {iges_file_input_Click, dir.write("cut.igs", testing::make_iges({"110,1.,"})), "途中"},
        {iges_file_input_Click, dir.write("stl.igs", make_stl(square)), "IGES"},
        {pix_file_input_Click, dir.write("nowin.pix", "a b c d e f g L 1 1 1 1 E"), "W"},
        {pix_file_input_Click, dir.file("missing.pix"), "見つかりません"},
    };
    for (const Broken& b : broken) {
        SCOPED_TRACE(b.file);
        f.dialogs.messages.clear();
        run(f, b.command, b.file);
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        const std::string& m = f.dialogs.messages[0];
        EXPECT_NE(m.find(b.file), std::string::npos) << m;
        EXPECT_NE(m.find(b.reason_part), std::string::npos) << m;
        EXPECT_NE(m.find("そのまま"), std::string::npos) << m;
        EXPECT_EQ(f.state.points, before.points);
        EXPECT_EQ(f.state.tri_a, before.tri_a);
        EXPECT_EQ(f.state.fields, before.fields);
        EXPECT_EQ(f.state.analysis_kind, before.analysis_kind);
    }
}

TEST(reader_commands, files_without_points_load_an_empty_cloud_and_say_so)
{
    TempDir dir;
    const std::pair<void (*)(CommandContext&), std::string> empties[] = {
        {pix_file_input_Click, dir.write("flat.pix", testing::make_pix("1 2 0 E"))},
        {iges_file_input_Click,
         dir.write("arcs.igs", testing::make_iges({"100,0.,0.,0.,1.,0.,1.,0.;"}))},
        {stl_file_input_Click, dir.write("none.stl", "solid none\nendsolid none\n")},
        {vivid_file_input_Click, dir.write("white.bmp", testing::make_bmp(8, 1, 1, {{0xFF}}))},
    };
    for (const auto& [command, file] : empties) {
        SCOPED_TRACE(file);
        TestForm f;
        run(f, csv_file_input_Click, dir.write("a.csv", "1,2,3\n"));
        run(f, command, file);
        EXPECT_EQ(f.state.point_count(), 0U);
        EXPECT_EQ(f.state.triangle_count(), 0U);
        EXPECT_EQ(f.state.fields["Text7"], "0");
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        EXPECT_NE(f.dialogs.messages[0].find("空"), std::string::npos);
    }
}

TEST(stl_file_output, writes_the_mesh_to_a_stl_file_that_reads_back)
{
    TempDir dir;
    TestForm f;
    run(f, stl_file_input_Click,
        (std::filesystem::path(TENGUN_EXTERNAL_DATA) / "stl/assimp_sphereWithHole.stl").string());
    ASSERT_EQ(f.state.triangle_count(), 285U);
    const FormState loaded = f.state;

    constexpr int ascii = 1;
    f.dialogs.choices = {ascii, ascii};
    run(f, stl_file_output_Click, dir.file("copy.txt"));
    EXPECT_EQ(f.program.file_kind, file_kinds::stl);
    EXPECT_EQ(f.program.selected_file_name, dir.file("copy.stl"));
    EXPECT_TRUE(f.dialogs.messages.empty());
    run(f, stl_file_output_Click, dir.file("other"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("other.stl")));

    TestForm g;
    run(g, stl_file_input_Click, dir.file("copy.stl"));
    EXPECT_EQ(g.state.points, loaded.points);
    EXPECT_EQ(g.state.tri_a, loaded.tri_a);
    EXPECT_EQ(g.state.tri_b, loaded.tri_b);
    EXPECT_EQ(g.state.tri_c, loaded.tri_c);
}

TEST(stl_file_output, without_a_valid_mesh_writes_nothing)
{
    TempDir dir;
    TestForm f;
    run(f, csv_file_input_Click, dir.write("a.csv", "1,2,3\n4,5,6\n7,8,8\n"));
    run(f, stl_file_output_Click, dir.file("none.stl"));
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("ファイルは作成されませんでした"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.stl")));

    // A mesh naming points the cloud no longer has (points removed after meshing).
    f.state.tri_a = {1};
    f.state.tri_b = {2};
    f.state.tri_c = {4};
    f.state.tri_tag = {0};
    run(f, stl_file_output_Click, dir.file("stale.stl"));
    EXPECT_EQ(f.dialogs.messages.size(), 2U);
    EXPECT_FALSE(std::filesystem::exists(dir.file("stale.stl")));

    f.dialogs.files.push_back(std::nullopt);  // cancel: no message, no file
    stl_file_output_Click(f.ctx);
    EXPECT_EQ(f.dialogs.messages.size(), 2U);
}

}  // namespace
}  // namespace tengun
