// Plane numbers are 1-based as labels: plane m's data sit at index m of the per-plane vectors
// (index 0 unused).
#include "surface/plane_merge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>

#include <nanoflann.hpp>

namespace tengun {

namespace {

/// Sums of one plane's points, about a fixed shift for accuracy; adding two is merging them.
struct Moments {
    double count = 0.0;
    Vec3 sum{};   // of y = x - shift
    Mat3 outer{}; // of y y^T
    void add(const Vec3& y)
    {
        count += 1.0;
        for (int j = 0; j < 3; ++j) {
            sum[j] += y[j];
            for (int k = 0; k < 3; ++k) {
                outer[j][k] += y[j] * y[k];
            }
        }
    }
    void add(const Moments& o)
    {
        count += o.count;
        for (int j = 0; j < 3; ++j) {
            sum[j] += o.sum[j];
            for (int k = 0; k < 3; ++k) {
                outer[j][k] += o.outer[j][k];
            }
        }
    }
};

struct Fit {
    Vec3 normal{};   ///< unit normal of the least-squares plane (shifted frame)
    Vec3 centroid{}; ///< shifted frame
    Mat3 scatter{};  ///< about the centroid
    double sd = 0.0; ///< RMS distance of the points from the plane
};

Fit fit_of(const Moments& m)
{
    Fit f;
    f.centroid = vec_scale(m.sum, 1.0 / m.count);
    for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 3; ++k) {
            f.scatter[j][k] = m.outer[j][k] - m.count * f.centroid[j] * f.centroid[k];
        }
    }
    const SymmetricEigen e = symmetric_eigen(f.scatter);
    f.normal = e.vectors[0];
    f.sd = std::sqrt(std::max(0.0, e.values[0]) / m.count);
    return f;
}

/// RMS distance of the points with moments `m` (fit `fm`) from the plane of `to`.
double rms_from(const Moments& m, const Fit& fm, const Fit& to)
{
    const double offset = vec_dot(to.normal, fm.centroid - to.centroid);
    const double spread = vec_dot(to.normal, mat_vec(fm.scatter, to.normal)) / m.count;
    return std::sqrt(std::max(0.0, spread) + offset * offset);
}

/// The labelled points as nanoflann sees them: copied side by side, so that a search reads them
/// without going through the member list.
struct LabelledCloud {
    std::vector<std::uint32_t> members; // indices into xyz
    std::vector<Vec3> points;           // xyz[members[i]]
    [[nodiscard]] std::size_t kdtree_get_point_count() const { return members.size(); }
    [[nodiscard]] double kdtree_get_pt(std::size_t i, std::size_t dim) const
    {
        return points[i][dim];
    }
    template <class Box> bool kdtree_get_bbox(Box& /*box*/) const { return false; }
};

using Tree =
    nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, LabelledCloud>,
                                        LabelledCloud, 3, std::uint32_t>;

int plane_of(double label, int plane_count)
{
    return label >= 1.0 && label <= plane_count && label == std::floor(label)
               ? static_cast<int>(label)
               : 0;
}

constexpr std::size_t check_every = 4096;

} // namespace

