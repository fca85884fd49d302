#pragma once
// Numbers as the result fields show them, and numbers typed into fields.

#include <string>
#include <string_view>

namespace tengun {

/// Default text form of a double: up to 15 significant digits, trailing zeros dropped,
/// exponent form for very small or large values ("0.0001", "1E-05", "1E+15", "-2.5").
std::string format_number(double x);

/// `x` with exactly `decimals` digits after the point ("1.25", "83.4", "12" for 0), rounded to
/// nearest; always a decimal point, whatever the C or C++ locale says.
std::string fixed_number(double x, int decimals);

/// Reads a whole field as a number (blanks around it allowed, a decimal point, an exponent).
/// Returns false, leaving `x` unchanged, when the text is empty or not entirely a number.
bool parse_number(std::string_view text, double& x);

}  // namespace tengun
