#include "view/playback.h"

#include "view/draw_view.h"

namespace tengun {

void playback_step(DrawingSurface& surface, FormState& state)
{
    if (state.surface_display != surface_modes::playback) {
        return;
    }
    draw_points(surface, state);
    ++state.playback_index;
    if (state.playback_index < 1 ||
        static_cast<std::size_t>(state.playback_index) > state.triangle_count()) {
        state.timer_enabled = false;
        state.playback_index = 0;
        return;
    }
    draw_triangle(surface, state, static_cast<std::size_t>(state.playback_index));
}

} // namespace tengun
