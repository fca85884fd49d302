// Flatness. The minimum-zone planes are fixed by the convex hull: the thinnest slab has a hull
// facet on one side and a vertex on the other, or a hull edge on each side. A subset of the
// points is solved exactly by trying every such pair among its own hull features (a triple is a
// facet when no point lies on both sides of its plane; its edges are the hull edges); the
// subset's slab is then checked against every point, and the worst points outside it, the
// worst of each cell of a grid over the plane, join the subset until none lies outside. As the
// subset's width bounds the width of all points from below in every direction, that slab is
// the minimum zone of all of them.
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

constexpr int max_rounds = 200;         // subset rounds before the best slab so far is kept
constexpr std::size_t max_subset = 256; // the subset's size, likewise
constexpr std::size_t worst_added = 8;  // the worst points outside added each round, each side
constexpr double inf = std::numeric_limits<double>::infinity();

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

/// A slab of the subset: unit normal, the extent of the points along it, the four points
/// (subset positions) that fix it.
struct Slab {
    Vec3 normal{};
    double lo = 0.0;
    double hi = 0.0;
    std::array<std::size_t, 4> fixing{};
    [[nodiscard]] double width() const { return hi - lo; }
};

/// The extent of q along n; false (and the scan cut short) as soon as a point leaves
/// [floor, ceiling].
bool extent_within(const std::vector<Vec3>& q, const Vec3& n, double floor, double ceiling,
                   double& lo, double& hi, std::size_t& ilo, std::size_t& ihi)
{
    lo = inf;
    hi = -inf;
    for (std::size_t s = 0; s < q.size(); ++s) {
        const double t = vec_dot(n, q[s]);
        if (t > ceiling || t < floor) {
            return false;
        }
        if (t < lo) {
            lo = t;
            ilo = s;
        }
        if (t > hi) {
            hi = t;
            ihi = s;
        }
    }
    return true;
}

/// The thinnest slab of the points q (coordinates about a point near them, `size` their
/// extent); false when no three of them span a plane.
bool thinnest_slab(const std::vector<Vec3>& q, double size, Slab& best)
{
    const std::size_t k = q.size();
    double best_width = inf;
    std::vector<char> hull_edge(k * k, 0);
    const double tiny_area = 1e-14 * size * size;

    // Facet and vertex: a triple whose plane has every point on one side.
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = i + 1; j < k; ++j) {
            const Vec3 a = q[j] - q[i];
            for (std::size_t l = j + 1; l < k; ++l) {
                const Vec3 nn = cross(a, q[l] - q[i]);
                const double len = vec_length(nn);
                if (!(len > tiny_area)) {
                    continue;
                }
                const Vec3 n = (1.0 / len) * nn;
                // The normal of a thin triangle is known less well: widen the side test with it.
                const double tol = 1e-11 * size * std::max(1.0, size * size / len);
                const double base = vec_dot(n, q[i]);
                bool above = false;
                bool below = false;
                for (std::size_t s = 0; s < k && !(above && below); ++s) {
                    const double t = vec_dot(n, q[s]) - base;
                    above = above || t > tol;
                    below = below || t < -tol;
                }
                if (above && below) {
                    continue;
                }
                hull_edge[i * k + j] = hull_edge[i * k + l] = hull_edge[j * k + l] = 1;
                Slab s{n, 0, 0, {i, j, l, 0}};
                std::size_t ilo = 0;
                std::size_t ihi = 0;
                extent_within(q, n, -inf, inf, s.lo, s.hi, ilo, ihi);
                s.fixing[3] = above ? ihi : ilo;
                if (s.width() < best_width) {
                    best_width = s.width();
                    best = s;
                }
            }
        }
    }
    if (best_width == inf) {
        return false;
    }

    // Edge and edge: the direction across both edges, kept when one edge is highest and the
    // other lowest along it.
    std::vector<std::array<std::size_t, 2>> edges;
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = i + 1; j < k; ++j) {
            if (hull_edge[i * k + j] != 0) {
                edges.push_back({i, j});
            }
        }
    }
    for (std::size_t e = 0; e < edges.size(); ++e) {
        const auto [a1, b1] = edges[e];
        const Vec3 d1 = q[b1] - q[a1];
        for (std::size_t f = e + 1; f < edges.size(); ++f) {
            const auto [a2, b2] = edges[f];
            if (a2 == a1 || a2 == b1 || b2 == a1 || b2 == b1) {
                continue;
            }
            const Vec3 nn = cross(d1, q[b2] - q[a2]);
            const double len = vec_length(nn);
            if (!(len > tiny_area)) {
                continue;
            }
            Vec3 n = (1.0 / len) * nn;
            double t1 = vec_dot(n, q[a1]);
            double t2 = vec_dot(n, q[a2]);
            if (t1 < t2) {
                n = -1.0 * n;
                t1 = -t1;
                t2 = -t2;
            }
            if (t1 - t2 >= best_width) {
                continue; // both edges are in the set: the width along n is at least this
            }
            const double tol = 1e-11 * size * std::max(1.0, size * size / len);
            Slab s{n, 0, 0, {a1, b1, a2, b2}};
            std::size_t ilo = 0;
            std::size_t ihi = 0;
            if (extent_within(q, n, t2 - tol, t1 + tol, s.lo, s.hi, ilo, ihi) &&
                s.width() < best_width) {
                best_width = s.width();
                best = s;
            }
        }
    }
    return true;
}

} // namespace

