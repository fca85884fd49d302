// Points and triangles are 0-based here.
#include "surface/mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace tengun {

namespace {

constexpr double two_pi = 2.0 * 3.14159265358979323846;
constexpr double pi_full = 3.14159265358979323846;
/// A triangle may stand on a corner's tangent plane at up to about 70 degrees.
constexpr double min_cos_to_normal = 0.34;
/// In a hole's chart a triangle may stand at up to about 84 degrees on the chart's plane (noise
/// tilts the last triangles of a hole steeply), but not upright.
constexpr double min_cos_to_chart = 0.1;
/// Rays of one wedge closer than this (radians) leave no wedge in the tangent plane.
constexpr double min_wedge = 1e-9;
/// Rounding allowed where two wedges meet at a common ray.
constexpr double wedge_slack = 1e-10;

/// Two wedges of one corner overlap in more than a common ray.
bool overlap(double s1, double w1, double s2, double w2)
{
    double d = std::fmod(s2 - s1, two_pi);
    if (d < 0.0) {
        d += two_pi;
    }
    return d < w1 - wedge_slack || d + w2 > two_pi + wedge_slack;
}

Vec3 unit_cross(const Vec3& a, const Vec3& b, double& length)
{
    const Vec3 c = vec_cross(a, b);
    length = vec_length(c);
    return length > 0.0 ? vec_scale(c, 1.0 / length) : c;
}

double corner_angle(const Vec3& p, const Vec3& q, const Vec3& r)
{
    const Vec3 u = q - p;
    const Vec3 v = r - p;
    return std::atan2(vec_length(vec_cross(u, v)), vec_dot(u, v));
}

double smallest_angle(const Vec3& a, const Vec3& b, const Vec3& c)
{
    return std::min({corner_angle(a, b, c), corner_angle(b, c, a), corner_angle(c, a, b)});
}

} // namespace

namespace {

/// Two unit vectors across the normal n, the first from the axis n leans on least.
std::array<Vec3, 2> frame_across(const Vec3& n)
{
    int axis = 0;
    for (int k = 1; k < 3; ++k) {
        if (std::abs(n[k]) < std::abs(n[axis])) {
            axis = k;
        }
    }
    Vec3 e{0.0, 0.0, 0.0};
    e[axis] = 1.0;
    double length = 0.0;
    const Vec3 u = unit_cross(n, e, length);
    return {u, vec_cross(n, u)};
}

} // namespace

MeshBuilder::MeshBuilder(std::span<const Vec3> xyz, std::span<const Vec3> normals)
    : xyz_(xyz), normals_(normals), frame_(xyz.size()), incident_(xyz.size())
{
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        frame_[i] = frame_across(normals[i]);
    }
}

MeshBuilder::Find MeshBuilder::find(int t)
{
    int root = t;
    int parity = 0;
    while (parent_[static_cast<std::size_t>(root)] != root) {
        parity ^= parity_[static_cast<std::size_t>(root)];
        root = parent_[static_cast<std::size_t>(root)];
    }
    // Compress the path: every node on it points at the root with its parity to the root.
    int node = t;
    int to_root = parity;
    while (parent_[static_cast<std::size_t>(node)] != root && node != root) {
        const int next = parent_[static_cast<std::size_t>(node)];
        const int own = parity_[static_cast<std::size_t>(node)];
        parent_[static_cast<std::size_t>(node)] = root;
        parity_[static_cast<std::size_t>(node)] = static_cast<char>(to_root);
        to_root ^= own;
        node = next;
    }
    return {root, parity};
}

double MeshBuilder::ray_angle(int v, int p, const std::array<Vec3, 2>& f) const
{
    const Vec3 d = xyz_[static_cast<std::size_t>(p)] - xyz_[static_cast<std::size_t>(v)];
    return std::atan2(vec_dot(d, f[1]), vec_dot(d, f[0]));
}

bool MeshBuilder::wedge_of(int v, int p, int q, Wedge& w, const std::array<Vec3, 2>& frame) const
{
    const double a = ray_angle(v, p, frame);
    const double b = ray_angle(v, q, frame);
    double d = b - a;
    if (d > pi_full) {
        d -= two_pi;
    } else if (d <= -pi_full) {
        d += two_pi;
    }
    if (std::abs(d) < min_wedge || std::abs(d) > pi_full - min_wedge) {
        return false;
    }
    w = d > 0.0 ? Wedge{a, d} : Wedge{b, -d};
    return true;
}

