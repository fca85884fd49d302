#pragma once
// The front of an advancing-front mesh: the boundary of the mesh so far as a closed loop of point
// numbers. Positions are 1-based as the mesh walk counts them: position p is point[p] (point[0]
// is unused), p is followed by p + 1 and the last position by position 1. The front edge at p
// runs from point[p] to the point at the following position; opposite[p] is the third vertex of
// the mesh triangle on its inner side.

#include <span>
#include <vector>

namespace tengun {

/// What the last search on a front edge found when its triangle was rejected, so that the walk
/// need not search again while nothing it depends on has changed: the edge (a, b, inner o), the
/// two front points beside it that were candidates too (p, q), the answer k, and why it failed.
/// Candidates only ever leave the free set, so the same edge with the same p and q fails again
/// for "none" and "too far" (any new answer lies farther), and for "fold" while k is still a
/// candidate (the answer is then still k) and the fold test is unchanged (`version`).
struct EdgeMemo {
    enum class Kind { empty, none, too_far, fold };
    Kind kind = Kind::empty;
    int a = 0, b = 0, o = 0, p = 0, q = 0, k = 0;
    long version = 0;
};

/// Does the memo say that the edge (a, b, o) beside p and q fails again under fold-test
/// `version`? `labels` tell which points are still free.
inline bool fails_again(const EdgeMemo& m, int a, int b, int o, int p, int q, long version,
                        std::span<const double> labels)
{
    if (m.kind == EdgeMemo::Kind::empty || m.a != a || m.b != b || m.o != o || m.p != p ||
        m.q != q) {
        return false;
    }
    if (m.kind != EdgeMemo::Kind::fold) {
        return true;
    }
    return m.version == version &&
           (m.k == p || m.k == q || labels[static_cast<std::size_t>(m.k) - 1] == 0.0);
}

struct Front {
    std::vector<int> point{0};
    std::vector<int> opposite{0};
    std::vector<EdgeMemo> memo{EdgeMemo{}};
    [[nodiscard]] int length() const { return static_cast<int>(point.size()) - 1; }
};

/// The front of a first triangle a, b, c: edges a->b, b->c, c->a with opposites c, a, b.
Front first_front(int a, int b, int c);

/// Where the walk stands: the edge i -> next, and the positions beside it.
struct FrontWalk {
    int prev = 3;
    int i = 1;
    int next = 2;
    int next2 = 3;
};

/// The walk at position i of a front of `front_len` positions: i past the end becomes 1, and
/// next, next2 and prev wrap around the loop.
FrontWalk front_neighbours(int front_len, int i);

/// The new triangle (A, B, k) on the edge i -> next: k enters between A and B. The edge A -> k
/// gets the opposite B, the edge k -> B the opposite A.
void front_insert(int i, int next, int k, Front& front);

/// Point front.point[p] leaves the front, enclosed by a new triangle; the edge that now joins its
/// two former neighbours gets it as its opposite vertex. Needs at least 3 positions.
void front_remove(int p, Front& front);

/// The front bookkeeping after the triangle (front(i), front(next), k) was accepted: k closes
/// the corner at prev (front(i) leaves), or at next2 (front(next) leaves, i moves on by one), or
/// enters the front between them (i moves on by two). walk.i may end past the front's end.
void advance_after_accept(int k, Front& front, FrontWalk& walk);

} // namespace tengun
