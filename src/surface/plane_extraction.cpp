// Point numbers and front positions are 1-based: point k is xyz[k - 1], labels[k - 1].
#include "surface/plane_extraction.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <optional>

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

constexpr long report_every = 4096;

constexpr double never = std::numeric_limits<double>::infinity();

/// What the rounding of a fold angle near the limit may be, many times over.
constexpr double rounding = 1e-9;

/// At least the angle between the lines of two unit normals (the plane's turn), computed so that
/// small angles keep their digits, and rounded up.
double turn_bound(const Vec3& from, const Vec3& to)
{
    const double apart = std::min(vec_length(to - from), vec_length(to + from));
    return 2.0 * std::asin(std::min(1.0, 0.5 * apart)) * (1.0 + 1e-6) + 1e-12;
}

/// The extraction itself, on the caller's copies; 0 planes and Status::error when stopped.
Status extract(std::span<const Vec3> xyz, std::vector<double>& labels, std::vector<int>& tri_a,
               std::vector<int>& tri_b, std::vector<int>& tri_c, std::vector<double>& tri_tag,
               int& planes, const Progress& progress, CandidateSearch search)
{
    Triangles triangles{tri_a, tri_b, tri_c, tri_tag};
    long steps = 0;
    long version = 0; // of the reference plane, for the memos of failed edges
    triangles.truncate(0);
    const auto label = [&](int k) -> double& { return labels[static_cast<std::size_t>(k) - 1]; };

    const AngleLimit fold_limit(deg_to_rad(10.0));
    const double max_fold = fold_limit.angle;
    FrontCandidateFinder finder(xyz, search);
    std::size_t free_points = xyz.size(); // counted as they are used, not recounted per step
    int m = 1;
    std::size_t region_start = 0;
    int discarded = 0;
    int seed_position = static_cast<int>(xyz.size() / 4);
    std::vector<int> members;
    // The region's plane from exact sums: a refit adds the region's new points and gives the
    // digits a fit over all of its points would give, in any order.
    std::optional<ExactPlaneSums> sums;

    const auto finish = [&](int count) {
        planes = count;
        return Status::ok;
    };
    while (true) { // one region per turn
        if (free_points < 3) {
            return finish(m - 1);
        }
        const SeedTriangle seed = finder.seed(labels, seed_position);
        const auto plane_label = static_cast<double>(m);
        triangles.add(seed.a, seed.b, seed.c, m);
        members = {seed.a, seed.b, seed.c};
        sums.emplace(xyz[static_cast<std::size_t>(seed.a) - 1]);
        for (const int p : members) {
            label(p) = plane_label;
            finder.take(p);
            sums->add(xyz[static_cast<std::size_t>(p) - 1]);
        }
        free_points -= 3;
        Front front = first_front(seed.a, seed.b, seed.c);
        ReferencePlane reference;
        TrianglePlane seed_plane;
        if (triangle_plane(xyz, seed.a, seed.b, seed.c, seed_plane) == Status::ok) {
            reference = {true, seed_plane.normal};
        }
        ++version;
        FrontWalk walk = front_start(front);
        int failures = 0;      // rejected edges in a row
        int streak_start = -1; // the first of them

        bool region_done = false;
        while (!region_done) {
            if (free_points < 1) {
                return finish(m);
            }
            if (++steps % report_every == 0) {
                if (progress.stopped()) {
                    return Status::error;
                }
                progress(1.0 - static_cast<double>(free_points) / static_cast<double>(xyz.size()),
                         "多平面抽出");
            }
            const int a = front.at(walk.i);
            const int b = front.at(walk.next);
            const int o = front.opposite[static_cast<std::size_t>(walk.i)];
            const int p = front.at(walk.prev);
            const int q = front.at(walk.next2);
            EdgeMemo& memo = front.memo[static_cast<std::size_t>(walk.i)];
            const auto is_free = [&](int v) { return finder.is_free(v); };
            const int known = memo_answer(memo, a, b, o, p, q, is_free);
            bool rejected = known == 0 || (known > 0 && memo.version == version);
            int k = known;
            double fold_turn = never; // for a fold failure: the plane's turn that may undo it
            if (!rejected) {
                EdgeMemo::Kind why = EdgeMemo::Kind::empty;
                if (known == unknown_answer) {
                    // A search; otherwise it would give the memo's k again, within the limit.
                    const Nearest found = finder.find(labels, a, b, o, p, q, seed.limit);
                    k = found.index;
                    why = k == 0 ? EdgeMemo::Kind::none
                                 : (found.distance > seed.limit ? EdgeMemo::Kind::too_far
                                                                : EdgeMemo::Kind::empty);
                }
                // The new triangle's plane; a memo of k keeps it for the test after a refit.
                bool has_plane = known > 0 && memo.plane;
                Vec3 added = known > 0 ? memo.normal : Vec3{};
                if (why == EdgeMemo::Kind::empty && known == unknown_answer) {
                    TrianglePlane plane;
                    has_plane = triangle_plane(xyz, a, b, k, plane) == Status::ok;
                    added = plane.normal;
                }
                if (why == EdgeMemo::Kind::empty) {
                    if (!reference.known || !has_plane) {
                        why = EdgeMemo::Kind::fold;
                        // A line never passes; an unknown plane may be known after a refit.
                        fold_turn = has_plane ? front.turned : never;
                    } else {
                        const double fold = fold_limit.may_fold_beyond(reference.normal, added)
                                                ? fold_angle(reference.normal, added)
                                                : 0.0;
                        if (fold > max_fold) {
                            why = EdgeMemo::Kind::fold;
                            fold_turn = front.turned + (fold - max_fold) - rounding;
                        }
                    }
                }
                rejected = why != EdgeMemo::Kind::empty;
                if (rejected) {
                    memo = {why, a, b, o, p, q, k, version, has_plane, added};
                }
            } else if (known > 0) {
                // Parked again at once: until the plane has turned past the margin left at the
                // last test (the memo keeps no margin, so the next refit wakes it).
                fold_turn = front.turned;
            }
            if (rejected) {
                // The front stays as it is while edges fail, so more failures in a row than it
                // has edges means the first of them has failed again.
                if (failures > 0 && walk.i == streak_start) {
                    seed_position = front.at(front_node_at(front, front.length / 2));
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
                            return finish(m - 1);
                        }
                    }
                    region_start = triangles.count();
                    region_done = true;
                    continue;
                }
                if (failures++ == 0) {
                    streak_start = walk.i;
                }
                walk.i = pass_failed_edge(front, walk.i, streak_start, fold_turn);
            } else {
                if (label(k) == 0.0) {
                    --free_points;
                    finder.take(k);
                    front.taken(k);
                    members.push_back(k);
                    sums->add(xyz[static_cast<std::size_t>(k) - 1]);
                }
                label(k) = plane_label;
                failures = 0;
                triangles.add(a, b, k, m);
                front.wake_around(walk.i);
                advance_after_accept(k, front, walk);
            }
            walk = front_neighbours(front, walk.i);
            if (walk.i == front.head) { // the walk is back at position 1
                Vec3 normal{};
                double offset = 0.0;
                if (sums->fit(normal, offset) == Status::ok) {
                    front.turn(reference.known ? turn_bound(reference.normal, normal) : never);
                    reference = {true, normal};
                }
                ++version;
            }
        }
    }
}

} // namespace

