#include "correction/residual_marks.h"

#include <cassert>
#include <algorithm>
#include <cmath>

namespace tengun {

namespace {

bool is_fit_kind(int kind) { return kind >= 1 && kind <= 5; }

/// Distance of p from the axis of `frame` through `through`, measured across the axis.
double across_axis(const Vec3& p, const Vec3& through, const Mat3& frame)
{
    const Vec3 q = mat_vec(frame, p);
    const Vec3 qc = mat_vec(frame, through);
    return std::sqrt((q[0] - qc[0]) * (q[0] - qc[0]) + (q[1] - qc[1]) * (q[1] - qc[1]));
}

/// The value the worst point maximises.
double badness(int kind, double r) { return kind == 3 || kind == 4 ? r : r * r; }

bool beyond(int kind, double r, double sd) { return kind == 5 ? r > sd : (r > sd || r < -sd); }

}  // namespace

double fit_residual(int kind, const Vec3& p, const FittedShape& shape)
{
    switch (kind) {
    case 1:
        return vec_dot(shape.normal, p) - shape.offset;
    case 2:
        return vec_length(vec_sub(p, shape.centre)) - shape.radius;
    case 3:
    case 4:
        return across_axis(p, shape.centre, shape.frame) - shape.radius;
    case 5:
        return across_axis(p, shape.line_point, shape.frame);
    default:
        return 0.0;
    }
}

void fit_residuals(int kind, std::span<const Vec3> points, const FittedShape& shape,
                   std::span<double> out)
{
    assert(points.size() == out.size() && "one residual per point");
    const std::size_t n = points.size();
    switch (kind) {
    case 1: {
        const Vec3 nv = shape.normal;
        for (std::size_t i = 0; i < n; ++i) {
            const Vec3& p = points[i];
            // vec_dot's order of summation.
            double s = 0.0;
            s += nv[0] * p[0];
            s += nv[1] * p[1];
            s += nv[2] * p[2];
            out[i] = s - shape.offset;
        }
        return;
    }
    case 2:
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = vec_length(vec_sub(points[i], shape.centre)) - shape.radius;
        }
        return;
    case 3:
    case 4:
    case 5: {
        // across_axis with M (through) computed once; the third row of M plays no part.
        const Mat3& m = shape.frame;
        const Vec3 through = kind == 5 ? shape.line_point : shape.centre;
        const Vec3 qc = mat_vec(m, through);
        const double radius = kind == 5 ? 0.0 : shape.radius;
        for (std::size_t i = 0; i < n; ++i) {
            const Vec3& p = points[i];
            const double q0 = m[0][0] * p[0] + m[0][1] * p[1] + m[0][2] * p[2];
            const double q1 = m[1][0] * p[0] + m[1][1] * p[1] + m[1][2] * p[2];
            const double rho = std::sqrt((q0 - qc[0]) * (q0 - qc[0]) + (q1 - qc[1]) * (q1 - qc[1]));
            out[i] = kind == 5 ? rho : rho - radius;
        }
        return;
    }
    default:
        std::fill(out.begin(), out.end(), 0.0);
        return;
    }
}

bool mark_worst_point(int kind, std::span<const Vec3> points, std::span<double> marks,
                      const FittedShape& shape)
{
    assert(points.size() == marks.size() && "one mark per point");
    if (!is_fit_kind(kind)) {
        return false;
    }
    double best = 0.0;
    std::size_t worst = points.size();  // none
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double value = badness(kind, fit_residual(kind, points[i], shape));
        if (value > best) {
            best = value;
            worst = i;
        }
    }
    for (std::size_t i = 0; i < marks.size(); ++i) {
        marks[i] = i == worst ? 0.0 : 1.0;
    }
    return true;
}

bool mark_beyond_deviation(int kind, std::span<const Vec3> points, std::span<double> marks,
                           const FittedShape& shape)
{
    assert(points.size() == marks.size() && "one mark per point");
    if (!is_fit_kind(kind)) {
        return false;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        marks[i] = beyond(kind, fit_residual(kind, points[i], shape), shape.sd) ? 0.0 : 1.0;
    }
    return true;
}

}  // namespace tengun
