#pragma once
// Orthographic view: projection of model points and the mapping of view points onto the surface.

#include "geometry/numeric_core.h"
#include "geometry/rotation.h"
#include "view/drawing_surface.h"

namespace tengun {

/// View coordinates u = V (p - C), computed as vec_sub and mat_vec compute them. Inline: a
/// redraw projects every point of the cloud.
inline Vec3 project_point(const Vec3& p, const Vec3& centre, const Mat3& view)
{
    const double d0 = p[0] - centre[0];
    const double d1 = p[1] - centre[1];
    const double d2 = p[2] - centre[2];
    return {view[0][0] * d0 + view[0][1] * d1 + view[0][2] * d2,
            view[1][0] * d0 + view[1][1] * d1 + view[1][2] * d2,
            view[2][0] * d0 + view[2][1] * d1 + view[2][2] * d2};
}

struct SurfacePoint {
    double x = 0.0;
    double y = 0.0;
};

/// Surface position of view point (x, y): (W/2 + x, H/2 - y), with W, H read from the surface.
SurfacePoint to_surface(const DrawingSurface& surface, double x, double y);

/// The rotation centre that keeps the model point drawn at surface position (x, y) (mm, on a
/// surface of `width` x `height` mm) in place when the view scale changes from `scale` to
/// `new_scale`: C + V^T ((1 - scale / new_scale) u), with u = ((x - W/2) / s, -(y - H/2) / s, 0)
/// the view point under (x, y). A scale that is 0 or not finite keeps the centre.
Vec3 zoom_centre(const Mat3& view, const Vec3& centre, double scale, double new_scale, double x,
                 double y, double width, double height);

/// The default view M(-45 deg, 45 deg, 145 deg).
Mat3 set_default_view();

}  // namespace tengun
