// Point numbers and front positions are 1-based: point k is xyz[k - 1], labels[k - 1].
#include "surface/mesh.h"

#include <algorithm>
#include <cassert>
#include <limits>

#include "surface/front.h"

namespace tengun {

namespace {

/// A restart seed triangle longer than this many times the one its seed position gives in the
/// whole cloud joins leftovers far apart across meshed surface: it is not formed.
constexpr double restart_reach = 3.0;

/// The fold test of a memo never changes here (the triangle inside the edge is part of the memo).
constexpr double never = std::numeric_limits<double>::infinity();

/// The new triangle (a, b, k) folds against the triangle (a, b, o) by at most `max_fold`.
bool gentle_fold(std::span<const Vec3> xyz, int a, int b, int o, int k, const AngleLimit& max_fold)
{
    TrianglePlane inner;
    TrianglePlane added;
    if (triangle_plane(xyz, a, b, o, inner) == Status::error ||
        triangle_plane(xyz, a, b, k, added) == Status::error) {
        return false; // a line has no plane to fold against
    }
    return !max_fold.folded_beyond(inner.normal, added.normal);
}

void add_triangle(int a, int b, int c, std::vector<int>& tri_a, std::vector<int>& tri_b,
                  std::vector<int>& tri_c)
{
    tri_a.push_back(a);
    tri_b.push_back(b);
    tri_c.push_back(c);
}

/// The seed of the next patch: free points in ascending order from `next_seed` are tried as the
/// seed position, each once, until one gives a seed triangle that has a plane and is at most
/// `restart_reach` times as long as the seed triangle the same position gives in the whole
/// cloud. False when none does or fewer than 3 points are free.
bool next_patch_seed(std::span<const Vec3> xyz, std::span<const double> labels,
                     std::size_t free_points, FrontCandidateFinder& finder, int& next_seed,
                     SeedTriangle& seed)
{
    const int n = static_cast<int>(xyz.size());
    TrianglePlane plane;
    for (; free_points >= 3 && next_seed <= n; ++next_seed) {
        if (labels[static_cast<std::size_t>(next_seed) - 1] != 0.0) {
            continue;
        }
        seed = finder.seed(labels, next_seed);
        if (triangle_plane(xyz, seed.a, seed.b, seed.c, plane) == Status::ok &&
            !(seed.limit > restart_reach * finder.whole_cloud_seed(next_seed).limit)) {
            ++next_seed;
            return true;
        }
    }
    return false;
}

constexpr long report_every = 4096;

} // namespace

Status mesh_point_cloud(std::span<const Vec3> xyz, std::span<double> labels_out,
                        std::vector<int>& tri_a_out, std::vector<int>& tri_b_out,
                        std::vector<int>& tri_c_out, std::vector<double>& tri_tag,
                        const Progress& progress, CandidateSearch search)
{
    assert(labels_out.size() == xyz.size() && "one label per point");
    if (progress.stopped()) {
        return Status::error;
    }
    if (xyz.size() < 3) {
        std::fill(labels_out.begin(), labels_out.end(), 0.0);
        return Status::ok;
    }
    // Work on copies: a stopped run leaves the caller's arrays as they were.
    std::vector<double> labels(xyz.size(), 0.0);
    std::vector<int> tri_a;
    std::vector<int> tri_b;
    std::vector<int> tri_c;
    const auto label = [&](int k) -> double& { return labels[static_cast<std::size_t>(k) - 1]; };
    const int n = static_cast<int>(xyz.size());
    // Free points counted as they are used: a recount per step would make every step cost N.
    std::size_t free_points = xyz.size();
    FrontCandidateFinder finder(xyz, search);
    const AngleLimit max_fold(deg_to_rad(45.0));
    long steps = 0;

    SeedTriangle seed = finder.seed(labels, n / 2);
    int next_seed = 1; // no point below it can seed a patch
    while (true) {     // one patch per turn
        add_triangle(seed.a, seed.b, seed.c, tri_a, tri_b, tri_c);
        for (const int v : {seed.a, seed.b, seed.c}) {
            label(v) = 1.0;
            finder.take(v);
        }
        free_points -= 3;

        Front front = first_front(seed.a, seed.b, seed.c);
        FrontWalk walk = front_start(front);
        int failures = 0;      // rejected edges in a row
        int streak_start = -1; // the first of them
        while (free_points >= 1) {
            if (++steps % report_every == 0) {
                if (progress.stopped()) {
                    return Status::error;
                }
                progress(1.0 - static_cast<double>(free_points) / static_cast<double>(n), "面張り");
            }
            const int a = front.at(walk.i);
            const int b = front.at(walk.next);
            const int o = front.opposite[static_cast<std::size_t>(walk.i)];
            // The front points beside the edge may close a corner: they count as free.
            const int p = front.at(walk.prev);
            const int q = front.at(walk.next2);
            EdgeMemo& memo = front.memo[static_cast<std::size_t>(walk.i)];
            // The fold test of a memo's k never changes here: it fails again.
            const auto is_free = [&](int v) { return finder.is_free(v); };
            bool rejected = memo_answer(memo, a, b, o, p, q, is_free) != unknown_answer;
            int k = 0;
            if (!rejected) {
                const Nearest found = finder.find(labels, a, b, o, p, q, seed.limit);
                k = found.index;
                EdgeMemo::Kind why = EdgeMemo::Kind::empty;
                if (k == 0) {
                    why = EdgeMemo::Kind::none;
                } else if (found.distance > seed.limit) {
                    why = EdgeMemo::Kind::too_far;
                } else if (!gentle_fold(xyz, a, b, o, k, max_fold)) {
                    why = EdgeMemo::Kind::fold;
                }
                rejected = why != EdgeMemo::Kind::empty;
                if (rejected) {
                    memo = {why, a, b, o, p, q, k, 0};
                }
            }
            if (rejected) {
                // The front stays as it is while edges fail, so more failures in a row than it
                // has edges means the first of them has failed again.
                if (failures > 0 && walk.i == streak_start) {
                    break;
                }
                if (failures++ == 0) {
                    streak_start = walk.i;
                }
                walk.i = pass_failed_edge(front, walk.i, streak_start, never);
            } else {
                if (label(k) == 0.0) {
                    --free_points;
                    finder.take(k);
                    front.taken(k);
                }
                label(k) = 1.0;
                failures = 0;
                add_triangle(a, b, k, tri_a, tri_b, tri_c);
                front.wake_around(walk.i);
                advance_after_accept(k, front, walk);
            }
            walk = front_neighbours(front, walk.i);
        }
        if (!next_patch_seed(xyz, labels, free_points, finder, next_seed, seed)) {
            break;
        }
    }
    if (progress.stopped()) {
        return Status::error;
    }
    std::copy(labels.begin(), labels.end(), labels_out.begin());
    tri_a_out = std::move(tri_a);
    tri_b_out = std::move(tri_b);
    tri_c_out = std::move(tri_c);
    tri_tag.assign(tri_a_out.size(), 0.0);
    progress(1.0, "面張り");
    return Status::ok;
}

void mesh_point_cloud(std::span<const Vec3> xyz, std::span<double> labels, std::vector<int>& tri_a,
                      std::vector<int>& tri_b, std::vector<int>& tri_c,
                      std::vector<double>& tri_tag, CandidateSearch search)
{
    (void)mesh_point_cloud(xyz, labels, tri_a, tri_b, tri_c, tri_tag, Progress{}, search);
}

} // namespace tengun
