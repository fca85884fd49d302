// Multi-plane extraction on scans of flat-faced solids.
#include "surface/plane_extraction.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/surface_clouds.h"

namespace tengun {
namespace {

struct Extraction {
    int planes = 0;
    std::vector<int> a, b, c;
    std::vector<double> tag;
    std::vector<double> labels;
};

Extraction extract(const std::vector<Vec3>& pts)
{
    Extraction e;
    e.labels.assign(pts.size(), 9.0);
    e.a = {1};
    e.b = {1};
    e.c = {1};
    e.tag = {1};
    e.planes = extract_planes(pts, e.labels, e.a, e.b, e.c, e.tag);
    return e;
}

/// Every triangle's corners carry its plane number: no triangle reaches into another region or
/// uses a discarded point.
void expect_triangles_inside_their_planes(const Extraction& e)
{
    for (std::size_t t = 0; t < e.a.size(); ++t) {
        SCOPED_TRACE(::testing::Message() << "triangle " << t + 1);
        EXPECT_GE(e.tag[t], 1.0);
        EXPECT_LE(e.tag[t], e.planes);
        for (const int p : {e.a[t], e.b[t], e.c[t]}) {
            EXPECT_EQ(e.labels[static_cast<std::size_t>(p) - 1], e.tag[t]);
        }
    }
}

TEST(extract_planes, box_scan_gives_one_plane_per_face)
{
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    const std::vector<Vec3> pts = testing::box_scan(box, 2.0, {0, 1, 2, 3, 4, 5}, 0.01);
    const std::vector<std::size_t> face_sizes{300, 300, 200, 200, 150, 150};
    const Extraction e = extract(pts);
    ASSERT_EQ(e.planes, 6);
    std::set<double> used;
    std::size_t first = 0;
    for (const std::size_t size : face_sizes) {
        std::map<double, std::size_t> count;
        for (std::size_t i = first; i < first + size; ++i) {
            ++count[e.labels[i]];
        }
        first += size;
        // The face's own plane holds all but a corner point or two, which no front reached.
        const auto own = std::max_element(count.begin(), count.end(),
                                          [](auto& x, auto& y) { return x.second < y.second; });
        SCOPED_TRACE(::testing::Message() << "face of " << size << " points, plane " << own->first);
        EXPECT_GE(own->first, 1.0);
        EXPECT_GE(own->second, size - 2);
        EXPECT_EQ(own->second + count[0.0], size) << "no point of another plane";
        EXPECT_TRUE(used.insert(own->first).second) << "each face its own plane";
    }
    expect_triangles_inside_their_planes(e);
}

TEST(extract_planes, seed_across_an_edge_is_discarded_and_its_points_never_reused)
{
    // A floor z = 0 whose row nearest the wall zigzags (x = 0.3, 0.7), its other rows at
    // x = 1.5 .. 7.5; a wall x = 0 from z = 2 up; one stray wall point (0, 3, 0.3) at the first
    // seed position. The seed triangle joins it to two floor points across the edge: every
    // triangle grown from there folds away from that slanted plane, so the region is dropped.
    std::vector<Vec3> pts;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            pts.push_back({i == 0 ? 0.3 + 0.4 * (j % 2) : 0.5 + i, double(j), 0.0});
        }
    }
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 8; ++j) {
            pts.push_back({0.0, double(j), 2.0 + i});
        }
    }
    const int seed = static_cast<int>((pts.size() + 1) / 4);
    pts.insert(pts.begin() + seed - 1, Vec3{0.0, 3.0, 0.3});
    const std::vector<double> unlabelled(pts.size(), 0.0);
    const SeedTriangle first = seed_triangle(pts, unlabelled, seed);
    std::set<double> heights;
    for (const int p : {first.a, first.b, first.c}) {
        heights.insert(pts[static_cast<std::size_t>(p) - 1][2]);
    }
    ASSERT_EQ(heights, (std::set<double>{0.0, 0.3})) << "the seed triangle spans the edge";

    const Extraction e = extract(pts);
    EXPECT_EQ(e.planes, 2) << "floor and wall; the dropped region is not counted";
    EXPECT_EQ(count_label(-1.0, e.labels), 3U);
    for (const int p : {first.a, first.b, first.c}) {
        EXPECT_EQ(e.labels[static_cast<std::size_t>(p) - 1], -1.0) << "point " << p;
    }
    EXPECT_EQ(count_label(0.0, e.labels), 0U);
    expect_triangles_inside_their_planes(e);
    EXPECT_EQ(e.tag.front(), 1.0) << "the dropped triangles are gone";
}

TEST(extract_planes, region_plane_follows_the_points_it_has_taken)
{
    // A sheet bent round a cylinder (radius 50, 1 degree of arc per column), seeded at its
    // first column. The seed triangle's plane alone would stop the region 10 degrees in; refitted
    // to the region's points, the plane turns with it: the region ends where its newest
    // triangles lie 10 degrees from the average, near 20 degrees.
    std::vector<Vec3> pts;
    std::vector<double> degrees;
    for (int i = 0; i < 40; ++i) {
        for (int j = 0; j < 20; ++j) {
            const double theta = deg_to_rad(i + 0.5);
            pts.push_back({50 * std::sin(theta), double(j), 60 - 50 * std::cos(theta)});
            degrees.push_back(i + 0.5);
        }
    }
    const std::size_t seed = pts.size() / 4;
    std::swap(pts[seed - 1], pts[10]);
    std::swap(degrees[seed - 1], degrees[10]);
    const Extraction e = extract(pts);
    double reach = 0.0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (e.labels[i] == 1.0) {
            reach = std::max(reach, degrees[i]);
        }
    }
    EXPECT_GT(reach, 15.0);
    EXPECT_LT(reach, 25.0);
}

TEST(extract_planes, too_few_points_give_no_plane_and_no_triangles)
{
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 0}};
    const Extraction e = extract(pts);
    EXPECT_EQ(e.planes, 0);
    EXPECT_TRUE(e.a.empty());
    EXPECT_EQ(e.labels, (std::vector<double>{0, 0}));
}

TEST(extract_planes, three_points_are_one_plane_used_up_while_growing)
{
    // Int(3 / 4) = 0: the first region is seeded from the origin.
    const std::vector<Vec3> pts{{5, 0, 1}, {6, 0, 1}, {5, 1, 1}};
    const Extraction e = extract(pts);
    EXPECT_EQ(e.planes, 1);
    EXPECT_EQ(e.a.size(), 1U);
    EXPECT_EQ(e.labels, (std::vector<double>{1, 1, 1}));
}

TEST(extract_planes, ten_dropped_regions_in_a_row_end_the_extraction)
{
    // Fifteen small triangles of points far apart: each region is its seed triangle alone.
    std::vector<Vec3> pts;
    for (int k = 0; k < 15; ++k) {
        const double x = 100.0 * k;
        pts.push_back({x, 0, 5});
        pts.push_back({x + 1, 0, 5});
        pts.push_back({x, 1, 5});
    }
    const Extraction e = extract(pts);
    EXPECT_EQ(e.planes, 0);
    EXPECT_EQ(count_label(-1.0, e.labels), 30U) << "ten regions of three";
    EXPECT_EQ(count_label(0.0, e.labels), 15U) << "five triangles never seeded";
    EXPECT_TRUE(e.a.empty());
}

} // namespace
} // namespace tengun
