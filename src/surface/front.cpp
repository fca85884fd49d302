// Front positions are 1-based (see front.h); point[0] and opposite[0] are placeholders.
#include "surface/front.h"

#include <cassert>

namespace tengun {

Front first_front(int a, int b, int c)
{
    Front f;
    f.point = {0, a, b, c};
    f.opposite = {0, c, a, b};
    f.memo.assign(4, EdgeMemo{});
    return f;
}

FrontWalk front_neighbours(int front_len, int i)
{
    assert(front_len >= 1 && "a front has positions");
    FrontWalk w;
    w.i = i > front_len ? 1 : i;
    w.next = w.i + 1 > front_len ? 1 : w.i + 1;
    w.next2 = w.next + 1 > front_len ? 1 : w.next + 1;
    w.prev = w.i - 1 < 1 ? front_len : w.i - 1;
    return w;
}

void front_insert(int i, int next, int k, Front& front)
{
    assert(i >= 1 && i <= front.length() && "an edge of the front");
    const int a = front.point[static_cast<std::size_t>(i)];
    const int b = front.point[static_cast<std::size_t>(next)];
    // Whether the edge closes the loop (i = len, k appended) or not (k moves in at next), k
    // lands at position i + 1.
    const auto at = static_cast<std::ptrdiff_t>(i) + 1;
    front.point.insert(front.point.begin() + at, k);
    front.opposite.insert(front.opposite.begin() + at, a);
    front.opposite[static_cast<std::size_t>(i)] = b;
    if (front.memo.size() + 1 == front.point.size()) {
        front.memo.insert(front.memo.begin() + at, EdgeMemo{});
        front.memo[static_cast<std::size_t>(i)] = EdgeMemo{};
    }
}

void front_remove(int p, Front& front)
{
    const int len = front.length();
    assert(len >= 3 && p >= 1 && p <= len && "a position of a front that can shrink");
    const int r = front.point[static_cast<std::size_t>(p)];
    front.point.erase(front.point.begin() + p);
    front.opposite.erase(front.opposite.begin() + p);
    const int joined = p > 1 ? p - 1 : len - 1;
    front.opposite[static_cast<std::size_t>(joined)] = r;
    if (front.memo.size() == front.point.size() + 1) {
        front.memo.erase(front.memo.begin() + p);
        front.memo[static_cast<std::size_t>(joined)] = EdgeMemo{};
    }
}

void advance_after_accept(int k, Front& front, FrontWalk& walk)
{
    if (k == front.point[static_cast<std::size_t>(walk.prev)]) {
        front_remove(walk.i, front);
    } else if (k == front.point[static_cast<std::size_t>(walk.next2)]) {
        front_remove(walk.next, front);
        walk.i += 1;
    } else {
        front_insert(walk.i, walk.next, k, front);
        walk.i += 2;
    }
}

} // namespace tengun
