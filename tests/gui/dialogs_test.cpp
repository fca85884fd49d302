// The OK / cancel / close-box protocol of the three dialogs, the chooser's lists, and the
// dialog service that shows them modally.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs.h"
#include "gui/choice_dialog.h"
#include "gui/file_chooser.h"
#include "gui/qt_dialogs.h"
#include "gui/settings_dialogs.h"
#include "modal.h"

namespace tengun {
namespace {

using testing::child;
using testing::click;
using testing::set_text;
using testing::when_modal;

QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

/// Runs in a scratch folder holding a few files and a subfolder; restores the current folder.
class FileChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        const QDir dir(scratch.path());
        ASSERT_TRUE(dir.mkdir("sub"));
        for (const char* name : {"a.csv", "B.CSV", "c.txt", "README", "mesh.stl", "sub/d.csv"}) {
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QDir::setCurrent(scratch.path()));
        program.file_kind = file_kinds::csv;
    }
    void TearDown() override { QDir::setCurrent(previous); }

    std::unique_ptr<FileChooser> open_chooser()
    {
        auto chooser = std::make_unique<FileChooser>(
            program, [this](const std::string& m) { messages.push_back(m); });
        chooser->show();
        return chooser;
    }

    const QString previous = QDir::currentPath();
    QTemporaryDir scratch;
    ProgramWide program;
    std::vector<std::string> messages;
};

TEST_F(FileChooserTest, lists_the_current_folder_with_the_pattern_of_the_file_kind)
{
    auto chooser = open_chooser();
    EXPECT_EQ(chooser->objectName(), "sentaku");
    EXPECT_EQ(chooser->windowTitle(), "ファイル選択");
    EXPECT_EQ(child<QLabel>(chooser.get(), "Label1")->text(), "ファイル名＝");
    EXPECT_EQ(child<QPushButton>(chooser.get(), "Command2")->text(), "cansel");
    EXPECT_GE(child<QComboBox>(chooser.get(), "Drive1")->count(), 1);
    EXPECT_EQ(items(child<QListWidget>(chooser.get(), "Dir1")), (QStringList{"..", "sub"}));
    // Upper-case extensions count: scanners write DATA.CSV as often as data.csv.
    EXPECT_EQ(items(child<QListWidget>(chooser.get(), "File1")), (QStringList{"a.csv", "B.CSV"}));

    program.file_kind = file_kinds::stl;
    EXPECT_EQ(items(child<QListWidget>(open_chooser().get(), "File1")), QStringList{"mesh.stl"});
    program.file_kind = 0;
    EXPECT_EQ(items(child<QListWidget>(open_chooser().get(), "File1")),
              (QStringList{"a.csv", "B.CSV", "c.txt", "mesh.stl", "README"}));
}

TEST_F(FileChooserTest, opening_by_content_lists_every_format_it_knows)
{
    const QDir dir(scratch.path());
    for (const char* name : {"scan.PLY", "tile.las", "part.obj", "range.pix", "cloud.pcd",
                             "x.xyz", "y.pts", "z.iges", "w.igs", "v.bmp", "u.laz", "notes.doc"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    program.file_kind = file_kinds::all_formats;
    auto chooser = open_chooser();
    EXPECT_EQ(items(child<QListWidget>(chooser.get(), "File1")),
              (QStringList{"a.csv", "B.CSV", "c.txt", "cloud.pcd", "mesh.stl", "part.obj",
                           "range.pix", "scan.PLY", "tile.las", "u.laz", "v.bmp", "w.igs", "x.xyz",
                           "y.pts", "z.iges"}));
    program.file_kind = file_kinds::ply;
    EXPECT_EQ(items(child<QListWidget>(open_chooser().get(), "File1")), QStringList{"scan.PLY"});
}

TEST_F(FileChooserTest, entering_a_folder_makes_it_current_and_lists_it)
{
    auto chooser = open_chooser();
    auto* folders = child<QListWidget>(chooser.get(), "Dir1");
    emit folders->itemActivated(folders->findItems("sub", Qt::MatchExactly).front());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(scratch.path() + "/sub").canonicalPath());
    EXPECT_EQ(items(child<QListWidget>(chooser.get(), "File1")), QStringList{"d.csv"});

    emit folders->itemActivated(folders->findItems("..", Qt::MatchExactly).front());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(scratch.path()).canonicalPath());
}

