#pragma once
// Wavefront OBJ files as CAD, scanning and mesh tools export them: the vertices as the point
// cloud and the faces as triangles of point numbers (1-based), as the mesh stores them.

#include <string_view>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"

namespace tengun {

/// Every `v x y z` line gives a point in file order (a fourth number w, or a colour r g b after
/// the three, is skipped); every `f` line a fan of triangles (1,k,k+1) over its corners, each
/// written v, v/vt, v//vn or v/vt/vn, a negative v counting back from the last vertex read so
/// far (-1 is that vertex). Every other statement (vt, vn, p, l, g, o, usemtl, ...) and comments
/// are skipped; a backslash at a line end continues a statement on the next line. A face with
/// fewer than three corners is left out and noted; vertices only give points without triangles.
/// Status::error (reason, line, field) for a v line without three finite numbers, a corner that
/// is not a number or names no vertex (0, before the first, past the last), or no vertex at all;
/// `out` is then unchanged.
[[nodiscard]] Status read_obj_mesh(std::string_view bytes, LoadedMesh& out, ReadError& error);

}  // namespace tengun
