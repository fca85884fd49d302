#pragma once
// The program-wide and form values that `tengun-cli --state NAME` can report, by name, each
// with how it is written as JSON. A new value is one line in the table in state_json.cpp.

#include <span>
#include <string_view>

#include "app/program_state.h"
#include "cli/json_writer.h"

namespace tengun::cli {

struct StateValue {
    std::string_view name;
    /// Writes the value of `name` (one JSON value: number, string, boolean or array).
    void (*write)(JsonWriter& out, const ProgramWide& program, const FormState& state);
    /// What the value means and its unit, for --help.
    std::string_view meaning;
};

/// Every reportable value in a fixed order (the order --help lists them in).
std::span<const StateValue> state_values();
/// The value called `name`, or nullptr.
const StateValue* find_state_value(std::string_view name);

}  // namespace tengun::cli
