#pragma once
// XYZ, PTS and TXT point files as scanners and point-cloud tools export them: one point a line,
// x y z first and further columns (intensity, colour, normals) after them. Fields are split as
// in CSV files (text_fields.h); unlike the CSV reader, each line is one point.

#include <string_view>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"
#include "formats/point_rows.h"

namespace tengun {

/// The first three numbers of every line as x, y, z, in file order; the rest of the line is
/// skipped unread. Skipped too: blank lines, lines starting with '#' or "//", a line holding a
/// single whole number (the point count of PTS, which may start each of several scans; a total
/// that differs from the points read is noted), and any lines before the first point whose
/// first field is not a number (column names). A point with a NaN or infinite coordinate is left
/// out and noted. A line that starts with a number but does not hold three is a damaged point:
/// refused with its line unless `skip_short_rows` accepts skipping it (a note then counts the
/// lines skipped), never dropped silently. Numbers with a decimal comma as point_rows.h says.
/// Status::error (reason, line, field) for a refused line, a coordinate that is not a number,
/// and a file without a point; `out` is then unchanged. Read once, front to back, as
/// read_csv_points reads; `passed` hears every 8 MB how far the reader is (and may stop it).
[[nodiscard]] Status read_xyz_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                                     const BytesPassed& passed,
                                     const ShortRowQuestion& skip_short_rows = {});
[[nodiscard]] inline Status read_xyz_points(std::string_view bytes, LoadedMesh& out,
                                            ReadError& error)
{
    return read_xyz_points(bytes, out, error, BytesPassed{});
}

}  // namespace tengun
