#pragma once
// PCD and LAS files built in memory for the reader tests, and the check of a real file against
// the counts and bounds its source lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <lzf.h>

#include "formats/file_io.h"
#include "formats/loaded_mesh.h"
#include "support/temp_dir.h"

namespace tengun::testing {

inline std::string external_file(const std::string& path)
{
    return TempDir::read((std::filesystem::path(TENGUN_EXTERNAL_DATA) / path).string());
}

template <class T> void put_le(std::string& b, std::size_t at, T v)
{
    char bytes[sizeof v];
    std::memcpy(bytes, &v, sizeof v);  // the test machines are little-endian
    b.replace(at, sizeof v, bytes, sizeof v);
}

template <class T> T get_le(const std::string& b, std::size_t at)
{
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

template <class T> void append_le(std::string& b, T v)
{
    b.resize(b.size() + sizeof v);
    put_le(b, b.size() - sizeof v, v);
}

inline std::string shortest(double v)
{
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return {buffer, r.ptr};
}

struct PcdField {
    std::string name;
    char type = 'F';
    int size = 4;
    int count = 1;
};

struct PcdLayout {
    std::vector<PcdField> fields{{"x"}, {"y"}, {"z"}};
    std::string data = "binary";  // ascii, binary or binary_compressed
    std::uint64_t width = 0;      // 0: one row of all records
    std::uint64_t height = 1;
    std::optional<std::uint64_t> points;  // default: the number of records
};

/// One value stored as the field's TYPE and SIZE.
inline void append_value(std::string& b, const PcdField& f, double v)
{
    switch (f.type == 'F' ? f.size : f.type == 'I' ? 10 + f.size : 20 + f.size) {
    case 4:
        return append_le(b, static_cast<float>(v));
    case 8:
        return append_le(b, v);
    case 11:
        return append_le(b, static_cast<std::int8_t>(v));
    case 12:
        return append_le(b, static_cast<std::int16_t>(v));
    case 14:
        return append_le(b, static_cast<std::int32_t>(v));
    case 18:
        return append_le(b, static_cast<std::int64_t>(v));
    case 21:
        return append_le(b, static_cast<std::uint8_t>(v));
    case 22:
        return append_le(b, static_cast<std::uint16_t>(v));
    case 24:
        return append_le(b, static_cast<std::uint32_t>(v));
    case 28:
        return append_le(b, static_cast<std::uint64_t>(v));
    default:
        b.append(static_cast<std::size_t>(f.size), '\x5A');  // a field no reader interprets
    }
}

/// A PCD file: `records` holds each record's values, field after field, COUNT values each.
inline std::string make_pcd(const PcdLayout& layout,
                            const std::vector<std::vector<double>>& records)
{
    std::string names, sizes, types, counts;
    for (const PcdField& f : layout.fields) {
        names += " " + f.name;
        sizes += " " + std::to_string(f.size);
        types += std::string(" ") + f.type;
        counts += " " + std::to_string(f.count);
    }
    const std::uint64_t width = layout.width != 0 ? layout.width : records.size();
    std::string out =
        "# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\nFIELDS" + names + "\nSIZE" +
        sizes + "\nTYPE" + types + "\nCOUNT" + counts + "\nWIDTH " + std::to_string(width) +
        "\nHEIGHT " + std::to_string(layout.height) + "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " +
        std::to_string(layout.points.value_or(records.size())) + "\nDATA " + layout.data + "\n";
    if (layout.data == "ascii") {
        for (const auto& r : records) {
            for (std::size_t k = 0; k < r.size(); ++k) {
                out += (k == 0 ? "" : " ") + (std::isnan(r[k]) ? "nan" : shortest(r[k]));
            }
            out += "\n";
        }
        return out;
    }
    std::string data;
    if (layout.data == "binary") {
        for (const auto& r : records) {
            std::size_t k = 0;
            for (const PcdField& f : layout.fields) {
                for (int c = 0; c < f.count; ++c) {
                    append_value(data, f, r[k++]);
                }
            }
        }
        return out + data;
    }
    std::size_t first = 0;  // binary_compressed: all values of a field, then the next field
    for (const PcdField& f : layout.fields) {
        for (const auto& r : records) {
            for (int c = 0; c < f.count; ++c) {
                append_value(data, f, r[first + static_cast<std::size_t>(c)]);
            }
        }
        first += static_cast<std::size_t>(f.count);
    }
    std::string packed(data.size() + data.size() / 16 + 64, '\0');
    const unsigned n = lzf_compress(data.data(), static_cast<unsigned>(data.size()), packed.data(),
                                    static_cast<unsigned>(packed.size()));
    EXPECT_TRUE(n > 0 || data.empty());
    append_le(out, static_cast<std::uint32_t>(n));
    append_le(out, static_cast<std::uint32_t>(data.size()));
    return out + packed.substr(0, n);
}

struct LasLayout {
    int minor = 2;
    int format = 0;
    std::size_t extra_bytes = 0;  // after the format's own fields in every record
    std::size_t gap = 0;          // bytes between the header and the points
    bool legacy_count_zero = false;
    std::array<double, 3> scale{0.01, 0.01, 0.01};
    std::array<double, 3> offset{0, 0, 0};
};

/// A LAS file of points given as their stored integers X, Y, Z.
inline std::string make_las(const LasLayout& layout,
                            const std::vector<std::array<std::int32_t, 3>>& stored)
{
    static constexpr std::array<std::size_t, 11> minimum{20, 28, 26, 34, 57, 63,
                                                         30, 36, 38, 59, 67};
    const std::size_t header = layout.minor <= 2 ? 227 : layout.minor == 3 ? 235 : 375;
    const std::size_t record =
        minimum[static_cast<std::size_t>(layout.format)] + layout.extra_bytes;
    std::string b(header, '\0');
    b.replace(0, 4, "LASF");
    b[24] = 1;
    b[25] = static_cast<char>(layout.minor);
    put_le(b, 94, static_cast<std::uint16_t>(header));
    put_le(b, 96, static_cast<std::uint32_t>(header + layout.gap));
    b[104] = static_cast<char>(layout.format);
    put_le(b, 105, static_cast<std::uint16_t>(record));
    put_le(b, 107, static_cast<std::uint32_t>(layout.legacy_count_zero ? 0 : stored.size()));
    for (std::size_t k = 0; k < 3; ++k) {
        put_le(b, 131 + 8 * k, layout.scale[k]);
        put_le(b, 155 + 8 * k, layout.offset[k]);
    }
    if (layout.minor >= 4) {
        put_le(b, 247, static_cast<std::uint64_t>(stored.size()));
    }
    b.append(layout.gap, '\x7F');
    for (const auto& p : stored) {
        std::string r(record, '\xAB');  // attributes and extra bytes the reader must skip
        for (std::size_t k = 0; k < 3; ++k) {
            put_le(r, 4 * k, p[k]);
        }
        b += r;
    }
    return b;
}

/// What the source list says of a real file.
struct FileFacts {
    const char* path;
    std::size_t points;
    std::size_t triangles;
    Vec3 min, max, first;
    double relative = 1e-7;  // tolerance of the bounds and the first point
};

/// Counts exact; bounds and first point to the digits the list gives (float32 values are printed
/// in their shortest form, so a relative 1e-7 after the conversion to double by default).
inline void expect_facts(const LoadedMesh& m, const FileFacts& f)
{
    ASSERT_EQ(m.points.size(), f.points);
    EXPECT_EQ(m.triangle_count(), f.triangles);
    EXPECT_EQ(m.points.label, std::vector<double>(m.points.size(), 0.0));
    Vec3 lo = m.points.xyz[0];
    Vec3 hi = lo;
    for (const Vec3& p : m.points.xyz) {
        for (std::size_t k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    for (std::size_t k = 0; k < 3; ++k) {
        for (const auto& [got, want] : {std::pair{lo[k], f.min[k]}, std::pair{hi[k], f.max[k]},
                                        std::pair{m.points.xyz[0][k], f.first[k]}}) {
            EXPECT_NEAR(got, want, f.relative * std::max(1.0, std::abs(want))) << "axis " << k;
        }
    }
}

using MeshReader = Status (*)(std::string_view, LoadedMesh&, ReadError&);

inline LoadedMesh read_ok(MeshReader read, std::string_view bytes)
{
    LoadedMesh m;
    ReadError error;
    EXPECT_EQ(read(bytes, m, error), Status::ok)
        << error.reason << " line " << error.line << " offset " << error.offset.value_or(0);
    EXPECT_EQ(m.points.label.size(), m.points.size());
    return m;
}

/// A file a reader must refuse: words of the reason, and the line or byte offset.
struct BadFile {
    const char* name;
    std::string bytes;
    const char* reason_part;
    std::size_t line = 0;
    std::optional<std::size_t> offset = std::nullopt;
    std::size_t field = 0;  // checked when not 0
};

inline void expect_refused(MeshReader read, const BadFile& c)
{
    SCOPED_TRACE(c.name);
    LoadedMesh m;
    m.points.add({1, 2, 3});
    m.tri_a = m.tri_b = m.tri_c = {1};
    m.notes = {"before"};
    const LoadedMesh before = m;
    ReadError error;
    ASSERT_EQ(read(c.bytes, m, error), Status::error);
    EXPECT_NE(error.reason.find(c.reason_part), std::string::npos) << error.reason;
    EXPECT_EQ(error.line, c.line) << error.reason;
    EXPECT_EQ(error.offset, c.offset) << error.reason;
    if (c.field != 0) {
        EXPECT_EQ(error.field, c.field) << error.reason;
    }
    EXPECT_EQ(m, before) << "the output changed on error";
}

}  // namespace tengun::testing
