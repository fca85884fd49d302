#pragma once
// The point store: coordinates and a per-point label, kept side by side.
// Point numbers as the user sees them are 1-based: point i is xyz[i - 1], label[i - 1].

#include <cstddef>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

struct PointCloud {
    std::vector<Vec3> xyz;
    /// Meaning belongs to the last command that wrote it: 0 shown / 1 hidden (residual
    /// displays), 1 reached / 0 outside (mesh), plane number / 0 none / -1 discarded (planes).
    std::vector<double> label;

    [[nodiscard]] std::size_t size() const { return xyz.size(); }
    [[nodiscard]] bool empty() const { return xyz.empty(); }
    void add(const Vec3& p, double point_label = 0.0)
    {
        xyz.push_back(p);
        label.push_back(point_label);
    }
    void reserve(std::size_t n)
    {
        xyz.reserve(n);
        label.reserve(n);
    }
    void resize(std::size_t n)
    {
        xyz.resize(n);
        label.resize(n, 0.0);
    }
    void clear()
    {
        xyz.clear();
        label.clear();
    }
    friend bool operator==(const PointCloud&, const PointCloud&) = default;
};

}  // namespace tengun
