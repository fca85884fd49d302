// Planes of labelled clouds and where they meet: corners, lines and the rings of neighbours.
#include "surface/boundaries.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/clouds.h"
#include "support/surface_clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

/// The points of each face labelled with its number, 1 for the first face.
PointCloud labelled(const std::vector<Vec3>& pts, const std::vector<std::size_t>& face_sizes)
{
    PointCloud cloud;
    std::size_t i = 0;
    for (std::size_t f = 0; f < face_sizes.size(); ++f) {
        for (std::size_t k = 0; k < face_sizes[f]; ++k) {
            cloud.add(pts[i++], static_cast<double>(f + 1));
        }
    }
    return cloud;
}

struct Planes {
    PointCloud cloud;
    std::vector<Vec3> uu;
    std::vector<double> LL;
    std::vector<int> ring(int men) const
    {
        int t_suu = -1;
        std::vector<int> tree{99};
        tree_search(men, uu, LL, cloud.size(), cloud, t_suu, tree);
        EXPECT_EQ(static_cast<std::size_t>(t_suu), tree.size());
        return tree;
    }
};

Planes planes_of(const std::vector<Vec3>& pts, const std::vector<std::size_t>& face_sizes)
{
    Planes p;
    p.cloud = labelled(pts, face_sizes);
    plane_parameters(p.cloud.xyz, p.cloud.label, static_cast<int>(face_sizes.size()), p.uu, p.LL);
    return p;
}

const testing::Box box{{10, 20, 30}, {40, 30, 20}};
const std::vector<std::size_t> box_faces{300, 300, 200, 200, 150, 150};

