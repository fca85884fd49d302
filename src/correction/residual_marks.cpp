#include "correction/residual_marks.h"

#include <cassert>
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

Residual::Residual(int kind, const FittedShape& shape) : kind_(is_fit_kind(kind) ? kind : 0)
{
    switch (kind_) {
    case 1:
        a_ = shape.normal;
        offset_ = shape.offset;
        break;
    case 2:
        c_ = shape.centre;
        radius_ = shape.radius;
        break;
    case 3:
    case 4:
    case 5:
        a_ = shape.frame[0];
        b_ = shape.frame[1];
        c_ = mat_vec(shape.frame, kind_ == 5 ? shape.line_point : shape.centre);
        radius_ = shape.radius;
        break;
    default:
        break;
    }
}

void Residual::operator()(std::span<const Vec3> points, std::span<double> out) const
{
    assert(points.size() == out.size() && "one residual per point");
    // Plain locals and one loop per kind, so the compiler can keep everything in registers.
    const Residual r = *this;
    const std::size_t n = points.size();
    switch (kind_) {
    case 1:
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = r.plane(points[i]);
        }
        return;
    case 2:
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = r.sphere(points[i]);
        }
        return;
    case 3:
    case 4:
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = r.across_axis(points[i]) - r.radius_;
        }
        return;
    case 5:
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = r.across_axis(points[i]);
        }
        return;
    default:
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = 0.0;
        }
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
