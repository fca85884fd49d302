#pragma once
// Small stateless numeric routines: angle conversion with the program's own range handling,
// 3-vectors and 3x3 matrices, dense n x n matrices and the Gauss-Jordan solver.
//
// Storage is 0-based: component k of a Vec3 (k = 1..3 in the algorithms' notation) is v[k-1],
// matrix element M(i, j) is M[i-1][j-1]. Routines return their result by value, so passing the
// same vector as input and as output (as in `v = mat_vec(M, v)`) is always safe.

#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

namespace tengun {

enum class Status { ok, error };

/// The program's value of pi, used wherever the algorithms use pi.
inline constexpr double pi = 3.14159265358979;
inline constexpr double half_pi = 1.570796326794895;
/// Start value of every minimum search (the largest double the original printed form allows).
inline constexpr double huge_value = 1.79769313486231E+308;

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>;  // rows

// ---- angles ---------------------------------------------------------------------------------

double deg_to_rad(double x);
double rad_to_deg(double x);
/// Arc cosine in 0..pi; arguments at or beyond +-1 give the end values, 0 gives exactly pi/2.
double arc_cos(double x);
/// Arc sine in -pi/2..pi/2; arguments at or beyond +-1 give the end values.
double arc_sin(double x);
/// Angle of the direction (x, y) in -pi..pi; (y = 0, x < 0) gives -pi, x = 0 gives +-pi/2.
double arc_tan2(double y, double x);

// ---- 3-vectors and 3x3 matrices ---------------------------------------------------------------

// The small ones are defined here, so that the inner loops of the mesh and the fits inline them.
inline Vec3 vec_sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 vec_add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 vec_scale(const Vec3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
inline double vec_dot(const Vec3& a, const Vec3& b)
{
    double s = 0.0;
    for (int i = 0; i < 3; ++i) {
        s += a[i] * b[i];
    }
    return s;
}
inline double vec_length(const Vec3& a) { return std::sqrt(vec_dot(a, a)); }
/// Angle between a and b (arc_cos of the normalised dot product); 0 when either has length 0.
double vec_angle(const Vec3& a, const Vec3& b);
/// Signed residual normal . x - d (the distance when the normal is a unit vector).
double plane_residual(const Vec3& x, const Vec3& normal, double d);

Mat3 mat_zero3();
Mat3 mat_identity3();
/// y = M x.
Vec3 mat_vec(const Mat3& m, const Vec3& x);
/// y = M^T x (note the argument order, kept from the algorithms' notation).
Vec3 mat_t_vec(const Vec3& x, const Mat3& m);
void mat_set_row(int k, const Vec3& v, Mat3& m);  // k is 1-based
Vec3 mat_get_row(int k, const Mat3& m);           // k is 1-based

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return vec_add(a, b); }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return vec_sub(a, b); }
inline Vec3 operator*(double s, const Vec3& a) { return vec_scale(a, s); }

/// Eigen decomposition of a symmetric 3x3 matrix by Jacobi rotations: eigenvalues in ascending
/// order, eigenvector k in row k of `vectors` (unit length, mutually orthogonal).
struct SymmetricEigen {
    Vec3 values{};
    Mat3 vectors{};
};
SymmetricEigen symmetric_eigen(const Mat3& a);

// ---- vectors of any order ---------------------------------------------------------------------

double vec_dot(std::span<const double> a, std::span<const double> b);
double vec_length(std::span<const double> a);

/// Dense square matrix of order n, row-major, 0-based.
class Matrix {
public:
    Matrix() = default;
    explicit Matrix(std::size_t n) : n_(n), v_(n * n, 0.0) {}
    [[nodiscard]] std::size_t size() const { return n_; }
    double& operator()(std::size_t i, std::size_t j) { return v_[i * n_ + j]; }
    double operator()(std::size_t i, std::size_t j) const { return v_[i * n_ + j]; }
    std::span<double> row(std::size_t i) { return {v_.data() + i * n_, n_}; }
    std::span<const double> row(std::size_t i) const { return {v_.data() + i * n_, n_}; }
    friend bool operator==(const Matrix&, const Matrix&) = default;

private:
    std::size_t n_ = 0;
    std::vector<double> v_;
};

void mat_zero(Matrix& m);
void mat_identity(Matrix& m);
/// y = M x for a matrix of order x.size().
std::vector<double> mat_vec(const Matrix& m, std::span<const double> x);
/// y = M^T x.
std::vector<double> mat_t_vec(std::span<const double> x, const Matrix& m);

/// Solves A x = b by Gauss-Jordan elimination over [A | b | inverse]; n = A.size() = b.size().
/// On Status::ok `b` holds x and `inverse` the inverse of A (resized to n). The pivot of each
/// column is the remaining row with the largest absolute value there (a bare "first non-zero"
/// pivot accepts rounding noise such as cos(pi/2) and returns wrong solutions). Status::error
/// when a pivot column is exactly zero in every remaining row; `b` and `inverse` are then left
/// partly eliminated.
/// n = 0 gives Status::ok and changes nothing.
[[nodiscard]] Status solve_linear(Matrix a, std::vector<double>& b, Matrix& inverse);

/// Linear least squares for K = b.size() equations in m unknowns: minimises |A x - b| through the
/// normal equations (A^T A) x = A^T b. `a` holds A row by row (K x m, row k at a[k*m .. k*m+m)).
/// On Status::ok `x` (resized to m) is the solution and `rms` = sqrt(sum (A_k . x - b_k)^2 / K).
/// Status::error when A^T A is exactly singular (K = 0, a zero column, ...): `x` and `rms` are
/// then unchanged.
[[nodiscard]] Status least_squares(std::span<const double> a, std::size_t m,
                                   std::span<const double> b, std::vector<double>& x,
                                   double& rms);

}  // namespace tengun
