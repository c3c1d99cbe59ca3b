#pragma once

class QPainter;
class QImage;
class QRectF;

namespace quindle {
class ColorWheel;
}

namespace quindle::qt {

/// Draws colour wheels from the raster they compute and turns pointer presses, moves and
/// releases on them into the wheel's touch steps.
namespace color_wheel_painter {

/// The wheel's raster as an image, row 0 at the top as it lies in memory (no copy: valid while
/// the wheel keeps that raster).
QImage rasterImage(const ColorWheel& wheel);
/// Paints the disc (image y upward: raster row 0 at the bottom), the cursor ring and the
/// outline inside `rect`, the wheel's bounds on screen.
void paint(QPainter& painter, const ColorWheel& wheel, const QRectF& rect);
void registerHandlers();

} // namespace color_wheel_painter

} // namespace quindle::qt
