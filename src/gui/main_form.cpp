#include "gui/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "app/commands.h"
#include "app/status_text.h"
#include "gui/message_box.h"
#include "gui/picture_widget.h"
#include "gui/user_settings.h"

namespace tengun {

namespace {

constexpr int timer_interval_ms = 1000;
/// How often the progress panel reads the worker's report.
constexpr int progress_interval_ms = 100;
/// A command that ends sooner never shows the progress panel, so quick commands do not flash it.
constexpr int progress_delay_ms = 150;

/// Three short lines in the graph's colours (X blue, Y green, Z red) under the letters of the
/// legend label "X        Y        Z".
class LegendLines final : public QWidget {
public:
    explicit LegendLines(const QLabel* legend, QWidget* parent) : QWidget(parent), legend_(legend)
    {
        setObjectName(QStringLiteral("Line2"));
        setFixedHeight(8);
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter p(this);
        const QFontMetrics metrics(legend_->font());
        const QString text = legend_->text();
        const std::array<QColor, 3> colours{palette_colour(1), palette_colour(2),
                                            palette_colour(4)};
        int found = 0;
        for (qsizetype i = 0; i < text.size() && found < 3; ++i) {
            if (text[i].isSpace()) {
                continue;
            }
            const int centre = metrics.horizontalAdvance(text.left(i)) +
                               metrics.horizontalAdvance(text[i]) / 2;
            p.setPen(QPen(colours[static_cast<std::size_t>(found++)], 2));
            p.drawLine(centre - 12, height() / 2, centre + 12, height() / 2);
        }
    }

private:
    const QLabel* legend_;
};

QLabel* heading(QLabel* label)
{
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

}  // namespace

MainForm::MainForm(ProgramWide& program, QWidget* parent)
    : QMainWindow(parent), surface1_({800, 560}), surface2_({800, 200}),
      dialogs_(this), ctx_{program, state_, surface1_, surface2_, dialogs_, &history_, {}, &preview_}
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("解析フォーム"));

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(timer_interval_ms);
    connect(timer_, &QTimer::timeout, this, [this] { run([this] { Timer1_Timer(ctx_); }); });

    build_menu();
    build_fields();

    auto* central = new QWidget(this);
    auto* body = new QHBoxLayout;
    body->addWidget(build_result_column());
    body->addWidget(build_pictures(), 1);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(build_plane_row());
    layout->addLayout(body, 1);
    setCentralWidget(central);
    build_status_bar();
    if (const QByteArray geometry = saved_form_geometry();
        geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(1180, 900);
    }
    setAcceptDrops(true);

    run([this] { form_load(ctx_); });
}

MainForm::~MainForm() = default;

void MainForm::build_menu()
{
    // Each item goes below the nearest shallower item before it; an item followed by a deeper
    // one is a menu of its own, every other item an action.
    const auto tree = menu_tree();
    std::vector<QMenu*> open_menus;
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const MenuEntry& item = tree[i];
        const QString name = to_qstring(item.name);
        const QString caption = to_qstring(item.caption);
        open_menus.resize(static_cast<std::size_t>(item.depth));
        const bool has_items = i + 1 < tree.size() && tree[i + 1].depth > item.depth;
        if (has_items) {
            QMenu* menu = open_menus.empty() ? menuBar()->addMenu(caption)
                                             : open_menus.back()->addMenu(caption);
            menu->setObjectName(name);
            open_menus.push_back(menu);
            continue;
        }
        QAction* action = open_menus.empty() ? menuBar()->addAction(caption)
                                             : open_menus.back()->addAction(caption);
        action->setObjectName(name);
        if (item.run != nullptr) {
            connect(action, &QAction::triggered, this, [this, &item] { run_menu(item); });
        }
    }
    file_input_ = menuBar()->findChild<QMenu*>(QStringLiteral("file_input"));
    undo_ = findChild<QAction*>(QStringLiteral("undo"));
    redo_ = findChild<QAction*>(QStringLiteral("redo"));
    undo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    fill_recent_files();
}

