#pragma once
// Linear systems whose matrix has non-zero entries only on the diagonal and its two neighbours
// (and, for the cyclic form, in the two opposite corners), solved in O(n) instead of the dense
// Gauss-Jordan solve. Both eliminate without pivoting: they are meant for diagonally dominant
// matrices such as the interpolation systems of the cubic B-spline, for which they give the
// dense solve's answer within rounding. Several right-hand sides share one elimination.
//
// Row i (0-based) reads sub[i]·x[i-1] + diag[i]·x[i] + super[i]·x[i+1] = b[i]; sub[0] and
// super[n-1] belong to no column of the plain form.

#include <span>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

struct Tridiagonal {
    std::vector<double> sub, diag, super; ///< n entries each
};

/// Solves A x = b for the tridiagonal A of order n = diag.size() and every right-hand side in
/// `rhs` (each of n entries), which receives its x. Status::error (the right-hand sides then
/// unspecified) when an elimination pivot is exactly zero. n = 0 gives Status::ok.
[[nodiscard]] Status solve_tridiagonal(const Tridiagonal& a, std::span<std::vector<double>> rhs);
[[nodiscard]] Status solve_tridiagonal(const Tridiagonal& a, std::vector<double>& b);

/// As solve_tridiagonal, where A is `a` plus the corner entries A(n, 1) = sub[0] and
/// A(1, n) = super[n-1] (1-based), as in a closed loop whose first and last unknowns are
/// neighbours. Needs n >= 3 (for smaller n the corners coincide with the neighbours);
/// Status::error when n < 3 or a pivot is exactly zero.
[[nodiscard]] Status solve_cyclic_tridiagonal(const Tridiagonal& a,
                                              std::span<std::vector<double>> rhs);
[[nodiscard]] Status solve_cyclic_tridiagonal(const Tridiagonal& a, std::vector<double>& b);

} // namespace tengun