int MeshBuilder::edge_triangles(int x, int y, int found[2]) const
{
    int count = 0;
    for (const Corner& c : incident_[static_cast<std::size_t>(x)]) {
        if (c.p == y || c.q == y) {
            if (count < 2) {
                found[count] = c.triangle;
            }
            ++count;
        }
    }
    return count;
}

std::array<int, 3> MeshBuilder::oriented(int t)
{
    std::array<int, 3> c = tri_[static_cast<std::size_t>(t)];
    if (flipped(t)) {
        std::swap(c[1], c[2]);
    }
    return c;
}

bool MeshBuilder::runs(int t, int x, int y)
{
    const std::array<int, 3> c = oriented(t);
    for (int i = 0; i < 3; ++i) {
        if (c[static_cast<std::size_t>(i)] == x && c[static_cast<std::size_t>((i + 1) % 3)] == y) {
            return true;
        }
    }
    return false;
}

int MeshBuilder::add(int a, int b, int c, const Vec3* chart)
{
    if (a == b || b == c || a == c) {
        return -1;
    }
    const std::array<int, 3> corners{a, b, c};
    const Vec3& pa = xyz_[static_cast<std::size_t>(a)];
    double length = 0.0;
    const Vec3 normal = unit_cross(xyz_[static_cast<std::size_t>(b)] - pa,
                                   xyz_[static_cast<std::size_t>(c)] - pa, length);
    if (!(length > 1e-12 * vec_length(xyz_[static_cast<std::size_t>(b)] - pa) *
                       vec_length(xyz_[static_cast<std::size_t>(c)] - pa))) {
        return -1;
    }
    // Each edge (the cheapest test, and the one most proposals fail): at most one triangle
    // there already, and the new one must run the edge the other way. Triangles of one piece fix
    // the orientation; other pieces can be turned over.
    struct Need {
        int root;
        int flip;
    };
    Need needs[3];
    int count = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const int x = corners[i];
        const int y = corners[(i + 1) % 3];
        int found[2];
        const int on_edge = edge_triangles(x, y, found);
        if (on_edge >= 2) {
            return -1;
        }
        if (on_edge == 1) {
            const Find f = find(found[0]);
            const bool same_way = runs(found[0], x, y);
            needs[count++] = {f.root, same_way ? 1 : 0};
            if (chart != nullptr) {
                // The neighbour's normal against the new triangle's, both as oriented together.
                const std::array<int, 3> o = oriented(found[0]);
                const Vec3& p0 = xyz_[static_cast<std::size_t>(o[0])];
                double l2 = 0.0;
                const Vec3 theirs = unit_cross(xyz_[static_cast<std::size_t>(o[1])] - p0,
                                               xyz_[static_cast<std::size_t>(o[2])] - p0, l2);
                if (vec_dot(theirs, same_way ? vec_scale(normal, -1.0) : normal) < -0.5) {
                    return -1;
                }
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < i; ++j) {
            if (needs[i].root == needs[j].root && needs[i].flip != needs[j].flip) {
                return -1; // the piece would close into a band with one side
            }
        }
    }
    std::array<Wedge, 3> wedges{};
    const std::array<Vec3, 2> chart_frame = chart != nullptr ? frame_across(*chart)
                                                             : std::array<Vec3, 2>{};
    for (std::size_t i = 0; i < 3; ++i) {
        const int v = corners[i];
        const int p = corners[(i + 1) % 3];
        const int q = corners[(i + 2) % 3];
        const auto& own = frame_[static_cast<std::size_t>(v)];
        if (chart == nullptr) {
            if (std::abs(vec_dot(normal, normals_[static_cast<std::size_t>(v)])) <
                min_cos_to_normal) {
                return -1;
            }
            if (!wedge_of(v, p, q, wedges[i], own)) {
                return -1;
            }
        } else if (!wedge_of(v, p, q, wedges[i], own)) {
            wedges[i] = {}; // no wedge in the corner's plane: compared in charts only
        }
        Wedge mine{};
        if (chart != nullptr && (std::abs(vec_dot(normal, *chart)) < min_cos_to_chart ||
                                 !wedge_of(v, p, q, mine, chart_frame))) {
            return -1;
        }
        for (const Corner& corner : incident_[static_cast<std::size_t>(v)]) {
            const int t = corner.triangle;
            const auto& tc = tri_[static_cast<std::size_t>(t)];
            const std::size_t slot = tc[0] == v ? 0 : (tc[1] == v ? 1 : 2);
            if (chart == nullptr) {
                const Wedge& w = wedge_[static_cast<std::size_t>(t)][slot];
                if (w.span > 0.0 && overlap(w.start, w.span, wedges[i].start, wedges[i].span)) {
                    return -1;
                }
                continue;
            }
            // A triangle across an edge of the new one is held by the fold test below instead:
            // in a hole's chart noise may make it lean over the hole.
            if (tc[(slot + 1) % 3] == p || tc[(slot + 1) % 3] == q || tc[(slot + 2) % 3] == p ||
                tc[(slot + 2) % 3] == q) {
                continue;
            }
            Wedge theirs{};
            if (wedge_of(v, tc[(slot + 1) % 3], tc[(slot + 2) % 3], theirs, chart_frame) &&
                overlap(theirs.start, theirs.span, mine.start, mine.span)) {
                return -1;
            }
        }
    }
    const int flip = count > 0 ? needs[0].flip : 0;
    const int t = static_cast<int>(tri_.size());
    tri_.push_back(corners);
    wedge_.push_back(wedges);
    alive_.push_back(1);
    parent_.push_back(t);
    parity_.push_back(0);
    root_flip_.push_back(static_cast<char>(flip));
    size_.push_back(1);
    for (std::size_t i = 0; i < 3; ++i) {
        incident_[static_cast<std::size_t>(corners[i])].push_back(
            {t, corners[(i + 1) % 3], corners[(i + 2) % 3]});
    }
    for (int i = 0; i < count; ++i) {
        const int r = needs[i].root;
        if (find(r).root != r || r == find(t).root) {
            continue; // already joined through an earlier need of the same piece
        }
        if (needs[i].flip != flip) {
            root_flip_[static_cast<std::size_t>(r)] ^= 1; // a separate piece: turn it over
        }
        int joined = find(t).root;
        int child = r;
        if (size_[static_cast<std::size_t>(child)] > size_[static_cast<std::size_t>(joined)]) {
            std::swap(child, joined);
        }
        parent_[static_cast<std::size_t>(child)] = joined;
        parity_[static_cast<std::size_t>(child)] = static_cast<char>(
            root_flip_[static_cast<std::size_t>(child)] ^ root_flip_[static_cast<std::size_t>(joined)]);
        size_[static_cast<std::size_t>(joined)] += size_[static_cast<std::size_t>(child)];
    }
    return t;
}

