// Point numbers are 1-based (point k is xyz[k - 1]); tree nodes and slots are 0-based.
#include "surface/front_candidate.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace tengun {

namespace {

Nearest nothing()
{
    return {0, std::sqrt(huge_value)};
}

/// The plain scan over the points `is_free` admits.
template <class IsFree>
Nearest scan_best(std::span<const Vec3> xyz, const EdgeTest& test, IsFree is_free)
{
    double best = huge_value;
    int index = 0;
    const int n = static_cast<int>(xyz.size());
    for (int k = 1; k <= n; ++k) {
        if (!is_free(k)) {
            continue;
        }
        // Both conditions must hold; the cheap one first.
        const double d2 = squared_distance(test.midpoint(), xyz[static_cast<std::size_t>(k) - 1]);
        if (d2 < best && test.qualifies(k)) {
            best = d2;
            index = k;
        }
    }
    return {index, std::sqrt(best)};
}

/// Points per leaf: small leaves keep the qualification tests few, large ones the tree shallow.
constexpr int leaf_size = 16;

} // namespace

Nearest best_front_candidate(std::span<const Vec3> xyz, std::span<const double> labels, int a,
                             int b, int o)
{
    return scan_best(xyz, EdgeTest(xyz, a, b, o),
                     [&](int k) { return labels[static_cast<std::size_t>(k) - 1] == 0.0; });
}

FrontCandidateIndex::FrontCandidateIndex(std::span<const Vec3> xyz)
    : xyz_(xyz), taken_(xyz.size(), 0)
{
    for (const Vec3& p : xyz) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            plain_scan_ = true;
            return;
        }
    }
    if (xyz.empty()) {
        plain_scan_ = true;
        return;
    }
    id_.resize(xyz.size());
    pos_.resize(xyz.size());
    build_order_.resize(xyz.size());
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        build_order_[i] = {xyz[i], static_cast<int>(i) + 1};
    }
    nodes_.reserve(2 * (xyz.size() / leaf_size + 1));
    constexpr double unbounded = std::numeric_limits<double>::infinity();
    const Cell space{{-unbounded, -unbounded, -unbounded}, {unbounded, unbounded, unbounded}};
    cells_.reserve(nodes_.capacity());
    build(0, static_cast<int>(xyz.size()), -1, space);
    // The slots in the order the splits left them.
    for (std::size_t s = 0; s < build_order_.size(); ++s) {
        pos_[s] = build_order_[s].p;
        id_[s] = build_order_[s].k;
    }
    build_order_ = {};
    slot_.resize(xyz.size());
    leaf_.resize(xyz.size());
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        const Node& node = nodes_[n];
        if (node.left < 0) {
            for (int s = node.begin; s < node.end; ++s) {
                const auto k = static_cast<std::size_t>(id_[static_cast<std::size_t>(s)]) - 1;
                slot_[k] = s;
                leaf_[k] = static_cast<int>(n);
            }
        }
    }
}

void FrontCandidateIndex::take(int k)
{
    const auto point = static_cast<std::size_t>(k) - 1;
    if (taken_[point]) {
        return;
    }
    taken_[point] = 1;
    if (plain_scan_) {
        return;
    }
    // Swap the point behind the leaf's free slots, and count it out up to the root.
    const int leaf = leaf_[point];
    Node& n = nodes_[static_cast<std::size_t>(leaf)];
    const int last = n.begin + n.free - 1;
    const int slot = slot_[point];
    const int other = id_[static_cast<std::size_t>(last)];
    std::swap(pos_[static_cast<std::size_t>(slot)], pos_[static_cast<std::size_t>(last)]);
    std::swap(id_[static_cast<std::size_t>(slot)], id_[static_cast<std::size_t>(last)]);
    slot_[static_cast<std::size_t>(other) - 1] = slot;
    slot_[point] = last;
    for (int m = leaf; m >= 0; m = nodes_[static_cast<std::size_t>(m)].parent) {
        --nodes_[static_cast<std::size_t>(m)].free;
    }
}

