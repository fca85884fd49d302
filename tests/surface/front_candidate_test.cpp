// The candidate search of a front edge: the plain scan's rules, and the k-d tree against the
// plain scans on many random clouds of every scale, query by query and for whole meshes and
// plane extractions.
#include "surface/front_candidate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/surface_clouds.h"
#include "surface/mesh.h"
#include "surface/plane_extraction.h"

namespace tengun {
namespace {

TEST(best_front_candidate, nearest_qualifying_point_ties_to_the_lower_number)
{
    // Edge 1 -> 2 along X, inner vertex 3 below. 4 and 5 lie above at the same distance from
    // the midpoint (1, 0); 6 is nearer but on the inner side; 7 is nearer but labelled.
    std::vector<Vec3> pts{{0, 0, 1},   {2, 0, 1},    {1, -1, 1}, {0.5, 1, 1},
                          {1.5, 1, 1}, {1, -0.2, 1}, {1, 0.5, 1}};
    std::vector<double> labels{1, 1, 1, 0, 0, 0, 1};
    Nearest n = best_front_candidate(pts, labels, 1, 2, 3);
    EXPECT_EQ(n.index, 4);
    EXPECT_DOUBLE_EQ(n.distance, std::sqrt(1.25));
    std::swap(pts[3], pts[4]); // the same two places, numbered the other way round
    EXPECT_EQ(best_front_candidate(pts, labels, 1, 2, 3).index, 4);
    FrontCandidateIndex index(pts);
    for (const int k : {1, 2, 3, 7}) {
        index.take(k);
    }
    EXPECT_EQ(index.best(1, 2, 3, 10.0).index, 4);

    labels[3] = 1;
    labels[4] = 1;
    const Nearest none = best_front_candidate(pts, labels, 1, 2, 3);
    EXPECT_EQ(none.index, 0);
    EXPECT_GT(none.distance, 1e150);
}

TEST(best_front_candidate, points_that_see_the_edge_too_narrowly_are_passed_over)
{
    // 4 is nearest to the midpoint but far out along the edge's line (angle < 20 degrees).
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 0}, {0.5, -1, 0}, {2.5, 0.3, 0}, {0.5, 2.2, 0}};
    const std::vector<double> labels{1, 1, 1, 0, 0};
    EXPECT_EQ(best_front_candidate(pts, labels, 1, 2, 3).index, 5);
}

/// A cloud for the comparisons: a wavy sheet, a noisy box, a blob of random points, or an exact
/// lattice (flat or a block, so that many points tie on the tree's split planes), of 100 to 700
/// points, sometimes with repeated points and points at the origin.
std::vector<Vec3> random_cloud(std::mt19937& rng, int kind)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    const double scale = std::pow(10.0, std::uniform_int_distribution<int>(-2, 3)(rng));
    const Vec3 shift{scale * 5 * g(rng), scale * 5 * g(rng), scale * 5 * g(rng)};
    if (kind == 0) {
        const int nx = std::uniform_int_distribution<int>(8, 25)(rng);
        const int ny = std::uniform_int_distribution<int>(8, 25)(rng);
        const double jitter = 0.3 * u(rng);
        const double wave = 3.0 * u(rng);
        for (int i = 0; i < nx; ++i) {
            for (int j = 0; j < ny; ++j) {
                const double x = i + jitter * g(rng);
                const double y = j + jitter * g(rng);
                pts.push_back(shift + scale * Vec3{x, y, wave * std::sin(x / 4) * std::cos(y / 5)});
            }
        }
    } else if (kind == 1) {
        const testing::Box box{
            shift,
            {scale * (6 + 10 * u(rng)), scale * (6 + 10 * u(rng)), scale * (6 + 10 * u(rng))}};
        pts = testing::box_scan(box, scale * (0.8 + u(rng)), {0, 1, 2, 3, 4, 5},
                                scale * 0.02 * u(rng));
    } else if (kind == 3) {
        const int side = std::uniform_int_distribution<int>(6, 12)(rng);
        const int layers = u(rng) < 0.5 ? 1 : std::uniform_int_distribution<int>(2, 5)(rng);
        for (int i = 0; i < side; ++i) {
            for (int j = 0; j < side; ++j) {
                for (int k = 0; k < layers; ++k) {
                    pts.push_back(shift + scale * Vec3{double(i), double(j), double(k)});
                }
            }
        }
    } else {
        const int n = std::uniform_int_distribution<int>(100, 400)(rng);
        for (int i = 0; i < n; ++i) {
            pts.push_back(shift + scale * Vec3{10 * u(rng), 10 * u(rng), u(rng)});
        }
    }
    if (u(rng) < 0.3) {
        pts.push_back(pts[pts.size() / 3]); // a repeated point
        pts.push_back(Vec3{});
    }
    std::shuffle(pts.begin(), pts.end(), rng);
    return pts;
}

