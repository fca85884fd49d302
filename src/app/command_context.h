#pragma once
// What every command runs on: the program-wide values, the state of one main form, its two
// drawing surfaces, the dialog service, the form's history and where long work reports its
// progress. A main form (or tengun-cli) owns one context.

#include <cstddef>

#include "app/dialogs.h"
#include "app/program_state.h"
#include "geometry/progress.h"
#include "view/draw_view.h"
#include "view/drawing_surface.h"

namespace tengun {

class History;

/// How many points the quick picture drawn while the mouse turns the view may hold
/// (draw_view_preview): as many as the last frames showed fit in `frame_seconds`. A main form
/// keeps one; it learns from every drag step's drawing time.
struct ViewPreview {
    std::size_t budget = 250000;
    double frame_seconds = 0.025;
    PreviewPoints chosen;  ///< the points of the budget, kept while it stays the same
};

struct CommandContext {
    ProgramWide& program;
    FormState& state;
    DrawingSurface& picture1;  ///< the 3D view
    DrawingSurface& picture2;  ///< the acceleration graph
    Dialogs& dialogs;
    /// The form's undo and redo steps; null: commands run without a history (the command
    /// tests), and undo and redo find nothing.
    History* history = nullptr;
    /// Where the long algorithms a command runs (loading, fits of big clouds, meshing, plane
    /// extraction, thinning, saving) report how far they are, and the flag that stops them. A
    /// command whose algorithm stopped returns without a message and without having changed
    /// the state. Empty: nothing is reported and nothing stops.
    Progress progress{};
    /// The window's quick picture while the mouse turns the view; null (tengun-cli, the
    /// command tests): a drag step draws as the original does.
    ViewPreview* preview = nullptr;
};

}  // namespace tengun
