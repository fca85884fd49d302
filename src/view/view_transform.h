#pragma once
// Orthographic view: projection of model points and the mapping of view points onto the surface.

#include "geometry/numeric_core.h"
#include "geometry/rotation.h"
#include "view/drawing_surface.h"

namespace tengun {

/// View coordinates u = V (p - C).
Vec3 project_point(const Vec3& p, const Vec3& centre, const Mat3& view);

struct SurfacePoint {
    double x = 0.0;
    double y = 0.0;
};

/// Surface position of view point (x, y): (W/2 + x, H/2 - y), with W, H read from the surface.
SurfacePoint to_surface(const DrawingSurface& surface, double x, double y);

/// The default view M(-45 deg, 45 deg, 145 deg).
Mat3 set_default_view();

}  // namespace tengun
