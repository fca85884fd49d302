#pragma once
// The search for the new vertex of a front edge, the inner loop of the advancing-front mesh and
// the plane extraction. Two ways, with the same outcome for the mesh: a scan of every point, and
// a k-d tree over the free points that looks only within the distance limit the mesh accepts.
// Point numbers are 1-based (point k is xyz[k - 1]); see mesh_routines.h.

#include <optional>
#include <span>
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

/// A k-d tree over the points (which it borrows: they must outlive it and not change) that
/// keeps its own set of free points, all of them at first, and per subtree how many are still
/// free, so that searches pass over used parts of the cloud at once. take(k) removes point k for
/// good. Clouds with a coordinate that is not finite are searched by plain scans.
class FrontCandidateIndex {
public:
    explicit FrontCandidateIndex(std::span<const Vec3> xyz);

    /// Point k is no longer free (taking it twice does nothing).
    void take(int k);
    [[nodiscard]] bool is_free(int k) const { return !taken_[static_cast<std::size_t>(k) - 1]; }

    /// best_front_candidate over the index's free points and the points `also1` and `also2` (0
    /// for none). Equals the plain scan with those labels whenever its answer lies within
    /// `limit` of the midpoint; otherwise it is that same answer or {0, sqrt(huge_value)}, which
    /// the mesh rejects alike, as it rejects every candidate farther than the limit.
    Nearest best(int a, int b, int o, double limit, int also1 = 0, int also2 = 0);

    /// nearest_free_point over the index's free points: the one nearest `at` other than skip1 and
    /// skip2, of equal distances the lower number; always the plain scan's answer.
    Nearest nearest_free(const Vec3& at, int skip1, int skip2);

    /// The point nearest `at` other than skip1 and skip2 among all points, free or not (as
    /// nearest_free_point with every label 0); of equal distances the lower number.
    Nearest nearest_point(const Vec3& at, int skip1, int skip2);

private:
    struct Node {
        Vec3 low{}; // bounding box of the node's points
        Vec3 high{};
        int begin = 0; // slots of a leaf; children of an inner node
        int end = 0;
        int free = 0; // free points of the subtree; a leaf's free points fill its first slots
        int parent = -1;
        int left = -1; // -1 for a leaf
        int right = -1;
    };
    /// The region of space a node's points were split into: the sides its ancestors' splits
    /// set, unbounded where none did. Every other point lies outside it or on its side.
    struct Cell {
        Vec3 low{};
        Vec3 high{};
    };
    int build(int begin, int end, int parent, const Cell& cell);
    /// Box distance of `at` from node n, summed like squared_distance so that it never exceeds
    /// the computed distance of a point inside.
    [[nodiscard]] static double box_distance(const Vec3& at, const Node& n)
    {
        double d[3];
        for (int k = 0; k < 3; ++k) {
            d[k] = at[k] < n.low[k] ? at[k] - n.low[k]
                                    : (at[k] > n.high[k] ? at[k] - n.high[k] : 0.0);
        }
        return d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    }
    /// Visits the free points (every point with `every`) of each subtree under `root` that may
    /// hold one within the bound, nearer subtrees first; `consider(k, d2)` may lower the bound,
    /// which `bound()` returns.
    template <class Consider, class Bound>
    void search(int root, const Vec3& at, bool every, Consider consider, Bound bound);
    /// search over the free points, starting at the leaf of point `near` (one close to `at`) and
    /// climbing: each ancestor's other subtree, until a subtree's cell holds the whole ball of the
    /// bound, so no point outside it can be within the bound. A search near the front ends a few
    /// levels up instead of coming down from the root.
    template <class Consider, class Bound>
    void search_near(int near, const Vec3& at, Consider consider, Bound bound);
    /// Every point outside the cell lies farther from `at` than the bound: the cell holds the
    /// ball.
    [[nodiscard]] static bool holds_ball(const Vec3& at, double bound, const Cell& cell)
    {
        // A point outside the cell lies beyond one of its sides or on it (a tie at a split);
        // either way one of its coordinate differences is at least the gap from `at` to that
        // side, and its summed squares (squared_distance) at least that gap squared, as rounded
        // here.
        for (int k = 0; k < 3; ++k) {
            const double below = at[k] - cell.low[k];
            const double above = cell.high[k] - at[k];
            if (!(below > 0.0 && above > 0.0 && below * below > bound && above * above > bound)) {
                return false;
            }
        }
        return true;
    }

    std::span<const Vec3> xyz_;
    bool plain_scan_ = false;
    std::vector<char> taken_; // by point
    std::vector<Vec3> pos_;   // coordinates by slot: a leaf's points lie side by side
    std::vector<int> id_;     // point number by slot
    std::vector<int> slot_;   // slot by point
    std::vector<int> leaf_;   // leaf node by point
    std::vector<Node> nodes_;
    std::vector<Cell> cells_; // by node
    std::vector<std::pair<int, double>> stack_; // (node, box distance) of one search
    struct Slot {
        Vec3 p;
        int k;
    };
    std::vector<Slot> build_order_; // while the tree is built
};

enum class CandidateSearch { linear, indexed };

/// The one place the mesh loops ask for a candidate: the plain scan of the labels, or the k-d
/// tree, which must hear of every point that leaves the free set (take).
class FrontCandidateFinder {
public:
    FrontCandidateFinder(std::span<const Vec3> xyz, CandidateSearch search);

    /// Point k's label has left 0 (it is a vertex now).
    void take(int k)
    {
        taken_[static_cast<std::size_t>(k) - 1] = 1;
        if (index_) {
            index_->take(k);
        }
    }
    /// Point k has not been taken: its label is 0. (A byte per point: quicker to look up than
    /// the labels.)
    [[nodiscard]] bool is_free(int k) const { return !taken_[static_cast<std::size_t>(k) - 1]; }

    /// The new vertex of the edge a -> b (inner vertex o), with the front points p and q beside
    /// the edge counted as free (the algorithm frees them for the search: a new triangle may
    /// close the corner there). `labels` are as they were again on return.
    Nearest find(std::span<double> labels, int a, int b, int o, int p, int q, double limit);

    /// seed_triangle, with its nearest-point searches through the index.
    SeedTriangle seed(std::span<const double> labels, int s);

    /// The seed triangle that position s gives in the whole cloud, every point counted free.
    SeedTriangle whole_cloud_seed(int s);

private:
    std::span<const Vec3> xyz_;
    std::vector<double> unlabelled_; // all 0, for the plain scan's whole-cloud seeds
    std::vector<char> taken_;
    std::optional<FrontCandidateIndex> index_; // only for the indexed search
};

} // namespace tengun
