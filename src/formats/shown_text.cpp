#include "formats/shown_text.h"

#include <cstdint>

namespace tengun {

namespace {

/// The length of the well-formed UTF-8 sequence at text[k], 0 when there is none.
std::size_t sequence_length(std::string_view text, std::size_t k)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = byte(k);
    if (c < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        code = c & 0x07u;
    } else {
        return 0;
    }
    if (k + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(k + i) & 0xC0u) != 0x80u) {
            return 0;
        }
        code = (code << 6u) | (byte(k + i) & 0x3Fu);
    }
    const std::uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

std::string shown_text(std::string_view text, std::size_t max_chars)
{
    constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD
    std::string out;
    std::size_t k = 0;
    for (std::size_t chars = 0; k < text.size() && chars < max_chars; ++chars) {
        const std::size_t length = sequence_length(text, k);
        const auto c = static_cast<unsigned char>(text[k]);
        if (length == 0 || c < 0x20 || c == 0x7F) {
            out += replacement;
            ++k;
        } else {
            out.append(text.substr(k, length));
            k += length;
        }
    }
    if (k < text.size()) {
        out += "…";
    }
    return out;
}

} // namespace tengun
