#include "cli/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace tengun::cli {
namespace {

struct QuoteCase {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const QuoteCase& c, std::ostream* os)
{
    *os << c.name;
}

class json_quote_cases : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(json_quote_cases, escapes_as_json_requires)
{
    EXPECT_EQ(json_quote(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    json_quote, json_quote_cases,
    ::testing::Values(
        QuoteCase{"empty", "", R"("")"}, QuoteCase{"plain", "Text1(0)", R"j("Text1(0)")j"},
        QuoteCase{"quote_and_backslash", R"(a"b\c)", R"("a\"b\\c")"},
        QuoteCase{"short_escapes", "\b\f\n\r\t", R"("\b\f\n\r\t")"},
        QuoteCase{"other_controls", std::string("\x01\x1f\0", 3), R"("\u0001\u001f\u0000")"},
        QuoteCase{"slash_and_del_unchanged", "/\x7f", "\"/\x7f\""},
        QuoteCase{"japanese_passes_through", "３次元表示", "\"３次元表示\""},
        QuoteCase{"four_byte_passes_through", "\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
        QuoteCase{"stray_continuation", "a\x80z", "\"a\xEF\xBF\xBDz\""},
        QuoteCase{"latin1_byte", "caf\xE9", "\"caf\xEF\xBF\xBD\""},
        QuoteCase{"truncated_at_end", "\xE3\x81", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"truncated_before_ascii",
                  "\xE3\x81"
                  "A",
                  "\"\xEF\xBF\xBD\xEF\xBF\xBD"
                  "A\""},
        QuoteCase{"overlong_slash", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"overlong_three_byte", "\xE0\x80\xAF",
                  "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"beyond_unicode", "\xF4\x90\x80\x80",
                  "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}),
    [](const ::testing::TestParamInfo<QuoteCase>& info) { return std::string(info.param.name); });

TEST(json_number, round_trips_every_digit)
{
    const std::vector<double> values{0.1,
                                     -45.0,
                                     1.0 / 3.0,
                                     1e-300,
                                     -2.5e300,
                                     4.9e-324,
                                     1e21,
                                     123456789012345678.0,
                                     std::numeric_limits<double>::max()};
    for (const double x : values) {
        SCOPED_TRACE(x);
        const std::string text = json_number(x);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
        EXPECT_EQ(text.find_first_of(", "), std::string::npos) << text;
    }
    EXPECT_EQ(json_number(0.0), "0");
    EXPECT_EQ(json_number(-45.0), "-45");
    EXPECT_EQ(json_number(0.1), "0.10000000000000001");
}

TEST(json_number, non_finite_values_are_null)
{
    EXPECT_EQ(json_number(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(json_number(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(json_number(-std::numeric_limits<double>::infinity()), "null");
}

}  // namespace
}  // namespace tengun::cli
