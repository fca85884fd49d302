#include "formats/text_fields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <system_error>

namespace tengun {

namespace {

constexpr std::array<bool, 256> separator_table(bool comma)
{
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', ';', '\r', '\n'}) {
        table[c] = true;
    }
    table[static_cast<unsigned char>(',')] = comma;
    return table;
}

constexpr std::array<bool, 256> separators = separator_table(true);
// With a decimal comma the comma belongs to the number.
constexpr std::array<bool, 256> separators_decimal_comma = separator_table(false);


/// Plain decimals as scanners write them (optional '-', at most 15 digits, an optional fraction,
/// no exponent): the digits make an integer that a double holds exactly, and one division by an
/// exact power of ten then rounds correctly. Anything else is left to from_chars. `decimal` is
/// the decimal mark, `table` the separators that may follow the number.
bool parse_plain_decimal(const char*& p, const char* end, double& x, char decimal,
                         const bool* table)
{
    static constexpr std::array<double, 16> powers{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (negative) {
        ++q;
    }
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    bool point = false;
    for (; q < end; ++q) {
        const char c = *q;
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            fraction += point ? 1 : 0;
        } else if (c == decimal && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || digits > 15 || (q < end && !table[static_cast<unsigned char>(*q)])) {
        return false;  // no digits, too many for the exact path, or an exponent or other text
    }
    const double value = static_cast<double>(mantissa) / powers[static_cast<std::size_t>(fraction)];
    x = negative ? -value : value;
    p = q;
    return true;
}

/// from_chars over a number written with a decimal comma: the comma becomes a point in a copy
/// (a number longer than any double needs is no number here). A point is no decimal mark then.
std::from_chars_result from_chars_comma(const char* first, const char* last, double& x)
{
    std::array<char, 400> copy{};
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(last - first), copy.size());
    for (std::size_t k = 0; k < n; ++k) {
        const char c = first[k];
        copy[k] = c == ',' ? '.' : c == '.' ? ',' : c;
    }
    const auto result = std::from_chars(copy.data(), copy.data() + n, x);
    return {first + (result.ptr - copy.data()), result.ec};
}

}  // namespace

bool field_number(std::string_view text, double& x, DecimalMark mark)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);  // blanks inside quotes
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, ec] = mark == DecimalMark::comma ? from_chars_comma(first, last, x)
                                                      : std::from_chars(first, last, x);
    return ec == std::errc{} && end == last && std::isfinite(x);
}

bool field_number(std::string_view text, double& x)
{
    return field_number(text, x, DecimalMark::point);
}

FieldReader::FieldReader(std::string_view text, bool hash_comments)
    : text_(text), hash_comments_(hash_comments), separators_(separators.data())
{
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
        pos_ = 3;
    }
}

void FieldReader::set_decimal_mark(DecimalMark mark)
{
    mark_ = mark;
    separators_ = mark == DecimalMark::comma ? separators_decimal_comma.data() : separators.data();
}

void FieldReader::skip_line_break()
{
    // CR LF counts as one break, CR and LF alone as one each.
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
        ++pos_;
    }
    ++pos_;
    ++line_;
    fields_in_line_ = 0;
}

void FieldReader::skip_line()
{
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            skip_line_break();
            return;
        }
        ++pos_;
    }
}

bool FieldReader::skip_to_field()
{
    const std::size_t n = text_.size();
    while (pos_ < n) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            skip_line_break();
        } else if (separator(c)) {
            ++pos_;
        } else if (c == '#' && hash_comments_ && fields_in_line_ == 0) {
            skip_line();
        } else {
            return true;
        }
    }
    return false;
}

std::string_view FieldReader::rest_of_line(std::size_t max) const
{
    const std::string_view rest = text_.substr(pos_, max);
    return rest.substr(0, rest.find_first_of("\r\n"));
}

bool FieldReader::skip_line_part(std::size_t max)
{
    const std::size_t stop = max < text_.size() - pos_ ? pos_ + max : text_.size();
    while (pos_ < stop) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            skip_line_break();
            return true;
        }
        ++pos_;
    }
    return pos_ == text_.size();
}

bool FieldReader::next_in_line(TextField& field)
{
    while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n' &&
           separator(text_[pos_])) {
        ++pos_;
    }
    if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n') {
        return false;
    }
    return next_field(field, true);
}

FieldReader::Next FieldReader::number_here(double& x, TextField& field, bool in_line)
{
    const char c = text_[pos_];
    if (c != '"' && c != '#' && c != '+') {
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        const char* plain_end = first;
        const bool comma = mark_ == DecimalMark::comma;
        const bool* table = separators_;
        if (parse_plain_decimal(plain_end, last, x, comma ? ',' : '.', table)) {
            pos_ += static_cast<std::size_t>(plain_end - first);
            ++fields_in_line_;
            return Next::number;
        }
        double value = 0.0;
        const auto [ptr, ec] =
            comma ? from_chars_comma(first, last, value) : std::from_chars(first, last, value);
        if (ec == std::errc{} && (ptr == last || table[static_cast<unsigned char>(*ptr)]) &&
            std::isfinite(value)) {
            x = value;
            pos_ += static_cast<std::size_t>(ptr - first);
            ++fields_in_line_;
            return Next::number;
        }
    }
    return next_field(field, in_line) ? Next::field : Next::end;
}

FieldReader::Next FieldReader::next_number(double& x, TextField& field)
{
    const std::size_t n = text_.size();
    while (pos_ < n) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            skip_line_break();
            continue;
        }
        if (separator(c)) {
            ++pos_;
            continue;
        }
        return number_here(x, field, false);
    }
    return Next::end;
}

FieldReader::Next FieldReader::next_number_in_line(double& x, TextField& field)
{
    const std::size_t n = text_.size();
    while (pos_ < n) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            return Next::end;
        }
        if (separator(c)) {
            ++pos_;
            continue;
        }
        return number_here(x, field, true);
    }
    return Next::end;
}

bool FieldReader::next(TextField& field) { return next_field(field, false); }

bool FieldReader::next_field(TextField& field, bool in_line)
{
    const std::size_t n = text_.size();
    while (pos_ < n) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            if (in_line) {
                return false;  // an empty quoted field ended the line's fields
            }
            skip_line_break();
            continue;
        }
        if (separator(c)) {
            ++pos_;
            continue;
        }
        if (c == '#' && hash_comments_ && fields_in_line_ == 0) {
            skip_line();
            continue;
        }
        field.line = line_;
        if (c == '"') {
            const std::size_t start = pos_ + 1;
            std::size_t end = start;
            while (end < n && text_[end] != '"') {
                if (text_[end] == '\n' || (text_[end] == '\r')) {
                    ++line_;  // a quoted field may run over a line break
                    if (text_[end] == '\r' && end + 1 < n && text_[end + 1] == '\n') {
                        ++end;
                    }
                }
                ++end;
            }
            field.text = text_.substr(start, end - start);
            field.quoted = true;
            pos_ = end < n ? end + 1 : n;
            // Anything between the closing quote and the next separator belongs to no field.
            while (pos_ < n && !separator(text_[pos_])) {
                ++pos_;
            }
            if (field.text.empty()) {
                continue;  // "" is an empty field
            }
        } else {
            const std::size_t start = pos_;
            while (pos_ < n && !separator(text_[pos_])) {
                ++pos_;
            }
            field.text = text_.substr(start, pos_ - start);
            field.quoted = false;
        }
        if (field.line != line_) {
            fields_in_line_ = 0;  // a quoted field ran over a break: the next line starts fresh
        }
        field.index = ++fields_in_line_;
        return true;
    }
    return false;
}

}  // namespace tengun
