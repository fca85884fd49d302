// What Form1 adds around the commands: the 編集 menu with undo and redo and their keys, the
// wheel on Picture1, the status bar, the recent files, the results on the clipboard, and what
// the window remembers between runs (in the test run's own settings folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <fstream>

#include "app/commands.h"
#include "gui/file_chooser.h"
#include "gui/main_form.h"
#include "gui/picture_widget.h"
#include "gui/user_settings.h"
#include "modal.h"

namespace tengun {
namespace {

using testing::child;

class FormEditTest : public ::testing::Test {
protected:
    FormEditTest()
    {
        QSettings().clear();
        form.dialogs().set_message_sink([this](const std::string& m) { messages.push_back(m); });
    }
    ~FormEditTest() override { QSettings().clear(); }

    /// Writes a CSV cloud of n points on the plane z = height.
    std::string write_cloud(const char* name, int n, double height)
    {
        const std::string path = QDir(folder.path()).filePath(name).toStdString();
        std::ofstream out(path);
        for (int i = 0; i < n; ++i) {
            out << i % 5 << "," << i / 5 << "," << height + 0.001 * (i % 2) << "\n";
        }
        return path;
    }
    /// Runs a load command as the chooser would, confirmed with `path`.
    void load(const char* command, const std::string& path)
    {
        form.dialogs().answer_next_chooser(path);
        trigger(command);
    }
    void trigger(const char* name) { child<QAction>(&form, name)->trigger(); }
    QString text(const char* name) { return child<QLineEdit>(&form, name)->text(); }
    QAction* action(const char* name) { return child<QAction>(&form, name); }

