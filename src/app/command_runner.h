#pragma once
// The one way the window and tengun-cli run a menu command: check that the form's history can
// keep a snapshot, take it, run the command, and record an undoable step when the command
// changed anything but the view. Measures how long the command took for the status bar.
//
// The steps are separate so that a command can run elsewhere than on the form's state:
//   RunPlan plan = plan_command(ctx, entry);          // may ask the user; !plan.run: stop
//   FormState work = ctx.state;                       // the copy a worker thread runs on
//   ... entry.run over a context on `work` ...
//   FormState before = std::exchange(ctx.state, std::move(work));
//   finish_command(ctx, plan, std::move(before), seconds);
// run_menu_command does the same in place, with the snapshot as `before`; CommandWork does it
// over copies, for the window's worker thread.

#include <optional>
#include <string>

#include "app/command_context.h"
#include "app/commands.h"

namespace tengun {

struct RunPlan {
    const MenuEntry* entry = nullptr;
    std::string title;     ///< command_title of the entry
    bool run = true;       ///< false: the user chose not to run a command that cannot be undone
    bool snapshot = false; ///< a snapshot must be taken before the command runs
    bool undoable = true;  ///< false: the state is too large for the history (the user was told)
};

/// What the flow did with one command, for the status bar.
struct CommandReport {
    std::string title;
    bool ran = false;      ///< the command ran
    bool recorded = false; ///< an undoable step was recorded
    bool undoable = true;  ///< false: it could not be recorded and the history was cleared
    double seconds = 0.0;  ///< run time without the time its dialogs and messages were open
};

/// Decides how `entry` (an item of menu_tree()) runs on ctx: a Recording::step command on a
/// form with a history needs a snapshot, unless the state is larger than the history may hold.
/// Then the user is asked first (Dialogs::confirm) whether to run it although it cannot be
/// undone; declining gives run = false.
RunPlan plan_command(CommandContext& ctx, const MenuEntry& entry);

/// After the command ran and its result is in ctx.state: records the step from `before` (the
/// snapshot; required when plan.snapshot) to ctx.state. A command that ran without a snapshot
/// because the state was too large clears the history: its older steps no longer fit the state.
CommandReport finish_command(CommandContext& ctx, const RunPlan& plan,
                             std::optional<FormState> before, double seconds);

/// plan_command, snapshot, the command itself on ctx, finish_command. The time excludes the
/// time the command's dialogs and messages were open. ctx.progress reaches the command.
CommandReport run_menu_command(CommandContext& ctx, const MenuEntry& entry);

/// One menu command over copies of a form's state and of the program-wide values, so that a
/// worker thread can run it while the form keeps (and shows) its own, and the form takes the
/// result only if the command was not stopped:
///   CommandWork work(form, entry);          // the form's thread: plan (may ask), copies
///   if (work.planned()) {
///       CommandContext c = work.context(p1, p2, dialogs, progress);
///       work.run(c);                        // any one thread; touches only the copies
///       report = work.finish(form);         // the form's thread: swap in, record the step
///   }                                       // or drop `work`: the form is exactly as before
/// The copy of the state is also the history's snapshot: finish moves the form's old state
/// into the step, so the run costs one copy of the state, as run_menu_command's snapshot does.
class CommandWork {
public:
    CommandWork(CommandContext& form, const MenuEntry& entry);

    /// False when the user chose not to run a command that cannot be undone (see plan_command);
    /// then there is nothing to run.
    [[nodiscard]] bool planned() const { return plan_.run; }
    [[nodiscard]] const RunPlan& plan() const { return plan_; }
    /// A context over the copies, with the given surfaces, dialog service and progress; no
    /// history (undo and redo never run as work).
    [[nodiscard]] CommandContext context(DrawingSurface& picture1, DrawingSurface& picture2,
                                         Dialogs& dialogs, const Progress& progress);
    /// Runs the command over `work` (a context from context()), timing it without its dialogs.
    void run(CommandContext& work);
    /// The copies after the run (before finish).
    [[nodiscard]] const FormState& state() const { return state_; }
    [[nodiscard]] const ProgramWide& program() const { return program_; }
    /// Puts the copies into the form (its old state becomes the snapshot) and records the step
    /// as finish_command does. Call once, after run.
    CommandReport finish(CommandContext& form);

private:
    RunPlan plan_;
    ProgramWide program_;
    FormState state_;
    double seconds_ = 0.0;
};

} // namespace tengun
