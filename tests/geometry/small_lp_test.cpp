#include "geometry/small_lp.h"

#include <gtest/gtest.h>

#include <random>

#include "support/form_reference.h"

namespace tengun {
namespace {

struct LpShape {
    const char* name;
    int d;
    int m;
    bool origin_feasible; ///< right-hand sides >= 0: x = 0 satisfies every row
};

class SmallLpAgainstVertices : public ::testing::TestWithParam<LpShape> {};

TEST_P(SmallLpAgainstVertices, finds_the_best_vertex_of_random_programs)
{
    const LpShape shape = GetParam();
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    int feasible = 0;
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE(trial);
        SmallLp lp;
        lp.columns = shape.d;
        for (int i = 0; i < shape.m; ++i) {
            for (int j = 0; j < shape.d; ++j) {
                lp.rows.push_back(u(rng));
            }
            lp.rhs.push_back(shape.origin_feasible ? 1.0 + u(rng) : 0.8 * u(rng));
        }
        for (int j = 0; j < shape.d; ++j) {
            lp.objective.push_back(u(rng));
            lp.bounds.push_back(2.0 + u(rng));
        }
        const long double best =
            testing::brute_force_lp(shape.d, lp.rows, lp.rhs, lp.objective, lp.bounds, 1e-9L);
        SmallLpSolution sol;
        sol.value = 12345.0;
        const Status st = solve_small_lp(lp, 1e-12, sol);
        if (std::isinf(best)) {
            EXPECT_EQ(st, Status::error);
            EXPECT_EQ(sol.value, 12345.0) << "an infeasible program leaves the solution alone";
            continue;
        }
        ++feasible;
        ASSERT_EQ(st, Status::ok);
        EXPECT_NEAR(sol.value, static_cast<double>(best), 1e-9);
        ASSERT_EQ(sol.x.size(), static_cast<std::size_t>(shape.d));
        ASSERT_EQ(sol.basis.size(), static_cast<std::size_t>(shape.d));
        // The vertex satisfies every row and every row named in the basis is tight there.
        for (int i = 0; i < shape.m; ++i) {
            double v = -lp.rhs[static_cast<std::size_t>(i)];
            for (int j = 0; j < shape.d; ++j) {
                v += lp.rows[static_cast<std::size_t>(i * shape.d + j)] *
                     sol.x[static_cast<std::size_t>(j)];
            }
            EXPECT_LE(v, 1e-9) << "row " << i;
        }
        for (const int b : sol.basis) {
            if (b >= 0) {
                double v = -lp.rhs[static_cast<std::size_t>(b)];
                for (int j = 0; j < shape.d; ++j) {
                    v += lp.rows[static_cast<std::size_t>(b * shape.d + j)] *
                         sol.x[static_cast<std::size_t>(j)];
                }
                EXPECT_NEAR(v, 0.0, 1e-9) << "basis row " << b;
            } else {
                const auto j = static_cast<std::size_t>(-1 - b);
                EXPECT_NEAR(std::abs(sol.x[j]), lp.bounds[j], 1e-9) << "bound of x" << j;
            }
        }
    }
    if (shape.origin_feasible) {
        EXPECT_EQ(feasible, 150);
    }
}

INSTANTIATE_TEST_SUITE_P(shapes, SmallLpAgainstVertices,
                         ::testing::Values(LpShape{"one_unknown", 1, 4, true},
                                           LpShape{"two_unknowns", 2, 8, true},
                                           LpShape{"three_unknowns", 3, 9, true},
                                           LpShape{"four_unknowns", 4, 8, true},
                                           LpShape{"five_unknowns", 5, 7, true},
                                           LpShape{"two_unknowns_maybe_infeasible", 2, 8, false},
                                           LpShape{"three_unknowns_maybe_infeasible", 3, 9, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(solve_small_lp, refuses_malformed_programs_and_leaves_the_solution)
{
    SmallLp good;
    good.columns = 2;
    good.rows = {1, 1};
    good.rhs = {1};
    good.objective = {-1, -1};
    good.bounds = {5, 5};
    SmallLpSolution sol;
    ASSERT_EQ(solve_small_lp(good, 1e-12, sol), Status::ok);
    EXPECT_NEAR(sol.value, -1.0, 1e-12);

    auto bad_rows = good;
    bad_rows.rows = {1, 1, 1};
    auto bad_bounds = good;
    bad_bounds.bounds = {5, 0};
    auto no_columns = good;
    no_columns.columns = 0;
    auto too_many = good;
    too_many.columns = 9;
    for (const SmallLp& lp : {bad_rows, bad_bounds, no_columns, too_many}) {
        SmallLpSolution untouched;
        untouched.value = 7.0;
        EXPECT_EQ(solve_small_lp(lp, 1e-12, untouched), Status::error);
        EXPECT_EQ(untouched.value, 7.0);
        EXPECT_TRUE(untouched.x.empty());
    }
}

} // namespace
} // namespace tengun
