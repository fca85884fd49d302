// Form1 as the user meets it: the menu bar built from the command table, the result fields,
// the layout, and the path from a menu action, button, timer or mouse to the widgets.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QMenuBar>
#include <QMouseEvent>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <fstream>

#include "app/commands.h"
#include "geometry/number_text.h"
#include "gui/main_form.h"
#include "gui/picture_widget.h"
#include "modal.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::child;
using testing::when_modal;

QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest()
    {
        form.dialogs().set_message_sink([this](const std::string& m) { messages.push_back(m); });
    }
    QLineEdit* edit(const char* name) { return child<QLineEdit>(&form, name); }
    void trigger(const char* name) { child<QAction>(&form, name)->trigger(); }
    /// The number a field shows; fails the test if it shows none.
    double number(const char* name)
    {
        double x = 0.0;
        EXPECT_TRUE(parse_number(edit(name)->text().toStdString(), x))
            << name << " = " << edit(name)->text().toStdString();
        return x;
    }

    ProgramWide program;
    MainForm form{program};
    std::vector<std::string> messages;
};

TEST_F(MainFormTest, menu_bar_holds_every_item_nested_as_the_command_table_lists_it)
{
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(form.windowTitle(), "解析フォーム");
    const auto tree = menu_tree();
    QStringList bar;
    std::vector<std::string_view> parents;  // the open item at each depth
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const MenuEntry& item = tree[i];
        SCOPED_TRACE(std::string(item.name));
        parents.resize(static_cast<std::size_t>(item.depth));
        const bool has_items = i + 1 < tree.size() && tree[i + 1].depth > item.depth;
        QObject* owner = nullptr;
        if (has_items) {
            auto* menu = form.findChild<QMenu*>(q(item.name));
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu->title(), q(item.caption));
            owner = menu->parent();
            if (item.depth > 0) {
                // Reachable from its parent menu, not only a child object of it.
                EXPECT_TRUE(qobject_cast<QMenu*>(owner)->actions().contains(menu->menuAction()));
            }
        } else {
            auto* action = form.findChild<QAction*>(q(item.name));
            ASSERT_NE(action, nullptr);
            EXPECT_EQ(action->text(), q(item.caption));
            owner = action->parent();
        }
        if (item.depth == 0) {
            EXPECT_EQ(owner, form.menuBar());
            bar << q(item.caption);
        } else {
            ASSERT_NE(owner, nullptr);
            EXPECT_EQ(owner->objectName(), q(parents.back()));
        }
        parents.push_back(item.name);
    }
    QStringList shown;
    for (const QAction* a : form.menuBar()->actions()) {
        shown << a->text();
    }
    EXPECT_EQ(shown, bar);

    // Spot checks against the written menu, independent of the table walk above.
    EXPECT_EQ(form.findChild<QAction*>("bspline_kai")->parent()->objectName(), "bspline");
    EXPECT_EQ(form.findChild<QMenu*>("bspline")->parent()->objectName(), "spline");
    EXPECT_EQ(form.findChild<QAction*>("messhu_nashi")->text(), "なし(defalt)");
    EXPECT_EQ(form.findChild<QAction*>("messhu_nashi")->parent()->objectName(), "messhu_hyouji");
    EXPECT_EQ(form.findChild<QAction*>("iges_file_input")->text(), "iges_input (110 only)");
}

