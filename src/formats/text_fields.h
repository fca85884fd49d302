#pragma once
// Splits text into fields the way the point files are written: a field ends at a comma, a blank,
// a line break (CR LF, CR or LF), and also at a tab or a semicolon; leading blanks are skipped; a
// field in double quotes is taken without its quotes and may hold any of those separators.
// Empty fields (two separators in a row, blank lines) are skipped. A UTF-8 byte-order mark at
// the start is ignored. Files that write numbers with a decimal comma ("1,5;2,25;3,125") are read
// with DecimalMark::comma: the comma is then part of a number and no separator.

#include <cstddef>
#include <string_view>

namespace tengun {

/// The character between the whole and the fractional digits of a number.
enum class DecimalMark { point, comma };

struct TextField {
    std::string_view text;
    std::size_t line = 0;   ///< 1-based line of the field's start
    std::size_t index = 0;  ///< 1-based number of the field within its line
    bool quoted = false;
};

/// The field as a decimal number (optional sign, fraction, exponent; blanks that quotes kept
/// around it are ignored): false when it is anything else or not finite.
bool field_number(std::string_view text, double& x);
/// The same with the given decimal mark: with DecimalMark::comma, "1,5" is 1.5 and "1.5" is
/// no number.
bool field_number(std::string_view text, double& x, DecimalMark mark);

class FieldReader {
public:
    /// With `hash_comments`, a line whose first field starts with '#' is skipped whole.
    explicit FieldReader(std::string_view text, bool hash_comments = false);

    /// From here on, numbers are read with `mark` (and a comma separates no fields when it is
    /// DecimalMark::comma).
    void set_decimal_mark(DecimalMark mark);
    [[nodiscard]] DecimalMark decimal_mark() const { return mark_; }

    /// The next non-empty field; false at the end of the text.
    bool next(TextField& field);
    /// Fast path for number streams: when the next field is unquoted and is entirely a finite
    /// decimal number, reads it into `x` and returns Number. Otherwise reads the field as next()
    /// does and returns Field (the caller decides what it is), or End.
    enum class Next { number, field, end };
    Next next_number(double& x, TextField& field);
    /// As next_number, but only within the current line: Next::end at a line break (which
    /// stays unread) as at the end of the text.
    Next next_number_in_line(double& x, TextField& field);
    /// Skips separators, line breaks and comment lines up to the start of the next field;
    /// false at the end of the text. The field's line is then line().
    bool skip_to_field();
    /// The rest of the current line from where the reader stands, without its line break; at
    /// most `max` characters of it.
    [[nodiscard]] std::string_view rest_of_line(std::size_t max = std::string_view::npos) const;
    /// The next `n` characters (fewer at the end of the text), whatever they are.
    [[nodiscard]] std::string_view ahead(std::size_t n) const { return text_.substr(pos_, n); }
    /// The next non-empty field if it starts on the current line; false (consuming nothing of
    /// the next line) at a line break or the end.
    bool next_in_line(TextField& field);
    /// Skips everything up to and including the next line break.
    void skip_line();
    /// Skips at most `max` characters towards the next line break; true when it was reached
    /// (and skipped) or the text ended, false when the line goes on.
    bool skip_line_part(std::size_t max);
    [[nodiscard]] std::size_t line() const { return line_; }
    /// The offset in the text where the reader stands: nothing before it is needed again.
    [[nodiscard]] std::size_t position() const { return pos_; }

private:
    void skip_line_break();
    [[nodiscard]] bool separator(char c) const { return separators_[static_cast<unsigned char>(c)]; }
    Next number_here(double& x, TextField& field, bool in_line);
    bool next_field(TextField& field, bool in_line);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t fields_in_line_ = 0;
    bool hash_comments_ = false;
    DecimalMark mark_ = DecimalMark::point;
    const bool* separators_;  ///< the 256 entries of the separator table for mark_
};

}  // namespace tengun
