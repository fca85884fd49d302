#include "gui/qt_dialogs.h"

#include "gui/choice_dialog.h"
#include <QClipboard>
#include <QGuiApplication>

#include "gui/file_chooser.h"
#include "gui/settings_dialogs.h"

namespace tengun {

template <class Dialog>
void QtDialogs::run(ProgramWide& program)
{
    Dialog dialog(program, [this](const std::string& text) { show_message(text); }, owner_);
    dialog.exec();
    ++dialogs_shown_;
}

void QtDialogs::choose_file(ProgramWide& program)
{
    if (next_file_) {
        program.dialog_cancelled = false;
        program.selected_file_name = std::move(*next_file_);
        next_file_.reset();
        return;
    }
    run<FileChooser>(program);
}
void QtDialogs::ask_spline_settings(ProgramWide& program) { run<SplineSettingsDialog>(program); }
void QtDialogs::ask_thinning_angle(ProgramWide& program) { run<ThinningDialog>(program); }

void QtDialogs::ask_choice(ProgramWide& program, const Choice& choice)
{
    ChoiceDialog dialog(program, choice, [this](const std::string& text) { show_message(text); },
                        owner_);
    dialog.exec();
    ++dialogs_shown_;
}

void QtDialogs::show_message(const std::string& text)
{
    if (sink_) {
        sink_(text);
    } else {
        show_message_box(owner_, text);
    }
}

bool QtDialogs::confirm(const std::string& text)
{
    if (sink_) {
        sink_(text);
        return sink_answer_;
    }
    const bool yes = ask_ok_cancel(owner_, text);
    ++dialogs_shown_;
    return yes;
}

void QtDialogs::copy_to_clipboard(const std::string& text)
{
    QGuiApplication::clipboard()->setText(to_qstring(text));
}

}  // namespace tengun
