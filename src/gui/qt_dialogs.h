#pragma once
// The dialog service of a main form: shows the file chooser and the two settings dialogs
// modally over the form, and messages in a box with an OK button. A new dialog is built for
// every showing, so its fields start from their design values.

#include "app/dialogs.h"
#include "gui/message_box.h"

class QWidget;

namespace tengun {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner) : owner_(owner) {}

    /// Messages go to `sink` instead of a message box (tests); an empty sink restores the box.
    void set_message_sink(MessageSink sink) { sink_ = std::move(sink); }
    /// How many dialogs have been shown and closed so far.
    [[nodiscard]] int dialogs_shown() const { return dialogs_shown_; }

    void choose_file(ProgramWide& program) override;
    void ask_spline_settings(ProgramWide& program) override;
    void ask_thinning_angle(ProgramWide& program) override;
    void ask_choice(ProgramWide& program, const Choice& choice) override;
    void show_message(const std::string& text) override;

private:
    template <class Dialog>
    void run(ProgramWide& program);

    QWidget* owner_;
    MessageSink sink_;
    int dialogs_shown_ = 0;
};

}  // namespace tengun
