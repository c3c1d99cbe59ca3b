#include "ui/View.h"

#include "ui/ViewController.h"
#include "ui/Window.h"

#include <algorithm>

namespace quindle {

std::shared_ptr<View> View::create(Rect frame) { return std::shared_ptr<View>(new View(frame)); }

void View::setFrame(Rect frame)
{
    if (frame == m_frame)
        return;
    bool resized = frame.size() != m_frame.size();
    m_frame = frame;
    if (resized)
        layoutSubviews();
    notify(ChangeKind::Frame);
}

void View::setHidden(bool hidden)
{
    if (hidden == m_hidden)
        return;
    m_hidden = hidden;
    notify(ChangeKind::Visibility);
}

void View::setAlpha(double alpha)
{
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha == m_alpha)
        return;
    m_alpha = alpha;
    notify(ChangeKind::Appearance);
}

void View::setBackgroundColour(Colour colour)
{
    if (colour == m_backgroundColour)
        return;
    m_backgroundColour = colour;
    notify(ChangeKind::Appearance);
}

void View::setClipsToBounds(bool clips)
{
    if (clips == m_clips)
        return;
    m_clips = clips;
    notify(ChangeKind::Appearance);
}

void View::setUserInteractionEnabled(bool enabled)
{
    if (enabled == m_interaction)
        return;
    m_interaction = enabled;
    notify(ChangeKind::Appearance);
}

std::shared_ptr<View> View::viewWithTag(int tag)
{
    if (m_tag == tag)
        return shared_from_this();
    for (auto& subview : m_subviews)
        if (auto found = subview->viewWithTag(tag))
            return found;
    return nullptr;
}

void View::addSubview(const std::shared_ptr<View>& subview)
{
    if (!subview)
        return;
    // Adding a view to itself or to one of its descendants would make an ownership cycle.
    for (auto ancestor = shared_from_this(); ancestor; ancestor = ancestor->superview())
        if (ancestor == subview)
            return;
    subview->removeFromSuperview();
    subview->m_superview = weak_from_this();
    m_subviews.push_back(subview);
    notify(ChangeKind::Subviews);
}

void View::removeFromSuperview()
{
    auto parent = superview();
    if (!parent)
        return;
    auto keepAlive = shared_from_this();
    std::erase(parent->m_subviews, keepAlive);
    m_superview.reset();
    parent->notify(ChangeKind::Subviews);
}

void View::addLayoutRule(std::string rule)
{
    m_layoutRules.push_back(std::move(rule));
    notify(ChangeKind::Frame);
}

bool View::removeLayoutRule(const std::string& rule)
{
    auto it = std::ranges::find(m_layoutRules, rule);
    if (it == m_layoutRules.end())
        return false;
    m_layoutRules.erase(it);
    notify(ChangeKind::Frame);
    return true;
}

void View::addMotionEffect(MotionEffect effect)
{
    m_motionEffects.push_back(effect);
    notify(ChangeKind::Appearance);
}

void View::resignFirstResponder()
{
    if (!m_focused)
        return;
    update(m_focused, false, ChangeKind::Focus);
    focusLost();
}

std::shared_ptr<Window> View::window() const
{
    // Raw steps up the chain, with the parent held, so no view needs to be owned by a shared pointer.
    const View* root = this;
    std::shared_ptr<View> held;
    while (auto parent = root->superview()) {
        held = std::move(parent);
        root = held.get();
    }
    auto controller = root->viewController();
    return controller ? controller->window() : nullptr;
}

bool View::takesUserInput() const
{
    auto shown = window();
    return !shown || shown->takesScreenInput();
}

bool View::touch(Point location)
{
    if (m_hidden || !m_interaction || !onTouch || location.x < 0 || location.y < 0 || location.x > m_frame.width
        || location.y > m_frame.height || !takesUserInput())
        return false;
    onTouch(*this, location);
    return true;
}

bool View::beginTouch(Point location)
{
    if (m_hidden || !m_interaction || !tracksTouches() || !takesUserInput())
        return false;
    touchesBegan(location);
    return true;
}

bool View::moveTouch(Point location)
{
    if (m_hidden || !m_interaction || !tracksTouches() || !takesUserInput())
        return false;
    touchesMoved(location);
    return true;
}

bool View::endTouch(Point location)
{
    // A finger lifts even when an alert came up meanwhile, so the view never waits for it.
    if (!tracksTouches())
        return false;
    touchesEnded(location);
    return true;
}

void View::setBorder(double width, Colour colour)
{
    if (width == m_borderWidth && colour == m_borderColour)
        return;
    m_borderWidth = width;
    m_borderColour = colour;
    notify(ChangeKind::Appearance);
}

void View::setCornerRadius(double radius) { update(m_cornerRadius, radius, ChangeKind::Appearance); }

void View::endEditing()
{
    resignFirstResponder();
    // A copy: resigning may let a handler change the tree.
    auto children = m_subviews;
    for (auto& child : children)
        child->endEditing();
}

namespace {
/// The phone has one keyboard: the input that holds it, in whichever tree it sits (table cells
/// are trees of their own until drawn into a table).
std::weak_ptr<View>& focusedInput()
{
    static std::weak_ptr<View> focused;
    return focused;
}
} // namespace

bool View::takeFocus()
{
    if (m_focused)
        return true;
    auto root = shared_from_this();
    while (auto parent = root->superview())
        root = parent;
    root->endEditing();
    if (auto previous = focusedInput().lock(); previous && previous.get() != this)
        previous->resignFirstResponder();
    focusedInput() = weak_from_this();
    update(m_focused, true, ChangeKind::Focus);
    return true;
}

std::shared_ptr<ViewObserver> View::observer() const
{
    if (auto own = m_observer.lock())
        return own;
    if (auto parent = superview())
        return parent->observer();
    if (auto controller = m_controller.lock())
        return controller->observer();
    return nullptr;
}

void View::notify(ChangeKind kind) const
{
    if (auto o = observer())
        o->changed(*this, kind);
}

} // namespace quindle
