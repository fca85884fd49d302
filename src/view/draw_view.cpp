#include "view/draw_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <span>
#include <string>

#include "geometry/number_text.h"
#include "spline/bspline_basis.h"
#include "view/deviation_colours.h"
#include "view/zone_overlay.h"
#include "view/primitives.h"
#include "view/view_transform.h"

namespace tengun {

namespace {

SurfacePoint view_point(const FormState& state, const Vec3& q)
{
    const Vec3 u = project_point(q, state.rotation_centre, state.view_matrix);
    return {state.view_scale * u[0], state.view_scale * u[1]};
}

void write_view_fields(FormState& state)
{
    const Angles a = view_angles(state.view_matrix);
    state.fields["Text8(0)"] = format_number(rad_to_deg(a.alpha));
    state.fields["Text8(1)"] = format_number(rad_to_deg(a.beta));
    state.fields["Text8(2)"] = format_number(rad_to_deg(a.gamma));
    for (int k = 0; k < 3; ++k) {
        state.fields["Text9(" + std::to_string(k) + ")"] = format_number(state.rotation_centre[k]);
    }
}

/// The plane normal's direction angles in degrees, Text4(0) and Text4(1).
void write_plane_fields(FormState& state)
{
    const Angles a = direction_angles(state.axis_vector);
    state.fields["Text4(0)"] = format_number(rad_to_deg(a.alpha));
    state.fields["Text4(1)"] = format_number(rad_to_deg(a.beta));
}

void draw_sphere_overlay(DrawingSurface& surface, const FormState& state)
{
    const SurfacePoint c = view_point(state, state.centre);
    draw_marker(surface, c.x, c.y, 0);
    draw_circle(surface, c.x, c.y, state.view_scale * state.radius, 0);
}

void draw_arc_overlay(DrawingSurface& surface, FormState& state)
{
    draw_plane_frame(surface, state);
    const SurfacePoint c = view_point(state, state.centre);
    draw_marker(surface, c.x, c.y, 0);
    draw_circle_3d(surface, state.view_matrix, vec_sub(state.centre, state.rotation_centre),
                   state.fit_rotation, state.radius, 0, state.view_scale);
}

void draw_cylinder_overlay(DrawingSurface& surface, const FormState& state)
{
    const double s = state.view_scale;
    const SurfacePoint c = view_point(state, state.centre);
    draw_marker(surface, c.x, c.y, 0);
    const Vec3 a = mat_vec(state.view_matrix, vec_scale(state.axis_vector, state.view_extent));
    draw_line(surface, c.x - s * a[0], c.y - s * a[1], c.x + s * a[0], c.y + s * a[1], 0);
    print_at(surface, c.x + s * a[0], c.y + s * a[1], format_number(state.view_extent));
    draw_circle_3d(surface, state.view_matrix, vec_sub(state.centre, state.rotation_centre),
                   state.fit_rotation, state.radius, 0, s);
}

void draw_line_overlay(DrawingSurface& surface, const FormState& state)
{
    const SurfacePoint p = view_point(state, state.line_point);
    draw_marker(surface, p.x, p.y, 0);
    const Vec3 reach = vec_scale(state.axis_vector, state.view_extent);
    const SurfacePoint a = view_point(state, vec_add(state.line_point, reach));
    const SurfacePoint b = view_point(state, vec_sub(state.line_point, reach));
    draw_line(surface, a.x, a.y, b.x, b.y, 0);
}

double polynomial(const std::vector<double>& coefficients, std::size_t m, double t)
{
    // Plain powers, as the curve was fitted with them.
    double sum = 0.0;
    double power = 1.0;
    for (std::size_t k = 0; k < m; ++k) {
        sum += power * coefficients[k];
        power *= t;
    }
    return sum;
}

void draw_single_spline_overlay(DrawingSurface& surface, const FormState& state,
                                const ProgramWide& program)
{
    const SurfacePoint mid = view_point(state, state.line_point);
    draw_marker(surface, mid.x, mid.y, 0);
    // The curve is the one fitted: as many coefficients as were stored (the degree in the spline
    // dialog is shared by every form and may have changed since), never more than the points.
    const std::size_t m = state.poly_x.size();
    const std::size_t n = state.point_count();
    if (m == 0 || m > n || state.poly_y.size() != m || state.poly_z.size() != m) {
        return;
    }
    const double total = static_cast<double>(n) * program.division_count;
    if (!(total >= 1.0) || total > 1e8) {
        return;
    }
    const auto samples = static_cast<long>(total);
    SurfacePoint previous{};
    for (long j = 0; j <= samples; ++j) {
        const double t = static_cast<double>(j) / static_cast<double>(samples);
        const Vec3 q{polynomial(state.poly_x, m, t), polynomial(state.poly_y, m, t),
                     polynomial(state.poly_z, m, t)};
        const SurfacePoint p = view_point(state, q);
        if (j >= 1) {
            draw_line(surface, previous.x, previous.y, p.x, p.y, 0);
        }
        previous = p;
    }
}

void draw_bspline_overlay(DrawingSurface& surface, const FormState& state,
                          const ProgramWide& program)
{
    const double divisions = program.division_count;
    if (!(divisions >= 1.0) || divisions > 1e6) {
        return;
    }
    const auto d = static_cast<long>(divisions);
    const ControlPolygon control{state.control_x, state.control_y, state.control_z};
    const std::size_t size =
        std::min({state.control_x.size(), state.control_y.size(), state.control_z.size()});
    const long segments = static_cast<long>(state.point_count()) - 1 + state.loop_closed;
    SurfacePoint previous{};
    for (long i = 1; i <= segments; ++i) {
        if (static_cast<std::size_t>(i) + 2 >= size) {
            break; // control points of an earlier, smaller cloud
        }
        for (long j = 0; j <= d; ++j) {
            const double t = static_cast<double>(j) / static_cast<double>(d);
            const SurfacePoint p =
                view_point(state, bspline_point(static_cast<int>(i), t, control));
            if (t != 0.0) {
                draw_line(surface, previous.x, previous.y, p.x, p.y, 0);
            }
            previous = p;
        }
    }
}

} // namespace

namespace {

/// The single-pixel marker mode: colours of the runs, or of the deviations.
void draw_pixels(DrawingSurface& surface, const FormState& state)
{
    const std::size_t n = state.point_count();
    const std::size_t b = state.base_point_count;
    const bool deviation = shows_deviation(state);
    const DeviationScale scale(state.std_deviation);
    const Residual residual(state.analysis_kind, fitted_shape(state));
    // Deviation colours a block at a time: a tight loop the processor overlaps, before the
    // primitive calls.
    std::array<double, 256> residuals{};
    std::array<Rgb, 256> colours{};
    int colour = 0;
    for (std::size_t first = 0; first < n; first += colours.size()) {
        const std::size_t count = std::min(colours.size(), n - first);
        if (deviation) {
            residual(std::span(state.points.xyz).subspan(first, count),
                     std::span(residuals).first(count));
            for (std::size_t k = 0; k < count; ++k) {
                colours[k] = scale.colour(residuals[k]);
            }
        }
        // The pixels draw_dot and draw_dot_rgb would set, with the surface's size read once a
        // block instead of twice a point: a quarter of the time of a big cloud's redraw.
        const double half_width = surface.scale_width() / 2.0;
        const double half_height = surface.scale_height() / 2.0;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = first + k + 1;
            const SurfacePoint p = view_point(state, state.points.xyz[i - 1]);
            if (i != 1 && i != b + 1) {
                colour = i <= b ? 1 : 2;
            }
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
                continue;
            }
            if (deviation) {
                surface.pixel_rgb(half_width + p.x, half_height - p.y, colours[k]);
            } else {
                surface.pixel(half_width + p.x, half_height - p.y, colour);
            }
        }
    }
}

