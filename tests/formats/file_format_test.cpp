#include "formats/file_format.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "formats/format_readers.h"
#include "support/format_files.h"
#include "support/ply_files.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::external_file;

FileFormat detect(const std::string& bytes, const std::string& name)
{
    return detect_file_format(std::string_view(bytes).substr(0, format_probe_bytes), bytes.size(),
                              name);
}

TEST(detect_file_format, every_real_file_by_its_content_or_its_extension)
{
    // Folder by folder; the few files of a folder in another format are named.
    const std::map<std::string, FileFormat> folders{
        {"ply", FileFormat::ply},   {"pcd", FileFormat::pcd},   {"las", FileFormat::las},
        {"obj", FileFormat::obj},   {"bmp", FileFormat::bmp},   {"iges", FileFormat::iges},
        {"stl", FileFormat::stl_ascii},
    };
    const std::map<std::string, FileFormat> exceptions{
        {"las/pdal_simple.laz", FileFormat::laz},
        {"stl/assimp_Spider_binary.stl", FileFormat::stl_binary},
        {"stl/trimesh_20mm-xyz-cube_COLOR.stl", FileFormat::stl_binary},
        {"stl/trimesh_teapot_attr2020.stl", FileFormat::stl_binary},
        {"stl/trimesh_stl_empty_bin.stl", FileFormat::stl_binary},
        {"pointclouds/libpointmatcher_car_cloud400.csv", FileFormat::csv},
        {"pointclouds/pdal_autzen-thin_derived.csv", FileFormat::csv},
    };
    std::size_t seen = 0;
    for (const auto& [folder, format] : folders) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(TENGUN_EXTERNAL_DATA) / folder)) {
            const std::string path = folder + "/" + entry.path().filename().string();
            SCOPED_TRACE(path);
            const auto e = exceptions.find(path);
            EXPECT_EQ(detect(external_file(path), path), e == exceptions.end() ? format : e->second);
            ++seen;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(TENGUN_EXTERNAL_DATA) / "pointclouds")) {
        const std::string path = "pointclouds/" + entry.path().filename().string();
        SCOPED_TRACE(path);
        const auto e = exceptions.find(path);
        EXPECT_EQ(detect(external_file(path), path), e == exceptions.end() ? FileFormat::xyz
                                                                           : e->second);
        ++seen;
    }
    EXPECT_GE(seen, 78U);
}

TEST(detect_file_format, content_decides_wherever_it_can)
{
    using testing::Facet;
    const std::vector<Facet> facet{{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}};
    const std::string ply = testing::make_ply("binary_big_endian",
                                              testing::ply_mesh_elements({{1, 2, 3}}, {}));
    std::string las(227, '\0');
    las.replace(0, 4, "LASF");
    las[24] = 1;
    las[25] = 4;
    testing::put_le<std::uint16_t>(las, 94, 227);
    testing::put_le<std::uint32_t>(las, 96, 227);
    std::string laz = las;
    laz[104] = static_cast<char>(0x83);
    std::string las_v2 = las;
    las_v2[24] = 2;
    const std::string bmp = testing::make_bmp(2, 1, 24, {{1, 2, 3, 4, 5, 6}});
    std::string bmp_bad = bmp;
    bmp_bad[14] = 99;  // no DIB header has 99 bytes
    const std::string iges = testing::make_iges({"110,0.,0.,0.,1.,1.,1.;"});
    std::string iges_second = iges;
    iges_second[79] = '2';
    struct Case {
        const char* name;
        std::string bytes;
        std::string file;
        FileFormat format;
    };
    const std::vector<Case> cases = {
        {"PLY under another name", ply, "cloud.csv", FileFormat::ply},
        {"PLY with CR LF", "ply\r\nformat ascii 1.0\r\nend_header\r\n", "a", FileFormat::ply},
        {"ply without a format line", "ply\nelement vertex 0\n", "a.ply", FileFormat::unknown},
        {"LAS 1.4", las, "x", FileFormat::las},
        {"LAZ", laz, "x.las", FileFormat::laz},
        {"LAS 2.4 is no LAS", las_v2, "x.las", FileFormat::unknown},
        {"bitmap", bmp, "range.dat", FileFormat::bmp},
        {"BM with a header no bitmap has", bmp_bad, "range.bmp", FileFormat::unknown},
        {"PCD with comments", "# .PCD v0.7\n#\nVERSION 0.7\nFIELDS x y z\n", "a", FileFormat::pcd},
        {"PCD starting with FIELDS", "fields x y z\nSIZE 4 4 4\n", "a.txt", FileFormat::pcd},
        {"binary STL with a solid header", testing::make_binary_stl(facet, "solid part"),
         "part.dat", FileFormat::stl_binary},
        {"padded binary STL", testing::make_binary_stl(facet, "", 2), "p", FileFormat::stl_binary},
        {"binary STL with a whole record too many", testing::make_binary_stl(facet, "", 50),
         "p.dat", FileFormat::unknown},
        {"named .stl, the reader says what is wrong", testing::make_binary_stl(facet, "", 50),
         "p.stl", FileFormat::stl_binary},
        {"ASCII STL under another name", testing::make_stl(facet), "part.txt",
         FileFormat::stl_ascii},
        {"text named STL", "facet normal 0 0 1\n", "part.STL", FileFormat::stl_ascii},
        {"SolidWorks header text is no STL", "SolidWorks export\n1 2 3\n", "a.xyz",
         FileFormat::xyz},
        {"IGES", iges, "drawing", FileFormat::iges},
        {"IGES starting at line 2 is not one", iges_second, "drawing", FileFormat::unknown},
        {"CSV", "1,2,3\n", "cloud.CSV", FileFormat::csv},
        {"empty CSV", "", "cloud.csv", FileFormat::csv},
        {"XYZ", "1 2 3\n", "scan.xyz", FileFormat::xyz},
        {"PTS", "1\n1 2 3 4\n", "scan.Pts", FileFormat::xyz},
        {"TXT", "1 2 3\n", "dir.d/scan.txt", FileFormat::xyz},
        {"PIX", "PIX 1 2 3", "range.pix", FileFormat::pix},
        {"OBJ", "v 1 2 3\n", "part.obj", FileFormat::obj},
        {"numbers under an unknown name", "1 2 3\n", "scan.dat", FileFormat::unknown},
        {"a dot in the folder only", "1 2 3\n", "scans.d/points", FileFormat::unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detect(c.bytes, c.file), c.format) << format_name(detect(c.bytes, c.file));
    }
}

