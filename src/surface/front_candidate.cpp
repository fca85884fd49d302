// Point numbers are 1-based (point k is xyz[k - 1]).
#include "surface/front_candidate.h"

#include <algorithm>
#include <cmath>

namespace tengun {

namespace {

constexpr int key_bits = 21;

std::uint64_t pack(const std::int64_t (&c)[3])
{
    return static_cast<std::uint64_t>(c[0]) | (static_cast<std::uint64_t>(c[1]) << key_bits) |
           (static_cast<std::uint64_t>(c[2]) << (2 * key_bits));
}

std::int64_t unpack(std::uint64_t key, int axis)
{
    return static_cast<std::int64_t>((key >> (axis * key_bits)) &
                                     ((std::uint64_t{1} << key_bits) - 1));
}

Nearest nothing()
{
    return {0, std::sqrt(huge_value)};
}

} // namespace

Nearest best_front_candidate(std::span<const Vec3> xyz, std::span<const double> labels, int a,
                             int b, int o)
{
    const EdgeTest test(xyz, a, b, o);
    double best = huge_value;
    int index = 0;
    const int n = static_cast<int>(xyz.size());
    for (int k = 1; k <= n; ++k) {
        if (labels[static_cast<std::size_t>(k) - 1] != 0.0) {
            continue;
        }
        // Both conditions must hold; the cheap one first.
        const double d2 = squared_distance(test.midpoint(), xyz[static_cast<std::size_t>(k) - 1]);
        if (d2 < best && test.qualifies(k)) {
            best = d2;
            index = k;
        }
    }
    return {index, std::sqrt(best)};
}

FrontCandidateIndex::FrontCandidateIndex(std::span<const Vec3> xyz, double cell) : xyz_(xyz)
{
    if (xyz.empty()) {
        plain_scan_ = true;
        return;
    }
    Vec3 low = xyz[0];
    Vec3 high = xyz[0];
    double largest = 0.0;
    for (const Vec3& p : xyz) {
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(p[k])) {
                plain_scan_ = true;
                return;
            }
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
            largest = std::max(largest, std::abs(p[k]));
        }
    }
    const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    // Never so fine that the cell numbers overflow their bits or drown in rounding.
    const double hint = std::isfinite(cell) && cell > 0.0 ? cell : 0.0;
    cell_ = std::max({hint, std::ldexp(extent, -20), std::ldexp(largest, -40), 1e-300});
    origin_ = low;
    // At most 2^20 + 1 (+1 for rounding) cells per axis: within the key's 21 bits.
    cells_per_axis_ = static_cast<std::int64_t>(std::floor(extent / cell_)) + 1;

    std::vector<std::pair<std::uint64_t, int>> keyed;
    keyed.reserve(xyz.size());
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        std::int64_t c[3];
        cell_of(xyz[i], c);
        keyed.emplace_back(pack(c), static_cast<int>(i) + 1);
    }
    std::sort(keyed.begin(), keyed.end());
    sorted_.reserve(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first) {
            cells_[keyed[i].first] = {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i)};
        }
        cells_[keyed[i].first].end = static_cast<std::uint32_t>(i) + 1;
        sorted_.push_back(keyed[i].second);
    }
}

void FrontCandidateIndex::cell_of(const Vec3& p, std::int64_t (&c)[3]) const
{
    for (int k = 0; k < 3; ++k) {
        const double x = std::floor((p[k] - origin_[k]) / cell_);
        c[k] =
            static_cast<std::int64_t>(std::clamp(x, 0.0, static_cast<double>(cells_per_axis_ - 1)));
    }
}

void FrontCandidateIndex::gather(std::span<const double> labels, const Vec3& m, double reach)
{
    found_.clear();
    const double reach2 = reach * reach;
    std::int64_t lo[3];
    std::int64_t hi[3];
    double cells_in_box = 1.0;
    const double last = static_cast<double>(cells_per_axis_ - 1);
    for (int k = 0; k < 3; ++k) {
        // A box a little wider than the reach, so that rounding in m +- reach cannot move a
        // point's cell out of it: cells are computed by the same monotone steps for both.
        const double wide = reach + 1e-12 * (std::abs(m[k]) + reach);
        const double l = std::floor((m[k] - wide - origin_[k]) / cell_);
        const double h = std::floor((m[k] + wide - origin_[k]) / cell_);
        if (h < 0.0 || l > last) {
            return;
        }
        lo[k] = static_cast<std::int64_t>(std::max(l, 0.0));
        hi[k] = static_cast<std::int64_t>(std::min(h, last));
        cells_in_box *= static_cast<double>(hi[k] - lo[k] + 1);
    }
    const auto take = [&](const Range& r) {
        for (std::uint32_t s = r.begin; s < r.end; ++s) {
            const int k = sorted_[s];
            if (labels[static_cast<std::size_t>(k) - 1] != 0.0) {
                continue;
            }
            const double d2 = squared_distance(m, xyz_[static_cast<std::size_t>(k) - 1]);
            if (d2 <= reach2) {
                found_.emplace_back(d2, k);
            }
        }
    };
    if (cells_in_box > static_cast<double>(cells_.size())) {
        for (const auto& [key, range] : cells_) {
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                const std::int64_t c = unpack(key, k);
                inside = inside && c >= lo[k] && c <= hi[k];
            }
            if (inside) {
                take(range);
            }
        }
        return;
    }
    for (std::int64_t x = lo[0]; x <= hi[0]; ++x) {
        for (std::int64_t y = lo[1]; y <= hi[1]; ++y) {
            for (std::int64_t z = lo[2]; z <= hi[2]; ++z) {
                const std::int64_t c[3]{x, y, z};
                const auto it = cells_.find(pack(c));
                if (it != cells_.end()) {
                    take(it->second);
                }
            }
        }
    }
}

