#pragma once
// The dialogs of tengun-cli, answered from the command line. Before each command the text after
// its '=' is handed over, split at ';' into one answer per dialog in the order the command shows
// them (bmp_mabiki asks the angle, then the file: "10;scan.bmp"). An empty answer to the spline,
// thinning or choice dialog, a dialog with no answer left, and every dialog of a command without
// input are closed with the close box; except that a choice dialog with no answer left takes its
// preselected option ("stl_file_output=mesh.stl" saves binary, "mesh.stl;ascii" ASCII). The
// protocol is the window's: opening sets dialog_cancelled; an answer clears it and sets the
// dialog's values. A question (a command that cannot be undone) is shown as a message and
// answered with OK.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"

namespace tengun::cli {

class CliDialogs final : public Dialogs {
public:
    /// The answer for the next dialog shown; nullopt: close box.
    void set_input(std::optional<std::string> input);

    /// OK with the file name (an empty name shows "ファイルを選択して下さい").
    void choose_file(ProgramWide& program) override;
    /// OK with "degree,divisions".
    void ask_spline_settings(ProgramWide& program) override;
    /// OK with the angle in degrees.
    void ask_thinning_angle(ProgramWide& program) override;
    /// OK with the option whose key is the answer (any letter case).
    void ask_choice(ProgramWide& program, const Choice& choice) override;
    void show_message(const std::string& text) override;
    /// A message like any other; the run then ends with the error status.
    void show_error(const std::string& text) override;
    /// Keeps the text: the report shows the last one as "clipboard".
    void copy_to_clipboard(const std::string& text) override { clipboard_ = text; }

    /// Every message shown, in order.
    [[nodiscard]] const std::vector<std::string>& messages() const { return messages_; }
    /// The last text put on the clipboard; empty before any.
    [[nodiscard]] const std::string& clipboard() const { return clipboard_; }
    /// Dialogs and message boxes shown so far; each one makes the form active again afterwards.
    [[nodiscard]] int windows_shown() const { return windows_shown_; }
    /// Set when an answer did not fit its dialog (a spline or thinning answer that is not
    /// numbers, a choice that names no option); the dialog was closed as cancelled. Describes the answer and what it needs.
    [[nodiscard]] const std::string& input_error() const { return input_error_; }
    /// True once a command has reported a failure (a file not read or not written).
    [[nodiscard]] bool error_shown() const { return error_shown_; }

private:
    /// Opens a dialog: the flag goes up and the pending answer, if any, is taken.
    std::optional<std::string> open(ProgramWide& program);

    std::deque<std::string> answers_;
    std::vector<std::string> messages_;
    std::string clipboard_;
    int windows_shown_ = 0;
    std::string input_error_;
    bool error_shown_ = false;
};

}  // namespace tengun::cli
