// The interpolating B-spline, and its O(N) solves against the dense Gauss-Jordan solve.
#include "spline/inverse_bspline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "spline/tridiagonal.h"
#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

std::vector<Vec3> random_points(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-100.0, 100.0);
    std::vector<Vec3> pts(n);
    for (Vec3& p : pts) {
        p = {u(rng), u(rng), u(rng)};
    }
    return pts;
}

/// The interpolation matrix written out in full: rows of 1/6, 4/6, 1/6; an open curve fixes its
/// end rows to the end points, a closed one adds the cyclic neighbours.
Matrix dense_interpolation_matrix(std::size_t n, bool closed)
{
    Matrix a(n);
    for (std::size_t i = 0; i < n; ++i) {
        const bool end_row = i == 0 || i + 1 == n;
        if (!closed && end_row) {
            a(i, i) = 1.0;
            continue;
        }
        a(i, i) = 4.0 / 6.0;
        a(i, (i + n - 1) % n) = 1.0 / 6.0;
        a(i, (i + 1) % n) = 1.0 / 6.0;
    }
    return a;
}

/// Main control points from the dense solve, per coordinate.
std::vector<Vec3> dense_solution(const std::vector<Vec3>& pts, bool closed)
{
    const Matrix a = dense_interpolation_matrix(pts.size(), closed);
    std::vector<Vec3> out(pts.size());
    for (int k = 0; k < 3; ++k) {
        std::vector<double> b(pts.size());
        for (std::size_t i = 0; i < pts.size(); ++i) {
            b[i] = pts[i][k];
        }
        Matrix inverse;
        EXPECT_EQ(solve_linear(a, b, inverse), Status::ok);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            out[i][k] = b[i];
        }
    }
    return out;
}

TEST(inverse_bspline, fast_solves_equal_the_dense_solve)
{
    for (std::size_t n = 2; n <= 14; ++n) {
        for (const bool closed : {false, true}) {
            if (closed && n < 3) {
                continue;
            }
            SCOPED_TRACE(::testing::Message() << "n = " << n << (closed ? " closed" : " open"));
            const auto pts = random_points(n, static_cast<unsigned>(10 * n + (closed ? 1 : 0)));
            ControlPoints c;
            ASSERT_EQ(closed ? inverse_bspline_closed(pts, c) : inverse_bspline_open(pts, c),
                      Status::ok);
            const auto dense = dense_solution(pts, closed);
            for (std::size_t i = 1; i <= n; ++i) {
                expect_vec_near({c.x[i], c.y[i], c.z[i]}, dense[i - 1], 1e-11);
            }
        }
    }
}

TEST(inverse_bspline, curve_passes_through_every_point_open_and_closed)
{
    const auto pts = random_points(40, 7);
    ControlPoints open;
    ControlPoints closed;
    ASSERT_EQ(inverse_bspline_open(pts, open), Status::ok);
    ASSERT_EQ(inverse_bspline_closed(pts, closed), Status::ok);
    ASSERT_EQ(open.x.size(), 42U);
    ASSERT_EQ(closed.x.size(), 43U);
    for (std::size_t i = 1; i <= pts.size(); ++i) {
        SCOPED_TRACE(i);
        const int seg = static_cast<int>(i);
        if (i < pts.size()) {
            expect_vec_near(bspline_point(seg, 0.0, open.polygon()), pts[i - 1], 1e-10);
        }
        expect_vec_near(bspline_point(seg, 0.0, closed.polygon()), pts[i - 1], 1e-10);
    }
    expect_vec_near(bspline_point(39, 1.0, open.polygon()), pts.back(), 1e-10);
    // The closed curve returns to point 1 with matching slope and curvature.
    const ControlPolygon c = closed.polygon();
    expect_vec_near(bspline_point(40, 1.0, c), pts.front(), 1e-10);
    expect_vec_near(bspline_second_derivative(40, 1.0, c), bspline_second_derivative(1, 0.0, c),
                    1e-9);
    // Mirrored and wrapped ends.
    EXPECT_DOUBLE_EQ(open.x[0], 2 * open.x[1] - open.x[2]);
    EXPECT_DOUBLE_EQ(open.y[41], 2 * open.y[40] - open.y[39]);
    EXPECT_EQ(closed.z[0], closed.z[40]);
    EXPECT_EQ(closed.z[41], closed.z[1]);
    EXPECT_EQ(closed.z[42], closed.z[2]);
}

