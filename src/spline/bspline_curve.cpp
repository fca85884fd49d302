#include "spline/bspline_curve.h"

#include <cassert>

namespace tengun {

std::size_t bspline_min_points(bool closed)
{
    return closed ? 3 : 2;
}

ControlPoints control_points_with_ends(std::span<const Vec3> main, bool closed)
{
    const std::size_t n = main.size();
    assert(n >= bspline_min_points(closed) && "too few points for a curve");
    ControlPoints c;
    std::vector<double>* arrays[3] = {&c.x, &c.y, &c.z};
    for (int k = 0; k < 3; ++k) {
        std::vector<double>& a = *arrays[k];
        a.resize(n + 2 + (closed ? 1 : 0));
        for (std::size_t i = 1; i <= n; ++i) {
            a[i] = main[i - 1][k];
        }
        if (closed) {
            a[0] = a[n];
            a[n + 1] = a[1];
            a[n + 2] = a[2];
        } else {
            a[0] = 2.0 * a[1] - a[2];
            a[n + 1] = 2.0 * a[n] - a[n - 1];
        }
    }
    return c;
}

Status bspline_curve_points(std::span<const Vec3> points, bool closed, ControlPoints& out)
{
    if (points.size() < bspline_min_points(closed)) {
        return Status::error;
    }
    out = control_points_with_ends(points, closed);
    return Status::ok;
}

std::vector<Vec3> sample_bspline_curve(const ControlPolygon& control, std::size_t segments,
                                       std::size_t divisions, bool closed)
{
    std::vector<Vec3> out;
    if (segments == 0 || divisions == 0) {
        return out;
    }
    out.reserve(segments * divisions + 1);
    for (std::size_t i = 1; i <= segments; ++i) {
        for (std::size_t j = 0; j < divisions; ++j) {
            const double t = static_cast<double>(j) / static_cast<double>(divisions);
            out.push_back(bspline_point(static_cast<int>(i), t, control));
        }
    }
    if (!closed) {
        out.push_back(bspline_point(static_cast<int>(segments), 1.0, control));
    }
    return out;
}

} // namespace tengun
