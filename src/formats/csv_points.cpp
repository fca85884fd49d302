#include "formats/csv_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "formats/text_fields.h"
#include "geometry/number_text.h"

namespace tengun {

namespace {

bool to_number(std::string_view text, double& x)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);  // blanks inside quotes
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    return ec == std::errc{} && end == text.data() + text.size() && std::isfinite(x);
}

ReadError not_a_number(const TextField& f)
{
    std::string shown(f.text.substr(0, 40));
    if (f.text.size() > 40) {
        shown += "…";
    }
    return {"「" + shown + "」は数値ではありません", f.line, f.index};
}

}  // namespace

Status read_values(std::string_view text, std::vector<double>& values, ReadError& error,
                   ValueOptions options)
{
    FieldReader reader(text, options.hash_comments);
    std::vector<double> out;
    out.reserve(text.size() / 8);
    bool first_line_seen = false;
    TextField f;
    std::vector<TextField> first_line;
    while (true) {
        if (!reader.next(f)) {
            break;
        }
        if (!first_line_seen && options.header_allowed) {
            // The first line with fields is a header when none of its fields is a number.
            first_line_seen = true;
            first_line.push_back(f);
            TextField g;
            while (reader.next_in_line(g)) {
                first_line.push_back(g);
            }
            const bool header = std::none_of(first_line.begin(), first_line.end(), [](auto& h) {
                double x = 0.0;
                return to_number(h.text, x);
            });
            if (header) {
                continue;
            }
            for (const TextField& h : first_line) {
                double x = 0.0;
                if (!to_number(h.text, x)) {
                    error = not_a_number(h);
                    return Status::error;
                }
                out.push_back(x);
            }
            continue;
        }
        first_line_seen = true;
        double x = 0.0;
        if (!to_number(f.text, x)) {
            error = not_a_number(f);
            return Status::error;
        }
        out.push_back(x);
    }
    values = std::move(out);
    return Status::ok;
}

Status read_csv_points(std::string_view text, PointCloud& cloud, ReadError& error)
{
    std::vector<double> values;
    if (read_values(text, values, error) == Status::error) {
        return Status::error;
    }
    const std::size_t n = values.size() / 3;
    if (n == 0) {
        error = {values.empty() ? "点データがありません（数値が１つもありません）"
                                : "点データがありません（数値が３つ未満です）"};
        return Status::error;
    }
    PointCloud fresh;
    fresh.xyz.resize(n);
    fresh.label.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        fresh.xyz[i] = {values[3 * i], values[3 * i + 1], values[3 * i + 2]};
    }
    cloud = std::move(fresh);
    return Status::ok;
}

std::string write_csv_points(std::span<const Vec3> points)
{
    std::string out;
    out.reserve(points.size() * 48);
    for (const Vec3& p : points) {
        out += format_number(p[0]);
        out += ' ';
        out += format_number(p[1]);
        out += ' ';
        out += format_number(p[2]);
        out += "\r\n";
    }
    return out;
}

void force_extension(std::string& name, std::string_view extension)
{
    const std::size_t k = extension.size();
    if (name.size() >= k && std::string_view(name).substr(name.size() - k) == extension) {
        return;
    }
    if (name.size() >= k && name[name.size() - k] == '.') {
        name.replace(name.size() - k, k, extension);
        return;
    }
    name += extension;
}

void copy_points(std::size_t count, const PointCloud& source, PointCloud& target)
{
    std::copy_n(source.xyz.begin(), count, target.xyz.begin());
}

void append_point(PointCloud& points, double x, double y, double z) { points.add({x, y, z}); }

PointCloud merge_csv_points(const PointCloud& current, std::size_t base, const PointCloud& merged)
{
    const std::size_t b = std::min(base, current.size());
    PointCloud out;
    out.resize(b + merged.size());
    copy_points(b, current, out);
    std::copy(merged.xyz.begin(), merged.xyz.end(), out.xyz.begin() + static_cast<long>(b));
    return out;
}

}  // namespace tengun