/// The big-circle marker mode: circles for shown points, joined by lines within a run.
void draw_circles(DrawingSurface& surface, const FormState& state)
{
    const std::size_t n = state.point_count();
    const std::size_t b = state.base_point_count;
    const bool deviation = shows_deviation(state);
    const DeviationScale scale(state.std_deviation);
    const Residual residual(state.analysis_kind, fitted_shape(state));
    int colour = 0;
    SurfacePoint previous{};
    for (std::size_t i = 1; i <= n; ++i) {
        const SurfacePoint p = view_point(state, state.points.xyz[i - 1]);
        const bool starts_run = i == 1 || i == b + 1;
        if (!starts_run) {
            colour = i <= b ? 1 : 2;
        }
        if (state.points.label[i - 1] == 0.0) {
            if (deviation) {
                draw_marker_rgb(surface, p.x, p.y, scale.colour(residual(state.points.xyz[i - 1])));
            } else {
                draw_marker(surface, p.x, p.y, colour);
            }
        }
        if (!starts_run) {
            // Under deviation colours the joining lines step back into light grey.
            draw_line(surface, previous.x, previous.y, p.x, p.y, deviation ? 7 : colour);
        }
        previous = p;
    }
}

} // namespace


namespace {

/// The colour draw_points gives point j (1-based) of a cloud whose first run has b points: a
/// run's first point keeps the colour of the point before it (0 before any).
int run_colour(std::size_t j, std::size_t b)
{
    if (j == 1) {
        return 0;
    }
    if (j == b + 1) {
        return run_colour(j - 1, b);
    }
    return j <= b ? 1 : 2;
}

/// Calls visit(i) for the first `count` items (0-based) of the preview order over n items.
template <class Visit>
void for_preview_items(std::size_t n, std::size_t count, Visit&& visit)
{
    const std::size_t step = preview_step(n);
    std::size_t i = 0;
    for (std::size_t k = 0; k < std::min(count, n); ++k) {
        visit(i);
        i += step;
        if (i >= n) {
            i -= n;
        }
    }
}

/// draw_points' point primitives for the chosen points.
void draw_points_preview(DrawingSurface& surface, const FormState& state,
                         const std::vector<std::size_t>& chosen)
{
    const std::size_t b = state.base_point_count;
    const bool deviation = shows_deviation(state);
    const DeviationScale scale(state.std_deviation);
    const Residual residual(state.analysis_kind, fitted_shape(state));
    for (const std::size_t i : chosen) {
        const std::size_t j = i + 1;
        const Vec3& q = state.points.xyz[i];
        const SurfacePoint p = view_point(state, q);
        const int colour = run_colour(j, b);
        if (state.marker_mode != 0) {
            if (deviation) {
                draw_dot_rgb(surface, p.x, p.y, scale.colour(residual(q)));
            } else {
                draw_dot(surface, p.x, p.y, colour);
            }
            continue;
        }
        if (state.points.label[i] == 0.0) {
            if (deviation) {
                draw_marker_rgb(surface, p.x, p.y, scale.colour(residual(q)));
            } else {
                draw_marker(surface, p.x, p.y, colour);
            }
        }
        if (j != 1 && j != b + 1) {
            const SurfacePoint previous = view_point(state, state.points.xyz[i - 1]);
            draw_line(surface, previous.x, previous.y, p.x, p.y, deviation ? 7 : colour);
        }
    }
}

void draw_axes(DrawingSurface& surface, const FormState& state)
{
    const double s = state.view_scale;
    static constexpr std::array axis_colours{1, 2, 4};
    static constexpr std::array axis_labels{"X=", "Y=", "Z="};
    for (int k = 0; k < 3; ++k) {
        Vec3 unit{};
        unit[k] = state.view_extent;
        const Vec3 a = mat_vec(state.view_matrix, unit);
        surface.set_line_style(a[2] > 0.0 ? LineStyle::solid : LineStyle::dashed);
        draw_line(surface, 0.0, 0.0, s * a[0], s * a[1], axis_colours[k]);
        print_at(surface, s * a[0], s * a[1],
                 std::string(axis_labels[k]) + format_number(state.view_extent));
    }
    surface.set_line_style(LineStyle::solid);
}

/// The overlays draw_view draws after the mesh, and the selection.
void draw_overlays(DrawingSurface& surface, FormState& state, const ProgramWide& program);

/// draw_view from the mesh on, with `triangles` drawing the mesh.
template <class Triangles>
void draw_after_points(DrawingSurface& surface, FormState& state, const ProgramWide& program,
                       Triangles&& triangles)
{
    surface.set_line_width(2);
    if (state.surface_display == surface_modes::mesh ||
        state.surface_display == surface_modes::mesh_and_segments) {
        triangles();
    }
    if (state.surface_display == surface_modes::mesh_and_segments) {
        draw_segments(surface, state);
    }
    draw_overlays(surface, state, program);
}

} // namespace

