#pragma once
// Clouds of known geometry for the tests, from fixed seeds.

#include <cmath>
#include <random>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun::testing {

/// n points on the plane through `origin` spanned by u and v, parameters in [-size, size],
/// with Gaussian noise of `noise` along u x v.
inline std::vector<Vec3> plane_cloud(std::size_t n, const Vec3& origin, const Vec3& u,
                                     const Vec3& v, double size, double noise, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> s(-size, size);
    std::normal_distribution<double> g(0.0, 1.0);
    const Vec3 w{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double wl = vec_length(w);
    std::vector<Vec3> pts;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = s(rng);
        const double b = s(rng);
        const double e = noise == 0.0 ? 0.0 : noise * g(rng);
        pts.push_back(origin + a * u + b * v + (e / wl) * w);
    }
    return pts;
}

/// n points on the sphere (m = 3) or circle (m = 2) of `centre` and `radius`, directions
/// uniform over the whole surface, with Gaussian noise along the radius.
inline std::vector<Vec3> round_cloud(std::size_t n, int m, const Vec3& centre, double radius,
                                     double noise, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts;
    while (pts.size() < n) {
        Vec3 dir{g(rng), g(rng), m == 3 ? g(rng) : 0.0};
        const double len = vec_length(dir);
        if (len < 1e-6) {
            continue;
        }
        const double r = radius + noise * g(rng);
        Vec3 p = centre + (r / len) * dir;
        if (m == 2) {
            p[2] = 100.0 * g(rng);  // ignored by the circle fit
        }
        pts.push_back(p);
    }
    return pts;
}

/// Points near the circle of radius 4 about (1, 2, 0) in a slightly tilted plane.
inline std::vector<Vec3> arc_cloud()
{
    std::vector<Vec3> pts = round_cloud(40, 2, {1, 2, 0}, 4, 0.01, 8);
    for (Vec3& p : pts) {
        p[2] = 0.001 * p[0];
    }
    return pts;
}

/// Points on the cylinder of radius 2 about the axis through (1, 0, 2) along (0.1, 0.2, 1),
/// over a length of 12, with Gaussian radial noise.
inline std::vector<Vec3> cylinder_cloud(std::size_t n, double noise, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 1.0);
    const Vec3 w = (1.0 / std::sqrt(1.05)) * Vec3{0.1, 0.2, 1.0};
    const Vec3 e1 = (1.0 / vec_length(Vec3{1, 0, -0.1})) * Vec3{1, 0, -0.1};
    const Vec3 e2{w[1] * e1[2] - w[2] * e1[1], w[2] * e1[0] - w[0] * e1[2],
                  w[0] * e1[1] - w[1] * e1[0]};
    std::vector<Vec3> pts(n);
    for (Vec3& p : pts) {
        const double t = 2 * pi * u(rng);
        const double r = 2.0 + noise * g(rng);
        p = Vec3{1, 0, 2} + (12.0 * u(rng) - 6.0) * w + (r * std::cos(t)) * e1 +
            (r * std::sin(t)) * e2;
    }
    return pts;
}

/// A helix of radius 3 about the Z axis with a little wobble.
inline std::vector<Vec3> cylinder_cloud()
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 90; ++i) {
        const double t = 0.7 * i;
        pts.push_back({3 * std::cos(t), 3 * std::sin(t), 0.1 * i + 0.01 * std::sin(5.0 * i)});
    }
    return pts;
}

/// Points near a straight line through the origin.
inline std::vector<Vec3> line_cloud()
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 30; ++i) {
        pts.push_back({1.0 * i, 0.5 * i + 0.02 * (i % 3), 2.0 - 0.01 * (i % 2)});
    }
    return pts;
}

/// Points along the line through (1, 2, 3) in the direction (1, 0.5, -0.25) over 20 units of x,
/// with Gaussian noise of `noise` in y and z.
inline std::vector<Vec3> line_cloud(std::size_t n, double noise, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vec3> pts(n);
    for (Vec3& p : pts) {
        const double t = 20 * u(rng);
        p = {1 + t, 2 + 0.5 * t + noise * g(rng), 3 - 0.25 * t + noise * g(rng)};
    }
    return pts;
}

inline void expect_vec_near(const Vec3& a, const Vec3& b, double tol)
{
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(a[k], b[k], tol) << "component " << k;
    }
}

}  // namespace tengun::testing
