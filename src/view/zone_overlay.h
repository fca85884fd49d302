#pragma once
// The minimum zone of the current fit's form error, drawn over the view: its two bounding
// surfaces (zone_surfaces of geometry/form_error.h). With the deviation colours on, each surface
// is drawn as a light mesh in the colour of its end of the scale (lower or inner blue, upper or
// outer red), so the points' colours read against it; otherwise as two thin dashed grey
// outlines. Planes are patches over the cloud's extent in the fitted plane's frame, circles
// their own circle, spheres their outline as the view sees them, cylinders their end circles
// and side lines over the cloud's length along the axis.

#include "app/program_state.h"
#include "view/drawing_surface.h"

namespace tengun {

/// Draws the zone of state.form_errors.minimum_zone when the current analysis is a fit that
/// has one (kinds plane .. line); nothing otherwise.
void draw_zone_overlay(DrawingSurface& surface, const FormState& state);

}  // namespace tengun
