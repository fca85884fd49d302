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

using MeshReader = Status (*)(std::string_view, LoadedMesh&, ReadError&, const BytesPassed&,
                              const ShortRowQuestion&);
using PointReader = Status (*)(std::string_view, PointCloud&, ReadError&);

/// A reader of points only, as a mesh reader without triangles.
template <PointReader read>
Status points_only(std::string_view bytes, LoadedMesh& out, ReadError& error, const BytesPassed&,
                   const ShortRowQuestion&)
{
    LoadedMesh fresh;
    if (read(bytes, fresh.points, error) == Status::error) {
        return Status::error;
    }
    out = std::move(fresh);
    return Status::ok;
}

/// A reader that walks big files and hears `passed`, and has no rows to ask about.
template <Status (*read)(std::string_view, LoadedMesh&, ReadError&, const BytesPassed&)>
Status passed_only(std::string_view bytes, LoadedMesh& out, ReadError& error,
                   const BytesPassed& passed, const ShortRowQuestion&)
{
    return read(bytes, out, error, passed);
}

/// A reader that takes no `passed` (it holds its own view of the bytes).
template <Status (*read)(std::string_view, LoadedMesh&, ReadError&)>
Status whole(std::string_view bytes, LoadedMesh& out, ReadError& error, const BytesPassed&,
             const ShortRowQuestion&)
{
    return read(bytes, out, error);
}

struct FormatReader {
    FileFormat format;
    MeshReader read;
};

// Every format detect_file_format can decide has its reader here.
constexpr std::array<FormatReader, 12> readers{{
    {FileFormat::csv, read_csv_points},
    {FileFormat::pix, points_only<read_pix_points>},
    {FileFormat::bmp, points_only<read_bitmap_points>},
    {FileFormat::iges, points_only<read_iges_points>},
    {FileFormat::stl_ascii, passed_only<read_stl>},
    {FileFormat::stl_binary, passed_only<read_binary_stl>},
    {FileFormat::ply, passed_only<read_ply_mesh>},
    {FileFormat::pcd, passed_only<read_pcd_points>},
    {FileFormat::las, passed_only<read_las_points>},
    {FileFormat::laz, passed_only<read_las_points>},  // it says that compressed LAS is not read
    {FileFormat::obj, whole<read_obj_mesh>},
    {FileFormat::xyz, read_xyz_points},
}};

}  // namespace

Status read_format(FileFormat format, std::string_view bytes, std::string_view file_name,
                   LoadedMesh& out, ReadError& error, const BytesPassed& passed,
                   const ShortRowQuestion& skip_short_rows)
{
    for (const FormatReader& r : readers) {
        if (r.format == format) {
            return r.read(bytes, out, error, passed, skip_short_rows);
        }
    }
    error = {unknown_format_reason(file_name)};
    return Status::error;
}

}  // namespace tengun