TEST_F(FileChooserTest, ok_takes_the_clicked_name_and_closes)
{
    auto chooser = open_chooser();
    EXPECT_TRUE(program.dialog_cancelled) << "opening marks the dialog as cancelled";
    auto* files = child<QListWidget>(chooser.get(), "File1");
    QListWidgetItem* item = files->findItems("B.CSV", Qt::MatchExactly).front();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(item).center());
    EXPECT_EQ(child<QLineEdit>(chooser.get(), "Text3")->text(), "B.CSV");

    click(chooser.get(), "Command1");
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(program.selected_file_name, "B.CSV");
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_TRUE(file_chosen(program));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileChooserTest, cansel_clears_the_name_and_the_close_box_keeps_it)
{
    program.selected_file_name = "earlier.csv";
    program.dialog_cancelled = false;
    auto closed = open_chooser();
    set_text(closed.get(), "Text3", "typed.csv");
    closed->close();
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.selected_file_name, "earlier.csv");
    EXPECT_FALSE(file_chosen(program));

    auto cancelled = open_chooser();
    set_text(cancelled.get(), "Text3", "typed.csv");
    click(cancelled.get(), "Command2");
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.selected_file_name, "");
    EXPECT_FALSE(cancelled->isVisible());
}

TEST_F(FileChooserTest, ok_with_an_empty_name_asks_for_a_file_and_counts_as_cancel)
{
    program.selected_file_name = "earlier.csv";
    auto chooser = open_chooser();
    click(chooser.get(), "Command1");
    EXPECT_EQ(messages, std::vector<std::string>{"ファイルを選択して下さい"});
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(program.selected_file_name, "");
    EXPECT_FALSE(file_chosen(program));
}

TEST(SplineSettingsDialog, ok_takes_both_numbers)
{
    ProgramWide program;
    program.dialog_cancelled = false;
    SplineSettingsDialog dialog(program, [](const std::string& m) { ADD_FAILURE() << m; });
    dialog.show();
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(dialog.windowTitle(), "次数と点数をセット");
    EXPECT_EQ(child<QLineEdit>(&dialog, "Text1")->text(), "3");
    EXPECT_EQ(child<QLineEdit>(&dialog, "Text2")->text(), "10");
    EXPECT_EQ(child<QLabel>(&dialog, "Label1(0)")->text(), "スプライン次数＝");
    EXPECT_EQ(child<QLabel>(&dialog, "Label1(2)")->text(), "点間の分割数＝");
    EXPECT_EQ(child<QLabel>(&dialog, "Label1(3)")->text(), "全点通過なら(点群数-1）次");

    set_text(&dialog, "Text1", " 5 ");
    set_text(&dialog, "Text2", "2.5E1");
    click(&dialog, "Command1");
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(program.spline_degree, 5.0);
    EXPECT_EQ(program.division_count, 25.0);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(SplineSettingsDialog, a_field_that_is_not_a_number_keeps_the_dialog_open)
{
    ProgramWide program;
    std::vector<std::string> messages;
    SplineSettingsDialog dialog(program, [&](const std::string& m) { messages.push_back(m); });
    dialog.show();
    set_text(&dialog, "Text1", "abc");
    click(&dialog, "Command1");
    set_text(&dialog, "Text1", "4");
    set_text(&dialog, "Text2", "");
    click(&dialog, "Command1");
    EXPECT_EQ(messages, (std::vector<std::string>{"スプライン次数には数値を入力して下さい",
                                                  "点間の分割数には数値を入力して下さい"}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.spline_degree, 3.0) << "nothing is taken over before both are numbers";
}

TEST(SplineSettingsDialog, cancel_and_close_box_leave_the_values_and_mark_cancelled)
{
    ProgramWide program;
    SplineSettingsDialog cancelled(program, {});
    cancelled.show();
    set_text(&cancelled, "Text1", "7");
    click(&cancelled, "Command2");
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_FALSE(cancelled.isVisible());
    EXPECT_EQ(program.spline_degree, 3.0);

    program.dialog_cancelled = false;
    SplineSettingsDialog closed(program, {});
    closed.show();
    closed.close();
    EXPECT_TRUE(program.dialog_cancelled);
}

TEST(ThinningDialog, scroll_bar_writes_the_angle_and_ok_takes_it)
{
    ProgramWide program;
    ThinningDialog dialog(program, [](const std::string& m) { ADD_FAILURE() << m; });
    dialog.show();
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(dialog.windowTitle(), "間引き方の説明");
    EXPECT_EQ(child<QLabel>(&dialog, "Label2")->text(), "度");
    auto* scroll = child<QScrollBar>(&dialog, "VScroll1");
    EXPECT_EQ(scroll->orientation(), Qt::Vertical);
    EXPECT_EQ(scroll->value(), 10);
    EXPECT_EQ(child<QLineEdit>(&dialog, "Text1")->text(), "10");

    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(child<QLineEdit>(&dialog, "Text1")->text(), "30");
    scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(child<QLineEdit>(&dialog, "Text1")->text(), "29");
    click(&dialog, "Command1");
    EXPECT_EQ(program.thinning_angle, 29.0);
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ThinningDialog, refuses_a_non_number_and_cancel_closes)
{
    ProgramWide program;
    std::vector<std::string> messages;
    ThinningDialog dialog(program, [&](const std::string& m) { messages.push_back(m); });
    dialog.show();
    set_text(&dialog, "Text1", "十");
    click(&dialog, "Command1");
    EXPECT_EQ(messages, std::vector<std::string>{"間引き角度には数値を入力して下さい"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(program.dialog_cancelled);

    click(&dialog, "Command2");
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(program.thinning_angle, 0.0);
}

TEST(ThinningDialog, diagram_shows_kept_and_dropped_points)
{
    const QImage image = thinning_diagram();
    EXPECT_EQ(image.size(), QSize(617, 349));
    int black = 0;
    int grey = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            black += c.lightness() < 40 ? 1 : 0;
            grey += c.lightness() > 80 && c.lightness() < 160 ? 1 : 0;
        }
    }
    EXPECT_GT(black, 1000) << "filled kept points and text";
    EXPECT_GT(grey, 300) << "the polyline and the hollow thinned points";
}

/// The service shows each dialog modally, with fresh fields at every showing, and routes the
/// dialogs' messages through its own message path.
TEST(QtDialogs, shows_fresh_modal_dialogs_and_routes_their_messages)
{
    ProgramWide program;
    QWidget owner;
    QtDialogs dialogs(&owner);
    std::vector<std::string> messages;
    dialogs.set_message_sink([&](const std::string& m) { messages.push_back(m); });

    when_modal([](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), "jisuu_settei");
        set_text(modal, "Text1", "4");
        click(modal, "Command1");
    });
    dialogs.ask_spline_settings(program);
    EXPECT_EQ(program.spline_degree, 4.0);
    EXPECT_FALSE(program.dialog_cancelled);

    when_modal([](QWidget* modal) {
        EXPECT_EQ(child<QLineEdit>(modal, "Text1")->text(), "3") << "design value again";
        modal->close();
    });
    dialogs.ask_spline_settings(program);
    EXPECT_TRUE(program.dialog_cancelled);

    when_modal([](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), "setumei");
        child<QScrollBar>(modal, "VScroll1")->setValue(25);
        click(modal, "Command1");
    });
    dialogs.ask_thinning_angle(program);
    EXPECT_EQ(program.thinning_angle, 25.0);

    when_modal([](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), "sentaku");
        click(modal, "Command1");
    });
    program.file_kind = file_kinds::csv;
    dialogs.choose_file(program);
    EXPECT_EQ(messages, std::vector<std::string>{"ファイルを選択して下さい"});
    EXPECT_FALSE(file_chosen(program));
    EXPECT_EQ(dialogs.dialogs_shown(), 4);
}

