#pragma once
// The surface algorithms written the plain way, as references for the fast ones: every search
// scans the points (all those that could be accepted: a slab of the cloud as wide as the distance
// limit), the front is a vector of positions, a region's plane is refitted over all points by
// label, and nothing is remembered between steps. Slow (N^2), obvious, and kept apart from the
// code they check: they share only the geometric routines of mesh_routines.h.
// Point numbers and front positions are 1-based: point k is xyz[k - 1], labels[k - 1];
// position p of a front is point[p] (point[0] unused).

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "geometry/plane_fit.h"
#include "surface/front_candidate.h"
#include "surface/mesh_routines.h"

namespace tengun::testing {

/// The front as the algorithm describes it: position p is followed by p + 1, the last position
/// `len()` by position 1; the edge at p runs from point[p] to the next position's point.
struct PlainFront {
    std::vector<int> point{0};
    std::vector<int> opposite{0};
    [[nodiscard]] int len() const { return static_cast<int>(point.size()) - 1; }
};

inline PlainFront plain_first_front(int a, int b, int c)
{
    return {{0, a, b, c}, {0, c, a, b}};
}

/// The walk at position i: i past the end becomes 1; next, next2 and prev wrap round the loop.
struct PlainWalk {
    int prev = 3, i = 1, next = 2, next2 = 3;
};
inline PlainWalk plain_neighbours(int len, int i)
{
    PlainWalk w;
    w.i = i > len ? 1 : i;
    w.next = w.i + 1 > len ? 1 : w.i + 1;
    w.next2 = w.next + 1 > len ? 1 : w.next + 1;
    w.prev = w.i - 1 < 1 ? len : w.i - 1;
    return w;
}

/// front_insert (i, next, k): k enters at position i + 1 (appended when i is the last position),
/// entries from there move one position up; edge i gets the old front(next) as its opposite,
/// k's edge gets front(i).
inline void plain_insert(PlainFront& f, int i, int next, int k)
{
    const int a = f.point[static_cast<std::size_t>(i)];
    const int b = f.point[static_cast<std::size_t>(next)];
    f.point.insert(f.point.begin() + i + 1, k);
    f.opposite.insert(f.opposite.begin() + i + 1, a);
    f.opposite[static_cast<std::size_t>(i)] = b;
}

/// front_remove (p): entries after p move one position down; the edge joining the two former
/// neighbours (at p - 1, or the last position when p was 1) gets front(p) as its opposite.
inline void plain_remove(PlainFront& f, int p)
{
    const int len = f.len();
    const int r = f.point[static_cast<std::size_t>(p)];
    f.point.erase(f.point.begin() + p);
    f.opposite.erase(f.opposite.begin() + p);
    f.opposite[static_cast<std::size_t>(p > 1 ? p - 1 : len - 1)] = r;
}

/// After the triangle (front(i), front(next), k): close the corner at prev or next2, or insert.
inline void plain_advance(PlainFront& f, PlainWalk& w, int k)
{
    if (k == f.point[static_cast<std::size_t>(w.prev)]) {
        plain_remove(f, w.i);
    } else if (k == f.point[static_cast<std::size_t>(w.next2)]) {
        plain_remove(f, w.next);
        w.i += 1;
    } else {
        plain_insert(f, w.i, w.next, k);
        w.i += 2;
    }
}

struct ReferenceMesh {
    std::vector<int> a, b, c;
    std::vector<double> tag;
    std::vector<double> labels;
    int planes = 0;
    void add(int p, int q, int r, double t)
    {
        a.push_back(p);
        b.push_back(q);
        c.push_back(r);
        tag.push_back(t);
    }
};

/// best_front_candidate, restricted to the answers the walk can accept: a candidate farther than
/// `limit` from the edge's midpoint is rejected whatever it is, so only the points whose x lies
/// within the limit of the midpoint's are scanned (a list sorted by x keeps them together).
/// Among them the scan is the plain one: the nearest qualifying free point, of equal distances
/// the lower number. Farther answers come back as {0, ...}. (A limit that is not finite scans
/// the whole cloud.)
class SlabScan {
public:
    explicit SlabScan(std::span<const Vec3> xyz) : xyz_(xyz), order_(xyz.size())
    {
        for (std::size_t i = 0; i < xyz.size(); ++i) {
            order_[i] = static_cast<int>(i) + 1;
        }
        std::sort(order_.begin(), order_.end(), [&](int a, int b) { return x(a) < x(b); });
    }