Nearest FrontCandidateIndex::best(std::span<const double> labels, int a, int b, int o, double limit)
{
    // A slightly longer reach, so that rounding in sqrt(d2) <= limit never loses a candidate.
    const double reach = limit * (1.0 + 1e-9);
    if (plain_scan_ || !(limit >= 0.0) || !std::isfinite(reach)) {
        return best_front_candidate(xyz_, labels, a, b, o);
    }
    const EdgeTest test(xyz_, a, b, o);
    gather(labels, test.midpoint(), reach);
    std::sort(found_.begin(), found_.end());
    for (const auto& [d2, k] : found_) {
        if (test.qualifies(k)) {
            return {k, std::sqrt(d2)};
        }
    }
    return nothing();
}

Nearest FrontCandidateIndex::nearest_free(std::span<const double> labels, const Vec3& at, int skip1,
                                          int skip2)
{
    if (plain_scan_ || !std::isfinite(at[0]) || !std::isfinite(at[1]) || !std::isfinite(at[2])) {
        return nearest_free_point(xyz_, labels, at, skip1, skip2);
    }
    double best = huge_value;
    int index = 0;
    const auto take = [&](const Range& r) {
        for (std::uint32_t s = r.begin; s < r.end; ++s) {
            const int k = sorted_[s];
            if (k == skip1 || k == skip2 || labels[static_cast<std::size_t>(k) - 1] != 0.0) {
                continue;
            }
            const double d2 = squared_distance(at, xyz_[static_cast<std::size_t>(k) - 1]);
            if (d2 < best || (d2 == best && k < index)) {
                best = d2;
                index = k;
            }
        }
    };
    // The cell of `at`, possibly outside the grid (then clamped rings still cover every cell).
    std::int64_t centre[3];
    double outside = 0.0; // how far `at` lies outside the grid's box, a lower bound of distances
    for (int k = 0; k < 3; ++k) {
        const double x = std::floor((at[k] - origin_[k]) / cell_);
        const double last = static_cast<double>(cells_per_axis_ - 1);
        centre[k] = static_cast<std::int64_t>(std::clamp(x, 0.0, last));
        (void)outside;
    }
    const std::size_t budget = cells_.size();
    std::size_t visited = 0;
    for (std::int64_t r = 0;; ++r) {
        bool inside_grid = false;
        for (std::int64_t x = centre[0] - r; x <= centre[0] + r; ++x) {
            for (std::int64_t y = centre[1] - r; y <= centre[1] + r; ++y) {
                const bool edge_xy = x == centre[0] - r || x == centre[0] + r ||
                                     y == centre[1] - r || y == centre[1] + r;
                for (std::int64_t z = centre[2] - r; z <= centre[2] + r;
                     z += edge_xy || r == 0 ? 1 : 2 * r) {
                    if (x < 0 || y < 0 || z < 0 || x >= cells_per_axis_ || y >= cells_per_axis_ ||
                        z >= cells_per_axis_) {
                        continue;
                    }
                    inside_grid = true;
                    if (++visited > budget) {
                        return nearest_free_point(xyz_, labels, at, skip1, skip2);
                    }
                    const std::int64_t c[3]{x, y, z};
                    const auto it = cells_.find(pack(c));
                    if (it != cells_.end()) {
                        take(it->second);
                    }
                }
            }
        }
        if (!inside_grid) {
            break; // every cell has been seen
        }
        // Every point beyond ring r lies at least r cells from `at` (whose cell, clamped, is at
        // most as far as its own): stop once the best is nearer than that.
        const double reach = static_cast<double>(r) * cell_;
        if (index != 0 && best < reach * reach * (1.0 - 1e-12)) {
            break;
        }
    }
    return {index, std::sqrt(best)};
}

Nearest FrontCandidateFinder::find(std::span<const double> labels, int a, int b, int o,
                                   double limit)
{
    if (search_ == CandidateSearch::linear) {
        return best_front_candidate(xyz_, labels, a, b, o);
    }
    if (!index_) {
        index_.emplace(xyz_, limit);
    }
    return index_->best(labels, a, b, o, limit);
}

SeedTriangle FrontCandidateFinder::seed(std::span<const double> labels, int s)
{
    if (!index_) {
        return seed_triangle(xyz_, labels, s);
    }
    const auto at = [&](int k) -> const Vec3& { return xyz_[static_cast<std::size_t>(k) - 1]; };
    SeedTriangle t;
    const Vec3 origin{};
    t.a = index_->nearest_free(labels, s == 0 ? origin : at(s), s, s).index;
    t.b = index_->nearest_free(labels, at(t.a), t.a, t.a).index;
    t.c = index_->nearest_free(labels, vec_scale(at(t.a) + at(t.b), 0.5), t.a, t.b).index;
    t.limit = point_distance(xyz_, t.a, t.b) + point_distance(xyz_, t.b, t.c) +
              point_distance(xyz_, t.c, t.a);
    return t;
}

} // namespace tengun
