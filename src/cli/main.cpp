// tengun-cli: runs the main form's menu commands by name and prints the result as JSON.
// Qt is used only for the pictures: an offscreen QGuiApplication for fonts, and the same
// QImage-backed surface as the window for the PNG files.
#include <QFile>
#include <QGuiApplication>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/terminal_progress.h"
#include "gui/image_surface.h"

namespace {

constexpr int exit_output_failed = 1;
constexpr int exit_usage = 2;
// A command reported a failure (a file not read or not written); the JSON is printed all the
// same, its messages saying what failed.
constexpr int exit_command_failed = 3;
constexpr double picture_dpi = 96.0;

void print_error(const std::string& message)
{
    std::fprintf(stderr, "tengun-cli: %s\nRun 'tengun-cli --help' for usage.\n", message.c_str());
}

/// Writes the picture as PNG; false (with a message) when the file cannot be written.
bool save_png(tengun::ImageSurface& picture, const std::string& path)
{
    if (path.empty() || picture.image().save(QFile::decodeName(path.c_str()), "PNG")) {
        return true;
    }
    std::fprintf(stderr, "tengun-cli: cannot write the PNG file '%s'.\n", path.c_str());
    return false;
}

/// Writes the clipboard's text (empty when nothing was copied) to `path` when one is given.
bool save_clipboard(const std::string& text, const std::string& path)
{
    if (path.empty()) {
        return true;
    }
    QFile file(QFile::decodeName(path.c_str()));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(text.data(), static_cast<qint64>(text.size())) ==
            static_cast<qint64>(text.size())) {
        return true;
    }
    std::fprintf(stderr, "tengun-cli: cannot write the clipboard file '%s'.\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tengun::cli::ParseResult parsed = tengun::cli::parse_arguments(args);
    if (!parsed.error.empty()) {
        print_error(parsed.error);
        return exit_usage;
    }
    const tengun::cli::CliOptions& options = parsed.options;
    if (options.help) {
        std::fputs(tengun::cli::usage_text().c_str(), stdout);
        return 0;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Qt sees only the program name: every argument belongs to tengun-cli.
    int qt_argc = 1;
    QGuiApplication app(qt_argc, argv);
    // Qt adopts the user's locale; the fields' number texts are formatted with the C one.
    std::setlocale(LC_NUMERIC, "C");

    const QSize size(options.width, options.height);
    tengun::ImageSurface picture1(size, picture_dpi);
    tengun::ImageSurface picture2(size, picture_dpi);
    // A progress line for long commands, only where someone watches it.
    tengun::cli::TerminalProgress line(stderr);
    const bool terminal = isatty(fileno(stderr)) != 0;
    const tengun::cli::SessionResult result = tengun::cli::run_session(
        options, picture1, picture2, terminal ? line.progress() : tengun::Progress{},
        [&line] { line.finish(); });
    if (!result.error.empty()) {
        print_error(result.error);
        return exit_usage;
    }

    const bool saved1 = save_png(picture1, options.png1);
    const bool saved2 = save_png(picture2, options.png2);
    const bool saved3 = save_clipboard(result.clipboard, options.clipboard);
    std::fputs(result.json.c_str(), stdout);
    if (!(saved1 && saved2 && saved3)) {
        return exit_output_failed;
    }
    return result.command_failed ? exit_command_failed : 0;
}
