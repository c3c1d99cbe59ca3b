#pragma once

// Helpers shared by the carousel painter's source files; not part of its interface.

#include "content/CarouselCell.h"

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QPolygonF>
#include <QSizeF>
#include <QTransform>

#include <span>

namespace quindle::qt::carousel_painter::support {

// One item's own drawing (CarouselPainterItems.cpp).
void paintItem(QPainter& painter, const CarouselCell::ItemView& item, QSizeF size);
bool coversItself(const CarouselCell::ItemView& item);

// Drawing pictures seen in perspective (CarouselPainterProjection.cpp).
bool nearlyAffine(const QPolygonF& quad, double pixelsPerPoint);
double pixelsPerPoint(const QPainter& painter);
bool hidden(std::span<const QPointF> points, std::span<const QPolygonF> above, double margin);
void drawInPatches(QPainter& painter, const QImage& texture, const QTransform& projection, QSizeF size, const QPolygonF& quad,
    double pixelsPerPoint, std::span<const QPolygonF> above, double margin);
void drawInTriangles(QPainter& painter, const QImage& texture, const QTransform& projection, QSizeF size, const QPolygonF& quad,
    double pixelsPerPoint, std::span<const QPolygonF> above, double margin);

} // namespace quindle::qt::carousel_painter::support
