#include "surface/surface_points.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "surface/point_tree.h"

namespace tengun {

namespace {

/// Points closer than this share of the typical distance to the 8th nearest point are one point.
constexpr double hair_share = 3e-5;

/// (p - centre) * 2^-exponent without overflow: halves first when the difference would not fit.
Vec3 scaled(const Vec3& p, const Vec3& centre, int exponent)
{
    Vec3 d{};
    for (int k = 0; k < 3; ++k) {
        const double diff = p[k] - centre[k];
        d[k] = std::isfinite(diff) ? std::ldexp(diff, -exponent)
                                   : std::ldexp(0.5 * p[k] - 0.5 * centre[k], 1 - exponent);
    }
    return d;
}

/// Indices of the points in the order of their first occurrence, exact repeats left out, and
/// per point the position of its first occurrence in that list.
void drop_exact_repeats(std::span<const Vec3> xyz, std::vector<std::size_t>& first,
                        std::vector<std::size_t>& distinct_of)
{
    std::vector<std::size_t> order(xyz.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t i, std::size_t j) { return xyz[i] < xyz[j]; });
    // The first occurrence of each value (the lowest index, as the sort is stable).
    std::vector<std::size_t> owner(xyz.size());
    for (std::size_t r = 0; r < order.size(); ++r) {
        const bool repeat = r > 0 && xyz[order[r]] == xyz[order[r - 1]];
        owner[order[r]] = repeat ? owner[order[r - 1]] : order[r];
    }
    first.clear();
    distinct_of.assign(xyz.size(), 0);
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        if (owner[i] == i) {
            distinct_of[i] = first.size();
            first.push_back(i);
        } else {
            distinct_of[i] = distinct_of[owner[i]];
        }
    }
}

/// The typical distance from a point to its 8th nearest, from an even sample of the points.
double typical_reach(const PointTree& tree, std::span<const Vec3> pts)
{
    constexpr std::size_t k = 9; // the point itself and 8 more
    const std::size_t step = std::max<std::size_t>(1, pts.size() / 2000);
    std::vector<double> reach;
    std::uint32_t index[k];
    double d2[k];
    for (std::size_t i = 0; i < pts.size(); i += step) {
        const std::size_t found = tree.nearest(pts[i], k, index, d2);
        reach.push_back(std::sqrt(d2[found - 1]));
    }
    std::nth_element(reach.begin(), reach.begin() + static_cast<std::ptrdiff_t>(reach.size() / 2),
                     reach.end());
    return reach[reach.size() / 2];
}

} // namespace

Status prepare_surface_points(std::span<const Vec3> xyz, SurfacePoints& out, std::string& reason)
{
    for (const Vec3& p : xyz) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            reason = "座標に数でない値（無限大または NaN）があるため処理できません。";
            return Status::error;
        }
    }
    SurfacePoints prepared;
    drop_exact_repeats(xyz, prepared.first, prepared.distinct_of);
    if (prepared.first.size() < 3) {
        reason = "異なる位置にある点が３点未満です（同じ座標の点は１点として数えます）。";
        return Status::error;
    }

    // The middle of the bounding box and a power of two near its half extent, from halves so that
    // no sum or difference leaves the range of doubles.
    Vec3 low = xyz[0];
    Vec3 high = xyz[0];
    for (const Vec3& p : xyz) {
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    }
    double half = 0.0;
    for (int k = 0; k < 3; ++k) {
        prepared.centre[k] = 0.5 * low[k] + 0.5 * high[k];
        half = std::max(half, 0.5 * high[k] - 0.5 * low[k]);
    }
    prepared.exponent = std::ilogb(half) + 1; // half * 2^-exponent lies in [0.5, 1)
    std::vector<Vec3> pts;
    pts.reserve(prepared.first.size());
    for (const std::size_t i : prepared.first) {
        pts.push_back(scaled(xyz[i], prepared.centre, prepared.exponent));
    }

    // Points within a hair of an earlier one join it. (Points whose scaled coordinates all
    // underflowed to the same values were exact repeats of the scaled cloud: they join too.)
    const PointTree tree(pts);
    prepared.hair = hair_share * typical_reach(tree, pts);
    std::vector<std::size_t> joins(pts.size());
    std::iota(joins.begin(), joins.end(), std::size_t{0});
    std::vector<std::uint32_t> found;
    const double hair2 = prepared.hair * prepared.hair;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (joins[i] != i || !(hair2 > 0.0)) {
            continue;
        }
        tree.within(pts[i], hair2, found);
        for (const std::uint32_t j : found) {
            if (j > i && joins[j] == j) {
                joins[j] = i;
            }
        }
    }
    std::vector<std::size_t> renumber(pts.size());
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (joins[i] == i) {
            renumber[i] = prepared.xyz.size();
            prepared.xyz.push_back(pts[i]);
            prepared.first[renumber[i]] = prepared.first[i];
        } else {
            renumber[i] = renumber[joins[i]];
        }
    }
    prepared.first.resize(prepared.xyz.size());
    for (std::size_t& d : prepared.distinct_of) {
        d = renumber[d];
    }
    if (prepared.xyz.size() < 3) {
        reason = "異なる位置にある点が３点未満です（同じ座標の点は１点として数えます）。";
        return Status::error;
    }
    prepared.merged = xyz.size() - prepared.xyz.size();
    out = std::move(prepared);
    return Status::ok;
}

std::vector<double> labels_of_cloud(const SurfacePoints& prepared, std::span<const double> labels)
{
    std::vector<double> out(prepared.distinct_of.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = labels[prepared.distinct_of[i]];
    }
    return out;
}

void corners_of_cloud(const SurfacePoints& prepared, std::vector<int>& corners)
{
    for (int& c : corners) {
        c = static_cast<int>(prepared.first[static_cast<std::size_t>(c) - 1]) + 1;
    }
}

} // namespace tengun
