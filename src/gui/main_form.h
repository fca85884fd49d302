#pragma once
// Form1, the analysis form "解析フォーム". Every action takes the same path:
//
//   menu action (or a recent file) / Command1 "回転表示" / Timer1 tick / mouse on Picture1
//     -> run(): texts of the line edits -> state.fields
//     -> the command of src/app over this form's CommandContext (FormState, the shared
//        ProgramWide, the two ImageSurfaces, QtDialogs for dialogs and messages, the form's
//        History); menu commands go through run_menu_command, which records undoable steps
//     -> state.fields -> line edits and labels; Timer1 follows state.timer_enabled;
//        Picture1 and Picture2 repaint from their surfaces; the 編集 items, the recent files
//        and the status bar follow the history and the last command.
//
// The form also redraws (form_activate) when it becomes the active window, after a command
// that showed a dialog, and when Picture1 changes size. It keeps its size and position for the
// next run (user_settings.h).
//
// Menu commands placed on the worker (Placement::worker: loading, fits, meshing, thinning,
// saving, ...) run as CommandWork on a worker thread over copies of the state, the program
// values and the two pictures, while the form waits in a local event loop as a modal dialog
// does: the window repaints and answers, a progress bar with the step and a percentage and a
// "中止" button stand in the status bar, the command's dialogs are shown on the window's thread
// (command_worker.h). When the command ends, its state and pictures replace the form's and the
// history records the step; a cancelled command is dropped and the form stays as it was. While
// it runs, other commands (in any form) are refused with a message, and the mouse, the wheel
// and Timer1 leave the view alone.
//
// A file dropped on the form is opened by its content, as "開く（形式を自動判別）" opens the
// chosen one; `tengun FILE` goes the same way through open_path.

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/command_runner.h"
#include "app/history.h"
#include "gui/command_worker.h"
#include "gui/image_surface.h"
#include "gui/qt_dialogs.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tengun {

class PictureWidget;

class MainForm final : public QMainWindow {
    Q_OBJECT
public:
    /// `program` is shared by every main form and must outlive this one.
    explicit MainForm(ProgramWide& program, QWidget* parent = nullptr);
    ~MainForm() override;

    [[nodiscard]] CommandContext& context() { return ctx_; }
    [[nodiscard]] QtDialogs& dialogs() { return dialogs_; }
    [[nodiscard]] History& history() { return history_; }

    /// Runs a menu command through the command flow, as its menu item does: on the worker
    /// thread or on the window's as its placement says. Returns when the command has ended.
    void run_menu(const MenuEntry& entry);

    /// Opens the file by its content into this form and redraws, as dropping it does.
    void open_path(const std::string& path);

    /// True while a command of this form runs on its worker thread.
    [[nodiscard]] bool working() const { return working_; }
    /// The running command's progress: its stop flag (the "中止" button sets it) and, for
    /// tests, a listener that hears every report on the worker's thread.
    [[nodiscard]] WorkProgress& work_progress() { return work_progress_; }

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build_menu();
    void build_status_bar();
    /// The recent files at the end of file_input, after a separator.
    void fill_recent_files();
    /// After a load command: its file goes first in the recent files when it was loaded.
    void note_recent_file(const MenuEntry& entry, const CommandReport& report);
    void build_fields();
    QWidget* build_result_column();
    QLayout* build_plane_row();
    QWidget* build_pictures();

    /// Runs one command over this form's context and shows what it changed; nothing while a
    /// command runs on the worker.
    void run(const std::function<void()>& command);
    /// Runs a menu command on the worker thread and waits for it (see the top of this file).
    /// `redraw`: redraw the view at the end even when no dialog was shown.
    void run_work(const MenuEntry& entry, bool redraw = false);
    /// While a command runs on the worker (in this form or another): says so and returns true.
    bool refuse_while_busy();
    void build_progress_panel();
    /// Shows the running command's latest report in the progress panel.
    void show_progress(const QString& title);
    void collect_fields();
    void show_state();

    FormState state_;
    ImageSurface surface1_;
    ImageSurface surface2_;
    QtDialogs dialogs_;
    History history_;
    CommandContext ctx_;
    CommandReport last_command_;

    std::map<std::string, QLineEdit*> edits_;
    std::map<std::string, QLabel*> labels_;
    PictureWidget* picture1_ = nullptr;
    PictureWidget* picture2_ = nullptr;
    QTimer* timer_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QMenu* file_input_ = nullptr;
    std::vector<QAction*> recent_actions_;
    QLabel* status_points_ = nullptr;
    QLabel* status_selection_ = nullptr;
    QLabel* status_command_ = nullptr;

    int running_ = 0;               // depth of nested runs (a dialog's event loop, a tick in it)
    bool activated_while_running_ = false;

    ViewPreview preview_;           // the quick picture while the mouse turns the view
    WorkProgress work_progress_;
    bool working_ = false;          // a command runs on the worker thread
    bool close_after_work_ = false; // the form was closed while it ran: close when it has stopped
    QWidget* progress_panel_ = nullptr;
    QLabel* progress_step_ = nullptr;
    QProgressBar* progress_bar_ = nullptr;
    QPushButton* cancel_button_ = nullptr;
};

}  // namespace tengun
