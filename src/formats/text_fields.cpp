#include "formats/text_fields.h"

#include <array>
#include <charconv>
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

}  // namespace

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
