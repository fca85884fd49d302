#include "spline/bspline_basis.h"

#include <array>
#include <cassert>

namespace tengun {

namespace {

Vec3 weighted(int i, const std::array<double, 4>& w, const ControlPolygon& c)
{
    assert(i >= 1 && static_cast<std::size_t>(i) + 2 < c.x.size() &&
           "segment needs control points i-1..i+2");
    Vec3 p{};
    for (int k = 0; k < 4; ++k) {
        const auto j = static_cast<std::size_t>(i - 1 + k);
        p[0] += w[k] * c.x[j];
        p[1] += w[k] * c.y[j];
        p[2] += w[k] * c.z[j];
    }
    return p;
}

}  // namespace

Vec3 bspline_point(int i, double t, const ControlPolygon& control)
{
    const double t2 = t * t;
    const double t3 = t2 * t;
    return weighted(i,
                    {(1.0 - 3.0 * t + 3.0 * t2 - t3) / 6.0, (3.0 * t3 - 6.0 * t2 + 4.0) / 6.0,
                     (-3.0 * t3 + 3.0 * t2 + 3.0 * t + 1.0) / 6.0, t3 / 6.0},
                    control);
}

Vec3 bspline_second_derivative(int i, double t, const ControlPolygon& control)
{
    return weighted(i, {1.0 - t, 3.0 * t - 2.0, 1.0 - 3.0 * t, t}, control);
}

Vec3 bspline_third_derivative(int i, const ControlPolygon& control)
{
    return weighted(i, {-1.0, 3.0, -3.0, 1.0}, control);
}

}  // namespace tengun
