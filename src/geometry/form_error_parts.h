#pragma once
// Pieces the form-error routines share (form_error*.cpp only): the cloud's size for tolerances,
// its principal spreads for the degenerate cases, point numbers, and the rule that settles the
// minimum zone against the least-squares one.

#include <algorithm>
#include <cstddef>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "geometry/form_error.h"

namespace tengun::form_detail {

/// The diagonal of the points' bounding box (0 for no points).
double cloud_size(std::span<const Vec3> points);

/// Mean of the points, summed about the first so that a far-off cloud keeps its digits.
Vec3 centroid(std::span<const Vec3> points);

/// The RMS distances of the points from their centroid along the three principal directions
/// of their scatter, smallest first, measured directly along those directions (good to rounding
/// of the coordinates even where the eigenvalues are not).
struct Spreads {
    Vec3 rms{};
    Mat3 axes{};   ///< the principal directions, rows, in the order of `rms`
    Vec3 centre{}; ///< the centroid
};
Spreads principal_spreads(std::span<const Vec3> points);

/// True when `spread` counts as nothing beside the largest spread and rounding of coordinates
/// of the points' size and position: at most 1e-10 of the largest or 64 units of the last place.
bool negligible_spread(double spread, const Spreads& spreads, double size);

/// The `count` points of largest amount offered so far (a small min-heap).
class WorstPoints {
public:
    explicit WorstPoints(std::size_t count) : count_(count) {}
    void offer(double amount, std::size_t index)
    {
        if (heap_.size() < count_) {
            heap_.emplace_back(amount, index);
            std::push_heap(heap_.begin(), heap_.end(), std::greater<>{});
        } else if (count_ > 0 && amount > heap_.front().first) {
            std::pop_heap(heap_.begin(), heap_.end(), std::greater<>{});
            heap_.back() = {amount, index};
            std::push_heap(heap_.begin(), heap_.end(), std::greater<>{});
        }
    }
    [[nodiscard]] const std::vector<std::pair<double, std::size_t>>& items() const { return heap_; }

private:
    std::size_t count_;
    std::vector<std::pair<double, std::size_t>> heap_;
};

/// 1-based point numbers, ascending and without repeats, of the 0-based `indices`.
std::vector<int> point_numbers(std::vector<std::size_t> indices);

/// Keeps the minimum zone no wider than the least-squares one (takes the latter when the search
/// ended wider) and says whether the two agree: within 1e-12 relative, or within rounding of
/// coordinates of the magnitude `scale` (64 units of the last place).
void settle(FormErrors& errors, double scale);

/// The magnitude of the points' coordinates: their extent plus the distance of their centroid
/// from the origin.
double coordinate_scale(double size, const Vec3& centroid);

/// Two unit vectors completing the unit vector `n` to a right-handed orthonormal frame
/// (rows e1, e2, n).
Mat3 frame_about(const Vec3& n);

/// flatness with its first subset from a grid of `cells` x `cells` over the fitted plane (4 in
/// flatness) and roundness with it from `sectors` sectors of directions (16 in roundness). The
/// grid only decides which points are tried first; the tests use 1 to make the subset grow.
[[nodiscard]] Status flatness_in_cells(std::span<const Vec3> points, const Vec3& normal,
                                       double offset, int cells, FormErrors& out);
[[nodiscard]] Status roundness_in_sectors(std::span<const Vec3> points, const Mat3& frame,
                                          const Vec3& centre, int sectors, FormErrors& out);

} // namespace tengun::form_detail
