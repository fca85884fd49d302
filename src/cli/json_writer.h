#pragma once
// A small streaming JSON writer for tengun-cli's report: commas and nesting are tracked, strings
// are escaped, numbers keep every digit of a double.

#include <string>
#include <string_view>
#include <vector>

namespace tengun::cli {

/// `text` as a quoted JSON string: `"` and `\` escaped, control characters as \n, \t, ... or
/// \u00XX, valid UTF-8 passed through, every byte of an invalid UTF-8 sequence as U+FFFD.
std::string json_quote(std::string_view text);

/// A double as a JSON number with 17 significant digits (round-trips exactly); NaN and the
/// infinities, which JSON cannot hold, as null. Independent of the C locale.
std::string json_number(double x);

class JsonWriter {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    /// The name of the next value inside an object.
    void key(std::string_view name);

    void string(std::string_view text);
    void number(double x);
    void integer(long long n);
    void boolean(bool b);
    void null();

    /// The document written so far.
    [[nodiscard]] const std::string& text() const { return out_; }

private:
    void before_value();

    std::string out_;
    std::vector<bool> first_in_level_;  // one entry per open object or array
    bool after_key_ = false;
};

}  // namespace tengun::cli