void MainForm::build_status_bar()
{
    const auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    status_command_ = label("status_command");
    status_selection_ = label("status_selection");
    status_points_ = label("status_points");
    statusBar()->addWidget(status_command_, 1);
    build_progress_panel();
    statusBar()->addPermanentWidget(status_selection_);
    statusBar()->addPermanentWidget(status_points_);
}

void MainForm::build_progress_panel()
{
    progress_panel_ = new QWidget(this);
    progress_panel_->setObjectName(QStringLiteral("progress_panel"));
    auto* row = new QHBoxLayout(progress_panel_);
    row->setContentsMargins(0, 0, 0, 0);
    progress_step_ = new QLabel(progress_panel_);
    progress_step_->setObjectName(QStringLiteral("progress_step"));
    progress_bar_ = new QProgressBar(progress_panel_);
    progress_bar_->setObjectName(QStringLiteral("progress_bar"));
    progress_bar_->setRange(0, 1000);
    progress_bar_->setFormat(QStringLiteral("%p%"));
    progress_bar_->setFixedWidth(200);
    cancel_button_ = new QPushButton(QStringLiteral("中止"), progress_panel_);
    cancel_button_->setObjectName(QStringLiteral("cancel_button"));
    row->addWidget(progress_step_);
    row->addWidget(progress_bar_);
    row->addWidget(cancel_button_);
    connect(cancel_button_, &QPushButton::clicked, this, [this] {
        work_progress_.request_stop();
        cancel_button_->setEnabled(false);
        progress_step_->setText(QStringLiteral("中止しています…"));
    });
    statusBar()->addPermanentWidget(progress_panel_);
    progress_panel_->hide();
}

void MainForm::show_progress(const QString& title)
{
    if (work_progress_.stop_requested()) {
        return; // "中止しています…" stays
    }
    const WorkProgress::Report report = work_progress_.latest();
    if (!report.any) {
        progress_bar_->setRange(0, 0); // busy, without a share yet
        progress_step_->setText(title);
        return;
    }
    progress_bar_->setRange(0, 1000);
    progress_bar_->setValue(static_cast<int>(std::clamp(report.fraction, 0.0, 1.0) * 1000.0));
    progress_step_->setText(report.step.empty() ? title : title + QStringLiteral("：") +
                                                              to_qstring(report.step));
}

void MainForm::fill_recent_files()
{
    for (QAction* action : recent_actions_) {
        file_input_->removeAction(action);
        delete action;
    }
    recent_actions_.clear();
    const std::vector<RecentFile> files = recent_files();
    if (files.empty()) {
        return;
    }
    recent_actions_.push_back(file_input_->addSeparator());
    for (std::size_t k = 0; k < files.size(); ++k) {
        const RecentFile& file = files[k];
        QAction* action = file_input_->addAction(
            QStringLiteral("&%1 %2").arg(k + 1).arg(QDir::toNativeSeparators(file.path)));
        action->setObjectName(QStringLiteral("recent_file(%1)").arg(k));
        action->setToolTip(file.path);
        connect(action, &QAction::triggered, this, [this, file] {
            const QByteArray command = file.command.toUtf8();
            if (const MenuEntry* entry =
                    find_menu_command(std::string_view(command.data(), command.size()))) {
                dialogs_.answer_next_chooser(file.path.toStdString());
                run_menu(*entry);
            }
        });
        recent_actions_.push_back(action);
    }
}

void MainForm::run_menu(const MenuEntry& entry)
{
    if (refuse_while_busy()) {
        dialogs_.clear_chooser_answer();
        return;
    }
    if (entry.placement == Placement::worker) {
        run_work(entry);
    } else {
        run([this, &entry] { last_command_ = run_menu_command(ctx_, entry); });
    }
    dialogs_.clear_chooser_answer();
    note_recent_file(entry, last_command_);
}

bool MainForm::refuse_while_busy()
{
    const std::string& running = ctx_.program.background_command;
    if (running.empty()) {
        return false;
    }
    dialogs_.show_message("「" + running + "」を実行中です。終わるまでお待ち下さい（止めるには" +
                          "「中止」を押して下さい）。");
    return true;
}