TEST(inverse_bspline, evenly_spaced_points_on_a_line_are_their_own_control_points)
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 9; ++i) {
        pts.push_back({1.0 + 2.0 * i, -3.0 * i, 0.5 * i});
    }
    ControlPoints c;
    ASSERT_EQ(inverse_bspline_open(pts, c), Status::ok);
    for (std::size_t i = 1; i <= pts.size(); ++i) {
        expect_vec_near({c.x[i], c.y[i], c.z[i]}, pts[i - 1], 1e-12);
    }
}

TEST(inverse_bspline, three_points_closed_solve_the_full_matrix)
{
    // With three points both neighbours of a point are the other two: 4/6 on the diagonal and
    // 1/6 everywhere else, whose solution is C(i) = (6·P(i) − ΣP) / 3.
    const std::vector<Vec3> pts{{0, 0, 0}, {6, 0, 0}, {0, 6, 3}};
    Matrix a(3);
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            a(i, j) = i == j ? 4.0 / 6.0 : 1.0 / 6.0;
        }
    }
    ControlPoints c;
    ASSERT_EQ(inverse_bspline_closed(pts, c), Status::ok);
    for (int k = 0; k < 3; ++k) {
        std::vector<double> b{pts[0][k], pts[1][k], pts[2][k]};
        Matrix inverse;
        ASSERT_EQ(solve_linear(a, b, inverse), Status::ok);
        const std::vector<double>& got = k == 0 ? c.x : (k == 1 ? c.y : c.z);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(got[i + 1], b[i], 1e-13) << "coordinate " << k << " point " << i + 1;
        }
    }
    EXPECT_NEAR(c.x[2], 10.0, 1e-13); // (6·6 − 6) / 3
    EXPECT_NEAR(c.z[3], 5.0, 1e-13);  // (6·3 − 3) / 3
}

TEST(inverse_bspline, too_few_points_fail_and_keep_the_output)
{
    ControlPoints c;
    c.y = {1, 2};
    const std::vector<Vec3> one{{1, 1, 1}};
    const std::vector<Vec3> two{{1, 1, 1}, {2, 2, 2}};
    EXPECT_EQ(inverse_bspline_open(one, c), Status::error);
    EXPECT_EQ(inverse_bspline_closed(two, c), Status::error);
    EXPECT_EQ(c.y, (std::vector<double>{1, 2}));
    ASSERT_EQ(inverse_bspline_open(two, c), Status::ok);
    EXPECT_EQ(c.x, (std::vector<double>{0, 1, 2, 3}));
}

TEST(solve_tridiagonal, general_systems_match_the_dense_solve)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (std::size_t n = 1; n <= 12; ++n) {
        for (const bool cyclic : {false, true}) {
            if (cyclic && n < 3) {
                continue;
            }
            SCOPED_TRACE(::testing::Message() << "n = " << n << (cyclic ? " cyclic" : ""));
            Tridiagonal t{std::vector<double>(n), std::vector<double>(n), std::vector<double>(n)};
            Matrix a(n);
            std::vector<double> b(n);
            for (std::size_t i = 0; i < n; ++i) {
                t.sub[i] = u(rng);
                t.super[i] = u(rng);
                t.diag[i] = 2.5 + u(rng); // dominant
                b[i] = 10 * u(rng);
                a(i, i) = t.diag[i];
                if (i > 0) {
                    a(i, i - 1) = t.sub[i];
                }
                if (i + 1 < n) {
                    a(i, i + 1) = t.super[i];
                }
            }
            if (cyclic) {
                a(n - 1, 0) = t.sub[0];
                a(0, n - 1) = t.super[n - 1];
            }
            std::vector<double> fast = b;
            ASSERT_EQ(cyclic ? solve_cyclic_tridiagonal(t, fast) : solve_tridiagonal(t, fast),
                      Status::ok);
            Matrix inverse;
            ASSERT_EQ(solve_linear(a, b, inverse), Status::ok);
            for (std::size_t i = 0; i < n; ++i) {
                EXPECT_NEAR(fast[i], b[i], 1e-12) << i;
            }
        }
    }
}

} // namespace
} // namespace tengun
