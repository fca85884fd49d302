#include "gui/qt_dialogs.h"

#include "gui/choice_dialog.h"
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

void QtDialogs::choose_file(ProgramWide& program) { run<FileChooser>(program); }
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

}  // namespace tengun
