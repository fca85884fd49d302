#include "gui/command_worker.h"

#include <QMetaObject>

#include "gui/qt_dialogs.h"

namespace tengun {

GuiCaller::GuiCaller(QObject* receiver) : receiver_(receiver), shared_(std::make_shared<Shared>())
{
}

bool GuiCaller::call(const std::function<void()>& function)
{
    // `done` lives as long as the posted call: the worker may stop waiting (abandoned) before
    // the window's thread gets to it, and then the call must not touch `function`.
    auto done = std::make_shared<bool>(false);
    const std::shared_ptr<Shared> shared = shared_;
    const std::function<void()>* run = &function;
    QMetaObject::invokeMethod(
        receiver_,
        [shared, done, run] {
            {
                const std::lock_guard lock(shared->mutex);
                if (shared->abandoned) {
                    return;
                }
            }
            (*run)();
            const std::lock_guard lock(shared->mutex);
            *done = true;
            shared->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared->mutex);
    shared->changed.wait(lock, [&] { return *done || shared->abandoned; });
    return *done;
}

void GuiCaller::abandon()
{
    const std::lock_guard lock(shared_->mutex);
    shared_->abandoned = true;
    shared_->changed.notify_all();
}

void WorkerDialogs::on_window(ProgramWide* program, const std::function<void()>& show)
{
    bool shown = false;
    const bool ran = caller_.call([&] {
        const int before = window_.dialogs_shown();
        show();
        shown = window_.dialogs_shown() != before;
    });
    if (!ran && program != nullptr) {
        program->dialog_cancelled = true; // as a dialog closed with its close box
    }
    dialog_shown_ = dialog_shown_ || shown;
}

void WorkerDialogs::choose_file(ProgramWide& program)
{
    on_window(&program, [&] { window_.choose_file(program); });
}

void WorkerDialogs::ask_spline_settings(ProgramWide& program)
{
    on_window(&program, [&] { window_.ask_spline_settings(program); });
}

void WorkerDialogs::ask_thinning_angle(ProgramWide& program)
{
    on_window(&program, [&] { window_.ask_thinning_angle(program); });
}

void WorkerDialogs::ask_choice(ProgramWide& program, const Choice& choice)
{
    on_window(&program, [&] { window_.ask_choice(program, choice); });
}

void WorkerDialogs::show_message(const std::string& text)
{
    on_window(nullptr, [&] { window_.show_message(text); });
}

bool WorkerDialogs::confirm(const std::string& text)
{
    bool yes = false;
    on_window(nullptr, [&] { yes = window_.confirm(text); });
    return yes;
}

void WorkerDialogs::copy_to_clipboard(const std::string& text)
{
    on_window(nullptr, [&] { window_.copy_to_clipboard(text); });
}

void WorkProgress::reset()
{
    const std::lock_guard lock(mutex_);
    report_ = {};
    stop_.store(false);
}

Progress WorkProgress::progress()
{
    return {[this](double fraction, std::string_view step) {
                {
                    const std::lock_guard lock(mutex_);
                    report_.any = true;
                    report_.fraction = fraction;
                    if (report_.step != step) {
                        report_.step.assign(step);
                    }
                }
                if (listener) {
                    listener(fraction, step);
                }
            },
            &stop_};
}

WorkProgress::Report WorkProgress::latest() const
{
    const std::lock_guard lock(mutex_);
    return report_;
}

} // namespace tengun
