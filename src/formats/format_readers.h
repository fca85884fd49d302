#pragma once
// One entry point over every reader: the bytes of a file whose format detect_file_format has
// decided, read by that format's reader into points and, where the file has faces, triangles.

#include <string_view>

#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/loaded_mesh.h"
#include "formats/point_rows.h"

namespace tengun {

/// Reads `bytes` as `format`. Point formats give no triangles. Status::error with the format
/// reader's reason and place (and for FileFormat::unknown, unknown_format_reason's); `out` is
/// then unchanged. `passed` reaches the readers that walk big files, `skip_short_rows` the
/// readers of one point a row (CSV, XYZ: see point_rows.h).
[[nodiscard]] Status read_format(FileFormat format, std::string_view bytes,
                                 std::string_view file_name, LoadedMesh& out, ReadError& error,
                                 const BytesPassed& passed = {},
                                 const ShortRowQuestion& skip_short_rows = {});

}  // namespace tengun
