#pragma once
// Rotation matrices built from three angles, and the angles back from a matrix or a direction.
// The view and the frames of the fitted planes and lines share them.

#include "geometry/numeric_core.h"

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

Mat3 mat_mul(const Mat3& a, const Mat3& b);
inline Vec3 vec_cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace tengun
