// Sphericity, cylindricity and straightness by Chebyshev fits: sequential linear programming.
// About the current feature every point's distance (from the centre or the axis) is linearised
// in the feature's parameters; the linear program over those rows finds the step, inside a box
// (the trust region), that makes the linearised zone thinnest. A step that narrows the true
// zone is taken and the box grows when the model predicted well; a step that does not is
// refused and the box shrinks. The axis features are re-centred after every step (the frame
// turned onto the new axis), so the parameters are always small offsets about the current axis.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/form_error.h"
#include "geometry/form_error_parts.h"
#include "geometry/small_lp.h"

namespace tengun {

namespace {

using form_detail::point_numbers;

constexpr int max_steps = 200;
/// How far, in sizes of the cloud, the feature may move from the fitted one.
constexpr double runaway_limit = 10.0;
constexpr double inf = std::numeric_limits<double>::infinity();

/// Distances of the points from the feature and their gradients in its k parameters.
struct Linearised {
    std::vector<double> value;    ///< n values
    std::vector<double> gradient; ///< n * k values
    double lo = inf;
    double hi = -inf;
    std::size_t ilo = 0;
    std::size_t ihi = 0;

    void resize(std::size_t n, int k)
    {
        value.resize(n);
        gradient.resize(n * static_cast<std::size_t>(k));
    }
    void note(std::size_t i, double v)
    {
        value[i] = v;
        if (v < lo) {
            lo = v;
            ilo = i;
        }
        if (v > hi) {
            hi = v;
            ihi = i;
        }
    }
};

/// A sphere's centre; the parameters are its shift.
struct SphereModel {
    static constexpr int k = 3;
    Vec3 centre{};

    void linearise(std::span<const Vec3> points, Linearised& lin) const
    {
        lin.resize(points.size(), k);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Vec3 v = points[i] - centre;
            const double d = vec_length(v);
            lin.note(i, d);
            double* g = &lin.gradient[i * k];
            for (int j = 0; j < 3; ++j) {
                g[j] = d > 0.0 ? -v[j] / d : 0.0;
            }
        }
    }
    [[nodiscard]] SphereModel moved(const std::vector<double>& step) const
    {
        return {centre + Vec3{step[0], step[1], step[2]}};
    }
    [[nodiscard]] double distance_from(const SphereModel& other) const
    {
        return vec_length(centre - other.centre);
    }
};

/// An axis through `point` along frame row 3; the parameters are the shift of the point along
/// rows 1 and 2 and the tilt of the axis towards them, as offsets at the distance `length`
/// along the axis (so all four are lengths).
struct AxisModel {
    static constexpr int k = 4;
    Vec3 point{};
    Mat3 frame{};
    double length = 1.0;
    Vec3 centroid{};

    void linearise(std::span<const Vec3> points, Linearised& lin) const
    {
        lin.resize(points.size(), k);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Vec3 r = points[i] - point;
            const double x = vec_dot(frame[0], r);
            const double y = vec_dot(frame[1], r);
            const double z = vec_dot(frame[2], r) / length;
            const double rho = std::hypot(x, y);
            lin.note(i, rho);
            double* g = &lin.gradient[i * k];
            if (rho > 0.0) {
                g[0] = -x / rho;
                g[1] = -y / rho;
                g[2] = -z * x / rho;
                g[3] = -z * y / rho;
            } else {
                g[0] = g[1] = g[2] = g[3] = 0.0;
            }
        }
    }
    [[nodiscard]] AxisModel moved(const std::vector<double>& step) const
    {
        AxisModel m = *this;
        const Vec3 p = point + step[0] * frame[0] + step[1] * frame[1];
        Vec3 w = frame[2] + (step[2] / length) * frame[0] + (step[3] / length) * frame[1];
        w = (1.0 / vec_length(w)) * w;
        Vec3 e1 = frame[0] - vec_dot(frame[0], w) * w;
        e1 = (1.0 / vec_length(e1)) * e1;
        const Vec3 e2{w[1] * e1[2] - w[2] * e1[1], w[2] * e1[0] - w[0] * e1[2],
                      w[0] * e1[1] - w[1] * e1[0]};
        m.frame = {e1, e2, w};
        m.point = p + vec_dot(centroid - p, w) * w; // the axis point level with the centroid
        return m;
    }
    [[nodiscard]] double distance_from(const AxisModel& other) const
    {
        return vec_length(point - other.point) + length * vec_length(frame[2] - other.frame[2]);
    }
};

