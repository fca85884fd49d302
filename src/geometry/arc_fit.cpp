#include "geometry/arc_fit.h"

#include <vector>

#include "geometry/plane_fit.h"
#include "geometry/sphere_fit.h"

namespace tengun {

Status fit_arc(std::span<const Vec3> points, Vec3& normal, double& d, Vec3& foot, Vec3& centre,
               Mat3& frame, double& radius, double& sd)
{
    Vec3 n{};
    double offset = 0.0;
    Vec3 plane_foot{};
    Mat3 m{};
    double plane_sd = 0.0;
    // A circle needs its plane: without one the in-plane coordinates would be meaningless.
    if (plane_analysis(points, n, offset, plane_foot, m, plane_sd) == Status::error) {
        return Status::error;
    }
    std::vector<Vec3> in_plane(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3 u = mat_vec(m, points[i]);
        in_plane[i] = {u[0], u[1], 0.0};
    }
    Vec3 c{};
    double r = 0.0;
    double s = 0.0;
    if (fit_sphere(in_plane, 2, c, r, s) == Status::error) {
        return Status::error;
    }
    c[2] = offset;  // row 3 of the frame is the normal, so plane points sit at height d
    normal = n;
    d = offset;
    foot = plane_foot;
    frame = m;
    centre = mat_t_vec(c, m);
    radius = r;
    sd = s;
    return Status::ok;
}

}  // namespace tengun
