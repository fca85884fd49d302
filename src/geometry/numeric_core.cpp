#include "geometry/numeric_core.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

namespace tengun {

double deg_to_rad(double x) { return x * pi / 180.0; }
double rad_to_deg(double x) { return x * 180.0 / pi; }

double arc_cos(double x)
{
    if (x == 0.0) {
        return half_pi;
    }
    if (x >= 1.0) {
        return 0.0;
    }
    if (x <= -1.0) {
        return pi;
    }
    const double t = std::atan(std::sqrt(1.0 - x * x) / x);
    return t < 0.0 ? t + pi : t;
}

double arc_sin(double x)
{
    if (x >= 1.0) {
        return half_pi;
    }
    if (x <= -1.0) {
        return -half_pi;
    }
    return std::atan(x / std::sqrt(1.0 - x * x));
}

double arc_tan2(double y, double x)
{
    if (x == 0.0) {
        return y >= 0.0 ? half_pi : -half_pi;
    }
    if (x > 0.0) {
        return std::atan(y / x);
    }
    return y > 0.0 ? std::atan(y / x) + pi : std::atan(y / x) - pi;
}

double vec_angle(const Vec3& a, const Vec3& b)
{
    const double lengths = vec_length(a) * vec_length(b);
    if (lengths == 0.0) {
        return 0.0;
    }
    return arc_cos(vec_dot(a, b) / lengths);
}

double plane_residual(const Vec3& x, const Vec3& normal, double d) { return vec_dot(normal, x) - d; }

Mat3 mat_zero3() { return Mat3{}; }

Mat3 mat_identity3()
{
    Mat3 m{};
    for (int i = 0; i < 3; ++i) {
        m[i][i] = 1.0;
    }
    return m;
}

Vec3 mat_vec(const Mat3& m, const Vec3& x)
{
    Vec3 y{};
    for (int i = 0; i < 3; ++i) {
        y[i] = m[i][0] * x[0] + m[i][1] * x[1] + m[i][2] * x[2];
    }
    return y;
}

Vec3 mat_t_vec(const Vec3& x, const Mat3& m)
{
    Vec3 y{};
    for (int i = 0; i < 3; ++i) {
        y[i] = m[0][i] * x[0] + m[1][i] * x[1] + m[2][i] * x[2];
    }
    return y;
}

void mat_set_row(int k, const Vec3& v, Mat3& m)
{
    assert(k >= 1 && k <= 3 && "row numbers are 1-based");
    m[k - 1] = v;
}

Vec3 mat_get_row(int k, const Mat3& m)
{
    assert(k >= 1 && k <= 3 && "row numbers are 1-based");
    return m[k - 1];
}

SymmetricEigen symmetric_eigen(const Mat3& input)
{
    Mat3 a = input;
    Mat3 v = mat_identity3();  // columns are the eigenvectors while iterating
    for (int sweep = 0; sweep < 60; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        if (off == 0.0) {
            break;
        }
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0.0) {
                    continue;
                }
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t = (theta >= 0.0 ? 1.0 : -1.0) /
                                 (std::abs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (int k = 0; k < 3; ++k) {
                    const double akp = a[k][p];
                    const double akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double apk = a[p][k];
                    const double aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    const double vkp = v[k][p];
                    const double vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
    std::array<int, 3> order{0, 1, 2};
    std::sort(order.begin(), order.end(), [&](int i, int j) { return a[i][i] < a[j][j]; });
    SymmetricEigen e;
    for (int k = 0; k < 3; ++k) {
        const int c = order[static_cast<std::size_t>(k)];
        e.values[k] = a[c][c];
        e.vectors[k] = {v[0][c], v[1][c], v[2][c]};
    }
    return e;
}

double vec_dot(std::span<const double> a, std::span<const double> b)
{
    assert(a.size() == b.size() && "vectors of one order");
    double s = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        s += a[i] * b[i];
    }
    return s;
}

double vec_length(std::span<const double> a) { return std::sqrt(vec_dot(a, a)); }

void mat_zero(Matrix& m)
{
    for (std::size_t i = 0; i < m.size(); ++i) {
        for (double& x : m.row(i)) {
            x = 0.0;
        }
    }
}

void mat_identity(Matrix& m)
{
    mat_zero(m);
    for (std::size_t i = 0; i < m.size(); ++i) {
        m(i, i) = 1.0;
    }
}

std::vector<double> mat_vec(const Matrix& m, std::span<const double> x)
{
    assert(m.size() == x.size() && "matrix and vector of one order");
    std::vector<double> y(x.size(), 0.0);
    for (std::size_t i = 0; i < m.size(); ++i) {
        y[i] = vec_dot(m.row(i), x);
    }
    return y;
}

std::vector<double> mat_t_vec(std::span<const double> x, const Matrix& m)
{
    assert(m.size() == x.size() && "matrix and vector of one order");
    std::vector<double> y(x.size(), 0.0);
    for (std::size_t j = 0; j < m.size(); ++j) {
        for (std::size_t i = 0; i < m.size(); ++i) {
            y[i] += m(j, i) * x[j];
        }
    }
    return y;
}

namespace {

void swap_rows(std::size_t r, std::size_t k, Matrix& a, std::vector<double>& b, Matrix& inverse)
{
    if (r == k) {
        return;
    }
    std::swap_ranges(a.row(r).begin(), a.row(r).end(), a.row(k).begin());
    std::swap_ranges(inverse.row(r).begin(), inverse.row(r).end(), inverse.row(k).begin());
    std::swap(b[r], b[k]);
}

void normalise_pivot_row(std::size_t k, Matrix& a, std::vector<double>& b, Matrix& inverse)
{
    const double p = a(k, k);
    b[k] /= p;
    for (std::size_t j = 0; j < a.size(); ++j) {
        a(k, j) /= p;
        inverse(k, j) /= p;
    }
}

void eliminate_column(std::size_t k, Matrix& a, std::vector<double>& b, Matrix& inverse)
{
    const std::size_t n = a.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i == k) {
            continue;
        }
        const double f = a(i, k);
        if (f == 0.0) {
            continue;  // subtracting zero times the pivot row changes nothing
        }
        b[i] -= b[k] * f;
        for (std::size_t j = 0; j < n; ++j) {
            a(i, j) -= a(k, j) * f;
            inverse(i, j) -= inverse(k, j) * f;
        }
    }
}

}  // namespace

