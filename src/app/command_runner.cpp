#include "app/command_runner.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <utility>

#include "app/command_helpers.h"
#include "app/history.h"
#include "geometry/number_text.h"

namespace tengun {

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// Passes every call on and adds up the time spent in them: the time the user looked at a
/// dialog is not the command's.
class TimedDialogs final : public Dialogs {
public:
    explicit TimedDialogs(Dialogs& inner) : inner_(inner) {}
    [[nodiscard]] double seconds() const { return seconds_; }

    void choose_file(ProgramWide& program) override
    {
        timed([&] { inner_.choose_file(program); });
    }
    void ask_spline_settings(ProgramWide& program) override
    {
        timed([&] { inner_.ask_spline_settings(program); });
    }
    void ask_thinning_angle(ProgramWide& program) override
    {
        timed([&] { inner_.ask_thinning_angle(program); });
    }
    void ask_choice(ProgramWide& program, const Choice& choice) override
    {
        timed([&] { inner_.ask_choice(program, choice); });
    }
    void show_message(const std::string& text) override
    {
        timed([&] { inner_.show_message(text); });
    }
    void show_error(const std::string& text) override
    {
        timed([&] { inner_.show_error(text); });
    }
    bool confirm(const std::string& text) override
    {
        bool yes = false;
        timed([&] { yes = inner_.confirm(text); });
        return yes;
    }
    void copy_to_clipboard(const std::string& text) override { inner_.copy_to_clipboard(text); }

private:
    template <class F> void timed(F call)
    {
        const Clock::time_point start = Clock::now();
        call();
        seconds_ += seconds_since(start);
    }

    Dialogs& inner_;
    double seconds_ = 0.0;
};

/// "約 1.5 GB", "約 320 MB".
std::string byte_text(std::size_t bytes)
{
    const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    if (mb >= 1024.0) {
        return "約 " + fixed_number(mb / 1024.0, 1) + " GB";
    }
    return "約 " + fixed_number(mb < 1.0 ? 1.0 : mb, 0) + " MB";
}

} // namespace

RunPlan plan_command(CommandContext& ctx, const MenuEntry& entry)
{
    RunPlan plan;
    plan.entry = &entry;
    plan.title = command_title(entry);
    if (entry.recording != Recording::step || ctx.history == nullptr) {
        return plan;
    }
    const std::size_t needed = snapshot_bytes(ctx.state);
    const std::size_t limit = ctx.history->limits().max_bytes;
    if (needed <= limit) {
        plan.snapshot = true;
        return plan;
    }
    plan.undoable = false;
    plan.run = ctx.dialogs.confirm(
        "「" + plan.title + "」は元に戻せません。点群が大きく、元に戻すための控え（" +
        byte_text(needed) + "）が履歴の上限（" + byte_text(limit) +
        "）を超えます。これまでの操作も元に戻せなくなります。実行しますか？");
    return plan;
}

CommandReport finish_command(CommandContext& ctx, const RunPlan& plan,
                             std::optional<FormState> before, double seconds)
{
    CommandReport report;
    report.title = plan.title;
    report.ran = true;
    report.seconds = seconds;
    report.undoable = plan.undoable;
    if (ctx.history == nullptr) {
        return report;
    }
    if (!plan.undoable) {
        ctx.history->clear();
    } else if (plan.snapshot && before) {
        report.recorded = ctx.history->record(plan.title, std::move(*before), ctx.state);
    }
    return report;
}

CommandReport run_menu_command(CommandContext& ctx, const MenuEntry& entry)
{
    const RunPlan plan = plan_command(ctx, entry);
    if (!plan.run) {
        CommandReport report;
        report.title = plan.title;
        report.undoable = false;
        return report;
    }
    std::optional<FormState> before;
    if (plan.snapshot) {
        before = ctx.state;
    }
    TimedDialogs dialogs(ctx.dialogs);
    CommandContext inner{ctx.program, ctx.state,   ctx.picture1, ctx.picture2,
                         dialogs,     ctx.history, ctx.progress};
    const Clock::time_point start = Clock::now();
    entry.run(inner);
    const double seconds = std::max(0.0, seconds_since(start) - dialogs.seconds());
    return finish_command(ctx, plan, std::move(before), seconds);
}

CommandWork::CommandWork(CommandContext& form, const MenuEntry& entry)
    : plan_(plan_command(form, entry))
{
    if (plan_.run) {
        program_ = form.program;
        state_ = form.state;
    }
}

CommandContext CommandWork::context(DrawingSurface& picture1, DrawingSurface& picture2,
                                    Dialogs& dialogs, const Progress& progress)
{
    return {program_, state_, picture1, picture2, dialogs, nullptr, progress};
}

void CommandWork::run(CommandContext& work)
{
    assert(&work.state == &state_ && "a context from context()");
    TimedDialogs dialogs(work.dialogs);
    CommandContext inner{work.program, work.state, work.picture1, work.picture2,
                         dialogs,      nullptr,    work.progress};
    const Clock::time_point start = Clock::now();
    plan_.entry->run(inner);
    seconds_ = std::max(0.0, seconds_since(start) - dialogs.seconds());
}

CommandReport CommandWork::finish(CommandContext& form)
{
    form.program = std::move(program_);
    std::optional<FormState> before;
    if (plan_.snapshot) {
        before = std::exchange(form.state, std::move(state_));
    } else {
        form.state = std::move(state_);
    }
    return finish_command(form, plan_, std::move(before), seconds_);
}

void undo_Click(CommandContext& ctx)
{
    if (ctx.history == nullptr || !ctx.history->undo(ctx.state)) {
        ctx.dialogs.show_message("元に戻す操作がありません。");
        return;
    }
    redraw(ctx);
    redraw_graph(ctx);
}

void redo_Click(CommandContext& ctx)
{
    if (ctx.history == nullptr || !ctx.history->redo(ctx.state)) {
        ctx.dialogs.show_message("やり直す操作がありません。");
        return;
    }
    redraw(ctx);
    redraw_graph(ctx);
}

} // namespace tengun