    Nearest best(std::span<const double> labels, int a, int b, int o, double limit) const
    {
        const EdgeTest test(xyz_, a, b, o);
        const Vec3& m = test.midpoint();
        // A little wider than the limit: rounding in the distance cannot bring a point from
        // outside the slab within the limit.
        const double reach = limit * (1.0 + 1e-9);
        const auto first = std::lower_bound(order_.begin(), order_.end(), m[0] - reach,
                                            [&](int k, double v) { return x(k) < v; });
        double best = reach * reach; // nothing farther is looked at
        int index = 0;
        for (auto it = first; it != order_.end() && x(*it) <= m[0] + reach; ++it) {
            const int k = *it;
            if (labels[static_cast<std::size_t>(k) - 1] != 0.0) {
                continue;
            }
            const double d2 = squared_distance(m, xyz_[static_cast<std::size_t>(k) - 1]);
            if ((d2 < best || (d2 == best && (index == 0 || k < index))) && test.qualifies(k)) {
                best = d2;
                index = k;
            }
        }
        return index == 0 ? Nearest{0, std::sqrt(huge_value)} : Nearest{index, std::sqrt(best)};
    }

private:
    [[nodiscard]] double x(int k) const { return xyz_[static_cast<std::size_t>(k) - 1][0]; }
    std::span<const Vec3> xyz_;
    std::vector<int> order_;
};

/// The search of the walk's edge, with the front points beside it labelled free for the scan
/// and labelled `used` again afterwards.
inline Nearest plain_candidate(const SlabScan& scan, std::vector<double>& labels,
                               const PlainFront& f, const PlainWalk& w, double used, double limit)
{
    const auto at = [&](int p) { return f.point[static_cast<std::size_t>(p)]; };
    labels[static_cast<std::size_t>(at(w.prev)) - 1] = 0.0;
    labels[static_cast<std::size_t>(at(w.next2)) - 1] = 0.0;
    const Nearest found =
        scan.best(labels, at(w.i), at(w.next), f.opposite[static_cast<std::size_t>(w.i)], limit);
    labels[static_cast<std::size_t>(at(w.prev)) - 1] = used;
    labels[static_cast<std::size_t>(at(w.next2)) - 1] = used;
    return found;
}

/// The advancing-front mesh: one patch seeded at Int(N / 2); with `restart`, further patches at
/// free points in ascending order, each tried once as the seed position, while 3 points are free
/// and a seed triangle is found that has a plane and a perimeter of at most 3 times that of the
/// seed triangle of the same position in the whole cloud (without `restart`, the mesh as it was
/// first built: it ends with the first patch).
inline ReferenceMesh reference_mesh(std::span<const Vec3> xyz, bool restart = true)
{
    ReferenceMesh m;
    m.labels.assign(xyz.size(), 0.0);
    if (xyz.size() < 3) {
        return m;
    }
    const auto label = [&](int k) -> double& { return m.labels[static_cast<std::size_t>(k) - 1]; };
    const double max_fold = deg_to_rad(45.0);
    const SlabScan scan(xyz);
    std::size_t free = xyz.size(); // count_label(0), kept as labels change
    const auto use = [&](int k) {
        free -= label(k) == 0.0 ? 1 : 0;
        label(k) = 1.0;
    };
    SeedTriangle seed = seed_triangle(xyz, m.labels, static_cast<int>(xyz.size() / 2));
    const std::vector<double> unlabelled(xyz.size(), 0.0);
    std::size_t tried = 0; // seed positions 1..tried have been tried
    while (true) {
        m.add(seed.a, seed.b, seed.c, 0.0);
        use(seed.a);
        use(seed.b);
        use(seed.c);
        PlainFront front = plain_first_front(seed.a, seed.b, seed.c);
        PlainWalk w;
        int failures = 0;
        while (free >= 1) {
            const auto at = [&](int p) { return front.point[static_cast<std::size_t>(p)]; };
            const int o = front.opposite[static_cast<std::size_t>(w.i)];
            const Nearest found = plain_candidate(scan, m.labels, front, w, 1.0, seed.limit);
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
                if (++failures > front.len()) {
                    break;
                }
                ++w.i;
            } else {
                use(k);
                failures = 0;
                m.add(at(w.i), at(w.next), k, 0.0);
                plain_advance(front, w, k);
            }
            w = plain_neighbours(front.len(), w.i);
        }
        bool seeded = false;
        while (restart && !seeded && free >= 3 && tried < m.labels.size()) {
            ++tried;
            if (label(static_cast<int>(tried)) == 0.0) {
                seed = seed_triangle(xyz, m.labels, static_cast<int>(tried));
                TrianglePlane plane;
                const double whole = seed_triangle(xyz, unlabelled, static_cast<int>(tried)).limit;
                seeded = seed.limit <= 3.0 * whole &&
                         triangle_plane(xyz, seed.a, seed.b, seed.c, plane) == Status::ok;
            }
        }
        if (!seeded) {
            break;
        }
    }
    return m;
}

