#pragma once
// Big files for the load benchmarks and the whole-process comparison with Open3D, made in
// memory from fixed formulas.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_order.h"

namespace tengun::bench {

struct MeshBytes {
    std::string bytes;
    std::size_t facets = 0;
    std::size_t vertices = 0;  // distinct
};

/// n facets of a wavy grid, two a square, as a CAD export writes them: every inner vertex in
/// six facets, so about n / 2 distinct vertices.
inline MeshBytes grid_binary_stl(std::size_t n)
{
    const auto k = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(n) / 2.0)));
    MeshBytes out;
    out.bytes.assign(80, ' ');
    tengun::append_le(out.bytes, static_cast<std::uint32_t>(n));
    std::vector<bool> used((k + 1) * (k + 1), false);
    const auto vertex = [&](std::size_t i, std::size_t j) {
        const auto x = static_cast<float>(0.37 * static_cast<double>(i));
        const auto y = static_cast<float>(0.41 * static_cast<double>(j));
        const auto z = static_cast<float>(5.0 * std::sin(0.01 * x) * std::cos(0.013 * y));
        tengun::append_le(out.bytes, x);
        tengun::append_le(out.bytes, y);
        tengun::append_le(out.bytes, z);
        if (!used[i * (k + 1) + j]) {
            used[i * (k + 1) + j] = true;
            ++out.vertices;
        }
    };
    for (std::size_t i = 0; i < k && out.facets < n; ++i) {
        for (std::size_t j = 0; j < k && out.facets < n; ++j) {
            const std::size_t corners[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}},
                                                  {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
            for (const auto& facet : corners) {
                if (out.facets == n) {
                    break;
                }
                for (int c = 0; c < 3; ++c) {
                    tengun::append_le(out.bytes, c == 2 ? 1.0F : 0.0F);
                }
                for (const auto& c : facet) {
                    vertex(c[0], c[1]);
                }
                tengun::append_le(out.bytes, std::uint16_t{0});
                ++out.facets;
            }
        }
    }
    return out;
}

/// n scanner points as a binary little-endian PLY, x y z as float (as scanners write them) or
/// double (as Tengun writes them).
inline std::string cloud_ply(std::size_t n, bool doubles)
{
    std::string out = "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(n) +
                      "\n";
    const char* type = doubles ? "double" : "float";
    for (const char* axis : {"x", "y", "z"}) {
        out += std::string("property ") + type + " " + axis + "\n";
    }
    out += "end_header\n";
    out.reserve(out.size() + n * (doubles ? 24 : 12));
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        const double xyz[3] = {std::fmod(t * 0.618, 1000.0), std::fmod(t * 0.414, 700.0),
                               std::fmod(t * 0.173, 30.0)};
        for (const double v : xyz) {
            doubles ? tengun::append_le(out, v) : tengun::append_le(out, static_cast<float>(v));
        }
    }
    return out;
}

/// n points of a scan as a binary PCD with fields x y z intensity (4-byte floats), as scanner
/// drivers write it.
inline std::string cloud_pcd(std::size_t n)
{
    std::string out = "# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n"
                      "FIELDS x y z intensity\nSIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\n"
                      "WIDTH " + std::to_string(n) + "\nHEIGHT 1\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " +
                      std::to_string(n) + "\nDATA binary\n";
    out.reserve(out.size() + 16 * n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        for (const double v : {std::fmod(t * 0.618, 1000.0), std::fmod(t * 0.414, 700.0),
                               std::fmod(t * 0.173, 30.0), 1.0}) {
            tengun::append_le(out, static_cast<float>(v));
        }
    }
    return out;
}

/// n points of a survey as LAS 1.2, point format 0 (20-byte records), millimetre scale.
inline std::string cloud_las(std::size_t n)
{
    std::string out(227, '\0');
    out.replace(0, 4, "LASF");
    out[24] = 1;
    out[25] = 2;
    const auto put = [&out](std::size_t at, auto value) {
        std::string b;
        tengun::append_le(b, value);
        out.replace(at, b.size(), b);
    };
    put(94, std::uint16_t{227});
    put(96, std::uint32_t{227});
    put(105, std::uint16_t{20});
    put(107, static_cast<std::uint32_t>(n));
    for (std::size_t k = 0; k < 3; ++k) {
        put(131 + 8 * k, 0.001);
    }
    out.reserve(out.size() + 20 * n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        for (const double v : {std::fmod(t * 0.618, 1000.0), std::fmod(t * 0.414, 700.0),
                               std::fmod(t * 0.173, 30.0)}) {
            tengun::append_le(out, static_cast<std::int32_t>(std::lround(v * 1000.0)));
        }
        out.append(8, '\0');
    }
    return out;
}

}  // namespace tengun::bench