Status solve_linear(Matrix a, std::vector<double>& b, Matrix& inverse)
{
    const std::size_t n = a.size();
    assert(b.size() == n && "right-hand side of the matrix's order");
    if (inverse.size() != n) {
        inverse = Matrix(n);
    }
    mat_identity(inverse);
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t best = k;
        for (std::size_t r = k + 1; r < n; ++r) {
            if (std::abs(a(r, k)) > std::abs(a(best, k))) {
                best = r;
            }
        }
        if (a(best, k) == 0.0) {
            return Status::error;
        }
        swap_rows(best, k, a, b, inverse);
        normalise_pivot_row(k, a, b, inverse);
        eliminate_column(k, a, b, inverse);
    }
    return Status::ok;
}

Status least_squares(std::span<const double> a, std::size_t m, std::span<const double> b,
                     std::vector<double>& x, double& rms)
{
    const std::size_t rows = b.size();
    assert(a.size() == rows * m && "one row of m coefficients per equation");
    Matrix s(m);
    std::vector<double> v(m, 0.0);
    for (std::size_t k = 0; k < rows; ++k) {
        const double* row = a.data() + k * m;
        for (std::size_t j = 0; j < m; ++j) {
            v[j] += row[j] * b[k];
            for (std::size_t l = j; l < m; ++l) {
                s(j, l) += row[l] * row[j];
            }
        }
    }
    for (std::size_t j = 0; j < m; ++j) {
        for (std::size_t l = 0; l < j; ++l) {
            s(j, l) = s(l, j);
        }
    }
    Matrix inverse;
    if (m == 0 || rows == 0 || solve_linear(std::move(s), v, inverse) == Status::error) {
        return Status::error;
    }
    double sum = 0.0;
    for (std::size_t k = 0; k < rows; ++k) {
        const double e = vec_dot(a.subspan(k * m, m), v) - b[k];
        sum += e * e;
    }
    x = std::move(v);
    rms = std::sqrt(sum / static_cast<double>(rows));
    return Status::ok;
}

}  // namespace tengun
