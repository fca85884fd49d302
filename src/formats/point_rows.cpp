#include "formats/point_rows.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "formats/csv_points.h"
#include "formats/shown_text.h"

namespace tengun {

namespace {

constexpr std::size_t passed_step = std::size_t{8} << 20U;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

/// "-12,5", "3", "1,5e-3": a number as a decimal-comma file writes it; `comma` says whether it
/// has its decimal comma.
bool comma_number(std::string_view t, bool& comma)
{
    std::size_t k = 0;
    if (k < t.size() && (t[k] == '-' || t[k] == '+')) {
        ++k;
    }
    const auto digits = [&] {
        const std::size_t start = k;
        while (k < t.size() && is_digit(t[k])) {
            ++k;
        }
        return k - start;
    };
    if (digits() == 0) {
        return false;
    }
    comma = k < t.size() && t[k] == ',';
    if (comma) {
        ++k;
        if (digits() == 0) {
            return false;
        }
    }
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        ++k;
        if (k < t.size() && (t[k] == '-' || t[k] == '+')) {
            ++k;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return k == t.size();
}

enum class Coordinate { finite, hole, text };

/// A field as a coordinate: a finite number, "nan"/"inf" (a hole in the scan), or text.
Coordinate coordinate(std::string_view text, double& x, DecimalMark mark)
{
    if (field_number(text, x, mark)) {
        return Coordinate::finite;
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double y = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), y);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size() &&
                   !std::isfinite(y)
               ? Coordinate::hole
               : Coordinate::text;
}

bool whole_number(std::string_view text, std::uint64_t& n)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size();
}

ReadError not_a_number(const TextField& f)
{
    return {"「" + shown_text(f.text) + "」は数値ではありません", f.line, f.index};
}

/// Reads the fields of the row the reader stands at up to the first number (with either
/// decimal mark): true then. Otherwise the row is read whole, its fields kept in `names` (at
/// most kept_column_names), and false.
bool row_has_number(FieldReader& reader, std::vector<std::string>& names)
{
    TextField f;
    bool first = true;
    while (first ? reader.next(f) : reader.next_in_line(f)) {
        first = false;
        double x = 0.0;
        if (field_number(f.text, x) || field_number(f.text, x, DecimalMark::comma)) {
            return true;
        }
        if (names.size() < kept_column_names) {
            names.emplace_back(f.text);
        }
    }
    return false;
}

/// Characters of the first point row looked at to tell its decimal mark.
constexpr std::size_t mark_sample = 4096;

} // namespace

RowMark row_decimal_mark(std::string_view row)
{
    if (row.find(',') == std::string_view::npos) {
        return RowMark::point;
    }
    const bool split = row.find_first_of(";\t") != std::string_view::npos;
    std::size_t numbers = 0;
    std::size_t with_comma = 0;
    std::size_t with_point = 0;
    std::size_t k = 0;
    while (k < row.size()) {
        const std::size_t start = row.find_first_not_of(" ;\t", k);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(row.find_first_of(" ;\t", start), row.size());
        std::string_view token = row.substr(start, end - start);
        if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
            token = token.substr(1, token.size() - 2);
        }
        bool comma = false;
        double x = 0.0;
        if (comma_number(token, comma)) {
            with_comma += comma ? 1 : 0;
        } else if (split && field_number(token, x)) {
            ++with_point; // "3.125" beside "1,5": which mark is meant cannot be told
        } else {
            return RowMark::point; // comma-separated values, or words: the reader's to judge
        }
        ++numbers;
        k = end;
    }
    if (with_comma == 0) {
        return RowMark::point;
    }
    if (split) {
        return with_point == 0 ? RowMark::comma : RowMark::ambiguous;
    }
    return numbers >= 3 ? RowMark::ambiguous : RowMark::point;
}

std::string ambiguous_decimal_comma_reason(std::string_view row)
{
    return "数値の小数点がコンマ（,）のようです（「" + shown_text(row) +
           "」）が、空白で区切られているか小数点のピリオド（.）も混ざっているため、コンマで区切ら"
           "れた列と区別できません。区切りをセミコロン（;）かタブにして小数点をそろえるか、小数点"
           "をピリオド（.）にして下さい";
}

std::string short_rows_note(const PointRows& rows)
{
    if (rows.short_rows == 0) {
        return {};
    }
    return "数値が３つない行 " + std::to_string(rows.short_rows) + " 行（最初は " +
           std::to_string(rows.first_short_line) + " 行目）を飛ばしました。";
}

