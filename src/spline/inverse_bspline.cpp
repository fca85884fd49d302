#include "spline/inverse_bspline.h"

#include <array>
#include <vector>

#include "spline/tridiagonal.h"

namespace tengun {

namespace {

/// The interpolation rows 1/6, 4/6, 1/6 for all n points; the cyclic neighbours of the first
/// and last row sit in sub[0] and super[n-1].
Tridiagonal interpolation_rows(std::size_t n)
{
    return {std::vector<double>(n, 1.0 / 6.0), std::vector<double>(n, 4.0 / 6.0),
            std::vector<double>(n, 1.0 / 6.0)};
}

/// Solves the system for the three coordinates at once and collects the main control points.
template <typename Solve>
Status solve_per_coordinate(std::span<const Vec3> points, Solve solve, std::vector<Vec3>& main)
{
    const std::size_t n = points.size();
    std::array<std::vector<double>, 3> b;
    for (int k = 0; k < 3; ++k) {
        b[k].resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            b[k][i] = points[i][k];
        }
    }
    if (solve(std::span<std::vector<double>>(b)) == Status::error) {
        return Status::error;
    }
    std::vector<Vec3> result(n);
    for (std::size_t i = 0; i < n; ++i) {
        result[i] = {b[0][i], b[1][i], b[2][i]};
    }
    main = std::move(result);
    return Status::ok;
}

} // namespace

Status inverse_bspline_open(std::span<const Vec3> points, ControlPoints& out)
{
    const std::size_t n = points.size();
    if (n < bspline_min_points(false)) {
        return Status::error;
    }
    Tridiagonal a = interpolation_rows(n);
    // The end rows fix the end control points to the end points.
    a.sub[0] = 0.0;
    a.diag[0] = 1.0;
    a.super[0] = 0.0;
    a.sub[n - 1] = 0.0;
    a.diag[n - 1] = 1.0;
    a.super[n - 1] = 0.0;
    std::vector<Vec3> main;
    if (solve_per_coordinate(
            points, [&a](std::span<std::vector<double>> b) { return solve_tridiagonal(a, b); },
            main) == Status::error) {
        return Status::error;
    }
    out = control_points_with_ends(main, false);
    return Status::ok;
}

Status inverse_bspline_closed(std::span<const Vec3> points, ControlPoints& out)
{
    const std::size_t n = points.size();
    if (n < bspline_min_points(true)) {
        return Status::error;
    }
    const Tridiagonal a = interpolation_rows(n);
    std::vector<Vec3> main;
    if (solve_per_coordinate(
            points,
            [&a](std::span<std::vector<double>> b) { return solve_cyclic_tridiagonal(a, b); },
            main) == Status::error) {
        return Status::error;
    }
    out = control_points_with_ends(main, true);
    return Status::ok;
}

} // namespace tengun
