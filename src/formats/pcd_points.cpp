#include "formats/pcd_points.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <lzf.h>

#include "formats/little_endian.h"
#include "formats/shown_text.h"

namespace tengun {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t passed_step = std::size_t{8} << 20U;

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

/// The blank-separated words of one line, counted from 1.
class Words {
public:
    explicit Words(std::string_view line) : line_(line) {}
    bool next(std::string_view& word)
    {
        while (pos_ < line_.size() && is_blank(line_[pos_])) {
            ++pos_;
        }
        if (pos_ == line_.size()) {
            return false;
        }
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !is_blank(line_[pos_])) {
            ++pos_;
        }
        word = line_.substr(start, pos_ - start);
        ++index_;
        return true;
    }
    [[nodiscard]] std::size_t index() const { return index_; }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
    std::size_t index_ = 0;
};

bool same_word(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t k = 0; k < a.size(); ++k) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[k]) != lower(b[k])) {
            return false;
        }
    }
    return true;
}

bool whole_number(std::string_view word, std::uint64_t& value)
{
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc{} && end == word.data() + word.size();
}

std::string shown(std::string_view word)
{
    return shown_text(word);
}

enum class Encoding { ascii, binary, compressed };
enum class Kind { f4, f8, i1, i2, i4, i8, u1, u2, u4, u8 };

std::optional<Kind> kind_of(char type, std::uint64_t size)
{
    static constexpr std::array<Kind, 4> ints{Kind::i1, Kind::i2, Kind::i4, Kind::i8};
    static constexpr std::array<Kind, 4> uints{Kind::u1, Kind::u2, Kind::u4, Kind::u8};
    const int log2 = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : size == 8 ? 3 : -1;
    if (log2 < 0) {
        return std::nullopt;
    }
    if (type == 'F') {
        return log2 == 2   ? std::optional(Kind::f4)
               : log2 == 3 ? std::optional(Kind::f8)
                           : std::nullopt;
    }
    return (type == 'I' ? ints : uints)[static_cast<std::size_t>(log2)];
}

double load_value(const char* p, Kind kind)
{
    switch (kind) {
    case Kind::f4:
        return load_le<float>(p);
    case Kind::f8:
        return load_le<double>(p);
    case Kind::i1:
        return load_le<std::int8_t>(p);
    case Kind::i2:
        return load_le<std::int16_t>(p);
    case Kind::i4:
        return load_le<std::int32_t>(p);
    case Kind::i8:
        return static_cast<double>(load_le<std::int64_t>(p));
    case Kind::u1:
        return load_le<std::uint8_t>(p);
    case Kind::u2:
        return load_le<std::uint16_t>(p);
    case Kind::u4:
        return load_le<std::uint32_t>(p);
    case Kind::u8:
        return static_cast<double>(load_le<std::uint64_t>(p));
    }
    return 0.0;
}

struct Field {
    std::string_view name;
    std::uint64_t size = 4;
    char type = 'F';
    std::uint64_t count = 1;
};

struct Header {
    std::vector<Field> fields;
    std::size_t fields_line = 0, size_line = 0, type_line = 0, points_line = 0;
    std::optional<std::uint64_t> width, height, points;
    Encoding encoding = Encoding::ascii;
    std::size_t data_offset = 0;  // the first byte after the DATA line
    std::size_t data_line = 0;    // the line after the DATA line
};

/// One list of SIZE, TYPE or COUNT: as many words as FIELDS has, each checked by `take`.
template <class Take>
Status field_list(Words& words, std::string_view key, std::vector<Field>& fields, std::size_t line,
                  Take take, ReadError& error)
{
    std::size_t k = 0;
    std::string_view word;
    while (words.next(word)) {
        if (k == fields.size()) {
            break;
        }
        if (!take(word, fields[k++])) {
            error = {std::string(key) + " の値「" + shown(word) + "」が正しくありません", line,
                     words.index()};
            return Status::error;
        }
    }
    if (k != fields.size() || words.next(word)) {
        error = {std::string(key) + " の値の数が FIELDS の数（" + std::to_string(fields.size()) +
                     "）と違います",
                 line};
        return Status::error;
    }
    return Status::ok;
}

