#pragma once
// Undo and redo for one main form: each step keeps the other side of what one command changed,
// so that undoing it gives back the form's state exactly as it was before the command, and
// redoing it exactly as it was after.
//
// A step stores the parts of the state the command changed (the cloud's coordinates, its labels,
// the triangles, their tags, the curves, the planes, the segments, the fit results, the view's
// camera and display settings) and everything else of the state in full; undo and redo swap
// the stored parts with the form's. Parts a command left alone are not stored and stay as the
// form has them, so an undo keeps a view the user has turned since. A member added to FormState
// later belongs to "everything else" until it gets a part of its own in history.cpp.
//
// The view (camera and display) does not make a step: a command that changed only the view is
// not recorded. Steps are bounded by memory: at most `max_bytes` together and `max_steps`
// steps; the oldest go first. No Qt, no threads: the caller owns the state and the history.

#include <cstddef>
#include <deque>
#include <string>

#include "app/program_state.h"

namespace tengun {

struct HistoryLimits {
    std::size_t max_bytes = std::size_t{1} << 30; ///< 1 GiB for all steps together
    std::size_t max_steps = 50;
};

/// Estimated memory of a whole copy of `state` in bytes (the snapshot a command needs before it
/// runs): the containers by their element counts, the field texts, the fixed members.
std::size_t snapshot_bytes(const FormState& state);

/// True when `a` and `b` differ in anything but the view (camera and display). Numbers are
/// compared bit for bit where the parts are stored, so an unchanged NaN is not a change.
/// Both states are left as they were (they are taken apart and put back together to compare).
bool differs_beyond_view(FormState& a, FormState& b);

class History {
public:
    explicit History(HistoryLimits limits = {}) : limits_(limits) {}

    [[nodiscard]] const HistoryLimits& limits() const { return limits_; }
    /// False when a snapshot of `state` alone exceeds max_bytes: a command on it cannot be
    /// undone.
    [[nodiscard]] bool can_hold(const FormState& state) const
    {
        return snapshot_bytes(state) <= limits_.max_bytes;
    }

    /// Records the command `title` that turned `before` into `after` (the form's state now).
    /// Returns false, recording nothing, when the two differ only in the view. Otherwise the redo
    /// steps are dropped, the step is kept and the oldest steps go until the bounds hold; a step
    /// that alone exceeds max_bytes (or max_steps = 0) clears the whole history and returns false.
    /// `after` is left as it was.
    bool record(std::string title, FormState&& before, FormState& after);

    /// Gives `state` back as it was before the last recorded command (false: nothing to undo).
    /// The step then keeps the state after the command for redo; when that is larger than the
    /// bound allows, older steps go, and the step itself when it alone is too large.
    bool undo(FormState& state);
    /// Gives `state` back as it was after the last undone command (false: nothing to redo).
    bool redo(FormState& state);

    [[nodiscard]] bool can_undo() const { return !undo_.empty(); }
    [[nodiscard]] bool can_redo() const { return !redo_.empty(); }
    /// The title of the step undo / redo would take back; empty when there is none.
    [[nodiscard]] std::string undo_title() const;
    [[nodiscard]] std::string redo_title() const;
    [[nodiscard]] std::size_t undo_count() const { return undo_.size(); }
    [[nodiscard]] std::size_t redo_count() const { return redo_.size(); }
    /// Estimated memory of all steps.
    [[nodiscard]] std::size_t bytes() const { return bytes_; }
    /// Forgets every step (after a change that could not be recorded, older steps no longer fit
    /// the state).
    void clear();

private:
    struct Step {
        std::string title;
        FormState other;     ///< the other side: stored parts and everything else
        unsigned stored = 0; ///< bit p: part p is stored in `other`
        std::size_t bytes = 0;
    };

    /// Swaps the step's side with `state`; afterwards the step holds the side `state` had.
    void swap_in(Step& step, FormState& state);
    /// Drops oldest undo steps, then farthest redo steps, while over max_bytes, keeping the
    /// step just moved (the last of `undo_` when `keep_undo_back`, else the last of `redo_`)
    /// unless it alone is over the bound.
    void trim_bytes(bool keep_undo_back);
    void drop_front(std::deque<Step>& steps);

    HistoryLimits limits_;
    std::deque<Step> undo_; ///< oldest first; back() is undone next
    std::deque<Step> redo_; ///< back() is redone next
    std::size_t bytes_ = 0;
};

} // namespace tengun
