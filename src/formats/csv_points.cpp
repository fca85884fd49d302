#include "formats/csv_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "formats/shown_text.h"
#include "formats/text_fields.h"
#include "geometry/number_text.h"

namespace tengun {

std::size_t estimated_point_lines(std::string_view start, std::size_t size)
{
    const auto lines = static_cast<std::size_t>(std::count(start.begin(), start.end(), '\n'));
    if (start.size() >= size) {
        return lines + 1; // the whole text: as many as its lines
    }
    if (lines == 0) {
        return 0; // no line seen yet: nothing to go by
    }
    // A little more than the first lines promise, as numbers further down may be shorter.
    const double per_line = static_cast<double>(start.size()) / static_cast<double>(lines);
    return static_cast<std::size_t>(1.02 * static_cast<double>(size) / per_line) + 1024;
}

std::vector<std::string> csv_notes(const PointRows& rows)
{
    std::vector<std::string> notes;
    if (rows.mark == DecimalMark::comma) {
        notes.emplace_back("数値を小数点がコンマ（,）のものとして読みました。");
    }
    if (rows.columns > 3) {
        std::string note = "各行の最初の３つの数値を x, y, z とし、4列目";
        note += rows.columns > 4 ? "から" + std::to_string(rows.columns) + "列目まで" : "";
        if (rows.names.size() > 3) {
            std::string names;
            constexpr std::size_t shown_names = 8;
            for (std::size_t k = 3; k < rows.names.size() && k < 3 + shown_names; ++k) {
                names += (k > 3 ? ", " : "") + shown_text(rows.names[k], 20);
            }
            if (rows.names.size() > 3 + shown_names) {
                names += ", …";
            }
            note += "（" + names + "）";
        }
        notes.push_back(note + "は読み込んでいません。");
    }
    if (rows.short_rows > 0) {
        notes.push_back(short_rows_note(rows));
    }
    return notes;
}

Status read_csv_points(std::string_view text, LoadedMesh& out, ReadError& error,
                       const BytesPassed& passed, const ShortRowQuestion& skip_short_rows)
{
    PointRows rows;
    if (read_point_rows(text, PointRowRules{}, rows, error, passed, skip_short_rows) ==
        Status::error) {
        return Status::error;
    }
    if (rows.xyz.empty()) {
        error = {"点データがありません（x, y, z の３つの数値の行がありません）"};
        return Status::error;
    }
    LoadedMesh fresh;
    fresh.notes = csv_notes(rows);
    fresh.points.xyz = std::move(rows.xyz);
    fresh.points.label.assign(fresh.points.xyz.size(), 0.0);
    out = std::move(fresh);
    return Status::ok;
}

Status read_csv_points(std::string_view text, PointCloud& cloud, ReadError& error,
                       const BytesPassed& passed)
{
    LoadedMesh mesh;
    if (read_csv_points(text, mesh, error, passed, ShortRowQuestion{}) == Status::error) {
        return Status::error;
    }
    cloud = std::move(mesh.points);
    return Status::ok;
}

namespace {

/// `x` in C's %.{digits}G form: E with a sign and at least two exponent digits.
std::string general_number(double x, int digits)
{
    char buffer[40];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::general, digits);
    for (char* c = buffer; c != result.ptr; ++c) {
        *c = *c == 'e' ? 'E' : *c;
    }
    return {buffer, result.ptr};
}

bool reads_back_finite(const std::string& text)
{
    double y = 0.0;
    return field_number(text, y);
}

}  // namespace

std::string csv_number(double x, NumberPrecision precision)
{
    if (precision == NumberPrecision::full) {
        char buffer[40];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
        for (char* c = buffer; c != result.ptr; ++c) {
            *c = *c == 'e' ? 'E' : *c;
        }
        return {buffer, result.ptr};
    }
    std::string text = format_number(x);
    // Rounded to 15 digits, the largest doubles pass the largest one: more digits for them
    // (only they can: anything below 1.7E+308 rounds to a 15-digit number below it).
    if (std::abs(x) > 1.7e308) {
        for (int digits = 16; digits <= 17 && !reads_back_finite(text) && std::isfinite(x);
             ++digits) {
            text = general_number(x, digits);
        }
    }
    return text;
}

std::string write_csv_points(std::span<const Vec3> points, NumberPrecision precision)
{
    std::string out;
    (void)write_csv_points(points, out, Progress{}, precision);
    return out;
}

Status write_csv_points(std::span<const Vec3> points, std::string& text, const Progress& progress,
                        NumberPrecision precision)
{
    std::string out;
    out.reserve(points.size() * (precision == NumberPrecision::full ? 60 : 48));
    constexpr std::size_t report_every = std::size_t{1} << 14U;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i % report_every == 0 && i > 0) {
            if (progress.stopped()) {
                return Status::error;
            }
            progress(static_cast<double>(i) / static_cast<double>(points.size()), "保存");
        }
        const Vec3& p = points[i];
        out += csv_number(p[0], precision);
        out += ' ';
        out += csv_number(p[1], precision);
        out += ' ';
        out += csv_number(p[2], precision);
        out += "\r\n";
    }
    text = std::move(out);
    return Status::ok;
}

void force_extension(std::string& name, std::string_view extension)
{
    const std::size_t k = extension.size();
    if (name.size() >= k && std::string_view(name).substr(name.size() - k) == extension) {
        return;
    }
    if (name.size() >= k && name[name.size() - k] == '.') {
        name.replace(name.size() - k, k, extension);
        return;
    }
    name += extension;
}

void copy_points(std::size_t count, const PointCloud& source, PointCloud& target)
{
    std::copy_n(source.xyz.begin(), count, target.xyz.begin());
}

void append_point(PointCloud& points, double x, double y, double z) { points.add({x, y, z}); }

PointCloud merge_csv_points(const PointCloud& current, std::size_t base, const PointCloud& merged)
{
    const std::size_t b = std::min(base, current.size());
    PointCloud out;
    out.resize(b + merged.size());
    copy_points(b, current, out);
    std::copy(merged.xyz.begin(), merged.xyz.end(), out.xyz.begin() + static_cast<long>(b));
    return out;
}

}  // namespace tengun
