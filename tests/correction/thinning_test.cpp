#include "correction/thinning.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/format_files.h"

namespace tengun {
namespace {

std::vector<Vec3> along_x(int n, double start = 0.0)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < n; ++i) {
        pts.push_back({start + i, 0, 0});
    }
    return pts;
}

TEST(thin_by_direction, short_and_straight_runs_keep_their_ends)
{
    const auto four = along_x(4);
    EXPECT_EQ(thin_by_direction(four, 10).xyz, (std::vector<Vec3>{four.front(), four.back()}));
    const auto line = along_x(30);
    const PointCloud kept = thin_by_direction(line, 10);
    EXPECT_EQ(kept.xyz, (std::vector<Vec3>{line.front(), line.back()}));
    EXPECT_EQ(kept.label, (std::vector<double>{0, 0}));
    EXPECT_EQ(thin_by_direction(along_x(1), 10).size(), 1U) << "a single point once";
    EXPECT_TRUE(thin_by_direction({}, 10).empty());
}

TEST(thin_by_direction, a_turn_keeps_the_point_before_it)
{
    auto pts = along_x(10);  // points 1..10 along X
    for (int k = 1; k <= 10; ++k) {
        pts.push_back({9.0 + k * std::sqrt(0.5), k * std::sqrt(0.5), 0});  // then 45 degrees
    }
    const PointCloud kept = thin_by_direction(pts, 10);
    ASSERT_GE(kept.size(), 3U);
    EXPECT_EQ(kept.xyz[0], pts[0]);
    EXPECT_EQ(kept.xyz[1], pts[9]) << "the 10th point is the bend";
    EXPECT_EQ(kept.xyz.back(), pts.back());
    // A turn below the threshold keeps nothing in between.
    EXPECT_EQ(thin_by_direction(pts, 50).size(), 2U);
}

TEST(thin_by_direction, a_repeated_point_is_no_bend)
{
    auto pts = along_x(8);
    pts.insert(pts.begin() + 6, pts[6]);
    EXPECT_EQ(thin_by_direction(pts, 10).size(), 2U);
}

std::string grey_image(int width, int height, const std::vector<unsigned char>& row_values)
{
    std::vector<std::vector<unsigned char>> rows(static_cast<std::size_t>(height),
                                                 testing::grey_row(row_values));
    return testing::make_bmp(width, height, 24, rows);
}

TEST(thin_bitmap_rows, every_fifth_row_from_the_first)
{
    // A ramp rising by 2 a pixel: one run per row, its first pixel and the last column kept.
    std::vector<unsigned char> ramp;
    for (int x = 0; x < 10; ++x) {
        ramp.push_back(static_cast<unsigned char>(20 + 4 * x));
    }
    PointCloud cloud;
    ReadError error;
    ASSERT_EQ(thin_bitmap_rows(grey_image(10, 12, ramp), 10, cloud, error), Status::ok)
        << error.reason;
    ASSERT_EQ(cloud.size(), 6U);
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const double y = 5.0 * static_cast<double>(k) - 6.0;  // rows 0, 5, 10
        EXPECT_EQ(cloud.xyz[2 * k][0], -5.0);
        EXPECT_EQ(cloud.xyz[2 * k][1], y);
        EXPECT_NEAR(cloud.xyz[2 * k][2], 10.0, 1e-9);
        EXPECT_EQ(cloud.xyz[2 * k + 1][0], 4.0);
        EXPECT_NEAR(cloud.xyz[2 * k + 1][2], 28.0, 1e-9);
    }
}

TEST(thin_bitmap_rows, black_pixels_break_nothing_and_a_step_ends_a_run)
{
    // 0 0 10 10 10 10 10 10 80 80 80 80 (heights doubled): a flat run, then a jump.
    const std::vector<unsigned char> row{0, 0, 20, 20, 20, 20, 20, 20, 160, 160, 160, 160};
    PointCloud cloud;
    ReadError error;
    ASSERT_EQ(thin_bitmap_rows(grey_image(12, 1, row), 10, cloud, error), Status::ok);
    // First pixel of the run (x = 2); the jump at x = 8 ends the run; x = 9 starts a new run;
    // x = 11 is the last column.
    ASSERT_EQ(cloud.size(), 3U);
    EXPECT_EQ(cloud.xyz[0][0], 2.0 - 6.0);
    EXPECT_EQ(cloud.xyz[1][0], 9.0 - 6.0);
    EXPECT_EQ(cloud.xyz[2][0], 11.0 - 6.0);
}

TEST(thin_bitmap_rows, refuses_what_it_cannot_thin)
{
    PointCloud cloud;
    cloud.add({1, 2, 3});
    const PointCloud before = cloud;
    ReadError error;
    EXPECT_EQ(thin_bitmap_rows(grey_image(4, 3, {0, 0, 0, 0}), 10, cloud, error), Status::error)
        << "a black image leaves no point";
    const std::string eight = testing::make_bmp(4, 2, 8, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    EXPECT_EQ(thin_bitmap_rows(eight, 10, cloud, error), Status::error);
    EXPECT_NE(error.reason.find("24"), std::string::npos);
    EXPECT_EQ(thin_bitmap_rows("not a bitmap", 10, cloud, error), Status::error);
    EXPECT_EQ(cloud, before);
}

}  // namespace
}  // namespace tengun
