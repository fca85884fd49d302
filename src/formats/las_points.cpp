#include "formats/las_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/little_endian.h"

namespace tengun {

namespace {

// Byte positions in the public header block (the same in every version where present).
constexpr std::size_t version_at = 24;
constexpr std::size_t header_size_at = 94;
constexpr std::size_t point_offset_at = 96;
constexpr std::size_t vlr_count_at = 100;
constexpr std::size_t format_at = 104;
constexpr std::size_t record_length_at = 105;
constexpr std::size_t legacy_count_at = 107;
constexpr std::size_t scale_at = 131;
constexpr std::size_t offset_at = 155;
constexpr std::size_t smallest_header = 227;  // 1.0 to 1.2
constexpr std::size_t count_at = 247;         // 64-bit point count of 1.4

constexpr std::size_t vlr_header = 54;
constexpr std::size_t vlr_user_at = 2;
constexpr std::size_t vlr_id_at = 18;
constexpr std::size_t vlr_length_at = 20;

/// The smallest record of each point data format: X, Y, Z and the attributes it defines.
constexpr std::array<std::size_t, 11> minimum_record{20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};

ReadError at(std::string reason, std::size_t offset)
{
    return {std::move(reason), 0, 0, offset};
}

const std::string compressed_reason =
    "圧縮された LAS（LAZ）ファイルです。圧縮されたLASには対応していません"
    "（圧縮しない LAS に変換して下さい）";

/// A LAZ file keeps its compressor's settings in a record of user "laszip encoded".
bool has_laszip_record(std::string_view bytes, std::size_t header_size, std::uint32_t records,
                       std::size_t point_offset)
{
    std::size_t pos = header_size;
    for (std::uint32_t k = 0; k < records && point_offset - pos >= vlr_header; ++k) {
        const std::string_view user = bytes.substr(pos + vlr_user_at, 16);
        const auto id = load_le<std::uint16_t>(bytes.data() + pos + vlr_id_at);
        if (user.substr(0, user.find('\0')) == "laszip encoded" && id == 22204) {
            return true;
        }
        pos += vlr_header + load_le<std::uint16_t>(bytes.data() + pos + vlr_length_at);
        if (pos > point_offset) {
            break;
        }
    }
    return false;
}

struct Transform {
    Vec3 scale{};
    Vec3 offset{};
};

Status read_transform(std::string_view bytes, Transform& t, ReadError& error)
{
    static constexpr std::array<const char*, 3> axes{"X", "Y", "Z"};
    for (std::size_t k = 0; k < 3; ++k) {
        t.scale[k] = load_le<double>(bytes.data() + scale_at + 8 * k);
        t.offset[k] = load_le<double>(bytes.data() + offset_at + 8 * k);
        if (!std::isfinite(t.scale[k]) || t.scale[k] == 0.0) {
            error = at(std::string(axes[k]) + " のスケールが正しくありません（0 か数値でない）",
                       scale_at + 8 * k);
            return Status::error;
        }
        if (!std::isfinite(t.offset[k])) {
            error =
                at(std::string(axes[k]) + " のオフセットが数値ではありません", offset_at + 8 * k);
            return Status::error;
        }
        // The largest stored value times the scale plus the offset: finite here, every
        // coordinate of the file is, whatever its points hold.
        if (!std::isfinite(2147483648.0 * std::abs(t.scale[k]) + std::abs(t.offset[k]))) {
            error = at(std::string(axes[k]) +
                           " のスケールとオフセットが大きすぎます（座標が数値の範囲を超えます）",
                       scale_at + 8 * k);
            return Status::error;
        }
    }
    return Status::ok;
}

}  // namespace

Status read_las_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                       const BytesPassed& passed)
{
    if (bytes.size() < 4 || bytes.substr(0, 4) != "LASF") {
        error = at("LASファイルではありません（先頭が LASF ではありません）", 0);
        return Status::error;
    }
    if (bytes.size() < smallest_header) {
        error = at("ヘッダーの途中でファイルが終わっています", bytes.size());
        return Status::error;
    }
    const auto major = static_cast<unsigned>(static_cast<unsigned char>(bytes[version_at]));
    const auto minor = static_cast<unsigned>(static_cast<unsigned char>(bytes[version_at + 1]));
    if (major != 1) {
        error = at("LAS の版 " + std::to_string(major) + "." + std::to_string(minor) +
                       " には対応していません（1.0 から 1.4）",
                   version_at);
        return Status::error;
    }
    const std::size_t header_size = load_le<std::uint16_t>(bytes.data() + header_size_at);
    const std::size_t point_offset = load_le<std::uint32_t>(bytes.data() + point_offset_at);
    const auto records = load_le<std::uint32_t>(bytes.data() + vlr_count_at);
    const auto format_byte = static_cast<unsigned char>(bytes[format_at]);
    const std::size_t record_length = load_le<std::uint16_t>(bytes.data() + record_length_at);
    if (header_size < smallest_header || header_size > bytes.size()) {
        error =
            at("ヘッダーの大きさ（" + std::to_string(header_size) + " バイト）が正しくありません",
               header_size_at);
        return Status::error;
    }
    if (point_offset < header_size || point_offset > bytes.size()) {
        error = at("点データの位置（" + std::to_string(point_offset) + "）が正しくありません",
                   point_offset_at);
        return Status::error;
    }
    // LASzip marks its files by bit 7 (and 6) of the format byte and by its own record.
    if ((format_byte & 0xC0U) != 0 ||
        has_laszip_record(bytes, header_size, records, point_offset)) {
        error = at(compressed_reason, format_at);
        return Status::error;
    }
    const unsigned format = format_byte;
    if (format >= minimum_record.size()) {
        error =
            at("点レコード形式 " + std::to_string(format) + " には対応していません（0 から 10）",
               format_at);
        return Status::error;
    }
    if (record_length < minimum_record[format]) {
        error = at("点レコードの長さ（" + std::to_string(record_length) + " バイト）が形式 " +
                       std::to_string(format) + " には短すぎます（" +
                       std::to_string(minimum_record[format]) + " バイト以上）",
                   record_length_at);
        return Status::error;
    }
    std::uint64_t count = load_le<std::uint32_t>(bytes.data() + legacy_count_at);
    std::size_t count_offset = legacy_count_at;
    if (minor >= 4 && header_size >= count_at + 8) {
        const auto count64 = load_le<std::uint64_t>(bytes.data() + count_at);
        if (count64 != 0) {
            count = count64;
            count_offset = count_at;
        }
    }
    if (count == 0) {
        error = at("点がありません（点の数が 0 です）", count_offset);
        return Status::error;
    }
    const std::size_t available = bytes.size() - point_offset;
    if (count > available / record_length) {
        error = at("点の数（" + std::to_string(count) + "）がファイルに入りきりません（" +
                       std::to_string(record_length) + " バイトの点が " +
                       std::to_string(available / record_length) + " 個分しかありません）",
                   count_offset);
        return Status::error;
    }
    Transform t;
    if (read_transform(bytes, t, error) == Status::error) {
        return Status::error;
    }
    LoadedMesh fresh;
    const auto n = static_cast<std::size_t>(count);
    std::vector<Vec3>& xyz = fresh.points.xyz;
    xyz.reserve(n);
    const char* record = bytes.data() + point_offset;
    // Parts of about 8 MB, after each of which `passed` hears where the next record starts.
    const std::size_t part =
        passed ? std::max<std::size_t>(1, (std::size_t{8} << 20U) / record_length) : n;
    for (std::size_t first = 0; first < n; first += part) {
        const std::size_t last = std::min(n, first + part);
        for (std::size_t i = first; i < last; ++i, record += record_length) {
            xyz.push_back({load_le<std::int32_t>(record) * t.scale[0] + t.offset[0],
                           load_le<std::int32_t>(record + 4) * t.scale[1] + t.offset[1],
                           load_le<std::int32_t>(record + 8) * t.scale[2] + t.offset[2]});
        }
        if (passed && !passed(static_cast<std::size_t>(record - bytes.data()))) {
            error = cancelled_error();
            return Status::error;
        }
    }
    fresh.points.label.assign(n, 0.0);
    out = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
