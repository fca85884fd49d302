// Point numbers and front positions are 1-based: point k is xyz[k - 1], labels[k - 1].
#include "surface/plane_extraction.h"

#include <algorithm>
#include <cassert>

#include "geometry/plane_fit.h"
#include "surface/front.h"

namespace tengun {

namespace {

struct Triangles {
    std::vector<int>& a;
    std::vector<int>& b;
    std::vector<int>& c;
    std::vector<double>& tag;

    void add(int p, int q, int r, int plane)
    {
        a.push_back(p);
        b.push_back(q);
        c.push_back(r);
        tag.push_back(plane);
    }
    void truncate(std::size_t count)
    {
        a.resize(count);
        b.resize(count);
        c.resize(count);
        tag.resize(count);
    }
    [[nodiscard]] std::size_t count() const { return a.size(); }
};

/// The region's plane while it grows; none while its seed triangle is a line and no refit has
/// succeeded, and then every new triangle is rejected.
struct ReferencePlane {
    bool known = false;
    Vec3 normal{};
};

bool within_fold(std::span<const Vec3> xyz, const ReferencePlane& reference, int a, int b, int k,
                 double max_fold)
{
    TrianglePlane added;
    if (!reference.known || triangle_plane(xyz, a, b, k, added) == Status::error) {
        return false;
    }
    return !(fold_angle(reference.normal, added.normal) > max_fold);
}

} // namespace

int extract_planes(std::span<const Vec3> xyz, std::span<double> labels, std::vector<int>& tri_a,
                   std::vector<int>& tri_b, std::vector<int>& tri_c, std::vector<double>& tri_tag,
                   CandidateSearch search)
{
    assert(labels.size() == xyz.size() && "one label per point");
    std::fill(labels.begin(), labels.end(), 0.0);
    Triangles triangles{tri_a, tri_b, tri_c, tri_tag};
    triangles.truncate(0);
    const auto label = [&](int k) -> double& { return labels[static_cast<std::size_t>(k) - 1]; };

    const double max_fold = deg_to_rad(10.0);
    FrontCandidateFinder finder(xyz, search);
    std::size_t free_points = xyz.size(); // counted as they are used, not recounted per step
    int m = 1;
    std::size_t region_start = 0;
    int discarded = 0;
    int seed_position = static_cast<int>(xyz.size() / 4);
    std::vector<int> members;

    while (true) { // one region per turn
        if (free_points < 3) {
            return m - 1;
        }
        const SeedTriangle seed = seed_triangle(xyz, labels, seed_position);
        const auto plane_label = static_cast<double>(m);
        triangles.add(seed.a, seed.b, seed.c, m);
        members = {seed.a, seed.b, seed.c};
        for (const int p : members) {
            label(p) = plane_label;
        }
        free_points -= 3;
        Front front = first_front(seed.a, seed.b, seed.c);
        ReferencePlane reference;
        TrianglePlane seed_plane;
        if (triangle_plane(xyz, seed.a, seed.b, seed.c, seed_plane) == Status::ok) {
            reference = {true, seed_plane.normal};
        }
        FrontWalk walk;
        int failures = 0;

        bool region_done = false;
        while (!region_done) {
            if (free_points < 1) {
                return m;
            }
            const auto at = [&](int p) { return front.point[static_cast<std::size_t>(p)]; };
            const int a = at(walk.i);
            const int b = at(walk.next);
            const int o = front.opposite[static_cast<std::size_t>(walk.i)];
            label(at(walk.prev)) = 0.0;
            label(at(walk.next2)) = 0.0;
            const Nearest found = finder.find(labels, a, b, o, seed.limit);
            label(at(walk.prev)) = plane_label;
            label(at(walk.next2)) = plane_label;

            const int k = found.index;
            if (k == 0 || found.distance > seed.limit ||
                !within_fold(xyz, reference, a, b, k, max_fold)) {
                ++failures;
                if (failures > front.length()) {
                    seed_position = at(front.length() / 2);
                    if (members.size() > 3) {
                        ++m;
                        discarded = 0;
                    } else {
                        for (const int p : members) {
                            label(p) = -1.0;
                        }
                        triangles.truncate(region_start);
                        ++discarded;
                        if (discarded > 9) {
                            return m - 1;
                        }
                    }
                    region_start = triangles.count();
                    region_done = true;
                    continue;
                }
                ++walk.i;
            } else {
                if (label(k) == 0.0) {
                    --free_points;
                    members.push_back(k);
                }
                label(k) = plane_label;
                failures = 0;
                triangles.add(a, b, k, m);
                advance_after_accept(k, front, walk);
            }
            walk = front_neighbours(front.length(), walk.i);
            if (walk.i == 1) {
                Vec3 normal{};
                double offset = 0.0;
                if (fit_plane_labelled(xyz, labels, plane_label, 3, normal, offset) == Status::ok) {
                    reference = {true, normal};
                }
            }
        }
    }
}

} // namespace tengun
