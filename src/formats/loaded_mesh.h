#pragma once
// What a point or mesh reader gives: the points, the triangles where the file has faces, and
// notes for the user about a file that loaded although part of it was left out.

#include <string>
#include <vector>

#include "geometry/point_cloud.h"

namespace tengun {

struct LoadedMesh {
    PointCloud points;                     ///< labels 0
    std::vector<int> tri_a, tri_b, tri_c;  ///< corners of each triangle, point numbers 1..N
    /// Japanese sentences such as "末尾の12バイトは無視しました。", shown after the load.
    std::vector<std::string> notes;
    [[nodiscard]] std::size_t triangle_count() const { return tri_a.size(); }
    friend bool operator==(const LoadedMesh&, const LoadedMesh&) = default;
};

}  // namespace tengun
