#include "geometry/cylinder_fit.h"

#include <vector>

#include "geometry/line_fit.h"
#include "geometry/sphere_fit.h"

namespace tengun {

Status fit_cylinder(std::span<const Vec3> points, Vec3& axis, Vec3& centre, Mat3& frame,
                    double& radius, double& sd)
{
    Vec3 u{};
    Vec3 p{};
    Mat3 m{};
    double alpha = 0.0;
    double beta = 0.0;
    double line_sd = 0.0;
    if (fit_line(points, u, p, m, alpha, beta, line_sd) == Status::error) {
        return Status::error;
    }
    const Vec3 f = mat_vec(m, p);  // f[2]: the centroid's position along the axis
    std::vector<Vec3> across(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3 q = mat_vec(m, points[i]);
        across[i] = {q[0], q[1], 0.0};
    }
    // The circle fit starts from p itself, so a cloud too small for a start estimate begins at
    // the centroid's world x and y.
    double r = 0.0;
    double s = 0.0;
    if (fit_sphere(across, 2, p, r, s) == Status::error) {
        return Status::error;
    }
    p[2] = f[2];
    axis = u;
    frame = m;
    centre = mat_t_vec(p, m);
    radius = r;
    sd = s;
    return Status::ok;
}

}  // namespace tengun
