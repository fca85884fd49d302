#include "gui/picture_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

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
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    surface_.set_dots_per_inch(logicalDpiX());
}

void PictureWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawImage(0, 0, surface_.image());
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

void PictureWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF mm = millimetres(event->position());
    emit mouse_moved(button_state(event->buttons()), static_cast<float>(mm.x()),
                     static_cast<float>(mm.y()));
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event)
{
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

}  // namespace tengun
