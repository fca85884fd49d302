#pragma once
// Linear programs in a few unknowns over many constraints, for the Chebyshev (minimax) fits:
// minimise c . x subject to a_i . x <= b_i (i = 0..m-1) and the box |x_j| <= bound_j.
//
// Dual simplex method: a basis of d tight constraints that stays dual feasible (the objective
// gradient is a non-negative combination of their normals, so the vertex is optimal for them);
// each step brings in the most violated constraint and drops the basis row the ratio test names,
// so the objective never decreases; the first vertex that violates no constraint by more than
// the tolerance is optimal (after a run of steps that leave the objective unchanged, the first
// violated constraint enters instead, Bland's rule against cycling). The box gives the first
// basis and keeps every vertex finite.
// One step costs O(m d); d is at most 8.

#include <span>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

inline constexpr int small_lp_max_columns = 8;

struct SmallLp {
    int columns = 0;               ///< d, the number of unknowns (1..8)
    std::vector<double> rows;      ///< a_i one after another, d values each
    std::vector<double> rhs;       ///< b_i, one per row
    std::vector<double> objective; ///< c, d values
    std::vector<double> bounds;    ///< bound_j > 0 for every unknown
};

struct SmallLpSolution {
    std::vector<double> x; ///< the optimal vertex, d values
    double value = 0.0;    ///< c . x
    /// The d constraints tight at x: a row number i (0-based), or -1 - j for a bound of x_j.
    std::vector<int> basis;
    int steps = 0; ///< simplex steps taken
};

/// Solves `lp`; a row counts as violated when a_i . x - b_i > `tolerance`. Status::error, `out`
/// unchanged, when the sizes do not match, the constraints admit no point in the box, a basis
/// turns singular, or 10000 steps pass without an optimum (cycling on degenerate rows).
[[nodiscard]] Status solve_small_lp(const SmallLp& lp, double tolerance, SmallLpSolution& out);

} // namespace tengun
