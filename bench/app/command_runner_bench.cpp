// What the command flow adds to a command on a large cloud: the snapshot, the comparison and
// the recorded step (a plane fit run through run_menu_command against the same fit called
// directly), and what an undo and a redo cost once the step is recorded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "app/command_runner.h"
#include "app/commands.h"
#include "app/history.h"
#include "view/drawing_surface.h"

namespace {

using namespace tengun;

class NoDialogs final : public Dialogs {
public:
    void choose_file(ProgramWide& /*program*/) override {}
    void ask_spline_settings(ProgramWide& /*program*/) override {}
    void ask_thinning_angle(ProgramWide& /*program*/) override {}
    void ask_choice(ProgramWide& /*program*/, const Choice& /*choice*/) override {}
    void show_message(const std::string& /*text*/) override {}
    void copy_to_clipboard(const std::string& /*text*/) override {}
};

/// A wavy sheet of n points, loaded as a file would be.
FormState sheet(std::size_t n)
{
    FormState s;
    s.points.resize(n);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-100.0, 100.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = u(rng);
        const double y = u(rng);
        s.points.xyz[i] = {x, y, 0.3 * x + 0.1 * y + 0.01 * std::sin(x)};
    }
    s.base_point_count = n;
    return s;
}

struct Form {
    explicit Form(std::size_t n) : state(sheet(n)) {}
    ProgramWide program;
    FormState state;
    DiscardingSurface picture1{200.0, 150.0};
    DiscardingSurface picture2{200.0, 60.0};
    NoDialogs dialogs;
    History history;
    CommandContext ctx{program, state, picture1, picture2, dialogs, &history};
};

// range(1): 0 the fit called directly, 1 through the command flow with the form's history.
void BM_plane_fit_with_history(benchmark::State& st)
{
    Form f(static_cast<std::size_t>(st.range(0)));
    const MenuEntry& heimen = *find_menu_command("heimen");
    const bool flow = st.range(1) != 0;
    for (auto _ : st) {
        st.PauseTiming();
        f.state.analysis_kind = analysis_kinds::none;  // each run changes the kind: a step
        f.history.clear();
        st.ResumeTiming();
        if (flow) {
            const CommandReport r = run_menu_command(f.ctx, heimen);
            if (!r.recorded) {
                st.SkipWithError("no step recorded");
            }
        } else {
            heimen_Click(f.ctx);
        }
    }
    if (std::fabs(f.state.axis_vector[2]) < 0.9) {
        st.SkipWithError("wrong plane");
    }
}
BENCHMARK(BM_plane_fit_with_history)
    ->Args({1000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

// An undo and a redo of a step that changed every label of the cloud.
void BM_undo_redo_labels(benchmark::State& st)
{
    Form f(static_cast<std::size_t>(st.range(0)));
    FormState before = f.state;
    f.state.points.label.assign(f.state.point_count(), 1.0);
    if (!f.history.record("labels", std::move(before), f.state)) {
        st.SkipWithError("no step recorded");
    }
    for (auto _ : st) {
        f.history.undo(f.state);
        f.history.redo(f.state);
    }
    if (f.state.points.label.front() != 1.0 || !f.history.can_undo()) {
        st.SkipWithError("redo did not give the labels back");
    }
}
BENCHMARK(BM_undo_redo_labels)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
