#include "cli/cli_dialogs.h"

#include <array>
#include <string_view>

#include "geometry/number_text.h"

namespace tengun::cli {

namespace {

/// Reads exactly N comma-separated numbers.
template <std::size_t N> bool parse_numbers(std::string_view text, std::array<double, N>& values)
{
    std::array<double, N> read{};
    for (std::size_t k = 0; k < N; ++k) {
        const std::size_t comma = text.find(',');
        const bool last = k + 1 == N;
        if (last != (comma == std::string_view::npos)) {
            return false;
        }
        if (!parse_number(text.substr(0, comma), read[k])) {
            return false;
        }
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    values = read;
    return true;
}

}  // namespace

void CliDialogs::set_input(std::optional<std::string> input)
{
    answers_.clear();
    if (!input) {
        return;
    }
    std::string_view rest = *input;
    while (true) {
        const std::size_t semicolon = rest.find(';');
        answers_.emplace_back(rest.substr(0, semicolon));
        if (semicolon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(semicolon + 1);
    }
}

std::optional<std::string> CliDialogs::open(ProgramWide& program)
{
    ++windows_shown_;
    program.dialog_cancelled = true;
    if (answers_.empty()) {
        return std::nullopt;
    }
    std::string answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

void CliDialogs::choose_file(ProgramWide& program)
{
    const std::optional<std::string> name = open(program);
    if (!name) {
        return;  // close box: the flag stays up, the previous name is kept
    }
    program.dialog_cancelled = false;
    program.selected_file_name = *name;
    if (name->empty()) {
        show_message("ファイルを選択して下さい");
    }
}

void CliDialogs::ask_spline_settings(ProgramWide& program)
{
    const std::optional<std::string> answer = open(program);
    if (!answer || answer->empty()) {
        return;
    }
    std::array<double, 2> values{};
    if (!parse_numbers(*answer, values)) {
        input_error_ = "the spline settings '" + *answer +
                       "' are not two numbers: give degree,divisions (for example 3,10).";
        return;
    }
    program.dialog_cancelled = false;
    program.spline_degree = values[0];
    program.division_count = values[1];
}

void CliDialogs::ask_thinning_angle(ProgramWide& program)
{
    const std::optional<std::string> answer = open(program);
    if (!answer || answer->empty()) {
        return;
    }
    std::array<double, 1> values{};
    if (!parse_numbers(*answer, values)) {
        input_error_ = "the thinning angle '" + *answer +
                       "' is not a number: give the angle in degrees (for example 10).";
        return;
    }
    program.dialog_cancelled = false;
    program.thinning_angle = values[0];
}

void CliDialogs::ask_choice(ProgramWide& program, const Choice& choice)
{
    const bool answered = !answers_.empty();
    const std::optional<std::string> answer = open(program);
    if (!answered) {
        // Nothing said about it: OK on the option the dialog opens with.
        program.dialog_cancelled = false;
        program.chosen_option = choice.initial;
        return;
    }
    if (answer->empty()) {
        return;
    }
    const auto lower = [](std::string text) {
        for (char& c : text) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        return text;
    };
    std::string keys;
    for (std::size_t k = 0; k < choice.options.size(); ++k) {
        if (lower(*answer) == lower(choice.options[k].key)) {
            program.dialog_cancelled = false;
            program.chosen_option = static_cast<int>(k);
            return;
        }
        keys += (k == 0 ? "" : ", ") + choice.options[k].key;
    }
    input_error_ = "'" + *answer + "' is not an answer to \"" + choice.title + "\": give one of " +
                   keys + ".";
}

void CliDialogs::show_message(const std::string& text)
{
    ++windows_shown_;
    messages_.push_back(text);
}

void CliDialogs::show_error(const std::string& text)
{
    error_shown_ = true;
    show_message(text);
}

}  // namespace tengun::cli