/// The zone's objective: the width max - min, or for a line the largest distance.
double objective(const Linearised& lin, bool band)
{
    return band ? lin.hi - lin.lo : lin.hi;
}

template <class Model> struct ChebyshevResult {
    Model model;
    Linearised lin;
    std::vector<std::size_t> active; ///< points of the last linear program's basis
};

/// Sequential linear programming from `start`: `band` minimises max - min of the distances
/// (sphericity, cylindricity), otherwise their maximum (straightness).
template <class Model>
ChebyshevResult<Model> chebyshev_fit(std::span<const Vec3> points, const Model& start, bool band,
                                     double size)
{
    constexpr int k = Model::k;
    const int d = band ? k + 2 : k + 1;
    const std::size_t n = points.size();
    ChebyshevResult<Model> r{start, {}, {}};
    r.model.linearise(points, r.lin);
    double zone = objective(r.lin, band);
    double region = std::max(zone, 1e-9 * size);
    const double leash = runaway_limit * size;
    r.active = {r.lin.ihi, r.lin.ilo};

    SmallLp lp;
    lp.columns = d;
    lp.objective.assign(static_cast<std::size_t>(d), 0.0);
    lp.objective[k] = 1.0;
    if (band) {
        lp.objective[k + 1] = -1.0;
    }
    for (int step = 0; step < max_steps; ++step) {
        // Rows for point i: g . delta - U <= -v_i (and -g . delta + L <= v_i for a band), the
        // distances taken about the middle of the zone (a far centre makes them all large and
        // nearly equal; their differences are what the program compares).
        const double middle = band ? 0.5 * (r.lin.hi + r.lin.lo) : r.lin.hi;
        const std::size_t per_point = band ? 2 : 1;
        lp.rows.assign(n * per_point * static_cast<std::size_t>(d), 0.0);
        lp.rhs.resize(n * per_point);
        for (std::size_t i = 0; i < n; ++i) {
            const double* g = &r.lin.gradient[i * k];
            double* upper = &lp.rows[i * per_point * static_cast<std::size_t>(d)];
            for (int j = 0; j < k; ++j) {
                upper[j] = g[j];
            }
            upper[k] = -1.0;
            lp.rhs[i * per_point] = middle - r.lin.value[i];
            if (band) {
                double* lower = upper + d;
                for (int j = 0; j < k; ++j) {
                    lower[j] = -g[j];
                }
                lower[k + 1] = 1.0;
                lp.rhs[i * per_point + 1] = r.lin.value[i] - middle;
            }
        }
        const double reach = 4.0 * (zone + size + k * region);
        lp.bounds.assign(static_cast<std::size_t>(d), reach);
        for (int j = 0; j < k; ++j) {
            lp.bounds[static_cast<std::size_t>(j)] = region;
        }
        // Rows a_i . x - b_i are good to rounding of the step's size.
        const double lp_tolerance = 1e-14 * (size + region);
        SmallLpSolution sol;
        if (solve_small_lp(lp, lp_tolerance, sol) == Status::error) {
            break;
        }
        r.active.clear();
        for (const int b : sol.basis) {
            if (b >= 0) {
                r.active.push_back(static_cast<std::size_t>(b) / per_point);
            }
        }
        const double predicted = zone - (sol.value + (band ? 0.0 : middle));
        if (!(predicted > 1e-12 * zone + 1e-15 * size)) {
            break; // no step narrows the linearised zone: the zone is minimal
        }
        std::vector<double> delta(sol.x.begin(), sol.x.begin() + k);
        double step_length = 0.0;
        for (const double v : delta) {
            step_length = std::max(step_length, std::abs(v));
        }
        const Model trial = r.model.moved(delta);
        if (trial.distance_from(start) > leash) {
            break; // running off towards a plane's zone: the feature means nothing there
        }
        Linearised trial_lin;
        trial.linearise(points, trial_lin);
        const double trial_zone = objective(trial_lin, band);
        const double gained = zone - trial_zone;
        if (gained > 0.0) {
            r.model = trial;
            r.lin = std::move(trial_lin);
            zone = trial_zone;
            if (gained > 0.75 * predicted && step_length > 0.5 * region) {
                region *= 2.0;
            } else if (gained < 0.25 * predicted) {
                region = 0.5 * step_length;
            }
        } else {
            region = 0.25 * step_length;
        }
        if (!(region > 1e-13 * size)) {
            break;
        }
    }
    return r;
}

