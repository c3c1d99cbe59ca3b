#include "frontends/qt/CarouselPainter.h"

#include <cmath>
#include <unordered_map>

namespace quindle::qt::carousel_painter {

namespace {

struct Gesture {
    QPointF start;
    QPointF last;
    double lastTime { 0 };
    QPointF velocity;
    bool dragging { false };
};

std::unordered_map<const void*, Gesture>& gestures()
{
    static std::unordered_map<const void*, Gesture> active;
    return active;
}

/// How far a press may wander and still be a tap, in points.
constexpr double tapSlop = 8;
/// A release this long after the last move comes from a finger that stopped: no flick.
constexpr double restingTime = 0.1;

} // namespace

bool handlePointer(CarouselView& carousel, const void* gestureKey, const PointerEvent& event, QPointF origin)
{
    auto& active = gestures();
    auto found = active.find(gestureKey);
    switch (event.phase) {
    case PointerEvent::Phase::Press: {
        Gesture gesture { event.location, event.location, event.time, {}, false };
        // A touch on a moving carousel catches it and selects nothing.
        if (carousel.isScrolling() || carousel.isDecelerating()) {
            carousel.beginDrag(event.time);
            gesture.dragging = true;
        }
        active[gestureKey] = gesture;
        return true;
    }
    case PointerEvent::Phase::Move: {
        if (found == active.end())
            return false;
        Gesture& gesture = found->second;
        QPointF moved = event.location - gesture.start;
        if (!gesture.dragging && std::hypot(moved.x(), moved.y()) > tapSlop) {
            carousel.beginDrag(event.time);
            gesture.dragging = true;
        }
        double dt = event.time - gesture.lastTime;
        if (dt > 0) {
            QPointF instant = (event.location - gesture.last) / dt;
            gesture.velocity = gesture.velocity.isNull() ? instant : instant * 0.8 + gesture.velocity * 0.2;
        }
        gesture.last = event.location;
        gesture.lastTime = event.time;
        if (gesture.dragging)
            carousel.dragTo({ moved.x(), moved.y() }, event.time);
        return true;
    }
    case PointerEvent::Phase::Release:
    case PointerEvent::Phase::Cancel: {
        if (found == active.end())
            return false;
        Gesture gesture = found->second;
        active.erase(found);
        if (gesture.dragging) {
            bool flick = event.phase == PointerEvent::Phase::Release && event.time - gesture.lastTime < restingTime;
            QPointF velocity = flick ? gesture.velocity : QPointF();
            carousel.endDrag({ velocity.x(), velocity.y() }, event.time);
        } else if (event.phase == PointerEvent::Phase::Release) {
            QPointF at = event.location - origin;
            carousel.didTap({ at.x(), at.y() }, event.time);
        }
        return true;
    }
    }
    return false;
}

bool step(CarouselView& carousel, double now)
{
    carousel.step(now);
    bool autoscrolling = carousel.autoscroll() != 0 && carousel.numberOfItems() > 0 && !carousel.isDragging();
    return carousel.isScrolling() || carousel.isDecelerating() || autoscrolling;
}

} // namespace quindle::qt::carousel_painter
