#pragma once
// What a main form needs to run a menu command on a worker thread (CommandWork over copies of
// its state, the program-wide values and its pictures) while the window keeps repainting and
// answering:
//   GuiCaller      runs a function on the window's thread for the worker and waits for it;
//   WorkerDialogs  the command's dialogs and messages, shown on the window's thread that way;
//   WorkProgress   the worker's latest report and the stop flag, read by the window's timer.
//
// Why the dialogs are marshalled rather than asked before the worker starts: a command is one
// function that interleaves its dialogs with its work (choose a file, read it, say what the
// file lacked; ask an angle, thin, report), exactly as tengun-cli and the tests run it. Splitting
// forty commands into an asking half and a working half would duplicate that flow. So the
// worker asks the window and waits: the dialog writes its answer into the worker's copy of the
// program values while the worker is blocked (the lock around the call orders both threads),
// and nothing is shared while both run.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/dialogs.h"
#include "geometry/progress.h"

namespace tengun {

class QtDialogs;

/// A blocking queued call that can be abandoned. call() posts a function to the thread of the
/// receiver (the window's) and waits until it has run there. Once abandon() has been called
/// (the form is going away while its worker still runs), call() returns at once and functions
/// still queued do not run.
class GuiCaller {
public:
    explicit GuiCaller(QObject* receiver);

    /// True when `function` ran on the receiver's thread; false when the caller was abandoned
    /// before it ran (it never will). Call only from another thread than the receiver's.
    bool call(const std::function<void()>& function);
    /// From the receiver's thread: every waiting and later call returns false at once.
    void abandon();

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool abandoned = false;
    };
    QObject* receiver_;
    std::shared_ptr<Shared> shared_;
};

/// The dialog service of a command running on a worker: every call is shown by the form's
/// QtDialogs on the window's thread. After the caller was abandoned the dialogs behave as
/// cancelled (dialog_cancelled stays true, questions are answered no, messages are dropped).
class WorkerDialogs final : public Dialogs {
public:
    WorkerDialogs(QtDialogs& window, GuiCaller& caller) : window_(window), caller_(caller) {}

    /// True when a dialog (not a message) has been shown and closed: the form was activated
    /// again and redraws, as after a dialog on the window's thread.
    [[nodiscard]] bool dialog_shown() const { return dialog_shown_; }

    void choose_file(ProgramWide& program) override;
    void ask_spline_settings(ProgramWide& program) override;
    void ask_thinning_angle(ProgramWide& program) override;
    void ask_choice(ProgramWide& program, const Choice& choice) override;
    void show_message(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void copy_to_clipboard(const std::string& text) override;

private:
    /// Runs `show` on the window's thread and notes whether it showed a dialog.
    void on_window(ProgramWide* program, const std::function<void()>& show);

    QtDialogs& window_;
    GuiCaller& caller_;
    bool dialog_shown_ = false;
};

/// The latest report of the running command and the flag that stops it. The worker writes
/// through progress(); the window reads latest() on its timer and sets the flag from its
/// cancel button. `listener` (tests) hears every report on the worker's thread.
class WorkProgress {
public:
    struct Report {
        bool any = false; ///< false until the command's algorithm first reported
        double fraction = 0.0;
        std::string step;
    };

    /// Clears the report and the flag for the next command.
    void reset();
    /// The sink a command's context takes: reports here, stops on the flag.
    [[nodiscard]] Progress progress();
    [[nodiscard]] Report latest() const;
    void request_stop() { stop_.store(true); }
    [[nodiscard]] bool stop_requested() const { return stop_.load(); }
    std::function<void(double, std::string_view)> listener;

private:
    mutable std::mutex mutex_;
    Report report_;
    std::atomic<bool> stop_{false};
};

} // namespace tengun
