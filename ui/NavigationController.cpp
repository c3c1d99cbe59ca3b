#include "ui/NavigationController.h"

#include <algorithm>

namespace quindle {

std::shared_ptr<NavigationController> NavigationController::create(const std::shared_ptr<ViewController>& root)
{
    auto nav = std::shared_ptr<NavigationController>(new NavigationController);
    if (root)
        nav->pushViewController(root, Animated::No);
    return nav;
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& controller, Animated animated)
{
    // A controller can sit only once on one stack.
    if (!controller || controller.get() == this || std::ranges::find(m_stack, controller) != m_stack.end()
        || controller->navigationController())
        return;
    controller->m_navigationController = std::static_pointer_cast<NavigationController>(shared_from_this());
    m_stack.push_back(controller);
    m_lastAnimated = animated;
    if (auto o = m_observer.lock())
        o->controllerPushed(*this, *controller, animated);
}

std::shared_ptr<ViewController> NavigationController::popViewController(Animated animated)
{
    if (m_stack.size() <= 1)
        return nullptr;
    auto top = m_stack.back();
    m_stack.pop_back();
    top->m_navigationController.reset();
    m_lastAnimated = animated;
    if (auto o = m_observer.lock())
        o->controllerPopped(*this, *top, animated);
    return top;
}

void NavigationController::popToRootViewController(Animated animated)
{
    while (m_stack.size() > 1)
        popViewController(animated);
}

} // namespace quindle