/// The largest nearest-neighbour distance of the first 20 points: a length the searches use.
double typical_spacing(std::span<const Vec3> pts)
{
    const std::vector<double> free(pts.size(), 0.0);
    double spacing = 0.0;
    for (int k = 1; k <= std::min<int>(20, static_cast<int>(pts.size())); ++k) {
        spacing = std::max(spacing, nearest_to_point(pts, free, k).distance);
    }
    return spacing;
}

TEST(FrontCandidateIndex, answers_as_the_plain_scans_while_points_are_taken)
{
    // Each cloud is searched in rounds; between rounds a random share of the free points is
    // taken (in the index and in the labels alike), so that searches meet half-empty leaves and
    // subtrees with nothing free.
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int compared = 0;
    int found_within = 0;
    int with_extra = 0;
    for (int cloud = 0; cloud < 80; ++cloud) {
        const std::vector<Vec3> pts = random_cloud(rng, cloud % 4);
        const int n = static_cast<int>(pts.size());
        std::uniform_int_distribution<int> pick(1, n);
        std::vector<double> labels(pts.size(), 0.0);
        const std::vector<double> unlabelled(pts.size(), 0.0);
        const double typical = typical_spacing(pts);
        FrontCandidateIndex index(pts);
        for (int round = 0; round < 4; ++round) {
            for (int k = 1; k <= n; ++k) {
                if (u(rng) < 0.25) {
                    labels[static_cast<std::size_t>(k) - 1] = 1.0;
                    index.take(k);
                }
            }
            for (int q = 0; q < 50; ++q) {
                SCOPED_TRACE(::testing::Message()
                             << "cloud " << cloud << " round " << round << " query " << q);
                const int a = pick(rng);
                const int b = nearest_to_point(pts, unlabelled, a).index;
                const int o = pick(rng);
                if (b == 0 || o == a || o == b) {
                    continue;
                }
                // Two front points beside the edge count as free for this search.
                const int p = u(rng) < 0.5 ? pick(rng) : 0;
                const int r = u(rng) < 0.5 ? pick(rng) : 0;
                std::vector<double> freed = labels;
                for (const int extra : {p, r}) {
                    if (extra != 0) {
                        freed[static_cast<std::size_t>(extra) - 1] = 0.0;
                    }
                }
                const double limit = typical * 6 * u(rng);
                const Nearest plain = best_front_candidate(pts, freed, a, b, o);
                const Nearest fast = index.best(a, b, o, limit, p, r);
                if (plain.index != 0 && plain.distance <= limit) {
                    ++found_within;
                    with_extra += plain.index == p || plain.index == r ? 1 : 0;
                    EXPECT_EQ(fast.index, plain.index);
                    EXPECT_EQ(fast.distance, plain.distance);
                } else if (fast.index != 0) {
                    EXPECT_EQ(fast.index, plain.index)
                        << "only the same farther point may come back";
                }
                // Nearest points from a point, skipping it and another, and from anywhere.
                const Vec3 at = u(rng) < 0.5 ? pts[static_cast<std::size_t>(a) - 1]
                                             : Vec3{u(rng) * 20 - 5, u(rng) * 20 - 5, u(rng)};
                const Nearest free_plain = nearest_free_point(pts, labels, at, a, o);
                const Nearest free_fast = index.nearest_free(at, a, o);
                EXPECT_EQ(free_fast.index, free_plain.index);
                EXPECT_EQ(free_fast.distance, free_plain.distance);
                const Nearest any_plain = nearest_free_point(pts, unlabelled, at, a, o);
                const Nearest any_fast = index.nearest_point(at, a, o);
                EXPECT_EQ(any_fast.index, any_plain.index);
                EXPECT_EQ(any_fast.distance, any_plain.distance);
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 9000);
    EXPECT_GT(found_within, 1000) << "the comparison must cover real finds";
    EXPECT_GT(with_extra, 10) << "and finds among the front points beside the edge";
}

TEST(FrontCandidateIndex, clouds_with_infinite_coordinates_fall_back_to_the_plain_scan)
{
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 0}, {0.5, -1, 0}, {0.5, 1, 0}, {INFINITY, 0, 0}};
    FrontCandidateIndex index(pts);
    for (const int k : {1, 2, 3}) {
        index.take(k);
    }
    EXPECT_EQ(index.best(1, 2, 3, 5.0).index, 4);
    EXPECT_EQ(index.best(1, 2, 3, 5.0, 3).index, 4) << "an extra candidate behind the edge";
    EXPECT_EQ(index.nearest_free({0.4, 0.9, 0}, 0, 0).index, 4);
    EXPECT_EQ(index.nearest_point({0.4, 0.9, 0}, 4, 0).index, 1);
    index.take(4);
    EXPECT_EQ(index.best(1, 2, 3, 5.0).index, 0);
    EXPECT_EQ(index.nearest_free({0.4, 0.9, 0}, 0, 0).index, 0) << "infinitely far is not found";
}

