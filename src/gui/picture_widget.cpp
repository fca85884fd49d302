#include "gui/picture_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QPen>
#include <utility>

#include "view/draw_view.h"

namespace tengun {

int button_state(Qt::MouseButtons buttons)
{
    return (buttons.testFlag(Qt::LeftButton) ? 1 : 0) +
           (buttons.testFlag(Qt::RightButton) ? 2 : 0);
}

PictureWidget::PictureWidget(ImageSurface& surface, const QString& name, QWidget* parent)
    : QWidget(parent), surface_(surface)
{
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus); // Esc drops a polygon being drawn
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    surface_.set_dots_per_inch(logicalDpiX());
}

void PictureWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawImage(0, 0, surface_.image());
    paint_gesture(painter);
}

void PictureWidget::paint_gesture(QPainter& painter) const
{
    QPen pen(palette_colour(gesture_ == Gesture::remove_rectangle ? 8 : selection_colour));
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (gesture_ == Gesture::add_rectangle || gesture_ == Gesture::remove_rectangle) {
        painter.drawRect(QRectF(press_px_, cursor_px_).normalized());
    }
    if (!polygon_px_.isEmpty()) {
        QList<QPointF> open = polygon_px_;
        open.append(cursor_px_);
        painter.drawPolyline(open.constData(), static_cast<int>(open.size()));
        painter.setPen(QPen(palette_colour(selection_colour)));
        for (const QPointF& corner : polygon_px_) {
            painter.drawRect(QRectF(corner - QPointF(2, 2), QSizeF(4, 4)));
        }
    }
}

void PictureWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The screen may have changed with the size.
    surface_.set_dots_per_inch(logicalDpiX());
    surface_.resize(size());
    emit resized();
}

QPointF PictureWidget::millimetres(QPointF pixels) const
{
    return {surface_.px_to_mm(pixels.x()), surface_.px_to_mm(pixels.y())};
}

void PictureWidget::mousePressEvent(QMouseEvent* event)
{
    swallow_release_ = false;  // only the release right after a closing double click
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (selectable_ && event->button() == Qt::LeftButton && mods.testFlag(Qt::ShiftModifier)) {
        press_px_ = cursor_px_ = event->position();
        gesture_ =
            mods.testFlag(Qt::ControlModifier) ? Gesture::shift_ctrl_press : Gesture::add_rectangle;
        update();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (gesture_ != Gesture::none || !polygon_px_.isEmpty()) {
        cursor_px_ = event->position();
        update();
    }
    if (gesture_ != Gesture::none) {
        const double moved = (cursor_px_ - press_px_).manhattanLength();
        if (gesture_ == Gesture::shift_ctrl_press && moved >= QApplication::startDragDistance()) {
            gesture_ = Gesture::remove_rectangle;
        }
        return; // a selection gesture does not turn the view
    }
    const QPointF mm = millimetres(event->position());
    emit mouse_moved(button_state(event->buttons()), static_cast<float>(mm.x()),
                     static_cast<float>(mm.y()));
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (gesture_ != Gesture::none && event->button() == Qt::LeftButton) {
        const Gesture done = gesture_;
        gesture_ = Gesture::none;
        cursor_px_ = event->position();
        update();
        if (done == Gesture::shift_ctrl_press) {
            polygon_px_.append(press_px_);
        } else if (cursor_px_ != press_px_) {
            emit rectangle_selected(millimetres(press_px_), millimetres(cursor_px_),
                                    done == Gesture::remove_rectangle);
        }
        return;
    }
    if (swallow_release_ && event->button() == Qt::LeftButton) {
        swallow_release_ = false;
        return;
    }
    const QPointF mm = millimetres(event->position());
    emit mouse_released(button_state(event->button()), static_cast<float>(mm.x()),
                        static_cast<float>(mm.y()));
}

void PictureWidget::wheelEvent(QWheelEvent* event)
{
    constexpr int notch = 120;
    wheel_eighths_ += event->angleDelta().y();
    const int steps = wheel_eighths_ / notch;
    wheel_eighths_ -= steps * notch;
    event->accept();
    if (steps != 0) {
        const QPointF mm = millimetres(event->position());
        emit wheel_turned(steps, static_cast<float>(mm.x()), static_cast<float>(mm.y()));
    }
}

void PictureWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!polygon_px_.isEmpty() && event->button() == Qt::LeftButton) {
        // The first click of the double click has already placed the last corner.
        const QList<QPointF> corners = std::exchange(polygon_px_, {});
        gesture_ = Gesture::none;
        swallow_release_ = true;
        update();
        if (corners.size() >= 3) {
            QList<QPointF> mm;
            for (const QPointF& c : corners) {
                mm.append(millimetres(c));
            }
            emit polygon_selected(mm);
        }
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void PictureWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && (gesture_ != Gesture::none || !polygon_px_.isEmpty())) {
        gesture_ = Gesture::none;
        polygon_px_.clear();
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace tengun
