#pragma once
// The dialog service of a main form: shows the file chooser and the two settings dialogs
// modally over the form, messages in a box with an OK button, questions with OK and cancel, and
// puts texts on the system clipboard. A new dialog is built for every showing, so its fields
// start from their design values.

#include <optional>
#include <string>

#include "app/dialogs.h"
#include "gui/message_box.h"

class QWidget;

namespace tengun {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner) : owner_(owner) {}

    /// Messages go to `sink` instead of a message box (tests); an empty sink restores the box.
    /// Questions go there too and are answered with `answer`.
    void set_message_sink(MessageSink sink, bool answer = true)
    {
        sink_ = std::move(sink);
        sink_answer_ = answer;
    }
    /// The next file chooser is not shown: it is confirmed with `path` (an entry of the recent
    /// files opens like the command it came from, without asking again).
    void answer_next_chooser(std::string path) { next_file_ = std::move(path); }
    /// Forgets an answer no chooser took.
    void clear_chooser_answer() { next_file_.reset(); }
    /// How many dialogs have been shown and closed so far.
    [[nodiscard]] int dialogs_shown() const { return dialogs_shown_; }

    void choose_file(ProgramWide& program) override;
    void ask_spline_settings(ProgramWide& program) override;
    void ask_thinning_angle(ProgramWide& program) override;
    void ask_choice(ProgramWide& program, const Choice& choice) override;
    void show_message(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void copy_to_clipboard(const std::string& text) override;

private:
    template <class Dialog>
    void run(ProgramWide& program);

    QWidget* owner_;
    MessageSink sink_;
    bool sink_answer_ = true;
    std::optional<std::string> next_file_;
    int dialogs_shown_ = 0;
};

}  // namespace tengun