Status header_line(std::string_view key, Words& words, std::size_t line, Header& h,
                   ReadError& error)
{
    std::string_view word;
    if (same_word(key, "FIELDS") || same_word(key, "COLUMNS")) {
        h.fields.clear();
        while (words.next(word)) {
            h.fields.push_back({word});
        }
        h.fields_line = line;
        h.size_line = h.type_line = 0;
        return Status::ok;
    }
    const bool size = same_word(key, "SIZE");
    const bool type = same_word(key, "TYPE");
    if (size || type || same_word(key, "COUNT")) {
        if (h.fields_line == 0) {
            error = {std::string(key) + " 行が FIELDS 行より前にあります", line};
            return Status::error;
        }
        if (size) {
            h.size_line = line;
        } else if (type) {
            h.type_line = line;
        }
        if (type) {
            return field_list(
                words, key, h.fields, line,
                [](std::string_view w, Field& f) {
                    f.type = w.size() == 1 ? static_cast<char>(w[0] & ~0x20) : '?';
                    return f.type == 'F' || f.type == 'I' || f.type == 'U';
                },
                error);
        }
        std::uint64_t Field::*member = size ? &Field::size : &Field::count;
        return field_list(
            words, key, h.fields, line,
            [member](std::string_view w, Field& f) {
                // Bounds that keep every product below 2^64 and still hold any real record.
                return whole_number(w, f.*member) && f.*member >= 1 && f.*member <= (1U << 20U);
            },
            error);
    }
    std::optional<std::uint64_t>* count = same_word(key, "WIDTH")    ? &h.width
                                          : same_word(key, "HEIGHT") ? &h.height
                                          : same_word(key, "POINTS") ? &h.points
                                                                     : nullptr;
    if (count != nullptr) {
        std::uint64_t value = 0;
        if (!words.next(word) || !whole_number(word, value)) {
            error = {std::string(key) + " の値が正しくありません", line, 2};
            return Status::error;
        }
        *count = value;
        if (count == &h.points) {
            h.points_line = line;
        }
    }
    return Status::ok;  // VERSION, VIEWPOINT and anything unknown say nothing about the points
}

/// The header up to and including the DATA line.
Status read_header(std::string_view text, Header& h, ReadError& error)
{
    std::size_t pos = 0;
    std::size_t line = 0;
    while (pos < text.size()) {
        ++line;
        const std::size_t end = text.find('\n', pos);
        const std::string_view l = text.substr(pos, end == npos ? text.size() - pos : end - pos);
        pos = end == npos ? text.size() : end + 1;
        Words words(l);
        std::string_view key;
        if (!words.next(key) || key.front() == '#') {
            continue;
        }
        if (!same_word(key, "DATA")) {
            if (header_line(key, words, line, h, error) == Status::error) {
                return Status::error;
            }
            continue;
        }
        std::string_view kind;
        (void)words.next(kind);
        if (same_word(kind, "ascii")) {
            h.encoding = Encoding::ascii;
        } else if (same_word(kind, "binary")) {
            h.encoding = Encoding::binary;
        } else if (same_word(kind, "binary_compressed")) {
            h.encoding = Encoding::compressed;
        } else {
            error = {"DATA の形式「" + shown(kind) +
                         "」には対応していません（ascii, binary, binary_compressed）",
                     line, 2};
            return Status::error;
        }
        h.data_offset = pos;
        h.data_line = line + 1;
        return Status::ok;
    }
    error = {"DATA 行がありません（PCDファイルではないか、ヘッダーの途中で終わっています）"};
    return Status::error;
}

/// Where a coordinate is found: the first of `count` values of one field.
struct Column {
    std::size_t field = 0;
    std::uint64_t value = 0;   // index among the text values of a record
    std::uint64_t offset = 0;  // byte offset within a packed record
};

struct Layout {
    std::array<Column, 3> columns{};
    std::array<Kind, 3> kinds{};
    std::uint64_t values = 0;  // per record
    std::uint64_t record = 0;  // bytes per packed record
};

