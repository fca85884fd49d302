// Point numbers and front positions are 1-based: point k is xyz[k - 1], labels[k - 1].
#include "surface/mesh.h"

#include <algorithm>
#include <cassert>

#include "surface/front.h"

namespace tengun {

namespace {

/// The new triangle (a, b, k) folds against the triangle (a, b, o) by at most `max_fold`.
bool gentle_fold(std::span<const Vec3> xyz, int a, int b, int o, int k, double max_fold)
{
    TrianglePlane inner;
    TrianglePlane added;
    if (triangle_plane(xyz, a, b, o, inner) == Status::error ||
        triangle_plane(xyz, a, b, k, added) == Status::error) {
        return false; // a line has no plane to fold against
    }
    return !(fold_angle(inner.normal, added.normal) > max_fold);
}

void add_triangle(int a, int b, int c, std::vector<int>& tri_a, std::vector<int>& tri_b,
                  std::vector<int>& tri_c)
{
    tri_a.push_back(a);
    tri_b.push_back(b);
    tri_c.push_back(c);
}

/// The seed of the next patch: free points in ascending order from `next_seed` are tried as the
/// seed position, each once, until one gives a seed triangle with a plane. False when none does
/// or fewer than 3 points are free.
bool next_patch_seed(std::span<const Vec3> xyz, std::span<const double> labels,
                     std::size_t free_points, int& next_seed, SeedTriangle& seed)
{
    const int n = static_cast<int>(xyz.size());
    TrianglePlane plane;
    for (; free_points >= 3 && next_seed <= n; ++next_seed) {
        if (labels[static_cast<std::size_t>(next_seed) - 1] != 0.0) {
            continue;
        }
        seed = seed_triangle(xyz, labels, next_seed);
        if (triangle_plane(xyz, seed.a, seed.b, seed.c, plane) == Status::ok) {
            ++next_seed;
            return true;
        }
    }
    return false;
}

} // namespace

void mesh_point_cloud(std::span<const Vec3> xyz, std::span<double> labels, std::vector<int>& tri_a,
                      std::vector<int>& tri_b, std::vector<int>& tri_c,
                      std::vector<double>& tri_tag, CandidateSearch search)
{
    assert(labels.size() == xyz.size() && "one label per point");
    std::fill(labels.begin(), labels.end(), 0.0);
    if (xyz.size() < 3) {
        return;
    }
    const auto label = [&](int k) -> double& { return labels[static_cast<std::size_t>(k) - 1]; };
    const int n = static_cast<int>(xyz.size());
    // Free points counted as they are used: a recount per step would make every step cost N.
    std::size_t free_points = xyz.size();
    tri_a.clear();
    tri_b.clear();
    tri_c.clear();
    FrontCandidateFinder finder(xyz, search);
    const double max_fold = deg_to_rad(45.0);

    SeedTriangle seed = seed_triangle(xyz, labels, n / 2);
    int next_seed = 1; // no point below it can seed a patch
    while (true) {     // one patch per turn
        add_triangle(seed.a, seed.b, seed.c, tri_a, tri_b, tri_c);
        label(seed.a) = 1.0;
        label(seed.b) = 1.0;
        label(seed.c) = 1.0;
        free_points -= 3;

        Front front = first_front(seed.a, seed.b, seed.c);
        FrontWalk walk;
        int failures = 0;
        while (free_points >= 1) {
            const auto at = [&](int p) { return front.point[static_cast<std::size_t>(p)]; };
            const int a = at(walk.i);
            const int b = at(walk.next);
            const int o = front.opposite[static_cast<std::size_t>(walk.i)];
            // The front points beside the edge may close a corner.
            label(at(walk.prev)) = 0.0;
            label(at(walk.next2)) = 0.0;
            const Nearest found = finder.find(labels, a, b, o, seed.limit);
            label(at(walk.prev)) = 1.0;
            label(at(walk.next2)) = 1.0;

            const int k = found.index;
            if (k == 0 || found.distance > seed.limit || !gentle_fold(xyz, a, b, o, k, max_fold)) {
                ++failures;
                if (failures > front.length()) {
                    break;
                }
                ++walk.i;
            } else {
                if (label(k) == 0.0) {
                    --free_points;
                }
                label(k) = 1.0;
                failures = 0;
                add_triangle(a, b, k, tri_a, tri_b, tri_c);
                advance_after_accept(k, front, walk);
            }
            walk = front_neighbours(front.length(), walk.i);
        }
        if (!next_patch_seed(xyz, labels, free_points, next_seed, seed)) {
            break;
        }
    }
    tri_tag.assign(tri_a.size(), 0.0);
}

} // namespace tengun
