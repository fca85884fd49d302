// The front bookkeeping of the advancing-front mesh. Positions are 1-based: point[0] is unused.
#include "surface/front.h"

#include <gtest/gtest.h>

namespace tengun {
namespace {

using Ints = std::vector<int>;

TEST(front_neighbours, wraps_around_the_loop)
{
    const FrontWalk w = front_neighbours(5, 6);
    EXPECT_EQ(w.i, 1);
    EXPECT_EQ(w.next, 2);
    EXPECT_EQ(w.next2, 3);
    EXPECT_EQ(w.prev, 5);
    const FrontWalk end = front_neighbours(5, 4);
    EXPECT_EQ(end.next, 5);
    EXPECT_EQ(end.next2, 1);
    const FrontWalk two = front_neighbours(2, 1);
    EXPECT_EQ(two.prev, 2);
    EXPECT_EQ(two.next2, 1);
}

TEST(front_insert, new_vertex_splits_the_edge_with_both_opposites)
{
    Front f = first_front(10, 20, 30); // edges 10->20 (30), 20->30 (10), 30->10 (20)
    front_insert(1, 2, 40, f);         // triangle (10, 20, 40)
    EXPECT_EQ(f.point, (Ints{0, 10, 40, 20, 30}));
    EXPECT_EQ(f.opposite, (Ints{0, 20, 10, 10, 20}));
}

TEST(front_insert, on_the_edge_that_closes_the_loop_appends)
{
    Front f = first_front(10, 20, 30);
    front_insert(3, 1, 40, f); // triangle (30, 10, 40) on the edge 30 -> 10
    EXPECT_EQ(f.point, (Ints{0, 10, 20, 30, 40}));
    EXPECT_EQ(f.opposite, (Ints{0, 30, 10, 10, 30}));
}

TEST(front_remove, joining_edge_gets_the_enclosed_point_as_opposite)
{
    Front f;
    f.point = {0, 1, 2, 3, 4, 5};
    f.opposite = {0, 11, 12, 13, 14, 15};
    Front middle = f;
    front_remove(3, middle); // edge 2 -> 4 now, opposite 3
    EXPECT_EQ(middle.point, (Ints{0, 1, 2, 4, 5}));
    EXPECT_EQ(middle.opposite, (Ints{0, 11, 3, 14, 15}));
    Front first = f;
    front_remove(1, first); // edge 5 -> 2 at the last position
    EXPECT_EQ(first.point, (Ints{0, 2, 3, 4, 5}));
    EXPECT_EQ(first.opposite, (Ints{0, 12, 13, 14, 1}));
    Front last = f;
    front_remove(5, last); // edge 4 -> 1
    EXPECT_EQ(last.point, (Ints{0, 1, 2, 3, 4}));
    EXPECT_EQ(last.opposite, (Ints{0, 11, 12, 13, 5}));
}

TEST(advance_after_accept, closes_corners_or_inserts_and_moves_on)
{
    Front f;
    f.point = {0, 1, 2, 3, 4, 5};
    f.opposite = {0, 11, 12, 13, 14, 15};
    Front at_prev = f;
    FrontWalk w = front_neighbours(5, 2); // edge 2 -> 3, prev 1, next2 4
    advance_after_accept(1, at_prev, w);
    EXPECT_EQ(at_prev.point, (Ints{0, 1, 3, 4, 5}));
    EXPECT_EQ(w.i, 2) << "the walk goes on with 3 -> 4";

    Front at_next2 = f;
    w = front_neighbours(5, 2);
    advance_after_accept(4, at_next2, w);
    EXPECT_EQ(at_next2.point, (Ints{0, 1, 2, 4, 5}));
    EXPECT_EQ(at_next2.opposite[2], 3);
    EXPECT_EQ(w.i, 3) << "the walk goes on with 4 -> 5";

    Front inserted = f;
    w = front_neighbours(5, 2);
    advance_after_accept(9, inserted, w);
    EXPECT_EQ(inserted.point, (Ints{0, 1, 2, 9, 3, 4, 5}));
    EXPECT_EQ(w.i, 4) << "the walk goes on with 3 -> 4";
}

} // namespace
} // namespace tengun