/// Finds x, y and z and checks what binary data needs of them.
Status find_columns(const Header& h, Layout& layout, ReadError& error)
{
    static constexpr std::array<std::string_view, 3> names{"x", "y", "z"};
    std::array<bool, 3> found{};
    for (std::size_t f = 0; f < h.fields.size(); ++f) {
        for (std::size_t k = 0; k < 3; ++k) {
            if (!found[k] && same_word(h.fields[f].name, names[k])) {
                found[k] = true;
                layout.columns[k] = {f, layout.values, layout.record};
            }
        }
        layout.values += h.fields[f].count;
        layout.record += h.fields[f].size * h.fields[f].count;  // each term below 2^40
        if (layout.record > (1ULL << 48U)) {
            error = {"1点の大きさが大きすぎます", h.size_line};
            return Status::error;
        }
    }
    if (!found[0] || !found[1] || !found[2]) {
        error = {"FIELDS に x, y, z のいずれかがありません", h.fields_line};
        return Status::error;
    }
    if (h.encoding == Encoding::ascii) {
        return Status::ok;
    }
    if (h.size_line == 0 || h.type_line == 0) {
        error = {"SIZE 行か TYPE 行がありません（バイナリのデータには必要です）", h.fields_line};
        return Status::error;
    }
    for (std::size_t k = 0; k < 3; ++k) {
        const Field& f = h.fields[layout.columns[k].field];
        const std::optional<Kind> kind = kind_of(f.type, f.size);
        if (!kind) {
            error = {std::string(names[k]) + " の型（TYPE " + f.type + "、SIZE " +
                         std::to_string(f.size) + "）は読めません",
                     h.type_line, layout.columns[k].field + 2};
            return Status::error;
        }
        layout.kinds[k] = *kind;
    }
    return Status::ok;
}

/// The number of records: POINTS, or WIDTH × HEIGHT without it.
Status record_count(const Header& h, std::uint64_t& n, std::vector<std::string>& notes,
                    ReadError& error)
{
    std::optional<std::uint64_t> grid;
    if (h.width) {
        const std::uint64_t height = h.height.value_or(1);
        if (height != 0 && *h.width > std::numeric_limits<std::uint64_t>::max() / height) {
            error = {"WIDTH×HEIGHT が大きすぎます", h.data_line - 1};
            return Status::error;
        }
        grid = *h.width * height;
    }
    if (!h.points && !grid) {
        error = {"点の数がありません（POINTS も WIDTH もありません）", h.data_line - 1};
        return Status::error;
    }
    n = h.points ? *h.points : *grid;
    if (h.points && grid && *grid != n) {
        notes.push_back("POINTS（" + std::to_string(n) + "）と WIDTH×HEIGHT（" +
                        std::to_string(*grid) + "）が違います。POINTS の " + std::to_string(n) +
                        " 点を読みました。");
    }
    if (n == 0) {
        error = {"点がありません（点の数が 0 です）", h.points_line};
        return Status::error;
    }
    return Status::ok;
}

bool text_number(std::string_view word, double& x)
{
    if (!word.empty() && word.front() == '+') {
        word.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), x);
    return !word.empty() && ec == std::errc{} && end == word.data() + word.size();
}

/// Text records, one a line; blank lines are skipped.
Status read_ascii(std::string_view text, const Header& h, std::uint64_t n, const Layout& layout,
                  std::vector<Vec3>& xyz, std::size_t& dropped, std::vector<std::string>& notes,
                  ReadError& error, const BytesPassed& passed)
{
    const std::array<Column, 3>& columns = layout.columns;
    const std::uint64_t values = layout.values;
    // Every value takes at least one character and one separator.
    const std::uint64_t room = (text.size() - h.data_offset + 1) / 2;
    if (n > room / values) {
        error = {"点の数（" + std::to_string(n) + "）がファイルに入りきりません", h.points_line};
        return Status::error;
    }
    const std::uint64_t last = std::max({columns[0].value, columns[1].value, columns[2].value});
    xyz.reserve(n);
    std::size_t pos = h.data_offset;
    std::size_t line = h.data_line - 1;
    std::uint64_t records = 0;
    std::size_t extra_lines = 0;
    std::size_t next_report = passed ? pos + passed_step : text.size() + 1;
    while (pos < text.size()) {
        if (pos >= next_report) {
            if (!passed(pos)) {
                error = cancelled_error();
                return Status::error;
            }
            next_report = pos + passed_step;
        }
        ++line;
        const std::size_t end = text.find('\n', pos);
        const std::string_view l = text.substr(pos, end == npos ? text.size() - pos : end - pos);
        pos = end == npos ? text.size() : end + 1;
        Words words(l);
        std::string_view word;
        if (!words.next(word)) {
            continue;
        }
        if (records == n) {
            ++extra_lines;
            continue;
        }
        Vec3 p{};
        for (std::uint64_t v = 0; v <= last; ++v) {
            if (v > 0 && !words.next(word)) {
                error = {"値が足りません（" + std::to_string(values) + " 個のはずが " +
                             std::to_string(v) + " 個です）",
                         line, v + 1};
                return Status::error;
            }
            for (std::size_t k = 0; k < 3; ++k) {
                if (columns[k].value == v && !text_number(word, p[k])) {
                    error = {"「" + shown(word) + "」は数値ではありません", line, v + 1};
                    return Status::error;
                }
            }
        }
        ++records;
        if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) {
            xyz.push_back(p);
        } else {
            ++dropped;
        }
    }
    if (records < n) {
        error = {"データが POINTS（" + std::to_string(n) + " 点）より少なく、" +
                     std::to_string(records) + " 点で終わっています",
                 line + 1};
        return Status::error;
    }
    if (extra_lines > 0) {
        notes.push_back("データの後の " + std::to_string(extra_lines) + " 行は無視しました。");
    }
    return Status::ok;
}

