#pragma once
// Numbers as the result fields show them, and numbers typed into fields.

#include <string>
#include <string_view>

namespace tengun {

/// Default text form of a double: up to 15 significant digits, trailing zeros dropped,
/// exponent form for very small or large values ("0.0001", "1E-05", "1E+15", "-2.5").
std::string format_number(double x);

/// Reads a whole field as a number (blanks around it allowed, a decimal point, an exponent).
/// Returns false, leaving `x` unchanged, when the text is empty or not entirely a number.
bool parse_number(std::string_view text, double& x);

}  // namespace tengun
