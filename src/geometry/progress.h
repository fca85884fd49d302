#pragma once
// How a long computation says how far it is and learns that it should stop. Plain C++, so the
// algorithms stay free of the window: the window's worker thread fills `report` to move its
// progress bar and sets the flag from its cancel button; tengun-cli prints to a terminal; tests
// and plain callers pass nothing (`Progress{}` reports nowhere and never stops).
//
// An algorithm reports a fraction 0..1 of its work with a short step name, at most every few
// thousand units of work (a report costs a call through std::function), and checks `stopped()`
// as often. A stopped algorithm returns Status::error with the reason `cancelled_reason` and has
// changed nothing of its caller's outputs.

#include <atomic>
#include <functional>
#include <string_view>

namespace tengun {

inline constexpr std::string_view cancelled_reason = "中止しました";

struct Progress {
    std::function<void(double fraction, std::string_view step)> report;
    const std::atomic<bool>* stop = nullptr;

    void operator()(double fraction, std::string_view step) const
    {
        if (report) {
            report(fraction, step);
        }
    }
    [[nodiscard]] bool stopped() const
    {
        return stop != nullptr && stop->load(std::memory_order_relaxed);
    }
};

}  // namespace tengun
