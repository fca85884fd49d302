#pragma once
// The animated playback of the mesh: one triangle more on every tick of the form's timer.

#include "app/program_state.h"
#include "view/drawing_surface.h"

namespace tengun {

/// One tick, only while surface_display is the playback mode: draws the points again without
/// clearing (earlier triangles stay), then the next triangle after playback_index in its tag's
/// colour. The tick after the last triangle draws no triangle, turns the timer off and sets
/// playback_index back to 0.
void playback_step(DrawingSurface& surface, FormState& state);

} // namespace tengun
