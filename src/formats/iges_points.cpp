#include "formats/iges_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "formats/shown_text.h"

namespace tengun {

namespace {

constexpr std::size_t record_length = 80;
constexpr std::size_t section_column = 72;    // 0-based: column 73
constexpr std::size_t global_columns = 72;    // data columns of the Start and Global lines
constexpr std::size_t parameter_columns = 64; // data columns of a Parameter Data line
constexpr int line_entity = 110;

struct Line {
    std::string_view text;
    std::size_t number = 0; // 1-based line of the file
};

/// The lines of the text (CR LF, LF or CR ends), blank lines left out. A text without any line
/// break whose length is a multiple of 80 is taken as unbroken 80-column records.
std::vector<Line> split_lines(std::string_view text)
{
    std::vector<Line> lines;
    const auto keep = [&lines](std::string_view s, std::size_t number) {
        if (s.find_first_not_of(" \t") != std::string_view::npos) {
            lines.push_back({s, number});
        }
    };
    if (text.find_first_of("\r\n") == std::string_view::npos && !text.empty() &&
        text.size() % record_length == 0) {
        for (std::size_t k = 0; k < text.size(); k += record_length) {
            keep(text.substr(k, record_length), k / record_length + 1);
        }
        return lines;
    }
    std::size_t start = 0;
    std::size_t number = 1;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        keep(text.substr(start, end - start), number);
        ++number;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

struct Delimiters {
    char parameter = ',';
    char record = ';';
};

/// The first two Global parameters name the delimiters as one-character Hollerith constants
/// ("1H,") or leave them empty for the defaults.
Delimiters read_delimiters(std::string_view g)
{
    Delimiters d;
    std::size_t k = g.find_first_not_of(' ');
    if (k == std::string_view::npos) {
        return d;
    }
    if (g.substr(k, 2) == "1H" && k + 2 < g.size()) {
        d.parameter = g[k + 2];
        k += 3;
    }
    if (k < g.size() && g[k] == d.parameter) {
        ++k;
    }
    while (k < g.size() && g[k] == ' ') {
        ++k;
    }
    if (g.substr(k, 2) == "1H" && k + 2 < g.size()) {
        d.record = g[k + 2];
    }
    if (d.parameter == d.record || d.parameter == ' ' || d.record == ' ') {
        d = {};
    }
    return d;
}

/// A number field of a parameter record: blanks anywhere are ignored, "D" is an exponent as
/// "E" is, an empty field is the default 0.
bool iges_number(std::string_view field, double& x)
{
    std::string s;
    s.reserve(field.size());
    for (const char c : field) {
        if (c == ' ') {
            continue;
        }
        s += (c == 'D' || c == 'd') ? 'E' : c;
    }
    if (s.empty()) {
        x = 0.0;
        return true;
    }
    const char* first = s.data();
    if (*first == '+') {
        ++first;
    }
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), x);
    return ec == std::errc{} && end == s.data() + s.size() && std::isfinite(x);
}

/// Walks the parameter records of the Parameter Data text (columns 1 to 64 of every P line,
/// one after another). A record starts on a fresh line and ends at the record delimiter; the
/// rest of that line is not data.
class RecordReader {
public:
    RecordReader(std::string_view text, Delimiters d) : text_(text), d_(d) {}

    /// Starts the next record; false when no record is left.
    bool next_record()
    {
        if (pos_ > 0) {
            pos_ = (pos_ + parameter_columns - 1) / parameter_columns * parameter_columns;
        }
        while (pos_ < text_.size() && text_[pos_] == ' ') {
            ++pos_;
        }
        record_start_ = pos_;
        in_record_ = pos_ < text_.size();
        return in_record_;
    }

    /// The next field of the current record (a Hollerith constant's characters without its
    /// count); false at the end of the record. `truncated()` tells whether the text ended first.
    bool next_field(std::string_view& field, std::size_t& offset)
    {
        if (!in_record_) {
            return false;
        }
        while (pos_ < text_.size() && text_[pos_] == ' ') {
            ++pos_;
        }
        offset = pos_;
        std::size_t digits = pos_;
        while (digits < text_.size() && text_[digits] >= '0' && text_[digits] <= '9') {
            ++digits;
        }
        std::size_t end = 0;
        if (digits > pos_ && digits < text_.size() && text_[digits] == 'H') {
            std::size_t n = 0;
            std::from_chars(text_.data() + pos_, text_.data() + digits, n);
            const std::size_t start = digits + 1;
            n = std::min(n, text_.size() - start);
            field = text_.substr(start, n);
            end = start + n;
            while (end < text_.size() && text_[end] != d_.parameter && text_[end] != d_.record) {
                ++end;
            }
        } else {
            end = pos_;
            while (end < text_.size() && text_[end] != d_.parameter && text_[end] != d_.record) {
                ++end;
            }
            field = text_.substr(pos_, end - pos_);
        }
        if (end >= text_.size()) {
            truncated_ = true;
            in_record_ = false;
            pos_ = text_.size();
            return true;
        }
        in_record_ = text_[end] == d_.parameter;
        pos_ = end + 1;
        return true;
    }

