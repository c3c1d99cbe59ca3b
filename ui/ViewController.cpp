#include "ui/ViewController.h"

#include "ui/NavigationController.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

namespace quindle {

std::shared_ptr<ViewController> ViewController::create(std::string title)
{
    return std::shared_ptr<ViewController>(new ViewController(std::move(title)));
}

void ViewController::setTitle(std::string title)
{
    if (title == m_title)
        return;
    m_title = std::move(title);
    notify(ControllerChange::Title);
}

std::shared_ptr<View> ViewController::view()
{
    // A loadView that asks for the view itself must not recurse.
    if (!m_view && !m_loading) {
        m_loading = true;
        loadView();
        if (!m_view)
            setView(View::create());
        m_loading = false;
        viewDidLoad();
    }
    return m_view;
}

void ViewController::loadView() { setView(View::create()); }

void ViewController::setView(std::shared_ptr<View> view)
{
    if (m_view)
        m_view->m_controller.reset();
    m_view = std::move(view);
    if (m_view)
        m_view->m_controller = weak_from_this();
}

void ViewController::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item)
{
    if (item == m_left)
        return;
    m_left = std::move(item);
    if (m_left)
        m_left->m_owner = weak_from_this();
    notify(ControllerChange::BarButtons);
}

void ViewController::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item)
{
    std::vector<std::shared_ptr<BarButtonItem>> items;
    if (item)
        items.push_back(std::move(item));
    setRightBarButtonItems(std::move(items));
}

void ViewController::setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items)
{
    std::erase(items, nullptr);
    if (items == m_right)
        return;
    m_right = std::move(items);
    for (auto& item : m_right)
        item->m_owner = weak_from_this();
    notify(ControllerChange::BarButtons);
}

void ViewController::setTabBarItem(TabBarItem item)
{
    if (item == m_tabBarItem)
        return;
    m_tabBarItem = std::move(item);
    notify(ControllerChange::TabBarItem);
}

void ViewController::setBadgeValue(std::string badge)
{
    auto item = m_tabBarItem;
    item.badgeValue = std::move(badge);
    setTabBarItem(std::move(item));
}

std::shared_ptr<NavigationController> ViewController::navigationController() const
{
    for (auto up = parentViewController(); up; up = up->parentViewController())
        if (auto nav = std::dynamic_pointer_cast<NavigationController>(up))
            return nav;
    // A screen presented inside no stack of its own still belongs to its presenter's stack.
    if (auto presenter = presentingViewController())
    {
        if (auto nav = std::dynamic_pointer_cast<NavigationController>(presenter))
            return nav;
        return presenter->navigationController();
    }
    return nullptr;
}

std::shared_ptr<TabBarController> ViewController::tabBarController() const
{
    for (auto up = parentViewController(); up; up = up->parentViewController())
        if (auto tabs = std::dynamic_pointer_cast<TabBarController>(up))
            return tabs;
    if (auto presenter = presentingViewController())
    {
        if (auto tabs = std::dynamic_pointer_cast<TabBarController>(presenter))
            return tabs;
        return presenter->tabBarController();
    }
    return nullptr;
}

std::shared_ptr<Window> ViewController::window() const
{
    if (auto own = m_window.lock())
        return own;
    if (auto parent = parentViewController())
        return parent->window();
    if (auto presenter = presentingViewController())
        return presenter->window();
    return nullptr;
}

std::shared_ptr<ViewObserver> ViewController::observer() const
{
    if (auto own = m_observer.lock())
        return own;
    if (auto win = m_window.lock())
        return win->observer();
    if (auto parent = parentViewController())
        return parent->observer();
    if (auto presenter = presentingViewController())
        return presenter->observer();
    return nullptr;
}

void ViewController::notify(ControllerChange change, Animated animated) const
{
    if (auto o = observer())
        o->controllerChanged(*this, change, animated);
}

void ViewController::presentViewController(const std::shared_ptr<ViewController>& controller, Animated animated)
{
    if (m_presented) {
        m_presented->presentViewController(controller, animated);
        return;
    }
    // A controller already shown somewhere cannot be presented as well.
    if (!controller || controller.get() == this || controller->parentViewController() || controller->presentingViewController()
        || controller->m_window.lock())
        return;
    m_presented = controller;
    controller->m_presenting = weak_from_this();
    m_lastAnimated = animated;
    if (m_visible)
        controller->appear(animated);
    notify(ControllerChange::Presentation, animated);
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const
{
    if (auto presenter = m_presenting.lock())
        return presenter;
    auto parent = parentViewController();
    return parent ? parent->presentingViewController() : nullptr;
}

void ViewController::dismissViewController(Animated animated)
{
    if (!m_presented) {
        // A screen inside a presented stack dismisses the stack.
        if (auto presenter = presentingViewController())
            presenter->dismissViewController(animated);
        return;
    }
    auto gone = std::move(m_presented);
    m_presented.reset();
    m_lastAnimated = animated;
    gone->disappear(animated);
    gone->m_presenting.reset();
    notify(ControllerChange::Presentation, animated);
}

std::shared_ptr<ViewController> ViewController::visibleViewController()
{
    if (m_presented)
        return m_presented->visibleViewController();
    return shared_from_this();
}

bool ViewController::adoptChild(const std::shared_ptr<ViewController>& child)
{
    if (!child || child.get() == this || child->parentViewController() || child->presentingViewController()
        || child->m_window.lock())
        return false;
    // Nor may a container take one of its own ancestors.
    for (auto up = parentViewController(); up; up = up->parentViewController())
        if (up == child)
            return false;
    child->m_parent = weak_from_this();
    return true;
}

void ViewController::releaseChild(const std::shared_ptr<ViewController>& child)
{
    if (child)
        child->m_parent.reset();
}

void ViewController::appear(Animated animated)
{
    if (m_visible)
        return;
    m_visible = true;
    viewWillAppear(animated);
    for (auto& child : shownChildren())
        child->appear(animated);
    if (m_presented)
        m_presented->appear(animated);
}

void ViewController::disappear(Animated animated)
{
    if (!m_visible)
        return;
    m_visible = false;
    if (m_presented)
        m_presented->disappear(animated);
    for (auto& child : shownChildren())
        child->disappear(animated);
    viewWillDisappear(animated);
}

} // namespace quindle
