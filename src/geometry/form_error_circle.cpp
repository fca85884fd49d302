// Roundness: the thinnest annulus in the plane. Its centre is fixed by four points: three on the
// outer circle and one on the inner (a vertex of the farthest-point Voronoi diagram), one outer
// and three inner (a vertex of the nearest-point diagram), or two and two (an edge of each
// diagram crossing). A subset of the points is solved exactly by trying each: a triple's
// circumcircle is a farthest-point vertex when it holds every point and a nearest-point vertex
// when it holds none, and the pairs of those triples are the diagrams' edges. The subset's
// annulus is then checked against every point and the worst points outside it, per sector of
// directions from the fitted centre, join the subset until none lies outside.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/form_error.h"
#include "geometry/form_error_parts.h"

namespace tengun {

namespace {

using form_detail::point_numbers;

constexpr int max_rounds = 200;         // subset rounds before the best annulus so far is kept
constexpr std::size_t max_subset = 256; // the subset's size, likewise
constexpr std::size_t worst_added = 8;  // the worst points outside added each round, each side
constexpr double inf = std::numeric_limits<double>::infinity();

struct P2 {
    double x = 0.0;
    double y = 0.0;
};

double sq(double v)
{
    return v * v;
}

/// An annulus of the subset: centre, the squared smallest and largest distance of the subset's
/// points from it, and the four points (subset positions) that fix it.
struct Annulus {
    P2 centre;
    double inner2 = 0.0;
    double outer2 = 0.0;
    std::array<std::size_t, 4> fixing{};
    [[nodiscard]] double width() const { return std::sqrt(outer2) - std::sqrt(inner2); }
};

/// The squared distances of q from c: their extremes; false (cut short) as soon as one leaves
/// [floor2, ceiling2].
bool spread_within(const std::vector<P2>& q, const P2& c, double floor2, double ceiling2,
                   Annulus& a)
{
    a.centre = c;
    a.inner2 = inf;
    a.outer2 = -inf;
    std::size_t in = 0;
    std::size_t out = 0;
    for (std::size_t s = 0; s < q.size(); ++s) {
        const double d2 = sq(q[s].x - c.x) + sq(q[s].y - c.y);
        if (d2 > ceiling2 || d2 < floor2) {
            return false;
        }
        if (d2 < a.inner2) {
            a.inner2 = d2;
            in = s;
        }
        if (d2 > a.outer2) {
            a.outer2 = d2;
            out = s;
        }
    }
    a.fixing = {in, out, in, out};
    return true;
}

/// The thinnest annulus of the points q (coordinates about a point near their centre, `size`
/// their extent) among the centres four of them fix; false when no three span a circle.
bool thinnest_annulus(const std::vector<P2>& q, double size, Annulus& best)
{
    const std::size_t k = q.size();
    double best_width = inf;
    const double exact = 1e-15 * size; // an annulus this thin cannot be beaten
    std::vector<char> outer_edge(k * k, 0);
    std::vector<char> inner_edge(k * k, 0);
    const double tiny_area = 1e-14 * size * size;

    for (std::size_t i = 0; i < k && best_width > exact; ++i) {
        for (std::size_t j = i + 1; j < k; ++j) {
            const P2 a{q[j].x - q[i].x, q[j].y - q[i].y};
            const double a2 = sq(a.x) + sq(a.y);
            for (std::size_t l = j + 1; l < k; ++l) {
                const P2 b{q[l].x - q[i].x, q[l].y - q[i].y};
                const double det = 2.0 * (a.x * b.y - a.y * b.x);
                if (!(std::abs(det) > tiny_area)) {
                    continue;
                }
                const double b2 = sq(b.x) + sq(b.y);
                const P2 u{(b.y * a2 - a.y * b2) / det, (a.x * b2 - b.x * a2) / det};
                const P2 c{q[i].x + u.x, q[i].y + u.y};
                const double rho2 = sq(u.x) + sq(u.y);
                const double tol2 = 1e-11 * size * (std::sqrt(rho2) + size) *
                                    std::max(1.0, size * size / std::abs(det));
                bool inside = false;
                bool outside = false;
                for (std::size_t s = 0; s < k && !(inside && outside); ++s) {
                    const double d2 = sq(q[s].x - c.x) + sq(q[s].y - c.y);
                    inside = inside || d2 < rho2 - tol2;
                    outside = outside || d2 > rho2 + tol2;
                }
                if (inside && outside) {
                    continue;
                }
                Annulus an;
                spread_within(q, c, -inf, inf, an);
                if (!outside) {
                    // Holds every point: three on the outer circle, the nearest on the inner.
                    outer_edge[i * k + j] = outer_edge[i * k + l] = outer_edge[j * k + l] = 1;
                    an.fixing = {i, j, l, an.fixing[0]};
                }
                if (!inside) {
                    // Holds none: three on the inner circle, the farthest on the outer.
                    inner_edge[i * k + j] = inner_edge[i * k + l] = inner_edge[j * k + l] = 1;
                    if (outside) {
                        an.fixing = {i, j, l, an.fixing[1]};
                    }
                }
                if (an.width() < best_width) {
                    best_width = an.width();
                    best = an;
                }
            }
        }
    }
    if (best_width == inf) {
        return false;
    }

    // Two and two: an outer pair's bisector crossing an inner pair's.
    std::vector<std::array<std::size_t, 2>> outer_pairs;
    std::vector<std::array<std::size_t, 2>> inner_pairs;
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = i + 1; j < k; ++j) {
            if (outer_edge[i * k + j] != 0) {
                outer_pairs.push_back({i, j});
            }
            if (inner_edge[i * k + j] != 0) {
                inner_pairs.push_back({i, j});
            }
        }
    }
    for (const auto& [i, j] : outer_pairs) {
        if (!(best_width > exact)) {
            break;
        }
        // Bisector of (i, j): (q_j - q_i) . c = (|q_j|^2 - |q_i|^2) / 2, about q_i for accuracy.
        const P2 e{q[j].x - q[i].x, q[j].y - q[i].y};
        const double e_rhs = 0.5 * (sq(e.x) + sq(e.y));
        for (const auto& [m, l] : inner_pairs) {
            if (m == i || m == j || l == i || l == j) {
                continue;
            }
            const P2 f{q[l].x - q[m].x, q[l].y - q[m].y};
            const P2 w{q[m].x - q[i].x, q[m].y - q[i].y}; // q_m about q_i
            // f . (c - q_m) = |f|^2 / 2  ->  f . c' = |f|^2 / 2 + f . w with c' = c - q_i.
            const double f_rhs = 0.5 * (sq(f.x) + sq(f.y)) + f.x * w.x + f.y * w.y;
            const double det = e.x * f.y - e.y * f.x;
            if (!(std::abs(det) > tiny_area)) {
                continue;
            }
            const P2 cc{(e_rhs * f.y - e.y * f_rhs) / det, (e.x * f_rhs - f.x * e_rhs) / det};
            const double outer2 = sq(cc.x) + sq(cc.y);
            const double inner2 = sq(cc.x - w.x) + sq(cc.y - w.y);
            if (!(outer2 > inner2) || std::sqrt(outer2) - std::sqrt(inner2) >= best_width) {
                continue;
            }
            const P2 c{q[i].x + cc.x, q[i].y + cc.y};
            const double tol2 = 1e-11 * size * (std::sqrt(outer2) + size) *
                                std::max(1.0, size * size / std::abs(det));
            Annulus an;
            if (spread_within(q, c, inner2 - tol2, outer2 + tol2, an) && an.width() < best_width) {
                an.fixing = {i, j, m, l};
                best_width = an.width();
                best = an;
            }
        }
    }
    return true;
}

