#include "formats/format_readers.h"

#include <array>

#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/iges_points.h"
#include "formats/pix_points.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"

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

/// A reader that takes no `passed` (it holds its own view of the bytes).
template <Status (*read)(std::string_view, LoadedMesh&, ReadError&)>
Status whole(std::string_view bytes, LoadedMesh& out, ReadError& error, const BytesPassed&)
{
    return read(bytes, out, error);
}

/// Formats whose readers are still to come: a clear refusal instead of a wrong reading.
template <FileFormat format>
Status not_yet(std::string_view, LoadedMesh&, ReadError& error, const BytesPassed&)
{
    error = {std::string(format_name(format)) + "ファイルの読み込みにはまだ対応していません"};
    return Status::error;
}

struct FormatReader {
    FileFormat format;
    MeshReader read;
};

// Every format detect_file_format can decide has its reader here.
constexpr std::array<FormatReader, 12> readers{{
    {FileFormat::csv, points_only<read_csv_points>},
    {FileFormat::pix, points_only<read_pix_points>},
    {FileFormat::bmp, points_only<read_bitmap_points>},
    {FileFormat::iges, points_only<read_iges_points>},
    {FileFormat::stl_ascii, read_stl},
    {FileFormat::stl_binary, read_binary_stl},
    {FileFormat::ply, read_ply_mesh},
    // READERS-BRANCH: replace these four with the readers of pcd_points.h, las_points.h (LAS
    // and LAZ), obj_mesh.h and xyz_points.h, each through whole<...>.
    {FileFormat::pcd, not_yet<FileFormat::pcd>},
    {FileFormat::las, not_yet<FileFormat::las>},
    {FileFormat::laz, not_yet<FileFormat::laz>},
    {FileFormat::obj, not_yet<FileFormat::obj>},
    {FileFormat::xyz, not_yet<FileFormat::xyz>},
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