void MainForm::run_work(const MenuEntry& entry, bool redraw)
{
    collect_fields();
    ++running_;
    working_ = true;
    const auto done = qScopeGuard([this] {
        working_ = false;
        --running_;
        ctx_.program.background_command.clear();
        progress_panel_->hide();
    });
    CommandWork work(ctx_, entry); // asks here, on the window's thread, if it cannot be undone
    if (!work.planned()) {
        last_command_ = {work.plan().title, false, false, false, 0.0};
        show_state();
        return;
    }
    ctx_.program.background_command = work.plan().title;
    const QString title = to_qstring(work.plan().title);

    ImageSurface picture1(surface1_.image(), surface1_.dots_per_inch());
    ImageSurface picture2(surface2_.image(), surface2_.dots_per_inch());
    GuiCaller caller(this);
    WorkerDialogs dialogs(dialogs_, caller);
    work_progress_.reset();
    const Progress progress = work_progress_.progress();

    QEventLoop loop;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        CommandContext c = work.context(picture1, picture2, dialogs, progress);
        work.run(c);
        if (!progress.stopped() && (redraw || dialogs.dialog_shown())) {
            form_activate(c); // the form was activated again when the dialog closed
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });

    cancel_button_->setEnabled(true);
    QElapsedTimer clock;
    clock.start();
    QTimer ticker;
    ticker.setInterval(progress_interval_ms);
    connect(&ticker, &QTimer::timeout, this, [&] {
        if (QApplication::activeModalWidget() != nullptr) {
            // A dialog the command asked for (a file to open, a setting) waits for the user: no
            // progress to show until the command works again.
            progress_panel_->hide();
            clock.restart();
            return;
        }
        if (progress_panel_->isHidden() && clock.elapsed() >= progress_delay_ms) {
            progress_panel_->show();
        }
        show_progress(title);
    });
    ticker.start();
    if (!finished.load()) {
        loop.exec();
    }
    ticker.stop();
    if (!finished.load()) {
        // The event loop was ended from outside (the program is quitting): stop the command,
        // and let its pending dialogs return unanswered, before waiting for it.
        work_progress_.request_stop();
        caller.abandon();
    }
    worker.join();

    if (work_progress_.stop_requested()) {
        last_command_ = {work.plan().title, false, false, work.plan().undoable, 0.0};
    } else {
        last_command_ = work.finish(ctx_);
        const bool same_size = picture1.image().size() == surface1_.image().size();
        if (same_size) {
            surface1_.take_picture(picture1);
        }
        if (picture2.image().size() == surface2_.image().size()) {
            surface2_.take_picture(picture2);
        }
        if (!same_size) {
            form_activate(ctx_); // Picture1 changed size meanwhile: draw it at its new size
        }
    }
    activated_while_running_ = false;
    show_state();
    if (work_progress_.stop_requested()) {
        status_command_->setText(to_qstring("「" + work.plan().title + "」を中止しました"));
    }
    if (close_after_work_) {
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void MainForm::note_recent_file(const MenuEntry& entry, const CommandReport& report)
{
    const ProgramWide& program = ctx_.program;
    if (top_menu_of(entry) != "file_input" || !report.ran || !file_chosen(program) ||
        state_.fields["Text5"] != program.selected_file_name) {
        return;
    }
    const QString path = QFileInfo(to_qstring(program.selected_file_name)).absoluteFilePath();
    add_recent_file({to_qstring(entry.name), path});
    fill_recent_files();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (working_) {
        // Stop the command first; the form closes as soon as it has.
        close_after_work_ = true;
        work_progress_.request_stop();
        event->ignore();
        return;
    }
    save_form_geometry(saveGeometry());
    QMainWindow::closeEvent(event);
}

void MainForm::build_fields()
{
    for (const auto& [name, text] : FormState::initial_fields()) {
        if (name.starts_with("Text")) {
            auto* edit = new QLineEdit(to_qstring(text), this);
            edit->setObjectName(to_qstring(name));
            edits_[name] = edit;
        } else {
            auto* label = new QLabel(to_qstring(text), this);
            label->setObjectName(to_qstring(name));
            labels_[name] = label;
        }
    }
}

QLayout* MainForm::build_plane_row()
{
    auto* row = new QHBoxLayout;
    for (int k = 0; k < 4; ++k) {
        const std::string index = "(" + std::to_string(k) + ")";
        row->addWidget(labels_.at("Label1" + index));
        QLineEdit* edit = edits_.at("Text1" + index);
        edit->setMinimumWidth(150);
        row->addWidget(edit);
    }
    row->addStretch();
    return row;
}

QWidget* MainForm::build_result_column()
{
    auto* column = new QWidget(this);
    column->setFixedWidth(270);
    auto* grid = new QGridLayout(column);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);
    int row = 0;
    const auto pair = [&](const char* label, const char* edit, const char* unit = nullptr) {
        grid->addWidget(labels_.at(label), row, 0);
        grid->addWidget(edits_.at(edit), row, 1);
        if (unit != nullptr) {
            grid->addWidget(labels_.at(unit), row, 2);
        }
        ++row;
    };
    const auto title = [&](QWidget* widget) {
        grid->setRowMinimumHeight(row++, 8);
        grid->addWidget(widget, row++, 0, 1, 3);
    };

    pair("Label7(1)", "Text6");
    pair("Label7(0)", "Text5");
    pair("Label7(2)", "Text7");
    title(heading(labels_.at("Label5")));
    pair("Label2(1)", "Text2(0)");
    pair("Label2(2)", "Text2(1)");
    pair("Label2(3)", "Text2(2)");
    title(heading(labels_.at("Label6")));
    pair("Label2(5)", "Text2(3)");
    pair("Label2(4)", "Text2(4)");
    pair("Label2(0)", "Text2(5)");
    grid->setRowMinimumHeight(row++, 8);
    pair("Label3(0)", "Text3(0)");
    pair("Label3(1)", "Text3(1)");
    // The form errors of the fit: the feature's word, the two values, the note when equal.
    title(heading(labels_.at("Label13")));
    pair("Label14(0)", "Text10(0)");
    pair("Label14(1)", "Text10(1)");
    QLabel* note = labels_.at("Label15");
    note->setWordWrap(true);
    grid->addWidget(note, row++, 0, 1, 3);
    title(heading(labels_.at("Label4")));
    pair("Label11(0)", "Text4(0)", "Label11(2)");
    pair("Label11(1)", "Text4(1)", "Label11(3)");
    grid->setRowMinimumHeight(row++, 8);
    pair("Label8(0)", "Text8(0)");
    pair("Label8(1)", "Text8(1)");
    pair("Label8(2)", "Text8(2)");
    auto* rotate = new QPushButton(QStringLiteral("回転表示"), column);
    rotate->setObjectName(QStringLiteral("Command1"));
    connect(rotate, &QPushButton::clicked, this, [this] {
        if (!refuse_while_busy()) {
            run([this] { Command1_Click(ctx_); });
        }
    });
    grid->addWidget(rotate, row++, 1);
    title(heading(labels_.at("Label10")));
    pair("Label9(0)", "Text9(0)");
    pair("Label9(1)", "Text9(1)");
    pair("Label9(2)", "Text9(2)");
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return column;
}