TEST(unknown_format_reason, names_what_can_be_opened_or_what_the_extension_promised)
{
    EXPECT_NE(unknown_format_reason("scan.dat").find("PLY"), std::string::npos);
    EXPECT_NE(unknown_format_reason("scan.dat").find("CSV"), std::string::npos);
    EXPECT_NE(unknown_format_reason("cloud.PLY").find(".ply ですが"), std::string::npos);
    EXPECT_NE(unknown_format_reason("a.iges").find("IGES"), std::string::npos);
    // Every pattern the chooser lists is a name detect_file_format knows.
    std::set<std::string_view> patterns(supported_file_patterns().begin(),
                                        supported_file_patterns().end());
    for (const char* p : {"*.csv", "*.txt", "*.xyz", "*.pts", "*.pix", "*.bmp", "*.igs",
                          "*.iges", "*.stl", "*.ply", "*.pcd", "*.las", "*.laz", "*.obj"}) {
        EXPECT_EQ(patterns.count(p), 1U) << p;
    }
}

TEST(read_format, every_real_file_reads_or_says_why_through_its_detected_reader)
{
    // Files their readers refuse on purpose: compressed, top-down or cut short.
    const std::set<std::string> refused{
        "bmp/goimage_yellow_rose-small.bmp", "bmp/irrlicht_terrain-heightmap_RLE8.bmp",
        "iges/igesio_truncated_DE.iges", "las/pdal_simple.laz"};
    for (const char* folder : {"ply", "stl", "pcd", "las", "obj", "bmp", "iges", "pointclouds"}) {
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(TENGUN_EXTERNAL_DATA) / folder)) {
            const std::string path = std::string(folder) + "/" + entry.path().filename().string();
            SCOPED_TRACE(path);
            const std::string bytes = external_file(path);
            LoadedMesh mesh;
            ReadError error;
            const Status status =
                read_format(detect(bytes, path), bytes, path, mesh, error);
            EXPECT_EQ(status, refused.count(path) != 0 ? Status::error : Status::ok)
                << error.reason;
            EXPECT_EQ(mesh.points.label.size(), mesh.points.size());
        }
    }
    LoadedMesh kept;
    kept.points.add({1, 2, 3});
    ReadError error;
    EXPECT_EQ(read_format(FileFormat::unknown, "1 2 3", "a.dat", kept, error), Status::error);
    EXPECT_NE(error.reason.find("判別できません"), std::string::npos);
    EXPECT_EQ(kept.points.size(), 1U);
}

}  // namespace
}  // namespace tengun
