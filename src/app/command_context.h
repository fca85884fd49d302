#pragma once
// What every command runs on: the program-wide values, the state of one main form, its two
// drawing surfaces, the dialog service, the form's history and where long work reports its
// progress. A main form (or tengun-cli) owns one context.

#include "app/dialogs.h"
#include "app/program_state.h"
#include "geometry/progress.h"
#include "view/drawing_surface.h"

namespace tengun {

class History;

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
};

}  // namespace tengun
