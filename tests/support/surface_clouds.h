#pragma once
// Scans of solids with flat faces for the mesh, plane and boundary tests: each face is a grid of
// points inside a planar quadrilateral, kept half a step away from its edges.

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun::testing {

/// nu x nv points inside the planar quadrilateral a, b, c, d (in order round it; d = a makes a
/// triangle), at the centres of a bilinear grid, moved along the normal by Gaussian noise of
/// `noise` (seeded).
inline void add_quad(std::vector<Vec3>& pts, const Vec3& a, const Vec3& b, const Vec3& c,
                     const Vec3& d, int nu, int nv, double noise = 0.0, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    Vec3 normal{};
    if (noise != 0.0) {
        const Vec3 e1 = b - a;
        const Vec3 e2 = d - a;
        normal = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                  e1[0] * e2[1] - e1[1] * e2[0]};
        normal = vec_scale(normal, 1.0 / vec_length(normal));
    }
    for (int i = 0; i < nu; ++i) {
        for (int j = 0; j < nv; ++j) {
            const double s = (i + 0.5) / nu;
            const double t = (j + 0.5) / nv;
            const Vec3 p = (1.0 - t) * ((1.0 - s) * a + s * b) + t * ((1.0 - s) * d + s * c);
            pts.push_back(p + (noise == 0.0 ? 0.0 : noise * g(rng)) * normal);
        }
    }
}

/// The box from `low` with edge lengths `size`; corner() picks a corner by three 0/1 choices.
struct Box {
    Vec3 low{};
    Vec3 size{};
    [[nodiscard]] Vec3 corner(int x, int y, int z) const
    {
        return {low[0] + x * size[0], low[1] + y * size[1], low[2] + z * size[2]};
    }
};

/// Faces of a box, each a grid with about `step` between points. Face order: bottom, top,
/// front (y low), back, left (x low), right; `faces` picks them by that order.
inline std::vector<Vec3> box_scan(const Box& box, double step,
                                  std::vector<int> faces = {0, 1, 2, 3, 4, 5}, double noise = 0.0)
{
    const auto n = [&](double length) {
        return std::max(2, static_cast<int>(std::lround(length / step)));
    };
    const int nx = n(box.size[0]);
    const int ny = n(box.size[1]);
    const int nz = n(box.size[2]);
    std::vector<Vec3> pts;
    for (const int f : faces) {
        const auto c = [&](int x, int y, int z) { return box.corner(x, y, z); };
        const auto seed = static_cast<unsigned>(f + 1);
        switch (f) {
        case 0:
            add_quad(pts, c(0, 0, 0), c(1, 0, 0), c(1, 1, 0), c(0, 1, 0), nx, ny, noise, seed);
            break;
        case 1:
            add_quad(pts, c(0, 0, 1), c(1, 0, 1), c(1, 1, 1), c(0, 1, 1), nx, ny, noise, seed);
            break;
        case 2:
            add_quad(pts, c(0, 0, 0), c(1, 0, 0), c(1, 0, 1), c(0, 0, 1), nx, nz, noise, seed);
            break;
        case 3:
            add_quad(pts, c(0, 1, 0), c(1, 1, 0), c(1, 1, 1), c(0, 1, 1), nx, nz, noise, seed);
            break;
        case 4:
            add_quad(pts, c(0, 0, 0), c(0, 1, 0), c(0, 1, 1), c(0, 0, 1), ny, nz, noise, seed);
            break;
        default:
            add_quad(pts, c(1, 0, 0), c(1, 1, 0), c(1, 1, 1), c(1, 0, 1), ny, nz, noise, seed);
            break;
        }
    }
    return pts;
}

/// A square frustum without its bottom: top square of side `top` at height h, bottom square of
/// side `bottom` at height 0, both centred on `centre` (x, y). Top first, then the four sides.
inline std::vector<Vec3> frustum_scan(const Vec3& centre, double bottom, double top, double h,
                                      int n)
{
    const auto at = [&](double half, double sx, double sy, double z) {
        return Vec3{centre[0] + sx * half, centre[1] + sy * half, centre[2] + z};
    };
    const double b = bottom / 2.0;
    const double t = top / 2.0;
    std::vector<Vec3> pts;
    add_quad(pts, at(t, -1, -1, h), at(t, 1, -1, h), at(t, 1, 1, h), at(t, -1, 1, h), n, n);
    add_quad(pts, at(b, -1, -1, 0), at(b, 1, -1, 0), at(t, 1, -1, h), at(t, -1, -1, h), n, n);
    add_quad(pts, at(b, 1, -1, 0), at(b, 1, 1, 0), at(t, 1, 1, h), at(t, 1, -1, h), n, n);
    add_quad(pts, at(b, 1, 1, 0), at(b, -1, 1, 0), at(t, -1, 1, h), at(t, 1, 1, h), n, n);
    add_quad(pts, at(b, -1, 1, 0), at(b, -1, -1, 0), at(t, -1, -1, h), at(t, -1, 1, h), n, n);
    return pts;
}

