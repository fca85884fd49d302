#pragma once
// PLY polygon files in the three encodings "ascii 1.0", "binary_little_endian 1.0" and
// "binary_big_endian 1.0": a text header ("ply", "format", "comment", "obj_info",
// "element NAME COUNT", "property TYPE NAME", "property list COUNT_TYPE ITEM_TYPE NAME",
// "end_header"), then the records of the elements in the order the header declares them.
// Type names in both spellings: char/int8, uchar/uint8, short/int16, ushort/uint16, int/int32,
// uint/uint32, float/float32, double/float64.
//
// The vertex element's x, y and z (any numeric type, any position) become the points in file
// order. The face element's "vertex_indices" (or "vertex_index") list of any integer types
// becomes triangles: a polygon v0 v1 ... vn-1 is split into the fan (v0, vk, vk+1); indices
// count from 0 in the file and from 1 (point numbers) in the mesh. Every other property, list
// and element is skipped by its declared types; elements may come in any order.

#include <span>
#include <string>
#include <string_view>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"

namespace tengun {

/// The points and triangles of a PLY file. A point-only file (no face element, or
/// "element face 0") gives no triangles. Loads with a note: vertices whose coordinates are not
/// finite numbers are left out, with the triangles that use them; faces of fewer than three
/// corners are left out; data after the last element is ignored.
/// Status::error (reason and the header line, or for data the line of an ASCII file or the
/// byte offset of a binary one) when the bytes are not PLY, the header is malformed or has no
/// vertex x, y, z, the counts claim more records than the bytes can hold (refused before
/// anything is allocated), the data ends early, a value is not a number, or a face names a
/// vertex that does not exist. `out` is then unchanged. `passed` hears how far the reader is.
[[nodiscard]] Status read_ply_mesh(std::string_view bytes, LoadedMesh& out, ReadError& error,
                                   const BytesPassed& passed = {});

enum class PlyEncoding { binary_little_endian, ascii };

/// The points (x, y, z as double) and, when there are any, the triangles (list uchar int
/// vertex_indices) as a PLY file. ASCII numbers are written in their shortest exact form, so
/// both encodings read back to the same doubles; the same input always gives the same bytes.
/// Every corner must be a point number 1..points.size().
std::string write_ply_mesh(std::span<const Vec3> points, std::span<const int> tri_a,
                           std::span<const int> tri_b, std::span<const int> tri_c,
                           PlyEncoding encoding);

}  // namespace tengun
