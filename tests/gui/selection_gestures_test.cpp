// Selecting points with the mouse on Picture1: the gestures with Shift and Ctrl, the polygon
// being drawn, and the menu items that use the selection.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "app/commands.h"
#include "gui/main_form.h"
#include "gui/picture_widget.h"
#include "modal.h"
#include "view/screen_selection.h"

namespace tengun {
namespace {

using testing::child;

constexpr Qt::KeyboardModifiers shift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers shift_ctrl = Qt::ShiftModifier | Qt::ControlModifier;

/// A form showing a 10 x 10 grid of points, 10 units apart, looked at straight down Z, so grid
/// point (i, j) is drawn at pixel at(i, j), with rows going up the picture.
class SelectionGestures : public ::testing::Test {
protected:
    SelectionGestures()
    {
        form.dialogs().set_message_sink([this](const std::string& m) { messages.push_back(m); });
        form.show();
        picture = child<PictureWidget>(&form, "Picture1");
        FormState& s = form.context().state;
        for (int j = 0; j < 10; ++j) {
            for (int i = 0; i < 10; ++i) {
                s.points.add({10.0 * i, 10.0 * j, 0.0});
            }
        }
        s.base_point_count = s.point_count();
        s.marker_mode = 1;
        s.view_extent = 100.0;
        s.view_scale = picture->surface().px_to_mm(30.0) / 10.0; // 30 pixels between points
        s.rotation_centre = {45.0, 45.0, 0.0};
        child<QAction>(&form, "xy_men")->trigger();
    }

    QPointF at(int i, int j)
    {
        const FormState& s = form.context().state;
        const ImageSurface& surface = picture->surface();
        const ViewPlacement placement{s.view_matrix, s.rotation_centre, s.view_scale,
                                      surface.scale_width(), surface.scale_height()};
        const SurfacePoint mm = surface_position({10.0 * i, 10.0 * j, 0.0}, placement);
        return {surface.mm_to_px(mm.x), surface.mm_to_px(mm.y)};
    }

    void send(QEvent::Type type, QPointF px, Qt::MouseButton button, Qt::MouseButtons held,
              Qt::KeyboardModifiers modifiers)
    {
        QMouseEvent event(type, px, picture->mapToGlobal(px), button, held, modifiers);
        QApplication::sendEvent(picture, &event);
    }

    /// Press, two moves and release with the left button.
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers)
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    void click(QPointF px, Qt::KeyboardModifiers modifiers)
    {
        send(QEvent::MouseButtonPress, px, Qt::LeftButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseButtonRelease, px, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    /// The selected grid points as i + 10 j.
    std::vector<std::size_t> selected()
    {
        std::vector<std::size_t> out;
        const auto& mask = form.context().state.selection;
        for (std::size_t k = 0; k < mask.size(); ++k) {
            if (mask[k] != 0) {
                out.push_back(k);
            }
        }
        return out;
    }

    ProgramWide program;
    MainForm form{program};
    PictureWidget* picture = nullptr;
    std::vector<std::string> messages;
};

TEST_F(SelectionGestures, shift_drag_adds_a_rectangle_and_ctrl_shift_drag_takes_one_away)
{
    const Mat3 view = form.context().state.view_matrix;
    const QPointF half(15, 15);
    // Grid points 2..4 of rows 1..2 (rows go up the picture).
    drag(at(2, 2) - half, at(4, 1) + half, shift);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{12, 13, 14, 22, 23, 24}));
    EXPECT_EQ(form.context().state.view_matrix, view) << "a selection does not turn the view";
    // Again: it adds, dragged from the other corner.
    drag(at(8, 8) + half, at(7, 9) - half, shift);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{12, 13, 14, 22, 23, 24, 87, 88, 97, 98}));
    // With Ctrl too: a drag takes the points away.
    drag(at(3, 9) - half, at(8, 0) + half, shift_ctrl);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{12, 22}));
    EXPECT_TRUE(picture->polygon_corners().isEmpty()) << "a drag is no polygon corner";
    // A drag without Shift turns the view as before and leaves the selection.
    drag(at(0, 0), at(5, 0), Qt::NoModifier);
    EXPECT_NE(form.context().state.view_matrix, view);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{12, 22}));
}

TEST_F(SelectionGestures, shift_ctrl_clicks_draw_a_polygon_closed_by_a_double_click)
{
    const QPointF half(15, 15);
    // A concave polygon: an L around column 0 and row 0 of the grid's lower-left block.
    const std::vector<QPointF> corners{at(0, 0) + QPointF(-15, 15), at(3, 0) + half,
                                       at(3, 0) + QPointF(15, -15), at(0, 0) + QPointF(15, -15),
                                       at(0, 3) + QPointF(15, -15)};
    for (const QPointF& c : corners) {
        click(c, shift_ctrl);
    }
    EXPECT_EQ(picture->polygon_corners().size(), 5);
    EXPECT_TRUE(selected().empty()) << "nothing is selected before the polygon is closed";
    // The last corner by a double click: its first click places it, the second closes.
    const QPointF last = at(0, 3) - half;
    click(last, shift_ctrl);
    send(QEvent::MouseButtonDblClick, last, Qt::LeftButton, Qt::LeftButton, shift_ctrl);
    send(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton, shift_ctrl);
    EXPECT_TRUE(picture->polygon_corners().isEmpty());
    EXPECT_EQ(selected(), (std::vector<std::size_t>{0, 1, 2, 3, 10, 20, 30}));

    // Esc drops a polygon being drawn.
    click(at(5, 5), shift_ctrl);
    click(at(9, 5), shift_ctrl);
    click(at(9, 9), shift_ctrl);
    EXPECT_EQ(picture->polygon_corners().size(), 3);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(picture, &escape);
    EXPECT_TRUE(picture->polygon_corners().isEmpty());
    send(QEvent::MouseButtonDblClick, at(9, 9), Qt::LeftButton, Qt::LeftButton, shift_ctrl);
    EXPECT_EQ(selected(), (std::vector<std::size_t>{0, 1, 2, 3, 10, 20, 30}));
}

TEST_F(SelectionGestures, menu_items_use_the_selection)
{
    const QPointF half(15, 15);
    child<QAction>(&form, "sentaku_kiridashi")->trigger();
    ASSERT_EQ(messages.size(), 1U) << "nothing selected yet";
    drag(at(0, 9) - half, at(9, 5) + half, shift); // the upper half
    child<QAction>(&form, "sentaku_shoukyo")->trigger();
    EXPECT_EQ(child<QLineEdit>(&form, "Text7")->text(), "50");
    drag(at(0, 4) - half, at(1, 0) + half, shift);
    child<QAction>(&form, "sentaku_kiridashi")->trigger();
    EXPECT_EQ(child<QLineEdit>(&form, "Text7")->text(), "10");
    EXPECT_EQ(form.context().state.points.xyz[1], (Vec3{10, 0, 0})) << "order kept";
    drag(at(0, 4) - half, at(1, 0) + half, shift);
    child<QAction>(&form, "sentaku_kaijo")->trigger();
    EXPECT_EQ(form.context().state.selection_count(), 0U);
    child<QAction>(&form, "heimen")->trigger();
    child<QAction>(&form, "hensa_karaa_hyouji")->trigger();
    EXPECT_TRUE(form.context().state.deviation_display);
    EXPECT_EQ(messages.size(), 1U);
}

} // namespace
} // namespace tengun