Status flatness(std::span<const Vec3> points, const Vec3& normal, double offset, FormErrors& out)
{
    return form_detail::flatness_in_cells(points, normal, offset, 4, out);
}

Status form_detail::flatness_in_cells(std::span<const Vec3> points, const Vec3& normal,
                                      double offset, int grid_cells, FormErrors& out)
{
    grid_cells = std::max(grid_cells, 1);
    const std::size_t n = points.size();
    if (n < 3) {
        return Status::error;
    }
    const double size = form_detail::cloud_size(points);
    const auto spreads = form_detail::principal_spreads(points);
    if (form_detail::negligible_spread(std::hypot(spreads.rms[0], spreads.rms[1]), spreads, size)) {
        return Status::error; // on one line: no plane is fixed
    }

    FormErrors result;
    {
        double lo = inf;
        double hi = -inf;
        std::size_t ilo = 0;
        std::size_t ihi = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double r = vec_dot(normal, points[i]) - offset;
            if (r < lo) {
                lo = r;
                ilo = i;
            }
            if (r > hi) {
                hi = r;
                ihi = i;
            }
        }
        FormZone& z = result.least_squares;
        z.kind = FormKind::flatness;
        z.width = hi - lo;
        z.direction = normal;
        z.lower = offset + lo;
        z.upper = offset + hi;
        z.point = (0.5 * (z.lower + z.upper)) * normal;
        z.defining_points = point_numbers({ihi, ilo});
    }

    // The grid over the fitted plane that spreads the subset and its additions.
    const Mat3 frame = form_detail::frame_about(normal);
    const Vec3 origin = form_detail::centroid(points);
    double s_lo = inf;
    double s_hi = -inf;
    double t_lo = inf;
    double t_hi = -inf;
    for (const Vec3& p : points) {
        const Vec3 y = p - origin;
        const double s = vec_dot(frame[0], y);
        const double t = vec_dot(frame[1], y);
        s_lo = std::min(s_lo, s);
        s_hi = std::max(s_hi, s);
        t_lo = std::min(t_lo, t);
        t_hi = std::max(t_hi, t);
    }
    const auto cell_of = [&](const Vec3& p) {
        const Vec3 y = p - origin;
        const auto index = [grid_cells](double v, double lo, double hi) {
            const double f = hi > lo ? (v - lo) / (hi - lo) : 0.0;
            return std::clamp(static_cast<int>(f * grid_cells), 0, grid_cells - 1);
        };
        return static_cast<std::size_t>(index(vec_dot(frame[0], y), s_lo, s_hi) * grid_cells +
                                        index(vec_dot(frame[1], y), t_lo, t_hi));
    };
    const auto cells = static_cast<std::size_t>(grid_cells * grid_cells);

    // First subset: the highest and lowest point of each cell along the fitted normal.
    std::vector<std::size_t> subset;
    std::vector<char> in_subset(n, 0);
    {
        std::vector<double> top(cells);
        std::vector<double> bottom(cells);
        std::vector<std::size_t> itop(cells);
        std::vector<std::size_t> ibottom(cells);
        std::fill(top.begin(), top.end(), -inf);
        std::fill(bottom.begin(), bottom.end(), inf);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t c = cell_of(points[i]);
            const double h = vec_dot(normal, points[i] - origin);
            if (h > top[c]) {
                top[c] = h;
                itop[c] = i;
            }
            if (h < bottom[c]) {
                bottom[c] = h;
                ibottom[c] = i;
            }
        }
        for (std::size_t c = 0; c < cells; ++c) {
            for (const std::size_t i : {itop[c], ibottom[c]}) {
                if (top[c] > -inf && in_subset[i] == 0) {
                    in_subset[i] = 1;
                    subset.push_back(i);
                }
            }
        }
    }

    const double tol = 1e-12 * size;
    FormZone best = result.least_squares;
    for (int round = 0; round < max_rounds; ++round) {
        std::vector<Vec3> q;
        q.reserve(subset.size());
        for (const std::size_t i : subset) {
            q.push_back(points[i] - origin);
        }
        Slab slab;
        const bool found = thinnest_slab(q, size, slab);
        if (found && vec_dot(slab.normal, normal) < 0.0) {
            // The fitted plane's sense, so that the offsets compare with its own.
            slab.normal = -1.0 * slab.normal;
            slab = {slab.normal, -slab.hi, -slab.lo, slab.fixing};
        }
        if (!found) {
            // The subset lies on one line (the cloud does not): add the point farthest from it.
            std::size_t far = 0;
            for (std::size_t s = 1; s < q.size(); ++s) {
                if (vec_length(q[s] - q[0]) > vec_length(q[far] - q[0])) {
                    far = s;
                }
            }
            const double span = vec_length(q[far] - q[0]);
            const Vec3 u = span > 0.0 ? (1.0 / span) * (q[far] - q[0]) : frame[0];
            std::size_t off = 0;
            double off_distance = -1.0;
            for (std::size_t i = 0; i < n; ++i) {
                const Vec3 y = points[i] - origin - q[0];
                const double d = vec_length(y - vec_dot(y, u) * u);
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
        // Every point against the subset's slab; the worst outside it per cell join the subset.
        std::vector<double> over(cells);
        std::vector<double> under(cells);
        std::vector<std::size_t> iover(cells);
        std::vector<std::size_t> iunder(cells);
        std::fill(over.begin(), over.end(), tol);
        std::fill(under.begin(), under.end(), tol);
        double lo = inf;
        double hi = -inf;
        std::size_t ilo = 0;
        std::size_t ihi = 0;
        bool outside = false;
        form_detail::WorstPoints worst_over(worst_added);
        form_detail::WorstPoints worst_under(worst_added);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = vec_dot(slab.normal, points[i] - origin);
            if (t < lo) {
                lo = t;
                ilo = i;
            }
            if (t > hi) {
                hi = t;
                ihi = i;
            }
            if (t - slab.hi > tol || slab.lo - t > tol) {
                outside = true;
                const std::size_t c = cell_of(points[i]);
                if (t - slab.hi > over[c]) {
                    over[c] = t - slab.hi;
                    iover[c] = i;
                }
                if (slab.lo - t > under[c]) {
                    under[c] = slab.lo - t;
                    iunder[c] = i;
                }
                worst_over.offer(t - slab.hi, i);
                worst_under.offer(slab.lo - t, i);
            }
        }
        if (hi - lo < best.width || !outside) {
            const double shift = vec_dot(slab.normal, origin);
            best.width = hi - lo;
            best.direction = slab.normal;
            best.lower = lo + shift;
            best.upper = hi + shift;
            best.point = (0.5 * (best.lower + best.upper)) * slab.normal;
            best.defining_points =
                outside ? point_numbers({ihi, ilo})
                        : point_numbers({subset[slab.fixing[0]], subset[slab.fixing[1]],
                                         subset[slab.fixing[2]], subset[slab.fixing[3]]});
        }
        if (!outside) {
            result.minimum_zone_exact = true;
            break;
        }
        const auto add = [&](double amount, std::size_t i) {
            if (amount > tol && in_subset[i] == 0) {
                in_subset[i] = 1;
                subset.push_back(i);
            }
        };
        for (std::size_t c = 0; c < cells; ++c) {
            add(over[c], iover[c]);
            add(under[c], iunder[c]);
        }
        for (const auto& [amount, i] : worst_over.items()) {
            add(amount, i);
        }
        for (const auto& [amount, i] : worst_under.items()) {
            add(amount, i);
        }
        if (subset.size() > max_subset) {
            break; // evenly round points: every direction needs its own extremes
        }
    }
    result.minimum_zone = best;
    form_detail::settle(result, form_detail::coordinate_scale(size, spreads.centre));
    out = std::move(result);
    return Status::ok;
}

} // namespace tengun