void MeshBuilder::remove(int t)
{
    if (!alive(t)) {
        return;
    }
    alive_[static_cast<std::size_t>(t)] = 0;
    for (const int v : tri_[static_cast<std::size_t>(t)]) {
        auto& list = incident_[static_cast<std::size_t>(v)];
        list.erase(std::find_if(list.begin(), list.end(),
                                [t](const Corner& c) { return c.triangle == t; }));
    }
}

void MeshBuilder::flip_piece(int t)
{
    root_flip_[static_cast<std::size_t>(find(t).root)] ^= 1;
}

int MeshBuilder::piece(int t) { return find(t).root; }

std::vector<std::vector<int>> MeshBuilder::rims()
{
    // Rim edges run against their triangle: the hole lies to the same side of them as the mesh
    // lies of its own edges.
    struct Half {
        int from;
        int to;
        int triangle;
    };
    std::vector<Half> halves;
    for (std::size_t t = 0; t < tri_.size(); ++t) {
        if (!alive_[t]) {
            continue;
        }
        const std::array<int, 3> c = oriented(static_cast<int>(t));
        for (std::size_t i = 0; i < 3; ++i) {
            int found[2];
            if (edge_triangles(c[i], c[(i + 1) % 3], found) == 1) {
                halves.push_back({c[(i + 1) % 3], c[i], static_cast<int>(t)});
            }
        }
    }
    std::unordered_multimap<int, std::size_t> leaving;
    for (std::size_t h = 0; h < halves.size(); ++h) {
        leaving.emplace(halves[h].from, h);
    }
    std::vector<char> used(halves.size(), 0);
    std::vector<std::vector<int>> loops;
    for (std::size_t h0 = 0; h0 < halves.size(); ++h0) {
        if (used[h0]) {
            continue;
        }
        std::vector<int> loop;
        std::size_t h = h0;
        bool closed = false;
        while (!used[h]) {
            used[h] = 1;
            loop.push_back(halves[h].from);
            const int at = halves[h].to;
            // The next rim edge from `at`: the only one, or where two fans meet at `at`, the one
            // met first turning from the edge we came by away from its triangle.
            const auto [first, last] = leaving.equal_range(at);
            std::size_t next = halves.size();
            double best = two_pi + 1.0;
            const double back = ray_angle(at, halves[h].from);
            const auto& tc = tri_[static_cast<std::size_t>(halves[h].triangle)];
            const std::size_t slot = tc[0] == at ? 0 : (tc[1] == at ? 1 : 2);
            const Wedge& w = wedge_[static_cast<std::size_t>(halves[h].triangle)][slot];
            const bool turn_back = std::abs(std::remainder(back - w.start, two_pi)) < 1e-9;
            for (auto it = first; it != last; ++it) {
                const std::size_t cand = it->second;
                if (used[cand] && cand != h0) {
                    continue;
                }
                double turn = ray_angle(at, halves[cand].to) - back;
                turn = std::fmod(turn_back ? -turn : turn, two_pi);
                if (turn <= 0.0) {
                    turn += two_pi;
                }
                if (turn < best) {
                    best = turn;
                    next = cand;
                }
            }
            if (next == halves.size()) {
                break;
            }
            if (next == h0) {
                closed = true;
                break;
            }
            h = next;
        }
        if (closed && loop.size() >= 3) {
            loops.push_back(std::move(loop));
        }
    }
    return loops;
}

