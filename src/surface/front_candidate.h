#pragma once
// The search for the new vertex of a front edge, the inner loop of the advancing-front mesh and
// the plane extraction. Two ways, with the same outcome for the mesh: a scan of every point, and
// a grid over the cloud that looks only within the distance limit the mesh accepts.
// Point numbers are 1-based (point k is xyz[k - 1]); see mesh_routines.h.

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "surface/mesh_routines.h"

namespace tengun {

/// The new vertex for the front edge a -> b whose inner triangle has the third vertex o: of the
/// free points (label 0) on the far side of the edge that see it under more than 20 degrees
/// (EdgeTest::qualifies), the one nearest the edge's midpoint M; of equal distances the lower
/// point number. Scans all N points. Distance = |M - P(index)|; {0, sqrt(huge_value)} when no
/// point qualifies.
Nearest best_front_candidate(std::span<const Vec3> xyz, std::span<const double> labels, int a,
                             int b, int o);

/// A uniform grid of cells over the points (which it borrows: they must outlive it and not
/// change). best() equals best_front_candidate whenever that answer lies within `limit` of the
/// midpoint; otherwise it is that same answer or {0, sqrt(huge_value)}, which the mesh rejects
/// alike, as it rejects every candidate farther than the limit. Clouds with a coordinate that is
/// not finite are searched by the plain scan.
class FrontCandidateIndex {
public:
    /// `cell` is the edge length of a grid cell: a length near the distance limit keeps the
    /// searches short; any positive value gives the same answers.
    FrontCandidateIndex(std::span<const Vec3> xyz, double cell);

    Nearest best(std::span<const double> labels, int a, int b, int o, double limit);

    /// nearest_free_point: the free point nearest `at` other than skip1 and skip2, of equal
    /// distances the lower number; the same answer as the plain scan, found ring by ring of
    /// cells around `at` (the plain scan when the rings would cover more cells than hold points).
    Nearest nearest_free(std::span<const double> labels, const Vec3& at, int skip1, int skip2);

private:
    struct Range {
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
    };
    void cell_of(const Vec3& p, std::int64_t (&c)[3]) const;
    void gather(std::span<const double> labels, const Vec3& m, double reach);

    std::span<const Vec3> xyz_;
    bool plain_scan_ = false;
    Vec3 origin_{};
    double cell_ = 1.0;
    std::int64_t cells_per_axis_ = 1;
    std::vector<int> sorted_; // point numbers grouped by cell
    std::unordered_map<std::uint64_t, Range> cells_;
    std::vector<std::pair<double, int>> found_; // (squared distance, point) of one search
};

enum class CandidateSearch { linear, indexed };

/// The one place the mesh loops ask for a candidate: the plain scan, or the grid built on first
/// use with cells as long as the limit of that call.
class FrontCandidateFinder {
public:
    FrontCandidateFinder(std::span<const Vec3> xyz, CandidateSearch search)
        : xyz_(xyz), search_(search)
    {
    }
    Nearest find(std::span<const double> labels, int a, int b, int o, double limit);

    /// seed_triangle, with its nearest-point searches through the index once it is built.
    SeedTriangle seed(std::span<const double> labels, int s);

private:
    std::span<const Vec3> xyz_;
    CandidateSearch search_;
    std::optional<FrontCandidateIndex> index_; // built by the first indexed search
};

} // namespace tengun
