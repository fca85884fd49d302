#include "view/view_transform.h"

#include <cmath>

namespace tengun {

SurfacePoint to_surface(const DrawingSurface& surface, double x, double y)
{
    return {surface.scale_width() / 2.0 + x, surface.scale_height() / 2.0 - y};
}

Mat3 set_default_view()
{
    return rotation_matrix(deg_to_rad(-45.0), deg_to_rad(45.0), deg_to_rad(145.0));
}

}  // namespace tengun
