// Token positions are 1-based, as in the header: token t is tokens[t - 1].
#include "formats/pix_points.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "formats/shown_text.h"
#include "formats/text_fields.h"
#include "geometry/number_text.h"

namespace tengun {

namespace {

constexpr double scanner_unit = 0.025;  // model units per scanner unit
constexpr std::size_t header_tokens = 7;

struct Tokens {
    std::vector<std::string_view> text;
    std::vector<TextField> where;
};

Tokens split_tokens(std::string_view text)
{
    Tokens tokens;
    FieldReader reader(text);
    TextField f;
    while (reader.next(f)) {
        tokens.text.push_back(f.text);
        tokens.where.push_back(f);
    }
    return tokens;
}

/// Token t as a finite number; otherwise the error names the token's line and field.
bool number_at(const Tokens& tokens, std::size_t t, double& x, ReadError& error)
{
    const TextField& f = tokens.where[t - 1];
    if (parse_number(f.text, x) && std::isfinite(x)) {
        return true;
    }
    error = {"「" + shown_text(f.text) + "」は数値ではありません", f.line, f.index};
    return false;
}

}  // namespace

void find_token(std::size_t& position, std::span<const std::string_view> tokens,
                std::string_view key)
{
    if (position < 1 || position > tokens.size()) {
        position = 0;
        return;
    }
    const auto first = tokens.begin() + static_cast<std::ptrdiff_t>(position - 1);
    const auto hit = std::find(first, tokens.end(), key);
    position = hit == tokens.end() ? 0 : static_cast<std::size_t>(hit - tokens.begin()) + 2;
}

Status read_pix_points(std::string_view text, PointCloud& cloud, ReadError& error)
{
    const Tokens tokens = split_tokens(text);
    const std::size_t count = tokens.text.size();

    std::size_t t = header_tokens + 1;
    find_token(t, tokens.text, "W");
    if (t == 0) {
        error = {"走査範囲（W）がありません"};
        return Status::error;
    }
    if (t + 3 > count) {
        error = {"走査範囲（W）の値が４つありません", tokens.where[t - 2].line};
        return Status::error;
    }
    double window[4] = {};
    for (std::size_t k = 0; k < 4; ++k) {
        if (!number_at(tokens, t + k, window[k], error)) {
            return Status::error;
        }
    }
    const double xc = (window[0] + window[2]) / 2.0;
    const double yc = (window[1] + window[3]) / 2.0;
    t += 4;

    find_token(t, tokens.text, "L");
    if (t == 0) {
        error = {"走査範囲（W）の後にライン見出し（L）がありません"};
        return Status::error;
    }
    ++t;  // the value after "L"

    PointCloud fresh;
    fresh.xyz.reserve(count / 3);
    // A text without an end token ends its records at the last token.
    while (t <= count) {
        const std::string_view token = tokens.text[t - 1];
        const char c = token.front();
        if (c == 'E') {
            break;
        }
        if (c == 'S') {
            t += 1;
            continue;
        }
        if (c == 'A') {
            t += 3;
            continue;
        }
        if (t + 2 > count) {
            break;  // a record cut short at the end
        }
        double x = 0.0;
        double y = 0.0;
        double z = 0.0;
        if (!number_at(tokens, t, x, error) || !number_at(tokens, t + 1, y, error) ||
            !number_at(tokens, t + 2, z, error)) {
            return Status::error;
        }
        if (z != 0.0) {
            fresh.xyz.push_back(
                {scanner_unit * (x - xc), scanner_unit * (y - yc), scanner_unit * z});
        }
        t += 3;
    }
    fresh.label.assign(fresh.xyz.size(), 0.0);
    cloud = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
