#include "geometry/rotation.h"

#include <cmath>

namespace tengun {

Mat3 rotation_matrix(double alpha, double beta, double gamma)
{
    const double ca = std::cos(alpha);
    const double sa = std::sin(alpha);
    const double cb = std::cos(beta);
    const double sb = std::sin(beta);
    const double cg = std::cos(gamma);
    const double sg = std::sin(gamma);
    return Mat3{{
        {cb * cg, ca * sg + sa * sb * cg, sa * sg - ca * sb * cg},
        {-cb * sg, ca * cg - sa * sb * sg, sa * cg + ca * sb * sg},
        {sb, -sa * cb, ca * cb},
    }};
}

Angles view_angles(const Mat3& m)
{
    Angles a;
    a.beta = arc_sin(m[2][0]);
    if (m[2][0] == 1.0 || m[2][0] == -1.0) {
        a.alpha = 0.0;
        a.gamma = arc_tan2(m[0][1], m[1][1]);
    } else {
        a.alpha = arc_tan2(-m[2][1], m[2][2]);
        a.gamma = arc_tan2(-m[1][0], m[0][0]);
    }
    return a;
}

Angles direction_angles(const Vec3& n)
{
    Angles a;
    a.beta = arc_sin(n[0]);
    a.alpha = arc_tan2(-n[1], n[2]);
    return a;
}

Mat3 mat_mul(const Mat3& a, const Mat3& b)
{
    Mat3 c{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                c[i][j] += a[i][k] * b[k][j];
            }
        }
    }
    return c;
}


}  // namespace tengun
