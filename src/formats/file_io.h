#pragma once
// Whole-file input and output for the readers and writers, with reasons the user can read.

#include <optional>
#include <string>
#include <string_view>

#include "geometry/numeric_core.h"

namespace tengun {

/// Why a file could not be read or parsed. `line` and `field` count from 1 as a text editor
/// does; 0 when the problem is not at a particular place. Binary formats give the byte offset
/// (from 0, as a hex viewer shows it) instead of a line where it helps.
struct ReadError {
    std::string reason;
    std::size_t line = 0;
    std::size_t field = 0;
    std::optional<std::size_t> offset = std::nullopt;
};

/// Reads the whole file into `bytes`. On Status::error `bytes` is unchanged.
[[nodiscard]] Status read_whole_file(const std::string& path, std::string& bytes,
                                     ReadError& error);

/// Creates or replaces the file with `bytes`. The new contents are written beside it and moved
/// into place only when complete, so an earlier file of that name is never left half written.
/// On Status::error `reason` says why and the earlier file is as it was.
[[nodiscard]] Status write_whole_file(const std::string& path, std::string_view bytes,
                                      std::string& reason);

}  // namespace tengun
