#include "formats/xyz_points.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "formats/csv_points.h"
#include "formats/shown_text.h"
#include "formats/text_fields.h"

namespace tengun {

namespace {

constexpr std::size_t passed_step = std::size_t{8} << 20U;

enum class Value { finite, not_finite, text };

/// A field as a coordinate: a finite number, "nan"/"inf" (a hole in the scan), or text.
Value coordinate(std::string_view text, double& x)
{
    if (field_number(text, x)) {
        return Value::finite;
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size()
               ? Value::not_finite
               : Value::text;
}

bool point_count(std::string_view text, std::uint64_t& n)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size();
}

std::string shown(std::string_view text)
{
    return shown_text(text);
}

}  // namespace

Status read_xyz_points(std::string_view bytes, LoadedMesh& out, ReadError& error,
                       const BytesPassed& passed)
{
    LoadedMesh fresh;
    std::vector<Vec3>& xyz = fresh.points.xyz;
    // Sized from the first megabyte, so the text is read only once (see read_csv_points).
    const std::size_t estimate =
        estimated_point_lines(bytes.substr(0, std::size_t{1} << 20U), bytes.size());
    xyz.reserve(estimate);
    std::size_t next_report = passed ? passed_step : bytes.size() + 1;
    FieldReader reader(bytes, true);
    std::uint64_t declared = 0;
    bool counted = false;
    std::size_t dropped = 0;
    TextField f;
    while (reader.next(f)) {
        if (!f.quoted && f.text.substr(0, 2) == "//") {
            reader.skip_line();
            continue;
        }
        Vec3 p{};
        const Value first = coordinate(f.text, p[0]);
        if (first == Value::text) {
            if (xyz.empty() && dropped == 0) {
                reader.skip_line();  // column names before the first point
                continue;
            }
            error = {"「" + shown(f.text) + "」は数値ではありません", f.line, f.index};
            return Status::error;
        }
        std::array<TextField, 3> fields{f};
        std::size_t have = 1;
        while (have < 3 && reader.next_in_line(fields[have])) {
            ++have;
        }
        std::uint64_t n = 0;
        if (have == 1 && point_count(f.text, n)) {
            declared += n;  // a count that overflows is a damaged file; the note shows it
            counted = true;
            continue;
        }
        if (have < 3) {
            error = {"座標が３つありません（x, y, z の３つの数値が必要です）", f.line, have + 1};
            return Status::error;
        }
        bool finite = first == Value::finite;
        for (std::size_t k = 1; k < 3; ++k) {
            const Value v = coordinate(fields[k].text, p[k]);
            if (v == Value::text) {
                error = {"「" + shown(fields[k].text) + "」は数値ではありません", fields[k].line,
                         fields[k].index};
                return Status::error;
            }
            finite = finite && v == Value::finite;
        }
        if (finite) {
            if (estimate > 0 && xyz.size() == xyz.capacity()) {
                xyz.reserve(xyz.capacity() + xyz.capacity() / 8 + 4096); // as read_csv_points
            }
            xyz.push_back(p);
        } else {
            ++dropped;
        }
        reader.skip_line();
        if (reader.position() >= next_report) {
            if (!passed(reader.position())) {
                error = cancelled_error();
                return Status::error;
            }
            next_report = reader.position() + passed_step;
        }
    }
    if (xyz.empty()) {
        error = {dropped > 0
                     ? "有効な点がありません（すべての点の座標が数値でない（NaN）か無限大です）"
                     : "点データがありません（x, y, z の３つの数値の行がありません）"};
        return Status::error;
    }
    if (dropped > 0) {
        fresh.notes.push_back("座標が数値でない（NaN）か無限大の点 " + std::to_string(dropped) +
                              " 個を除きました。");
    }
    if (counted && declared != xyz.size() + dropped) {
        fresh.notes.push_back("点の数の行は " + std::to_string(declared) + " 点としていますが、" +
                              std::to_string(xyz.size() + dropped) + " 点ありました。");
    }
    fresh.points.label.assign(xyz.size(), 0.0);
    out = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