/// The multi-plane extraction: regions grown one at a time from seed Int(N / 4), a triangle kept
/// within 10 degrees of the region's plane (the seed triangle's, refitted over every point of
/// the region, with exact sums about its seed point, whenever the walk is back at position 1);
/// regions of 3 points
/// or fewer dropped (label -1), ten dropped in a row or too few points to seed end it.
inline ReferenceMesh reference_extraction(std::span<const Vec3> xyz)
{
    ReferenceMesh m;
    m.labels.assign(xyz.size(), 0.0);
    const auto label = [&](int k) -> double& { return m.labels[static_cast<std::size_t>(k) - 1]; };
    const double max_fold = deg_to_rad(10.0);
    int plane = 1;
    std::size_t region_start = 0;
    int discarded = 0;
    int seed_position = static_cast<int>(xyz.size() / 4);
    const SlabScan scan(xyz);
    std::size_t free = xyz.size(); // count_label(0), kept as labels change
    while (true) {
        if (free < 3) {
            m.planes = plane - 1;
            return m;
        }
        const SeedTriangle seed = seed_triangle(xyz, m.labels, seed_position);
        const auto value = static_cast<double>(plane);
        m.add(seed.a, seed.b, seed.c, value);
        label(seed.a) = label(seed.b) = label(seed.c) = value;
        free -= 3;
        PlainFront front = plain_first_front(seed.a, seed.b, seed.c);
        TrianglePlane seed_plane;
        bool known = triangle_plane(xyz, seed.a, seed.b, seed.c, seed_plane) == Status::ok;
        Vec3 reference = seed_plane.normal;
        PlainWalk w;
        int failures = 0;
        while (true) {
            if (free < 1) {
                m.planes = plane;
                return m;
            }
            const auto at = [&](int p) { return front.point[static_cast<std::size_t>(p)]; };
            const Nearest found = plain_candidate(scan, m.labels, front, w, value, seed.limit);
            const int k = found.index;
            TrianglePlane added;
            const bool ok = k != 0 && !(found.distance > seed.limit) && known &&
                            triangle_plane(xyz, at(w.i), at(w.next), k, added) == Status::ok &&
                            !(fold_angle(reference, added.normal) > max_fold);
            if (!ok) {
                if (++failures > front.len()) {
                    seed_position = at(front.len() / 2);
                    if (count_label(value, m.labels) > 3) {
                        ++plane;
                        discarded = 0;
                    } else {
                        for (double& l : m.labels) {
                            l = l == value ? -1.0 : l;
                        }
                        m.a.resize(region_start);
                        m.b.resize(region_start);
                        m.c.resize(region_start);
                        m.tag.resize(region_start);
                        if (++discarded > 9) {
                            m.planes = plane - 1;
                            return m;
                        }
                    }
                    region_start = m.a.size();
                    break;
                }
                ++w.i;
            } else {
                free -= label(k) == 0.0 ? 1 : 0;
                label(k) = value;
                failures = 0;
                m.add(at(w.i), at(w.next), k, value);
                plain_advance(front, w, k);
            }
            w = plain_neighbours(front.len(), w.i);
            if (w.i == 1) {
                Vec3 normal{};
                double offset = 0.0;
                ExactPlaneSums region(xyz[static_cast<std::size_t>(seed.a) - 1]);
                for (std::size_t i = 0; i < xyz.size(); ++i) {
                    if (m.labels[i] == value) {
                        region.add(xyz[i]);
                    }
                }
                if (region.fit(normal, offset) == Status::ok) {
                    reference = normal;
                    known = true;
                }
            }
        }
    }
}

} // namespace tengun::testing
