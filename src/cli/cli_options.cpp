#include "cli/cli_options.h"

#include "geometry/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "app/commands.h"
#include "cli/state_json.h"

namespace tengun::cli {

namespace {

constexpr std::string_view view_angles_command = "Command1";
constexpr std::string_view timer_command = "Timer1";
// open=FILE: what `tengun FILE` does in the window, here the menu item that opens by content
// with its chooser answered by FILE.
constexpr std::string_view open_command = "open";

struct SelectionCommand {
    std::string_view name;
    bool polygon;
    SelectionChange change;
};
constexpr std::array selection_commands{
    SelectionCommand{"select_rect", false, SelectionChange::add},
    SelectionCommand{"deselect_rect", false, SelectionChange::remove},
    SelectionCommand{"select_polygon", true, SelectionChange::add},
};
// QImage and QPainter work in int coordinates; larger pictures are refused as malformed.
constexpr int max_side_px = 32767;

std::string join(const std::vector<std::string_view>& names)
{
    std::string out;
    for (const std::string_view n : names) {
        if (!out.empty()) {
            out += ", ";
        }
        out += n;
    }
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

bool parse_side(std::string_view text, int& side)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < 1 || value > max_side_px) {
        return false;
    }
    side = value;
    return true;
}

/// "WxH" in pixels.
bool parse_size(std::string_view text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return false;
    }
    int w = 0;
    int h = 0;
    if (!parse_side(text.substr(0, x), w) || !parse_side(text.substr(x + 1), h)) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

std::string unknown_command_error(std::string_view name)
{
    const auto tree = menu_tree();
    const bool is_submenu = std::any_of(tree.begin(), tree.end(), [name](const MenuEntry& e) {
        return e.name == name && e.run == nullptr;
    });
    std::string error = is_submenu ? "'" + std::string(name) + "' is a submenu, not a command."
                                   : "unknown command '" + std::string(name) + "'.";
    return error + "\nValid commands: " + command_names();
}

/// The corners of a selection command, or what is wrong with them.
std::string parse_selection(std::string_view arg, const SelectionCommand& kind,
                            const std::optional<std::string>& input, CliSelection& selection)
{
    const std::string usage =
        kind.polygon
            ? std::string(kind.name) + "=x0,y0,x1,y1,x2,y2[,...] takes " + "three or more corners"
            : std::string(kind.name) + "=x0,y0,x1,y1 takes two opposite " + "corners";
    const std::string error =
        "'" + std::string(arg) + "': " + usage + " in pixels of the --size picture.";
    if (!input) {
        return error;
    }
    selection.polygon = kind.polygon;
    selection.change = kind.change;
    for (const std::string_view text : split(*input, ',')) {
        double v = 0.0;
        if (!parse_number(text, v) || !std::isfinite(v)) {
            return error;
        }
        selection.px.push_back(v);
    }
    const std::size_t n = selection.px.size();
    const bool fits = kind.polygon ? n >= 6 && n % 2 == 0 : n == 4;
    return fits ? std::string() : error;
}

/// Adds `name=input` (or `name`) to the commands, or returns what is wrong with it.
std::string add_command(std::string_view arg, CliOptions& options)
{
    const std::size_t eq = arg.find('=');
    CliCommand command;
    command.name = std::string(arg.substr(0, eq));
    if (eq != std::string_view::npos) {
        command.input = std::string(arg.substr(eq + 1));
    }
    if (command.name == view_angles_command) {
        command.run = Command1_Click;
        if (command.input) {
            const std::vector<std::string_view> texts = split(*command.input, ',');
            if (texts.size() != 3) {
                return "'" + std::string(arg) +
                       "': Command1 takes three angles in degrees, Command1=alpha,beta,gamma.";
            }
            command.angle_texts.assign(texts.begin(), texts.end());
            command.input.reset();
        }
    } else if (command.name == timer_command) {
        command.run = Timer1_Timer;
        command.timer_ticks = 1;
        if (command.input) {
            double ticks = 0.0;
            if (!parse_number(*command.input, ticks) || ticks < 1.0 || ticks > 1e6 ||
                ticks != static_cast<double>(static_cast<int>(ticks))) {
                return "'" + std::string(arg) +
                       "': Timer1 takes the number of ticks, a whole number from 1, Timer1=N.";
            }
            command.timer_ticks = static_cast<int>(ticks);
            command.input.reset();
        }
    } else if (command.name == open_command) {
        if (!command.input || command.input->empty()) {
            return "'" + std::string(arg) + "': open takes the file to open, open=FILE.";
        }
        command.run = auto_file_input_Click;
    } else if (const auto kind = std::find_if(
                   selection_commands.begin(), selection_commands.end(),
                   [&command](const SelectionCommand& c) { return c.name == command.name; });
               kind != selection_commands.end()) {
        CliSelection selection;
        if (std::string error = parse_selection(arg, *kind, command.input, selection);
            !error.empty()) {
            return error;
        }
        command.selection = std::move(selection);
        command.input.reset();
    } else {
        const MenuEntry* entry = find_menu_command(command.name);
        if (entry == nullptr) {
            return unknown_command_error(command.name);
        }
        command.run = entry->run;
        command.entry = entry;
    }
    options.commands.push_back(std::move(command));
    return {};
}

std::string add_state_names(std::string_view list, CliOptions& options)
{
    for (const std::string_view name : split(list, ',')) {
        if (find_state_value(name) == nullptr) {
            return (name.empty() ? std::string("empty state name in '") + std::string(list) + "'."
                                 : "unknown state name '" + std::string(name) + "'.") +
                   "\nValid state names: " + state_names();
        }
        if (std::find(options.state_names.begin(), options.state_names.end(), name) ==
            options.state_names.end()) {
            options.state_names.emplace_back(name);
        }
    }
    return {};
}

}  // namespace

