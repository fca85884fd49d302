#include "view/view_transform.h"

#include <cmath>

namespace tengun {

SurfacePoint to_surface(const DrawingSurface& surface, double x, double y)
{
    return {surface.scale_width() / 2.0 + x, surface.scale_height() / 2.0 - y};
}

Vec3 zoom_centre(const Mat3& view, const Vec3& centre, double scale, double new_scale, double x,
                 double y, double width, double height)
{
    if (scale == 0.0 || new_scale == 0.0 || !std::isfinite(scale) || !std::isfinite(new_scale)) {
        return centre;
    }
    const double keep = 1.0 - scale / new_scale;
    const Vec3 shift{keep * (x - width / 2.0) / scale, -keep * (y - height / 2.0) / scale, 0.0};
    return vec_add(centre, mat_t_vec(shift, view));
}

Mat3 set_default_view()
{
    return rotation_matrix(deg_to_rad(-45.0), deg_to_rad(45.0), deg_to_rad(145.0));
}

}  // namespace tengun