TEST(ChoiceDialog, ok_takes_the_checked_option_and_cancel_or_close_keep_the_last)
{
    ProgramWide program;
    const Choice choice{"STLの保存形式", {{"binary", "バイナリ"}, {"ascii", "アスキー"}}, 0};
    std::vector<std::string> messages;
    const auto sink = [&](const std::string& m) { messages.push_back(m); };

    ChoiceDialog preselected(program, choice, sink);
    EXPECT_TRUE(program.dialog_cancelled) << "opening marks the dialog as cancelled";
    EXPECT_EQ(preselected.objectName(), "hozon_keishiki");
    EXPECT_EQ(preselected.windowTitle(), "STLの保存形式");
    EXPECT_EQ(child<QRadioButton>(&preselected, "Option1(0)")->text(), "バイナリ");
    EXPECT_TRUE(child<QRadioButton>(&preselected, "Option1(0)")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(&preselected, "Option1(1)")->isChecked());
    program.chosen_option = 7;
    click(&preselected, "Command1");
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(program.chosen_option, 0);

    ChoiceDialog second(program, choice, sink);
    child<QRadioButton>(&second, "Option1(1)")->click();
    EXPECT_FALSE(child<QRadioButton>(&second, "Option1(0)")->isChecked()) << "one of them only";
    click(&second, "Command1");
    EXPECT_EQ(program.chosen_option, 1);

    ChoiceDialog cancelled(program, choice, sink);
    child<QRadioButton>(&cancelled, "Option1(0)")->click();
    click(&cancelled, "Command2");
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.chosen_option, 1);

    ChoiceDialog closed(program, choice, sink);
    closed.show();
    closed.close();
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.chosen_option, 1);
    EXPECT_TRUE(messages.empty());

    // Through the service: modal, counted like the other dialogs.
    QWidget owner;
    QtDialogs dialogs(&owner);
    when_modal([](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), "hozon_keishiki");
        child<QRadioButton>(modal, "Option1(1)")->click();
        click(modal, "Command1");
    });
    dialogs.ask_choice(program, Choice{"PLYの保存形式", choice.options, 0});
    EXPECT_EQ(program.chosen_option, 1);
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(dialogs.dialogs_shown(), 1);
}

TEST(QtDialogs, message_box_has_the_text_and_an_ok_button_only)
{
    QWidget owner;
    QtDialogs dialogs(&owner);
    when_modal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "ファイルを選択して下さい");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->windowTitle(), "Tengun");
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.show_message("ファイルを選択して下さい");
}

}  // namespace
}  // namespace tengun
