#include "geometry/line_fit.h"

#include <cmath>

#include "geometry/rotation.h"

namespace tengun {

namespace {

constexpr double quarter_pi = 0.7853981633974475;

/// Centroid and the sums of products of the centred coordinates. Taken about the first point
/// in one pass, then moved to the centroid, so that far-off clouds keep their digits.
struct CentredMoments {
    Vec3 centroid{};
    double xx = 0.0, yy = 0.0, zz = 0.0, xy = 0.0, xz = 0.0, yz = 0.0;
};

CentredMoments centred_moments(std::span<const Vec3> points)
{
    const Vec3 o = points[0];
    double sx = 0.0, sy = 0.0, sz = 0.0;
    double xx = 0.0, yy = 0.0, zz = 0.0, xy = 0.0, xz = 0.0, yz = 0.0;
    for (const Vec3& p : points) {
        const double x = p[0] - o[0];
        const double y = p[1] - o[1];
        const double z = p[2] - o[2];
        sx += x;
        sy += y;
        sz += z;
        xx += x * x;
        yy += y * y;
        zz += z * z;
        xy += x * y;
        xz += x * z;
        yz += y * z;
    }
    const auto n = static_cast<double>(points.size());
    const double mx = sx / n;
    const double my = sy / n;
    const double mz = sz / n;
    CentredMoments m;
    m.centroid = {o[0] + mx, o[1] + my, o[2] + mz};
    m.xx = xx - n * mx * mx;
    m.yy = yy - n * my * my;
    m.zz = zz - n * mz * mz;
    m.xy = xy - n * mx * my;
    m.xz = xz - n * mx * mz;
    m.yz = yz - n * my * mz;
    return m;
}

/// The angle of one principal-axis rotation in the (a, b) plane: half the atan of
/// 2 S_ab / (S_aa - S_bb), pi/4 on an exact zero denominator, then turned by pi/2 when that
/// makes the spread along (cos phi, sin phi) the smaller one.
double smaller_spread_angle(double saa, double sbb, double sab)
{
    const double diff = saa - sbb;
    double phi = diff == 0.0 ? quarter_pi : 0.5 * std::atan(2.0 * sab / diff);
    auto spread = [&](double angle) {
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        return c * c * saa + 2.0 * c * s * sab + s * s * sbb;
    };
    if (spread(phi + half_pi) < spread(phi)) {
        phi += half_pi;
    }
    return phi;
}

}  // namespace

Status fit_line(std::span<const Vec3> points, Vec3& u, Vec3& point, Mat3& frame, double& alpha,
                double& beta, double& sd)
{
    if (points.empty()) {
        return Status::error;
    }
    const CentredMoments m = centred_moments(points);
    // About X: the rotated Y spread becomes the smaller one.
    const double a = smaller_spread_angle(m.yy, m.zz, m.yz);
    // w = z cos a - y sin a, the rotated Z coordinate; about the new Y the rotated Z spread
    // becomes the smaller one, so the long direction lies on the rotated X axis.
    const double ca = std::cos(a);
    const double sa = std::sin(a);
    const double ww = ca * ca * m.zz - 2.0 * ca * sa * m.yz + sa * sa * m.yy;
    const double xw = ca * m.xz - sa * m.xy;
    const double b = smaller_spread_angle(ww, m.xx, xw);

    const double cb = std::cos(b);
    const double sb = std::sin(b);
    const Vec3 direction{cb, sa * sb, -ca * sb};
    const double b_frame = b < 0.0 ? b + half_pi : b - half_pi;
    u = direction;
    point = m.centroid;
    frame = rotation_matrix(a, b_frame, 0.0);
    alpha = a;
    beta = b;
    sd = line_deviation(points, direction, m.centroid);
    return Status::ok;
}

double point_line_distance(const Vec3& x, const Vec3& u, const Vec3& point)
{
    const Vec3 v = vec_sub(x, point);
    return vec_length(vec_sub(v, vec_scale(u, vec_dot(v, u))));
}

double line_deviation(std::span<const Vec3> points, const Vec3& u, const Vec3& point)
{
    if (points.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (const Vec3& x : points) {
        const double v0 = x[0] - point[0];
        const double v1 = x[1] - point[1];
        const double v2 = x[2] - point[2];
        const double t = v0 * u[0] + v1 * u[1] + v2 * u[2];
        const double w0 = v0 - t * u[0];
        const double w1 = v1 - t * u[1];
        const double w2 = v2 - t * u[2];
        sum += w0 * w0 + w1 * w1 + w2 * w2;
    }
    return std::sqrt(sum / static_cast<double>(points.size()));
}

}  // namespace tengun
