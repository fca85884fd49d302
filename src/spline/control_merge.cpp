// Segment s, group g and new point i are 1-based in the comments and stored at [s-1], [g-1],
// [i-1]; control arrays keep index 0.
#include "spline/control_merge.h"

#include <algorithm>
#include <cmath>

namespace tengun {

namespace {

bool finite(const Vec3& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

bool all_finite(std::span<const Vec3> points)
{
    for (const Vec3& p : points) {
        if (!finite(p)) {
            return false;
        }
    }
    return true;
}

/// Whether segment `b` differs from its predecessor `a` by more than a tenth of the largest jerk.
bool starts_new_group(const Vec3& a, const Vec3& b, const Vec3& max)
{
    for (int c = 0; c < 3; ++c) {
        if (std::abs(b[c] - a[c]) > max[c] / 10.0) {
            return true;
        }
    }
    return false;
}

/// The points x(1), x(1) + e(1), x(1) + e(1) + e(2), ...: one more than `steps`.
std::vector<Vec3> walk(const Vec3& start, std::span<const Vec3> steps)
{
    std::vector<Vec3> x;
    x.reserve(steps.size() + 1);
    x.push_back(start);
    for (const Vec3& e : steps) {
        x.push_back(x.back() + e);
    }
    return x;
}

} // namespace

SegmentJerks segment_jerks(std::size_t segments, const ControlPolygon& control)
{
    SegmentJerks out;
    out.jerk.reserve(segments);
    for (std::size_t s = 1; s <= segments; ++s) {
        const Vec3 j = bspline_third_derivative(static_cast<int>(s), control);
        for (int c = 0; c < 3; ++c) {
            out.max[c] = std::max(out.max[c], std::abs(j[c]));
        }
        out.jerk.push_back(j);
    }
    return out;
}

JerkGroups group_jerks(std::span<const Vec3> jerks, const Vec3& max)
{
    JerkGroups g;
    const auto finish = [&g] {
        const double n = static_cast<double>(g.size.back());
        g.value.back() = (n * n) * g.value.back();
    };
    for (std::size_t s = 0; s < jerks.size(); ++s) {
        if (s == 0 || starts_new_group(jerks[s - 1], jerks[s], max)) {
            if (s > 0) {
                finish();
            }
            g.value.push_back(jerks[s]);
            g.size.push_back(1);
        } else {
            g.value.back() = g.value.back() + jerks[s];
            ++g.size.back();
        }
    }
    if (!g.value.empty()) {
        finish();
    }
    return g;
}

// The jerk rows are differences of the second differences D(i) = x(i−1) − 2·x(i) + x(i+1):
// −x(i−1) + 3·x(i) − 3·x(i+1) + x(i+2) = D(i+1) − D(i). So the group jerks fix D by a running
// sum, D fixes the steps e(i) = x(i+1) − x(i) up to one constant, and the end rows fix that
// constant and the start. Three running sums instead of a dense K×K elimination: a noisy
// curve can leave nearly as many groups as it had segments.

Status merge_open(std::span<const Vec3> groups, const Vec3& first, const Vec3& last,
                  std::vector<Vec3>& merged)
{
    const std::size_t k = groups.size();
    if (k < 2) {
        return Status::error;
    }
    // The mirrored start point makes D(1) = 0; row 1 then reads D(2) = group 1 and row i
    // D(i+1) = D(i) + group i, for the inner points 2..K.
    // Steps: e(i) = e(1) + D(2) + ... + D(i), i = 1..K; they add up to last − first.
    std::vector<Vec3> steps(k);
    Vec3 d{};
    Vec3 offset{};  // D(2) + ... + D(i)
    Vec3 offsets{}; // sum of the offsets over i = 1..K
    for (std::size_t i = 1; i <= k; ++i) {
        if (i >= 2) {
            d = d + groups[i - 2];
            offset = offset + d;
        }
        steps[i - 1] = offset;
        offsets = offsets + offset;
    }
    const Vec3 e1 = (1.0 / static_cast<double>(k)) * (last - first - offsets);
    for (Vec3& e : steps) {
        e = e + e1;
    }
    std::vector<Vec3> x = walk(first, std::span<const Vec3>(steps).first(k - 1));
    x.push_back(last);
    if (!all_finite(x)) {
        return Status::error;
    }
    merged = std::move(x);
    return Status::ok;
}

Status merge_closed(bool through_first, std::span<const Vec3> groups, const Vec3& first,
                    std::vector<Vec3>& merged)
{
    const std::size_t k = groups.size();
    if (k < 3) {
        return Status::error;
    }
    // Rows 1..K−1: D(i+1) = D(i) + group i around the loop. The second differences of a closed
    // polygon add up to 0, which fixes D(1); the steps add up to 0 too, which fixes e(K).
    std::vector<Vec3> dd(k); // D(i) − D(1)
    Vec3 sum_dd{};
    for (std::size_t i = 2; i <= k; ++i) {
        dd[i - 1] = dd[i - 2] + groups[i - 2];
        sum_dd = sum_dd + dd[i - 1];
    }
    const Vec3 d1 = (-1.0 / static_cast<double>(k)) * sum_dd;
    // e(i) = e(K) + D(1) + ... + D(i), i = 1..K.
    std::vector<Vec3> steps(k);
    Vec3 h{};
    Vec3 sum_h{};
    for (std::size_t i = 1; i <= k; ++i) {
        h = h + (d1 + dd[i - 1]);
        steps[i - 1] = h;
        sum_h = sum_h + h;
    }
    const Vec3 ek = (-1.0 / static_cast<double>(k)) * sum_h;
    for (Vec3& e : steps) {
        e = e + ek;
    }
    // (x(K) + 4·x(1) + x(2)) / 6 = x(1) + (e(1) − e(K)) / 6 = x(1) + D(1) / 6.
    const Vec3 x1 = through_first ? first - (1.0 / 6.0) * d1 : first;
    std::vector<Vec3> x = walk(x1, std::span<const Vec3>(steps).first(k - 1));
    if (!all_finite(x)) {
        return Status::error;
    }
    merged = std::move(x);
    return Status::ok;
}

} // namespace tengun
