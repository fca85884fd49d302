#include "cli/json_writer.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace tengun::cli {

namespace {

/// Length of the valid UTF-8 sequence starting at `s[i]`, or 0 when it is not one (overlong
/// forms, surrogates and code points above U+10FFFF are invalid too).
std::size_t utf8_sequence_length(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (b0 < 0x80) {
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
        cp = b0 & 0x1FU;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        cp = b0 & 0x0FU;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        cp = b0 & 0x07U;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0U) != 0x80U) {
            return 0;
        }
        cp = (cp << 6U) | (byte(i + k) & 0x3FU);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF) {
        return 0;
    }
    return n;
}

}  // namespace

std::string json_quote(std::string_view text)
{
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD
    static constexpr std::array<char, 16> hex{'0', '1', '2', '3', '4', '5', '6', '7',
                                              '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = utf8_sequence_length(text, i);
            if (n == 0) {
                out += replacement;
                ++i;
            } else {
                out += text.substr(i, n);
                i += n;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4U];
                out += hex[c & 0x0FU];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string json_number(double x)
{
    if (!std::isfinite(x)) {
        return "null";
    }
    std::array<char, 40> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                         std::chars_format::general, 17);
    assert(ec == std::errc{} && "40 characters hold any double with 17 digits");
    return {buffer.data(), end};
}

void JsonWriter::before_value()
{
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_in_level_.empty()) {
        if (!first_in_level_.back()) {
            out_ += ',';
        }
        first_in_level_.back() = false;
    }
}

void JsonWriter::begin_object()
{
    before_value();
    out_ += '{';
    first_in_level_.push_back(true);
}

void JsonWriter::end_object()
{
    assert(!first_in_level_.empty() && !after_key_ && "an open object without a dangling key");
    first_in_level_.pop_back();
    out_ += '}';
}

void JsonWriter::begin_array()
{
    before_value();
    out_ += '[';
    first_in_level_.push_back(true);
}

void JsonWriter::end_array()
{
    assert(!first_in_level_.empty() && !after_key_ && "an open array");
    first_in_level_.pop_back();
    out_ += ']';
}

void JsonWriter::key(std::string_view name)
{
    assert(!after_key_ && "a value after the previous key");
    before_value();
    out_ += json_quote(name);
    out_ += ':';
    after_key_ = true;
}

void JsonWriter::string(std::string_view text)
{
    before_value();
    out_ += json_quote(text);
}

void JsonWriter::number(double x)
{
    before_value();
    out_ += json_number(x);
}

void JsonWriter::integer(long long n)
{
    before_value();
    out_ += std::to_string(n);
}

void JsonWriter::boolean(bool b)
{
    before_value();
    out_ += b ? "true" : "false";
}

void JsonWriter::null()
{
    before_value();
    out_ += "null";
}

}  // namespace tengun::cli