int FrontCandidateIndex::build(int begin, int end, int parent, const Cell& cell)
{
    const int n = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
    cells_.push_back(cell);
    Node node;
    node.begin = begin;
    node.end = end;
    node.free = end - begin;
    node.parent = parent;
    node.low = build_order_[static_cast<std::size_t>(begin)].p;
    node.high = node.low;
    for (int s = begin + 1; s < end; ++s) {
        const Vec3& p = build_order_[static_cast<std::size_t>(s)].p;
        for (int k = 0; k < 3; ++k) {
            node.low[k] = std::min(node.low[k], p[k]);
            node.high[k] = std::max(node.high[k], p[k]);
        }
    }
    if (end - begin > leaf_size) {
        int axis = 0;
        for (int k = 1; k < 3; ++k) {
            if (node.high[k] - node.low[k] > node.high[axis] - node.low[axis]) {
                axis = k;
            }
        }
        // Median split of the slots along the widest axis, in place: coordinates and numbers
        // move together.
        const auto first = build_order_.begin() + begin;
        std::nth_element(first, first + (end - begin) / 2, build_order_.begin() + end,
                         [axis](const Slot& x, const Slot& y) {
                             return x.p[axis] < y.p[axis] || (x.p[axis] == y.p[axis] && x.k < y.k);
                         });
        const int split = begin + (end - begin) / 2;
        // The median point goes right; the points left of it are at or below its coordinate,
        // those right of it at or above.
        const double at = build_order_[static_cast<std::size_t>(split)].p[axis];
        Cell below = cell;
        Cell above = cell;
        below.high[axis] = at;
        above.low[axis] = at;
        node.left = build(begin, split, n, below);
        node.right = build(split, end, n, above);
    }
    nodes_[static_cast<std::size_t>(n)] = node;
    return n;
}

template <class Consider, class Bound>
void FrontCandidateIndex::search(int root, const Vec3& at, bool every, Consider consider,
                                 Bound bound)
{
    const auto live = [&](const Node& node) { return every ? node.end - node.begin : node.free; };
    stack_.clear();
    stack_.emplace_back(root, box_distance(at, nodes_[static_cast<std::size_t>(root)]));
    while (!stack_.empty()) {
        const auto [n, distance] = stack_.back();
        stack_.pop_back();
        const Node& node = nodes_[static_cast<std::size_t>(n)];
        if (live(node) == 0 || distance > bound()) {
            continue;
        }
        if (node.left < 0) {
            const int end = node.begin + live(node);
            for (int s = node.begin; s < end; ++s) {
                consider(id_[static_cast<std::size_t>(s)],
                         squared_distance(at, pos_[static_cast<std::size_t>(s)]));
            }
            continue;
        }
        const Node& left = nodes_[static_cast<std::size_t>(node.left)];
        const Node& right = nodes_[static_cast<std::size_t>(node.right)];
        const double dl = live(left) > 0 ? box_distance(at, left) : huge_value;
        const double dr = live(right) > 0 ? box_distance(at, right) : huge_value;
        // The nearer child goes on top, so it is searched first.
        const bool left_first = dl <= dr;
        const std::pair<int, double> near{left_first ? node.left : node.right,
                                          left_first ? dl : dr};
        const std::pair<int, double> far{left_first ? node.right : node.left, left_first ? dr : dl};
        if (far.second <= bound()) {
            stack_.push_back(far);
        }
        if (near.second <= bound()) {
            stack_.push_back(near);
        }
    }
}

template <class Consider, class Bound>
void FrontCandidateIndex::search_near(int near, const Vec3& at, Consider consider, Bound bound)
{
    int n = leaf_[static_cast<std::size_t>(near) - 1];
    search(n, at, false, consider, bound);
    while (true) {
        const Node& node = nodes_[static_cast<std::size_t>(n)];
        if (node.parent < 0 || holds_ball(at, bound(), cells_[static_cast<std::size_t>(n)])) {
            return;
        }
        const Node& parent = nodes_[static_cast<std::size_t>(node.parent)];
        const int other = parent.left == n ? parent.right : parent.left;
        const Node& sibling = nodes_[static_cast<std::size_t>(other)];
        if (sibling.free > 0 && box_distance(at, sibling) <= bound()) {
            search(other, at, false, consider, bound);
        }
        n = node.parent;
    }
}

Nearest FrontCandidateIndex::best(int a, int b, int o, double limit, int also1, int also2)
{
    const EdgeTest test(xyz_, a, b, o);
    // A slightly longer reach, so that rounding in sqrt(d2) <= limit never loses a candidate.
    const double reach = limit * (1.0 + 1e-9);
    if (plain_scan_ || !(limit >= 0.0) || !std::isfinite(reach * reach)) {
        return scan_best(xyz_, test, [&](int k) { return is_free(k) || k == also1 || k == also2; });
    }
    // The least (distance, number) of the qualifying points within the reach.
    double bound = reach * reach;
    int index = 0;
    const auto consider = [&](int k, double d2) {
        if ((d2 < bound || (d2 == bound && (index == 0 || k < index))) && test.qualifies(k)) {
            bound = d2;
            index = k;
        }
    };
    const Vec3& m = test.midpoint();
    for (const int k : {also1, also2}) {
        if (k != 0) {
            consider(k, squared_distance(m, xyz_[static_cast<std::size_t>(k) - 1]));
        }
    }
    // The answer is the least (distance, number) of the qualifying points whatever the order of
    // the visits, so the search may start beside the edge.
    search_near(a, m, consider, [&] { return bound; });
    return index == 0 ? nothing() : Nearest{index, std::sqrt(bound)};
}