TEST_F(MainFormTest, every_field_and_label_shows_its_design_text)
{
    for (const auto& [name, text] : FormState::initial_fields()) {
        SCOPED_TRACE(name);
        if (name.starts_with("Text")) {
            const auto* e = form.findChild<QLineEdit*>(q(name));
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->text(), q(text));
            EXPECT_FALSE(e->isReadOnly());
        } else {
            const auto* l = form.findChild<QLabel*>(q(name));
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->text(), q(text));
        }
    }
    EXPECT_EQ(child<QPushButton>(&form, "Command1")->text(), "回転表示");
    auto* timer = child<QTimer>(&form, "Timer1");
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MainFormTest, layout_puts_fields_left_pictures_right_and_the_plane_on_top)
{
    form.show();
    const auto rect = [this](const char* name) {
        auto* w = child<QWidget>(&form, name);
        return QRect(w->mapTo(&form, QPoint(0, 0)), w->size());
    };
    std::vector<std::pair<std::string, QRect>> placed;
    for (const auto& [name, text] : FormState::initial_fields()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(child<QWidget>(&form, name.c_str())->isVisible());
        const QRect r = rect(name.c_str());
        EXPECT_FALSE(r.isEmpty());
        for (const auto& [other, other_rect] : placed) {
            EXPECT_FALSE(r.intersects(other_rect)) << "overlaps " << other;
        }
        placed.emplace_back(name, r);
    }
    const QRect picture1 = rect("Picture1");
    const QRect picture2 = rect("Picture2");
    EXPECT_GT(picture1.left(), rect("Text6").right());
    EXPECT_GT(picture1.left(), rect("Text9(2)").right());
    EXPECT_GT(picture1.width() * picture1.height(), 2 * picture2.width() * picture2.height());
    EXPECT_GT(picture2.top(), picture1.bottom());
    EXPECT_GT(rect("Label12(0)").top(), picture1.bottom());
    EXPECT_LT(rect("Label12(0)").bottom(), picture2.top());
    EXPECT_GT(rect("Label12(1)").top(), picture2.bottom());
    for (const char* top : {"Label1(0)", "Text1(0)", "Text1(3)"}) {
        EXPECT_LT(rect(top).bottom(), picture1.top()) << top;
        EXPECT_LT(rect(top).bottom(), rect("Text6").top()) << top;
    }
    EXPECT_LT(rect("Text1(0)").right(), rect("Label1(1)").left());
}

TEST_F(MainFormTest, menu_actions_write_their_fields_into_the_widgets)
{
    trigger("messhu_nashi");
    EXPECT_EQ(edit("Text6")->text(), "３次元表示");
    EXPECT_EQ(form.context().state.surface_display, surface_modes::points_only);

    // A redraw writes the view angles into Text8.
    form.context().state.view_matrix = rotation_matrix(deg_to_rad(30), deg_to_rad(20), deg_to_rad(10));
    edit("Text8(0)")->setText("typed");
    trigger("hyouji_only");
    EXPECT_NEAR(number("Text8(0)"), 30.0, 1e-9);
    EXPECT_NEAR(number("Text8(1)"), 20.0, 1e-9);
    EXPECT_NEAR(number("Text8(2)"), 10.0, 1e-9);
}

TEST_F(MainFormTest, typed_angles_reach_the_rotate_button)
{
    for (const auto& [name, value] : {std::pair{"Text8(0)", "90"}, {"Text8(1)", "0"}, {"Text8(2)", "0"}}) {
        edit(name)->setText(value);
    }
    child<QPushButton>(&form, "Command1")->click();
    EXPECT_EQ(form.context().state.view_matrix, rotation_matrix(deg_to_rad(90), 0, 0));
    EXPECT_TRUE(messages.empty());

    edit("Text8(1)")->setText("x");
    child<QPushButton>(&form, "Command1")->click();
    EXPECT_EQ(messages.size(), 1U) << "a field that is not a number is reported";
    EXPECT_EQ(form.context().state.view_matrix, rotation_matrix(deg_to_rad(90), 0, 0));
}

TEST_F(MainFormTest, timer_follows_the_playback_commands)
{
    auto* timer = child<QTimer>(&form, "Timer1");
    trigger("slow_saisei");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    trigger("slow_teishi");
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MainFormTest, the_form_redraws_after_a_dialog_even_when_it_was_cancelled)
{
    edit("Text8(0)")->setText("typed");
    when_modal([](QWidget* modal) { testing::click(modal, "Command2"); });
    trigger("csv_file_input");
    EXPECT_EQ(program.file_kind, file_kinds::csv);
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_NE(edit("Text8(0)")->text(), "typed");
    double alpha = 0.0;
    EXPECT_TRUE(parse_number(edit("Text8(0)")->text().toStdString(), alpha));
}

