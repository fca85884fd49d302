#include "formats/csv_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "formats/shown_text.h"
#include "formats/text_fields.h"
#include "geometry/number_text.h"

namespace tengun {

namespace {

ReadError not_a_number(const TextField& f)
{
    return {"「" + shown_text(f.text) + "」は数値ではありません", f.line, f.index};
}

constexpr std::size_t passed_step = std::size_t{8} << 20U;

/// Calls sink(value) for every field of the text as a number; the shared loop of read_values and
/// read_csv_points, which builds its points without holding every value twice. `passed` hears
/// every 8 MB how far the reader is.
template <class Sink>
Status for_each_value(std::string_view text, Sink&& sink, ReadError& error, ValueOptions options,
                      const BytesPassed& passed = {})
{
    FieldReader reader(text, options.hash_comments);
    bool first_line_seen = !options.header_allowed;
    TextField f;
    if (!first_line_seen) {
        // The first line with fields is a header when none of its fields is a number.
        if (!reader.next(f)) {
            return Status::ok;
        }
        std::vector<TextField> line{f};
        TextField g;
        while (reader.next_in_line(g)) {
            line.push_back(g);
        }
        const bool header = std::none_of(line.begin(), line.end(), [](const TextField& h) {
            double y = 0.0;
            return field_number(h.text, y);
        });
        if (!header) {
            for (const TextField& h : line) {
                double x = 0.0;
                if (!field_number(h.text, x)) {
                    error = not_a_number(h);
                    return Status::error;
                }
                sink(x);
            }
        }
    }
    // Without a listener the next report is never due.
    std::size_t next_report = passed ? passed_step : text.size() + 1;
    while (true) {
        double x = 0.0;
        const FieldReader::Next next = reader.next_number(x, f);
        if (next == FieldReader::Next::end) {
            break;
        }
        if (next == FieldReader::Next::field && !field_number(f.text, x)) {
            error = not_a_number(f);
            return Status::error;
        }
        sink(x);
        if (reader.position() >= next_report) {
            if (!passed(reader.position())) {
                error = cancelled_error();
                return Status::error;
            }
            next_report = reader.position() + passed_step;
        }
    }
    return Status::ok;
}

}  // namespace

Status read_values(std::string_view text, std::vector<double>& values, ReadError& error,
                   ValueOptions options)
{
    std::vector<double> out;
    if (for_each_value(text, [&out](double x) { out.push_back(x); }, error, options) ==
        Status::error) {
        return Status::error;
    }
    values = std::move(out);
    return Status::ok;
}

std::size_t estimated_point_lines(std::string_view start, std::size_t size)
{
    const auto lines = static_cast<std::size_t>(std::count(start.begin(), start.end(), '\n'));
    if (start.size() >= size) {
        return lines + 1; // the whole text: as many as its lines
    }
    if (lines == 0) {
        return 0; // no line seen yet: nothing to go by
    }
    // A little more than the first lines promise, as numbers further down may be shorter.
    const double per_line = static_cast<double>(start.size()) / static_cast<double>(lines);
    return static_cast<std::size_t>(1.02 * static_cast<double>(size) / per_line) + 1024;
}

Status read_csv_points(std::string_view text, PointCloud& cloud, ReadError& error,
                       const BytesPassed& passed)
{
    PointCloud fresh;
    // Most exports hold one point a line: reserve what the first megabyte promises, so the
    // text is read once and the cloud is not copied as it grows. A reserve larger than needed
    // costs address space only: the pages no point is written to are never touched.
    constexpr std::size_t sample = std::size_t{1} << 20U;
    const std::size_t estimate = estimated_point_lines(text.substr(0, sample), text.size());
    fresh.xyz.reserve(estimate);
    Vec3 pending{};
    std::size_t k = 0;
    std::size_t values = 0;
    const auto sink = [&](double x) {
        pending[k] = x;
        ++values;
        if (++k == 3) {
            if (estimate > 0 && fresh.xyz.size() == fresh.xyz.capacity()) {
                // A little more than the estimate: grow by an eighth, not double, so that the
                // copy the growth makes stays near the cloud's own size. (Without an estimate
                // the vector doubles as usual.)
                fresh.xyz.reserve(fresh.xyz.capacity() + fresh.xyz.capacity() / 8 + 4096);
            }
            fresh.xyz.push_back(pending);
            k = 0;
        }
    };
    if (for_each_value(text, sink, error, ValueOptions{}, passed) == Status::error) {
        return Status::error;
    }
    if (fresh.xyz.empty()) {
        error = {values == 0 ? "点データがありません（数値が１つもありません）"
                             : "点データがありません（数値が３つ未満です）"};
        return Status::error;
    }
    fresh.label.assign(fresh.xyz.size(), 0.0);
    cloud = std::move(fresh);
    return Status::ok;
}

std::string write_csv_points(std::span<const Vec3> points)
{
    std::string out;
    (void)write_csv_points(points, out, Progress{});
    return out;
}

Status write_csv_points(std::span<const Vec3> points, std::string& text, const Progress& progress)
{
    std::string out;
    out.reserve(points.size() * 48);
    constexpr std::size_t report_every = std::size_t{1} << 14U;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i % report_every == 0 && i > 0) {
            if (progress.stopped()) {
                return Status::error;
            }
            progress(static_cast<double>(i) / static_cast<double>(points.size()), "保存");
        }
        const Vec3& p = points[i];
        out += format_number(p[0]);
        out += ' ';
        out += format_number(p[1]);
        out += ' ';
        out += format_number(p[2]);
        out += "\r\n";
    }
    text = std::move(out);
    return Status::ok;
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
