#pragma once
// Steps shared by the commands of several subsystems.

#include <string>

#include "app/command_context.h"
#include "formats/file_io.h"

namespace tengun {

/// Redraws Picture1 from the form state.
void redraw(CommandContext& ctx);

/// After every load: marker style by size, no analysis, file name and count shown, rotation
/// centre at the origin, extent and scale from the cloud, default view, whole cloud as base.
void after_load(CommandContext& ctx);

/// Sets file_kind and shows the chooser; true when a file was chosen and the command goes on.
bool choose_file(CommandContext& ctx, int file_kind);

/// Reads the chosen file whole. On failure shows the message and returns false.
bool read_chosen_file(CommandContext& ctx, std::string& bytes);

/// Reads the chosen file and parses it with `read(bytes, fresh, error)` into a fresh cloud; on
/// failure shows the message and returns false, leaving the form as it was.
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

template <class Reader>
bool read_chosen_points(CommandContext& ctx, Reader read, PointCloud& fresh)
{
    std::string bytes;
    if (!read_chosen_file(ctx, bytes)) {
        return false;
    }
    ReadError error;
    if (read(bytes, fresh, error) == Status::error) {
        show_load_error(ctx, error);
        return false;
    }
    return true;
}

}  // namespace tengun
