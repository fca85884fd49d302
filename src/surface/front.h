#pragma once
// The front of an advancing-front mesh: the boundary of the mesh so far as a closed loop of point
// numbers. Positions are 1-based as the mesh walk counts them: position p is point[p] (point[0]
// is unused), p is followed by p + 1 and the last position by position 1. The front edge at p
// runs from point[p] to the point at the following position; opposite[p] is the third vertex of
// the mesh triangle on its inner side.

#include <vector>

namespace tengun {

struct Front {
    std::vector<int> point{0};
    std::vector<int> opposite{0};
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