std::string command_names()
{
    std::vector<std::string_view> names;
    for (const MenuEntry& e : menu_tree()) {
        if (e.run != nullptr) {
            names.push_back(e.name);
        }
    }
    names.push_back(view_angles_command);
    names.push_back(open_command);
    for (const SelectionCommand& c : selection_commands) {
        names.push_back(c.name);
    }
    return join(names);
}

std::string state_names()
{
    std::vector<std::string_view> names;
    for (const StateValue& v : state_values()) {
        names.push_back(v.name);
    }
    return join(names);
}

ParseResult parse_arguments(std::span<const std::string> args)
{
    ParseResult result;
    CliOptions& options = result.options;
    const auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return result;
        }
        if (!arg.starts_with("--")) {
            if (std::string error = add_command(arg, options); !error.empty()) {
                return fail(std::move(error));
            }
            continue;
        }
        // --name value or --name=value
        const std::size_t eq = arg.find('=');
        const std::string_view name = arg.substr(0, eq);
        const bool known = name == "--state" || name == "--png1" || name == "--png2" ||
                           name == "--size" || name == "--clipboard";
        if (!known) {
            return fail("unknown option '" + std::string(name) +
                        "'.\nValid options: --help, --state NAME[,NAME...], --png1 FILE, "
                        "--png2 FILE, --size WxH, --clipboard FILE");
        }
        std::string_view value;
        if (eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size() && !std::string_view(args[i + 1]).starts_with("--")) {
            value = args[++i];
        } else {
            return fail("option '" + std::string(name) + "' needs a value.");
        }
        if (name == "--state") {
            if (std::string error = add_state_names(value, options); !error.empty()) {
                return fail(std::move(error));
            }
        } else if (name == "--size") {
            if (!parse_size(value, options.width, options.height)) {
                return fail("option '--size': '" + std::string(value) +
                            "' is not WxH in whole pixels from 1 to " +
                            std::to_string(max_side_px) + " (for example 800x600).");
            }
        } else if (value.empty()) {
            return fail("option '" + std::string(name) + "' needs a file name.");
        } else if (name == "--clipboard") {
            options.clipboard = std::string(value);
        } else {
            (name == "--png1" ? options.png1 : options.png2) = std::string(value);
        }
    }
    return result;
}

