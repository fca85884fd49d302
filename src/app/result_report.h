#pragma once
// The current analysis as a report for files and the clipboard: the source file, the point
// count, the kind, every parameter with its meaning, the standard deviation with its definition,
// the worst point, the date and the program version. Written as UTF-8 text, JSON, CSV (one
// header row of keys and one value row) or tab-separated rows for the clipboard. Numbers carry
// 17 significant digits, so every double reads back to exactly the value held.

#include <string>
#include <vector>

#include "app/program_state.h"

namespace tengun {

/// One value of the report.
struct ResultItem {
    enum class Shape { text, number, vector, list };
    std::string key;     ///< ASCII name: the JSON key and, with "_x" ... for vectors, CSV column
    std::string label;   ///< Japanese name (text form and clipboard header)
    std::string meaning; ///< what the value is; empty for the obvious ones
    Shape shape = Shape::text;
    std::vector<double> numbers; ///< number: one; vector: x, y, z; list: any count
    std::string text;            ///< text only
    bool whole = false;          ///< numbers are counts: written without a fraction
};

struct ResultReport {
    std::vector<ResultItem> items;
};

/// The report of state's current analysis (analysis_kind 1..8 whose results the state holds:
/// fitted_kind equal to it). `date` and `version` are written as given. Returns false with the
/// reason in `why` (a message for the user) when there is no such result; `out` is then unchanged.
bool build_result_report(const FormState& state, const std::string& date,
                         const std::string& version, ResultReport& out, std::string& why);

/// Column names of the CSV form: the key, or key_x/key_y/key_z for a vector, key_0 ... for a
/// list.
std::vector<std::string> result_columns(const ResultItem& item);
/// The number as the files write it: 17 significant digits ("0.10000000000000001"), counts as
/// integers, "nan"/"inf"/"-inf" for values that are not finite.
std::string full_precision(double x, bool whole = false);

/// "label（key）: values" lines, each followed by its meaning indented.
std::string result_text(const ResultReport& report);
/// One object: each key with its number, array or string (null for a number that is not
/// finite), then "meanings": {key: meaning}.
std::string result_json(const ResultReport& report);
/// Header row of column names and one row of values, comma separated (RFC 4180 quoting).
std::string result_csv(const ResultReport& report);
/// Header row (labels, with X/Y/Z for vectors) and one row of values, tab separated, for
/// pasting into a spreadsheet; tabs and line breaks inside texts become blanks.
std::string result_tsv(const ResultReport& report);

} // namespace tengun
