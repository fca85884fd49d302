#pragma once
// Slow, obvious least-squares circles and spheres for comparing the fits against: the spread
// F(c) = sum (d_i - mean d)^2 minimised over the centre by Nelder-Mead in long double, from a
// grid of starts around the cloud and far out on every side. Slow (milliseconds for tens of
// points) and independent of the fitting code.

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun::testing {

struct ReferenceSphere {
    Vec3 centre{};
    double radius = 0;
    double sd = 0; ///< RMS of (distance - mean distance)
};

/// The spread of the distances from c over the first m coordinates: sum (d_i - mean)^2.
inline long double reference_spread(const std::vector<Vec3>& pts, int m, const long double* c,
                                    long double* mean_out = nullptr)
{
    std::vector<long double> d(pts.size());
    long double mean = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        long double sq = 0;
        for (int k = 0; k < m; ++k) {
            const long double e = static_cast<long double>(pts[i][k]) - c[k];
            sq += e * e;
        }
        d[i] = std::sqrt(sq);
        mean += d[i];
    }
    mean /= static_cast<long double>(pts.size());
    long double f = 0;
    for (const long double x : d) {
        f += (x - mean) * (x - mean);
    }
    if (mean_out != nullptr) {
        *mean_out = mean;
    }
    return f;
}

/// Nelder-Mead over m coordinates from `start` with initial step `step`.
inline std::array<long double, 3> nelder_mead(const std::vector<Vec3>& pts, int m,
                                              std::array<long double, 3> start, long double step,
                                              long double tolerance = 1e-15L)
{
    const int n = m;
    std::vector<std::array<long double, 3>> x(static_cast<std::size_t>(n + 1), start);
    std::vector<long double> f(static_cast<std::size_t>(n + 1));
    for (int k = 0; k < n; ++k) {
        x[static_cast<std::size_t>(k + 1)][static_cast<std::size_t>(k)] += step;
    }
    for (int k = 0; k <= n; ++k) {
        f[static_cast<std::size_t>(k)] =
            reference_spread(pts, m, x[static_cast<std::size_t>(k)].data());
    }
    for (int it = 0; it < 20000; ++it) {
        std::vector<int> order(static_cast<std::size_t>(n + 1));
        for (int k = 0; k <= n; ++k) {
            order[static_cast<std::size_t>(k)] = k;
        }
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return f[static_cast<std::size_t>(a)] < f[static_cast<std::size_t>(b)];
        });
        const auto at = [&](int k) -> std::array<long double, 3>& {
            return x[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
        };
        const auto fat = [&](int k) -> long double& {
            return f[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
        };
        long double size = 0;
        for (int k = 1; k <= n; ++k) {
            for (int j = 0; j < n; ++j) {
                size = std::max(size, std::fabs(at(k)[static_cast<std::size_t>(j)] -
                                                at(0)[static_cast<std::size_t>(j)]));
            }
        }
        long double scale = 1;
        for (int j = 0; j < n; ++j) {
            scale = std::max(scale, std::fabs(at(0)[static_cast<std::size_t>(j)]));
        }
        if (size < tolerance * scale) {
            break;
        }
        std::array<long double, 3> centroid{};
        for (int k = 0; k < n; ++k) {
            for (int j = 0; j < n; ++j) {
                centroid[static_cast<std::size_t>(j)] += at(k)[static_cast<std::size_t>(j)] / n;
            }
        }
        const auto along = [&](long double t) {
            std::array<long double, 3> p = centroid;
            for (int j = 0; j < n; ++j) {
                p[static_cast<std::size_t>(j)] += t * (at(n)[static_cast<std::size_t>(j)] -
                                                       centroid[static_cast<std::size_t>(j)]);
            }
            return p;
        };
        const std::array<long double, 3> r = along(-1);
        const long double fr = reference_spread(pts, m, r.data());
        if (fr < fat(0)) {
            const std::array<long double, 3> e = along(-2);
            const long double fe = reference_spread(pts, m, e.data());
            at(n) = fe < fr ? e : r;
            fat(n) = std::min(fe, fr);
        } else if (fr < fat(n - 1)) {
            at(n) = r;
            fat(n) = fr;
        } else {
            const std::array<long double, 3> c = along(fr < fat(n) ? -0.5L : 0.5L);
            const long double fc = reference_spread(pts, m, c.data());
            if (fc < std::min(fr, fat(n))) {
                at(n) = c;
                fat(n) = fc;
            } else {
                for (int k = 1; k <= n; ++k) {
                    for (int j = 0; j < n; ++j) {
                        at(k)[static_cast<std::size_t>(j)] = (at(k)[static_cast<std::size_t>(j)] +
                                                              at(0)[static_cast<std::size_t>(j)]) /
                                                             2;
                    }
                    fat(k) = reference_spread(pts, m, at(k).data());
                }
            }
        }
    }
    const auto best = std::min_element(f.begin(), f.end()) - f.begin();
    return x[static_cast<std::size_t>(best)];
}

