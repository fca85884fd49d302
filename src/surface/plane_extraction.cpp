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

constexpr long report_every = 4096;

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

    const double max_fold = deg_to_rad(10.0);
    FrontCandidateFinder finder(xyz, search);
    std::size_t free_points = xyz.size(); // counted as they are used, not recounted per step
    int m = 1;
    std::size_t region_start = 0;
    int discarded = 0;
    int seed_position = static_cast<int>(xyz.size() / 4);
    std::vector<int> members;
    std::vector<int> sorted; // 0-based indices of members[0..merged) in ascending order
    std::size_t merged = 0;

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
        sorted.clear();
        merged = 0;
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
        ++version;
        FrontWalk walk;
        int failures = 0;

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
            const auto at = [&](int p) { return front.point[static_cast<std::size_t>(p)]; };
            const int a = at(walk.i);
            const int b = at(walk.next);
            const int o = front.opposite[static_cast<std::size_t>(walk.i)];
            const int p = at(walk.prev);
            const int q = at(walk.next2);
            EdgeMemo& memo = front.memo[static_cast<std::size_t>(walk.i)];
            bool rejected = fails_again(memo, a, b, o, p, q, version, labels);
            int k = 0;
            if (!rejected) {
                label(p) = 0.0;
                label(q) = 0.0;
                const Nearest found = finder.find(labels, a, b, o, seed.limit);
                label(p) = plane_label;
                label(q) = plane_label;
                k = found.index;
                EdgeMemo::Kind why = EdgeMemo::Kind::empty;
                if (k == 0) {
                    why = EdgeMemo::Kind::none;
                } else if (found.distance > seed.limit) {
                    why = EdgeMemo::Kind::too_far;
                } else if (!within_fold(xyz, reference, a, b, k, max_fold)) {
                    why = EdgeMemo::Kind::fold;
                }
                rejected = why != EdgeMemo::Kind::empty;
                if (rejected) {
                    memo = {why, a, b, o, p, q, k, version};
                }
            }
            if (rejected) {
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
                            return finish(m - 1);
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
                // The region's points in ascending order, as fit_plane_labelled would sum them,
                // without scanning the whole cloud: the new ones merged into the sorted rest.
                const auto added = static_cast<std::ptrdiff_t>(sorted.size());
                for (std::size_t j = merged; j < members.size(); ++j) {
                    sorted.push_back(members[j] - 1);
                }
                merged = members.size();
                std::sort(sorted.begin() + added, sorted.end());
                std::inplace_merge(sorted.begin(), sorted.begin() + added, sorted.end());
                if (fit_plane_indexed(xyz, sorted, 3, normal, offset) == Status::ok) {
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
