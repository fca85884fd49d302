#pragma once
// Uniform cubic B-spline segments over control points held per coordinate from index 0.
// Segment i (1-based) is governed by control points i-1, i, i+1, i+2; t runs from 0 to 1.
// An open curve of N points has N-1 segments, a closed one N.

#include <cstddef>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

struct ControlPolygon {
    std::span<const double> x;
    std::span<const double> y;
    std::span<const double> z;
};

/// Curve point of segment i at parameter t. Requires control points up to index i + 2.
Vec3 bspline_point(int i, double t, const ControlPolygon& control);
/// Second derivative with respect to t of segment i at t.
Vec3 bspline_second_derivative(int i, double t, const ControlPolygon& control);
/// Third derivative of segment i (constant along the segment).
Vec3 bspline_third_derivative(int i, const ControlPolygon& control);

/// Segments of a curve through `point_count` points: N - 1 open, N closed; 0 without points.
std::size_t bspline_segment_count(std::size_t point_count, bool closed);

/// Samples of a curve's second derivative, one array per coordinate, all of one length.
struct AccelerationSamples {
    std::vector<double> x, y, z;
    [[nodiscard]] std::size_t size() const { return x.size(); }
};

/// The second derivative along a whole curve of `point_count` points: segment i at
/// t = 0, 0.1, ..., 0.9 at index 10·(i-1) + j, and the last segment S at t = 1 at index 10·S,
/// so 10·S + 1 samples whatever the drawing's division count. A curve without a segment
/// (S = 0) has no samples. Requires control points up to index S + 2.
AccelerationSamples bspline_acceleration_samples(std::size_t point_count,
                                                 const ControlPolygon& control, bool closed);

} // namespace tengun