std::size_t preview_step(std::size_t n)
{
    if (n <= 2) {
        return 1;
    }
    auto step = static_cast<std::size_t>(0.6180339887498949 * static_cast<double>(n));
    while (std::gcd(step, n) != 1) {
        ++step;
    }
    return step;
}

void draw_points(DrawingSurface& surface, const FormState& state)
{
    if (state.marker_mode == 0) {
        draw_circles(surface, state);
    } else {
        draw_pixels(surface, state);
    }
    draw_axes(surface, state);
}

void draw_selection(DrawingSurface& surface, const FormState& state)
{
    if (state.selection.size() != state.point_count()) {
        return;
    }
    for (std::size_t i = 0; i < state.selection.size(); ++i) {
        if (state.selection[i] == 0) {
            continue;
        }
        const SurfacePoint p = view_point(state, state.points.xyz[i]);
        if (state.marker_mode == 0) {
            draw_marker(surface, p.x, p.y, selection_colour);
        } else {
            draw_dot(surface, p.x, p.y, selection_colour);
        }
    }
}

void draw_triangle(DrawingSurface& surface, const FormState& state, std::size_t t)
{
    if (t < 1 || t > state.triangle_count()) {
        return;
    }
    const int colour = palette_index(state.tri_tag[t - 1]);
    const std::size_t n = state.point_count();
    const std::array corners{state.tri_a[t - 1], state.tri_b[t - 1], state.tri_c[t - 1]};
    for (const int c : corners) {
        if (c < 1 || static_cast<std::size_t>(c) > n) {
            return; // a mesh of an earlier cloud names points this one does not have
        }
    }
    if (colour < 0) {
        return;
    }
    std::array<SurfacePoint, 3> v{};
    for (int k = 0; k < 3; ++k) {
        v[k] = view_point(state, state.points.xyz[static_cast<std::size_t>(corners[k]) - 1]);
    }
    for (int k = 0; k < 3; ++k) {
        const SurfacePoint& a = v[k];
        const SurfacePoint& b = v[(k + 1) % 3];
        draw_line(surface, a.x, a.y, b.x, b.y, colour);
    }
}