QWidget* MainForm::build_pictures()
{
    auto* pictures = new QWidget(this);
    picture1_ = new PictureWidget(surface1_, QStringLiteral("Picture1"), pictures);
    picture1_->setMinimumSize(480, 360);
    picture2_ = new PictureWidget(surface2_, QStringLiteral("Picture2"), pictures);
    picture2_->setMinimumHeight(120);
    QLabel* legend = labels_.at("Label12(1)");
    auto* legend_lines = new LegendLines(legend, pictures);

    auto* layout = new QVBoxLayout(pictures);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture1_, 3);
    layout->addSpacing(4);
    layout->addWidget(heading(labels_.at("Label12(0)")));
    layout->addWidget(picture2_, 1);
    layout->addWidget(legend);
    layout->addWidget(legend_lines);

    connect(picture1_, &PictureWidget::resized, this,
            [this] { run([this] { form_activate(ctx_); }); });
    connect(picture2_, &PictureWidget::resized, picture2_, qOverload<>(&QWidget::update));
    connect(picture1_, &PictureWidget::mouse_moved, this, [this](int button, float x, float y) {
        run([=, this] { Picture1_MouseMove(ctx_, button, x, y); });
    });
    connect(picture1_, &PictureWidget::mouse_released, this, [this](int button, float x, float y) {
        run([=, this] { Picture1_MouseUp(ctx_, button, x, y); });
    });
    connect(picture1_, &PictureWidget::wheel_turned, this, [this](int steps, float x, float y) {
        run([=, this] { Picture1_MouseWheel(ctx_, steps, x, y); });
    });
    picture1_->set_selectable(true);
    connect(picture1_, &PictureWidget::rectangle_selected, this,
            [this](QPointF a, QPointF b, bool remove) {
                const SelectionChange change =
                    remove ? SelectionChange::remove : SelectionChange::add;
                run([=, this] { select_rectangle(ctx_, a.x(), a.y(), b.x(), b.y(), change); });
            });
    connect(picture1_, &PictureWidget::polygon_selected, this,
            [this](const QList<QPointF>& corners) {
                std::vector<SurfacePoint> polygon;
                for (const QPointF& c : corners) {
                    polygon.push_back({c.x(), c.y()});
                }
                run([&, this] { select_polygon(ctx_, polygon, SelectionChange::add); });
            });
    return pictures;
}

