#pragma once
// Orthographic view: the rotation matrix built from three angles and its inverse, the angles of
// a direction, projection of model points, and the mapping of view points onto the surface.

#include "geometry/numeric_core.h"
#include "view/drawing_surface.h"

namespace tengun {

/// M(alpha, beta, gamma), the transpose of Rx(alpha) Ry(beta) Rz(gamma) (radians). Used as the
/// view matrix, row 3 is the model direction towards the viewer, rows 1 and 2 screen right/up.
Mat3 rotation_matrix(double alpha, double beta, double gamma);

struct Angles {
    double alpha = 0.0;
    double beta = 0.0;
    double gamma = 0.0;
};

/// The angles from which rotation_matrix would build `m`; in the gimbal case
/// (m(3,1) exactly +-1) alpha is 0 and gamma carries the combined turn.
Angles view_angles(const Mat3& m);

/// alpha and beta (gamma = 0) such that row 3 of rotation_matrix(alpha, beta, 0) is the unit
/// vector n.
Angles direction_angles(const Vec3& n);

/// View coordinates u = V (p - C).
Vec3 project_point(const Vec3& p, const Vec3& centre, const Mat3& view);

struct SurfacePoint {
    double x = 0.0;
    double y = 0.0;
};

/// Surface position of view point (x, y): (W/2 + x, H/2 - y), with W, H read from the surface.
SurfacePoint to_surface(const DrawingSurface& surface, double x, double y);

Mat3 mat_mul(const Mat3& a, const Mat3& b);
Vec3 vec_cross(const Vec3& a, const Vec3& b);

/// The default view M(-45 deg, 45 deg, 145 deg).
Mat3 set_default_view();

}  // namespace tengun