void draw_segments(DrawingSurface& surface, const FormState& state)
{
    for (const Segment& g : state.segments) {
        const SurfacePoint a = view_point(state, g.start);
        const SurfacePoint b = view_point(state, g.end);
        draw_line(surface, a.x, a.y, b.x, b.y, palette_index(g.colour));
    }
}

void draw_plane_frame(DrawingSurface& surface, FormState& state)
{
    const Vec3& n = state.axis_vector;
    const Mat3& v = state.view_matrix;
    const double s = state.view_scale;
    const double e = state.view_extent;
    const double r = plane_residual(state.rotation_centre, n, state.plane_offset);
    const Vec3 f = vec_scale(n, -r);
    const Vec3 vf = mat_vec(v, f);

    const Vec3 qx = mat_vec(v, vec_add(f, mat_t_vec({e, 0.0, 0.0}, state.fit_rotation)));
    draw_line(surface, s * vf[0], s * vf[1], s * qx[0], s * qx[1], 1);
    print_at(surface, s * qx[0], s * qx[1], "x");
    const Vec3 qy = mat_vec(v, vec_add(f, mat_t_vec({0.0, e, 0.0}, state.fit_rotation)));
    draw_line(surface, s * vf[0], s * vf[1], s * qy[0], s * qy[1], 2);
    print_at(surface, s * qy[0], s * qy[1], "y");
    draw_line(surface, 0.0, 0.0, s * vf[0], s * vf[1], 0);

    write_plane_fields(state);
}

