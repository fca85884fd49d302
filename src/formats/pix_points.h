#pragma once
// PIX range data: a text of keyword and number fields (field rules of text_fields.h). After a
// fixed header of 7 fields, "W x1 y1 x2 y2" gives the scan window and "L n" starts the records:
// "x y z" data records, "S" separators, "A a b" records, up to a field starting with "E".
//
// Token positions are 1-based as the format counts them: token t is tokens[t - 1].

#include <cstddef>
#include <span>
#include <string_view>

#include "formats/file_io.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// Moves `position` (1-based) to the token after the first token at or after it that equals
/// `key` exactly; 0 when there is none or `position` is past the last token.
void find_token(std::size_t& position, std::span<const std::string_view> tokens,
                std::string_view key);

/// Points (0.025 (x - xc), 0.025 (y - yc), 0.025 z) of the data records with z != 0, where
/// (xc, yc) is the centre of the window W x1 y1 x2 y2 (searched from token 8 on). The records end
/// at the first field starting with "E" or at the last field; a record cut short by the end of
/// the text is left out. Records with z = 0 give no point. No such record: ok, empty cloud.
/// Status::error (reason, line, field) when the window or the line header is missing or a
/// window or record field is not a number; `cloud` is then unchanged.
[[nodiscard]] Status read_pix_points(std::string_view text, PointCloud& cloud, ReadError& error);

}  // namespace tengun
