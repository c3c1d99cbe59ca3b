#include "ui/View.h"

#include <algorithm>

namespace quindle {

std::shared_ptr<View> View::create(Rect frame) { return std::shared_ptr<View>(new View(frame)); }

void View::setFrame(Rect frame)
{
    if (frame == m_frame)
        return;
    m_frame = frame;
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
    m_alpha = std::clamp(alpha, 0.0, 1.0);
    notify(ChangeKind::Appearance);
}

void View::setBackgroundColour(Colour colour)
{
    m_backgroundColour = colour;
    notify(ChangeKind::Appearance);
}

void View::addSubview(const std::shared_ptr<View>& subview)
{
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

std::shared_ptr<ViewObserver> View::observer() const
{
    if (auto own = m_observer.lock())
        return own;
    auto parent = superview();
    return parent ? parent->observer() : nullptr;
}

void View::notify(ChangeKind kind) const
{
    if (auto o = observer())
        o->changed(*this, kind);
}

} // namespace quindle