void draw_circle_3d(DrawingSurface& surface, const Mat3& view, const Vec3& centre,
                    const Mat3& frame, double radius, int colour, double scale)
{
    const Vec3 l = mat_vec(frame, centre);
    SurfacePoint previous{};
    for (int k = 0; k <= 180; ++k) {
        const double theta = deg_to_rad(2.0 * k);
        const Vec3 local{radius * std::cos(theta) + l[0], radius * std::sin(theta) + l[1], l[2]};
        const Vec3 w = mat_vec(view, mat_t_vec(local, frame));
        const SurfacePoint p{scale * w[0], scale * w[1]};
        if (k > 0) {
            draw_line(surface, previous.x, previous.y, p.x, p.y, colour);
        }
        previous = p;
    }
}

void draw_view(DrawingSurface& surface, FormState& state, const ProgramWide& program)
{
    write_view_fields(state);
    if (surface.discards()) {
        // Nothing to see: only the fields a redraw writes.
        if (state.analysis_kind == analysis_kinds::plane ||
            state.analysis_kind == analysis_kinds::arc) {
            write_plane_fields(state);
        }
        return;
    }
    surface.clear();
    // The zone lies under the points so that it never hides their colours.
    draw_zone_overlay(surface, state);
    draw_points(surface, state);
    draw_after_points(surface, state, program, [&] {
        for (std::size_t t = 1; t <= state.triangle_count(); ++t) {
            draw_triangle(surface, state, t);
        }
    });
}

void PreviewPoints::choose(std::size_t point_count, std::size_t budget)
{
    const std::size_t wanted = std::min(point_count, budget);
    if (point_count == n && wanted == count) {
        return;
    }
    n = point_count;
    count = wanted;
    // Runs of `run` neighbouring points (a few cache lines) in the preview order over the runs:
    // a point alone costs a trip to memory, a run costs about as much as one point.
    constexpr std::size_t run = 8;
    const std::size_t runs = (n + run - 1) / run;
    std::vector<std::size_t> firsts;
    firsts.reserve(count / run);
    for_preview_items(runs, count / run, [&](std::size_t r) { firsts.push_back(r * run); });
    std::sort(firsts.begin(), firsts.end());
    indices.clear();
    indices.reserve(count);
    for (const std::size_t first : firsts) {
        for (std::size_t i = first; i < std::min(n, first + run); ++i) {
            indices.push_back(i);
        }
    }
}

void draw_view_preview(DrawingSurface& surface, FormState& state, const ProgramWide& program,
                       std::size_t budget)
{
    PreviewPoints chosen;
    draw_view_preview(surface, state, program, budget, chosen);
}

void draw_view_preview(DrawingSurface& surface, FormState& state, const ProgramWide& program,
                       std::size_t budget, PreviewPoints& chosen)
{
    if (surface.discards() ||
        (state.point_count() <= budget && state.triangle_count() <= budget)) {
        draw_view(surface, state, program);
        return;
    }
    write_view_fields(state);
    surface.clear();
    draw_zone_overlay(surface, state);
    chosen.choose(state.point_count(), budget);
    draw_points_preview(surface, state, chosen.indices);
    draw_axes(surface, state);
    draw_after_points(surface, state, program, [&] {
        for_preview_items(state.triangle_count(), budget,
                          [&](std::size_t t) { draw_triangle(surface, state, t + 1); });
    });
}

namespace {

void draw_overlays(DrawingSurface& surface, FormState& state, const ProgramWide& program)
{
    switch (state.analysis_kind) {
    case analysis_kinds::plane:
        draw_plane_frame(surface, state);
        break;
    case analysis_kinds::sphere:
        draw_sphere_overlay(surface, state);
        break;
    case analysis_kinds::arc:
        draw_arc_overlay(surface, state);
        break;
    case analysis_kinds::cylinder:
        draw_cylinder_overlay(surface, state);
        break;
    case analysis_kinds::line:
        draw_line_overlay(surface, state);
        break;
    case analysis_kinds::single_spline:
        draw_single_spline_overlay(surface, state, program);
        break;
    case analysis_kinds::bspline:
    case analysis_kinds::inverse_bspline:
        draw_bspline_overlay(surface, state, program);
        break;
    default:
        break;
    }
    draw_selection(surface, state);
    if (shows_deviation(state)) {
        surface.set_line_width(1);
        draw_deviation_bar(surface, state.std_deviation);
    }
    surface.set_line_width(1);
}

} // namespace

} // namespace tengun
