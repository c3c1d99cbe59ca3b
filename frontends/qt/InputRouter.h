#pragma once

#include "ui/Geometry.h"
#include "ui/Forward.h"

#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QEvent;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace quindle::qt {

class PhoneWindow;

/// What lies under a point of the content, deepest first.
struct ContentHit {
    /// The innermost control under the point (button, input, switch, slider, picker, or a view
    /// with its own touch handling) and the point in its bounds.
    std::shared_ptr<View> control;
    QPointF controlPoint;
    /// The innermost view with registry pointer handling, and the point in its bounds.
    std::shared_ptr<View> pointerView;
    QPointF pointerPoint;
    /// The innermost table under the point, its row there and where in the row.
    std::shared_ptr<TableView> table;
    std::optional<IndexPath> row;
    enum class Zone { Row, Delete, Handle } zone { Zone::Row };
    QPointF tablePoint; // in the table's bounds
    /// The innermost collection under the point and its item there.
    std::shared_ptr<CollectionView> collection;
    std::optional<IndexPath> item;
};

/// Turns mouse, touch, wheel and key events into the model's user actions, hit-testing what
/// the window painted top-down: alert, popover, bars, then the content.
class InputRouter {
public:
    /// Movement (points) before a press becomes a drag rather than a tap.
    static constexpr double tapSlop = 8;

    explicit InputRouter(PhoneWindow& window) : m_window(window) { }

    void mouse(QMouseEvent* event);
    /// Takes touch events (the first finger, as a mouse); false for other events.
    bool touch(QEvent* event);
    void wheel(QWheelEvent* event);
    /// Returns whether the key was used.
    bool key(QKeyEvent* event);

    /// The inputs on screen in the order they are painted (alert fields only, while an alert shows).
    std::vector<std::shared_ptr<View>> inputs();
    /// The input holding keyboard focus, or null.
    std::shared_ptr<View> focusedInput();
    /// Gives the input keyboard focus. Inputs in other table rows give theirs up first: a
    /// view tree hands focus around only among its subviews, and rows are hosted, not subviews.
    void focus(const std::shared_ptr<View>& input);

    void press(QPointF point, double time);
    void move(QPointF point, double time);
    void release(QPointF point, double time);

    /// Hit-tests a view tree painted with its top left at `origin` (window points).
    ContentHit hitTest(const std::shared_ptr<View>& root, QPointF origin, QPointF point);

private:
    enum class Mode { None, Pending, Scroll, GridScroll, Slider, Reorder, Pointer, Blocked };
    bool hitView(const std::shared_ptr<View>& view, QPointF point, ContentHit& hit);
    void tap();
    void typeText(const QString& text);
    void backspace();
    void pressReturn();
    void focusNext(bool backwards);
    void sendPointer(int phase, QPointF point, double time);
    std::optional<IndexPath> dropTarget(const TableView& table, IndexPath from, double contentY);

    PhoneWindow& m_window;
    Mode m_mode { Mode::None };
    QPointF m_start;
    double m_gridStartOffset { 0 }; // the grid's offset when its drag began
    QPointF m_origin; // window position of the hit view tree's top left
    ContentHit m_hit;
    // What was pressed outside the content: an alert button, a bar button, a tab, a popover backdrop.
    std::function<void()> m_tapAction;
    QRectF m_tapArea;
};

} // namespace quindle::qt
