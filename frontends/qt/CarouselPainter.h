#pragma once

#include "carousel/CarouselView.h"
#include "frontends/qt/ViewRegistry.h"

#include <QPolygonF>
#include <QRectF>

#include <optional>
#include <vector>

class QPainter;

namespace quindle {
class CarouselCell;
}

namespace quindle::qt {

/// Draws carousels: each shown item's picture and label under its 3-D transform, projected
/// with the carousel's perspective, faded by its alpha, in depth order.
namespace carousel_painter {

/// The item's four corners (top left, top right, bottom right, bottom left) on screen, for a
/// carousel whose frame starts at `origin`; nothing when a corner lies behind the viewer.
std::optional<QPolygonF> projectedQuad(const CarouselItemLayout& item, QPointF origin);
/// Whether the projected quad shows the item's back (its corners run the other way round).
bool showsBack(const QPolygonF& quad);

/// Paints an already laid-out frame of a carousel whose frame fills `rect`. While `moving`,
/// items are sampled without smoothing or edge antialiasing and those seen in perspective are
/// drawn in affine pieces, which costs a fraction as much and does not show in motion; at rest
/// they are smoothed and projected exactly.
void paintLayouts(QPainter& painter, const std::vector<CarouselItemLayout>& items, const QRectF& rect, bool moving = false);
/// Lays the carousel out for this frame and paints it inside `rect`.
void paint(QPainter& painter, CarouselView& carousel, const QRectF& rect);

/// Where the cell's carousel lies in the cell's own coordinates (its bounding view's frame).
QRectF carouselArea(const CarouselCell& cell);

/// Pointer handling of a carousel whose area starts at `origin` in the coordinates of the
/// events: presses that move become drags and flicks, presses that stay put become taps.
/// Returns whether the event was used.
bool handlePointer(CarouselView& carousel, const void* gestureKey, const PointerEvent& event, QPointF origin);
/// Advances the carousel; returns whether it still moves.
bool step(CarouselView& carousel, double now);

/// Registers painting, input and frame stepping of CarouselCell with the view registry.
void registerHandlers();

} // namespace carousel_painter

} // namespace quindle::qt
