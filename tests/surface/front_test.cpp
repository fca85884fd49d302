// The front bookkeeping of the advancing-front mesh: the linked ring against the front of
// positions as the algorithm describes it (tests/support/surface_reference.h).
#include "surface/front.h"

#include <gtest/gtest.h>

#include <random>

#include "support/surface_reference.h"

namespace tengun {
namespace {

using Ints = std::vector<int>;

/// A front holding the points 1..n in order, with opposites 11..10+n: built from a first
/// triangle by inserting, so the nodes are linked as the mesh links them.
Front front_of(int n)
{
    Front f = first_front(1, 2, 3);
    for (int k = 4; k <= n; ++k) {
        front_insert(front_node_at(f, k - 1), k, f);
    }
    int node = f.head;
    for (int p = 1; p <= n; ++p) {
        f.opposite[static_cast<std::size_t>(node)] = 10 + p;
        node = f.next[static_cast<std::size_t>(node)];
    }
    return f;
}

int position_of(const Front& f, int node)
{
    int p = 1;
    for (int m = f.head; m != node; m = f.next[static_cast<std::size_t>(m)]) {
        ++p;
    }
    return p;
}

TEST(front_neighbours, walk_wraps_around_the_loop)
{
    const Front f = front_of(5);
    const auto walk_at = [&](int position) {
        const FrontWalk w = front_neighbours(f, front_node_at(f, position));
        return Ints{f.at(w.prev), f.at(w.i), f.at(w.next), f.at(w.next2)};
    };
    EXPECT_EQ(walk_at(1), (Ints{5, 1, 2, 3}));
    EXPECT_EQ(walk_at(4), (Ints{3, 4, 5, 1}));
    EXPECT_EQ(walk_at(5), (Ints{4, 5, 1, 2}));
    const Front two = [] {
        Front t = first_front(1, 2, 3);
        front_remove(front_node_at(t, 3), t);
        return t;
    }();
    const FrontWalk w = front_start(two);
    EXPECT_EQ(w.prev, w.next);
    EXPECT_EQ(w.next2, w.i);
}

struct FrontCase {
    const char* name;
    int position;  ///< of the walk's edge, on the front 1..5 (opposites 11..15)
    int k;         ///< the new vertex
    Ints points;   ///< after advance_after_accept
    Ints opposite; ///< likewise
    int walk;      ///< the point the walk goes on with
};

TEST(advance_after_accept, closes_corners_or_inserts_as_the_positions_say)
{
    const std::vector<FrontCase> cases{
        // Edge 2 -> 3 gets 9: it enters between them; edge 2->9 has opposite 3, 9->3 has 2.
        {"insert", 2, 9, {1, 2, 9, 3, 4, 5}, {11, 3, 2, 13, 14, 15}, 3},
        // The edge closing the loop, 5 -> 1: 9 is appended.
        {"insert on the closing edge", 5, 9, {1, 2, 3, 4, 5, 9}, {11, 12, 13, 14, 1, 5}, 1},
        // Edge 2 -> 3 with k = 1 (prev): 2 is enclosed, edge 1 -> 3 has opposite 2.
        {"close at prev", 2, 1, {1, 3, 4, 5}, {2, 13, 14, 15}, 3},
        // Edge 1 -> 2 with k = 5 (prev): 1 at position 1 leaves, 2 becomes position 1.
        {"close at prev from position 1", 1, 5, {2, 3, 4, 5}, {12, 13, 14, 1}, 2},
        // Edge 2 -> 3 with k = 4 (next2): 3 is enclosed, edge 2 -> 4 has opposite 3.
        {"close at next2", 2, 4, {1, 2, 4, 5}, {11, 3, 14, 15}, 4},
        // Edge 5 -> 1 with k = 2 (next2): 1 leaves from position 1.
        {"close at next2 across the end", 5, 2, {2, 3, 4, 5}, {12, 13, 14, 1}, 2},
        // Edge 4 -> 5 with k = 1 (next2, past the end).
        {"close at next2 at the end", 4, 1, {1, 2, 3, 4}, {11, 12, 13, 5}, 1},
    };
    for (const FrontCase& c : cases) {
        SCOPED_TRACE(c.name);
        Front f = front_of(5);
        FrontWalk w = front_neighbours(f, front_node_at(f, c.position));
        advance_after_accept(c.k, f, w);
        EXPECT_EQ(front_points(f), c.points);
        EXPECT_EQ(front_opposites(f), c.opposite);
        EXPECT_EQ(f.length, static_cast<int>(c.points.size()));
        EXPECT_EQ(f.at(w.i), c.walk);
    }
}

TEST(front_remove, memo_of_the_joining_edge_and_of_a_split_edge_is_forgotten)
{
    Front f = front_of(5);
    for (EdgeMemo& m : f.memo) {
        m.kind = EdgeMemo::Kind::none;
    }
    front_remove(front_node_at(f, 3), f);    // edge 2 -> 4 is new
    front_insert(front_node_at(f, 4), 9, f); // edges 5 -> 9 and 9 -> 1
    Ints kinds;
    for (int node = f.head, p = 1; p <= f.length; ++p, node = f.next[node]) {
        kinds.push_back(static_cast<int>(f.memo[node].kind));
    }
    const int none = static_cast<int>(EdgeMemo::Kind::none);
    EXPECT_EQ(front_points(f), (Ints{1, 2, 4, 5, 9}));
    EXPECT_EQ(kinds, (Ints{none, 0, none, 0, 0}));
    EXPECT_EQ(f.point.size(), 5U) << "the removed node is reused";
}

TEST(Front, follows_the_front_of_positions_through_random_walks)
{
    // Random meshes in miniature: at each step the walk either moves on (a rejected edge) or
    // accepts a new point, a corner at prev or a corner at next2, as the positions of the
    // algorithm do it. The ring must hold the same loop, start at the same position 1 and walk
    // from the same position.
    std::mt19937 rng(5);
    int steps = 0;
    for (int run = 0; run < 200; ++run) {
        Front f = first_front(1, 2, 3);
        testing::PlainFront plain = testing::plain_first_front(1, 2, 3);
        FrontWalk w = front_start(f);
        testing::PlainWalk pw;
        int fresh = 4;
        for (int step = 0; step < 300; ++step, ++steps) {
            const int choice = std::uniform_int_distribution<int>(0, 9)(rng);
            if (choice < 3) {
                w.i = w.next;
                ++pw.i;
            } else {
                int k = fresh;
                if (choice == 3 && plain.len() >= 3) {
                    k = plain.point[static_cast<std::size_t>(pw.prev)];
                } else if (choice == 4 && plain.len() >= 4) {
                    k = plain.point[static_cast<std::size_t>(pw.next2)];
                } else {
                    ++fresh;
                }
                advance_after_accept(k, f, w);
                testing::plain_advance(plain, pw, k);
            }
            w = front_neighbours(f, w.i);
            pw = testing::plain_neighbours(plain.len(), pw.i);
            ASSERT_EQ(front_points(f), Ints(plain.point.begin() + 1, plain.point.end()))
                << "run " << run << " step " << step;
            ASSERT_EQ(front_opposites(f), Ints(plain.opposite.begin() + 1, plain.opposite.end()));
            ASSERT_EQ(position_of(f, w.i), pw.i);
            ASSERT_EQ(f.at(w.prev), plain.point[static_cast<std::size_t>(pw.prev)]);
            ASSERT_EQ(f.at(w.next2), plain.point[static_cast<std::size_t>(pw.next2)]);
            ASSERT_EQ(w.i == f.head, pw.i == 1);
        }
        EXPECT_LE(f.point.size(), static_cast<std::size_t>(f.length) + f.unused.size());
    }
    EXPECT_EQ(steps, 60000);
}

} // namespace
} // namespace tengun
