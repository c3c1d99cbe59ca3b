#include "frontends/qt/ColorWheelPainter.h"

#include "editors/ColorWheel.h"
#include "frontends/qt/ViewRegistry.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace quindle::qt::color_wheel_painter {

QImage rasterImage(const ColorWheel& wheel)
{
    const auto& raster = wheel.radialImage();
    if (!raster.pixels || raster.dim <= 0)
        return {};
    return QImage(raster.pixels->data(), raster.dim, raster.dim, raster.dim * 3, QImage::Format_RGB888);
}

void paint(QPainter& painter, const ColorWheel& wheel, const QRectF& rect)
{
    const double radius = wheel.radius();
    QPointF centre = rect.topLeft() + QPointF(std::trunc(rect.width()) * 0.5, std::trunc(rect.height()) * 0.5);
    QImage image = rasterImage(wheel);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!image.isNull() && radius > 0) {
        painter.save();
        QPainterPath disc;
        disc.addEllipse(centre, radius, radius);
        painter.setClipPath(disc, Qt::IntersectClip);
        // Image y grows upward: flip so raster row 0 lands at the bottom of the disc's square.
        painter.translate(centre.x() - radius, centre.y() + radius);
        painter.scale(1, -1);
        painter.drawImage(QRectF(0, 0, 2 * radius, 2 * radius), image);
        painter.restore();
    }
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    Point touch = wheel.touchPoint();
    painter.drawEllipse(rect.topLeft() + QPointF(touch.x, touch.y), wheel.cursorRadius(), wheel.cursorRadius());
    painter.drawEllipse(centre, radius, radius);
    painter.restore();
}

void registerHandlers()
{
    ViewHandlers handlers;
    handlers.paint = [](QPainter& painter, View& view, const QRectF& rect) {
        if (auto* wheel = dynamic_cast<ColorWheel*>(&view))
            paint(painter, *wheel, rect);
    };
    handlers.pointer = [](View& view, const PointerEvent& event) {
        Point at { event.location.x(), event.location.y() };
        switch (event.phase) {
        case PointerEvent::Phase::Press: return view.beginTouch(at);
        case PointerEvent::Phase::Move: return view.moveTouch(at);
        case PointerEvent::Phase::Release:
        case PointerEvent::Phase::Cancel: return view.endTouch(at);
        }
        return false;
    };
    ViewRegistry::shared().add<ColorWheel>(std::move(handlers));
}

} // namespace quindle::qt::color_wheel_painter
