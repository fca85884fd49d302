#pragma once
// LAS point files (ASPRS LAS 1.0 to 1.4, point data record formats 0 to 10) as laser scanners
// and survey software write them: a public header block, variable-length records, the point
// records, and in 1.3/1.4 waveform data and extended records after them.

#include <string_view>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"

namespace tengun {

/// The points of a LAS file in record order: x = stored 32-bit X × x scale + x offset in double
/// precision (y, z alike). Records start at the header's offset to point data (whatever lies
/// between the records before it and the points is skipped) and are the header's record length
/// apart (extra bytes per point skipped); every other attribute, the records before the points,
/// and everything after the last point are ignored. The count is the 64-bit one of a 1.4 header
/// when it is not 0, else the legacy 32-bit one. Status::error (reason, byte offset) for a file
/// that is not LAS, a compressed LAS (LAZ), a record format or length it cannot be, a scale of 0,
/// a scale and offset that could give a coordinate beyond the range of a double, no points, or more points than the file holds (refused before anything is allocated);
/// `out` is then unchanged.
/// `passed` hears about every 8 MB how far the reader is (and may stop it).
[[nodiscard]] Status read_las_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                                     const BytesPassed& passed);
[[nodiscard]] inline Status read_las_points(std::string_view bytes, LoadedMesh& out,
                                            ReadError& error)
{
    return read_las_points(bytes, out, error, BytesPassed{});
}

}  // namespace tengun
