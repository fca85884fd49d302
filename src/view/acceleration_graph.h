#pragma once
// The spline acceleration graph on Picture2: the second derivative of a curve per coordinate
// (X blue, Y green, Z red) over the whole curve, each curve scaled to its own full scale.
// Graph point (x, y) is drawn at surface position (10 + x, H/2 − y): origin 10 mm from the
// left edge on the vertical middle, y upwards.

#include <cstddef>
#include <span>

#include "spline/bspline_basis.h"
#include "view/drawing_surface.h"

namespace tengun {

/// Line between graph points in a palette colour (outside 0..15, or not finite: nothing drawn).
void graph_line(DrawingSurface& surface, double x1, double y1, double x2, double y2, int colour);
/// Circle of radius 2 around a graph point.
void graph_circle(DrawingSurface& surface, double x, double y, int colour);

/// The largest absolute sample rounded up to one significant digit (0.0347 gives 0.04, 250
/// gives 300); 0.0001 when that largest value is below 0.0001.
double graph_full_scale(std::span<const double> samples);

/// Clears the surface, draws the axes and the dotted grid, and, for n = samples − 1 >= 1
/// intervals, the scale labels (±F and ±F/2 of each coordinate) and the three curves in line
/// width 2. Fewer than two samples (a curve without a segment): the axes and grid only.
void draw_acceleration_graph(DrawingSurface& surface, const AccelerationSamples& samples);

/// The graph of a B-spline of `point_count` points (bspline_acceleration_samples).
void bspline_acceleration(DrawingSurface& surface, std::size_t point_count,
                          const ControlPolygon& control, bool closed);

/// The graph of a single spline from its coefficients (101 samples over s = 0..1).
void single_spline_acceleration(DrawingSurface& surface, std::span<const double> x,
                                std::span<const double> y, std::span<const double> z);

} // namespace tengun
