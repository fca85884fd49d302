// Opening a file by its content: the menu item, and the worker that drops and the command line
// share.
#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/file_format.h"
#include "formats/format_readers.h"

namespace tengun {

namespace {

MeshLoad mesh_load_of(FileFormat format)
{
    switch (format) {
    case FileFormat::stl_ascii:
    case FileFormat::stl_binary:
        return MeshLoad::replace_show;  // as stl_file_input does
    case FileFormat::ply:
    case FileFormat::obj:
    case FileFormat::pcd:
    case FileFormat::las:
    case FileFormat::laz:
    case FileFormat::xyz:
        // The mesh of an earlier cloud would be drawn over these points: it goes.
        return MeshLoad::replace;
    default:
        return MeshLoad::keep;  // as each format's own command does
    }
}

}  // namespace

void open_file(CommandContext& ctx)
{
    FileBytes file;
    if (!read_chosen_file(ctx, file)) {
        return;
    }
    const std::string& name = ctx.program.selected_file_name;
    const std::string_view bytes = file.bytes();
    const FileFormat format = detect_file_format(bytes, bytes.size(), name);
    LoadedMesh mesh;
    ReadError error;
    const auto read = [&] {
        return read_format(format, bytes, name, mesh, error, load_progress(ctx, file),
                           short_row_question(ctx));
    };
    if (read_guarded(read, error) == Status::error) {
        show_load_failure(ctx, error);
        return;
    }
    file = FileBytes{};  // the file is no longer needed while the form takes the points
    load_mesh(ctx, std::move(mesh), mesh_load_of(format), empty_file_reason(format));
}

void auto_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::all_formats)) {
        return;
    }
    open_file(ctx);
}

}  // namespace tengun
