// Segment jerks, their chained grouping and the merged control polygons, checked against the
// curve they describe and against the dense solve of their rows.
#include "spline/control_merge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "spline/bspline_basis.h"
#include "spline/bspline_curve.h"
#include "support/clouds.h"
#include "support/merge_polygons.h"

namespace tengun {
namespace {

using testing::coarse_closed_polygon;
using testing::coarse_open_polygon;
using testing::expect_vec_near;
using testing::halve_segments;

/// Rows of the merged open (M = K + 1 unknowns) or closed (K unknowns) polygon, written out as
/// a dense matrix; entries that meet around a small loop add up.
Matrix merge_rows(std::size_t k, bool closed, bool through_first)
{
    const std::size_t m = closed ? k : k + 1;
    Matrix a(m);
    const auto add = [&](std::size_t row, long col, double v) { // 1-based, col may wrap
        const long n = static_cast<long>(m);
        const long c = ((col - 1) % n + n) % n;
        a(row - 1, static_cast<std::size_t>(c)) += v;
    };
    for (std::size_t i = 1; i + 1 <= k; ++i) {
        const long c = static_cast<long>(i);
        if (!closed && i == 1) {
            add(1, 1, 1.0);
            add(1, 2, -2.0);
            add(1, 3, 1.0);
            continue;
        }
        add(i, c - 1, -1.0);
        add(i, c, 3.0);
        add(i, c + 1, -3.0);
        add(i, c + 2, 1.0);
    }
    if (closed && through_first) {
        add(k, static_cast<long>(k), 1.0 / 6.0);
        add(k, 1, 4.0 / 6.0);
        add(k, 2, 1.0 / 6.0);
    } else {
        add(k, 1, 1.0);
    }
    if (!closed) {
        add(m, static_cast<long>(m), 1.0);
    }
    return a;
}

/// The same rows solved by Gauss-Jordan, one coordinate at a time.
std::vector<Vec3> dense_merge(const std::vector<Vec3>& groups, bool closed, bool through_first,
                              const Vec3& first, const Vec3& last)
{
    const std::size_t k = groups.size();
    const Matrix a = merge_rows(k, closed, through_first);
    std::vector<Vec3> x(a.size());
    for (int c = 0; c < 3; ++c) {
        std::vector<double> b(a.size(), 0.0);
        for (std::size_t i = 0; i + 1 < k; ++i) {
            b[i] = groups[i][c];
        }
        b[k - 1] = first[c];
        if (!closed) {
            b[k] = last[c];
        }
        Matrix inverse;
        EXPECT_EQ(solve_linear(a, b, inverse), Status::ok);
        for (std::size_t i = 0; i < b.size(); ++i) {
            x[i][c] = b[i];
        }
    }
    return x;
}

std::vector<Vec3> random_groups(std::size_t k, std::mt19937& rng)
{
    std::uniform_real_distribution<double> u(-20.0, 20.0);
    std::vector<Vec3> g(k);
    for (Vec3& v : g) {
        v = {u(rng), u(rng), u(rng)};
    }
    return g;
}

TEST(segment_jerks, third_differences_and_largest_magnitudes)
{
    const std::vector<Vec3> pts = {{0, 0, 0}, {1, 2, -1}, {3, 1, -1}, {2, 5, 0}, {6, 4, 4}};
    const ControlPoints c = control_points_with_ends(pts, false);
    const SegmentJerks j = segment_jerks(4, c.polygon());
    ASSERT_EQ(j.jerk.size(), 4U);
    // Segment s: −C(s−1) + 3·C(s) − 3·C(s+1) + C(s+2), with C0 = (−1, −2, 1), C5 = (10, 3, 8).
    expect_vec_near(j.jerk[0], {1, -3, 1}, 1e-12);
    expect_vec_near(j.jerk[1], {-4, 8, 0}, 1e-12);
    expect_vec_near(j.jerk[2], {8, -10, 2}, 1e-12);
    expect_vec_near(j.jerk[3], {-5, 5, -3}, 1e-12);
    expect_vec_near(j.max, {8, 10, 3}, 0.0);

    const SegmentJerks none = segment_jerks(0, c.polygon());
    EXPECT_TRUE(none.jerk.empty());
    expect_vec_near(none.max, {0, 0, 0}, 0.0);
}

TEST(group_jerks, a_change_of_exactly_a_tenth_stays_and_anything_above_splits)
{
    // Largest x jerk 10: the limit is exactly 1, and each step of this drift is exactly 1.
    std::vector<Vec3> drift;
    for (int s = 10; s >= 0; --s) {
        drift.push_back({static_cast<double>(s), 0.0, 0.0});
    }
    const JerkGroups one = group_jerks(drift, {10, 0, 0});
    ASSERT_EQ(one.value.size(), 1U) << "chained: first and last differ by the whole range";
    EXPECT_EQ(one.size[0], 11U);
    EXPECT_DOUBLE_EQ(one.value[0][0], 55.0 * 11.0 * 11.0);

    // The smallest change above the limit splits.
    const std::vector<Vec3> at_limit = {{0, 0, 0}, {1, 0, 0}};
    const std::vector<Vec3> above = {{0, 0, 0}, {std::nextafter(1.0, 2.0), 0, 0}};
    EXPECT_EQ(group_jerks(at_limit, {10, 0, 0}).size, std::vector<std::size_t>{2});
    EXPECT_EQ(group_jerks(above, {10, 0, 0}).size, (std::vector<std::size_t>{1, 1}));

    // One coordinate over its own limit is enough; the others may not move at all.
    const std::vector<Vec3> y_only = {{5, 1.0, 0}, {5, 1.0, 0}, {5, 1.21, 0}, {5, 1.21, 0}};
    const JerkGroups by_y = group_jerks(y_only, {5, 2.0, 0});
    ASSERT_EQ(by_y.size.size(), 2U);
    EXPECT_EQ(by_y.size[0], 2U);
}

TEST(group_jerks, a_group_is_its_mean_jerk_times_its_size_cubed)
{
    const std::vector<Vec3> jerks = {{1, 0, -2}, {1, 0, -2}, {1, 0, -2},
                                     {5, 1, 0},  {2, 0, 0},  {2.3, 0, 0}};
    const JerkGroups g = group_jerks(jerks, {5, 1, 2});
    ASSERT_EQ(g.size, (std::vector<std::size_t>{3, 1, 2}));
    expect_vec_near(g.value[0], {27, 0, -54}, 1e-12);
    expect_vec_near(g.value[1], {5, 1, 0}, 1e-12);
    expect_vec_near(g.value[2], {4.3 * 4, 0, 0}, 1e-12);
    EXPECT_TRUE(group_jerks({}, {}).value.empty());
}

TEST(group_jerks, straight_evenly_spaced_polygon_is_one_group_of_zero_jerk)
{
    std::vector<Vec3> line;
    for (int k = 0; k < 9; ++k) {
        line.push_back({1.0 + 2.0 * k, -3.0 + 0.5 * k, 7.0 - k});
    }
    const ControlPoints c = control_points_with_ends(line, false);
    const SegmentJerks j = segment_jerks(8, c.polygon());
    expect_vec_near(j.max, {0, 0, 0}, 1e-12);
    const JerkGroups g = group_jerks(j.jerk, j.max);
    ASSERT_EQ(g.size, std::vector<std::size_t>{8});
    expect_vec_near(g.value[0], {0, 0, 0}, 1e-9);
}

// Sampled from one cubic, the inner segments share one jerk, but the mirrored end points of the
// open curve are not on the cubic: the first and last segments get jerks of their own.
TEST(group_jerks, open_cubic_samples_split_off_their_end_segments)
{
    std::vector<Vec3> cubic;
    for (int k = 1; k <= 8; ++k) {
        cubic.push_back({1.0 * k * k * k, 1.0 * k * k, 1.0 * k});
    }
    const ControlPoints c = control_points_with_ends(cubic, false);
    const SegmentJerks j = segment_jerks(7, c.polygon());
    for (std::size_t s = 1; s + 1 < 7; ++s) {
        expect_vec_near(j.jerk[s], {6, 0, 0}, 1e-9);
    }
    expect_vec_near(j.jerk[0], {12, 2, 0}, 1e-9);
    expect_vec_near(j.jerk[6], {-42, -2, 0}, 1e-9);
    const JerkGroups g = group_jerks(j.jerk, j.max);
    EXPECT_EQ(g.size, (std::vector<std::size_t>{1, 5, 1}));
}

TEST(merge_open, agrees_with_the_dense_solve_keeps_both_ends_and_imposes_the_jerks)
{
    std::mt19937 rng(7);
    for (std::size_t k = 2; k <= 40; k += (k < 6 ? 1 : 7)) {
        SCOPED_TRACE("K = " + std::to_string(k));
        const std::vector<Vec3> g = random_groups(k, rng);
        const Vec3 first{1, -2, 3};
        const Vec3 last{40, 5, -6};
        std::vector<Vec3> x;
        ASSERT_EQ(merge_open(g, first, last, x), Status::ok);
        ASSERT_EQ(x.size(), k + 1);
        const std::vector<Vec3> dense = dense_merge(g, false, false, first, last);
        for (std::size_t i = 0; i < x.size(); ++i) {
            expect_vec_near(x[i], dense[i], 1e-9 * (1.0 + vec_length(dense[i])));
        }
        // The curve of the new polygon (mirrored ends) runs from the first to the last point.
        const ControlPoints c = control_points_with_ends(x, false);
        expect_vec_near(bspline_point(1, 0.0, c.polygon()), first, 1e-9);
        expect_vec_near(bspline_point(static_cast<int>(k), 1.0, c.polygon()), last, 1e-9);
        for (std::size_t i = 1; i < k; ++i) {
            expect_vec_near(bspline_third_derivative(static_cast<int>(i), c.polygon()), g[i - 1],
                            1e-7);
        }
    }
}

TEST(merge_closed, agrees_with_the_dense_solve_and_anchors_the_loop)
{
    std::mt19937 rng(11);
    const Vec3 first{-4, 9, 2};
    for (const bool through_first : {false, true}) {
        for (std::size_t k = 3; k <= 40; k += (k < 6 ? 1 : 7)) {
            SCOPED_TRACE("K = " + std::to_string(k) + (through_first ? " through" : " at") +
                         " the first point");
            const std::vector<Vec3> g = random_groups(k, rng);
            std::vector<Vec3> x;
            ASSERT_EQ(merge_closed(through_first, g, first, x), Status::ok);
            ASSERT_EQ(x.size(), k);
            const std::vector<Vec3> dense = dense_merge(g, true, through_first, first, {});
            for (std::size_t i = 0; i < k; ++i) {
                expect_vec_near(x[i], dense[i], 1e-9 * (1.0 + vec_length(dense[i])));
            }
            const ControlPoints c = control_points_with_ends(x, true);
            if (through_first) {
                expect_vec_near(bspline_point(1, 0.0, c.polygon()), first, 1e-9);
            } else {
                expect_vec_near(x[0], first, 0.0);
            }
            for (std::size_t i = 1; i < k; ++i) {
                expect_vec_near(bspline_third_derivative(static_cast<int>(i), c.polygon()),
                                g[i - 1], 1e-7);
            }
        }
    }
}

TEST(control_merge, halved_segments_merge_back_into_the_coarse_polygon)
{
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed" : "open");
        const std::vector<Vec3> q = closed ? coarse_closed_polygon() : coarse_open_polygon();
        const std::vector<Vec3> r = halve_segments(q, closed);
        const ControlPoints c = control_points_with_ends(r, closed);
        const SegmentJerks j = segment_jerks(bspline_segment_count(r.size(), closed), c.polygon());
        const JerkGroups g = group_jerks(j.jerk, j.max);
        ASSERT_EQ(g.size, std::vector<std::size_t>(closed ? q.size() : q.size() - 1, 2));
        std::vector<Vec3> x;
        if (closed) {
            // The inverse B-spline anchor: the curve's start, which the refined curve shares.
            const Vec3 start = bspline_point(1, 0.0, c.polygon());
            ASSERT_EQ(merge_closed(true, g.value, start, x), Status::ok);
        } else {
            ASSERT_EQ(merge_open(g.value, r.front(), r.back(), x), Status::ok);
        }
        ASSERT_EQ(x.size(), q.size());
        for (std::size_t i = 0; i < q.size(); ++i) {
            expect_vec_near(x[i], q[i], 1e-9);
        }
    }
}

TEST(control_merge, too_few_groups_or_an_overflow_fail_and_leave_the_output)
{
    const std::vector<Vec3> keep = {{1, 2, 3}};
    std::vector<Vec3> x = keep;
    const std::vector<Vec3> g = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    EXPECT_EQ(merge_open(std::span(g).first(1), {}, {1, 1, 1}, x), Status::error);
    EXPECT_EQ(merge_open({}, {}, {1, 1, 1}, x), Status::error);
    EXPECT_EQ(merge_closed(true, std::span(g).first(2), {}, x), Status::error);
    EXPECT_EQ(merge_closed(false, std::span(g).first(2), {}, x), Status::error);
    const double big = std::numeric_limits<double>::max();
    const std::vector<Vec3> huge = {{big, 0, 0}, {big, 0, 0}, {big, 0, 0}};
    EXPECT_EQ(merge_open(huge, {}, {}, x), Status::error);
    EXPECT_EQ(merge_closed(false, huge, {}, x), Status::error);
    EXPECT_EQ(x, keep);
}

} // namespace
} // namespace tengun
