#pragma once

#include "ui/View.h"

#include <QPointF>
#include <QRectF>

#include <functional>
#include <typeindex>
#include <typeinfo>

class QPainter;
class QWidget;

namespace quindle::qt {

/// A pointer event in the view's own coordinates (points), with its time in seconds.
struct PointerEvent {
    enum class Phase { Press, Move, Release, Cancel };
    Phase phase { Phase::Press };
    QPointF location;
    double time { 0 };
};

/// How the window paints, drives and hosts views of a given dynamic type beyond its own generic
/// drawing. Parts of the Qt client that know one kind of view (carousels, web pages, video
/// panels) register here once at start-up; the window looks views up by their exact type.
struct ViewHandlers {
    /// Paints the view inside `rect` (the view's frame on screen, in points) after the window
    /// painted its background; the painter is clipped to the view when it clips.
    std::function<void(QPainter&, View&, const QRectF& rect)> paint;
    /// Takes a pointer event aimed at the view; returns whether it used it (the window then
    /// sends the rest of that gesture here too).
    std::function<bool(View&, const PointerEvent&)> pointer;
    /// Advances the view's animations to `now` (seconds); returns whether it still moves, so
    /// the window keeps drawing frames only while something does.
    std::function<bool(View&, double now)> step;
    /// Makes a native child widget for the view (web pages, players); the window places it on
    /// the view's frame every frame it shows the view and deletes it when the view leaves.
    std::function<QWidget*(View&, QWidget* parent)> makeWidget;
};

class ViewRegistry {
public:
    static ViewRegistry& shared();
    void add(std::type_index type, ViewHandlers handlers);
    template<typename T>
    void add(ViewHandlers handlers) { add(std::type_index(typeid(T)), std::move(handlers)); }
    /// The handlers for the view's exact dynamic type, or null.
    const ViewHandlers* find(const View& view) const;

private:
    struct Impl;
    ViewRegistry();
    Impl* m_impl;
};

} // namespace quindle::qt