TEST_F(MainFormTest, mouse_on_picture1_turns_the_view_in_millimetres)
{
    form.show();
    auto* picture = child<PictureWidget>(&form, "Picture1");
    EXPECT_EQ(picture->surface().image().size(), picture->size()) << "surface follows the widget";
    EXPECT_TRUE(picture->hasMouseTracking());
    const Mat3 before = form.context().state.view_matrix;

    const auto send = [picture](QEvent::Type type, QPointF at, Qt::MouseButton button,
                                Qt::MouseButtons held) {
        QMouseEvent event(type, at, picture->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(picture, &event);
    };
    send(QEvent::MouseMove, {100, 80}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(form.context().state.view_matrix, before) << "a move without a button does nothing";

    send(QEvent::MouseMove, {140, 80}, Qt::NoButton, Qt::LeftButton);
    const FormState& s = form.context().state;
    EXPECT_NE(s.view_matrix, before);
    EXPECT_FLOAT_EQ(s.last_mouse_x, static_cast<float>(picture->surface().px_to_mm(140)));
    EXPECT_FLOAT_EQ(s.last_mouse_y, static_cast<float>(picture->surface().px_to_mm(80)));
    // The redraw of the drag (big circles) shows the new angles at once.
    EXPECT_NEAR(number("Text8(0)"), rad_to_deg(view_angles(s.view_matrix).alpha), 1e-9);

    const Mat3 dragged = s.view_matrix;
    send(QEvent::MouseButtonRelease, {140, 80}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(s.view_matrix, dragged);
}

TEST_F(MainFormTest, a_cloud_chosen_in_the_chooser_is_fitted_and_shown_in_the_fields)
{
    const std::string folder = ::testing::TempDir();
    const std::string name = "tengun_gui_plane.csv";
    {
        std::ofstream out(folder + name);
        out << "x,y,z\n";
        for (int i = 0; i < 5; ++i) {
            for (int j = 0; j < 5; ++j) {
                out << i << "," << j << ",5\n";
            }
        }
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder));
    when_modal([&](QWidget* chooser) {
        testing::set_text(chooser, "Text3", QString::fromStdString(name));
        testing::click(chooser, "Command1");
    });
    trigger("csv_file_input");
    QDir::setCurrent(previous);
    EXPECT_EQ(child<QLineEdit>(&form, "Text7")->text(), "25");
    EXPECT_EQ(child<QLineEdit>(&form, "Text5")->text(), QString::fromStdString(name));

    trigger("heimen");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(edit("Text6")->text(), "平面解析");
    EXPECT_EQ(child<QLabel>(&form, "Label5")->text(), "平面中心");
    EXPECT_EQ(child<QLabel>(&form, "Label3(0)")->text(), "L標準偏差");
    EXPECT_NEAR(number("Text1(2)"), 1.0, 1e-12);
    EXPECT_NEAR(number("Text1(3)"), 5.0, 1e-12);
    EXPECT_NEAR(number("Text2(2)"), 5.0, 1e-12);
    EXPECT_NEAR(number("Text3(0)"), 0.0, 1e-12);
    EXPECT_EQ(child<QLabel>(&form, "Label13")->text(), "平面度");
    EXPECT_EQ(number("Text10(0)"), 0.0);
    EXPECT_EQ(number("Text10(1)"), 0.0);
    EXPECT_EQ(child<QLabel>(&form, "Label15")->text(), "最小二乗の形体がすでに最小領域です");
    std::remove((folder + name).c_str());
}

/// A PLY mesh of two triangles in the test's temporary folder.
std::string write_square_ply(const std::string& name)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                           "property float y\nproperty float z\nelement face 1\n"
                           "property list uchar int vertex_indices\nend_header\n"
                           "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
    return path;
}

/// Drags `data` over the form and drops it; true when the form took the drag.
bool drag_and_drop(QWidget& form, const QMimeData& data)
{
    const QPoint at(form.width() / 2, form.height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    return drop.isAccepted();
}

TEST_F(MainFormTest, a_file_dropped_on_the_form_opens_by_its_content)
{
    EXPECT_TRUE(form.acceptDrops());
    const std::string path = write_square_ply("tengun_gui_drop.dat");
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QImage before = child<PictureWidget>(&form, "Picture1")->surface().image();
    ASSERT_TRUE(drag_and_drop(form, file));
    EXPECT_EQ(edit("Text7")->text(), "4");
    EXPECT_EQ(edit("Text5")->text(), QString::fromStdString(path));
    EXPECT_EQ(form.context().state.triangle_count(), 2U);
    EXPECT_EQ(form.context().state.surface_display, surface_modes::mesh);
    EXPECT_NE(child<PictureWidget>(&form, "Picture1")->surface().image(), before)
        << "drawn at once, without a dialog to close";
    EXPECT_TRUE(messages.empty());

    // Text, or a link that is no local file, is not taken.
    QMimeData text;
    text.setText("1 2 3");
    EXPECT_FALSE(drag_and_drop(form, text));
    QMimeData web;
    web.setUrls({QUrl("https://example.com/cloud.ply")});
    EXPECT_FALSE(drag_and_drop(form, web));

    // A broken file: one message, the form as it was.
    std::ofstream(path) << "ply\nformat ascii 1.0\nend_header\n";
    ASSERT_TRUE(drag_and_drop(form, file));
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_NE(messages[0].find("そのまま"), std::string::npos);
    EXPECT_EQ(edit("Text7")->text(), "4");
    std::remove(path.c_str());
}

TEST_F(MainFormTest, the_open_item_offers_every_format_and_opens_the_choice)
{
    const std::string path = write_square_ply("tengun_gui_open.ply");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(::testing::TempDir()));
    EXPECT_EQ(child<QAction>(&form, "auto_file_input")->text(), "開く（形式を自動判別）");
    when_modal([](QWidget* chooser) {
        const auto* files = child<QListWidget>(chooser, "File1");
        EXPECT_FALSE(files->findItems("tengun_gui_open.ply", Qt::MatchExactly).isEmpty());
        testing::set_text(chooser, "Text3", "tengun_gui_open.ply");
        testing::click(chooser, "Command1");
    });
    trigger("auto_file_input");
    QDir::setCurrent(previous);
    EXPECT_EQ(edit("Text7")->text(), "4");
    EXPECT_EQ(program.file_kind, file_kinds::all_formats);
    form.open_path(path);  // as `tengun FILE` does
    EXPECT_EQ(edit("Text5")->text(), QString::fromStdString(path));
    EXPECT_TRUE(messages.empty());
    std::remove(path.c_str());
}

TEST_F(MainFormTest, a_fit_shows_its_form_errors_under_the_deviation)
{
    form.show();
    FormState& s = form.context().state;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            s.points.add({1.0 * i, 1.0 * j, i == 2 && j == 3 ? 5.25 : 5.0});
        }
    }
    trigger("heimen");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(child<QLabel>(&form, "Label13")->text(), "平面度");
    EXPECT_EQ(child<QLabel>(&form, "Label14(0)")->text(), "形状偏差(最小二乗)");
    EXPECT_EQ(child<QLabel>(&form, "Label14(1)")->text(), "形状偏差(最小領域)");
    EXPECT_GT(number("Text10(0)"), 0.25);
    EXPECT_NEAR(number("Text10(1)"), 0.25, 1e-12);
    EXPECT_EQ(child<QLabel>(&form, "Label15")->text(), "");

    // Under the deviation and the radius, in the result column left of the view.
    const auto rect = [this](const char* name) {
        auto* w = child<QWidget>(&form, name);
        return QRect(w->mapTo(&form, QPoint(0, 0)), w->size());
    };
    EXPECT_GT(rect("Label13").top(), rect("Text3(1)").bottom());
    EXPECT_GT(rect("Text10(0)").top(), rect("Label13").bottom());
    EXPECT_GT(rect("Text10(1)").top(), rect("Text10(0)").bottom());
    EXPECT_LT(rect("Text10(1)").bottom(), rect("Label4").top());
    EXPECT_LT(rect("Text10(1)").right(), rect("Picture1").left());

    trigger("chokusen");
    EXPECT_EQ(child<QLabel>(&form, "Label13")->text(), "真直度");
    EXPECT_EQ(edit("Text10(1)")->text().toStdString(),
              format_number(form.context().state.form_errors.minimum_zone.width));
}

TEST(PictureWidget, button_state_counts_left_1_right_2_both_3)
{
    EXPECT_EQ(button_state(Qt::NoButton), 0);
    EXPECT_EQ(button_state(Qt::LeftButton), 1);
    EXPECT_EQ(button_state(Qt::RightButton), 2);
    EXPECT_EQ(button_state(Qt::LeftButton | Qt::RightButton), 3);
    EXPECT_EQ(button_state(Qt::MiddleButton), 0);
    EXPECT_EQ(button_state(Qt::LeftButton | Qt::MiddleButton), 1);
}

}  // namespace
}  // namespace tengun
