#include "formats/file_format.h"

#include <algorithm>
#include <array>
#include <string>

#include "formats/byte_order.h"
#include "formats/stl_binary.h"

namespace tengun {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

/// The extension without its dot, in lower case; empty when the name has none.
std::string extension_of(std::string_view file_name)
{
    const std::size_t slash = file_name.find_last_of("/\\");
    const std::string_view base =
        slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string() : lower(base.substr(dot + 1));
}

/// The first line, without its line end.
std::string_view first_line(std::string_view head)
{
    // Within the probe: a file of one long line is not read through to find its end.
    const std::string_view probe = head.substr(0, format_probe_bytes);
    std::string_view line = probe.substr(0, probe.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool is_text(std::string_view head)
{
    return head.substr(0, format_probe_bytes).find('\0') == std::string_view::npos;
}

bool is_ply(std::string_view head)
{
    if (first_line(head) != "ply" || head.size() < 4) {
        return false;
    }
    const std::string_view probe = head.substr(0, format_probe_bytes);
    return probe.find("\nformat ") != std::string_view::npos ||
           probe.find("\nformat\t") != std::string_view::npos;
}

bool is_las(std::string_view head, std::uint64_t size)
{
    if (head.size() < 227 || head.substr(0, 4) != "LASF") {
        return false;
    }
    const auto major = static_cast<unsigned char>(head[24]);
    const auto minor = static_cast<unsigned char>(head[25]);
    const auto header_size = load_le<std::uint16_t>(&head[94]);
    const auto point_offset = load_le<std::uint32_t>(&head[96]);
    return major == 1 && minor <= 4 && header_size >= 227 && point_offset >= header_size &&
           point_offset <= size;
}

bool is_laz(std::string_view head)
{
    // LASzip marks compressed point records with the two high bits of the point format.
    return (static_cast<unsigned char>(head[104]) & 0xC0U) != 0;
}

bool is_bmp(std::string_view head, std::uint64_t size)
{
    if (head.size() < 18 || head.substr(0, 2) != "BM") {
        return false;
    }
    const auto pixels = load_le<std::uint32_t>(&head[10]);
    const auto dib = load_le<std::uint32_t>(&head[14]);
    constexpr std::array<std::uint32_t, 7> dib_sizes{12, 40, 52, 56, 64, 108, 124};
    return std::find(dib_sizes.begin(), dib_sizes.end(), dib) != dib_sizes.end() &&
           pixels >= 14 + dib && pixels <= size;
}

bool is_pcd(std::string_view whole)
{
    // Within the probe: a file of one long line is not read through (nor copied) to find its
    // first word.
    const std::string_view head = whole.substr(0, format_probe_bytes);
    std::size_t pos = 0;
    while (pos < head.size()) {
        const std::size_t end = std::min(head.find('\n', pos), head.size());
        const std::string_view line = head.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t k = line.find_first_not_of(" \t\r");
        if (k == std::string_view::npos || line[k] == '#') {
            continue;  // comment or blank line
        }
        const std::string word = lower(line.substr(k, line.find_first_of(" \t\r", k) - k));
        return word == "version" || word == "fields";
    }
    return false;
}

/// "solid" as a word of its own at the start (not "SolidWorks ...").
bool starts_with_solid(std::string_view head)
{
    const std::size_t k = head.find_first_not_of(" \t\r\n");
    if (k == std::string_view::npos || lower(head.substr(k, 5)) != "solid") {
        return false;
    }
    return k + 5 == head.size() || std::string_view(" \t\r\n").find(head[k + 5]) !=
                                       std::string_view::npos;
}

bool is_iges(std::string_view head)
{
    const std::string_view line = first_line(head);
    if (line.size() < 74 || line[72] != 'S') {
        return false;
    }
    const std::string_view sequence = line.substr(73, 7);
    const std::size_t digit = sequence.find_first_not_of(' ');
    if (digit == std::string_view::npos) {
        return false;
    }
    const std::string_view number = sequence.substr(digit);
    return number.find_first_not_of('0') == number.size() - 1 && number.back() == '1';
}

struct ExtensionFormat {
    std::string_view extension;
    FileFormat format;
};
constexpr std::array<ExtensionFormat, 6> by_extension{{
    {"csv", FileFormat::csv},
    {"xyz", FileFormat::xyz},
    {"pts", FileFormat::xyz},
    {"txt", FileFormat::xyz},
    {"pix", FileFormat::pix},
    {"obj", FileFormat::obj},
}};

constexpr std::array<std::string_view, 14> patterns{
    "*.csv",  "*.txt", "*.xyz", "*.pts", "*.pix", "*.bmp", "*.igs",
    "*.iges", "*.stl", "*.ply", "*.pcd", "*.las", "*.laz", "*.obj",
};

}  // namespace

FileFormat detect_file_format(std::string_view head, std::uint64_t size, std::string_view file_name)
{
    if (is_ply(head)) {
        return FileFormat::ply;
    }
    if (is_las(head, size)) {
        return is_laz(head) ? FileFormat::laz : FileFormat::las;
    }
    if (is_bmp(head, size)) {
        return FileFormat::bmp;
    }
    const bool text = is_text(head);
    if (is_pcd(head)) {
        return FileFormat::pcd;
    }
    if (looks_like_binary_stl(head, size)) {
        return FileFormat::stl_binary;
    }
    if (text && is_iges(head)) {
        return FileFormat::iges;
    }
    const std::string extension = extension_of(file_name);
    if (extension == "stl" || (text && starts_with_solid(head))) {
        // Named .stl, the kind is the STL reader's size rule; its reader then says what is
        // wrong with a count that does not fit.
        return stl_kind(head, size) == StlKind::binary ? FileFormat::stl_binary
                                                        : FileFormat::stl_ascii;
    }
    for (const ExtensionFormat& e : by_extension) {
        if (e.extension == extension) {
            return e.format;
        }
    }
    return FileFormat::unknown;
}

std::string_view format_name(FileFormat format)
{
    switch (format) {
    case FileFormat::csv:
        return "CSV";
    case FileFormat::xyz:
        return "XYZ";
    case FileFormat::pix:
        return "PIX";
    case FileFormat::bmp:
        return "ビットマップ";
    case FileFormat::iges:
        return "IGES";
    case FileFormat::stl_ascii:
        return "アスキーSTL";
    case FileFormat::stl_binary:
        return "バイナリSTL";
    case FileFormat::ply:
        return "PLY";
    case FileFormat::pcd:
        return "PCD";
    case FileFormat::las:
        return "LAS";
    case FileFormat::laz:
        return "LAZ";
    case FileFormat::obj:
        return "OBJ";
    case FileFormat::unknown:
        break;
    }
    return "不明";
}

std::span<const std::string_view> supported_file_patterns()
{
    return patterns;
}

std::string unknown_format_reason(std::string_view file_name)
{
    std::string reason = "ファイルの形式を判別できません";
    const std::string extension = extension_of(file_name);
    const std::array<std::pair<std::string_view, std::string_view>, 6> marked{{
        {"ply", "PLY"},
        {"las", "LAS"},
        {"laz", "LAZ"},
        {"pcd", "PCD"},
        {"bmp", "ビットマップ"},
        {"igs", "IGES"},
    }};
    for (const auto& [ext, name] : marked) {
        if (extension == ext || (ext == "igs" && extension == "iges")) {
            reason += "（拡張子は ." + extension + " ですが、内容が" + std::string(name) +
                      "ファイルの形ではありません）";
            return reason;
        }
    }
    reason += "（読み込める形式：CSV、XYZ/PTS/TXT、PIX、ビットマップ、IGES、STL、PLY、PCD、LAS、"
              "OBJ）";
    return reason;
}

}  // namespace tengun