Nearest FrontCandidateIndex::nearest_free(const Vec3& at, int skip1, int skip2)
{
    double best = huge_value;
    int index = 0;
    const auto consider = [&](int k, double d2) {
        if (k != skip1 && k != skip2 && (d2 < best || (d2 == best && index != 0 && k < index))) {
            best = d2;
            index = k;
        }
    };
    if (plain_scan_ || !std::isfinite(at[0]) || !std::isfinite(at[1]) || !std::isfinite(at[2])) {
        // In ascending order, as the plain scan: the rule above then keeps the first of ties.
        for (int k = 1; k <= static_cast<int>(xyz_.size()); ++k) {
            if (is_free(k)) {
                consider(k, squared_distance(at, xyz_[static_cast<std::size_t>(k) - 1]));
            }
        }
    } else {
        search(0, at, false, consider, [&] { return best; });
    }
    return {index, std::sqrt(best)};
}

Nearest FrontCandidateIndex::nearest_point(const Vec3& at, int skip1, int skip2)
{
    if (plain_scan_ || !std::isfinite(at[0]) || !std::isfinite(at[1]) || !std::isfinite(at[2])) {
        const std::vector<double> unlabelled(xyz_.size(), 0.0);
        return nearest_free_point(xyz_, unlabelled, at, skip1, skip2);
    }
    double best = huge_value;
    int index = 0;
    const auto consider = [&](int k, double d2) {
        if (k != skip1 && k != skip2 && (d2 < best || (d2 == best && index != 0 && k < index))) {
            best = d2;
            index = k;
        }
    };
    search(0, at, true, consider, [&] { return best; });
    return {index, std::sqrt(best)};
}

FrontCandidateFinder::FrontCandidateFinder(std::span<const Vec3> xyz, CandidateSearch search)
    : xyz_(xyz), taken_(xyz.size(), 0)
{
    if (search == CandidateSearch::indexed) {
        index_.emplace(xyz);
    }
}

Nearest FrontCandidateFinder::find(std::span<double> labels, int a, int b, int o, int p, int q,
                                   double limit)
{
    if (index_) {
        const Nearest found = index_->best(a, b, o, limit, p, q);
        assert((found.index == 0 || found.index == p || found.index == q ||
                labels[static_cast<std::size_t>(found.index) - 1] == 0.0) &&
               "the index was told of every point taken");
        return found;
    }
    // The algorithm as written: the two front points are labelled free for the scan.
    const auto label = [&](int k) -> double& { return labels[static_cast<std::size_t>(k) - 1]; };
    const double old_p = label(p);
    const double old_q = label(q);
    label(p) = 0.0;
    label(q) = 0.0;
    const Nearest found = best_front_candidate(xyz_, labels, a, b, o);
    label(q) = old_q;
    label(p) = old_p;
    return found;
}

SeedTriangle FrontCandidateFinder::seed(std::span<const double> labels, int s)
{
    if (!index_) {
        return seed_triangle(xyz_, labels, s);
    }
    const auto at = [&](int k) -> const Vec3& { return xyz_[static_cast<std::size_t>(k) - 1]; };
    SeedTriangle t;
    const Vec3 origin{};
    t.a = index_->nearest_free(s == 0 ? origin : at(s), s, s).index;
    t.b = index_->nearest_free(at(t.a), t.a, t.a).index;
    t.c = index_->nearest_free(vec_scale(at(t.a) + at(t.b), 0.5), t.a, t.b).index;
    t.limit = point_distance(xyz_, t.a, t.b) + point_distance(xyz_, t.b, t.c) +
              point_distance(xyz_, t.c, t.a);
    return t;
}

SeedTriangle FrontCandidateFinder::whole_cloud_seed(int s)
{
    if (!index_) {
        unlabelled_.assign(xyz_.size(), 0.0);
        return seed_triangle(xyz_, unlabelled_, s);
    }
    const auto at = [&](int k) -> const Vec3& { return xyz_[static_cast<std::size_t>(k) - 1]; };
    SeedTriangle t;
    const Vec3 origin{};
    t.a = index_->nearest_point(s == 0 ? origin : at(s), s, s).index;
    t.b = index_->nearest_point(at(t.a), t.a, t.a).index;
    t.c = index_->nearest_point(vec_scale(at(t.a) + at(t.b), 0.5), t.a, t.b).index;
    t.limit = point_distance(xyz_, t.a, t.b) + point_distance(xyz_, t.b, t.c) +
              point_distance(xyz_, t.c, t.a);
    return t;
}

} // namespace tengun