bool MeshBuilder::fill_rim(std::vector<int> rim, std::span<const std::uint32_t> near,
                           std::size_t k, std::size_t& added)
{
    // Points no triangle reaches, near the rim: the hole may hold them.
    std::vector<int> inside;
    for (const int v : rim) {
        for (std::size_t j = 0; j < k; ++j) {
            const int p = static_cast<int>(near[static_cast<std::size_t>(v) * k + j]);
            if (incident_[static_cast<std::size_t>(p)].empty() &&
                std::find(inside.begin(), inside.end(), p) == inside.end()) {
                inside.push_back(p);
            }
        }
    }
    const auto point = [&](int v) -> const Vec3& { return xyz_[static_cast<std::size_t>(v)]; };
    // The hole is judged in the plane across the mean normal of its rim's points.
    Vec3 chart{0.0, 0.0, 0.0};
    const Vec3& first_normal = normals_[static_cast<std::size_t>(rim[0])];
    for (const int v : rim) {
        const Vec3& n = normals_[static_cast<std::size_t>(v)];
        chart = chart + (vec_dot(n, first_normal) < 0.0 ? vec_scale(n, -1.0) : n);
    }
    const double chart_length = vec_length(chart);
    if (!(chart_length > 0.0)) {
        return false;
    }
    chart = vec_scale(chart, 1.0 / chart_length);
    while (rim.size() >= 3) {
        const std::size_t m = rim.size();
        if (m == 3) {
            if (add(rim[0], rim[1], rim[2], &chart) < 0) {
                return false;
            }
            ++added;
            return true;
        }
        // The best next triangle: on a rim edge with a point inside (preferred, so that the
        // points are reached), or an ear cutting off one rim point; the one of the widest
        // smallest angle that the mesh accepts.
        struct Option {
            double score;
            std::size_t edge;
            int apex; // -1: the ear at rim[edge + 1]
        };
        std::vector<Option> options;
        for (std::size_t i = 0; i < m; ++i) {
            const int x = rim[i];
            const int y = rim[(i + 1) % m];
            const int z = rim[(i + 2) % m];
            int found[2];
            if (edge_triangles(x, z, found) == 0) {
                options.push_back({smallest_angle(point(x), point(y), point(z)), i, -1});
            }
            for (const int p : inside) {
                if (incident_[static_cast<std::size_t>(p)].empty()) {
                    options.push_back({0.5 + smallest_angle(point(x), point(y), point(p)), i, p});
                }
            }
        }
        std::sort(options.begin(), options.end(), [](const Option& l, const Option& r) {
            return l.score != r.score ? l.score > r.score
                                      : (l.edge != r.edge ? l.edge < r.edge : l.apex < r.apex);
        });
        bool done = false;
        for (const Option& o : options) {
            const int x = rim[o.edge];
            const int y = rim[(o.edge + 1) % m];
            if (o.apex < 0) {
                const int z = rim[(o.edge + 2) % m];
                if (add(x, y, z, &chart) >= 0) {
                    rim.erase(rim.begin() + static_cast<std::ptrdiff_t>((o.edge + 1) % m));
                    done = true;
                }
            } else if (std::find(rim.begin(), rim.end(), o.apex) == rim.end() &&
                       add(x, y, o.apex, &chart) >= 0) {
                rim.insert(rim.begin() + static_cast<std::ptrdiff_t>(o.edge + 1), o.apex);
                done = true;
            }
            if (done) {
                ++added;
                break;
            }
        }
        if (!done) {
            return false;
        }
    }
    return true;
}

