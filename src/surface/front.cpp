// Positions are 1-based from the head node (see front.h); nodes are 0-based storage indices.
#include "surface/front.h"

#include <cassert>
#include <limits>

namespace tengun {

namespace {

std::size_t slot(int node)
{
    return static_cast<std::size_t>(node);
}

/// A node for point k with opposite o: a reused one, or a new one at the end of the storage.
int new_node(Front& f, int k, int o)
{
    int node = 0;
    if (f.unused.empty()) {
        node = static_cast<int>(f.point.size());
        f.point.push_back(k);
        f.opposite.push_back(o);
        f.next.push_back(node);
        f.prev.push_back(node);
        f.memo.emplace_back();
        f.live_next.push_back(node);
        f.live_prev.push_back(node);
        f.parked.push_back(0);
        f.generation.push_back(0);
    } else {
        node = f.unused.back();
        f.unused.pop_back();
        f.point[slot(node)] = k;
        f.opposite[slot(node)] = o;
        f.memo[slot(node)] = EdgeMemo{};
        f.parked[slot(node)] = 0;
        ++f.generation[slot(node)];
    }
    return node;
}

/// The parked node x, the ring neighbour before (after) the live node `anchor`, joins the live
/// ring just before (after) it.
void wake_before(Front& f, int x, int anchor)
{
    if (!f.parked[slot(x)]) {
        return;
    }
    const int before = f.live_prev[slot(anchor)];
    f.live_prev[slot(x)] = before;
    f.live_next[slot(x)] = anchor;
    f.live_next[slot(before)] = x;
    f.live_prev[slot(anchor)] = x;
    f.parked[slot(x)] = 0;
}

void wake_after(Front& f, int x, int anchor)
{
    if (!f.parked[slot(x)]) {
        return;
    }
    const int after = f.live_next[slot(anchor)];
    f.live_next[slot(x)] = after;
    f.live_prev[slot(x)] = anchor;
    f.live_prev[slot(after)] = x;
    f.live_next[slot(anchor)] = x;
    f.parked[slot(x)] = 0;
}

void unlink_live(Front& f, int x)
{
    const int before = f.live_prev[slot(x)];
    const int after = f.live_next[slot(x)];
    f.live_next[slot(before)] = after;
    f.live_prev[slot(after)] = before;
}

} // namespace

void Front::park(int node)
{
    if (node == head || parked[slot(node)]) {
        return;
    }
    unlink_live(*this, node);
    parked[slot(node)] = 1;
}

void Front::wake(int node)
{
    if (!parked[slot(node)]) {
        return;
    }
    // The nearest live node on either side, looked for on both at once: the nodes between it
    // and this one are all parked, so this one goes right beside it.
    int back = node;
    int ahead = node;
    while (true) {
        back = prev[slot(back)];
        if (!parked[slot(back)]) {
            wake_after(*this, node, back);
            return;
        }
        ahead = next[slot(ahead)];
        if (!parked[slot(ahead)]) {
            wake_before(*this, node, ahead);
            return;
        }
    }
}

void Front::taken(int k)
{
    const auto [first, last] = watching.equal_range(k);
    for (auto it = first; it != last; ++it) {
        const auto [node, gen] = it->second;
        if (generation[slot(node)] == gen) {
            wake(node);
        }
    }
    watching.erase(first, last);
}

void Front::turn(double angle)
{
    if (!(angle < std::numeric_limits<double>::infinity())) {
        turned = 0.0; // every timer goes off; the count starts afresh
        while (!timers.empty()) {
            const Timer t = timers.top();
            timers.pop();
            if (generation[slot(t.node)] == t.generation) {
                wake(t.node);
            }
        }
        return;
    }
    turned += angle;
    while (!timers.empty() && timers.top().turn <= turned) {
        const Timer t = timers.top();
        timers.pop();
        if (generation[slot(t.node)] == t.generation) {
            wake(t.node);
        }
    }
}

void Front::wake_around(int node)
{
    assert(!parked[slot(node)] && "the walk stands on a live node");
    const int p = prev[slot(node)];
    wake_before(*this, p, node);
    wake_before(*this, prev[slot(p)], p);
    const int n = next[slot(node)];
    wake_after(*this, n, node);
    wake_after(*this, next[slot(n)], n);
}

Front first_front(int a, int b, int c)
{
    Front f;
    const int na = new_node(f, a, c);
    const int nb = new_node(f, b, a);
    const int nc = new_node(f, c, b);
    f.next = {nb, nc, na};
    f.prev = {nc, na, nb};
    f.live_next = f.next;
    f.live_prev = f.prev;
    f.head = na;
    f.length = 3;
    return f;
}

FrontWalk front_neighbours(const Front& front, int i)
{
    assert(front.length >= 1 && "a front has positions");
    FrontWalk w;
    w.i = i;
    w.next = front.next[slot(i)];
    w.next2 = front.next[slot(w.next)];
    w.prev = front.prev[slot(i)];
    return w;
}

int front_node_at(const Front& front, int position)
{
    assert(position >= 1 && position <= front.length && "a position of the front");
    int node = front.head;
    for (int p = 1; p < position; ++p) {
        node = front.next[slot(node)];
    }
    return node;
}

int front_insert(int i, int k, Front& front)
{
    const int after = front.next[slot(i)];
    const int a = front.point[slot(i)];
    const int b = front.point[slot(after)];
    const int node = new_node(front, k, a);
    front.next[slot(node)] = after;
    front.prev[slot(node)] = i;
    front.next[slot(i)] = node;
    front.prev[slot(after)] = node;
    assert(!front.parked[slot(i)] && "a new vertex enters after a live node");
    const int live_after = front.live_next[slot(i)];
    front.live_next[slot(node)] = live_after;
    front.live_prev[slot(node)] = i;
    front.live_prev[slot(live_after)] = node;
    front.live_next[slot(i)] = node;
    front.opposite[slot(i)] = b;
    front.memo[slot(i)] = EdgeMemo{};
    ++front.length;
    return node;
}

void front_remove(int p, Front& front)
{
    assert(front.length >= 3 && "a front that can shrink");
    const int before = front.prev[slot(p)];
    const int after = front.next[slot(p)];
    front.next[slot(before)] = after;
    front.prev[slot(after)] = before;
    if (front.head == p) {
        wake_after(front, after, p); // the new head is live, as every head
    }
    if (!front.parked[slot(p)]) {
        unlink_live(front, p);
    }
    front.opposite[slot(before)] = front.point[slot(p)];
    front.memo[slot(before)] = EdgeMemo{};
    if (front.head == p) {
        front.head = after;
    }
    front.unused.push_back(p);
    ++front.generation[slot(p)]; // whatever waited for it no longer applies
    --front.length;
}

void advance_after_accept(int k, Front& front, FrontWalk& walk)
{
    if (k == front.at(walk.prev)) {
        front_remove(walk.i, front);
        walk.i = walk.next;
    } else if (k == front.at(walk.next2)) {
        front_remove(walk.next, front);
        walk.i = walk.next2;
    } else {
        front_insert(walk.i, k, front);
        walk.i = walk.next;
    }
}

int pass_failed_edge(Front& front, int i, int keep, double fold_turn)
{
    const int next = front.next_live(i);
    if (i == keep || i == front.head) {
        return next;
    }
    const EdgeMemo& m = front.memo[slot(i)];
    switch (m.kind) {
    case EdgeMemo::Kind::none:
    case EdgeMemo::Kind::too_far:
        front.park(i);
        break;
    case EdgeMemo::Kind::fold:
        front.park(i);
        if (m.k != m.p && m.k != m.q) {
            front.watching.emplace(m.k, std::make_pair(i, front.generation[slot(i)]));
        }
        if (fold_turn < std::numeric_limits<double>::infinity()) {
            front.timers.push({fold_turn, i, front.generation[slot(i)]});
        }
        break;
    case EdgeMemo::Kind::empty:
        break;
    }
    return next;
}

std::vector<int> front_points(const Front& front)
{
    std::vector<int> out;
    int node = front.head;
    for (int p = 1; p <= front.length; ++p) {
        out.push_back(front.point[slot(node)]);
        node = front.next[slot(node)];
    }
    return out;
}

std::vector<int> front_opposites(const Front& front)
{
    std::vector<int> out;
    int node = front.head;
    for (int p = 1; p <= front.length; ++p) {
        out.push_back(front.opposite[slot(node)]);
        node = front.next[slot(node)];
    }
    return out;
}

} // namespace tengun
