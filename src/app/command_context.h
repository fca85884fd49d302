#pragma once
// What every command runs on: the program-wide values, the state of one main form, its two
// drawing surfaces, the dialog service and the form's history. A main form (or tengun-cli)
// owns one context.

#include "app/dialogs.h"
#include "app/program_state.h"
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
};

}  // namespace tengun