struct Strided {
    const char* first;
    std::size_t stride;
    Kind kind;
};

/// Appends the n points of packed values, leaving out those with a coordinate that is not
/// finite; returns how many were left out. Each point is written in place and kept by moving
/// the end on, which needs no branch.
template <class Load>
std::size_t append_points(const std::array<Strided, 3>& c, std::size_t n, Load load,
                          std::vector<Vec3>& xyz)
{
    const std::size_t start = xyz.size();
    xyz.resize(start + n);
    Vec3* out = xyz.data() + start;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 p{load(c[0].first + i * c[0].stride, c[0].kind),
                     load(c[1].first + i * c[1].stride, c[1].kind),
                     load(c[2].first + i * c[2].stride, c[2].kind)};
        out[kept] = p;
        kept += std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) ? 1 : 0;
    }
    xyz.resize(start + kept);
    return n - kept;
}

/// The same, with the loads of the usual files (x, y and z all 4- or all 8-byte floats) known
/// to the compiler.
std::size_t append_points(const std::array<Strided, 3>& c, std::size_t n, std::vector<Vec3>& xyz)
{
    const bool same = c[0].kind == c[1].kind && c[1].kind == c[2].kind;
    if (same && c[0].kind == Kind::f4) {
        return append_points(
            c, n, [](const char* p, Kind) -> double { return load_le<float>(p); }, xyz);
    }
    if (same && c[0].kind == Kind::f8) {
        return append_points(
            c, n, [](const char* p, Kind) { return load_le<double>(p); }, xyz);
    }
    return append_points(c, n, load_value, xyz);
}

/// append_points over the records of a file, about 8 MB at a time, telling `passed` after
/// each part where the next record starts (`first_offset`: where record 0 starts). Status::error
/// (cancelled_error) when `passed` asks to stop.
Status append_points_passed(const std::array<Strided, 3>& c, std::size_t n, std::size_t record,
                            std::size_t first_offset, std::vector<Vec3>& xyz, std::size_t& dropped,
                            ReadError& error, const BytesPassed& passed)
{
    xyz.reserve(xyz.size() + n);
    const std::size_t part = passed ? std::max<std::size_t>(1, passed_step / record) : n;
    dropped = 0;
    for (std::size_t i = 0; i < n; i += part) {
        const std::size_t count = std::min(part, n - i);
        std::array<Strided, 3> at = c;
        for (Strided& s : at) {
            s.first += i * s.stride;
        }
        dropped += append_points(at, count, xyz);
        if (passed && !passed(first_offset + (i + count) * record)) {
            error = cancelled_error();
            return Status::error;
        }
    }
    return Status::ok;
}

void note_trailing_bytes(std::size_t bytes, std::vector<std::string>& notes)
{
    if (bytes > 0) {
        notes.push_back("末尾の " + std::to_string(bytes) + " バイトは無視しました。");
    }
}

Status read_binary(std::string_view bytes, const Header& h, std::uint64_t n, const Layout& layout,
                   std::vector<Vec3>& xyz, std::size_t& dropped, std::vector<std::string>& notes,
                   ReadError& error, const BytesPassed& passed)
{
    const std::uint64_t record = layout.record;
    const std::size_t available = bytes.size() - h.data_offset;
    if (n > available / record) {
        error = {"データが足りません（" + std::to_string(n) + " 点には " +
                     (n > std::numeric_limits<std::uint64_t>::max() / record
                          ? std::string("それ以上の")
                          : std::to_string(n * record)) +
                     " バイト必要ですが " + std::to_string(available) + " バイトしかありません）",
                 0, 0, h.data_offset};
        return Status::error;
    }
    const char* data = bytes.data() + h.data_offset;
    std::array<Strided, 3> c{};
    for (std::size_t k = 0; k < 3; ++k) {
        c[k] = {data + layout.columns[k].offset, record, layout.kinds[k]};
    }
    if (append_points_passed(c, n, record, h.data_offset, xyz, dropped, error, passed) ==
        Status::error) {
        return Status::error;
    }
    note_trailing_bytes(available - n * record, notes);
    return Status::ok;
}

