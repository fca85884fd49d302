#pragma once
// CSV point files: one point a row, its x, y and z the first three numbers of the row.
// Written one point a line, blank-separated, CR LF line ends.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"
#include "formats/point_rows.h"
#include "geometry/progress.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// Points from a CSV text, one a row: the first three numbers of each row are its x, y and z
/// (rules of point_rows.h: a first row of names is the header, '#' lines are comments, a
/// decimal comma is recognised). Further columns are not read: a note says which. A row with
/// fewer than three numbers is refused with its line unless `skip_short_rows` accepts skipping
/// it (a note then counts the rows skipped). Labels are 0. Status::error (reason, line, field)
/// for a field among the first three that is no number (NaN and infinity included), a refused
/// short row and a text without a point row ("no points"); `out` is then unchanged. Read once,
/// front to back: the cloud is sized from the first megabyte and grows if the rest holds more;
/// `passed` hears every 8 MB how far the reader is (and may stop it).
[[nodiscard]] Status read_csv_points(std::string_view text, LoadedMesh& out, ReadError& error,
                                     const BytesPassed& passed,
                                     const ShortRowQuestion& skip_short_rows);
/// The points alone, short rows refused, notes dropped (files the program wrote itself).
[[nodiscard]] Status read_csv_points(std::string_view text, PointCloud& cloud, ReadError& error,
                                     const BytesPassed& passed = {});

/// The notes of a CSV read: columns not read (with their names where the header gives them),
/// short rows skipped, a decimal comma.
std::vector<std::string> csv_notes(const PointRows& rows);

/// How many points a text of `size` bytes probably holds, from its first bytes `start` (one
/// point a line, as most exports write them): room to reserve before reading it.
std::size_t estimated_point_lines(std::string_view start, std::size_t size);

/// How many digits the CSV writer gives a coordinate.
enum class NumberPrecision {
    /// Up to 15 significant digits (the result fields' form, "%.15G"), more where 15 would not
    /// read back as a number (the largest doubles round up beyond the range).
    standard,
    /// Every digit: the shortest text that reads back to the same double, bit for bit (at most
    /// 17 significant digits; -0 keeps its sign).
    full,
};

/// One coordinate as the CSV writer writes it.
std::string csv_number(double x, NumberPrecision precision = NumberPrecision::standard);

/// The cloud as a CSV text: "x y z" per point (csv_number), CR LF ends.
std::string write_csv_points(std::span<const Vec3> points,
                             NumberPrecision precision = NumberPrecision::standard);
/// The same into `text`, telling `progress` the share of points written ("保存"); when it asks
/// to stop, Status::error and `text` is left as it was.
[[nodiscard]] Status write_csv_points(std::span<const Vec3> points, std::string& text,
                                      const Progress& progress,
                                      NumberPrecision precision = NumberPrecision::standard);

/// Forces a four-character extension such as ".csv": unchanged when the name already ends with
/// it (case-sensitive); a name whose last four characters start with '.' gets them replaced
/// (a.txt, a.CSV become a.csv); any other name gets it appended (a.xy.csv, data.csv).
void force_extension(std::string& name, std::string_view extension);

/// Copies the coordinates of the first `count` points of `source` to `target` (which must hold
/// them); labels are left alone.
void copy_points(std::size_t count, const PointCloud& source, PointCloud& target);

/// Adds a point with label 0.
void append_point(PointCloud& points, double x, double y, double z);

/// The base points (at most `base` of them, at most as many as `current` holds, labels 0)
/// followed by `merged`.
PointCloud merge_csv_points(const PointCloud& current, std::size_t base,
                            const PointCloud& merged);

}  // namespace tengun