std::string usage_text()
{
    std::string text =
        "Usage: tengun-cli [options] command[=input] ...\n"
        "\n"
        "Runs menu commands of the analysis form by their menu names, in the order given, on\n"
        "one form (loaded and drawn once first), then prints one JSON object: \"fields\" (every\n"
        "result field and label by control name), \"messages\" (every message shown, in order)\n"
        "and each value asked for with --state.\n"
        "\n"
        "A command's input, after '=', answers the dialog it shows:\n"
        "  file chooser      the file name             csv_file_input=cloud.csv\n"
        "  spline settings   degree,divisions          mono_spline=3,10\n"
        "  thinning          angle in degrees          data_mabiki=10\n"
        "  save format       binary or ascii           stl_file_output=mesh.stl;ascii\n"
        "  CSV precision     standard or full          csv_file_output=cloud.csv;full\n"
        "  rows without x,y,z  refuse or skip          csv_file_input=scan.csv;skip\n"
        "A command that shows two dialogs takes one answer each, separated by ';':\n"
        "  bmp_mabiki=10;scan.bmp (angle, then file; an empty answer closes that dialog).\n"
        "A command without input finds its dialog closed with the close box (cancelled); a save\n"
        "format or precision left out is the preselected one (binary, standard), and so is the\n"
        "answer to rows without three numbers (refuse: the file is not loaded).\n"
        "open=FILE opens FILE by its content, as \"開く（形式を自動判別）\" or dropping it does.\n"
        "Command1=alpha,beta,gamma types the three view angles (degrees) into Text8(0..2) and\n"
        "presses \"回転表示\".\n"
        "undo and redo take back and repeat the commands that changed the form, as the window's\n"
        "\"元に戻す\" and \"やり直し\" do; a command that changed only the view is no step.\n"
        "kekka_hozon=FILE writes the current analysis (FILE.json: JSON, FILE.csv: CSV, else\n"
        "text); kekka_copy puts it on the clipboard, which the output shows as \"clipboard\".\n"
        "select_rect=x0,y0,x1,y1 selects the points drawn inside the rectangle with those\n"
        "opposite corners, in pixels of the --size picture (0,0 top left; like Shift + drag in\n"
        "the window); deselect_rect=x0,y0,x1,y1 takes them out of the selection (Shift + Ctrl +\n"
        "drag); select_polygon=x0,y0,x1,y1,x2,y2[,...] selects inside the polygon (Shift + Ctrl\n"
        "+ clicks). The view is the one drawn at that point of the run.\n"
        "\n"
        "Options:\n"
        "  --help              this text\n"
        "  --state NAME[,...]  add the named values to the output (repeatable)\n"
        "  --png1 FILE         write Picture1 (the 3D view) as PNG\n"
        "  --png2 FILE         write Picture2 (the acceleration graph) as PNG\n"
        "  --size WxH          size of both pictures in pixels at 96 dpi (default 800x600)\n"
        "  --clipboard FILE    write the last text put on the clipboard to FILE\n"
        "\n"
        "Exit status: 0 done, 1 a PNG or the clipboard file could not be written, 2 bad\n"
        "command line or input, 3 a command reported a failure (a file not read or not\n"
        "written; the JSON is printed all the same, its messages say what failed).\n"
        "\n"
        "Commands (menu tree; items in brackets are submenus):\n";
    for (const MenuEntry& e : menu_tree()) {
        std::string line(2 + 2 * static_cast<std::size_t>(e.depth), ' ');
        line += e.run != nullptr ? std::string(e.name) : "[" + std::string(e.name) + "]";
        line += "  \"" + std::string(e.caption) + "\"  " + std::string(e.gloss) + "\n";
        text += line;
    }
    text += "  Command1=alpha,beta,gamma  \"回転表示\"  turn the view to these angles (degrees)\n";
    text += "  Timer1[=N]  N ticks (default 1) of the playback timer, delivered while it runs\n";
    text += "  open=FILE  opens FILE by its content (auto_file_input answered with FILE)\n";
    text += "  select_rect=x0,y0,x1,y1  deselect_rect=x0,y0,x1,y1  "
            "select_polygon=x0,y0,x1,y1,x2,y2,...\n";
    text += "\nState names (--state; lengths are in the unit of the loaded file, point and\n"
            "triangle numbers count from 1):\n";
    for (const StateValue& v : state_values()) {
        text += "  " + std::string(v.name) + "  " + std::string(v.meaning) + "\n";
    }
    return text;
}

}  // namespace tengun::cli
