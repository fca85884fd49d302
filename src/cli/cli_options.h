#pragma once
// The command line of tengun-cli:
//   tengun-cli [options] command[=input] ...
// parsed into a plain value, without running anything, so that it can be checked on its own.
// Options and commands may be mixed; commands run in the order given.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/commands.h"

namespace tengun::cli {

/// select_rect, deselect_rect or select_polygon: the selection gestures of the window.
struct CliSelection {
    bool polygon = false;
    SelectionChange change = SelectionChange::add;
    /// Corners in pixels of the --size picture (x, y for each): 2 corners of a rectangle, 3 or
    /// more of a polygon.
    std::vector<double> px;
};

/// One command to run.
struct CliCommand {
    std::string name;                  ///< menu name ("heimen"), or "Command1"
    std::optional<std::string> input;  ///< the text after '=': the answer of its dialog
    void (*run)(CommandContext&) = nullptr;
    /// The menu item for a menu command, run through the command flow (history, timing);
    /// null for Command1 and Timer1, which are no menu commands.
    const MenuEntry* entry = nullptr;
    /// Command1 only: the texts typed into Text8(0..2) before the button is pressed; empty
    /// when the button is pressed on the fields as they are.
    std::vector<std::string> angle_texts;
    /// Timer1 only: how many ticks to deliver (each only while the timer is enabled).
    int timer_ticks = 0;
    /// The selection commands only; run is null for them.
    std::optional<CliSelection> selection;
};

struct CliOptions {
    std::vector<CliCommand> commands;
    std::vector<std::string> state_names;  ///< as given, each once, in first-given order
    std::string png1;                      ///< Picture1 as PNG; empty: not written
    std::string png2;                      ///< Picture2 as PNG; empty: not written
    std::string clipboard;                 ///< file for the last text put on the clipboard
    int width = 800;                       ///< pixels of both pictures
    int height = 600;
    bool help = false;
};

struct ParseResult {
    CliOptions options;
    std::string error;  ///< what was wrong and what is valid; empty when the line was good
};

/// Reads the arguments after the program name. --help ends the reading at once (help = true).
/// An unknown command or state name, an unknown option, a missing or malformed option value or
/// a Command1 without exactly three texts gives an error naming the culprit and the valid names.
ParseResult parse_arguments(std::span<const std::string> args);

/// The --help text: usage, options, the menu tree with captions, the state names.
std::string usage_text();

/// The valid names, comma separated, for error messages.
std::string command_names();
std::string state_names();

}  // namespace tengun::cli
