#pragma once
// tengun-cli's progress line: what a long command's algorithm reports (loading, meshing, plane
// extraction, thinning, saving), written to a terminal as one line that is rewritten in place:
// "\r<step> <percent>%", at most every 0.2 s and whenever the step changes, and wiped when the
// command ends. main() uses it only when stderr is a terminal, so the JSON on stdout and any
// captured stderr stay as they were.

#include <chrono>
#include <cstdio>
#include <string>

#include "geometry/progress.h"

namespace tengun::cli {

class TerminalProgress {
public:
    explicit TerminalProgress(std::FILE* out) : out_(out) {}

    /// The sink for the commands' context: writes the line; never asks to stop.
    [[nodiscard]] Progress progress();
    /// Wipes the line when one was written (between commands and at the end).
    void finish();

private:
    void report(double fraction, std::string_view step);

    std::FILE* out_;
    std::string step_;
    int percent_ = -1;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace tengun::cli
