#include "spline/tridiagonal.h"

#include <cassert>

namespace tengun {

namespace {

/// The Thomas elimination of A, kept for any number of right-hand sides: the reciprocal of each
/// pivot and the eliminated super-diagonal.
struct Elimination {
    std::vector<double> inverse_pivot;
    std::vector<double> upper;
};

Status eliminate(const Tridiagonal& a, Elimination& e)
{
    const std::size_t n = a.diag.size();
    assert(a.sub.size() == n && a.super.size() == n && "one coefficient of each kind per row");
    e.inverse_pivot.resize(n);
    e.upper.resize(n);
    double previous_upper = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double pivot = a.diag[i] - (i > 0 ? a.sub[i] * previous_upper : 0.0);
        if (pivot == 0.0) {
            return Status::error;
        }
        e.inverse_pivot[i] = 1.0 / pivot;
        previous_upper = a.super[i] * e.inverse_pivot[i];
        e.upper[i] = previous_upper;
    }
    return Status::ok;
}

void substitute(const Tridiagonal& a, const Elimination& e, std::vector<double>& b)
{
    const std::size_t n = e.upper.size();
    assert(b.size() == n && "one right-hand side entry per row");
    if (n == 0) {
        return;
    }
    b[0] *= e.inverse_pivot[0];
    for (std::size_t i = 1; i < n; ++i) {
        b[i] = (b[i] - a.sub[i] * b[i - 1]) * e.inverse_pivot[i];
    }
    for (std::size_t i = n - 1; i-- > 0;) {
        b[i] -= e.upper[i] * b[i + 1];
    }
}

} // namespace

Status solve_tridiagonal(const Tridiagonal& a, std::span<std::vector<double>> rhs)
{
    Elimination e;
    if (eliminate(a, e) == Status::error) {
        return Status::error;
    }
    for (std::vector<double>& b : rhs) {
        substitute(a, e, b);
    }
    return Status::ok;
}

Status solve_tridiagonal(const Tridiagonal& a, std::vector<double>& b)
{
    return solve_tridiagonal(a, std::span<std::vector<double>>(&b, 1));
}

Status solve_cyclic_tridiagonal(const Tridiagonal& a, std::span<std::vector<double>> rhs)
{
    const std::size_t n = a.diag.size();
    if (n < 3) {
        return Status::error;
    }
    // Sherman-Morrison: A = T + u v^T with T tridiagonal, u = (gamma, 0, ..., alpha) and
    // v = (1, 0, ..., beta / gamma); solve T y = b and T z = u, then x = y - (v.y / (1 + v.z)) z.
    const double alpha = a.sub[0];      // A(n, 1)
    const double beta = a.super[n - 1]; // A(1, n)
    const double gamma = -a.diag[0];    // any non-zero value; -diag keeps T dominant
    if (gamma == 0.0) {
        return Status::error;
    }
    Tridiagonal t = a;
    t.sub[0] = 0.0;
    t.super[n - 1] = 0.0;
    t.diag[0] -= gamma;
    t.diag[n - 1] -= alpha * beta / gamma;
    Elimination e;
    if (eliminate(t, e) == Status::error) {
        return Status::error;
    }
    std::vector<double> z(n, 0.0);
    z[0] = gamma;
    z[n - 1] = alpha;
    substitute(t, e, z);
    const double denominator = 1.0 + z[0] + beta * z[n - 1] / gamma;
    if (denominator == 0.0) {
        return Status::error;
    }
    for (std::vector<double>& b : rhs) {
        substitute(t, e, b);
        const double factor = (b[0] + beta * b[n - 1] / gamma) / denominator;
        for (std::size_t i = 0; i < n; ++i) {
            b[i] -= factor * z[i];
        }
    }
    return Status::ok;
}

Status solve_cyclic_tridiagonal(const Tridiagonal& a, std::vector<double>& b)
{
    return solve_cyclic_tridiagonal(a, std::span<std::vector<double>>(&b, 1));
}

} // namespace tengun
