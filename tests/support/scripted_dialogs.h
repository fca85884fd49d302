#pragma once
// Dialogs answered from a script, for command tests. Each answer is used once, in order; a
// dialog with no answer left behaves as if cancelled with its close box.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/dialogs.h"
#include "support/recording_surface.h"

namespace tengun::testing {

class ScriptedDialogs final : public Dialogs {
public:
    std::deque<std::optional<std::string>> files;  ///< nullopt: cancel button
    struct Spline {
        double degree;
        double divisions;
    };
    std::deque<std::optional<Spline>> splines;
    std::deque<std::optional<double>> angles;
    std::deque<std::optional<int>> choices;  ///< option index; nullopt: cancel
    std::vector<Choice> questions;           ///< every choice dialog shown, in order
    std::vector<std::string> messages;
    int chooser_shown = 0;
    std::deque<bool> confirms;          ///< answers to questions; none left: OK
    std::vector<std::string> confirm_questions; ///< every OK/cancel question asked, in order
    std::vector<std::string> clipboard; ///< every text put on the clipboard, in order

    void choose_file(ProgramWide& program) override;
    void ask_spline_settings(ProgramWide& program) override;
    void ask_thinning_angle(ProgramWide& program) override;
    void ask_choice(ProgramWide& program, const Choice& choice) override;
    void show_message(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string& text) override;
    void copy_to_clipboard(const std::string& text) override { clipboard.push_back(text); }
};

/// A main form's worth of state with recording surfaces and scripted dialogs (and no history:
/// give ctx.history one to test undo).
struct TestForm {
    ProgramWide program;
    FormState state;
    RecordingSurface picture1{200.0, 100.0};
    RecordingSurface picture2{200.0, 60.0};
    ScriptedDialogs dialogs;
    CommandContext ctx{program, state, picture1, picture2, dialogs};
    TestForm();
};

/// Replaces the form's cloud with `points` as a load of the file `name` would (after_load).
void load_points(TestForm& f, const std::vector<Vec3>& points, const char* name = "cloud.csv");

}  // namespace tengun::testing
