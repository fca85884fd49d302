#pragma once
// The front of an advancing-front mesh: the boundary of the mesh so far as a closed loop of point
// numbers, held as a ring of linked nodes so that a vertex enters or leaves it in constant time.
// The walk counts positions 1..length as the algorithm defines them: position 1 is the node
// `head`, position p + 1 is the node after position p, and the node after the last position is
// position 1 again. A node stands for the front edge from its point to the next node's point;
// `opposite` holds the third vertex of the mesh triangle on that edge's inner side.

#include <functional>
#include <queue>
#include <unordered_map>
#include <utility>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

/// What the last search on a front edge found when its triangle was rejected, so that the walk
/// need not search again while nothing it depends on has changed: the edge (a, b, inner o), the
/// two front points beside it that were candidates too (p, q), the answer k, why it failed, and
/// the `version` of the fold test that rejected k.
/// Candidates only ever leave the free set, so the same edge with the same p and q fails again
/// for "none" and "too far" (any new answer lies farther), and its search gives k again for
/// "fold" while k is still a candidate (nothing nearer can have become one).
struct EdgeMemo {
    enum class Kind { empty, none, too_far, fold };
    Kind kind = Kind::empty;
    int a = 0, b = 0, o = 0, p = 0, q = 0, k = 0;
    long version = 0;
    bool plane = false; ///< for "fold": the triangle (a, b, k) has a plane, of unit normal
    Vec3 normal{};
};

/// What the search of the edge (a, b, o) beside p and q would find, as far as its memo knows:
/// unknown_answer (search), 0 (nothing acceptable: the edge fails again), or the point k it
/// would give again, whose fold test was failed under memo.version. `is_free(k)` tells whether
/// point k is still free.
inline constexpr int unknown_answer = -1;
template <class IsFree>
int memo_answer(const EdgeMemo& m, int a, int b, int o, int p, int q, IsFree is_free)
{
    if (m.kind == EdgeMemo::Kind::empty || m.a != a || m.b != b || m.o != o || m.p != p ||
        m.q != q) {
        return unknown_answer;
    }
    if (m.kind != EdgeMemo::Kind::fold) {
        return 0;
    }
    return m.k == p || m.k == q || is_free(m.k) ? m.k : unknown_answer;
}

/// Nodes are indices into the vectors; a node that left the front is reused by the next one that
/// enters, so the storage stays as large as the longest front.
///
/// Edges whose memo says they fail again can be parked: they leave a second ring, of the live
/// nodes in the same order, which the walk follows to pass a run of them in one step. A parked
/// edge is woken (rejoins the live ring) as soon as its answer may change:
/// - by any change of the front from two nodes before it to two after it, on which its memo
///   depends (wake_around after each new triangle);
/// - for "fold", when its memo's k is taken, for then its search would find another point
///   (taken);
/// - for "fold" under a region's plane that is refitted, when the plane has turned far enough
///   that the fold test might pass (turn: the angle between lines obeys the triangle
///   inequality, so a triangle that folded by f > the limit still folds by more than the limit
///   while the plane has turned by less than f - limit).
/// The head is never parked.
struct Front {
    struct Timer {
        double turn = 0.0; // wake once the plane has turned this far
        int node = 0;
        unsigned generation = 0;
        bool operator>(const Timer& t) const { return turn > t.turn; }
    };

    std::vector<int> point;
    std::vector<int> opposite;
    std::vector<int> next;
    std::vector<int> prev;
    std::vector<EdgeMemo> memo;
    std::vector<int> live_next; // the ring of live nodes
    std::vector<int> live_prev;
    std::vector<char> parked;
    std::vector<unsigned> generation; // counts the reuses of a node
    std::vector<int> unused;          // nodes free for reuse
    int head = 0;                     // the node at position 1
    int length = 0;
    // Parked "fold" edges waiting for a point to be taken, by point: (node, generation).
    std::unordered_multimap<int, std::pair<int, unsigned>> watching;
    std::priority_queue<Timer, std::vector<Timer>, std::greater<>> timers;
    double turned = 0.0; // how far the plane has turned, summed over the refits (an upper bound)

    [[nodiscard]] int at(int node) const { return point[static_cast<std::size_t>(node)]; }
    [[nodiscard]] bool is_parked(int node) const { return parked[static_cast<std::size_t>(node)]; }
    /// The next live node after the live node `node`.
    [[nodiscard]] int next_live(int node) const
    {
        return live_next[static_cast<std::size_t>(node)];
    }
    /// The live node `node` leaves the live ring (the head stays).
    void park(int node);
    /// The parked node `node` rejoins the live ring in its place.
    void wake(int node);
    /// The two nodes before and the two after the live node `node` are live again.
    void wake_around(int node);
    /// Point k was taken: parked edges whose memo's answer was k are live again.
    void taken(int k);
    /// The region's plane has turned by at most `angle` (infinity: by any angle): parked edges
    /// whose fold test may now pass are live again.
    void turn(double angle);
};

/// The front of a first triangle a, b, c: edges a->b, b->c, c->a (positions 1, 2, 3) with
/// opposites c, a, b.
Front first_front(int a, int b, int c);

/// Where the walk stands: the node i of the edge i -> next, and the nodes beside it (prev before
/// i, next2 after next). On short fronts they repeat: with 2 positions prev = next, next2 = i.
struct FrontWalk {
    int prev = 0;
    int i = 0;
    int next = 0;
    int next2 = 0;
};

/// The walk at node i.
FrontWalk front_neighbours(const Front& front, int i);

/// The walk at the start of the front (position 1).
inline FrontWalk front_start(const Front& front)
{
    return front_neighbours(front, front.head);
}

/// The node at position `position` (1..length), found by walking from the head.
int front_node_at(const Front& front, int position);

/// The new triangle (A, B, k) on the edge at node i (A -> B): k enters after A, at the next
/// position (after the last position, it is appended). The edge A -> k gets the opposite B, the
/// edge k -> B the opposite A; both forget their memos. i must be live; k's node is live too.
/// Returns k's node.
int front_insert(int i, int k, Front& front);

/// The point of node p leaves the front, enclosed by a new triangle; the edge that now joins its
/// two former neighbours gets it as its opposite vertex and forgets its memo. When p is the
/// head, the node after it becomes position 1. Needs at least 3 positions.
void front_remove(int p, Front& front);

/// The front bookkeeping after the triangle (A, B, k) on the walk's edge was accepted: k closes
/// the corner at prev (A leaves), or at next2 (B leaves), or enters the front between A and B.
/// walk.i becomes the node the walk goes on with: B in the first and last case, k in the second
/// (positions i, i + 1 and i + 2 of the algorithm, wrapped round the loop). Only walk.i is set.
void advance_after_accept(int k, Front& front, FrontWalk& walk);

/// The walk leaves the rejected edge at node i for the next live one. The edge is parked on the
/// way, unless it is `keep` (the first of the failures in a row, where the walk must stop again)
/// or the head: "none" and "too far" for good; "fold" until its memo's k is taken (when k is
/// not one of the two front points beside the edge) and until the plane has turned to
/// `fold_turn` (infinity when the fold test cannot change).
int pass_failed_edge(Front& front, int i, int keep, double fold_turn);

/// The points of the front in position order (1..length), and the opposites likewise.
std::vector<int> front_points(const Front& front);
std::vector<int> front_opposites(const Front& front);

} // namespace tengun
