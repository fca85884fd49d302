#pragma once
// A k-d tree over a cloud (nanoflann), for the neighbour searches of the surface preparation and
// the tangent-plane mesh. It borrows the points: they must outlive it and not change. Searches
// are const and may run on several threads at once. Indices are 0-based.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

class PointTree {
public:
    explicit PointTree(std::span<const Vec3> xyz);
    ~PointTree();
    PointTree(const PointTree&) = delete;
    PointTree& operator=(const PointTree&) = delete;

    /// The k points nearest `at` (fewer when the cloud is smaller), nearest first, with their
    /// squared distances; returns how many were found.
    std::size_t nearest(const Vec3& at, std::size_t k, std::uint32_t* index, double* d2) const;

    /// The points in the order of the tree's leaves: points near each other in space stand near
    /// each other in it.
    [[nodiscard]] std::vector<std::uint32_t> leaf_order() const;

    /// Every point within squared distance r2 of `at` (in no particular order).
    void within(const Vec3& at, double r2, std::vector<std::uint32_t>& found) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// The k nearest points of every point, itself included (so normally first), row by row:
/// neighbours[i * k + j]; rows of a cloud smaller than k are filled up with the point itself.
/// Spread over the worker threads; the same answer with any number of them.
std::vector<std::uint32_t> nearest_neighbours(const PointTree& tree, std::span<const Vec3> xyz,
                                              std::size_t k);

} // namespace tengun
