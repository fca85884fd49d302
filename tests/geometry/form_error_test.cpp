#include "geometry/form_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "geometry/arc_fit.h"
#include "geometry/cylinder_fit.h"
#include "geometry/form_error_parts.h"
#include "geometry/line_fit.h"
#include "geometry/plane_fit.h"
#include "geometry/sphere_fit.h"
#include "support/clouds.h"
#include "support/form_reference.h"

namespace tengun {
namespace {

using testing::axis_distances;
using testing::Real;
using testing::shell_width;
using testing::slab_width;
using testing::to_real;
using testing::V3;

using Cloud = std::vector<Vec3>;

// ---- the five features fitted by least squares, then their form errors --------------------

/// The least-squares fit of `kind` and its form errors; false when the fit fails.
bool evaluate(FormKind kind, const Cloud& pts, FormErrors& out)
{
    Vec3 n{};
    Vec3 c{};
    Vec3 foot{};
    Mat3 frame{};
    double d = 0;
    double r = 0;
    double sd = 0;
    double a = 0;
    double b = 0;
    switch (kind) {
    case FormKind::flatness:
        return fit_plane(pts, 3, n, d, sd) == Status::ok && flatness(pts, n, d, out) == Status::ok;
    case FormKind::straightness:
        return fit_line(pts, n, c, frame, a, b, sd) == Status::ok &&
               straightness(pts, n, c, out) == Status::ok;
    case FormKind::roundness:
        return fit_arc(pts, n, d, foot, c, frame, r, sd) == Status::ok &&
               roundness(pts, frame, c, out) == Status::ok;
    case FormKind::sphericity:
        return fit_sphere(pts, 3, c, r, sd) == Status::ok && sphericity(pts, c, out) == Status::ok;
    case FormKind::cylindricity:
        return fit_cylinder(pts, n, c, frame, r, sd) == Status::ok &&
               cylindricity(pts, n, c, out) == Status::ok;
    case FormKind::none:
        break;
    }
    return false;
}

/// The width of the zone of `kind` about the feature of `zone`, by the reference formulas.
Real reference_width(FormKind kind, const Cloud& pts, const FormZone& zone)
{
    switch (kind) {
    case FormKind::flatness:
        return slab_width(pts, to_real(zone.direction));
    case FormKind::straightness:
        return 2 * axis_distances(pts, to_real(zone.point), to_real(zone.direction))[1];
    case FormKind::roundness: {
        // Distances in the plane of the zone: across its normal.
        Real lo = 1e300L;
        Real hi = -1e300L;
        const V3 w = to_real(zone.direction);
        for (const Vec3& p : pts) {
            V3 r = testing::sub(to_real(p), to_real(zone.point));
            const Real h = testing::dot(r, w);
            r = {r[0] - h * w[0], r[1] - h * w[1], r[2] - h * w[2]};
            const Real s = std::sqrt(testing::dot(r, r));
            lo = std::min(lo, s);
            hi = std::max(hi, s);
        }
        return hi - lo;
    }
    case FormKind::sphericity:
        return shell_width(pts, to_real(zone.point));
    case FormKind::cylindricity: {
        const auto d = axis_distances(pts, to_real(zone.point), to_real(zone.direction));
        return d[1] - d[0];
    }
    case FormKind::none:
        break;
    }
    return -1;
}

/// Signed distance of p outside the surface s (for a plane: above it, along its normal).
double beyond(const ZoneSurface& s, const Vec3& p)
{
    const Vec3 r = p - s.point;
    const double along = vec_dot(r, s.direction);
    switch (s.shape) {
    case ZoneSurface::Shape::plane:
        return along;
    case ZoneSurface::Shape::sphere:
        return vec_length(r) - s.radius;
    case ZoneSurface::Shape::circle:
    case ZoneSurface::Shape::cylinder:
        return vec_length(r - along * s.direction) - s.radius;
    }
    return 0;
}

/// `zone` moved by a random offset of about `step` in each of its free parameters.
FormZone perturbed(FormKind kind, const FormZone& zone, double step, std::mt19937& rng)
{
    std::normal_distribution<double> g(0.0, step);
    FormZone z = zone;
    const Vec3 shift{g(rng), g(rng), g(rng)};
    switch (kind) {
    case FormKind::flatness:
    case FormKind::straightness:
    case FormKind::cylindricity:
    case FormKind::roundness: {
        Vec3 w = z.direction + shift;
        z.direction = (1.0 / vec_length(w)) * w;
        if (kind != FormKind::flatness) {
            z.point = z.point + Vec3{g(rng), g(rng), g(rng)};
        }
        if (kind == FormKind::roundness) {
            z.direction = zone.direction; // the plane stays; the centre moves within it
            const Vec3 p = z.point - zone.point;
            z.point = zone.point + (p - vec_dot(p, zone.direction) * zone.direction);
        }
        break;
    }
    case FormKind::sphericity:
        z.point = z.point + shift;
        break;
    case FormKind::none:
        break;
    }
    return z;
}

// ---- clouds -------------------------------------------------------------------------------

Cloud noisy_plane(std::size_t n, double noise, unsigned seed)
{
    return testing::plane_cloud(n, {1, 2, 3}, {1, 0.2, 0.1}, {-0.3, 1, 0.4}, 5.0, noise, seed);
}

Cloud random_box(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Cloud pts(n);
    for (Vec3& p : pts) {
        p = {3 + 4 * u(rng), -2 + 2 * u(rng), 1 + u(rng)};
    }
    return pts;
}

/// Points on an arc of `span` radians of the circle of radius 10 about (1, 2) in z = 3, with
/// uniform radial noise of +-noise.
Cloud noisy_arc(std::size_t n, double span, double noise, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Cloud pts(n);
    for (Vec3& p : pts) {
        const double t = span * u(rng);
        const double r = 10.0 + noise * (2 * u(rng) - 1);
        p = {1 + r * std::cos(t), 2 + r * std::sin(t), 3};
    }
    return pts;
}

Cloud noisy_sphere(std::size_t n, double noise, unsigned seed)
{
    return testing::round_cloud(n, 3, {1, 2, 3}, 10.0, noise, seed);
}

// ---- the exact minimum zones against the brute force ----------------------------------------

struct SmallSets {
    const char* name;
    FormKind kind;
    std::function<Cloud(unsigned)> make;
    unsigned seeds = 120;
    /// 0: the routine as the program calls it; 1: its first subset from one grid cell or sector
    /// (two points), so that the rounds that add the points outside it do the work.
    int start = 0;
};

/// The form errors of the fitted plane or circle, the first subset chosen as `start` says.
bool evaluate_exact(FormKind kind, const Cloud& pts, int start, FormErrors& out)
{
    if (start == 0) {
        return evaluate(kind, pts, out);
    }
    Vec3 n{};
    Vec3 c{};
    Vec3 foot{};
    Mat3 frame{};
    double d = 0;
    double r = 0;
    double sd = 0;
    if (kind == FormKind::flatness) {
        return fit_plane(pts, 3, n, d, sd) == Status::ok &&
               form_detail::flatness_in_cells(pts, n, d, start, out) == Status::ok;
    }
    return fit_arc(pts, n, d, foot, c, frame, r, sd) == Status::ok &&
           form_detail::roundness_in_sectors(pts, frame, c, start, out) == Status::ok;
}

class ExactZones : public ::testing::TestWithParam<SmallSets> {};

TEST_P(ExactZones, equal_the_brute_force_over_every_four_point_configuration)
{
    const SmallSets& row = GetParam();
    for (unsigned seed = 1; seed <= row.seeds; ++seed) {
        SCOPED_TRACE(seed);
        const Cloud pts = row.make(seed);
        FormErrors e;
        ASSERT_TRUE(evaluate_exact(row.kind, pts, row.start, e));
        const Real reference = row.kind == FormKind::flatness ? testing::brute_force_flatness(pts)
                                                              : testing::brute_force_roundness(pts);
        EXPECT_NEAR(e.minimum_zone.width, static_cast<double>(reference), 1e-12);
        EXPECT_LE(e.minimum_zone.width, e.least_squares.width);
        EXPECT_NEAR(static_cast<double>(reference_width(row.kind, pts, e.minimum_zone)),
                    e.minimum_zone.width, 1e-12)
            << "the reported feature has the reported width";
        if (!(e.minimum_zone == e.least_squares)) {
            EXPECT_EQ(e.minimum_zone.defining_points.size(), 4U);
        }
        EXPECT_TRUE(e.minimum_zone_exact);
    }
}

INSTANTIATE_TEST_SUITE_P(
    small_sets, ExactZones,
    ::testing::Values(SmallSets{"flatness_noisy_plane", FormKind::flatness,
                                [](unsigned s) { return noisy_plane(12, 0.05, s); }},
                      SmallSets{"flatness_rough_plane", FormKind::flatness,
                                [](unsigned s) { return noisy_plane(12, 1.0, s); }},
                      SmallSets{"flatness_random_box", FormKind::flatness,
                                [](unsigned s) { return random_box(12, s); }},
                      SmallSets{"roundness_fine_circle", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(12, 2 * pi, 0.05, s); }},
                      SmallSets{"roundness_rough_circle", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(12, 2 * pi, 1.5, s); }},
                      SmallSets{"roundness_half_circle", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(12, pi, 0.3, s); }},
                      SmallSets{"flatness_grown_from_two_points", FormKind::flatness,
                                [](unsigned s) { return noisy_plane(30, 0.2, s); }, 8, 1},
                      SmallSets{"roundness_grown_from_two_points", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(30, 2 * pi, 0.5, s); }, 8, 1},
                      SmallSets{"roundness_of_an_arc_grown_from_two_points", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(30, 2.0, 0.3, s); }, 8, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- every minimum zone: no wider than least squares and locally minimal ------------------