Status read_point_rows(std::string_view text, const PointRowRules& rules, PointRows& rows,
                       ReadError& error, const BytesPassed& passed,
                       const ShortRowQuestion& skip_short_rows)
{
    PointRows fresh;
    std::vector<Vec3>& xyz = fresh.xyz;
    // Most exports hold one point a row: reserve what the first megabyte promises, so the text
    // is read once and the points are not copied as they grow. A reserve larger than needed
    // costs address space only: the pages no point is written to are never touched.
    const std::size_t estimate =
        estimated_point_lines(text.substr(0, std::size_t{1} << 20U), text.size());
    xyz.reserve(estimate);
    std::size_t next_report = passed ? passed_step : text.size() + 1;
    FieldReader reader(text, true);
    bool header_open = true; // a header row may still come
    bool mark_decided = false;
    bool asked = false;
    // Every 8 MB, also inside a long row: the pages behind go back, the user may stop.
    const auto keep_going = [&] {
        if (reader.position() < next_report) {
            return true;
        }
        if (!passed(reader.position())) {
            error = cancelled_error();
            return false;
        }
        next_report = reader.position() + passed_step;
        return true;
    };
    const auto skip_row = [&] {
        while (!reader.skip_line_part(passed_step)) {
            if (!keep_going()) {
                return false;
            }
        }
        return keep_going();
    };
    while (reader.skip_to_field()) {
        const std::size_t line = reader.line();
        if (rules.slash_comments && reader.ahead(2) == "//") {
            if (!skip_row()) {
                return Status::error;
            }
            continue;
        }
        if (header_open) {
            FieldReader probe = reader;
            std::vector<std::string> names;
            bool header = false;
            if (rules.header == PointRowRules::Header::first_row) {
                header = !row_has_number(probe, names);
                header_open = false;
            } else {
                TextField f;
                double x = 0.0;
                header = probe.next(f) &&
                         coordinate(f.text, x, DecimalMark::comma) == Coordinate::text &&
                         coordinate(f.text, x, DecimalMark::point) == Coordinate::text;
                if (header) {
                    probe = reader;
                    (void)row_has_number(probe, names);
                }
            }
            if (header) {
                fresh.names = std::move(names);
                reader = probe;
                if (!skip_row()) {
                    return Status::error;
                }
                continue;
            }
        }
        if (!mark_decided) {
            const std::string_view row = reader.rest_of_line(mark_sample);
            switch (row_decimal_mark(row)) {
            case RowMark::ambiguous:
                error = {ambiguous_decimal_comma_reason(row), line};
                return Status::error;
            case RowMark::comma:
                fresh.mark = DecimalMark::comma;
                reader.set_decimal_mark(DecimalMark::comma);
                break;
            case RowMark::point:
                break;
            }
            mark_decided = true;
        }
        header_open = false;

        Vec3 p{};
        std::size_t have = 0;
        bool hole = false;
        const std::size_t start = reader.position();
        for (; have < 3; ++have) {
            TextField f;
            const FieldReader::Next next = reader.next_number_in_line(p[have], f);
            if (next == FieldReader::Next::end) {
                break;
            }
            if (next == FieldReader::Next::field) {
                const Coordinate c = coordinate(f.text, p[have], fresh.mark);
                if (c == Coordinate::text || (c == Coordinate::hole && !rules.holes_dropped)) {
                    error = not_a_number(f);
                    return Status::error;
                }
                hole = hole || c == Coordinate::hole;
            }
        }
        if (have == 0) { // an empty quoted field alone
            if (!skip_row()) {
                return Status::error;
            }
            continue;
        }
        if (have < 3) {
            std::uint64_t n = 0;
            if (have == 1 && rules.count_rows &&
                whole_number(text.substr(start, reader.position() - start), n)) {
                fresh.declared += n; // a count that overflows is a damaged file; the note shows it
                fresh.counted = true;
                if (!skip_row()) {
                    return Status::error;
                }
                continue;
            }
            if (!asked) {
                if (!skip_short_rows || !skip_short_rows(line)) {
                    error = {"座標が３つありません（x, y, z の３つの数値が必要です）", line,
                             have + 1};
                    return Status::error;
                }
                asked = true;
            }
            if (fresh.short_rows++ == 0) {
                fresh.first_short_line = line;
            }
            if (!skip_row()) {
                return Status::error;
            }
            continue;
        }
        if (hole) {
            ++fresh.holes;
        } else {
            if (estimate > 0 && xyz.size() == xyz.capacity()) {
                // A little more than the estimate: grow by an eighth, not double, so that the
                // copy the growth makes stays near the points' own size. (Without an estimate
                // the vector doubles as usual.)
                xyz.reserve(xyz.capacity() + xyz.capacity() / 8 + 4096);
            }
            xyz.push_back(p);
        }
        if (fresh.columns == 0) {
            // The first point row: how many columns the file has (counted, not kept).
            std::size_t columns = 3;
            TextField f;
            while (reader.next_in_line(f)) {
                ++columns;
                if (!keep_going()) {
                    return Status::error;
                }
            }
            fresh.columns = columns;
        }
        if (!skip_row()) {
            return Status::error;
        }
    }
    rows = std::move(fresh);
    return Status::ok;
}

} // namespace tengun