TEST(mesh_point_cloud, the_tree_builds_the_same_mesh_as_the_plain_scan_at_any_scale)
{
    std::mt19937 rng(77);
    std::size_t triangles = 0;
    for (int cloud = 0; cloud < 30; ++cloud) {
        const std::vector<Vec3> pts = random_cloud(rng, cloud % 4);
        SCOPED_TRACE(::testing::Message() << "cloud " << cloud << " of " << pts.size());
        std::vector<double> la(pts.size());
        std::vector<double> lb(pts.size());
        std::vector<int> a1, b1, c1, a2, b2, c2;
        std::vector<double> t1, t2;
        mesh_point_cloud(pts, la, a1, b1, c1, t1, CandidateSearch::linear);
        mesh_point_cloud(pts, lb, a2, b2, c2, t2, CandidateSearch::indexed);
        EXPECT_EQ(a1, a2);
        EXPECT_EQ(b1, b2);
        EXPECT_EQ(c1, c2);
        EXPECT_EQ(la, lb);
        triangles += a1.size();
    }
    EXPECT_GT(triangles, 5000U);
}

TEST(extract_planes, the_tree_finds_the_same_planes_as_the_plain_scan_at_any_scale)
{
    std::mt19937 rng(78);
    int planes = 0;
    for (int cloud = 0; cloud < 30; ++cloud) {
        const std::vector<Vec3> pts = random_cloud(rng, cloud % 4);
        SCOPED_TRACE(::testing::Message() << "cloud " << cloud << " of " << pts.size());
        std::vector<double> la(pts.size());
        std::vector<double> lb(pts.size());
        std::vector<int> a1, b1, c1, a2, b2, c2;
        std::vector<double> t1, t2;
        const int p1 = extract_planes(pts, la, a1, b1, c1, t1, CandidateSearch::linear);
        const int p2 = extract_planes(pts, lb, a2, b2, c2, t2, CandidateSearch::indexed);
        EXPECT_EQ(p1, p2);
        EXPECT_EQ(a1, a2);
        EXPECT_EQ(c1, c2);
        EXPECT_EQ(t1, t2);
        EXPECT_EQ(la, lb);
        planes += p1;
    }
    EXPECT_GT(planes, 30);
}

} // namespace
} // namespace tengun
