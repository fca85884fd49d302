#include "support/reader_contract.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "correction/thinning.h"
#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/file_format.h"
#include "formats/format_readers.h"
#include "formats/iges_points.h"
#include "formats/las_points.h"
#include "formats/obj_mesh.h"
#include "formats/pcd_points.h"
#include "formats/pix_points.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "formats/stl_mesh.h"
#include "formats/xyz_points.h"

namespace tengun::testing {

namespace {

PointCloud sentinel_cloud()
{
    PointCloud c;
    c.add({1, 2, 3}, 7);
    c.add({4, 5, 6}, -1);
    return c;
}

template <class Mesh> Mesh sentinel_mesh()
{
    Mesh m;
    m.points = sentinel_cloud();
    m.tri_a = {1};
    m.tri_b = {2};
    m.tri_c = {1};
    if constexpr (requires { m.notes; }) {
        m.notes = {"before"};
    }
    return m;
}

/// Line breaks as the text readers count lines (CR LF, CR or LF each end a line; counting CR
/// and LF apart only loosens the bound).
std::size_t line_breaks(std::string_view bytes)
{
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n') +
                                    std::count(bytes.begin(), bytes.end(), '\r'));
}

/// The error's reason and place: a UTF-8 sentence, a line that the text has (or the one just
/// after its end), an offset inside the bytes.
std::string check_error(const ReadError& error, std::string_view bytes)
{
    if (error.reason.empty()) {
        return "error without a reason";
    }
    if (!valid_utf8(error.reason)) {
        return "reason is not UTF-8: " + error.reason;
    }
    if (error.line > line_breaks(bytes) + 2) {
        return "error line " + std::to_string(error.line) + " past the end of the text (" +
               error.reason + ")";
    }
    if (error.offset && *error.offset > bytes.size()) {
        return "error offset " + std::to_string(*error.offset) + " past the end of " +
               std::to_string(bytes.size()) + " bytes (" + error.reason + ")";
    }
    return {};
}

std::string check_points(const PointCloud& points)
{
    if (points.label.size() != points.xyz.size()) {
        return "labels and points differ in number";
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3& p = points.xyz[i];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            return "point " + std::to_string(i + 1) + " is not finite";
        }
        if (points.label[i] != 0.0) {
            return "point " + std::to_string(i + 1) + " has a label";
        }
    }
    return {};
}

template <class Mesh> std::string check_mesh(const Mesh& m)
{
    if (std::string broken = check_points(m.points); !broken.empty()) {
        return broken;
    }
    if (m.tri_b.size() != m.tri_a.size() || m.tri_c.size() != m.tri_a.size()) {
        return "corner lists differ in length";
    }
    const std::size_t n = m.points.size();
    for (const std::vector<int>* corners : {&m.tri_a, &m.tri_b, &m.tri_c}) {
        for (std::size_t t = 0; t < corners->size(); ++t) {
            const int c = (*corners)[t];
            if (c < 1 || static_cast<std::size_t>(c) > n) {
                return "triangle " + std::to_string(t + 1) + " has corner " + std::to_string(c) +
                       " of " + std::to_string(n) + " points";
            }
        }
    }
    if constexpr (requires { m.notes; }) {
        for (const std::string& note : m.notes) {
            if (note.empty() || !valid_utf8(note)) {
                return "note is empty or not UTF-8: " + note;
            }
        }
    }
    return {};
}

/// Runs `read(bytes, out, error)` on a sentinel and checks the outcome.
template <class Out, class Read>
std::string run_checked(std::string_view bytes, Out sentinel, Read read)
{
    Out out = sentinel;
    ReadError error;
    if (read(bytes, out, error) == Status::error) {
        if (!(out == sentinel)) {
            return "output changed on error (" + error.reason + ")";
        }
        return check_error(error, bytes);
    }
    if constexpr (std::is_same_v<Out, PointCloud>) {
        return check_points(out);
    } else {
        return check_mesh(out);
    }
}

/// A `passed` that records whether the reader ever named an offset past the end or going back.
struct PassedCheck {
    std::size_t size = 0;
    std::size_t last = 0;
    bool broken = false;
    BytesPassed callback()
    {
        return [this](std::size_t offset) {
            broken = broken || offset > size || offset < last;
            last = offset;
            return true;
        };
    }
};

