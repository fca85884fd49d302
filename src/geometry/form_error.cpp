#include "geometry/form_error.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/form_error_parts.h"

namespace tengun {

namespace form_detail {

double cloud_size(std::span<const Vec3> points)
{
    if (points.empty()) {
        return 0.0;
    }
    Vec3 lo = points[0];
    Vec3 hi = points[0];
    for (const Vec3& p : points) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    return vec_length(hi - lo);
}

Vec3 centroid(std::span<const Vec3> points)
{
    const Vec3 o = points[0];
    Vec3 s{};
    for (const Vec3& p : points) {
        s = s + (p - o);
    }
    return o + (1.0 / static_cast<double>(points.size())) * s;
}

Spreads principal_spreads(std::span<const Vec3> points)
{
    Spreads out;
    out.centre = centroid(points);
    Mat3 s{};
    for (const Vec3& p : points) {
        const Vec3 y = p - out.centre;
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                s[j][k] += y[j] * y[k];
            }
        }
    }
    out.axes = symmetric_eigen(s).vectors;
    Vec3 sums{};
    for (const Vec3& p : points) {
        const Vec3 y = p - out.centre;
        for (int k = 0; k < 3; ++k) {
            const double t = vec_dot(out.axes[k], y);
            sums[k] += t * t;
        }
    }
    for (int k = 0; k < 3; ++k) {
        out.rms[k] = std::sqrt(sums[k] / static_cast<double>(points.size()));
    }
    return out;
}

bool negligible_spread(double spread, const Spreads& spreads, double size)
{
    constexpr double eps = std::numeric_limits<double>::epsilon();
    const double largest = std::max({spreads.rms[0], spreads.rms[1], spreads.rms[2]});
    return !(spread > 1e-10 * largest) ||
           !(spread > 64.0 * eps * coordinate_scale(size, spreads.centre));
}

std::vector<int> point_numbers(std::vector<std::size_t> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    std::vector<int> numbers;
    numbers.reserve(indices.size());
    for (const std::size_t i : indices) {
        numbers.push_back(static_cast<int>(i) + 1);
    }
    return numbers;
}

void settle(FormErrors& errors, double scale)
{
    constexpr double eps = std::numeric_limits<double>::epsilon();
    if (!(errors.minimum_zone.width <= errors.least_squares.width)) {
        errors.minimum_zone = errors.least_squares;
    }
    const double gap = errors.least_squares.width - errors.minimum_zone.width;
    errors.least_squares_is_minimal =
        gap <= 1e-12 * errors.least_squares.width || gap <= 64.0 * eps * scale;
}

double coordinate_scale(double size, const Vec3& centroid)
{
    return size + vec_length(centroid);
}

Mat3 frame_about(const Vec3& n)
{
    // Start from the coordinate axis least parallel to n.
    int k = 0;
    for (int j = 1; j < 3; ++j) {
        if (std::abs(n[j]) < std::abs(n[k])) {
            k = j;
        }
    }
    Vec3 a{};
    a[k] = 1.0;
    Vec3 e1 = a - vec_dot(a, n) * n;
    e1 = (1.0 / vec_length(e1)) * e1;
    const Vec3 e2{n[1] * e1[2] - n[2] * e1[1], n[2] * e1[0] - n[0] * e1[2],
                  n[0] * e1[1] - n[1] * e1[0]};
    return {e1, e2, n};
}

} // namespace form_detail

std::vector<ZoneSurface> zone_surfaces(const FormZone& zone)
{
    using Shape = ZoneSurface::Shape;
    switch (zone.kind) {
    case FormKind::none:
        return {};
    case FormKind::flatness:
        return {{Shape::plane, zone.lower * zone.direction, zone.direction, 0.0},
                {Shape::plane, zone.upper * zone.direction, zone.direction, 0.0}};
    case FormKind::straightness:
        return {{Shape::cylinder, zone.point, zone.direction, zone.upper}};
    case FormKind::roundness:
        return {{Shape::circle, zone.point, zone.direction, zone.lower},
                {Shape::circle, zone.point, zone.direction, zone.upper}};
    case FormKind::sphericity:
        return {{Shape::sphere, zone.point, {}, zone.lower},
                {Shape::sphere, zone.point, {}, zone.upper}};
    case FormKind::cylindricity:
        return {{Shape::cylinder, zone.point, zone.direction, zone.lower},
                {Shape::cylinder, zone.point, zone.direction, zone.upper}};
    }
    return {};
}

void measure_reach(std::span<const Vec3> points, FormErrors& errors)
{
    if (points.empty()) {
        return;
    }
    const Vec3 c = form_detail::centroid(points);
    const FormZone& zone = errors.minimum_zone;
    const bool plane = zone.kind == FormKind::flatness;
    const bool axis = zone.kind == FormKind::cylindricity || zone.kind == FormKind::straightness;
    // Directions to measure the extent along: the zone plane's in-plane frame, or the axis.
    const Mat3 frame =
        plane ? form_detail::frame_about(zone.direction) : Mat3{zone.direction, {}, {}};
    constexpr double inf = std::numeric_limits<double>::infinity();
    double lo[2] = {inf, inf};
    double hi[2] = {-inf, -inf};
    double reach = 0.0;
    for (const Vec3& p : points) {
        const Vec3 d{p[0] - c[0], p[1] - c[1], p[2] - c[2]};
        reach = std::max(reach, d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int k = 0; k < 2; ++k) {
            const double t = vec_dot(d, frame[k]);
            lo[k] = std::min(lo[k], t);
            hi[k] = std::max(hi[k], t);
        }
    }
    errors.centroid = c;
    errors.reach = std::sqrt(reach);
    errors.middle = c;
    errors.span_a = {};
    errors.span_b = {};
    if (plane || axis) {
        for (int k = 0; k < (plane ? 2 : 1); ++k) {
            errors.middle = vec_add(errors.middle, vec_scale(frame[k], 0.5 * (lo[k] + hi[k])));
            (k == 0 ? errors.span_a : errors.span_b) = vec_scale(frame[k], 0.5 * (hi[k] - lo[k]));
        }
    }
}

} // namespace tengun
