#pragma once
// The surface algorithms written the plain way, as references for the fast ones: every search
// scans all points, the front is a vector, labels are counted by scanning. Slow (N^2), obvious,
// and kept apart from the code they check.
// Point numbers and front positions are 1-based: point k is xyz[k - 1], labels[k - 1].

#include <span>
#include <vector>

#include "geometry/plane_fit.h"
#include "surface/front.h"
#include "surface/front_candidate.h"
#include "surface/mesh_routines.h"

namespace tengun::testing {

struct ReferenceMesh {
    std::vector<int> a, b, c;
    std::vector<double> tag;
    std::vector<double> labels;
    int planes = 0;
};

/// The advancing-front mesh: one patch seeded at Int(N / 2); with `restart`, further patches at
/// free points in ascending order, each tried once as the seed position, while 3 points are free
/// and a seed triangle with a plane is found (without it, the mesh as it was first
/// built: it ends with the first patch).
inline ReferenceMesh reference_mesh(std::span<const Vec3> xyz, bool restart = true)
{
    ReferenceMesh m;
    m.labels.assign(xyz.size(), 0.0);
    if (xyz.size() < 3) {
        return m;
    }
    const auto label = [&](int k) -> double& { return m.labels[static_cast<std::size_t>(k) - 1]; };
    const double max_fold = deg_to_rad(45.0);
    SeedTriangle seed = seed_triangle(xyz, m.labels, static_cast<int>(xyz.size() / 2));
    std::size_t tried = 0; // seed positions 1..tried have been tried
    while (true) {
        m.a.push_back(seed.a);
        m.b.push_back(seed.b);
        m.c.push_back(seed.c);
        label(seed.a) = label(seed.b) = label(seed.c) = 1.0;
        Front front = first_front(seed.a, seed.b, seed.c);
        FrontWalk w;
        int failures = 0;
        while (count_label(0.0, m.labels) >= 1) {
            const auto at = [&](int p) { return front.point[static_cast<std::size_t>(p)]; };
            const int o = front.opposite[static_cast<std::size_t>(w.i)];
            label(at(w.prev)) = label(at(w.next2)) = 0.0;
            const Nearest found = best_front_candidate(xyz, m.labels, at(w.i), at(w.next), o);
            label(at(w.prev)) = label(at(w.next2)) = 1.0;
            const int k = found.index;
            bool ok = k != 0 && !(found.distance > seed.limit);
            if (ok) {
                TrianglePlane n1;
                TrianglePlane n2;
                ok = triangle_plane(xyz, at(w.i), at(w.next), o, n1) == Status::ok &&
                     triangle_plane(xyz, at(w.i), at(w.next), k, n2) == Status::ok &&
                     !(fold_angle(n1.normal, n2.normal) > max_fold);
            }
            if (!ok) {
                if (++failures > front.length()) {
                    break;
                }
                ++w.i;
            } else {
                label(k) = 1.0;
                failures = 0;
                m.a.push_back(at(w.i));
                m.b.push_back(at(w.next));
                m.c.push_back(k);
                advance_after_accept(k, front, w);
            }
            w = front_neighbours(front.length(), w.i);
        }
        // The next seed: free points in ascending order, each tried once, until one gives a
        // triangle that has a plane.
        bool seeded = false;
        while (restart && !seeded && count_label(0.0, m.labels) >= 3 && tried < m.labels.size()) {
            ++tried;
            if (label(static_cast<int>(tried)) == 0.0) {
                seed = seed_triangle(xyz, m.labels, static_cast<int>(tried));
                TrianglePlane plane;
                seeded = triangle_plane(xyz, seed.a, seed.b, seed.c, plane) == Status::ok;
            }
        }
        if (!seeded) {
            break;
        }
    }
    m.tag.assign(m.a.size(), 0.0);
    return m;
}

} // namespace tengun::testing
