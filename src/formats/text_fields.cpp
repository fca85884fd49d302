#include "formats/text_fields.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <system_error>

namespace tengun {

namespace {

constexpr std::array<bool, 256> separators = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {',', ' ', '\t', ';', '\r', '\n'}) {
        table[c] = true;
    }
    return table;
}();

constexpr bool is_separator(char c) { return separators[static_cast<unsigned char>(c)]; }

/// Plain decimals as scanners write them (optional '-', at most 15 digits, an optional fraction,
/// no exponent): the digits make an integer that a double holds exactly, and one division by an
/// exact power of ten then rounds correctly. Anything else is left to from_chars.
bool parse_plain_decimal(const char*& p, const char* end, double& x)
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
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || digits > 15 || (q < end && !is_separator(*q))) {
        return false;  // no digits, too many for the exact path, or an exponent or other text
    }
    const double value = static_cast<double>(mantissa) / powers[static_cast<std::size_t>(fraction)];
    x = negative ? -value : value;
    p = q;
    return true;
}

}  // namespace

bool field_number(std::string_view text, double& x)
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
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    return ec == std::errc{} && end == text.data() + text.size() && std::isfinite(x);
}

FieldReader::FieldReader(std::string_view text, bool hash_comments)
    : text_(text), hash_comments_(hash_comments)
{
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
        pos_ = 3;
    }
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

bool FieldReader::next_in_line(TextField& field)
{
    while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n' &&
           is_separator(text_[pos_])) {
        ++pos_;
    }
    if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n') {
        return false;
    }
    return next(field);
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
        if (is_separator(c)) {
            ++pos_;
            continue;
        }
        if (c != '"' && c != '#' && c != '+') {
            const char* first = text_.data() + pos_;
            const char* last = text_.data() + n;
            const char* plain_end = first;
            if (parse_plain_decimal(plain_end, last, x)) {
                pos_ += static_cast<std::size_t>(plain_end - first);
                ++fields_in_line_;
                return Next::number;
            }
            double value = 0.0;
            const auto [ptr, ec] = std::from_chars(first, last, value);
            if (ec == std::errc{} && (ptr == last || is_separator(*ptr)) && std::isfinite(value)) {
                x = value;
                pos_ += static_cast<std::size_t>(ptr - first);
                ++fields_in_line_;
                return Next::number;
            }
        }
        return next(field) ? Next::field : Next::end;
    }
    return Next::end;
}

bool FieldReader::next(TextField& field)
{
    const std::size_t n = text_.size();
    while (pos_ < n) {
        const char c = text_[pos_];
        if (c == '\r' || c == '\n') {
            skip_line_break();
            continue;
        }
        if (is_separator(c)) {
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
            while (pos_ < n && !is_separator(text_[pos_])) {
                ++pos_;
            }
            if (field.text.empty()) {
                continue;  // "" is an empty field
            }
        } else {
            const std::size_t start = pos_;
            while (pos_ < n && !is_separator(text_[pos_])) {
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
