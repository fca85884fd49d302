#include "view/zone_overlay.h"

#include <cmath>

#include "geometry/form_error.h"
#include "geometry/rotation.h"
#include "view/deviation_colours.h"
#include "view/draw_view.h"
#include "view/primitives.h"
#include "view/view_transform.h"

namespace tengun {

namespace {

constexpr int lower_colour = 9;   // light blue, the low end of the deviation scale
constexpr int upper_colour = 12;  // light red, the high end
constexpr int outline_colour = 8; // grey
constexpr int patch_lines = 6;    // lines each way across a plane patch

struct Style {
    int lower;
    int upper;
    bool mesh; ///< surfaces drawn as a light mesh rather than outlines
};

/// Projects model points the way draw_view does.
class Projector {
public:
    explicit Projector(const FormState& s) : s_(s) {}
    [[nodiscard]] SurfacePoint at(const Vec3& q) const
    {
        const Vec3 u = project_point(q, s_.rotation_centre, s_.view_matrix);
        return {s_.view_scale * u[0], s_.view_scale * u[1]};
    }
    void line(DrawingSurface& surface, const Vec3& a, const Vec3& b, int colour) const
    {
        const SurfacePoint p = at(a);
        const SurfacePoint q = at(b);
        draw_line(surface, p.x, p.y, q.x, q.y, colour);
    }
    void circle(DrawingSurface& surface, const Vec3& centre, const Vec3& normal, double r,
                int colour) const
    {
        const Angles a = direction_angles(normal);
        const Mat3 frame = rotation_matrix(a.alpha, a.beta, 0.0);
        draw_circle_3d(surface, s_.view_matrix, vec_sub(centre, s_.rotation_centre), frame, r,
                       colour, s_.view_scale);
    }

private:
    const FormState& s_;
};

/// Two unit vectors across the unit vector `n`.
Mat3 frame_about(const Vec3& n)
{
    const Vec3 helper = std::abs(n[0]) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 e1 = vec_cross(n, helper);
    e1 = vec_scale(e1, 1.0 / vec_length(e1));
    return {e1, vec_cross(n, e1), n};
}

/// The zone plane over the rectangle that holds the cloud's projection.
void draw_plane_patch(DrawingSurface& surface, const Projector& p, const ZoneSurface& plane,
                      const FormErrors& e, int colour, bool mesh)
{
    const Vec3& n = plane.direction;
    const double off = vec_dot(n, plane.point) - vec_dot(n, e.middle);
    const Vec3 middle = vec_add(e.middle, vec_scale(n, off));
    const auto corner = [&](double a, double b) {
        return vec_add(middle, vec_add(vec_scale(e.span_a, a), vec_scale(e.span_b, b)));
    };
    const int lines = mesh ? patch_lines : 1;
    for (int k = 0; k <= lines; ++k) {
        const double t = -1.0 + 2.0 * k / lines;
        p.line(surface, corner(t, -1.0), corner(t, 1.0), colour);
        p.line(surface, corner(-1.0, t), corner(1.0, t), colour);
    }
}

/// A cylinder over the stretch of its axis the cloud spans.
void draw_cylinder(DrawingSurface& surface, const Projector& p, const ZoneSurface& cyl,
                   const FormErrors& e, int colour, bool mesh)
{
    const Vec3& a = cyl.direction;
    const Vec3 foot = vec_add(cyl.point, vec_scale(a, vec_dot(vec_sub(e.middle, cyl.point), a)));
    const double half = std::abs(vec_dot(e.span_a, a));
    const Vec3 bottom = vec_sub(foot, vec_scale(a, half));
    const Vec3 top = vec_add(foot, vec_scale(a, half));
    p.circle(surface, bottom, a, cyl.radius, colour);
    p.circle(surface, top, a, cyl.radius, colour);
    const Mat3 frame = frame_about(a);
    const int sides = mesh ? 8 : 4;
    for (int k = 0; k < sides; ++k) {
        const double phi = 2.0 * pi * k / sides;
        const Vec3 r = vec_add(vec_scale(frame[0], cyl.radius * std::cos(phi)),
                               vec_scale(frame[1], cyl.radius * std::sin(phi)));
        p.line(surface, vec_add(bottom, r), vec_add(top, r), colour);
    }
}

void draw_sphere(DrawingSurface& surface, const Projector& p, const ZoneSurface& sphere,
                 const FormState& s, int colour, bool mesh)
{
    // The outline as the view sees it, and for the mesh two great circles across it.
    const SurfacePoint c = p.at(sphere.point);
    draw_circle(surface, c.x, c.y, s.view_scale * sphere.radius, colour);
    if (mesh) {
        for (int row = 0; row < 2; ++row) {
            p.circle(surface, sphere.point, s.view_matrix[row], sphere.radius, colour);
        }
    }
}

} // namespace

void draw_zone_overlay(DrawingSurface& surface, const FormState& state)
{
    if (state.analysis_kind < analysis_kinds::plane ||
        state.analysis_kind > analysis_kinds::line) {
        return;
    }
    const FormZone& zone = state.form_errors.minimum_zone;
    const std::vector<ZoneSurface> surfaces = zone_surfaces(zone);
    if (surfaces.empty()) {
        return;
    }
    const bool colours = shows_deviation(state);
    const Style style = colours ? Style{lower_colour, upper_colour, true}
                                : Style{outline_colour, outline_colour, false};
    const Projector p(state);
    surface.set_line_width(1);
    surface.set_line_style(colours ? LineStyle::solid : LineStyle::dashed);
    for (std::size_t k = 0; k < surfaces.size(); ++k) {
        const ZoneSurface& z = surfaces[k];
        const int colour = k + 1 < surfaces.size() || surfaces.size() == 1 ? style.lower
                                                                             : style.upper;
        switch (z.shape) {
        case ZoneSurface::Shape::plane:
            draw_plane_patch(surface, p, z, state.form_errors, colour, style.mesh);
            break;
        case ZoneSurface::Shape::circle:
            p.circle(surface, z.point, z.direction, z.radius, colour);
            break;
        case ZoneSurface::Shape::sphere:
            draw_sphere(surface, p, z, state, colour, style.mesh);
            break;
        case ZoneSurface::Shape::cylinder:
            draw_cylinder(surface, p, z, state.form_errors, colour, style.mesh);
            break;
        }
    }
    surface.set_line_style(LineStyle::solid);
}

}  // namespace tengun