TEST(plane_parameters, normals_point_away_from_the_cloud)
{
    const Planes p = planes_of(testing::box_scan(box, 2.0), box_faces);
    ASSERT_EQ(p.uu.size(), 6U);
    const std::vector<Vec3> normals{{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                    {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
    const std::vector<double> offsets{-30, 50, -20, 50, -10, 50};
    for (std::size_t m = 0; m < 6; ++m) {
        SCOPED_TRACE(m + 1);
        expect_vec_near(p.uu[m], normals[m], 1e-9);
        EXPECT_NEAR(p.LL[m], offsets[m], 1e-9);
    }
}

TEST(plane_parameters, plane_without_enough_points_gets_no_normal)
{
    PointCloud cloud;
    cloud.add({0, 0, 1}, 1);
    cloud.add({1, 0, 1}, 1);
    cloud.add({0, 1, 1}, 1);
    cloud.add({5, 5, 5}, 2);
    std::vector<Vec3> uu{{9, 9, 9}};
    std::vector<double> LL{9, 9, 9};
    plane_parameters(cloud.xyz, cloud.label, 3, uu, LL);
    ASSERT_EQ(uu.size(), 3U);
    EXPECT_EQ(uu[1], (Vec3{0, 0, 0}));
    EXPECT_EQ(uu[2], (Vec3{0, 0, 0}));
    EXPECT_EQ(LL[2], 0.0);
    EXPECT_NEAR(std::abs(uu[0][2]), 1.0, 1e-12);
}

TEST(plane_intersection_line, unit_direction_and_the_point_nearest_the_origin)
{
    Vec3 point{};
    Vec3 direction{};
    // z = 3 and y = 2: the line along X through (0, 2, 3).
    ASSERT_EQ(plane_intersection_line({0, 0, 1}, {0, 1, 0}, 3, 2, point, direction), Status::ok);
    expect_vec_near(point, {0, 2, 3}, 1e-12);
    EXPECT_NEAR(std::abs(direction[0]), 1.0, 1e-15);
    // A line perpendicular to (1, 1, 1), which a direction scaled to add up to 1 cannot hold.
    const double r = std::sqrt(0.5);
    ASSERT_EQ(plane_intersection_line({0, 0, 1}, {r, r, 0}, 1, 2 * r, point, direction),
              Status::ok);
    EXPECT_NEAR(std::abs(direction[0]), r, 1e-15);
    EXPECT_NEAR(direction[0] + direction[1], 0.0, 1e-15);
    expect_vec_near(point, {1, 1, 1}, 1e-12);
    Vec3 untouched{5, 5, 5};
    EXPECT_EQ(plane_intersection_line({0, 0, 1}, {0, 0, -1}, 1, 2, untouched, direction),
              Status::error);
    EXPECT_EQ(untouched, (Vec3{5, 5, 5}));
}

TEST(ray_hit_distance, ray_length_to_the_line_or_the_distance_to_the_neighbour)
{
    // Plane z = 0 seen from its centroid at the origin; the neighbour's line is x = 4 along Y.
    const Vec3 n{0, 0, 1};
    const Vec3 point{4, 0, 0};
    const Vec3 along{0, 1, 0};
    double d = 0.0;
    ASSERT_EQ(ray_hit_distance({0, 0, 0}, {4, 0, 1}, n, 0.0, 0.0, point, along, d), Status::ok);
    EXPECT_NEAR(d, 4.0, 1e-12)
        << "the hit (4, 0, 0) lies nearer the neighbour than the ray is long";
    ASSERT_EQ(ray_hit_distance({0, 0, 0}, {4, -10, 0}, n, 0.0, deg_to_rad(60), point, along, d),
              Status::ok);
    EXPECT_NEAR(d, 4.0 * std::tan(deg_to_rad(60)) + 10.0, 1e-9)
        << "the hit (4, 6.93, 0) lies far from the neighbour's centroid: that distance counts";
    ASSERT_EQ(ray_hit_distance({0, 0, 0}, {4, 0, 1}, n, 0.0, pi, point, along, d), Status::ok);
    EXPECT_NEAR(d, -4.0, 1e-12) << "behind the ray";
    d = 3.0;
    EXPECT_EQ(ray_hit_distance({0, 0, 0}, {0, 4, 0}, n, 0.0, 0.0, {0, 4, 0}, {1, 0, 0}, d),
              Status::error)
        << "ray along the line";
    EXPECT_EQ(d, 3.0);
}

TEST(sanmen_p, corner_of_three_planes_and_the_shifted_third)
{
    const std::vector<Vec3> uu{{0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 0, -1}};
    const std::vector<double> LL{20, 0, 40, -5};
    Vec3 p{};
    ASSERT_EQ(sanmen_p(1, 2, 3, uu, LL, p), Status::ok);
    expect_vec_near(p, {40, 0, 20}, 1e-12);
    ASSERT_EQ(sanmen_zure_p(1, 2, 3, 7.0, uu, LL, p), Status::ok);
    // 7 in from the corner along the edge of planes 1 and 2.
    expect_vec_near(p, {33, 0, 20}, 1e-12);
    p = {1, 1, 1};
    EXPECT_EQ(sanmen_p(1, 4, 3, uu, LL, p), Status::error) << "1 and 4 are parallel";
    EXPECT_EQ(p, (Vec3{1, 1, 1}));
}

TEST(tree_search, each_face_of_a_box_has_a_closed_ring_of_four)
{
    const Planes p = planes_of(testing::box_scan(box, 2.0), box_faces);
    // Faces: 1 bottom, 2 top, 3 front, 4 back, 5 left, 6 right.
    const std::vector<std::vector<int>> neighbours{{3, 4, 5, 6}, {3, 4, 5, 6}, {1, 2, 5, 6},
                                                   {1, 2, 5, 6}, {1, 2, 3, 4}, {1, 2, 3, 4}};
    for (int men = 1; men <= 6; ++men) {
        SCOPED_TRACE(men);
        std::vector<int> ring = p.ring(men);
        ASSERT_EQ(ring.size(), 5U);
        EXPECT_EQ(ring.front(), ring.back()) << "closed";
        ring.pop_back();
        std::sort(ring.begin(), ring.end());
        EXPECT_EQ(ring, neighbours[static_cast<std::size_t>(men) - 1]);
    }
}

TEST(tree_search, face_of_a_partial_scan_is_an_open_chain_after_the_gap)
{
    // A frustum without its bottom: below a side face, where the scan ends, no ray meets a
    // neighbour. Face 2 (y low) is bounded by 3 (x high), 1 (top) and 5 (x low).
    const std::vector<Vec3> pts = testing::frustum_scan({50, 50, 0}, 40, 20, 15, 12);
    const Planes p = planes_of(pts, {144, 144, 144, 144, 144});
    EXPECT_EQ(p.ring(2), (std::vector<int>{3, 1, 5}));
    EXPECT_EQ(p.ring(1), (std::vector<int>{3, 4, 5, 2, 3})) << "the top is closed";
    // Three faces of a box: each face meets only two others, on two sides.
    const std::vector<Vec3> corner = testing::box_scan(box, 2.0, {1, 2, 5});
    const Planes three = planes_of(corner, {300, 200, 150});
    EXPECT_EQ(three.ring(1), (std::vector<int>{2, 3}));
}

TEST(tree_search, ring_grows_past_twenty_neighbours)
{
    // A prism over a regular 24-gon: the top face has 24 side faces round it.
    const int sides = 24;
    std::vector<Vec3> pts;
    std::vector<std::size_t> sizes;
    const double radius = 30.0;
    const auto rim = [&](int k, double z) {
        const double t = 2 * pi * k / sides;
        return Vec3{radius * std::cos(t), radius * std::sin(t), z};
    };
    for (int k = 0; k < sides; ++k) { // the top as a fan of thin quadrilaterals
        testing::add_quad(pts, {0, 0, 10}, rim(k, 10), rim(k + 1, 10), {0, 0, 10}, 4, 4);
    }
    sizes.push_back(pts.size());
    for (int k = 0; k < sides; ++k) {
        testing::add_quad(pts, rim(k, 0), rim(k + 1, 0), rim(k + 1, 10), rim(k, 10), 3, 4);
        sizes.push_back(12);
    }
    const Planes p = planes_of(pts, sizes);
    const std::vector<int> ring = p.ring(1);
    ASSERT_EQ(ring.size(), static_cast<std::size_t>(sides) + 1);
    EXPECT_EQ(ring.front(), ring.back());
    std::vector<int> seen(ring.begin(), ring.end() - 1);
    std::sort(seen.begin(), seen.end());
    for (int k = 0; k < sides; ++k) {
        EXPECT_EQ(seen[static_cast<std::size_t>(k)], k + 2);
    }
}

} // namespace
} // namespace tengun