Status extract_planes(std::span<const Vec3> xyz, std::span<double> labels_out,
                      std::vector<int>& tri_a, std::vector<int>& tri_b, std::vector<int>& tri_c,
                      std::vector<double>& tri_tag, int& plane_count, const Progress& progress,
                      CandidateSearch search)
{
    assert(labels_out.size() == xyz.size() && "one label per point");
    if (progress.stopped()) {
        return Status::error;
    }
    std::vector<double> labels(xyz.size(), 0.0);
    std::vector<int> a;
    std::vector<int> b;
    std::vector<int> c;
    std::vector<double> tag;
    int planes = 0;
    if (extract(xyz, labels, a, b, c, tag, planes, progress, search) == Status::error ||
        progress.stopped()) {
        return Status::error;
    }
    std::copy(labels.begin(), labels.end(), labels_out.begin());
    tri_a = std::move(a);
    tri_b = std::move(b);
    tri_c = std::move(c);
    tri_tag = std::move(tag);
    plane_count = planes;
    progress(1.0, "多平面抽出");
    return Status::ok;
}

int extract_planes(std::span<const Vec3> xyz, std::span<double> labels, std::vector<int>& tri_a,
                   std::vector<int>& tri_b, std::vector<int>& tri_c, std::vector<double>& tri_tag,
                   CandidateSearch search)
{
    int planes = 0;
    (void)extract_planes(xyz, labels, tri_a, tri_b, tri_c, tri_tag, planes, Progress{}, search);
    return planes;
}

} // namespace tengun
