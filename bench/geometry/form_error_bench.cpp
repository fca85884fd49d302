// Form errors of large clouds: points on a feature with uniform noise of +-a along its normal,
// so the true feature's zone is at most 2a wide and the minimum zone a little less. Each run
// checks that the minimum zone lies in (1.9a, 2a] and is no wider than the least-squares one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/arc_fit.h"
#include "geometry/cylinder_fit.h"
#include "geometry/form_error.h"
#include "geometry/line_fit.h"
#include "geometry/plane_fit.h"
#include "geometry/sphere_fit.h"

namespace {

using tengun::FormErrors;
using tengun::Mat3;
using tengun::Status;
using tengun::Vec3;

constexpr double noise = 0.01;

bool plausible(const FormErrors& e, double a)
{
    return e.minimum_zone.width <= 2 * a + 1e-9 && e.minimum_zone.width > 1.9 * a &&
           e.minimum_zone.width <= e.least_squares.width;
}

std::vector<Vec3> cloud(std::size_t n, int kind, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<Vec3> pts(n);
    for (Vec3& p : pts) {
        const double e = noise * (2 * u(rng) - 1);
        const double t = 2 * 3.14159265358979 * u(rng);
        switch (kind) {
        case 0: { // plane z = 10 + 0.1 x - 0.2 y over 100 x 100, noise along its normal
            const double x = 100 * u(rng) - 50;
            const double y = 100 * u(rng) - 50;
            const double s = std::sqrt(1 + 0.01 + 0.04);
            p = {x - 0.1 * e / s, y + 0.2 * e / s, 10 + 0.1 * x - 0.2 * y + e / s};
            break;
        }
        case 1: // circle of radius 20 about (1, 2) in z = 3
            p = {1 + (20 + e) * std::cos(t), 2 + (20 + e) * std::sin(t), 3};
            break;
        case 2: { // sphere of radius 20 about (1, 2, 3)
            const double z = 2 * u(rng) - 1;
            const double r = std::sqrt(1 - z * z);
            p = {1 + (20 + e) * r * std::cos(t), 2 + (20 + e) * r * std::sin(t), 3 + (20 + e) * z};
            break;
        }
        case 3: // cylinder of radius 5 about the Z axis, length 40
            p = {(5 + e) * std::cos(t), (5 + e) * std::sin(t), 40 * u(rng)};
            break;
        default: { // line along (1, 1, 1) with noise in a disc of radius a across it
            const double s = 50 * u(rng);
            const double r = noise * std::sqrt(u(rng));
            const Vec3 e1{1 / std::sqrt(2.0), -1 / std::sqrt(2.0), 0};
            const Vec3 e2{1 / std::sqrt(6.0), 1 / std::sqrt(6.0), -2 / std::sqrt(6.0)};
            for (int k = 0; k < 3; ++k) {
                p[k] = s + r * (std::cos(t) * e1[k] + std::sin(t) * e2[k]);
            }
        }
        }
    }
    return pts;
}

void BM_flatness(benchmark::State& state)
{
    const auto pts = cloud(static_cast<std::size_t>(state.range(0)), 0, 1);
    Vec3 n{};
    double d = 0;
    double sd = 0;
    if (tengun::fit_plane(pts, 3, n, d, sd) != Status::ok) {
        state.SkipWithError("no plane");
        return;
    }
    for (auto _ : state) {
        FormErrors e;
        if (tengun::flatness(pts, n, d, e) != Status::ok || !plausible(e, noise)) {
            state.SkipWithError("wrong flatness");
            break;
        }
        benchmark::DoNotOptimize(e);
    }
}
BENCHMARK(BM_flatness)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_roundness(benchmark::State& state)
{
    const auto pts = cloud(static_cast<std::size_t>(state.range(0)), 1, 2);
    Vec3 n{};
    Vec3 foot{};
    Vec3 c{};
    Mat3 frame{};
    double d = 0;
    double r = 0;
    double sd = 0;
    if (tengun::fit_arc(pts, n, d, foot, c, frame, r, sd) != Status::ok) {
        state.SkipWithError("no circle");
        return;
    }
    for (auto _ : state) {
        FormErrors e;
        if (tengun::roundness(pts, frame, c, e) != Status::ok || !plausible(e, noise)) {
            state.SkipWithError("wrong roundness");
            break;
        }
        benchmark::DoNotOptimize(e);
    }
}
BENCHMARK(BM_roundness)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_sphericity(benchmark::State& state)
{
    const auto pts = cloud(static_cast<std::size_t>(state.range(0)), 2, 3);
    Vec3 c{};
    double r = 0;
    double sd = 0;
    if (tengun::fit_sphere(pts, 3, c, r, sd) != Status::ok) {
        state.SkipWithError("no sphere");
        return;
    }
    for (auto _ : state) {
        FormErrors e;
        if (tengun::sphericity(pts, c, e) != Status::ok || !plausible(e, noise)) {
            state.SkipWithError("wrong sphericity");
            break;
        }
        benchmark::DoNotOptimize(e);
    }
}
BENCHMARK(BM_sphericity)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_cylindricity(benchmark::State& state)
{
    const auto pts = cloud(static_cast<std::size_t>(state.range(0)), 3, 4);
    Vec3 axis{};
    Vec3 c{};
    Mat3 frame{};
    double r = 0;
    double sd = 0;
    if (tengun::fit_cylinder(pts, axis, c, frame, r, sd) != Status::ok) {
        state.SkipWithError("no cylinder");
        return;
    }
    for (auto _ : state) {
        FormErrors e;
        if (tengun::cylindricity(pts, axis, c, e) != Status::ok || !plausible(e, noise)) {
            state.SkipWithError("wrong cylindricity");
            break;
        }
        benchmark::DoNotOptimize(e);
    }
}
BENCHMARK(BM_cylindricity)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_straightness(benchmark::State& state)
{
    const auto pts = cloud(static_cast<std::size_t>(state.range(0)), 4, 5);
    Vec3 u{};
    Vec3 p{};
    Mat3 frame{};
    double a = 0;
    double b = 0;
    double sd = 0;
    if (tengun::fit_line(pts, u, p, frame, a, b, sd) != Status::ok) {
        state.SkipWithError("no line");
        return;
    }
    for (auto _ : state) {
        FormErrors e;
        // Noise in a disc of radius a: the smallest cylinder's diameter is just under 2a.
        if (tengun::straightness(pts, u, p, e) != Status::ok || !plausible(e, noise)) {
            state.SkipWithError("wrong straightness");
            break;
        }
        benchmark::DoNotOptimize(e);
    }
}
BENCHMARK(BM_straightness)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
