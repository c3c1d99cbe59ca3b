#pragma once

#include "ui/ViewController.h"

namespace quindle {

/// Whether the navigation bar shows.
enum class BarVisibility { Shown, Hidden };

/// A stack of screens; owns its controllers, which point back weakly.
class NavigationController : public ViewController {
public:
    static std::shared_ptr<NavigationController> create(const std::shared_ptr<ViewController>& root);

    void pushViewController(const std::shared_ptr<ViewController>& controller, Animated animated);
    /// Pops the top controller; the root stays. Returns the popped one or null.
    std::shared_ptr<ViewController> popViewController(Animated animated);
    void popToRootViewController(Animated animated);

    std::shared_ptr<ViewController> topViewController() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_stack; }
    Animated lastTransitionAnimated() const { return m_lastAnimated; }

    bool isNavigationBarHidden() const { return m_bar == BarVisibility::Hidden; }
    void setNavigationBarHidden(BarVisibility bar) { m_bar = bar; }

    void setObserver(std::weak_ptr<ViewObserver> observer) { m_observer = std::move(observer); }

private:
    NavigationController() : ViewController({}) { }
    std::vector<std::shared_ptr<ViewController>> m_stack;
    Animated m_lastAnimated { Animated::No };
    BarVisibility m_bar { BarVisibility::Shown };
    std::weak_ptr<ViewObserver> m_observer;
};

} // namespace quindle