std::size_t MeshBuilder::fill_holes(std::size_t max_edges, double max_perimeter,
                                    std::span<const std::uint32_t> near, std::size_t k)
{
    std::size_t added = 0;
    for (const std::vector<int>& rim : rims()) {
        if (rim.size() > max_edges) {
            continue;
        }
        double perimeter = 0.0;
        for (std::size_t i = 0; i < rim.size(); ++i) {
            perimeter += vec_length(xyz_[static_cast<std::size_t>(rim[(i + 1) % rim.size()])] -
                                    xyz_[static_cast<std::size_t>(rim[i])]);
        }
        if (perimeter <= max_perimeter) {
            (void)fill_rim(rim, near, k, added);
        }
    }
    return added;
}

std::size_t MeshBuilder::separate_pinches()
{
    std::size_t removed = 0;
    bool changed = true;
    while (changed) {
        changed = false;
        for (std::size_t v = 0; v < incident_.size(); ++v) {
            const std::vector<Corner>& at_v = incident_[v];
            if (at_v.size() < 2) {
                continue;
            }
            // One fan has no edge at v with one triangle (closed) or two: only more can be
            // pinched, so most points are passed at once.
            int single = 0;
            for (const Corner& c : at_v) {
                int found[2];
                single += edge_triangles(static_cast<int>(v), c.p, found) == 1 ? 1 : 0;
                single += edge_triangles(static_cast<int>(v), c.q, found) == 1 ? 1 : 0;
            }
            if (single <= 2) {
                continue;
            }
            std::vector<int> list;
            for (const Corner& c : at_v) {
                list.push_back(c.triangle);
            }
            // Fans: triangles at v joined through their edges at v.
            std::vector<int> fan(list.size());
            std::iota(fan.begin(), fan.end(), 0);
            const auto top = [&](int i) {
                while (fan[static_cast<std::size_t>(i)] != i) {
                    i = fan[static_cast<std::size_t>(i)];
                }
                return i;
            };
            for (std::size_t i = 0; i < list.size(); ++i) {
                for (std::size_t j = 0; j < i; ++j) {
                    const auto& ti = tri_[static_cast<std::size_t>(list[i])];
                    const auto& tj = tri_[static_cast<std::size_t>(list[j])];
                    int shared = 0;
                    for (const int p : ti) {
                        shared += (p == tj[0] || p == tj[1] || p == tj[2]) ? 1 : 0;
                    }
                    if (shared >= 2) {
                        fan[static_cast<std::size_t>(top(static_cast<int>(i)))] =
                            top(static_cast<int>(j));
                    }
                }
            }
            std::vector<int> members(list.size(), 0);
            for (std::size_t i = 0; i < list.size(); ++i) {
                ++members[static_cast<std::size_t>(top(static_cast<int>(i)))];
            }
            int keep = top(0);
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (members[i] > members[static_cast<std::size_t>(keep)]) {
                    keep = static_cast<int>(i);
                }
            }
            std::vector<int> going;
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (top(static_cast<int>(i)) != keep) {
                    going.push_back(list[i]);
                }
            }
            for (const int t : going) {
                remove(t);
                ++removed;
                changed = true;
            }
        }
    }
    return removed;
}