/// One LZF chunk: compressed size, uncompressed size (both 32-bit), then the compressed bytes of
/// all fields one after another (every point's first field, then every point's second, ...).
Status read_compressed(std::string_view bytes, const Header& h, std::uint64_t n,
                       const Layout& layout, std::vector<Vec3>& xyz, std::size_t& dropped,
                       std::vector<std::string>& notes, ReadError& error, const BytesPassed& passed)
{
    const std::size_t at = h.data_offset;
    const std::size_t available = bytes.size() - at;
    if (available < 8) {
        error = {"圧縮データの見出し（8 バイト）がありません", 0, 0, at};
        return Status::error;
    }
    const std::uint32_t packed = load_le<std::uint32_t>(bytes.data() + at);
    const std::uint32_t unpacked = load_le<std::uint32_t>(bytes.data() + at + 4);
    const std::uint64_t record = layout.record;
    if (packed > available - 8) {
        error = {"圧縮データの大きさ（" + std::to_string(packed) +
                     " バイト）がファイルに入りきりません",
                 0, 0, at};
        return Status::error;
    }
    if (n > std::numeric_limits<std::uint32_t>::max() / record || n * record != unpacked) {
        error = {"展開後の大きさ（" + std::to_string(unpacked) + " バイト）が " +
                     std::to_string(n) + " 点の大きさと合いません",
                 0, 0, at + 4};
        return Status::error;
    }
    // An LZF back reference of 3 bytes gives at most 264: more than 88 times the packed size
    // cannot come out, so such a header is refused before the buffer is allocated.
    if (unpacked > 88ULL * packed) {
        error = {"展開後の大きさ（" + std::to_string(unpacked) + " バイト）が圧縮データ（" +
                     std::to_string(packed) + " バイト）から得られる大きさを超えています",
                 0, 0, at + 4};
        return Status::error;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(unpacked);
    if (lzf_decompress(bytes.data() + at + 8, packed, buffer.get(), unpacked) != unpacked) {
        error = {"圧縮データが壊れています", 0, 0, at + 8};
        return Status::error;
    }
    // The file's bytes are all unpacked: they can go before the points are taken out.
    if (passed && !passed(at + 8 + packed)) {
        error = cancelled_error();
        return Status::error;
    }
    std::array<Strided, 3> c{};
    for (std::size_t k = 0; k < 3; ++k) {
        std::uint64_t start = 0;
        for (std::size_t f = 0; f < layout.columns[k].field; ++f) {
            start += n * h.fields[f].size * h.fields[f].count;
        }
        const Field& f = h.fields[layout.columns[k].field];
        c[k] = {buffer.get() + start, f.size * f.count, layout.kinds[k]};
    }
    dropped = append_points(c, n, xyz);
    note_trailing_bytes(available - 8 - packed, notes);
    return Status::ok;
}

}  // namespace

Status read_pcd_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                       const BytesPassed& passed)
{
    Header h;
    if (read_header(bytes, h, error) == Status::error) {
        return Status::error;
    }
    if (h.fields.empty()) {
        error = {"FIELDS 行がありません", h.data_line - 1};
        return Status::error;
    }
    Layout layout;
    LoadedMesh fresh;
    std::uint64_t n = 0;
    if (find_columns(h, layout, error) == Status::error ||
        record_count(h, n, fresh.notes, error) == Status::error) {
        return Status::error;
    }
    std::size_t dropped = 0;
    std::vector<Vec3>& xyz = fresh.points.xyz;
    const Status status =
        h.encoding == Encoding::ascii
            ? read_ascii(bytes, h, n, layout, xyz, dropped, fresh.notes, error, passed)
        : h.encoding == Encoding::binary
            ? read_binary(bytes, h, n, layout, xyz, dropped, fresh.notes, error, passed)
            : read_compressed(bytes, h, n, layout, xyz, dropped, fresh.notes, error, passed);
    if (status == Status::error) {
        return Status::error;
    }
    if (xyz.empty()) {
        error = {"有効な点がありません（" + std::to_string(dropped) +
                 " 点すべての座標が数値でない（NaN）か無限大です）"};
        return Status::error;
    }
    if (dropped > 0) {
        fresh.notes.insert(fresh.notes.begin(), "座標が数値でない（NaN）か無限大の点 " +
                                                    std::to_string(dropped) + " 個を除きました。");
    }
    fresh.points.label.assign(xyz.size(), 0.0);
    out = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
