#pragma once
// The plain reading of a binary STL, for comparison with the reader's fast path: every corner
// through PointIndex, as the ASCII reader merges them, no checks beyond the layout.

#include <cstdint>
#include <cstring>
#include <string_view>

#include "formats/loaded_mesh.h"
#include "formats/stl_mesh.h"

namespace tengun::testing {

inline LoadedMesh plain_binary_stl(std::string_view bytes)
{
    const auto f32 = [&bytes](std::size_t at) {
        float v = 0;
        std::memcpy(&v, bytes.data() + at, 4);  // the test machines are little-endian
        return static_cast<double>(v);
    };
    std::uint32_t count = 0;
    std::memcpy(&count, bytes.data() + 80, 4);
    LoadedMesh mesh;
    PointIndex index;
    for (std::size_t t = 0; t < count; ++t) {
        int corners[3] = {};
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t at = 84 + 50 * t + 12 + 12 * c;
            (void)index.find_or_add_point(mesh.points, {f32(at), f32(at + 4), f32(at + 8)},
                                          corners[c]);
        }
        mesh.tri_a.push_back(corners[0]);
        mesh.tri_b.push_back(corners[1]);
        mesh.tri_c.push_back(corners[2]);
    }
    return mesh;
}

}  // namespace tengun::testing
