#pragma once
// One run of tengun-cli on one main form: load and first redraw, the commands in order (the menu
// commands through the command flow, with the form's history for undo and redo), the final
// redraw, then the JSON report. Drawing goes to the two surfaces given, so the run is the
// same whether the pictures are saved as PNG or only recorded.

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "geometry/progress.h"
#include "view/drawing_surface.h"

namespace tengun::cli {

struct SessionResult {
    /// {"fields": {control: text}, "messages": [...], "clipboard": text when something was
    /// copied, NAME: value for each state name}.
    std::string json;
    /// A dialog answer that did not fit its dialog; the run stopped at that command and `json`
    /// is empty.
    std::string error;
    /// The last text put on the clipboard; empty when nothing was.
    std::string clipboard;
    /// A command reported a failure (a file not read or not written): its message is among
    /// the messages, and tengun-cli ends with exit_command_failed.
    bool command_failed = false;
};

/// `progress` hears what the commands' long algorithms report (main passes a terminal line when
/// stderr is a terminal); `finished` is called after each command (to wipe that line).
SessionResult run_session(const CliOptions& options, DrawingSurface& picture1,
                          DrawingSurface& picture2, const Progress& progress = {},
                          const std::function<void()>& finished = {});

/// The report: fields, messages, the clipboard (when not empty), then the named values in the
/// order given.
std::string report_json(const ProgramWide& program, const FormState& state,
                        const std::vector<std::string>& messages,
                        const std::vector<std::string>& state_names,
                        const std::string& clipboard = {});

}  // namespace tengun::cli