Status merge_planes(std::span<const Vec3> xyz, std::span<double> labels, int& plane_count,
                    std::span<const int> tri_a, std::vector<double>& tri_tag,
                    const Progress& progress)
{
    const int planes = std::max(plane_count, 0);
    const auto count = static_cast<std::size_t>(planes) + 1;
    progress(0.0, "平面の統合");

    // Moments about the middle of the cloud's bounding box, one pass.
    Vec3 low{};
    Vec3 high{};
    bool any = false;
    for (const Vec3& p : xyz) {
        for (int k = 0; k < 3; ++k) {
            low[k] = any ? std::min(low[k], p[k]) : p[k];
            high[k] = any ? std::max(high[k], p[k]) : p[k];
        }
        any = true;
    }
    const Vec3 shift = vec_scale(low + high, 0.5);
    // Deviations of exactly flat scans are rounding: allow a hair of the cloud's size.
    const double hair = 1e-9 * std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    std::vector<Moments> moments(count);
    LabelledCloud cloud;
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        const int m = plane_of(labels[i], planes);
        if (m != 0) {
            moments[static_cast<std::size_t>(m)].add(xyz[i] - shift);
            cloud.members.push_back(static_cast<std::uint32_t>(i));
            cloud.points.push_back(xyz[i]);
        }
    }

    // Neighbouring planes: a point of one among the nearest labelled points of the other.
    const double small = std::max(0.01 * static_cast<double>(xyz.size()), 30.0);
    constexpr std::size_t wide_k = 65; // for the points of small planes
    std::set<std::pair<int, int>> touching;
    constexpr std::size_t k = 17; // a point itself and its 16 nearest labelled points
    // Neighbours of each labelled point (indices into xyz), k per point, the point itself first.
    std::vector<std::uint32_t> near(cloud.members.size() * k);
    if (!cloud.members.empty()) {
        Tree tree(3, cloud, nanoflann::KDTreeSingleIndexAdaptorParams(16));
        tree.buildIndex();
        std::uint32_t found[k];
        double d2[k];
        // In the tree's order, so that one query's points are near the last one's in memory;
        // each point's answer is the same in any order.
        for (std::size_t j = 0; j < cloud.members.size(); ++j) {
            if (j % check_every == 0) {
                if (progress.stopped()) {
                    return Status::error;
                }
                progress(0.8 * static_cast<double>(j) / static_cast<double>(cloud.members.size()),
                         "隣の平面");
            }
            const std::size_t i = tree.vAcc[j];
            const Vec3& p = cloud.points[i];
            const std::size_t n = tree.knnSearch(p.data(), k, found, d2);
            const int m = plane_of(labels[cloud.members[i]], planes);
            for (std::size_t j = 0; j < k; ++j) {
                near[i * k + j] = cloud.members[found[j < n ? j : 0]];
            }
            for (std::size_t j = 0; j < n; ++j) {
                const int other = plane_of(labels[cloud.members[found[j]]], planes);
                if (other != m) {
                    touching.insert({std::min(m, other), std::max(m, other)});
                }
            }
        }
        // A small plane in a corner may have only the other faces among its points' nearest
        // labelled points, its own face's plane lying just beyond unplaced points: it looks
        // farther.
        std::vector<std::uint32_t> wide(wide_k);
        std::vector<double> wide_d2(wide_k);
        for (std::size_t i = 0; i < cloud.members.size(); ++i) {
            const int m = plane_of(labels[cloud.members[i]], planes);
            if (!(moments[static_cast<std::size_t>(m)].count < small)) {
                continue;
            }
            const std::size_t n =
                tree.knnSearch(cloud.points[i].data(), wide_k, wide.data(), wide_d2.data());
            for (std::size_t j = 0; j < n; ++j) {
                const int other = plane_of(labels[cloud.members[wide[j]]], planes);
                if (other != m) {
                    touching.insert({std::min(m, other), std::max(m, other)});
                }
            }
        }
    }
    if (progress.stopped()) {
        return Status::error;
    }
    progress(0.8, "平面の統合");

    // Union of planes: `owner` follows merges; only owners keep moments and neighbours.
    std::vector<int> owner(count);
    for (std::size_t m = 0; m < count; ++m) {
        owner[m] = static_cast<int>(m);
    }
    std::vector<std::set<int>> next_to(count);
    for (const auto& [a, b] : touching) {
        next_to[static_cast<std::size_t>(a)].insert(b);
        next_to[static_cast<std::size_t>(b)].insert(a);
    }
    std::vector<Fit> fits(count);
    std::vector<bool> alive(count, false);
    std::vector<bool> dissolved(count, false); // points given away one by one
    for (int m = 1; m <= planes; ++m) {
        const auto i = static_cast<std::size_t>(m);
        alive[i] = moments[i].count >= 3.0;
        dissolved[i] = moments[i].count > 0.0 && !alive[i];
        if (alive[i]) {
            fits[i] = fit_of(moments[i]);
        }
    }
    const auto absorb = [&](int keep, int gone) {
        const auto k = static_cast<std::size_t>(keep);
        const auto g = static_cast<std::size_t>(gone);
        moments[k].add(moments[g]);
        fits[k] = fit_of(moments[k]);
        alive[g] = false;
        owner[g] = keep;
        for (const int n : next_to[g]) {
            next_to[static_cast<std::size_t>(n)].erase(gone);
            if (n != keep) {
                next_to[static_cast<std::size_t>(n)].insert(keep);
                next_to[k].insert(n);
            }
        }
        next_to[k].erase(gone);
        next_to[k].erase(keep);
        next_to[g].clear();
    };

    // 1. Pieces of one plane, the closest pair in angle first.
    const double max_angle = deg_to_rad(3.0);
    while (true) {
        int best_a = 0;
        int best_b = 0;
        double best_angle = max_angle;
        for (int a = 1; a <= planes; ++a) {
            const auto ia = static_cast<std::size_t>(a);
            if (!alive[ia]) {
                continue;
            }
            for (const int b : next_to[ia]) {
                const auto ib = static_cast<std::size_t>(b);
                if (b < a || !alive[ib]) {
                    continue;
                }
                const Fit& fa = fits[ia];
                const Fit& fb = fits[ib];
                const double angle =
                    arc_cos(std::min(1.0, std::abs(vec_dot(fa.normal, fb.normal))));
                const double apart =
                    std::max(std::abs(vec_dot(fa.normal, fb.centroid - fa.centroid)),
                             std::abs(vec_dot(fb.normal, fa.centroid - fb.centroid)));
                if (angle < best_angle && apart < 3.0 * (fa.sd + fb.sd) + hair) {
                    best_angle = angle;
                    best_a = a;
                    best_b = b;
                }
            }
        }
        if (best_a == 0) {
            break;
        }
        const bool a_larger = moments[static_cast<std::size_t>(best_a)].count >=
                              moments[static_cast<std::size_t>(best_b)].count;
        absorb(a_larger ? best_a : best_b, a_larger ? best_b : best_a);
    }

    // 2. Small planes, smallest first: to the larger neighbour they fit best as a whole, or else
    // point by point (below).
    // A small plane whose neighbours are splinters too may fit none of them yet: it is tried
    // again once others have been absorbed (its neighbours are then the planes they joined), and
    // given up only when a whole round absorbs nothing.
    std::vector<bool> done(count, false);
    std::vector<int> waiting;
    bool absorbed = false;
    while (true) {
        int pick = 0;
        for (int m = 1; m <= planes; ++m) {
            const auto i = static_cast<std::size_t>(m);
            if (alive[i] && !done[i] && moments[i].count < small &&
                (pick == 0 || moments[i].count < moments[static_cast<std::size_t>(pick)].count)) {
                pick = m;
            }
        }
        if (pick == 0) {
            if (!absorbed) {
                break;
            }
            for (const int m : waiting) {
                done[static_cast<std::size_t>(m)] = false;
            }
            waiting.clear();
            absorbed = false;
            continue;
        }
        const auto i = static_cast<std::size_t>(pick);
        done[i] = true;
        int target = 0;
        double nearest = 0.0;
        for (const int n : next_to[i]) {
            const auto j = static_cast<std::size_t>(n);
            if (!alive[j] || !(moments[j].count > moments[i].count)) {
                continue;
            }
            const double rms = rms_from(moments[i], fits[i], fits[j]);
            if (rms <= 3.0 * fits[j].sd + hair && (target == 0 || rms < nearest)) {
                target = n;
                nearest = rms;
            }
        }
        if (target != 0) {
            absorb(target, pick);
            absorbed = true;
        } else {
            waiting.push_back(pick);
        }
    }
    for (const int m : waiting) {
        alive[static_cast<std::size_t>(m)] = false;
        dissolved[static_cast<std::size_t>(m)] = true;
    }
    const auto root = [&](int m) {
        while (owner[static_cast<std::size_t>(m)] != m) {
            m = owner[static_cast<std::size_t>(m)];
        }
        return m;
    };
    // Distance of point x from plane m (alive).
    const auto distance = [&](const Vec3& x, int m) {
        const Fit& f = fits[static_cast<std::size_t>(m)];
        return std::abs(vec_dot(f.normal, x - shift - f.centroid));
    };

    // 3. Points: those of a small plane that fitted no neighbour go to the neighbouring plane
    // they lie nearest, within 3 times its deviation, or to no plane; points beside another
    // plane go to it when they lie nearer to it than to their own.
    std::vector<double> result(labels.begin(), labels.end());
    std::vector<double> apart(count, 0.0); // points clearly off every neighbouring plane
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        const int m = plane_of(labels[i], planes);
        if (m == 0) {
            continue;
        }
        const int r = root(m);
        result[i] = r;
        if (!dissolved[static_cast<std::size_t>(r)]) {
            continue;
        }
        int best = 0;
        double nearest = 0.0;
        bool off = true;
        for (const int n : next_to[static_cast<std::size_t>(r)]) {
            const int t = root(n);
            if (!alive[static_cast<std::size_t>(t)]) {
                continue;
            }
            const double d = distance(xyz[i], t);
            const double sd = fits[static_cast<std::size_t>(t)].sd;
            off = off && d > 10.0 * sd + hair;
            if (d <= 3.0 * sd + hair && (best == 0 || d < nearest || (d == nearest && t < best))) {
                best = t;
                nearest = d;
            }
        }
        if (best != 0) {
            result[i] = best;
        }
        apart[static_cast<std::size_t>(r)] += off ? 1.0 : 0.0;
    }
    // A small plane most of whose points lie clearly off every neighbouring plane is a feature
    // of its own: it keeps the points that fit no neighbour. Otherwise those are in no plane
    // (leftovers a little beyond the noise, which a late region may have gathered from far
    // apart: a plane of four points always fits them).
    for (int m = 1; m <= planes; ++m) {
        const auto i = static_cast<std::size_t>(m);
        if (dissolved[i] && moments[i].count >= 3.0 && apart[i] >= 3.0 &&
            2.0 * apart[i] > moments[i].count) {
            dissolved[i] = false;
            alive[i] = true;
        }
    }
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        const int m = plane_of(labels[i], planes);
        if (m != 0 && result[i] == root(m) && dissolved[static_cast<std::size_t>(result[i])]) {
            result[i] = 0.0;
        }
    }

    // Point by point along the borders, until no point moves (a band of one face's points
    // taken by the next face's region goes back row by row).
    for (int sweep = 0; sweep < 50; ++sweep) {
        bool moved = false;
        for (std::size_t i = 0; i < cloud.members.size(); ++i) {
            const std::uint32_t p = cloud.members[i];
            const int own = static_cast<int>(result[p]);
            if (own == 0) {
                continue;
            }
            int best = own;
            double nearest = distance(xyz[p], own);
            for (std::size_t j = 1; j < k; ++j) {
                const int t = static_cast<int>(result[near[i * k + j]]);
                if (t >= 1 && t != best && alive[static_cast<std::size_t>(t)]) {
                    const double d = distance(xyz[p], t);
                    if (d < nearest) {
                        best = t;
                        nearest = d;
                    }
                }
            }
            if (best != own) {
                result[p] = best;
                moved = true;
            }
        }
        if (!moved) {
            break;
        }
    }

    // 4. Renumber by size, largest first.
    std::vector<double> size(count, 0.0);
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        if (plane_of(labels[i], planes) != 0 && result[i] >= 1.0) {
            size[static_cast<std::size_t>(result[i])] += 1.0;
        }
    }
    std::vector<int> kept;
    for (int m = 1; m <= planes; ++m) {
        if (size[static_cast<std::size_t>(m)] > 0.0) {
            kept.push_back(m);
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [&](int a, int b) {
        return size[static_cast<std::size_t>(a)] > size[static_cast<std::size_t>(b)];
    });
    std::vector<double> number(count, 0.0);
    for (std::size_t r = 0; r < kept.size(); ++r) {
        number[static_cast<std::size_t>(kept[r])] = static_cast<double>(r + 1);
    }
    if (progress.stopped()) {
        return Status::error;
    }
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        if (plane_of(labels[i], planes) != 0) {
            labels[i] = number[static_cast<std::size_t>(result[i])];
        }
    }
    for (std::size_t t = 0; t < tri_tag.size(); ++t) {
        const int m = plane_of(tri_tag[t], planes);
        if (m == 0) {
            continue;
        }
        const int r = root(m);
        if (alive[static_cast<std::size_t>(r)]) {
            tri_tag[t] = number[static_cast<std::size_t>(r)];
        } else if (t < tri_a.size() && tri_a[t] >= 1 &&
                   static_cast<std::size_t>(tri_a[t]) <= labels.size()) {
            tri_tag[t] = labels[static_cast<std::size_t>(tri_a[t]) - 1];
        } else {
            tri_tag[t] = 0.0;
        }
    }
    plane_count = static_cast<int>(kept.size());
    progress(1.0, "平面の統合");
    return Status::ok;
}

} // namespace tengun
