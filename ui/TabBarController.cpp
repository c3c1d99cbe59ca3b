#include "ui/TabBarController.h"

#include "ui/Window.h"

#include <algorithm>
#include <utility>

namespace quindle {

std::shared_ptr<TabBarController> TabBarController::create()
{
    return std::shared_ptr<TabBarController>(new TabBarController);
}

std::vector<std::shared_ptr<ViewController>> TabBarController::shownChildren() const
{
    if (auto selected = selectedViewController())
        return { selected };
    return {};
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const
{
    return m_selected >= 0 && m_selected < static_cast<int>(m_tabs.size()) ? m_tabs[m_selected] : nullptr;
}

std::shared_ptr<ViewController> TabBarController::visibleViewController()
{
    if (presentedViewController())
        return ViewController::visibleViewController();
    if (auto selected = selectedViewController())
        return selected->visibleViewController();
    return shared_from_this();
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, Animated animated)
{
    auto oldSelected = selectedViewController();
    std::vector<std::shared_ptr<ViewController>> tabs;
    for (auto& controller : controllers) {
        if (!controller || std::ranges::find(tabs, controller) != tabs.end())
            continue;
        bool mine = std::ranges::find(m_tabs, controller) != m_tabs.end();
        if (mine || adoptChild(controller))
            tabs.push_back(controller);
    }
    auto kept = std::ranges::find(tabs, oldSelected);
    int selected = kept != tabs.end() ? static_cast<int>(kept - tabs.begin()) : (tabs.empty() ? -1 : 0);
    auto newSelected = selected >= 0 ? tabs[selected] : nullptr;
    if (tabs == m_tabs && selected == m_selected)
        return;

    if (oldSelected != newSelected && oldSelected && isVisible())
        oldSelected->disappear(animated);
    for (auto& old : m_tabs)
        if (std::ranges::find(tabs, old) == tabs.end())
            releaseChild(old);
    auto leaving = std::exchange(m_tabs, std::move(tabs));
    m_selected = selected;
    if (oldSelected != newSelected && newSelected && isVisible())
        newSelected->appear(animated);
    notify(ControllerChange::Stack, animated);
}

void TabBarController::select(int index)
{
    auto oldSelected = selectedViewController();
    auto newSelected = m_tabs[index];
    m_selected = index;
    if (oldSelected == newSelected)
        return;
    if (oldSelected && isVisible())
        oldSelected->disappear(Animated::No);
    if (isVisible())
        newSelected->appear(Animated::No);
    notify(ControllerChange::Selection);
}

void TabBarController::setSelectedIndex(int index)
{
    if (index >= 0 && index < static_cast<int>(m_tabs.size()))
        select(index);
}

void TabBarController::setSelectedViewController(const std::shared_ptr<ViewController>& controller)
{
    auto it = std::ranges::find(m_tabs, controller);
    if (controller && it != m_tabs.end())
        select(static_cast<int>(it - m_tabs.begin()));
}

bool TabBarController::selectTab(int index)
{
    auto shown = window();
    if (index < 0 || index >= static_cast<int>(m_tabs.size()) || (shown && !shown->takesScreenInput()))
        return false;
    select(index);
    // The handler may change the tabs; keep the chosen one alive for the call.
    auto chosen = m_tabs[index];
    if (onSelect)
        onSelect(*this, *chosen);
    return true;
}

void TabBarController::setTabBarHidden(BarVisibility bar)
{
    if (bar == m_bar)
        return;
    m_bar = bar;
    notify(ControllerChange::BarVisibility);
}

} // namespace quindle