struct LocalCase {
    const char* name;
    FormKind kind;
    std::function<Cloud(unsigned)> make;
};

class MinimumZones : public ::testing::TestWithParam<LocalCase> {};

TEST_P(MinimumZones, are_no_wider_than_least_squares_and_no_nearby_feature_is_thinner)
{
    const LocalCase& row = GetParam();
    std::mt19937 rng(5);
    for (unsigned seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE(seed);
        const Cloud pts = row.make(seed);
        FormErrors e;
        ASSERT_TRUE(evaluate(row.kind, pts, e));
        EXPECT_EQ(e.least_squares.kind, row.kind);
        EXPECT_EQ(e.minimum_zone.kind, row.kind);
        EXPECT_LE(e.minimum_zone.width, e.least_squares.width);
        EXPECT_GT(e.minimum_zone.width, 0.0);
        // Both zones are what their features give.
        EXPECT_NEAR(static_cast<double>(reference_width(row.kind, pts, e.least_squares)),
                    e.least_squares.width, 1e-12);
        const Real mz = reference_width(row.kind, pts, e.minimum_zone);
        EXPECT_NEAR(static_cast<double>(mz), e.minimum_zone.width, 1e-12);
        EXPECT_NEAR(e.minimum_zone.upper - e.minimum_zone.lower,
                    row.kind == FormKind::straightness ? e.minimum_zone.width / 2
                                                       : e.minimum_zone.width,
                    1e-12);
        EXPECT_FALSE(e.minimum_zone.defining_points.empty());
        EXPECT_EQ(e.minimum_zone_exact,
                  row.kind == FormKind::flatness || row.kind == FormKind::roundness);
        // The surfaces the view draws hold every point between them.
        const auto surfaces = zone_surfaces(e.minimum_zone);
        ASSERT_EQ(surfaces.size(), row.kind == FormKind::straightness ? 1U : 2U);
        for (const Vec3& p : pts) {
            EXPECT_LE(beyond(surfaces.back(), p), 1e-12);
            if (surfaces.size() == 2) {
                EXPECT_GE(beyond(surfaces.front(), p), -1e-12);
            }
        }
        for (const int k : e.minimum_zone.defining_points) {
            EXPECT_GE(k, 1);
            EXPECT_LE(k, static_cast<int>(pts.size()));
        }
        for (const double step : {1e-7, 1e-5, 1e-3}) {
            for (int trial = 0; trial < 40; ++trial) {
                const FormZone z = perturbed(row.kind, e.minimum_zone, step, rng);
                EXPECT_GE(static_cast<double>(reference_width(row.kind, pts, z)),
                          e.minimum_zone.width - 1e-12)
                    << "step " << step;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    random_sets, MinimumZones,
    ::testing::Values(LocalCase{"flatness", FormKind::flatness,
                                [](unsigned s) { return noisy_plane(200, 0.02, s); }},
                      LocalCase{"straightness", FormKind::straightness,
                                [](unsigned s) { return testing::line_cloud(100, 0.05, s); }},
                      LocalCase{"roundness_circle", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(150, 2 * pi, 0.1, s); }},
                      LocalCase{"roundness_arc", FormKind::roundness,
                                [](unsigned s) { return noisy_arc(80, 2.0, 0.1, s); }},
                      LocalCase{"sphericity", FormKind::sphericity,
                                [](unsigned s) { return noisy_sphere(200, 0.05, s); }},
                      LocalCase{"cylindricity", FormKind::cylindricity,
                                [](unsigned s) { return testing::cylinder_cloud(200, 0.03, s); }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- classic cases -------------------------------------------------------------------------

Cloud grid_plane(double raised)
{
    Cloud pts;
    for (int i = 0; i <= 10; ++i) {
        for (int j = 0; j <= 10; ++j) {
            pts.push_back({i * 1.0, j * 1.0, 5.0});
        }
    }
    pts[29][2] += raised; // (2, 7): inside the grid, off its centre so the fitted plane tilts
    return pts;
}

Cloud lobed_circle(int lobes, double amplitude)
{
    Cloud pts;
    for (int i = 0; i < 360; ++i) {
        const double t = 2 * pi * i / 360;
        const double r = 10.0 + amplitude * std::cos(lobes * t);
        pts.push_back({1 + r * std::cos(t), 2 + r * std::sin(t), 3});
    }
    return pts;
}

Cloud exact_sphere()
{
    return noisy_sphere(100, 0.0, 3);
}

Cloud line_with_raised_point(double raised)
{
    Cloud pts;
    for (int i = 0; i <= 20; ++i) {
        pts.push_back({i * 0.5, 1.0, 2.0});
    }
    pts[10][1] += raised;
    return pts;
}

struct Classic {
    const char* name;
    FormKind kind;
    std::function<Cloud()> make;
    double minimum_zone;
    bool least_squares_minimal;
};

class ClassicCases : public ::testing::TestWithParam<Classic> {};

TEST_P(ClassicCases, give_their_known_form_error)
{
    const Classic& row = GetParam();
    const Cloud pts = row.make();
    FormErrors e;
    ASSERT_TRUE(evaluate(row.kind, pts, e));
    EXPECT_NEAR(e.minimum_zone.width, row.minimum_zone, 1e-11);
    EXPECT_EQ(e.least_squares_is_minimal, row.least_squares_minimal)
        << "least squares " << e.least_squares.width;
    if (row.least_squares_minimal) {
        EXPECT_NEAR(e.least_squares.width, row.minimum_zone, 1e-11);
    } else {
        EXPECT_GT(e.least_squares.width, row.minimum_zone + 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    known, ClassicCases,
    ::testing::Values(
        Classic{"exact_plane", FormKind::flatness, [] { return grid_plane(0.0); }, 0.0, true},
        Classic{"plane_with_one_raised_point", FormKind::flatness, [] { return grid_plane(0.3); },
                0.3, false},
        Classic{"exact_line", FormKind::straightness, [] { return line_with_raised_point(0.0); },
                0.0, true},
        Classic{"line_with_one_raised_point", FormKind::straightness,
                [] { return line_with_raised_point(0.2); }, 0.2, false},
        Classic{"exact_circle", FormKind::roundness, [] { return lobed_circle(3, 0.0); }, 0.0,
                true},
        Classic{"three_lobes", FormKind::roundness, [] { return lobed_circle(3, 0.05); }, 0.1,
                true},
        Classic{"oval", FormKind::roundness, [] { return lobed_circle(2, 0.02); }, 0.04, true},
        Classic{"five_lobes", FormKind::roundness, [] { return lobed_circle(5, 0.01); }, 0.02,
                true},
        Classic{"exact_sphere", FormKind::sphericity, exact_sphere, 0.0, true},
        Classic{"exact_cylinder", FormKind::cylindricity,
                [] { return testing::cylinder_cloud(100, 0.0, 4); }, 0.0, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(roundness, lobes_off_the_fitted_centre_are_measured_from_the_minimum_zone_centre)
{
    // Three lobes plus a tilt of the fitted plane frame: the arc fit's own frame, any centre
    // given in it; a centre moved off by 0.01 still reaches the lobes' own width.
    const Cloud pts = lobed_circle(3, 0.05);
    Vec3 n{};
    Vec3 c{};
    Vec3 foot{};
    Mat3 frame{};
    double d = 0;
    double r = 0;
    double sd = 0;
    ASSERT_EQ(fit_arc(pts, n, d, foot, c, frame, r, sd), Status::ok);
    FormErrors e;
    ASSERT_EQ(roundness(pts, frame, c + Vec3{0.01, -0.005, 0.0}, e), Status::ok);
    EXPECT_GT(e.least_squares.width, 0.1 + 0.005);
    EXPECT_NEAR(e.minimum_zone.width, 0.1, 1e-11);
    testing::expect_vec_near(e.minimum_zone.point, {1, 2, 3}, 1e-9);
    EXPECT_FALSE(e.least_squares_is_minimal);
}

TEST(flatness, of_evenly_round_points_keeps_the_thinnest_zone_found_and_says_so)
{
    // Every direction across a sphere's points is nearly as wide: the subset would need the
    // extremes of them all. The search stops and keeps a zone that holds every point.
    const Cloud pts = noisy_sphere(3000, 0.0, 9);
    FormErrors e;
    ASSERT_TRUE(evaluate(FormKind::flatness, pts, e));
    EXPECT_FALSE(e.minimum_zone_exact);
    EXPECT_LE(e.minimum_zone.width, e.least_squares.width);
    EXPECT_NEAR(e.minimum_zone.width, 20.0, 0.1);
    EXPECT_NEAR(static_cast<double>(reference_width(FormKind::flatness, pts, e.minimum_zone)),
                e.minimum_zone.width, 1e-12);
}

// ---- degenerate input ----------------------------------------------------------------------

struct Degenerate {
    const char* name;
    std::function<Status(FormErrors&)> run;
};

class DegenerateInput : public ::testing::TestWithParam<Degenerate> {};

TEST_P(DegenerateInput, fails_and_leaves_the_results)
{
    FormErrors e;
    e.least_squares.width = 42.0;
    e.minimum_zone.defining_points = {7};
    const FormErrors before = e;
    EXPECT_EQ(GetParam().run(e), Status::error);
    EXPECT_EQ(e, before);
}

const Cloud two_points{{0, 0, 0}, {1, 1, 1}};
const Cloud collinear{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {5, 5, 5}, {9, 9, 9}};
const Cloud coplanar{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}, {2, 5, 1}, {3, 1, 1}};
const Mat3 identity = mat_identity3();
const Vec3 z_axis{0, 0, 1};

INSTANTIATE_TEST_SUITE_P(
    cases, DegenerateInput,
    ::testing::Values(
        Degenerate{"flatness_of_two_points",
                   [](FormErrors& e) { return flatness(two_points, z_axis, 0, e); }},
        Degenerate{"flatness_of_a_line",
                   [](FormErrors& e) { return flatness(collinear, z_axis, 0, e); }},
        Degenerate{"straightness_of_one_point",
                   [](FormErrors& e) {
                       return straightness({two_points.data(), 1}, z_axis, {}, e);
                   }},
        Degenerate{"straightness_without_direction",
                   [](FormErrors& e) { return straightness(collinear, {}, {}, e); }},
        Degenerate{"roundness_of_two_points",
                   [](FormErrors& e) { return roundness(two_points, identity, {}, e); }},
        Degenerate{"roundness_of_a_line_in_the_plane",
                   [](FormErrors& e) { return roundness(collinear, identity, {}, e); }},
        Degenerate{"sphericity_of_three_points",
                   [](FormErrors& e) {
                       return sphericity({coplanar.data(), 3}, {}, e);
                   }},
        Degenerate{"sphericity_of_a_plane",
                   [](FormErrors& e) {
                       return sphericity(coplanar, {0, 0, 5}, e);
                   }},
        Degenerate{"cylindricity_of_four_points",
                   [](FormErrors& e) {
                       return cylindricity({coplanar.data(), 4}, z_axis, {}, e);
                   }},
        Degenerate{"cylindricity_of_a_line",
                   [](FormErrors& e) { return cylindricity(collinear, z_axis, {}, e); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tengun
