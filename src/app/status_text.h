#pragma once
// The texts of the main form's status bar: how many points the form holds, how many of them are
// selected, and the last command with the time it took.

#include <cstddef>
#include <string>

#include "app/command_runner.h"
#include "app/program_state.h"

namespace tengun {

/// "点群数：1,234,567".
std::string point_count_status(const FormState& state);
/// "選択：1,234", the points selected in the view.
std::string selection_status(const FormState& state);
/// "最後の操作：平面（12 ミリ秒）"; "（元に戻せません）" after a command that could not be
/// recorded, "（実行しませんでした）" after one the user chose not to run; empty before any.
std::string command_status(const CommandReport& report);

/// A count with thousands separators: 1234567 gives "1,234,567".
std::string grouped_count(std::size_t n);
/// A duration for people: "1 ミリ秒未満", "12 ミリ秒", "1.25 秒", "83.4 秒".
std::string duration_text(double seconds);

} // namespace tengun
