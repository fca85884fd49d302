#pragma once
// Point files written one point a row (CSV, XYZ, PTS, TXT): the rows of a text split into fields
// as text_fields.h splits them, the first three numbers of a row its x, y and z. The CSV and XYZ
// readers share this; each sets its own header, comment and hole rules.
//
// The numbers of a file written with a decimal comma are recognised from its first point row:
// a row split by semicolons or tabs into numbers with a decimal comma and no point
// ("1,5;2,25;3,125") is read that way; a row of such numbers split only by blanks
// ("1,5 2,25 3,125"), or with decimal points among them ("1,5;2,25;3.125"), cannot be told
// from comma-separated columns and is refused with the reason.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_io.h"
#include "formats/text_fields.h"

namespace tengun {

struct PointRowRules {
    enum class Header {
        first_row,    ///< the first row, when none of its fields is a number (CSV)
        leading_rows, ///< every row before the first point whose first field is no number (XYZ)
    };
    Header header = Header::first_row;
    bool slash_comments = false; ///< rows starting with "//" are comments too ('#' always is)
    bool count_rows = false;     ///< a row of one whole number is a point count (PTS)
    /// A row with a NaN or infinite coordinate is left out and counted; without this rule
    /// "nan" and "inf" are no numbers.
    bool holes_dropped = false;
};

/// Asked once, at the first row with fewer than three numbers (its line): true skips that row
/// and every later one like it; false refuses the file at that line. Without a question such a
/// row is refused.
using ShortRowQuestion = std::function<bool(std::size_t line)>;

/// Column names kept of a header row; a longer header is counted, not kept.
inline constexpr std::size_t kept_column_names = 1000;

/// What a file of rows held beside its points.
struct PointRows {
    std::vector<Vec3> xyz;
    /// The header row's fields in order (CSV: the first row; XYZ: the last row skipped before
    /// the first point); empty without one.
    std::vector<std::string> names;
    std::size_t columns = 0;          ///< fields of the first point row
    std::size_t short_rows = 0;       ///< rows skipped for holding fewer than three numbers
    std::size_t first_short_line = 0; ///< the line of the first of them
    std::size_t holes = 0;            ///< rows left out for a NaN or infinite coordinate
    std::uint64_t declared = 0;       ///< the sum of the count rows
    bool counted = false;             ///< a count row was seen
    DecimalMark mark = DecimalMark::point;
};

/// The points of `text`, one a row (none when it has no point row: the caller says why).
/// Status::error (reason, line, field) for a row whose first three fields are not all numbers,
/// a short row the question refuses, and numbers whose decimal comma cannot be told from a
/// separator; `rows` is then unchanged. Read once, front to back; `passed` hears every 8 MB how far
/// the reader is (and may stop it). Memory: the points, whatever the length of the rows.
[[nodiscard]] Status read_point_rows(std::string_view text, const PointRowRules& rules,
                                     PointRows& rows, ReadError& error,
                                     const BytesPassed& passed = {},
                                     const ShortRowQuestion& skip_short_rows = {});

/// How the numbers of one row are written (the rules above); ambiguous for numbers with a
/// decimal comma split only by blanks.
enum class RowMark { point, comma, ambiguous };
RowMark row_decimal_mark(std::string_view row);

/// The reason a row of numbers with decimal commas split by blanks is refused.
std::string ambiguous_decimal_comma_reason(std::string_view row);

/// The note for short rows skipped, empty when none were.
std::string short_rows_note(const PointRows& rows);

} // namespace tengun