MeshSummary summarise_mesh(std::size_t n, std::span<const int> a, std::span<const int> b,
                           std::span<const int> c)
{
    MeshSummary s;
    const std::size_t m = a.size();
    struct Edge {
        int low;
        int high;
        int forward; // 1 when the triangle runs low -> high
        int triangle;
    };
    std::vector<Edge> edges;
    edges.reserve(3 * m);
    std::vector<char> reached(n + 1, 0);
    for (std::size_t t = 0; t < m; ++t) {
        const int v[3] = {a[t], b[t], c[t]};
        for (int i = 0; i < 3; ++i) {
            const int x = v[i];
            const int y = v[(i + 1) % 3];
            edges.push_back({std::min(x, y), std::max(x, y), x < y ? 1 : 0, static_cast<int>(t)});
            reached[static_cast<std::size_t>(x)] = 1;
        }
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) {
        return l.low != r.low ? l.low < r.low : (l.high != r.high ? l.high < r.high : l.triangle < r.triangle);
    });
    // Corners (triangle, point) joined through the edges two triangles share: the fans.
    std::vector<int> corner(3 * m);
    std::iota(corner.begin(), corner.end(), 0);
    const auto top = [&](int i) {
        while (corner[static_cast<std::size_t>(i)] != i) {
            corner[static_cast<std::size_t>(i)] = corner[static_cast<std::size_t>(corner[static_cast<std::size_t>(i)])];
            i = corner[static_cast<std::size_t>(i)];
        }
        return i;
    };
    const auto slot = [&](int t, int p) {
        const auto u = static_cast<std::size_t>(t);
        return 3 * t + (a[u] == p ? 0 : (b[u] == p ? 1 : 2));
    };
    std::vector<int> rim(n + 1);
    std::iota(rim.begin(), rim.end(), 0);
    const auto rim_top = [&](int i) {
        while (rim[static_cast<std::size_t>(i)] != i) {
            rim[static_cast<std::size_t>(i)] = rim[static_cast<std::size_t>(rim[static_cast<std::size_t>(i)])];
            i = rim[static_cast<std::size_t>(i)];
        }
        return i;
    };
    std::vector<char> on_rim(n + 1, 0);
    for (std::size_t i = 0; i < edges.size();) {
        std::size_t j = i;
        while (j < edges.size() && edges[j].low == edges[i].low && edges[j].high == edges[i].high) {
            ++j;
        }
        const std::size_t count = j - i;
        if (count == 1) {
            ++s.boundary_edges;
            rim[static_cast<std::size_t>(rim_top(edges[i].low))] = rim_top(edges[i].high);
            on_rim[static_cast<std::size_t>(edges[i].low)] = 1;
            on_rim[static_cast<std::size_t>(edges[i].high)] = 1;
        } else if (count >= 3) {
            ++s.non_manifold_edges;
        } else if (edges[i].forward == edges[i + 1].forward) {
            ++s.inconsistent_edges;
        }
        for (std::size_t e = i + 1; count == 2 && e < j; ++e) {
            for (const int p : {edges[i].low, edges[i].high}) {
                corner[static_cast<std::size_t>(top(slot(edges[i].triangle, p)))] =
                    top(slot(edges[e].triangle, p));
            }
        }
        i = j;
    }
    std::vector<int> fans(n + 1, 0);
    for (std::size_t t = 0; t < m; ++t) {
        const int v[3] = {a[t], b[t], c[t]};
        for (int i = 0; i < 3; ++i) {
            if (top(static_cast<int>(3 * t) + i) == static_cast<int>(3 * t) + i) {
                ++fans[static_cast<std::size_t>(v[i])];
            }
        }
    }
    for (std::size_t p = 1; p <= n; ++p) {
        s.reached += reached[p];
        s.non_manifold_points += fans[p] > 1 ? 1 : 0;
        s.boundary_loops += on_rim[p] && rim_top(static_cast<int>(p)) == static_cast<int>(p) ? 1 : 0;
    }
    return s;
}

} // namespace tengun
