#include "spline/bspline_basis.h"

#include <array>
#include <cassert>

namespace tengun {

namespace {

Vec3 weighted(int i, const std::array<double, 4>& w, const ControlPolygon& c)
{
    assert(i >= 1 && static_cast<std::size_t>(i) + 2 < c.x.size() &&
           static_cast<std::size_t>(i) + 2 < c.y.size() &&
           static_cast<std::size_t>(i) + 2 < c.z.size() && "segment needs control points i-1..i+2");
    Vec3 p{};
    for (int k = 0; k < 4; ++k) {
        const auto j = static_cast<std::size_t>(i - 1 + k);
        p[0] += w[k] * c.x[j];
        p[1] += w[k] * c.y[j];
        p[2] += w[k] * c.z[j];
    }
    return p;
}

} // namespace

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

std::size_t bspline_segment_count(std::size_t point_count, bool closed)
{
    if (point_count == 0) {
        return 0;
    }
    return closed ? point_count : point_count - 1;
}

AccelerationSamples bspline_acceleration_samples(std::size_t point_count,
                                                 const ControlPolygon& control, bool closed)
{
    constexpr std::size_t per_segment = 10;
    const std::size_t segments = bspline_segment_count(point_count, closed);
    AccelerationSamples a;
    if (segments == 0) {
        return a;
    }
    assert(segments + 2 < control.x.size() && segments + 2 < control.y.size() &&
           segments + 2 < control.z.size() && "the last segment needs control points S..S+2");
    // The weights of bspline_second_derivative at t = j / 10 (and t = 1 for the very end),
    // summed in the same order, so every sample equals that routine's value exactly.
    std::array<std::array<double, 4>, per_segment + 1> w{};
    for (std::size_t j = 0; j <= per_segment; ++j) {
        const double t = j == per_segment ? 1.0 : static_cast<double>(j) / per_segment;
        w[j] = {1.0 - t, 3.0 * t - 2.0, 1.0 - 3.0 * t, t};
    }
    // Filled by push_back: no pass that zeroes the arrays first (they reach 80 MB each for a
    // million points).
    const auto sample = [&w, segments](std::span<const double> c, std::vector<double>& out) {
        out.reserve(per_segment * segments + 1);
        const auto weighted = [&c](const std::array<double, 4>& wj, std::size_t first) {
            double p = 0.0;
            p += wj[0] * c[first];
            p += wj[1] * c[first + 1];
            p += wj[2] * c[first + 2];
            p += wj[3] * c[first + 3];
            return p;
        };
        for (std::size_t i = 1; i <= segments; ++i) {
            for (std::size_t j = 0; j < per_segment; ++j) {
                out.push_back(weighted(w[j], i - 1));
            }
        }
        out.push_back(weighted(w[per_segment], segments - 1));
    };
    sample(control.x, a.x);
    sample(control.y, a.y);
    sample(control.z, a.z);
    return a;
}

} // namespace tengun
