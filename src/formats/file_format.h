#pragma once
// Which reader a file needs, decided by its content wherever the content can tell (magic bytes
// and the structure around them), and by its extension only for the text formats that carry
// no mark of their own (CSV, XYZ/PTS/TXT, PIX, OBJ).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tengun {

enum class FileFormat {
    unknown,
    csv,
    xyz, ///< XYZ, PTS and TXT: one point a line
    pix,
    bmp,
    iges,
    stl_ascii,
    stl_binary,
    ply,
    pcd,
    las,
    laz, ///< compressed LAS
    obj,
};

/// How many bytes from a file's start detect_file_format looks at.
inline constexpr std::size_t format_probe_bytes = 4096;

/// The format of a file from `head`, its first bytes (format_probe_bytes of them, or the whole
/// file when it is shorter; more are fine), its `size` in bytes and the extension of
/// `file_name` (any letter case). In this order:
/// - PLY: a first line "ply" and a "format" line after it;
/// - LAS: "LASF", version 1.0 to 1.4, a header of at least 227 bytes and the points after it;
///   LAZ when the point format carries the compression bits;
/// - BMP: "BM", a DIB header size a bitmap has, the pixels' offset inside the file;
/// - PCD: after "#" comment lines, a VERSION or FIELDS line (any letter case);
/// - binary STL: the count at byte 80 fits the size, or leaves fewer than 50 bytes of padding
///   in a file that is not text;
/// - IGES: a first line of the Start section, "S" in column 73 and sequence number 1;
/// - ASCII STL: text starting with the word "solid"; a file named *.stl that is neither of
///   the above is an STL of the kind stl_kind says (so its reader names what is wrong);
/// - by extension: .csv CSV; .xyz, .pts, .txt XYZ; .pix PIX; .obj OBJ.
/// Anything else is unknown.
[[nodiscard]] FileFormat detect_file_format(std::string_view head, std::uint64_t size,
                                            std::string_view file_name);

/// The format's name in messages: "PLY", "バイナリSTL", ...
[[nodiscard]] std::string_view format_name(FileFormat format);

/// The chooser's patterns for the formats detect_file_format knows: "*.csv", "*.ply", ...
[[nodiscard]] std::span<const std::string_view> supported_file_patterns();

/// Why a file was not recognised, for the message: names the formats that can be opened, and
/// says so when the extension promises a format whose mark the content lacks.
[[nodiscard]] std::string unknown_format_reason(std::string_view file_name);

}  // namespace tengun