/// The CSV reader without a listener (its listener has a default).
Status read_csv_bytes(std::string_view bytes, PointCloud& cloud, ReadError& error)
{
    return read_csv_points(bytes, cloud, error);
}

template <Status (*read)(std::string_view, PointCloud&, ReadError&)>
std::string check_point_reader(std::string_view bytes)
{
    return run_checked(bytes, sentinel_cloud(), read);
}

template <Status (*read)(std::string_view, LoadedMesh&, ReadError&)>
std::string check_mesh_reader(std::string_view bytes)
{
    return run_checked(bytes, sentinel_mesh<LoadedMesh>(), read);
}

template <Status (*read)(std::string_view, LoadedMesh&, ReadError&, const BytesPassed&)>
std::string check_walking_reader(std::string_view bytes)
{
    PassedCheck passed{bytes.size()};
    const auto walk = [&passed](std::string_view b, LoadedMesh& m, ReadError& e) {
        return read(b, m, e, passed.callback());
    };
    std::string broken = run_checked(bytes, sentinel_mesh<LoadedMesh>(), walk);
    if (broken.empty() && passed.broken) {
        broken = "passed an offset outside the bytes or going back";
    }
    return broken;
}

std::string check_thinning(std::string_view bytes)
{
    // The angle comes from the size, so that every threshold meets every kind of image.
    constexpr std::array<double, 3> angles{0.5, 10.0, 60.0};
    const double angle = angles[bytes.size() % angles.size()];
    return run_checked(bytes, sentinel_cloud(),
                       [angle](std::string_view b, PointCloud& c, ReadError& e) {
                           return thin_bitmap_rows(b, angle, c, e);
                       });
}

std::string check_ascii_stl(std::string_view bytes)
{
    return run_checked(
        bytes, sentinel_mesh<StlMesh>(),
        [](std::string_view b, StlMesh& m, ReadError& e) { return read_stl_mesh(b, m, e); });
}

std::string check_open(std::string_view bytes)
{
    // The extension decides the text formats without a mark of their own.
    constexpr std::array<std::string_view, 6> names{"scan.csv", "scan.xyz", "scan.pix",
                                                    "scan.obj", "scan.stl", "scan.dat"};
    const std::string_view name = names[bytes.size() % names.size()];
    PassedCheck passed{bytes.size()};
    const auto open = [&](std::string_view b, LoadedMesh& m, ReadError& e) {
        const FileFormat format =
            detect_file_format(b.substr(0, format_probe_bytes), b.size(), name);
        return read_format(format, b, name, m, e, passed.callback());
    };
    std::string broken = run_checked(bytes, sentinel_mesh<LoadedMesh>(), open);
    if (broken.empty() && passed.broken) {
        broken = "passed an offset outside the bytes or going back";
    }
    return broken;
}

constexpr std::array<FuzzedReader, 13> readers{{
    {"csv", check_point_reader<read_csv_bytes>},
    {"xyz", check_mesh_reader<read_xyz_points>},
    {"pix", check_point_reader<read_pix_points>},
    {"bitmap", check_point_reader<read_bitmap_points>},
    {"bitmap_thinning", check_thinning},
    {"iges", check_point_reader<read_iges_points>},
    {"stl_ascii", check_ascii_stl},
    {"stl_binary", check_walking_reader<read_binary_stl>},
    {"ply", check_walking_reader<read_ply_mesh>},
    {"pcd", check_mesh_reader<read_pcd_points>},
    {"las", check_mesh_reader<read_las_points>},
    {"obj", check_mesh_reader<read_obj_mesh>},
    {"open", check_open},
}};

} // namespace

std::span<const FuzzedReader> fuzzed_readers()
{
    return readers;
}

const FuzzedReader* find_fuzzed_reader(std::string_view name)
{
    for (const FuzzedReader& r : readers) {
        if (r.name == name) {
            return &r;
        }
    }
    return nullptr;
}

bool valid_utf8(std::string_view text)
{
    std::size_t k = 0;
    while (k < text.size()) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
        const unsigned char c = byte(k);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++k;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (k + length > text.size()) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if ((byte(k + i) & 0xC0u) != 0x80u) {
                return false;
            }
            code = (code << 6u) | (byte(k + i) & 0x3Fu);
        }
        const std::uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        k += length;
    }
    return true;
}

} // namespace tengun::testing
