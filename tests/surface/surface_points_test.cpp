// The preparation of the surface commands: placement and scale taken out, coincident points
// taken once, and refusals before any work.
#include "surface/surface_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/surface_clouds.h"

namespace tengun {
namespace {

TEST(prepare_surface_points, scaling_by_powers_of_two_gives_the_same_prepared_points)
{
    const std::vector<Vec3> base = testing::random_sheet(500, 30, 20, 3, 1.5);
    SurfacePoints reference;
    std::string reason;
    ASSERT_EQ(prepare_surface_points(base, reference, reason), Status::ok);
    for (const int e : {-1000, -300, 40, 500, 1000}) {
        SCOPED_TRACE(e);
        std::vector<Vec3> scaled;
        for (const Vec3& p : base) {
            scaled.push_back({std::ldexp(p[0], e), std::ldexp(p[1], e), std::ldexp(p[2], e)});
        }
        SurfacePoints prepared;
        ASSERT_EQ(prepare_surface_points(scaled, prepared, reason), Status::ok);
        EXPECT_EQ(prepared.xyz, reference.xyz) << "exactly: the scale is a power of two";
        EXPECT_EQ(prepared.exponent, reference.exponent + e);
        for (const Vec3& p : prepared.xyz) {
            for (const double x : p) {
                ASSERT_LE(std::abs(x), 2.0);
            }
        }
    }
}

TEST(prepare_surface_points, coincident_points_are_taken_once_and_mapped_back)
{
    std::vector<Vec3> pts = testing::random_sheet(400, 20, 20, 4, 1.0);
    const std::size_t n = pts.size();
    pts.push_back(pts[7]);                                   // exact repeat
    pts.push_back(pts[3] + Vec3{1e-9, -1e-9, 0.0});          // within a hair
    pts.push_back(pts[5] + Vec3{0.05, 0.0, 0.0});            // a near but distinct point
    pts.insert(pts.begin(), pts[10]);                        // repeat before its first
    SurfacePoints prepared;
    std::string reason;
    ASSERT_EQ(prepare_surface_points(pts, prepared, reason), Status::ok);
    EXPECT_EQ(prepared.merged, 3U);
    EXPECT_EQ(prepared.xyz.size(), n + 1);
    // Cloud index 0 is the first occurrence of old point 10 (now at 11): 11 maps onto it.
    EXPECT_EQ(prepared.distinct_of[11], prepared.distinct_of[0]);
    EXPECT_EQ(prepared.first[prepared.distinct_of[11]], 0U);
    EXPECT_EQ(prepared.distinct_of[n + 1], prepared.distinct_of[8]);
    EXPECT_EQ(prepared.distinct_of[n + 2], prepared.distinct_of[4]);
    EXPECT_NE(prepared.distinct_of[n + 3], prepared.distinct_of[6]);

    std::vector<double> labels(prepared.xyz.size());
    for (std::size_t d = 0; d < labels.size(); ++d) {
        labels[d] = static_cast<double>(d);
    }
    const std::vector<double> back = labels_of_cloud(prepared, labels);
    ASSERT_EQ(back.size(), pts.size());
    EXPECT_EQ(back[n + 1], back[8]);
    std::vector<int> corners{static_cast<int>(prepared.distinct_of[n + 1]) + 1};
    corners_of_cloud(prepared, corners);
    EXPECT_EQ(corners, (std::vector<int>{9})) << "the first occurrence, 1-based";
}

TEST(prepare_surface_points, refuses_before_any_work_and_changes_nothing)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<Vec3>> clouds{
        {{0, 0, 0}, {1, 0, 0}, {0, nan, 0}, {1, 1, 0}},
        {{0, 0, 0}, {1, 0, 0}, {0, 1, inf}},
        {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
        {{1, 2, 3}, {4, 5, 6}, {1, 2, 3}},
    };
    for (const std::vector<Vec3>& pts : clouds) {
        SurfacePoints prepared;
        prepared.merged = 77;
        std::string reason;
        EXPECT_EQ(prepare_surface_points(pts, prepared, reason), Status::error);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(prepared.merged, 77U);
        EXPECT_TRUE(prepared.xyz.empty());
    }
}

TEST(prepare_surface_points, coordinates_at_the_ends_of_the_double_range_are_prepared)
{
    const double big = std::numeric_limits<double>::max();
    const std::vector<Vec3> pts{{-big, 0, 0}, {big, 0, 0}, {0, big, 0}, {0, 0, 4.9e-324}};
    SurfacePoints prepared;
    std::string reason;
    ASSERT_EQ(prepare_surface_points(pts, prepared, reason), Status::ok);
    EXPECT_EQ(prepared.xyz[0][0], -prepared.xyz[1][0]);
    for (const Vec3& p : prepared.xyz) {
        for (const double x : p) {
            EXPECT_TRUE(std::isfinite(x));
            EXPECT_LE(std::abs(x), 2.0);
        }
    }
}

} // namespace
} // namespace tengun