/// Sector 0..sectors-1 of the direction (x, y), from a pseudo-angle (no trigonometry).
int sector_of(const P2& p, int sectors)
{
    const double s = std::abs(p.x) + std::abs(p.y);
    if (!(s > 0.0)) {
        return 0;
    }
    double a = p.y / s; // -1..1 over the right half
    a = p.x >= 0.0 ? (a < 0.0 ? 4.0 + a : a) : 2.0 - a;
    return std::clamp(static_cast<int>(a * (sectors / 4.0)), 0, sectors - 1);
}

} // namespace

Status roundness(std::span<const Vec3> points, const Mat3& frame, const Vec3& centre,
                 FormErrors& out)
{
    return form_detail::roundness_in_sectors(points, frame, centre, 16, out);
}

Status form_detail::roundness_in_sectors(std::span<const Vec3> points, const Mat3& frame,
                                         const Vec3& centre, int sectors, FormErrors& out)
{
    sectors = std::max(sectors, 1);
    const std::size_t n = points.size();
    if (n < 3) {
        return Status::error;
    }
    const Vec3 fc = mat_vec(frame, centre);
    std::vector<P2> q(n);
    std::vector<Vec3> flat(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 u = mat_vec(frame, points[i]);
        q[i] = {u[0] - fc[0], u[1] - fc[1]};
        flat[i] = {q[i].x, q[i].y, 0.0};
    }
    const double size = form_detail::cloud_size(flat);
    const auto spreads = form_detail::principal_spreads(flat);
    if (form_detail::negligible_spread(std::hypot(spreads.rms[0], spreads.rms[1]), spreads, size)) {
        return Status::error; // on one line in the plane: no circle is fixed
    }
    flat = {};

    const auto world = [&](const P2& c) {
        return mat_t_vec(Vec3{c.x + fc[0], c.y + fc[1], fc[2]}, frame);
    };
    const auto zone_of = [&](const P2& c, double inner2, double outer2) {
        FormZone z;
        z.kind = FormKind::roundness;
        z.direction = frame[2];
        z.point = world(c);
        z.lower = std::sqrt(inner2);
        z.upper = std::sqrt(outer2);
        z.width = z.upper - z.lower;
        return z;
    };

    FormErrors result;
    std::vector<std::size_t> sector(n);
    {
        double lo = inf;
        double hi = -inf;
        std::size_t ilo = 0;
        std::size_t ihi = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double d2 = sq(q[i].x) + sq(q[i].y);
            sector[i] = static_cast<std::size_t>(sector_of(q[i], sectors));
            if (d2 < lo) {
                lo = d2;
                ilo = i;
            }
            if (d2 > hi) {
                hi = d2;
                ihi = i;
            }
        }
        result.least_squares = zone_of({}, lo, hi);
        result.least_squares.defining_points = point_numbers({ihi, ilo});
    }

    // First subset: the nearest and farthest point of each sector from the fitted centre.
    std::vector<std::size_t> subset;
    std::vector<char> in_subset(n, 0);
    const auto add_worst = [&](const std::vector<double>& amount,
                               const std::vector<std::size_t>& index, double floor) {
        for (std::size_t s = 0; s < amount.size(); ++s) {
            if (amount[s] > floor && in_subset[index[s]] == 0) {
                in_subset[index[s]] = 1;
                subset.push_back(index[s]);
            }
        }
    };
    {
        std::vector<double> far(static_cast<std::size_t>(sectors));
        std::vector<double> near(static_cast<std::size_t>(sectors));
        std::vector<std::size_t> ifar(static_cast<std::size_t>(sectors));
        std::vector<std::size_t> inear(static_cast<std::size_t>(sectors));
        std::fill(far.begin(), far.end(), -inf);
        std::fill(near.begin(), near.end(), -inf);
        for (std::size_t i = 0; i < n; ++i) {
            const double d2 = sq(q[i].x) + sq(q[i].y);
            const std::size_t s = sector[i];
            if (d2 > far[s]) {
                far[s] = d2;
                ifar[s] = i;
            }
            if (-d2 > near[s]) {
                near[s] = -d2;
                inear[s] = i;
            }
        }
        add_worst(far, ifar, -inf);
        add_worst(near, inear, -inf);
    }

    const double tol = 1e-12 * size;
    FormZone best = result.least_squares;
    for (int round = 0; round < max_rounds; ++round) {
        std::vector<P2> sq_points;
        sq_points.reserve(subset.size());
        for (const std::size_t i : subset) {
            sq_points.push_back(q[i]);
        }
        Annulus an;
        if (!thinnest_annulus(sq_points, size, an)) {
            // The subset lies on one line (the cloud does not): add the point farthest from it.
            std::size_t off = 0;
            double off_distance = -1.0;
            const P2 a = sq_points.front();
            P2 u{1.0, 0.0};
            for (const P2& p : sq_points) {
                const double len = std::hypot(p.x - a.x, p.y - a.y);
                if (len > 0.0) {
                    u = {(p.x - a.x) / len, (p.y - a.y) / len};
                }
            }
            for (std::size_t i = 0; i < n; ++i) {
                const double d = std::abs((q[i].x - a.x) * u.y - (q[i].y - a.y) * u.x);
                if (d > off_distance) {
                    off_distance = d;
                    off = i;
                }
            }
            if (in_subset[off] != 0) {
                break;
            }
            in_subset[off] = 1;
            subset.push_back(off);
            continue;
        }
        const double outer = std::sqrt(an.outer2);
        const double inner = std::sqrt(an.inner2);
        const double over_floor = an.outer2 + 2.0 * outer * tol;
        const double under_floor = an.inner2 - 2.0 * inner * tol;
        std::vector<double> over(static_cast<std::size_t>(sectors));
        std::vector<double> under(static_cast<std::size_t>(sectors));
        std::vector<std::size_t> iover(static_cast<std::size_t>(sectors));
        std::vector<std::size_t> iunder(static_cast<std::size_t>(sectors));
        std::fill(over.begin(), over.end(), 0.0);
        std::fill(under.begin(), under.end(), 0.0);
        double lo = inf;
        double hi = -inf;
        std::size_t ilo = 0;
        std::size_t ihi = 0;
        bool outside = false;
        form_detail::WorstPoints worst_over(worst_added);
        form_detail::WorstPoints worst_under(worst_added);
        for (std::size_t i = 0; i < n; ++i) {
            const double d2 = sq(q[i].x - an.centre.x) + sq(q[i].y - an.centre.y);
            if (d2 < lo) {
                lo = d2;
                ilo = i;
            }
            if (d2 > hi) {
                hi = d2;
                ihi = i;
            }
            if (d2 > over_floor) {
                outside = true;
                worst_over.offer(d2 - an.outer2, i);
                if (d2 - an.outer2 > over[sector[i]]) {
                    over[sector[i]] = d2 - an.outer2;
                    iover[sector[i]] = i;
                }
            }
            if (d2 < under_floor) {
                outside = true;
                worst_under.offer(an.inner2 - d2, i);
                if (an.inner2 - d2 > under[sector[i]]) {
                    under[sector[i]] = an.inner2 - d2;
                    iunder[sector[i]] = i;
                }
            }
        }
        if (std::sqrt(hi) - std::sqrt(lo) < best.width || !outside) {
            best = zone_of(an.centre, lo, hi);
            best.defining_points =
                outside ? point_numbers({ihi, ilo})
                        : point_numbers({subset[an.fixing[0]], subset[an.fixing[1]],
                                         subset[an.fixing[2]], subset[an.fixing[3]]});
        }
        if (!outside) {
            result.minimum_zone_exact = true;
            break;
        }
        add_worst(over, iover, 0.0);
        add_worst(under, iunder, 0.0);
        for (const auto* worst : {&worst_over, &worst_under}) {
            for (const auto& [amount, i] : worst->items()) {
                if (in_subset[i] == 0) {
                    in_subset[i] = 1;
                    subset.push_back(i);
                }
            }
        }
        if (subset.size() > max_subset) {
            break; // evenly round points: every centre needs its own extremes
        }
    }
    result.minimum_zone = best;
    form_detail::settle(result, form_detail::coordinate_scale(size, mat_t_vec(fc, frame)));
    out = std::move(result);
    return Status::ok;
}

} // namespace tengun
