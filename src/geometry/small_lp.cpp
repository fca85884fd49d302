#include "geometry/small_lp.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tengun {

namespace {

constexpr int max_steps = 10000;
constexpr int max_d = small_lp_max_columns;

using Row = std::array<double, max_d>;
using Square = std::array<Row, max_d>;

/// Constraint r of the extended set: the m rows of the problem, then for each unknown j the
/// bounds x_j <= bound_j (m + 2j) and -x_j <= bound_j (m + 2j + 1).
struct Constraints {
    const SmallLp& lp;
    std::size_t m;
    int d;

    [[nodiscard]] std::size_t count() const { return m + 2 * static_cast<std::size_t>(d); }
    void get(std::size_t r, Row& a, double& b) const
    {
        a.fill(0.0);
        if (r < m) {
            for (int j = 0; j < d; ++j) {
                a[j] = lp.rows[r * static_cast<std::size_t>(d) + static_cast<std::size_t>(j)];
            }
            b = lp.rhs[r];
            return;
        }
        const std::size_t k = r - m;
        const auto j = static_cast<int>(k / 2);
        a[j] = k % 2 == 0 ? 1.0 : -1.0;
        b = lp.bounds[static_cast<std::size_t>(j)];
    }
};

/// Inverse of the d x d matrix `a` by Gauss-Jordan with partial pivoting; false when singular.
bool invert(Square a, int d, Square& inv)
{
    for (int i = 0; i < d; ++i) {
        inv[i].fill(0.0);
        inv[i][i] = 1.0;
    }
    for (int col = 0; col < d; ++col) {
        int pivot = col;
        for (int r = col + 1; r < d; ++r) {
            if (std::abs(a[r][col]) > std::abs(a[pivot][col])) {
                pivot = r;
            }
        }
        if (!(std::abs(a[pivot][col]) > 0.0)) {
            return false;
        }
        std::swap(a[pivot], a[col]);
        std::swap(inv[pivot], inv[col]);
        const double p = a[col][col];
        for (int k = 0; k < d; ++k) {
            a[col][k] /= p;
            inv[col][k] /= p;
        }
        for (int r = 0; r < d; ++r) {
            if (r == col || a[r][col] == 0.0) {
                continue;
            }
            const double f = a[r][col];
            for (int k = 0; k < d; ++k) {
                a[r][k] -= f * a[col][k];
                inv[r][k] -= f * inv[col][k];
            }
        }
    }
    for (int i = 0; i < d; ++i) {
        for (int k = 0; k < d; ++k) {
            if (!std::isfinite(inv[i][k])) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

Status solve_small_lp(const SmallLp& lp, double tolerance, SmallLpSolution& out)
{
    const int d = lp.columns;
    if (d < 1 || d > max_d || lp.rows.size() % static_cast<std::size_t>(d) != 0 ||
        lp.objective.size() != static_cast<std::size_t>(d) ||
        lp.bounds.size() != static_cast<std::size_t>(d) ||
        lp.rhs.size() != lp.rows.size() / static_cast<std::size_t>(d)) {
        return Status::error;
    }
    for (const double b : lp.bounds) {
        if (!(b > 0.0)) {
            return Status::error;
        }
    }
    const Constraints con{lp, lp.rhs.size(), d};

    // First basis: for each unknown the bound its objective coefficient pushes it against, so
    // the multipliers |c_j| are non-negative.
    std::array<std::size_t, max_d> basis{};
    for (int j = 0; j < d; ++j) {
        basis[j] = con.m + 2 * static_cast<std::size_t>(j) + (lp.objective[j] > 0.0 ? 1 : 0);
    }

    Row x{};
    Row y{};
    Square inv{};
    // Steps that leave the objective where it was can cycle; after a run of them the entering
    // row is the first violated one instead of the worst (Bland's rule), which cannot cycle.
    double last_value = -std::numeric_limits<double>::infinity();
    int stalled = 0;
    for (int step = 0; step <= max_steps; ++step) {
        Square b_rows{};
        Row b_rhs{};
        for (int k = 0; k < d; ++k) {
            con.get(basis[k], b_rows[k], b_rhs[k]);
        }
        if (!invert(b_rows, d, inv)) {
            return Status::error;
        }
        // x = B^-1 b, y = -B^-T c (the multipliers of the basis rows).
        for (int j = 0; j < d; ++j) {
            x[j] = 0.0;
            for (int k = 0; k < d; ++k) {
                x[j] += inv[j][k] * b_rhs[k];
            }
        }
        for (int k = 0; k < d; ++k) {
            y[k] = 0.0;
            for (int j = 0; j < d; ++j) {
                y[k] -= inv[j][k] * lp.objective[j];
            }
            y[k] = std::max(y[k], 0.0);
        }

        double value = 0.0;
        for (int j = 0; j < d; ++j) {
            value += lp.objective[j] * x[j];
        }
        stalled = value > last_value + 1e-15 * std::abs(value) ? 0 : stalled + 1;
        last_value = std::max(last_value, value);
        const bool first_violated = stalled > 2 * d;

        // The most violated constraint enters; ties go to the lower number.
        double worst = tolerance;
        std::size_t entering = con.count();
        const double* a = lp.rows.data();
        for (std::size_t r = 0; r < con.m; ++r, a += d) {
            double v = -lp.rhs[r];
            for (int j = 0; j < d; ++j) {
                v += a[j] * x[j];
            }
            if (v > worst) {
                worst = v;
                entering = r;
                if (first_violated) {
                    break;
                }
            }
        }
        for (int j = 0; j < d && !(first_violated && entering < con.count()); ++j) {
            const double b = lp.bounds[static_cast<std::size_t>(j)];
            if (x[j] - b > worst) {
                worst = x[j] - b;
                entering = con.m + 2 * static_cast<std::size_t>(j);
            }
            if (-x[j] - b > worst) {
                worst = -x[j] - b;
                entering = con.m + 2 * static_cast<std::size_t>(j) + 1;
            }
        }
        if (entering == con.count()) {
            out.x.assign(x.begin(), x.begin() + d);
            out.value = 0.0;
            for (int j = 0; j < d; ++j) {
                out.value += lp.objective[j] * x[j];
            }
            out.basis.clear();
            for (int k = 0; k < d; ++k) {
                out.basis.push_back(basis[k] < con.m
                                        ? static_cast<int>(basis[k])
                                        : -1 - static_cast<int>((basis[k] - con.m) / 2));
            }
            out.steps = step;
            return Status::ok;
        }
        if (step == max_steps) {
            break;
        }

        // Ratio test: lambda = B^-T a_r; the basis row whose multiplier reaches 0 first leaves.
        Row ar{};
        double br = 0.0;
        con.get(entering, ar, br);
        Row lambda{};
        double largest = 0.0;
        for (int k = 0; k < d; ++k) {
            for (int j = 0; j < d; ++j) {
                lambda[k] += inv[j][k] * ar[j];
            }
            largest = std::max(largest, std::abs(lambda[k]));
        }
        int leaving = -1;
        double best_ratio = 0.0;
        for (int k = 0; k < d; ++k) {
            if (!(lambda[k] > 1e-12 * largest)) {
                continue;
            }
            const double t = y[k] / lambda[k];
            const bool take = leaving < 0 || t < best_ratio ||
                              (t == best_ratio && (first_violated ? basis[k] < basis[leaving]
                                                                  : lambda[k] > lambda[leaving]));
            if (take) {
                leaving = k;
                best_ratio = t;
            }
        }
        if (leaving < 0) {
            return Status::error; // no multiplier limits the step: the constraints are infeasible
        }
        basis[leaving] = entering;
    }
    return Status::error;
}

} // namespace tengun
