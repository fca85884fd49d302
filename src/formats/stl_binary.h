#pragma once
// Binary STL: an 80-byte header, the facet count (uint32, little-endian) at byte 80, then 50
// bytes a facet: the normal and the three corners as float32 x, y, z (little-endian) and a
// 2-byte attribute word. Normals, header and attribute words are not read. Corners that are
// exactly equal become one point, numbered in first-found order as the ASCII reader does.
// Also the choice between the two kinds, and the binary writer.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"

namespace tengun {

/// Bytes after the last facet that are taken as an exporter's padding: fewer than one facet
/// record, so they cannot hide a facet that the count leaves out. More means that the count
/// and the length disagree, and the file is refused instead of losing facets silently.
inline constexpr std::size_t stl_padding_limit = 50;

/// The kind of an STL file, decided by the size rule (84 + 50 x count = size), never by the
/// word "solid" (binary headers often start with it). Binary: the size fits the count exactly,
/// or the file is not text (a NUL byte in `head`, its first bytes) and at least 84 bytes long,
/// in which case the binary reader tells whether the rest is padding or a count that does not
/// fit. Everything else is read as ASCII. `head` is the file's start (the whole file is fine).
enum class StlKind { ascii, binary };
[[nodiscard]] StlKind stl_kind(std::string_view head, std::uint64_t size);

/// True when `head` and `size` are a binary STL whose count fits the size exactly or leaves
/// fewer than stl_padding_limit bytes of padding after the last facet (and the file is not
/// text). Used where the content alone must decide that a file is an STL.
[[nodiscard]] bool looks_like_binary_stl(std::string_view head, std::uint64_t size);

/// The mesh of a binary STL. Padding after the last facet (fewer than stl_padding_limit bytes)
/// is ignored with a note saying how many bytes. Status::error (reason, byte offset) for a file
/// shorter than its header, a count that needs more bytes than the file has (refused before
/// anything is allocated), more bytes than padding after the facets, and a corner coordinate
/// that is not a finite number; `out` is then unchanged. `passed` hears how far the reader is.
[[nodiscard]] Status read_binary_stl(std::string_view bytes, LoadedMesh& out, ReadError& error,
                                     const BytesPassed& passed = {});

/// An STL of either kind (stl_kind decides). The ASCII reader's facet cut short by the end of
/// the text becomes a note. Errors as read_binary_stl and read_stl_mesh give them.
[[nodiscard]] Status read_stl(std::string_view bytes, LoadedMesh& out, ReadError& error,
                              const BytesPassed& passed = {});

/// The triangles as a binary STL: a header that does not start with "solid", the count, and
/// per facet the unit normal of its stored corners' order (0 0 0 for a degenerate one), the
/// corners in single precision (a zero always as +0, as the reader takes it) and attribute 0;
/// what the reader gives back writes the same bytes again. The same mesh always gives the same bytes. Every corner
/// must be a point number 1..points.size(); at most 2^32 - 1 triangles; no coordinate
/// beyond the single-precision range (see single_precision_loss).
std::string write_binary_stl(std::span<const Vec3> points, std::span<const int> tri_a,
                             std::span<const int> tri_b, std::span<const int> tri_c);

/// What storing the corners of the triangles in single precision, as a binary STL does, would
/// lose: how many distinct corners would fall together with another, and whether a coordinate
/// lies beyond the single-precision range (such a mesh cannot be written as binary STL).
struct SinglePrecisionLoss {
    std::size_t merged_corners = 0;
    bool out_of_range = false;
};
SinglePrecisionLoss single_precision_loss(std::span<const Vec3> points, std::span<const int> tri_a,
                                          std::span<const int> tri_b, std::span<const int> tri_c);

}  // namespace tengun
