#include "formats/bitmap_points.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/format_files.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::grey_row;
using testing::make_bmp;
using testing::put_u16;
using testing::put_u32;

PointCloud read_ok(std::string_view bytes)
{
    PointCloud cloud;
    ReadError error;
    EXPECT_EQ(read_bitmap_points(bytes, cloud, error), Status::ok) << error.reason;
    EXPECT_EQ(cloud.label, std::vector<double>(cloud.size(), 0.0));
    return cloud;
}

double grey_height(double r, double g, double b)
{
    return (0.299 * r + 0.587 * g + 0.114 * b) / 2;
}

TEST(read_bitmap_points, true_colour_keeps_the_first_of_equal_heights_and_no_black)
{
    const PointCloud two = read_ok(make_bmp(2, 1, 24, {grey_row({100, 100})}));
    EXPECT_EQ(two.xyz, (std::vector<Vec3>{{-1, -0.5, grey_height(100, 100, 100)}}));
    EXPECT_NEAR(two.xyz[0][2], 50.0, 1e-12);

    EXPECT_EQ(read_ok(make_bmp(4, 1, 24, {grey_row({10, 20, 10, 20})})).size(), 4U);
    // Black pixels add nothing and do not reset the last height: 10 0 10 keeps one point.
    EXPECT_EQ(read_ok(make_bmp(3, 1, 24, {grey_row({10, 0, 10})})).size(), 1U);
    // The run continues into the next row.
    EXPECT_EQ(read_ok(make_bmp(1, 2, 24, {grey_row({30}), grey_row({30})})).size(), 1U);

    const PointCloud red = read_ok(make_bmp(1, 1, 24, {{0, 0, 255}}));
    ASSERT_EQ(red.size(), 1U);
    EXPECT_DOUBLE_EQ(red.xyz[0][2], 38.1225);
    EXPECT_EQ(red.xyz[0][2], grey_height(255, 0, 0)) << "blue, green, red byte order";
}

TEST(read_bitmap_points, rows_follow_the_padded_stride)
{
    const std::string bmp = make_bmp(3, 2, 24, {grey_row({2, 4, 6}), grey_row({8, 10, 12})});
    BitmapLayout layout;
    ReadError error;
    ASSERT_EQ(read_bitmap_layout(bmp, layout, error), Status::ok);
    EXPECT_EQ(layout.stride, 12U);
    const PointCloud c = read_ok(bmp);
    ASSERT_EQ(c.size(), 6U);
    EXPECT_EQ(c.xyz[3], (Vec3{-1.5, 0, grey_height(8, 8, 8)})) << "second row from byte 12";
    EXPECT_EQ(c.xyz[5], (Vec3{0.5, 0, grey_height(12, 12, 12)}));

    // The last row may lack its padding.
    EXPECT_EQ(read_ok(bmp.substr(0, bmp.size() - 3)).size(), 6U);
}

TEST(read_bitmap_points, palette_depths_take_the_index_as_height)
{
    const PointCloud eight = read_ok(make_bmp(4, 2, 8, {{0, 1, 2, 3}, {4, 5, 6, 0}}));
    ASSERT_EQ(eight.size(), 8U) << "zero heights included";
    EXPECT_EQ(eight.xyz[0], (Vec3{-2, -1, 0}));
    EXPECT_EQ(eight.xyz[6], (Vec3{0, 0, 6}));

    const PointCloud four = read_ok(make_bmp(3, 1, 4, {{0x12, 0x30}}));
    EXPECT_EQ(four.xyz, (std::vector<Vec3>{{-1.5, -0.5, 1}, {-0.5, -0.5, 2}, {0.5, -0.5, 3}}));

    // 1 bit: only the 0 bits, height 1. Width 10: the second byte holds pixels 8 and 9.
    const PointCloud one = read_ok(make_bmp(10, 2, 1, {{0xFF, 0xFF}, {0xFF, 0xBF}}));
    EXPECT_EQ(one.xyz, (std::vector<Vec3>{{4, 0, 1}}));
}

TEST(read_bitmap_points, unsupported_or_damaged_bitmaps_are_errors_and_keep_the_cloud)
{
    const std::string good = make_bmp(4, 2, 24, {grey_row({1, 2, 3, 4}), grey_row({5, 6, 7, 8})});
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason_part;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", "", "ではありません"});
    cases.push_back({"text", "solid x\nendsolid x\n", "ではありません"});
    cases.push_back({"short header", good.substr(0, 40), "途中"});
    cases.push_back({"pixels cut", good.substr(0, good.size() - 13), "途中"});
    std::string b = good;
    put_u32(b, 22, static_cast<std::uint32_t>(-2));
    cases.push_back({"top-down", b, "上から下"});
    b = good;
    put_u32(b, 30, 1);
    cases.push_back({"compressed", b, "圧縮"});
    for (const std::uint32_t bits : {16U, 32U, 2U}) {
        b = good;
        put_u16(b, 28, bits);
        cases.push_back({"depth", b, "対応していません"});
    }
    b = good;
    put_u32(b, 18, 0);
    cases.push_back({"no width", b, "画素がありません"});
    b = good;
    put_u32(b, 10, 0xFFFFFFF0U);
    cases.push_back({"offset past the end", b, "途中"});
    b = good;
    put_u32(b, 18, 0x7FFFFFFFU);
    put_u32(b, 22, 0x7FFFFFFFU);
    cases.push_back({"huge size", b, "途中"});
    b = good;
    put_u32(b, 14, 12);
    cases.push_back({"OS/2 header", b, "OS/2"});

    PointCloud cloud;
    cloud.add({9, 9, 9});
    const PointCloud before = cloud;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadError error;
        EXPECT_EQ(read_bitmap_points(c.bytes, cloud, error), Status::error);
        EXPECT_NE(error.reason.find(c.reason_part), std::string::npos) << error.reason;
        EXPECT_EQ(cloud, before);
    }
}

TEST(read_bitmap_points, real_files_read_or_are_refused_by_their_header)
{
    const std::filesystem::path dir = std::filesystem::path(TENGUN_EXTERNAL_DATA) / "bmp";
    struct Expected {
        const char* file;
        std::size_t points;  // 0: refused
    };
    const Expected files[] = {
        {"goimage_bmp_1bpp.bmp", 450},
        {"goimage_bmp_4bpp.bmp", 96 * 73},
        {"goimage_bmp_8bpp.bmp", 96 * 73},
        {"goimage_colormap.bmp", 150 * 103},
        {"irrlicht_rockwall_height_8bit.bmp", 256 * 256},
        {"goimage_video-001.bmp", 1},  // a photo: some pixels, at most one a pixel
        {"goimage_yellow_rose-small.bmp", 0},
        {"irrlicht_terrain-heightmap_RLE8.bmp", 0},
    };
    for (const Expected& e : files) {
        SCOPED_TRACE(e.file);
        const std::string bytes = testing::TempDir::read((dir / e.file).string());
        ASSERT_FALSE(bytes.empty());
        PointCloud cloud;
        ReadError error;
        const Status status = read_bitmap_points(bytes, cloud, error);
        if (e.points == 0) {
            EXPECT_EQ(status, Status::error);
            continue;
        }
        ASSERT_EQ(status, Status::ok) << error.reason;
        if (e.points == 1) {
            EXPECT_GT(cloud.size(), 150U * 103U / 10);
            EXPECT_LE(cloud.size(), 150U * 103U);
        } else {
            EXPECT_EQ(cloud.size(), e.points);
        }
    }
}

}  // namespace
}  // namespace tengun
