#include "correction/keep_points.h"

#include <algorithm>
#include <cassert>

namespace tengun {

namespace {

template <class T> void keep_in_order(std::vector<T>& values, std::span<const std::uint8_t> keep)
{
    std::size_t j = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (keep[i] != 0) {
            values[j++] = values[i];
        }
    }
    values.resize(j);
}

} // namespace

std::size_t keep_points(PointCloud& points, std::span<const std::uint8_t> keep)
{
    assert(keep.size() == points.size() && "one flag per point");
    keep_in_order(points.xyz, keep);
    points.label.assign(points.xyz.size(), 0.0);
    return points.size();
}

void keep_flags(std::vector<std::uint8_t>& flags, std::span<const std::uint8_t> keep)
{
    if (flags.size() == keep.size()) {
        keep_in_order(flags, keep);
    }
}

std::size_t count_kept(std::span<const std::uint8_t> keep, std::size_t count)
{
    const std::size_t n = std::min(count, keep.size());
    return static_cast<std::size_t>(std::count_if(keep.begin(),
                                                  keep.begin() + static_cast<std::ptrdiff_t>(n),
                                                  [](std::uint8_t f) { return f != 0; }));
}

void keep_triangles(std::span<const std::uint8_t> keep, std::vector<int>& a, std::vector<int>& b,
                    std::vector<int>& c, std::vector<double>& tags)
{
    assert(a.size() == b.size() && a.size() == c.size() && a.size() == tags.size() &&
           "one entry per triangle");
    if (a.empty()) {
        return;
    }
    // New number of old point i (1-based) at [i - 1]; 0 for a point that goes.
    std::vector<int> renumbered(keep.size(), 0);
    int next = 0;
    for (std::size_t i = 0; i < keep.size(); ++i) {
        renumbered[i] = keep[i] != 0 ? ++next : 0;
    }
    const auto new_number = [&](int corner) {
        return corner >= 1 && static_cast<std::size_t>(corner) <= keep.size()
                   ? renumbered[static_cast<std::size_t>(corner) - 1]
                   : 0;
    };
    std::size_t j = 0;
    for (std::size_t t = 0; t < a.size(); ++t) {
        const int na = new_number(a[t]);
        const int nb = new_number(b[t]);
        const int nc = new_number(c[t]);
        if (na == 0 || nb == 0 || nc == 0) {
            continue;
        }
        a[j] = na;
        b[j] = nb;
        c[j] = nc;
        tags[j] = tags[t];
        ++j;
    }
    a.resize(j);
    b.resize(j);
    c.resize(j);
    tags.resize(j);
}

} // namespace tengun
