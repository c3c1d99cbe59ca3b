#include "ui/NavigationController.h"

#include <algorithm>
#include <utility>

namespace quindle {

std::shared_ptr<NavigationController> NavigationController::create(const std::shared_ptr<ViewController>& root)
{
    auto nav = std::shared_ptr<NavigationController>(new NavigationController);
    if (root)
        nav->pushViewController(root, Animated::No);
    return nav;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::shownChildren() const
{
    if (m_stack.empty())
        return {};
    return { m_stack.back() };
}

std::shared_ptr<ViewController> NavigationController::visibleViewController()
{
    if (presentedViewController())
        return ViewController::visibleViewController();
    if (auto top = topViewController())
        return top->visibleViewController();
    return shared_from_this();
}

void NavigationController::replaceStack(std::vector<std::shared_ptr<ViewController>> stack, Animated animated)
{
    if (stack == m_stack)
        return;
    auto oldTop = topViewController();
    auto newTop = stack.empty() ? nullptr : stack.back();
    if (oldTop != newTop && oldTop && isVisible())
        oldTop->disappear(animated);
    for (auto& old : m_stack)
        if (std::ranges::find(stack, old) == stack.end())
            releaseChild(old);
    // Keep the leaving controllers alive until the stack no longer names them.
    auto leaving = std::exchange(m_stack, std::move(stack));
    m_lastAnimated = animated;
    if (oldTop != newTop && newTop && isVisible())
        newTop->appear(animated);
    notify(ControllerChange::Stack, animated);
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& controller, Animated animated)
{
    if (!adoptChild(controller))
        return;
    auto stack = m_stack;
    stack.push_back(controller);
    replaceStack(std::move(stack), animated);
}

std::shared_ptr<ViewController> NavigationController::popViewController(Animated animated)
{
    if (m_stack.size() <= 1)
        return nullptr;
    auto top = m_stack.back();
    auto stack = m_stack;
    stack.pop_back();
    replaceStack(std::move(stack), animated);
    return top;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewController(Animated animated)
{
    if (m_stack.size() <= 1)
        return {};
    std::vector<std::shared_ptr<ViewController>> popped(m_stack.begin() + 1, m_stack.end());
    replaceStack({ m_stack.front() }, animated);
    return popped;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, Animated animated)
{
    std::vector<std::shared_ptr<ViewController>> stack;
    for (auto& controller : controllers) {
        if (!controller || std::ranges::find(stack, controller) != stack.end())
            continue;
        bool mine = std::ranges::find(m_stack, controller) != m_stack.end();
        if (mine || adoptChild(controller))
            stack.push_back(controller);
    }
    replaceStack(std::move(stack), animated);
}

void NavigationController::setNavigationBarHidden(BarVisibility bar, Animated animated)
{
    if (bar == m_bar)
        return;
    m_bar = bar;
    notify(ControllerChange::BarVisibility, animated);
}

} // namespace quindle