    QTemporaryDir folder;
    ProgramWide program;
    MainForm form{program};
    std::vector<std::string> messages;
};

TEST_F(FormEditTest, edit_menu_comes_first_with_undo_and_redo_and_their_keys)
{
    const QList<QAction*> bar = form.menuBar()->actions();
    ASSERT_FALSE(bar.isEmpty());
    EXPECT_EQ(bar.front()->text(), "編集");
    auto* edit = child<QMenu>(&form, "henshuu");
    ASSERT_EQ(edit->actions().size(), 2);
    EXPECT_EQ(edit->actions()[0], action("undo"));
    EXPECT_EQ(edit->actions()[1], action("redo"));
    EXPECT_EQ(action("undo")->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Z")});
    EXPECT_EQ(action("redo")->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_EQ(action("undo")->text(), "元に戻す");
    EXPECT_FALSE(action("undo")->isEnabled());
    EXPECT_FALSE(action("redo")->isEnabled());
}

TEST_F(FormEditTest, undo_and_redo_name_their_command_and_bring_the_fields_back)
{
    load("csv_file_input", write_cloud("a.csv", 25, 5.0));
    EXPECT_EQ(action("undo")->text(), "元に戻す：csv_input");
    trigger("heimen");
    EXPECT_EQ(text("Text6"), "平面解析");
    EXPECT_EQ(action("undo")->text(), "元に戻す：平面");
    trigger("zoom_up");
    EXPECT_EQ(action("undo")->text(), "元に戻す：平面") << "zoom is no step";

    trigger("undo");
    EXPECT_EQ(text("Text6"), "");
    EXPECT_EQ(text("Text1(3)"), "");
    EXPECT_EQ(text("Text7"), "25");
    EXPECT_EQ(action("undo")->text(), "元に戻す：csv_input");
    EXPECT_EQ(action("redo")->text(), "やり直し：平面");
    EXPECT_TRUE(action("redo")->isEnabled());
    trigger("redo");
    EXPECT_EQ(text("Text6"), "平面解析");
    EXPECT_FALSE(action("redo")->isEnabled());
    EXPECT_EQ(action("redo")->text(), "やり直し");

    // The keys, delivered to the shown form.
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.setFocus();
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text("Text6"), "") << "Ctrl+Z";
    QTest::keyClick(&form, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(text("Text6"), "平面解析") << "Ctrl+Y";
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text("Text6"), "平面解析") << "Ctrl+Shift+Z";
    EXPECT_TRUE(messages.empty());
}

TEST_F(FormEditTest, status_bar_shows_points_selection_and_the_last_command)
{
    EXPECT_EQ(child<QLabel>(&form, "status_points")->text(), "点群数：0");
    EXPECT_EQ(child<QLabel>(&form, "status_selection")->text(), "選択：0");
    EXPECT_EQ(child<QLabel>(&form, "status_command")->text(), "");
    load("csv_file_input", write_cloud("a.csv", 1200, 1.0));
    EXPECT_EQ(child<QLabel>(&form, "status_points")->text(), "点群数：1,200");
    trigger("heimen");
    const QString last = child<QLabel>(&form, "status_command")->text();
    EXPECT_TRUE(last.startsWith("最後の操作：平面（")) << last.toStdString();
    EXPECT_TRUE(last.contains("秒") && last.endsWith("）")) << last.toStdString();
}

TEST_F(FormEditTest, wheel_zooms_in_whole_notches_about_the_cursor_and_back_exactly)
{
    load("csv_file_input", write_cloud("a.csv", 25, 5.0));
    auto* picture = child<PictureWidget>(&form, "Picture1");
    const FormState& s = form.context().state;
    const double scale = s.view_scale;
    const Vec3 centre = s.rotation_centre;
    const auto turn = [&](int eighths, QPointF at) {
        QWheelEvent event(at, picture->mapToGlobal(at), {}, {0, eighths}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(picture, &event);
    };
    turn(120, {30, 40});
    EXPECT_EQ(s.view_scale, 2 * scale);
    EXPECT_NE(s.rotation_centre, centre) << "about the cursor, not the middle";
    turn(60, {30, 40});
    EXPECT_EQ(s.view_scale, 2 * scale) << "half a notch waits";
    turn(60, {30, 40});
    EXPECT_EQ(s.view_scale, 4 * scale);
    turn(-240, {30, 40});
    EXPECT_EQ(s.view_scale, scale);
    EXPECT_EQ(s.rotation_centre, centre);
    EXPECT_FALSE(action("undo")->text().contains("ズーム")) << "the wheel is no step";
}

TEST_F(FormEditTest, recent_files_open_like_the_command_they_came_from)
{
    const std::string first = write_cloud("first.csv", 25, 5.0);
    const std::string second = write_cloud("second.csv", 30, 2.0);
    load("csv_file_input", first);
    load("csv_merge_input", second);
    EXPECT_EQ(text("Text7"), "55");
    const std::vector<RecentFile> recent = recent_files();
    ASSERT_EQ(recent.size(), 2U);
    EXPECT_EQ(recent[0], (RecentFile{"csv_merge_input", QString::fromStdString(second)}));
    EXPECT_EQ(recent[1], (RecentFile{"csv_file_input", QString::fromStdString(first)}));
    QAction* entry = action("recent_file(1)");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->text().endsWith(QDir::toNativeSeparators(QString::fromStdString(first))));
    EXPECT_TRUE(child<QMenu>(&form, "file_input")->actions().contains(entry));

    const int dialogs_before = form.dialogs().dialogs_shown();
    entry->trigger();
    EXPECT_EQ(form.dialogs().dialogs_shown(), dialogs_before) << "no chooser";
    EXPECT_EQ(text("Text7"), "25") << "loaded, not merged";
    EXPECT_EQ(text("Text5").toStdString(), first);
    EXPECT_EQ(recent_files().front().path.toStdString(), first) << "first again";

    // The list keeps eight, newest first, each path once.
    for (int k = 0; k < 10; ++k) {
        add_recent_file({"csv_file_input", QStringLiteral("/data/%1.csv").arg(k)});
    }
    add_recent_file({"csv_file_input", QStringLiteral("/data/5.csv")});
    add_recent_file({"no_such_command", QStringLiteral("/data/x.csv")});
    const std::vector<RecentFile> kept = recent_files();
    ASSERT_EQ(kept.size(), 8U) << "an entry of an unknown command is not kept";
    EXPECT_EQ(kept[0].path, "/data/5.csv");
    EXPECT_EQ(kept[1].path, "/data/9.csv");
    EXPECT_EQ(kept[2].path, "/data/8.csv");
    EXPECT_EQ(kept[7].path, "/data/2.csv");
}

TEST_F(FormEditTest, results_copy_puts_tab_separated_rows_on_the_clipboard)
{
    load("csv_file_input", write_cloud("a.csv", 25, 5.0));
    trigger("heimen");
    QGuiApplication::clipboard()->clear();
    trigger("kekka_copy");
    const QStringList rows = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith("ファイル\t点群数\t"));
    EXPECT_EQ(rows[0].count('\t'), rows[1].count('\t'));
    EXPECT_TRUE(rows[1].contains("\t25\tplane\t平面解析\t"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FormEditTest, size_position_and_folder_are_kept_for_the_next_run)
{
    form.resize(700, 500);
    form.close();
    {
        ProgramWide other_program;
        MainForm next(other_program);
        EXPECT_EQ(next.size(), QSize(700, 500));
    }
    const QString start = QDir::currentPath();
    ASSERT_FALSE(enter_last_folder()) << "no folder yet";
    ProgramWide p;
    p.file_kind = file_kinds::csv;
    QDir::setCurrent(folder.path());
    FileChooser chooser(p, [](const std::string&) {});
    testing::set_text(&chooser, "Text3", "a.csv");
    testing::click(&chooser, "Command1");
    QDir::setCurrent(start);
    EXPECT_TRUE(enter_last_folder());
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());
    QDir::setCurrent(start);
}

TEST(file_patterns, result_files_list_text_json_and_csv)
{
    EXPECT_EQ(file_patterns(file_kinds::results),
              (QStringList{"*.txt", "*.json", "*.csv"}));
    EXPECT_EQ(file_patterns(0), QStringList{"*.*"});
}

} // namespace
} // namespace tengun
