#pragma once
// The four drawing primitives everything in the 3D view rests on. Coordinates are view points
// in millimetres relative to the middle of the surface (y upwards). A colour index outside 0..15
// or a coordinate that is not finite leaves the item undrawn; nothing is raised.

#include "view/drawing_surface.h"

namespace tengun {

inline constexpr int palette_size = 16;

void draw_line(DrawingSurface& surface, double x1, double y1, double x2, double y2, int colour);
void draw_dot(DrawingSurface& surface, double x, double y, int colour);
/// Circle of radius 1 mm.
void draw_marker(DrawingSurface& surface, double x, double y, int colour);
void draw_circle(DrawingSurface& surface, double x, double y, double r, int colour);
/// The same in a colour outside the palette: only coordinates that are not finite are skipped.
void draw_dot_rgb(DrawingSurface& surface, double x, double y, Rgb rgb);
void draw_marker_rgb(DrawingSurface& surface, double x, double y, Rgb rgb);
/// Filled box with its top-left corner at view point (x, y), w wide and h high (millimetres,
/// extending right and down on the surface).
void fill_box_rgb(DrawingSurface& surface, double x, double y, double w, double h, Rgb rgb);
/// Puts the current position at view point (x, y) and prints `text` there.
void print_at(DrawingSurface& surface, double x, double y, std::string_view text);

/// Converts a stored colour value (a plane number, a tag) to a palette index, or -1 when it is
/// not a whole number the palette can take.
int palette_index(double value);

}  // namespace tengun