namespace {

/// The first local file among the dropped URLs; empty when there is none.
QString dropped_file(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

}  // namespace

void MainForm::open_path(const std::string& path)
{
    if (refuse_while_busy()) {
        return;
    }
    // As "開く（形式を自動判別）" with the file already chosen: on the worker, undoable.
    dialogs_.answer_next_chooser(path);
    run_work(*find_menu_command("auto_file_input"), true);
    dialogs_.clear_chooser_answer();
}

void MainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!dropped_file(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainForm::dropEvent(QDropEvent* event)
{
    const QString file = dropped_file(event->mimeData());
    if (file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    open_path(QFile::encodeName(file).toStdString());
}

bool MainForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        // Activated inside a command (a dialog of it just closed): redraw once it has finished.
        if (running_ > 0) {
            activated_while_running_ = true;
        } else {
            run([this] { form_activate(ctx_); });
        }
    }
    return QMainWindow::event(event);
}

void MainForm::run(const std::function<void()>& command)
{
    if (working_) {
        return; // the worker's result replaces the state: nothing may change it meanwhile
    }
    const bool outermost = running_ == 0;
    // A tick or a redraw inside a dialog's event loop must not overwrite the fields the
    // running command has written with the older texts of the widgets.
    if (outermost) {
        collect_fields();
    }
    const int dialogs_before = dialogs_.dialogs_shown();
    {
        ++running_;
        const auto done = qScopeGuard([this] { --running_; });
        command();
    }
    if (outermost && (activated_while_running_ || dialogs_.dialogs_shown() != dialogs_before)) {
        activated_while_running_ = false;
        form_activate(ctx_);
    }
    show_state();
}

void MainForm::collect_fields()
{
    for (const auto& [name, edit] : edits_) {
        state_.fields[name] = edit->text().toStdString();
    }
}

void MainForm::show_state()
{
    for (const auto& [name, text] : state_.fields) {
        const QString value = to_qstring(text);
        if (const auto e = edits_.find(name); e != edits_.end()) {
            if (e->second->text() != value) {
                e->second->setText(value);
                e->second->setCursorPosition(0);
            }
        } else if (const auto l = labels_.find(name); l != labels_.end()) {
            l->second->setText(value);
        }
    }
    if (state_.timer_enabled && !timer_->isActive()) {
        timer_->start();
    } else if (!state_.timer_enabled && timer_->isActive()) {
        timer_->stop();
    }
    picture1_->update();
    picture2_->update();

    const bool can_undo = history_.can_undo();
    const bool can_redo = history_.can_redo();
    undo_->setEnabled(can_undo);
    undo_->setText(can_undo ? to_qstring("元に戻す：" + history_.undo_title())
                            : QStringLiteral("元に戻す"));
    redo_->setEnabled(can_redo);
    redo_->setText(can_redo ? to_qstring("やり直し：" + history_.redo_title())
                            : QStringLiteral("やり直し"));
    status_points_->setText(to_qstring(point_count_status(state_)));
    status_selection_->setText(to_qstring(selection_status(state_)));
    status_command_->setText(to_qstring(command_status(last_command_)));
}

}  // namespace tengun
