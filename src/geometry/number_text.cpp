#include "geometry/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace tengun {

std::string format_number(double x)
{
    if (std::isnan(x)) {
        return "NaN";
    }
    if (std::isinf(x)) {
        return x > 0 ? "Infinity" : "-Infinity";
    }
    if (x == 0.0) {
        return "0";  // also for -0
    }
    // %.15G, by the locale-free formatter: up to 15 significant digits, E with a sign and at
    // least two exponent digits.
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x,
                                      std::chars_format::general, 15);
    for (char* c = buffer; c != result.ptr; ++c) {
        if (*c == 'e') {
            *c = 'E';
        }
    }
    return {buffer, result.ptr};
}

std::string fixed_number(double x, int decimals)
{
    char buffer[400];  // room for the largest double in fixed form
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) {
        return format_number(x);
    }
    return {buffer, result.ptr};
}

bool parse_number(std::string_view text, double& x)
{
    const auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return false;
    }
    x = value;
    return true;
}

}  // namespace tengun
