#pragma once

#include "platform/Colour.h"
#include "ui/Forward.h"
#include "ui/Geometry.h"
#include "ui/ViewObserver.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quindle {

/// A tilt effect: the view's centre follows the device's tilt along one axis, from the
/// first offset (tilted fully one way) to the second (fully the other way).
struct MotionEffect {
    enum class Axis { Horizontal, Vertical };
    Axis axis { Axis::Horizontal };
    double minimumOffset { 0 };
    double maximumOffset { 0 };
    bool operator==(const MotionEffect&) const = default;
};

/// Base of every on-screen object: frame, visibility, colour and owned subviews.
class View : public std::enable_shared_from_this<View> {
public:
    static std::shared_ptr<View> create(Rect frame = {});
    virtual ~View() = default;

    Rect frame() const { return m_frame; }
    /// Moves or resizes the view; a new size lays out the subviews again.
    void setFrame(Rect frame);
    /// The view's own area: its size at the origin.
    Rect bounds() const { return { 0, 0, m_frame.width, m_frame.height }; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    double alpha() const { return m_alpha; }
    /// Clamped to 0 to 1.
    void setAlpha(double alpha);
    Colour backgroundColour() const { return m_backgroundColour; }
    void setBackgroundColour(Colour colour);
    bool clipsToBounds() const { return m_clips; }
    void setClipsToBounds(bool clips);
    bool isUserInteractionEnabled() const { return m_interaction; }
    void setUserInteractionEnabled(bool enabled);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    /// This view or the first descendant (depth first) with the tag, or null.
    std::shared_ptr<View> viewWithTag(int tag);

    /// Takes ownership of the subview; it leaves its previous parent first. Adding a view to
    /// itself or to one of its descendants is ignored.
    void addSubview(const std::shared_ptr<View>& subview);
    void removeFromSuperview();
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    std::shared_ptr<View> superview() const { return m_superview.lock(); }

    /// Places the subviews inside the bounds; runs after every change of size.
    virtual void layoutSubviews() { }

    void addMotionEffect(MotionEffect effect);
    const std::vector<MotionEffect>& motionEffects() const { return m_motionEffects; }

    /// Keyboard focus, held by one input of a view tree at a time (never by other views).
    bool isFirstResponder() const { return m_focused; }
    /// Gives up keyboard focus.
    void resignFirstResponder();
    /// Takes keyboard focus from every input in this view and below (hides the keyboard).
    void endEditing();

    /// The user touches the view at a point of its own bounds: onTouch runs unless the view is
    /// hidden, not touchable, has none, or the point lies outside. Returns whether it ran.
    bool touch(Point location);
    std::function<void(View&, Point)> onTouch;

    /// A finger that goes down on the view, moves and lifts, for views that follow it (a
    /// colour wheel). Each step reaches the view unless it is hidden, not touchable, tracks no
    /// touches or an alert covers it; returns whether it did. Points are in the view's bounds
    /// and may lie outside them once the finger has moved.
    bool beginTouch(Point location);
    bool moveTouch(Point location);
    bool endTouch(Point location);
    /// Whether the view follows touches through the three steps above.
    virtual bool tracksTouches() const { return false; }

    /// A line drawn along the inside of the bounds; width 0 draws none.
    double borderWidth() const { return m_borderWidth; }
    Colour borderColour() const { return m_borderColour; }
    void setBorder(double width, Colour colour);
    /// Rounds the corners of the background and the border.
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);

    /// Layout rules stored as data (visual-format strings), for the renderer to show or apply.
    void addLayoutRule(std::string rule);
    /// Removes the first rule equal to the given one; returns whether one was there.
    bool removeLayoutRule(const std::string& rule);
    const std::vector<std::string>& layoutRules() const { return m_layoutRules; }

    /// The observer is found through the parent chain, then the owning controller, so only
    /// the window needs one.
    void setObserver(std::weak_ptr<ViewObserver> observer) { m_observer = std::move(observer); }
    std::shared_ptr<ViewObserver> observer() const;
    /// The controller whose root view this is, if any.
    std::shared_ptr<ViewController> viewController() const { return m_controller.lock(); }
    /// The window showing the screen this view belongs to, if any.
    std::shared_ptr<Window> window() const;
    /// Whether the user may act on this view now: not while an alert covers its window. A view
    /// in no window (an alert's own text field) always may.
    bool takesUserInput() const;

protected:
    explicit View(Rect frame) : m_frame(frame) { }
    void notify(ChangeKind kind) const;
    /// Shows the view inside a host that lists it among no subviews (a table's cells): it
    /// reports through the host's observer and names it as superview. Null detaches it.
    static void setHost(View& view, const std::shared_ptr<View>& host) { view.m_superview = host; }
    /// Takes keyboard focus from every other input of the view tree this view is in, so only
    /// one holds it; inputs call it once they have checked that they may take it.
    bool takeFocus();
    /// Runs after the view gave up keyboard focus, so inputs can report the end of editing.
    virtual void focusLost() { }
    /// The steps of a touch, for views that track touches.
    virtual void touchesBegan(Point) { }
    virtual void touchesMoved(Point) { }
    virtual void touchesEnded(Point) { }
    /// Stores the value and reports the change, unless it is the value already held.
    template<typename T, typename U>
    void update(T& field, U&& value, ChangeKind kind)
    {
        if (field == value)
            return;
        field = std::forward<U>(value);
        notify(kind);
    }

private:
    bool m_focused { false };
    friend class ViewController;
    Rect m_frame;
    bool m_hidden { false };
    bool m_clips { false };
    bool m_interaction { true };
    int m_tag { 0 };
    double m_alpha { 1 };
    Colour m_backgroundColour { Colour::white() };
    double m_borderWidth { 0 };
    Colour m_borderColour { Colour::black() };
    double m_cornerRadius { 0 };
    std::vector<std::shared_ptr<View>> m_subviews;
    std::weak_ptr<View> m_superview;
    std::weak_ptr<ViewObserver> m_observer;
    std::weak_ptr<ViewController> m_controller;
    std::vector<std::string> m_layoutRules;
    std::vector<MotionEffect> m_motionEffects;
};

} // namespace quindle
