#pragma once
// What every command runs on: the program-wide values, the state of one main form, its two
// drawing surfaces and the dialog service. A main form (or tengun-cli) owns one context.

#include "app/dialogs.h"
#include "app/program_state.h"
#include "view/drawing_surface.h"

namespace tengun {

struct CommandContext {
    ProgramWide& program;
    FormState& state;
    DrawingSurface& picture1;  ///< the 3D view
    DrawingSurface& picture2;  ///< the acceleration graph
    Dialogs& dialogs;
};

}  // namespace tengun
