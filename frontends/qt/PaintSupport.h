#pragma once

#include "frontends/qt/QtFontCatalogue.h" // toQFont
#include "platform/Colour.h"
#include "platform/Font.h"
#include "ui/Geometry.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <string>

class QPainter;

namespace quindle::qt {

/// Look shared by every painter: the phone's system tint and greys.
namespace Palette {
inline QColor tint() { return QColor::fromRgbF(0, 0.48f, 1); }
inline QColor barBackground() { return QColor(248, 248, 248); }
inline QColor hairline() { return QColor(0, 0, 0, 50); }
inline QColor secondaryText() { return QColor(142, 142, 147); }
inline QColor groupedBackground() { return QColor(239, 239, 244); }
inline QColor destructive() { return QColor(255, 59, 48); }
}

QColor toQColor(Colour colour);
QRectF toQRect(Rect rect);
QString toQString(const std::string& text);
QFont systemFont(double size, bool bold = false);
/// A spinner of twelve spokes turning with `phase` (seconds).
void paintSpinner(QPainter& painter, QPointF centre, double radius, double phase, QColor colour = QColor(90, 90, 90));

} // namespace quindle::qt