/// The band of distances `lin` as a zone of `kind` about the centre or axis point `point`.
FormZone band_zone(FormKind kind, const Vec3& point, const Vec3& direction, const Linearised& lin)
{
    FormZone z;
    z.kind = kind;
    z.point = point;
    z.direction = direction;
    z.lower = lin.lo;
    z.upper = lin.hi;
    z.width = lin.hi - lin.lo;
    return z;
}

AxisModel axis_model(std::span<const Vec3> points, const Vec3& axis, const Vec3& point)
{
    AxisModel m;
    const Vec3 w = (1.0 / vec_length(axis)) * axis;
    m.frame = form_detail::frame_about(w);
    m.centroid = form_detail::centroid(points);
    m.point = point + vec_dot(m.centroid - point, w) * w;
    double reach = 0.0;
    for (const Vec3& p : points) {
        reach = std::max(reach, std::abs(vec_dot(w, p - m.point)));
    }
    m.length = reach > 0.0 ? reach : 1.0;
    return m;
}

} // namespace

Status sphericity(std::span<const Vec3> points, const Vec3& centre, FormErrors& out)
{
    if (points.size() < 4) {
        return Status::error;
    }
    const double size = form_detail::cloud_size(points);
    const auto spreads = form_detail::principal_spreads(points);
    if (form_detail::negligible_spread(spreads.rms[0], spreads, size)) {
        return Status::error; // in one plane: no sphere is fixed
    }
    FormErrors result;
    const SphereModel start{centre};
    const auto fit = chebyshev_fit(points, start, true, size);
    Linearised ls;
    start.linearise(points, ls);
    result.least_squares = band_zone(FormKind::sphericity, centre, {}, ls);
    result.least_squares.defining_points = point_numbers({ls.ihi, ls.ilo});
    result.minimum_zone = band_zone(FormKind::sphericity, fit.model.centre, {}, fit.lin);
    result.minimum_zone.defining_points = point_numbers(fit.active);
    form_detail::settle(result, form_detail::coordinate_scale(size, spreads.centre));
    out = std::move(result);
    return Status::ok;
}

Status cylindricity(std::span<const Vec3> points, const Vec3& axis, const Vec3& point,
                    FormErrors& out)
{
    if (points.size() < 5 || !(vec_length(axis) > 0.0)) {
        return Status::error;
    }
    const double size = form_detail::cloud_size(points);
    const auto spreads = form_detail::principal_spreads(points);
    if (form_detail::negligible_spread(std::hypot(spreads.rms[0], spreads.rms[1]), spreads, size)) {
        return Status::error; // on one line: no cylinder is fixed
    }
    FormErrors result;
    const AxisModel start = axis_model(points, axis, point);
    const auto fit = chebyshev_fit(points, start, true, size);
    Linearised ls;
    start.linearise(points, ls);
    result.least_squares = band_zone(FormKind::cylindricity, start.point, start.frame[2], ls);
    result.least_squares.defining_points = point_numbers({ls.ihi, ls.ilo});
    result.minimum_zone =
        band_zone(FormKind::cylindricity, fit.model.point, fit.model.frame[2], fit.lin);
    result.minimum_zone.defining_points = point_numbers(fit.active);
    form_detail::settle(result, form_detail::coordinate_scale(size, spreads.centre));
    out = std::move(result);
    return Status::ok;
}

Status straightness(std::span<const Vec3> points, const Vec3& axis, const Vec3& point,
                    FormErrors& out)
{
    if (points.size() < 2 || !(vec_length(axis) > 0.0)) {
        return Status::error;
    }
    const double size = form_detail::cloud_size(points);
    FormErrors result;
    const AxisModel start = axis_model(points, axis, point);
    const auto zone_of = [](const AxisModel& m, const Linearised& lin) {
        FormZone z;
        z.kind = FormKind::straightness;
        z.point = m.point;
        z.direction = m.frame[2];
        z.lower = 0.0;
        z.upper = lin.hi;
        z.width = 2.0 * lin.hi;
        return z;
    };
    Linearised ls;
    start.linearise(points, ls);
    result.least_squares = zone_of(start, ls);
    result.least_squares.defining_points = point_numbers({ls.ihi});
    if (size > 0.0) {
        const auto fit = chebyshev_fit(points, start, false, size);
        result.minimum_zone = zone_of(fit.model, fit.lin);
        result.minimum_zone.defining_points = point_numbers(fit.active);
    } else {
        result.minimum_zone = result.least_squares; // all points equal: width 0 already
    }
    form_detail::settle(result, form_detail::coordinate_scale(size, start.centroid));
    out = std::move(result);
    return Status::ok;
}

} // namespace tengun
