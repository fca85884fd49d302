#pragma once
// IGES files in the fixed 80-column form: the end points of the line entities (type 110) as a
// point cloud, coordinates as stored (no transformation matrix applied). The Parameter Data
// section is read record by record, each record running from the start of a line up to the
// record delimiter (";" unless the Global section names another) across as many lines as it
// takes; columns 65 to 80 (entity pointer and sequence number) are not part of the data.

#include <string_view>

#include "formats/file_io.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// The points of the lines in Parameter Data order: a line's start point only when it differs
/// from the previous line's end point ((0, 0, 0) before the first line), its end point always,
/// so a chain of n connected lines gives n + 1 points. Other entity types add nothing.
/// A file without lines gives ok and an empty cloud. Status::error (reason, line) when the text
/// is not an uncompressed IGES file, ends inside a record or before its Terminate section, or a
/// line's coordinate is not a number; `cloud` is then unchanged.
[[nodiscard]] Status read_iges_points(std::string_view text, PointCloud& cloud, ReadError& error);

}  // namespace tengun
