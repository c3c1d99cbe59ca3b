#include "ui/Window.h"

#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/PopoverController.h"

#include <algorithm>
#include <utility>

namespace quindle {

std::shared_ptr<Window> Window::create(Rect bounds, UserInterfaceIdiom idiom)
{
    return std::shared_ptr<Window>(new Window(bounds, idiom));
}

void Window::setRootViewController(const std::shared_ptr<ViewController>& root)
{
    if (root == m_root)
        return;
    if (root && (root->parentViewController() || root->presentingViewController() || root->m_window.lock()))
        return;
    auto old = std::exchange(m_root, root);
    if (old) {
        if (m_visible)
            old->disappear(Animated::No);
        old->m_window.reset();
    }
    if (root) {
        root->m_window = weak_from_this();
        if (root->isViewLoaded() || m_visible)
            root->view()->setFrame(m_bounds);
        if (m_visible)
            root->appear(Animated::No);
        root->notify(ControllerChange::Root);
    }
}

void Window::makeKeyAndVisible()
{
    if (m_visible)
        return;
    m_visible = true;
    if (m_root) {
        m_root->view()->setFrame(m_bounds);
        m_root->appear(Animated::No);
    }
}

std::shared_ptr<ViewController> Window::visibleViewController() const
{
    return m_root ? m_root->visibleViewController() : nullptr;
}

bool Window::back()
{
    auto visible = visibleViewController();
    if (!visible || !takesScreenInput())
        return false;
    // Inside a stack above its root, back pops, also within a presented stack.
    auto nav = visible->navigationController();
    if (nav && nav->topViewController() == visible && nav->viewControllers().size() > 1)
        return nav->popViewController(Animated::Yes) != nullptr;
    if (visible->presentingViewController()) {
        visible->dismissViewController(Animated::Yes);
        return true;
    }
    return false;
}

void Window::addAlert(const std::shared_ptr<AlertView>& alert)
{
    if (std::ranges::find(m_alerts, alert) == m_alerts.end())
        m_alerts.push_back(alert);
}

void Window::removeAlert(const AlertView& alert)
{
    std::erase_if(m_alerts, [&](auto& shown) { return shown.get() == &alert; });
}

void Window::addPopover(const std::shared_ptr<PopoverController>& popover)
{
    if (std::ranges::find(m_popovers, popover) == m_popovers.end())
        m_popovers.push_back(popover);
}

void Window::removePopover(const PopoverController& popover)
{
    std::erase_if(m_popovers, [&](auto& shown) { return shown.get() == &popover; });
}

} // namespace quindle
