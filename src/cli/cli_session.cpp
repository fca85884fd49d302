#include "cli/cli_session.h"

#include <cassert>

#include "app/command_runner.h"
#include "app/commands.h"
#include "app/history.h"
#include "cli/cli_dialogs.h"
#include "cli/json_writer.h"
#include "cli/state_json.h"

namespace tengun::cli {

namespace {

/// The selection gestures with corners in pixels of a picture of the given size.
void run_selection(CommandContext& ctx, const CliSelection& selection, int width_px, int height_px)
{
    const double mm_x = ctx.picture1.scale_width() / width_px;
    const double mm_y = ctx.picture1.scale_height() / height_px;
    std::vector<SurfacePoint> corners;
    for (std::size_t k = 0; k + 1 < selection.px.size(); k += 2) {
        corners.push_back({selection.px[k] * mm_x, selection.px[k + 1] * mm_y});
    }
    if (selection.polygon) {
        select_polygon(ctx, corners, selection.change);
    } else {
        select_rectangle(ctx, corners[0].x, corners[0].y, corners[1].x, corners[1].y,
                         selection.change);
    }
}

} // namespace

SessionResult run_session(const CliOptions& options, DrawingSurface& picture1,
                          DrawingSurface& picture2, const Progress& progress,
                          const std::function<void()>& finished)
{
    ProgramWide program;
    FormState state;
    CliDialogs dialogs;
    // The commands draw nothing: the view is drawn once at the end, and only when its picture
    // is saved (a redraw of a million points costs more than most commands). The acceleration
    // graph is drawn by the spline commands themselves, so it is kept when it is saved.
    DiscardingSurface no_picture1(picture1.scale_width(), picture1.scale_height());
    DiscardingSurface no_picture2(picture2.scale_width(), picture2.scale_height());
    DrawingSurface& graph =
        options.png2.empty() ? static_cast<DrawingSurface&>(no_picture2) : picture2;
    History history;
    CommandContext ctx{program, state, no_picture1, graph, dialogs, &history, progress};

    form_load(ctx);
    form_activate(ctx);
    for (const CliCommand& command : options.commands) {
        for (std::size_t k = 0; k < command.angle_texts.size(); ++k) {
            state.fields["Text8(" + std::to_string(k) + ")"] = command.angle_texts[k];
        }
        // Each command gets its own answer; one that no dialog took is dropped here.
        dialogs.set_input(command.input);
        const int shown_before = dialogs.windows_shown();
        if (command.selection) {
            run_selection(ctx, *command.selection, options.width, options.height);
        } else if (command.timer_ticks > 0) {
            // Like the window's timer: ticks arrive only while it is enabled.
            for (int t = 0; t < command.timer_ticks && state.timer_enabled; ++t) {
                command.run(ctx);
            }
        } else if (command.entry != nullptr) {
            (void)run_menu_command(ctx, *command.entry);
        } else {
            command.run(ctx);
        }
        if (finished) {
            finished();
        }
        if (!dialogs.input_error().empty()) {
            return {{}, command.name + ": " + dialogs.input_error(), {}};
        }
        // Like the window: when a dialog or message box closes, the form is active again. After
        // the last command the closing activation below is that redraw.
        if (dialogs.windows_shown() != shown_before && &command != &options.commands.back()) {
            form_activate(ctx);
        }
    }
    // The closing activation: the form redraws its view once, onto the real picture if saved.
    CommandContext last{program,
                        state,
                        options.png1.empty() ? static_cast<DrawingSurface&>(no_picture1) : picture1,
                        graph,
                        dialogs,
                        &history};
    form_activate(last);
    return {
        report_json(program, state, dialogs.messages(), options.state_names, dialogs.clipboard()),
        {},
        dialogs.clipboard(),
        dialogs.error_shown()};
}

std::string report_json(const ProgramWide& program, const FormState& state,
                        const std::vector<std::string>& messages,
                        const std::vector<std::string>& state_names, const std::string& clipboard)
{
    JsonWriter out;
    out.begin_object();
    out.key("fields");
    out.begin_object();
    for (const auto& [name, text] : state.fields) {
        out.key(name);
        out.string(text);
    }
    out.end_object();
    out.key("messages");
    out.begin_array();
    for (const std::string& m : messages) {
        out.string(m);
    }
    out.end_array();
    if (!clipboard.empty()) {
        out.key("clipboard");
        out.string(clipboard);
    }
    for (const std::string& name : state_names) {
        const StateValue* value = find_state_value(name);
        assert(value != nullptr && "state names are checked when the arguments are read");
        out.key(name);
        value->write(out, program, state);
    }
    out.end_object();
    return out.text() + "\n";
}

} // namespace tengun::cli
