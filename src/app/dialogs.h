#pragma once
// How commands reach the modal dialogs, message boxes and the clipboard. The window shows the
// real dialogs, tengun-cli answers from its arguments, tests script the answers.
//
// Every dialog follows one protocol over the program-wide values: opening it sets
// dialog_cancelled = true; only its OK sets it to false (and writes its values); cancel and the
// close box leave it true. The file chooser's OK writes selected_file_name (an empty name shows
// "ファイルを選択して下さい" first) and its cancel clears it. The choice dialog's OK writes
// chosen_option.

#include <string>
#include <vector>

#include "app/program_state.h"

namespace tengun {

/// A question with a few exclusive answers, such as the encoding of a file to be saved.
struct Choice {
    struct Option {
        std::string key;      ///< how tengun-cli names it: "binary", "ascii"
        std::string caption;  ///< what the window shows: "バイナリ"
    };
    std::string title;  ///< the dialog's caption
    std::vector<Option> options;
    int initial = 0;  ///< the option selected when the dialog opens
    std::string text{}; ///< the question above the options; empty when the title says it all
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// File chooser with the pattern of program.file_kind.
    virtual void choose_file(ProgramWide& program) = 0;
    /// Spline degree and divisions per point interval.
    virtual void ask_spline_settings(ProgramWide& program) = 0;
    /// Thinning angle in degrees.
    virtual void ask_thinning_angle(ProgramWide& program) = 0;
    /// One of the options of `choice`, the initial one selected; OK sets chosen_option to the
    /// selected one's index.
    virtual void ask_choice(ProgramWide& program, const Choice& choice) = 0;
    /// Message box with an OK button.
    virtual void show_message(const std::string& text) = 0;
    /// A message that says a command failed (a file not read or not written): shown as any
    /// message; tengun-cli also ends with its error status.
    virtual void show_error(const std::string& text) { show_message(text); }
    /// A question with OK and cancel; true on OK. A service that cannot ask shows the text as a
    /// message and goes on (true).
    virtual bool confirm(const std::string& text)
    {
        show_message(text);
        return true;
    }
    /// Puts `text` on the clipboard (tab-separated rows paste into a spreadsheet as cells).
    virtual void copy_to_clipboard(const std::string& text) = 0;
};

/// True when the chooser was confirmed with a name: the command that opened it goes on.
inline bool file_chosen(const ProgramWide& program)
{
    return !program.dialog_cancelled && !program.selected_file_name.empty();
}

}  // namespace tengun