/// n points scattered uniformly over the six faces of the box (each face by its area), moved
/// off their face by Gaussian noise of `noise`, in random order: a scan as a scanner that samples
/// at random writes it. Seeded, so the same arguments give the same cloud.
inline std::vector<Vec3> random_box_scan(const Box& box, std::size_t n, unsigned seed,
                                         double noise = 0.0)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 1.0);
    const Vec3& s = box.size;
    const double area[3] = {s[1] * s[2], s[0] * s[2], s[0] * s[1]}; // faces across x, y, z
    const double total = area[0] + area[1] + area[2];
    std::vector<Vec3> pts;
    pts.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double r = u(rng) * total;
        const int axis = r < area[0] ? 0 : (r < area[0] + area[1] ? 1 : 2);
        const int a1 = (axis + 1) % 3;
        const int a2 = (axis + 2) % 3;
        Vec3 p{};
        p[axis] = box.low[axis] + (u(rng) < 0.5 ? 0.0 : s[axis]) + noise * g(rng);
        p[a1] = box.low[a1] + u(rng) * s[a1];
        p[a2] = box.low[a2] + u(rng) * s[a2];
        pts.push_back(p);
    }
    return pts;
}

/// Which face of the box a point of random_box_scan lies on, 0..5 as box_scan orders them
/// (bottom, top, front, back, left, right): the face it is nearest to.
inline int box_face(const Box& box, const Vec3& p)
{
    int best = 0;
    double nearest = 1e300;
    const int axis_of[6] = {2, 2, 1, 1, 0, 0};
    for (int f = 0; f < 6; ++f) {
        const int axis = axis_of[f];
        const double level = box.low[axis] + (f % 2 == 0 ? 0.0 : box.size[axis]);
        const double d = std::abs(p[axis] - level);
        if (d < nearest) {
            nearest = d;
            best = f;
        }
    }
    return best;
}

/// n points scattered uniformly over a w x h sheet z = z0 + wave sin(x / 7) cos(y / 9), in
/// random order. Seeded.
inline std::vector<Vec3> random_sheet(std::size_t n, double w, double h, unsigned seed,
                                      double wave = 0.0, double z0 = 5.0)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<Vec3> pts;
    pts.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = w * u(rng);
        const double y = h * u(rng);
        pts.push_back({x, y, z0 + wave * std::sin(x / 7.0) * std::cos(y / 9.0)});
    }
    return pts;
}

/// Points on the cylinder of radius r about the Z axis through (0, 0, 0), from angle a0 to a1
/// (radians) and from z = 0 to `length`: either rings x columns on a grid (`random` false: many
/// equal distances), or n = rings x columns at random in random order; moved off the surface by
/// Gaussian noise of `noise`. Seeded.
inline std::vector<Vec3> cylinder_scan(double r, double a0, double a1, double length, int rings,
                                       int columns, bool random, unsigned seed = 1,
                                       double noise = 0.0)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < columns; ++j) {
            const double s = random ? u(rng) : (j + 0.5) / columns;
            const double t = random ? u(rng) : (i + 0.5) / rings;
            const double a = a0 + s * (a1 - a0);
            const double radius = r + (noise == 0.0 ? 0.0 : noise * g(rng));
            pts.push_back({radius * std::cos(a), radius * std::sin(a), t * length});
        }
    }
    return pts;
}

/// n points at random on the cap z >= cos(max_polar) of the sphere of radius r about `centre`,
/// in random order. Seeded.
inline std::vector<Vec3> sphere_cap(std::size_t n, const Vec3& centre, double r, double max_polar,
                                    unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<Vec3> pts;
    const double low = std::cos(max_polar);
    for (std::size_t i = 0; i < n; ++i) {
        const double z = low + (1.0 - low) * u(rng); // uniform on the cap by area
        const double a = 2.0 * 3.14159265358979 * u(rng);
        const double s = std::sqrt(std::max(0.0, 1.0 - z * z));
        pts.push_back(
            {centre[0] + r * s * std::cos(a), centre[1] + r * s * std::sin(a), centre[2] + r * z});
    }
    return pts;
}

} // namespace tengun::testing
