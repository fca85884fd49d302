// Results: the current analysis written to a file or put on the clipboard (result_report.h).
#include <algorithm>
#include <cctype>
#include <ctime>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "app/result_report.h"

#ifndef TENGUN_VERSION
#define TENGUN_VERSION "unknown"
#endif

namespace tengun {

namespace {

/// Local time in ISO 8601 with the offset from UTC: "2024-05-01T14:03:59+09:00".
std::string date_now()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    if (std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local) == 0) {
        return {};
    }
    std::string date = text;
    if (date.size() >= 5) {
        date.insert(date.size() - 2, ":"); // +0900 -> +09:00
    }
    return date;
}

/// The report of the current analysis; false after telling the user there is none.
bool current_report(CommandContext& ctx, ResultReport& report)
{
    std::string why;
    if (!build_result_report(ctx.state, date_now(), std::string("Tengun ") + TENGUN_VERSION, report,
                             why)) {
        ctx.dialogs.show_error(why);
        return false;
    }
    return true;
}

std::string lower_extension(const std::string& name)
{
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

void kekka_hozon_Click(CommandContext& ctx)
{
    ResultReport report;
    if (!current_report(ctx, report) || !choose_file(ctx, file_kinds::results)) {
        return;
    }
    std::string name = ctx.program.selected_file_name;
    std::string ext = lower_extension(name);
    if (ext.empty()) {
        name += ".txt";
        ext = ".txt";
    }
    const std::string bytes = ext == ".json"  ? result_json(report)
                              : ext == ".csv" ? result_csv(report)
                                              : result_text(report);
    if (write_chosen_file(ctx, name, bytes)) {
        ctx.program.selected_file_name = name;
    }
}

void kekka_copy_Click(CommandContext& ctx)
{
    ResultReport report;
    if (current_report(ctx, report)) {
        ctx.dialogs.copy_to_clipboard(result_tsv(report));
    }
}

} // namespace tengun
