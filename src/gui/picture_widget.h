#pragma once
// A picture box: shows an ImageSurface and keeps the surface as large as the widget, with the
// widget's logical dots per inch, so the commands' millimetres match the screen. Mouse moves
// and releases are reported in millimetres with the button state of the commands
// (1 left, 2 right, 3 both, 0 none); the wheel in whole notches (120 eighths of a degree, the
// small steps of a touchpad added up) at the cursor's position.
//
// A selectable picture also takes the selection gestures, which start with Shift held at the
// press of the left button (the plain gestures are reported as above):
//   Shift + left drag           rectangle, its points join the selection
//   Shift + Ctrl + left drag    rectangle, its points leave the selection
//   Shift + Ctrl + left click   one corner of a polygon; a double click closes it (at least three
//                               corners) and its points join the selection; Esc drops it
// A press with Shift + Ctrl is a click until the mouse has moved the drag distance of the
// platform. The rectangle or polygon being drawn is shown over the picture.

#include <QList>
#include <QPointF>
#include <QWidget>

#include "gui/image_surface.h"

namespace tengun {

/// Button state as the commands count it: 1 left, 2 right, 3 both, 0 neither.
int button_state(Qt::MouseButtons buttons);

class PictureWidget final : public QWidget {
    Q_OBJECT
public:
    /// `surface` must outlive the widget.
    PictureWidget(ImageSurface& surface, const QString& name, QWidget* parent = nullptr);

    [[nodiscard]] ImageSurface& surface() { return surface_; }
    /// Takes the selection gestures (off by default).
    void set_selectable(bool selectable) { selectable_ = selectable; }
    /// The corners of the polygon being drawn, in pixels; empty when none is.
    [[nodiscard]] const QList<QPointF>& polygon_corners() const { return polygon_px_; }

signals:
    /// The surface has been resized to the widget's new size.
    void resized();
    void mouse_moved(int button, float x_mm, float y_mm);
    void mouse_released(int button, float x_mm, float y_mm);
    /// `steps` notches away from the user (> 0) or towards the user (< 0).
    void wheel_turned(int steps, float x_mm, float y_mm);
    /// A selection rectangle with opposite corners a and b (millimetres) was drawn; `remove`:
    /// its points leave the selection, else they join it.
    void rectangle_selected(QPointF a_mm, QPointF b_mm, bool remove);
    /// A selection polygon (millimetres, three corners or more) was closed.
    void polygon_selected(const QList<QPointF>& corners_mm);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Gesture { none, add_rectangle, shift_ctrl_press, remove_rectangle };

    [[nodiscard]] QPointF millimetres(QPointF pixels) const;
    void paint_gesture(QPainter& painter) const;

    ImageSurface& surface_;
    int wheel_eighths_ = 0; // turned but not yet a whole notch
    bool selectable_ = false;
    Gesture gesture_ = Gesture::none;
    QPointF press_px_;
    QPointF cursor_px_;
    QList<QPointF> polygon_px_;
    bool swallow_release_ = false; // the release that ends a double click closing a polygon
};

}  // namespace tengun
