#pragma once
// Uniform cubic B-spline segments over control points held per coordinate from index 0.
// Segment i (1-based) is governed by control points i-1, i, i+1, i+2; t runs from 0 to 1.

#include <span>

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

}  // namespace tengun