    /// Skips the remaining fields of the current record.
    void finish_record()
    {
        std::string_view f;
        std::size_t offset = 0;
        while (next_field(f, offset)) {
        }
    }

    [[nodiscard]] bool truncated() const { return truncated_; }
    [[nodiscard]] std::size_t record_start() const { return record_start_; }

private:
    std::string_view text_;
    Delimiters d_;
    std::size_t pos_ = 0;
    std::size_t record_start_ = 0;
    bool in_record_ = false;
    bool truncated_ = false;
};

// ---- files without section letters ---------------------------------------------------------
// Hand-made files and simple exporters write the Directory Entry and Parameter Data lines with
// a sequence number at their end but no section letter, or lines of any length. Such a file is
// read as a stream of tokens (fields separated by blanks, commas and line breaks): the
// directory entries are skipped as the token layout marks them, then the parameter records are
// taken up to their ";" and only records whose first token is 110 are lines. Within a record,
// the tokens of a line after its last delimiter are that line's pointer and sequence fields and
// not data, so a record split anywhere keeps its real coordinates.

struct Token {
    std::string_view text;
    char after = '\0';    // ',' or ';' when the field ends at a delimiter, else '\0'
    std::size_t line = 0; // index into the lines
};

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::vector<Token> line_tokens(const std::vector<Line>& lines, std::vector<std::size_t>& first)
{
    std::vector<Token> tokens;
    first.assign(lines.size() + 1, 0);
    for (std::size_t li = 0; li < lines.size(); ++li) {
        first[li] = tokens.size();
        const std::string_view t = lines[li].text;
        std::size_t k = 0;
        while (k < t.size()) {
            const char c = t[k];
            if (is_blank(c)) {
                ++k;
            } else if (c == ',' || c == ';') {
                // A delimiter ends the field before it; two in a row hold an empty field.
                if (tokens.size() > first[li] && tokens.back().after == '\0') {
                    tokens.back().after = c;
                } else {
                    tokens.push_back({t.substr(k, 0), c, li});
                }
                ++k;
            } else {
                const std::size_t start = k;
                while (k < t.size() && !is_blank(t[k]) && t[k] != ',' && t[k] != ';') {
                    ++k;
                }
                tokens.push_back({t.substr(start, k - start), '\0', li});
            }
        }
    }
    first[lines.size()] = tokens.size();
    return tokens;
}

bool token_is(const Token& t, double value)
{
    double x = 0.0;
    return !t.text.empty() && iges_number(t.text, x) && x == value;
}

bool whole_number(const Token& t)
{
    double x = 0.0;
    return !t.text.empty() && iges_number(t.text, x) && x == std::floor(x);
}

/// A directory entry line: fields separated by blanks only, and every one of them an integer
/// or a name (no decimal point), where parameter lines hold delimiters and real numbers.
bool directory_line(const std::vector<Token>& tokens, const std::vector<std::size_t>& first,
                    std::size_t li)
{
    if (first[li] == first[li + 1]) {
        return false;
    }
    for (std::size_t k = first[li]; k < first[li + 1]; ++k) {
        if (tokens[k].after != '\0' || tokens[k].text.find('.') != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

/// The first 110 that starts a line outside the directory entries.
std::size_t first_line_record(const std::vector<Token>& tokens,
                              const std::vector<std::size_t>& first)
{
    for (std::size_t j = 0; j < tokens.size(); ++j) {
        const std::size_t li = tokens[j].line;
        if (first[li] == j && token_is(tokens[j], line_entity) &&
            !directory_line(tokens, first, li)) {
            return j;
        }
    }
    return tokens.size();
}

/// Lines by the token positions alone, for a text without any record delimiter: after the
/// 110 come x1, y1, z1, x2, then y2 and one inserted whole-number token in either order, then
/// z2. A line's start point counts only when it differs from the previous end point.
Status letterless_positions(const std::vector<Token>& tokens, std::size_t t,
                            const std::vector<Line>& lines, PointCloud& fresh, ReadError& error)
{
    Vec3 previous_end{0.0, 0.0, 0.0};
    while (t < tokens.size()) {
        if (!token_is(tokens[t], line_entity)) {
            ++t;
            continue;
        }
        if (t + 7 >= tokens.size()) {
            break; // the last record runs past the end of the text
        }
        double v[7] = {};
        for (int k = 0; k < 7; ++k) {
            if (!iges_number(tokens[t + 1 + k].text, v[k])) {
                error = {"線分（110）の座標「" + shown_text(tokens[t + 1 + k].text) +
                             "」は数値ではありません",
                         lines[tokens[t + 1 + k].line].number};
                return Status::error;
            }
        }
        const Vec3 start{v[0], v[1], v[2]};
        if (start != previous_end) {
            fresh.add(start);
        }
        // The inserted token ends its line, which tells it from y2; where the lines do not tell,
        // the whole number is the inserted one.
        Vec3 end{};
        if (tokens[t + 6].line != tokens[t + 7].line) {
            end = {v[3], v[4], v[6]};
        } else if (tokens[t + 5].line != tokens[t + 6].line || whole_number(tokens[t + 5])) {
            end = {v[3], v[5], v[6]};
        } else {
            end = {v[3], v[4], v[6]};
        }
        fresh.add(end);
        previous_end = end;
        t += 8;
    }
    return Status::ok;
}

Status read_letterless(const std::vector<Line>& lines, PointCloud& cloud, ReadError& error)
{
    std::vector<std::size_t> first;
    const std::vector<Token> tokens = line_tokens(lines, first);
    const bool has_records =
        std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.after == ';'; });
    const std::size_t j = first_line_record(tokens, first);
    if (!has_records && j == tokens.size()) {
        error = {"IGESファイル（80桁固定形式）ではありません", lines.empty() ? 0 : lines[0].number};
        return Status::error;
    }
    PointCloud fresh;
    if (j == tokens.size()) {
        cloud = std::move(fresh); // no line entity
        return Status::ok;
    }
    if (!has_records) {
        if (letterless_positions(tokens, j, lines, fresh, error) == Status::error) {
            return Status::error;
        }
        cloud = std::move(fresh);
        return Status::ok;
    }
    // Records start at the beginning of a line, the first one after the directory entries (a
    // record that merely continues on a line starting with 110 is not taken for a line).
    std::size_t p_line = tokens[j].line;
    while (p_line > 0 && !directory_line(tokens, first, p_line - 1)) {
        --p_line;
    }
    Vec3 previous_end{0.0, 0.0, 0.0};
    std::size_t t = first[p_line];
    while (t < tokens.size()) {
        // One record: its data fields up to the ";", the tail of each of its lines left out.
        std::vector<const Token*> data;
        std::vector<std::size_t> line_ends; // last field of each line without a delimiter
        const std::size_t record_line = tokens[t].line;
        bool ended = false;
        while (t < tokens.size() && !ended) {
            const std::size_t li = tokens[t].line;
            std::size_t last = first[li + 1]; // one past the line's last delimited field
            for (std::size_t k = t; k < first[li + 1]; ++k) {
                if (tokens[k].after != '\0') {
                    last = k + 1;
                    if (tokens[k].after == ';') {
                        ended = true;
                        break;
                    }
                }
            }
            if (last == first[li + 1] && !ended) {
                // No delimiter on this line: blank-separated fields, all data but perhaps the
                // sequence number at its end (decided by the count below).
                for (std::size_t k = t; k < first[li + 1]; ++k) {
                    data.push_back(&tokens[k]);
                }
                if (t < first[li + 1]) {
                    line_ends.push_back(data.size() - 1);
                }
            } else {
                for (std::size_t k = t; k < last; ++k) {
                    data.push_back(&tokens[k]);
                }
            }
            t = first[li + 1];
        }
        if (data.empty() || !token_is(*data[0], line_entity)) {
            continue;
        }
        if (!ended) {
            error = {"ファイルが途中で終わっています（パラメータデータの記録が区切り文字で終わって"
                     "いません）",
                     lines[record_line].number};
            return Status::error;
        }
        if (data.size() == 7 + line_ends.size()) {
            // Exactly one extra token per blank-separated line: its sequence number.
            for (auto k = line_ends.rbegin(); k != line_ends.rend(); ++k) {
                data.erase(data.begin() + static_cast<std::ptrdiff_t>(*k));
            }
        }
        if (data.size() < 7) {
            error = {"線分（110）の座標が６つありません", lines[record_line].number};
            return Status::error;
        }
        double c[6] = {};
        for (int k = 0; k < 6; ++k) {
            const Token& f = *data[1 + static_cast<std::size_t>(k)];
            if (!iges_number(f.text, c[k])) {
                error = {"線分（110）の座標「" + shown_text(f.text) +
                             "」は数値ではありません",
                         lines[f.line].number};
                return Status::error;
            }
        }
        const Vec3 start{c[0], c[1], c[2]};
        const Vec3 end{c[3], c[4], c[5]};
        if (start != previous_end) {
            fresh.add(start);
        }
        fresh.add(end);
        previous_end = end;
    }
    cloud = std::move(fresh);
    return Status::ok;
}

} // namespace

Status read_iges_points(std::string_view text, PointCloud& cloud, ReadError& error)
{
    const std::vector<Line> lines = split_lines(text);
    std::string global;
    std::string parameters;
    std::vector<std::size_t> parameter_lines; // file line of each 64-column chunk
    bool terminated = false;
    const auto section_of = [](const Line& line) {
        return line.text.size() > section_column ? line.text[section_column] : '\0';
    };
    if (!lines.empty() &&
        std::string_view("SGDPTCB").find(section_of(lines[0])) == std::string_view::npos) {
        return read_letterless(lines, cloud, error);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const char section = section_of(line);
        if (i == 0 && (section == 'C' || section == 'B')) {
            error = {"圧縮形式・バイナリ形式のIGESファイルには対応していません", line.number};
            return Status::error;
        }
        if (section != 'S' && section != 'G' && section != 'D' && section != 'P' &&
            section != 'T') {
            error = {i == 0 ? "IGESファイル（80桁固定形式）ではありません"
                            : "73桁目に区分の文字（S、G、D、P、T）がありません",
                     line.number};
            return Status::error;
        }
        if (section == 'G') {
            global += line.text.substr(0, global_columns);
        } else if (section == 'P') {
            std::string data(line.text.substr(0, parameter_columns));
            data.resize(parameter_columns, ' ');
            parameters += data;
            parameter_lines.push_back(line.number);
        } else if (section == 'T') {
            terminated = true;
        }
    }
    if (!terminated) {
        error = {"ファイルが途中で終わっています（終了セクション T がありません）"};
        return Status::error;
    }

    const auto line_at = [&parameter_lines](std::size_t offset) {
        return parameter_lines[std::min(offset / parameter_columns, parameter_lines.size() - 1)];
    };
    RecordReader records(parameters, read_delimiters(global));
    PointCloud fresh;
    Vec3 previous_end{0.0, 0.0, 0.0};
    while (records.next_record()) {
        std::string_view field;
        std::size_t offset = 0;
        double type = 0.0;
        if (!records.next_field(field, offset) || !iges_number(field, type) ||
            type != line_entity) {
            records.finish_record();
        } else {
            double c[6] = {};
            for (double& value : c) {
                if (!records.next_field(field, offset)) {
                    if (records.truncated()) {
                        break; // reported below
                    }
                    error = {"線分（110）の座標が６つありません", line_at(records.record_start())};
                    return Status::error;
                }
                if (!iges_number(field, value)) {
                    error = {"線分（110）の座標「" + shown_text(field) + "」は数値ではありません",
                             line_at(offset)};
                    return Status::error;
                }
            }
            records.finish_record();
            if (records.truncated()) {
                break;
            }
            const Vec3 start{c[0], c[1], c[2]};
            const Vec3 end{c[3], c[4], c[5]};
            if (start != previous_end) {
                fresh.add(start);
            }
            fresh.add(end);
            previous_end = end;
        }
        if (records.truncated()) {
            break;
        }
    }
    if (records.truncated()) {
        error = {"ファイルが途中で終わっています（パラメータデータの記録が区切り文字で終わっていま"
                 "せん）",
                 line_at(records.record_start())};
        return Status::error;
    }
    cloud = std::move(fresh);
    return Status::ok;
}

} // namespace tengun
