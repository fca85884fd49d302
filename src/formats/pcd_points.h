#pragma once
// PCD point files (versions .5 to .7) as robotics and scanning pipelines write them: header
// lines up to DATA, then the records as text (ascii), as packed little-endian records (binary)
// or as LZF-compressed columns, one field after another (binary_compressed).

#include <string_view>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"

namespace tengun {

/// The x, y and z of every record (FIELDS named x, y, z in any letter case and position, of TYPE
/// and SIZE F 4/8 or I/U 1/2/4/8), in file order; every other field, COUNT > 1 included, is
/// skipped by its declared SIZE × COUNT (COUNT 1 when missing). Text values are read as doubles
/// whatever their TYPE. The records are POINTS (WIDTH × HEIGHT without it; a disagreement is
/// noted). Points with a NaN or infinite coordinate (the holes of an organised cloud) are left
/// out and a note says how many; extra bytes or lines after the records are noted and ignored.
/// Status::error (reason; line for the header and text records, byte offset for binary data)
/// for a header without DATA or x, y, z, sizes that do not fit, a count the data cannot hold
/// (refused before anything is allocated), damaged compressed data, or no finite point at all;
/// `out` is then unchanged. `passed` hears about every 8 MB how far the reader is (and may stop
/// it); compressed data is unpacked whole first.
[[nodiscard]] Status read_pcd_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                                     const BytesPassed& passed);
[[nodiscard]] inline Status read_pcd_points(std::string_view bytes, LoadedMesh& out,
                                            ReadError& error)
{
    return read_pcd_points(bytes, out, error, BytesPassed{});
}

}  // namespace tengun
