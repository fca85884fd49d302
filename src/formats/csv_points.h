#pragma once
// CSV point files: a stream of numbers taken in threes as x, y, z, whatever the line structure.
// Written one point a line, blank-separated, CR LF line ends.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_io.h"
#include "geometry/progress.h"
#include "geometry/point_cloud.h"

namespace tengun {

struct ValueOptions {
    /// A first line with fields but no number among them is a header and is skipped.
    bool header_allowed = true;
    /// A line whose first character (after blanks) is '#' is a comment.
    bool hash_comments = true;
};

/// Every field of `text` as a number, in file order (field rules of text_fields.h).
/// Status::error with the line, the field and the reason when a field is not a number; `values`
/// is then unchanged.
[[nodiscard]] Status read_values(std::string_view text, std::vector<double>& values,
                                 ReadError& error, ValueOptions options = {});

/// Points from the values of a CSV text, grouped in threes; one or two values left over at the
/// end are ignored. Labels are 0. On Status::error `cloud` is unchanged. A text without a
/// single point is an error too ("no points"). The text is read once, front to back, without
/// a pass to count its lines: the cloud is sized from the first megabyte and grows if the rest
/// holds more; `passed` hears every 8 MB how far the reader is (and may stop it).
[[nodiscard]] Status read_csv_points(std::string_view text, PointCloud& cloud, ReadError& error,
                                     const BytesPassed& passed = {});

/// How many points a text of `size` bytes probably holds, from its first bytes `start` (one
/// point a line, as most exports write them): room to reserve before reading it.
std::size_t estimated_point_lines(std::string_view start, std::size_t size);

/// The cloud as a CSV text: "x y z" per point with up to 15 significant digits, CR LF ends.
std::string write_csv_points(std::span<const Vec3> points);
/// The same into `text`, telling `progress` the share of points written ("保存"); when it asks
/// to stop, Status::error and `text` is left as it was.
[[nodiscard]] Status write_csv_points(std::span<const Vec3> points, std::string& text,
                                      const Progress& progress);

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
