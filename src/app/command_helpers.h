#pragma once
// Steps shared by the commands of several subsystems.

#include <new>
#include <string>
#include <type_traits>

#include "app/command_context.h"
#include "correction/residual_marks.h"
#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/loaded_mesh.h"
#include "formats/point_rows.h"

namespace tengun {

/// Redraws Picture1 from the form state.
void redraw(CommandContext& ctx);
/// The drawing of one drag step in the window (ctx.preview set): draw_view_preview within the
/// preview's budget, then the budget follows the time the drawing took (frame_seconds).
void preview_redraw(CommandContext& ctx);

/// After every load: marker style by size, no analysis (and no fitted results), file name and
/// count shown, the view
/// fitted to the cloud (fit_view_to_cloud), whole cloud as base, no selection, no deviation
/// colours.
void after_load(CommandContext& ctx);

/// The view steps of after_load: rotation centre at the origin (shown in Text9), extent and
/// scale from the cloud, default view. The view it sets is remembered as the loaded one.
void fit_view_to_cloud(CommandContext& ctx);

/// True while the view is still the one the last load set (the user has not turned, moved or
/// zoomed it since).
bool view_as_loaded(const FormState& state);

/// Sets file_kind and shows the chooser; true when a file was chosen and the command goes on.
bool choose_file(CommandContext& ctx, int file_kind);

/// Opens the chosen file for reading (mapped, not copied). On failure shows the message and
/// returns false.
bool read_chosen_file(CommandContext& ctx, FileBytes& file);

/// How a loaded mesh file treats the form's mesh.
enum class MeshLoad {
    keep,         ///< a point file: the stored mesh stays, as after a CSV load
    replace,      ///< a mesh file: its triangles (perhaps none) replace the mesh; shown if any
    replace_show, ///< as replace, and the mesh display is switched on even without triangles
};

/// What a file of the format lacks when it loads no points, for load_mesh's message:
/// "高さが０でない測定点がありません。" for PIX, "頂点がありません。" for PLY, ...
std::string empty_file_reason(FileFormat format);

/// Puts what a reader gave into the form: the points (after_load runs), the triangles as
/// `mesh_load` says (tri_tag 0). An empty cloud is loaded too, with a message that the file
/// has `empty_reason` ("頂点がありません。"); the reader's notes follow in one message.
void load_mesh(CommandContext& ctx, LoadedMesh&& mesh, MeshLoad mesh_load,
               const std::string& empty_reason);

/// The reader's notes about the chosen file in one message; nothing when there are none.
void show_load_notes(CommandContext& ctx, const std::vector<std::string>& notes);

/// The question a reader of one point a row asks at the first row without three numbers: a
/// choice dialog, "refuse" (preselected) or "skip"; true when the user chose to skip.
ShortRowQuestion short_row_question(CommandContext& ctx);

/// Why a file could not be loaded when memory ran out on the way.
inline constexpr const char* out_of_memory_reason =
    "メモリが足りません。ほかのプログラムを閉じるか、ファイルを分けて読み込んで下さい。";

/// Runs `read()`, a reader over a file's bytes that fills a fresh cloud or mesh, and gives its
/// Status. An allocation that fails on the way (std::bad_alloc: a genuine file too big for the
/// memory left) becomes Status::error with out_of_memory_reason; what the form holds was never
/// touched, so it stays.
template <class Read> Status read_guarded(Read&& read, ReadError& error)
{
    try {
        return read();
    } catch (const std::bad_alloc&) {
        error = {out_of_memory_reason};
        return Status::error;
    }
}

/// What a reader of `file` hears as it goes (BytesPassed): the pages it has passed go back to
/// the system, ctx.progress moves ("読み込み", the share of the file read), and the reader stops
/// when ctx.progress asks to.
BytesPassed load_progress(CommandContext& ctx, const FileBytes& file);

/// A load that failed: shows the message, unless the user stopped it (then nothing is said).
void show_load_failure(CommandContext& ctx, const ReadError& error);

/// Reads the chosen file and parses it with `read(bytes, fresh, error)` (or, for a reader that
/// walks big files, `read(bytes, fresh, error, passed)` with load_progress) into a fresh cloud;
/// on failure (memory running out included) shows the message and returns false, leaving the
/// form as it was.
template <class Reader>
bool read_chosen_points(CommandContext& ctx, Reader read, PointCloud& fresh);

/// One message for a file that could not be read: the file, where, and what is wrong; the
/// current cloud stays as it was.
std::string load_error_message(const std::string& file, const ReadError& error);
void show_load_error(CommandContext& ctx, const ReadError& error);

/// Writes `bytes` to the file; on failure shows a message and returns false.
bool write_chosen_file(CommandContext& ctx, const std::string& file, std::string_view bytes);

/// The name of element k of a control array, e.g. field_name("Text2", 1) is "Text2(1)".
std::string field_name(const char* control, int k);

/// The plane row n(1)·X + n(2)·Y + n(3)·Z = d (Text1(0..3)) and its foot d·n (Text2(0..2)) from
/// the stored plane results.
void show_plane_row(FormState& state);

/// The form error's word in the result column: "平面度", "真直度", "真円度", "真球度", "円筒度";
/// empty for FormKind::none.
const char* form_word(FormKind kind);

/// The form errors of the stored fit under the deviation: the feature's word (平面度, 真直度,
/// 真円度, 真球度, 円筒度) in Label13, the least-squares and minimum-zone values in Text10(0)
/// and Text10(1), and in Label15 a note when the fitted feature is already the minimum zone.
/// With FormKind::none all four are empty.
void show_form_error_fields(FormState& state);

/// Forgets the stored form errors and empties their fields (another analysis, a new cloud).
void clear_form_errors(FormState& state);

/// Sets a result field or label by control name.
void set_field(FormState& state, const std::string& name, const std::string& text);
/// Sets a result field to a number in the fields' number form.
void set_field(FormState& state, const std::string& name, double value);

template <class Reader> bool read_chosen_points(CommandContext& ctx, Reader read, PointCloud& fresh)
{
    FileBytes file;
    if (!read_chosen_file(ctx, file)) {
        return false;
    }
    ReadError error;
    const auto parse = [&] {
        PointCloud parsed;
        Status status = Status::ok;
        if constexpr (std::is_invocable_v<Reader, std::string_view, PointCloud&, ReadError&,
                                          const BytesPassed&>) {
            status = read(file.bytes(), parsed, error, load_progress(ctx, file));
        } else {
            status = read(file.bytes(), parsed, error);
        }
        if (status == Status::ok) {
            fresh = std::move(parsed);
        }
        return status;
    };
    if (read_guarded(parse, error) == Status::error) {
        show_load_failure(ctx, error);
        return false;
    }
    return true;
}

} // namespace tengun
