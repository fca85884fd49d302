#include "formats/format_readers.h"

#include <array>

#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/iges_points.h"
#include "formats/las_points.h"
#include "formats/obj_mesh.h"
#include "formats/pcd_points.h"
#include "formats/pix_points.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "formats/xyz_points.h"

namespace tengun {

namespace {

using MeshReader = Status (*)(std::string_view, LoadedMesh&, ReadError&, const BytesPassed&);
using PointReader = Status (*)(std::string_view, PointCloud&, ReadError&);

/// A reader of points only, as a mesh reader without triangles.
template <PointReader read>
Status points_only(std::string_view bytes, LoadedMesh& out, ReadError& error, const BytesPassed&)
{
    LoadedMesh fresh;
    if (read(bytes, fresh.points, error) == Status::error) {
        return Status::error;
    }
    out = std::move(fresh);
    return Status::ok;
}

/// A reader of points only that walks big files and hears `passed`.
template <Status (*read)(std::string_view, PointCloud&, ReadError&, const BytesPassed&)>
Status points_passed(std::string_view bytes, LoadedMesh& out, ReadError& error,
                     const BytesPassed& passed)
{
    LoadedMesh fresh;
    if (read(bytes, fresh.points, error, passed) == Status::error) {
        return Status::error;
    }
    out = std::move(fresh);
    return Status::ok;
}

/// A reader that takes no `passed` (it holds its own view of the bytes).
template <Status (*read)(std::string_view, LoadedMesh&, ReadError&)>
Status whole(std::string_view bytes, LoadedMesh& out, ReadError& error, const BytesPassed&)
{
    return read(bytes, out, error);
}

struct FormatReader {
    FileFormat format;
    MeshReader read;
};

// Every format detect_file_format can decide has its reader here.
constexpr std::array<FormatReader, 12> readers{{
    {FileFormat::csv, points_passed<read_csv_points>},
    {FileFormat::pix, points_only<read_pix_points>},
    {FileFormat::bmp, points_only<read_bitmap_points>},
    {FileFormat::iges, points_only<read_iges_points>},
    {FileFormat::stl_ascii, read_stl},
    {FileFormat::stl_binary, read_binary_stl},
    {FileFormat::ply, read_ply_mesh},
    {FileFormat::pcd, read_pcd_points},
    {FileFormat::las, read_las_points},
    {FileFormat::laz, read_las_points},  // it says that compressed LAS is not read
    {FileFormat::obj, whole<read_obj_mesh>},
    {FileFormat::xyz, read_xyz_points},
}};

}  // namespace

Status read_format(FileFormat format, std::string_view bytes, std::string_view file_name,
                   LoadedMesh& out, ReadError& error, const BytesPassed& passed)
{
    for (const FormatReader& r : readers) {
        if (r.format == format) {
            return r.read(bytes, out, error, passed);
        }
    }
    error = {unknown_format_reason(file_name)};
    return Status::error;
}

}  // namespace tengun
