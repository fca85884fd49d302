#pragma once
// Slow, obvious references for the form-error tests: the zone widths of given features, the
// minimum-zone flatness and roundness by brute force over every four-point configuration
// (every triple's plane or circle, every pair of pairs), and small linear programs by trying
// every vertex. In long double, independent of the code under test; O(n^5) and O(m^d).

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun::testing {

using Real = long double;
using V3 = std::array<Real, 3>;

inline V3 to_real(const Vec3& v)
{
    return {v[0], v[1], v[2]};
}
inline V3 sub(const V3& a, const V3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline Real dot(const V3& a, const V3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline V3 cross(const V3& a, const V3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

/// Width of the points along the direction n (any length): max - min of n^ . p.
inline Real slab_width(const std::vector<Vec3>& pts, V3 n)
{
    const Real len = std::sqrt(dot(n, n));
    n = {n[0] / len, n[1] / len, n[2] / len};
    Real lo = std::numeric_limits<Real>::infinity();
    Real hi = -lo;
    for (const Vec3& p : pts) {
        const Real t = dot(n, to_real(p));
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    return hi - lo;
}

/// Largest minus smallest distance of the points from the centre c (first m coordinates).
inline Real shell_width(const std::vector<Vec3>& pts, const V3& c, int m = 3)
{
    Real lo = std::numeric_limits<Real>::infinity();
    Real hi = -lo;
    for (const Vec3& p : pts) {
        Real s = 0;
        for (int k = 0; k < m; ++k) {
            s += (p[k] - c[k]) * (p[k] - c[k]);
        }
        lo = std::min(lo, std::sqrt(s));
        hi = std::max(hi, std::sqrt(s));
    }
    return hi - lo;
}

/// Smallest and largest distance of the points from the line through `o` along `w`.
inline std::array<Real, 2> axis_distances(const std::vector<Vec3>& pts, const V3& o, V3 w)
{
    const Real len = std::sqrt(dot(w, w));
    w = {w[0] / len, w[1] / len, w[2] / len};
    Real lo = std::numeric_limits<Real>::infinity();
    Real hi = -lo;
    for (const Vec3& p : pts) {
        const V3 r = sub(to_real(p), o);
        const V3 c = cross(r, w);
        const Real d = std::sqrt(dot(c, c));
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    return {lo, hi};
}

/// The minimum-zone flatness by brute force: the thinnest slab over the normals of every
/// triple and the common normals of every two disjoint pairs.
inline Real brute_force_flatness(const std::vector<Vec3>& pts)
{
    const std::size_t n = pts.size();
    Real best = std::numeric_limits<Real>::infinity();
    const auto consider = [&](const V3& normal) {
        if (dot(normal, normal) > 0) {
            best = std::min(best, slab_width(pts, normal));
        }
    };
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const V3 a = sub(to_real(pts[j]), to_real(pts[i]));
            for (std::size_t l = j + 1; l < n; ++l) {
                consider(cross(a, sub(to_real(pts[l]), to_real(pts[i]))));
            }
            for (std::size_t k = 0; k < n; ++k) {
                for (std::size_t l = k + 1; l < n; ++l) {
                    if (k != i && k != j && l != i && l != j) {
                        consider(cross(a, sub(to_real(pts[l]), to_real(pts[k]))));
                    }
                }
            }
        }
    }
    return best;
}

/// The minimum-zone roundness of the points' x, y by brute force: the thinnest annulus over
/// the circumcentres of every triple and the crossings of the bisectors of every two disjoint
/// pairs.
inline Real brute_force_roundness(const std::vector<Vec3>& pts)
{
    const std::size_t n = pts.size();
    Real best = std::numeric_limits<Real>::infinity();
    // Bisector of (i, j): (p_j - p_i) . c = (|p_j|^2 - |p_i|^2) / 2.
    const auto bisector = [&](std::size_t i, std::size_t j) {
        const Real ax = pts[j][0] - static_cast<Real>(pts[i][0]);
        const Real ay = pts[j][1] - static_cast<Real>(pts[i][1]);
        const Real r =
            (static_cast<Real>(pts[j][0]) * pts[j][0] + static_cast<Real>(pts[j][1]) * pts[j][1] -
             static_cast<Real>(pts[i][0]) * pts[i][0] - static_cast<Real>(pts[i][1]) * pts[i][1]) /
            2;
        return std::array<Real, 3>{ax, ay, r};
    };
    const auto crossing = [&](const std::array<Real, 3>& e, const std::array<Real, 3>& f) {
        const Real det = e[0] * f[1] - e[1] * f[0];
        if (det != 0) {
            const V3 c{(e[2] * f[1] - e[1] * f[2]) / det, (e[0] * f[2] - f[0] * e[2]) / det, 0};
            if (std::isfinite(c[0]) && std::isfinite(c[1])) {
                best = std::min(best, shell_width(pts, c, 2));
            }
        }
    };
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const auto e = bisector(i, j);
            for (std::size_t l = j + 1; l < n; ++l) {
                crossing(e, bisector(i, l)); // the circumcentre of i, j, l
            }
            for (std::size_t k = 0; k < n; ++k) {
                for (std::size_t l = k + 1; l < n; ++l) {
                    if (k != i && k != j && l != i && l != j) {
                        crossing(e, bisector(k, l));
                    }
                }
            }
        }
    }
    return best;
}

/// min c . x over a_i . x <= b_i and |x_j| <= bound_j (d unknowns) by trying every d rows of the
/// constraints and bounds as a vertex; +infinity when none is feasible.
inline Real brute_force_lp(int d, const std::vector<double>& rows, const std::vector<double>& rhs,
                           const std::vector<double>& c, const std::vector<double>& bounds,
                           Real tolerance)
{
    std::vector<std::vector<Real>> a;
    std::vector<Real> b;
    for (std::size_t i = 0; i < rhs.size(); ++i) {
        a.emplace_back(rows.begin() + static_cast<long>(i) * d,
                       rows.begin() + static_cast<long>(i + 1) * d);
        b.push_back(rhs[i]);
    }
    for (int j = 0; j < d; ++j) {
        for (const Real sign : {Real(1), Real(-1)}) {
            std::vector<Real> row(static_cast<std::size_t>(d), 0);
            row[static_cast<std::size_t>(j)] = sign;
            a.push_back(row);
            b.push_back(bounds[static_cast<std::size_t>(j)]);
        }
    }
    const std::size_t m = a.size();
    Real best = std::numeric_limits<Real>::infinity();
    std::vector<std::size_t> pick(static_cast<std::size_t>(d));
    const auto try_vertex = [&] {
        // Gaussian elimination on the picked rows.
        const auto dd = static_cast<std::size_t>(d);
        std::vector<std::vector<Real>> s(dd, std::vector<Real>(dd + 1));
        for (std::size_t r = 0; r < dd; ++r) {
            for (std::size_t k = 0; k < dd; ++k) {
                s[r][k] = a[pick[r]][k];
            }
            s[r][dd] = b[pick[r]];
        }
        for (std::size_t col = 0; col < dd; ++col) {
            std::size_t p = col;
            for (std::size_t r = col + 1; r < dd; ++r) {
                if (std::abs(s[r][col]) > std::abs(s[p][col])) {
                    p = r;
                }
            }
            if (std::abs(s[p][col]) < 1e-12L) {
                return;
            }
            std::swap(s[p], s[col]);
            for (std::size_t r = 0; r < dd; ++r) {
                if (r != col) {
                    const Real f = s[r][col] / s[col][col];
                    for (std::size_t k = col; k <= dd; ++k) {
                        s[r][k] -= f * s[col][k];
                    }
                }
            }
        }
        std::vector<Real> x(dd);
        for (std::size_t r = 0; r < dd; ++r) {
            x[r] = s[r][dd] / s[r][r];
        }
        for (std::size_t i = 0; i < m; ++i) {
            Real v = -b[i];
            for (std::size_t k = 0; k < dd; ++k) {
                v += a[i][k] * x[k];
            }
            if (v > tolerance) {
                return;
            }
        }
        Real value = 0;
        for (std::size_t k = 0; k < dd; ++k) {
            value += c[k] * x[k];
        }
        best = std::min(best, value);
    };
    // Every increasing choice of d rows out of m.
    for (std::size_t k = 0; k < pick.size(); ++k) {
        pick[k] = k;
    }
    while (true) {
        try_vertex();
        int k = d - 1;
        while (k >= 0 && pick[static_cast<std::size_t>(k)] ==
                             m - static_cast<std::size_t>(d) + static_cast<std::size_t>(k)) {
            --k;
        }
        if (k < 0) {
            break;
        }
        ++pick[static_cast<std::size_t>(k)];
        for (std::size_t j = static_cast<std::size_t>(k) + 1; j < pick.size(); ++j) {
            pick[j] = pick[j - 1] + 1;
        }
    }
    return best;
}

} // namespace tengun::testing
