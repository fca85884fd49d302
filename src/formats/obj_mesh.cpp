#include "formats/obj_mesh.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "formats/shown_text.h"

namespace tengun {

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}
bool is_break(char c)
{
    return c == '\r' || c == '\n';
}

/// The tokens of one statement at a time: a statement runs to the end of its line, or on over
/// a line break that a backslash precedes.
class Statements {
public:
    explicit Statements(std::string_view text) : text_(text) {}

    /// The next token of the current statement; false at its end.
    bool next(std::string_view& token)
    {
        if (!skip_blanks()) {
            return false;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !is_blank(text_[pos_]) && !is_break(text_[pos_]) &&
               !continues(pos_)) {
            ++pos_;
        }
        token = text_.substr(start, pos_ - start);
        ++field_;
        return true;
    }

    /// Skips the rest of the statement and its line break; false at the end of the text.
    bool next_statement()
    {
        std::string_view ignored;
        while (next(ignored)) {
        }
        if (pos_ == text_.size()) {
            return false;
        }
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
            ++pos_;
        }
        ++pos_;
        ++line_;
        field_ = 0;
        return pos_ < text_.size();
    }

    [[nodiscard]] std::size_t line() const { return line_; }
    [[nodiscard]] std::size_t field() const { return field_; }

private:
    /// A backslash right before a line break (or the end of the text).
    [[nodiscard]] bool continues(std::size_t k) const
    {
        return text_[k] == '\\' && (k + 1 == text_.size() || is_break(text_[k + 1]));
    }

    /// Skips blanks and continued line breaks; true when a token starts here.
    bool skip_blanks()
    {
        while (pos_ < text_.size()) {
            if (is_blank(text_[pos_])) {
                ++pos_;
            } else if (continues(pos_)) {
                ++pos_;  // the backslash, then one line break: CR LF, CR or LF
                if (pos_ < text_.size()) {
                    const bool crlf =
                        text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n';
                    pos_ += crlf ? 2 : 1;
                    ++line_;
                }
            } else {
                return !is_break(text_[pos_]);
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t field_ = 0;
};

bool number(std::string_view token, double& x)
{
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), x);
    return !token.empty() && ec == std::errc{} && end == token.data() + token.size() &&
           std::isfinite(x);
}

std::string shown(std::string_view token)
{
    return shown_text(token);
}

/// Lines that start with the keyword and a blank: enough to reserve the points and triangles.
std::size_t count_lines_starting(std::string_view text, char keyword)
{
    std::size_t count = 0;
    for (std::size_t k = 0; k + 1 < text.size();) {
        count += text[k] == keyword && is_blank(text[k + 1]) ? 1 : 0;
        const void* end = std::memchr(text.data() + k, '\n', text.size() - k);
        if (end == nullptr) {
            break;
        }
        k = static_cast<std::size_t>(static_cast<const char*>(end) - text.data()) + 1;
    }
    return count;
}

/// A corner that names a vertex not read yet; checked against the count at the end.
struct LaterCorner {
    std::size_t line;
    std::size_t field;
    long long vertex;
};

class ObjReader {
public:
    explicit ObjReader(std::string_view text) : text_(text), statements_(text) {}

    Status read(LoadedMesh& out, ReadError& error)
    {
        out.points.xyz.reserve(count_lines_starting(text_, 'v'));
        const std::size_t faces = count_lines_starting(text_, 'f');
        out.tri_a.reserve(faces);
        out.tri_b.reserve(faces);
        out.tri_c.reserve(faces);
        do {
            std::string_view keyword;
            if (!statements_.next(keyword)) {
                continue;
            }
            const Status status = keyword == "v"   ? vertex(out, error)
                                  : keyword == "f" ? face(out, error)
                                                   : Status::ok;
            if (status == Status::error) {
                return Status::error;
            }
        } while (statements_.next_statement());
        if (out.points.empty()) {
            error = {"頂点（v 行）がありません"};
            return Status::error;
        }
        for (const LaterCorner& c : later_) {
            if (c.vertex > static_cast<long long>(out.points.size())) {
                error = {"頂点番号 " + std::to_string(c.vertex) + " の頂点がありません（頂点は " +
                             std::to_string(out.points.size()) + " 個）",
                         c.line, c.field};
                return Status::error;
            }
        }
        if (short_faces_ > 0) {
            out.notes.push_back("頂点が３つ未満の面 " + std::to_string(short_faces_) +
                                " 個は無視しました。");
        }
        out.points.label.assign(out.points.size(), 0.0);
        return Status::ok;
    }

private:
    Status vertex(LoadedMesh& out, ReadError& error)
    {
        Vec3 p{};
        for (double& x : p) {
            std::string_view token;
            if (!statements_.next(token)) {
                error = {"v 行に座標が３つありません", statements_.line(), statements_.field() + 1};
                return Status::error;
            }
            if (!number(token, x)) {
                error = {"「" + shown(token) + "」は数値ではありません", statements_.line(),
                         statements_.field()};
                return Status::error;
            }
        }
        if (out.points.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            error = {"頂点が多すぎます", statements_.line()};
            return Status::error;
        }
        out.points.xyz.push_back(p);
        return Status::ok;
    }

    /// The vertex number of one corner token, 1-based.
    Status corner(std::string_view token, long long vertices, int& index, ReadError& error)
    {
        long long v = 0;
        const char* last = token.data() + token.size();
        const auto [end, ec] = std::from_chars(token.data(), last, v);
        if (ec != std::errc{} || (end != last && *end != '/')) {
            error = {"面の頂点番号「" + shown(token) + "」が正しくありません", statements_.line(),
                     statements_.field()};
            return Status::error;
        }
        const long long resolved = v < 0 ? vertices + v + 1 : v;
        if (resolved < 1 || resolved > std::numeric_limits<int>::max()) {
            error = {"頂点番号 " + std::to_string(v) + " の頂点がありません", statements_.line(),
                     statements_.field()};
            return Status::error;
        }
        if (resolved > vertices) {
            later_.push_back({statements_.line(), statements_.field(), resolved});
        }
        index = static_cast<int>(resolved);
        return Status::ok;
    }

    Status face(LoadedMesh& out, ReadError& error)
    {
        const auto vertices = static_cast<long long>(out.points.size());
        corners_.clear();
        std::string_view token;
        while (statements_.next(token)) {
            int index = 0;
            if (corner(token, vertices, index, error) == Status::error) {
                return Status::error;
            }
            corners_.push_back(index);
        }
        if (corners_.size() < 3) {
            ++short_faces_;
            return Status::ok;
        }
        for (std::size_t k = 1; k + 1 < corners_.size(); ++k) {
            out.tri_a.push_back(corners_[0]);
            out.tri_b.push_back(corners_[k]);
            out.tri_c.push_back(corners_[k + 1]);
        }
        return Status::ok;
    }

    std::string_view text_;
    Statements statements_;
    std::vector<int> corners_;
    std::vector<LaterCorner> later_;
    std::size_t short_faces_ = 0;
};

}  // namespace

Status read_obj_mesh(std::string_view bytes, LoadedMesh& out, ReadError& error)
{
    LoadedMesh fresh;
    ObjReader reader(bytes);
    if (reader.read(fresh, error) == Status::error) {
        return Status::error;
    }
    out = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
