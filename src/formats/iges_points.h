#pragma once
// IGES files in the fixed 80-column form: the end points of the line entities (type 110) as a
// point cloud, coordinates as stored (no transformation matrix applied). The Parameter Data
// section is read record by record, each record running from the start of a line up to the
// record delimiter (";" unless the Global section names another) across as many lines as it
// takes; columns 65 to 80 (entity pointer and sequence number) are not part of the data.
//
// A file whose lines carry no section letter in column 73 (hand-made files, simple exporters,
// lines longer than 72 columns) is read as a stream of fields separated by blanks, commas and
// line breaks: the directory entries are skipped (lines of integer fields without delimiters),
// then every parameter record up to its ";" whose first field is 110 is a line, the fields after the
// last delimiter of each of its lines (pointer and sequence number) left out. A text without any
// ";" is read by field positions: 110, x1, y1, z1, x2, then y2 and one inserted whole number in
// either order (the one that ends its line is the inserted one), then z2.

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
