#pragma once
// The one redraw of the 3D view: cloud with its axes, mesh and boundary segments as the surface
// display asks, the overlay of the current analysis, the selected points over all of it and the
// colour bar of the deviation colours. Reads the form state; writes only the
// view fields (Text8 view angles, Text9 rotation centre, Text4 plane angles).

#include <cstddef>
#include <vector>

#include "app/program_state.h"
#include "view/drawing_surface.h"

namespace tengun {

/// Full redraw of Picture1 from the form state.
void draw_view(DrawingSurface& surface, FormState& state, const ProgramWide& program);

/// A quick picture while the mouse turns the view of a big cloud: draw_view with at most
/// `budget` points and at most `budget` triangles. When the cloud and the mesh fit the budget it
/// is exactly draw_view. Otherwise it draws the points PreviewPoints chooses and the first
/// `budget` triangles of the preview order: every primitive it draws is one that draw_view draws (a
/// point's circle or pixel in its colour, its joining line from the point before it in file order,
/// a triangle's edges), evenly spread over the cloud and the same ones from frame to frame, so the
/// picture does not flicker; a larger budget only adds to a smaller one's. Overlays and the
/// selection are whole.
void draw_view_preview(DrawingSurface& surface, FormState& state, const ProgramWide& program,
                       std::size_t budget);

/// The points a quick picture draws: runs of 8 neighbouring points, as many runs as fit in the
/// budget, the first of the preview order over the runs, sorted into file order (the same set in
/// the same order every frame, read front to back so that a big cloud is walked at memory speed).
/// Kept by the caller between frames and chosen again only when n or count change.
struct PreviewPoints {
    std::size_t n = 0;
    std::size_t count = 0;
    std::vector<std::size_t> indices;
    void choose(std::size_t point_count, std::size_t budget);
};
/// The same with the points' choice kept in `chosen` between frames.
void draw_view_preview(DrawingSurface& surface, FormState& state, const ProgramWide& program,
                       std::size_t budget, PreviewPoints& chosen);

/// The fixed order of the quick picture over n items (0-based): item k of the order is
/// (k * step) mod n for a step near n times the golden section that shares no factor with n,
/// so every prefix of the order is spread evenly over 0..n-1 and the whole order visits each
/// item once. `preview_step(n)` is that step (1 for n <= 2).
std::size_t preview_step(std::size_t n);

/// The cloud in file order (two runs: 1..B and B+1..N) and the three coordinate axes with their
/// labels. marker_mode 0: 1 mm circles for points whose label is 0, joined by lines within a run;
/// 1: single pixels. With deviation colours shown the circles and pixels take the colour of
/// each point's deviation from the fit, and the joining lines are light grey.
void draw_points(DrawingSurface& surface, const FormState& state);

/// Palette colour of the selected points: bright magenta.
inline constexpr int selection_colour = 13;

/// The selected points in the selection colour, drawn over everything else: 1 mm circles in the
/// big-circle mode (in the current line width), single pixels in the other.
void draw_selection(DrawingSurface& surface, const FormState& state);

/// The three edges of triangle t (1-based) in palette colour `colour`; skipped when a corner is
/// outside 1..N or the colour is not a palette index.
void draw_triangle(DrawingSurface& surface, const FormState& state, std::size_t t);

/// Every boundary segment in its own colour.
void draw_segments(DrawingSurface& surface, const FormState& state);

/// The fitted plane: its two in-plane axes at the foot of the perpendicular from the rotation
/// centre, and that perpendicular; writes the normal's direction angles (degrees) to Text4.
void draw_plane_frame(DrawingSurface& surface, FormState& state);

/// Circle of radius `radius` around `centre` (relative to the rotation centre) in the plane
/// perpendicular to row 3 of `frame`, as 180 chords.
void draw_circle_3d(DrawingSurface& surface, const Mat3& view, const Vec3& centre,
                    const Mat3& frame, double radius, int colour, double scale);

}  // namespace tengun