/// The least-squares circle (m = 2) or sphere (m = 3) of the first m coordinates: the lowest of
/// Nelder-Mead runs from starts on a grid about the centroid at 0.5 to 1000 times the spread.
inline ReferenceSphere reference_sphere(const std::vector<Vec3>& pts, int m)
{
    std::array<long double, 3> g{};
    for (const Vec3& p : pts) {
        for (int k = 0; k < m; ++k) {
            g[static_cast<std::size_t>(k)] += p[k];
        }
    }
    long double spread = 0;
    for (int k = 0; k < m; ++k) {
        g[static_cast<std::size_t>(k)] /= static_cast<long double>(pts.size());
    }
    for (const Vec3& p : pts) {
        long double sq = 0;
        for (int k = 0; k < m; ++k) {
            sq += (p[k] - g[static_cast<std::size_t>(k)]) * (p[k] - g[static_cast<std::size_t>(k)]);
        }
        spread = std::max(spread, std::sqrt(sq));
    }
    std::array<long double, 3> best = g;
    long double best_f = reference_spread(pts, m, g.data());
    const int directions = m == 2 ? 12 : 14;
    for (const long double times : {0.5L, 3.0L, 30.0L, 1000.0L}) {
        for (int q = 0; q < directions; ++q) {
            std::array<long double, 3> dir{};
            if (m == 2) {
                dir = {std::cos(q * 0.5235987755982988L), std::sin(q * 0.5235987755982988L), 0};
            } else {
                // The six axes and the eight diagonals.
                static const int table[14][3] = {{1, 0, 0},   {-1, 0, 0},  {0, 1, 0},  {0, -1, 0},
                                                 {0, 0, 1},   {0, 0, -1},  {1, 1, 1},  {1, 1, -1},
                                                 {1, -1, 1},  {1, -1, -1}, {-1, 1, 1}, {-1, 1, -1},
                                                 {-1, -1, 1}, {-1, -1, -1}};
                dir = {static_cast<long double>(table[q][0]), static_cast<long double>(table[q][1]),
                       static_cast<long double>(table[q][2])};
                const long double len =
                    std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
                for (long double& v : dir) {
                    v /= len;
                }
            }
            std::array<long double, 3> start = g;
            for (int k = 0; k < m; ++k) {
                start[static_cast<std::size_t>(k)] +=
                    times * spread * dir[static_cast<std::size_t>(k)];
            }
            const std::array<long double, 3> c =
                nelder_mead(pts, m, start, 0.1L * times * spread, 1e-10L);
            const long double f = reference_spread(pts, m, c.data());
            if (f < best_f) {
                best_f = f;
                best = c;
            }
        }
    }
    best = nelder_mead(pts, m, best, 1e-3L * spread);
    long double mean = 0;
    const long double f = reference_spread(pts, m, best.data(), &mean);
    ReferenceSphere r;
    for (int k = 0; k < m; ++k) {
        r.centre[k] = static_cast<double>(best[static_cast<std::size_t>(k)]);
    }
    r.radius = static_cast<double>(mean);
    r.sd = static_cast<double>(std::sqrt(f / static_cast<long double>(pts.size())));
    return r;
}

} // namespace tengun::testing
