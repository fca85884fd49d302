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
// that showed a dialog, and when Picture1 changes size.
//
// A file dropped on the form is opened by its content (open_file), as "開く（形式を自動判別）"
// opens the chosen one; `tengun FILE` goes the same way through open_path.
// that showed a dialog, and when Picture1 changes size. It keeps its size and position for the
// next run (user_settings.h).

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/command_context.h"
#include "app/command_runner.h"
#include "app/history.h"
#include "gui/image_surface.h"
#include "gui/qt_dialogs.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
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

    /// Runs a menu command through the command flow, as its menu item does.
    void run_menu(const MenuEntry& entry);

    /// Opens the file by its content into this form and redraws, as dropping it does.
    void open_path(const std::string& path);

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

    /// Runs one command over this form's context and shows what it changed.
    void run(const std::function<void()>& command);
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
};

}  // namespace tengun
