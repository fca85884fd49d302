#pragma once
// A picture box: shows an ImageSurface and keeps the surface as large as the widget, with the
// widget's logical dots per inch, so the commands' millimetres match the screen. Mouse moves
// and releases are reported in millimetres with the button state of the commands
// (1 left, 2 right, 3 both, 0 none); the wheel in whole notches (120 eighths of a degree, the
// small steps of a touchpad added up) at the cursor's position.

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

signals:
    /// The surface has been resized to the widget's new size.
    void resized();
    void mouse_moved(int button, float x_mm, float y_mm);
    void mouse_released(int button, float x_mm, float y_mm);
    /// `steps` notches away from the user (> 0) or towards the user (< 0).
    void wheel_turned(int steps, float x_mm, float y_mm);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    [[nodiscard]] QPointF millimetres(QPointF pixels) const;

    ImageSurface& surface_;
    int wheel_eighths_ = 0; // turned but not yet a whole notch
};

}  // namespace tengun
