#include "cli/terminal_progress.h"

#include <algorithm>
#include <cmath>

namespace tengun::cli {

Progress TerminalProgress::progress()
{
    return {[this](double fraction, std::string_view step) { report(fraction, step); }, nullptr};
}

void TerminalProgress::report(double fraction, std::string_view step)
{
    const auto now = std::chrono::steady_clock::now();
    const int percent = static_cast<int>(std::floor(100.0 * std::clamp(fraction, 0.0, 1.0)));
    const bool new_step = step != step_;
    if (!new_step && (percent == percent_ || now - last_ < std::chrono::milliseconds(200))) {
        return;
    }
    step_.assign(step);
    percent_ = percent;
    last_ = now;
    shown_ = true;
    // "\033[K" clears what a longer earlier line left.
    std::fprintf(out_, "\r%s %3d%%\033[K", step_.c_str(), percent);
    std::fflush(out_);
}

void TerminalProgress::finish()
{
    if (shown_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
    }
    shown_ = false;
    step_.clear();
    percent_ = -1;
}

} // namespace tengun::cli
