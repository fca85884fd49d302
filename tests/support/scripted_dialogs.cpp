#include "support/scripted_dialogs.h"

#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun::testing {

void ScriptedDialogs::choose_file(ProgramWide& program)
{
    ++chooser_shown;
    program.dialog_cancelled = true;
    if (files.empty()) {
        return;  // close box: flag stays true, name kept
    }
    const std::optional<std::string> answer = files.front();
    files.pop_front();
    if (!answer) {
        program.selected_file_name.clear();
        return;
    }
    program.dialog_cancelled = false;
    program.selected_file_name = *answer;
    if (answer->empty()) {
        show_message("ファイルを選択して下さい");
    }
}

void ScriptedDialogs::ask_spline_settings(ProgramWide& program)
{
    program.dialog_cancelled = true;
    if (splines.empty()) {
        return;
    }
    const std::optional<Spline> answer = splines.front();
    splines.pop_front();
    if (answer) {
        program.dialog_cancelled = false;
        program.spline_degree = answer->degree;
        program.division_count = answer->divisions;
    }
}

void ScriptedDialogs::ask_thinning_angle(ProgramWide& program)
{
    program.dialog_cancelled = true;
    if (angles.empty()) {
        return;
    }
    const std::optional<double> answer = angles.front();
    angles.pop_front();
    if (answer) {
        program.dialog_cancelled = false;
        program.thinning_angle = *answer;
    }
}

void ScriptedDialogs::ask_choice(ProgramWide& program, const Choice& choice)
{
    questions.push_back(choice);
    program.dialog_cancelled = true;
    if (choices.empty()) {
        return;
    }
    const std::optional<int> answer = choices.front();
    choices.pop_front();
    if (answer) {
        program.dialog_cancelled = false;
        program.chosen_option = *answer;
    }
}

bool ScriptedDialogs::confirm(const std::string& text)
{
    confirm_questions.push_back(text);
    if (confirms.empty()) {
        return true;
    }
    const bool answer = confirms.front();
    confirms.pop_front();
    return answer;
}

TestForm::TestForm() { form_load(ctx); }

void load_points(TestForm& f, const std::vector<Vec3>& points, const char* name)
{
    f.state.points.clear();
    for (const Vec3& p : points) {
        f.state.points.add(p);
    }
    f.program.selected_file_name = name;
    after_load(f.ctx);
}

}  // namespace tengun::testing
