#pragma once

#include "ui/ViewController.h"

namespace quindle {

/// Whether a bar shows.
enum class BarVisibility { Shown, Hidden };

/// A stack of screens; owns its controllers, which point back weakly. The root stays.
class NavigationController : public ViewController {
public:
    /// A stack with the root, or an empty one for null.
    static std::shared_ptr<NavigationController> create(const std::shared_ptr<ViewController>& root);

    /// Ignored for null, for this stack itself and for a controller held elsewhere.
    void pushViewController(const std::shared_ptr<ViewController>& controller, Animated animated);
    /// Pops the top controller unless it is the root. Returns the popped one or null.
    std::shared_ptr<ViewController> popViewController(Animated animated);
    /// Pops everything above the root; returns the popped controllers, lowest first.
    std::vector<std::shared_ptr<ViewController>> popToRootViewController(Animated animated);
    /// Replaces the stack; controllers held elsewhere (or twice) are left out.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, Animated animated);
    /// The back button: pops the top screen, animated.
    void backButtonPressed() { popViewController(Animated::Yes); }

    std::shared_ptr<ViewController> topViewController() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    /// The top screen, or what is presented over it or over this stack.
    std::shared_ptr<ViewController> visibleViewController() override;
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_stack; }
    /// Whether the last push, pop or replacement was animated.
    Animated lastTransitionAnimated() const { return m_lastAnimated; }

    bool isNavigationBarHidden() const { return m_bar == BarVisibility::Hidden; }
    void setNavigationBarHidden(BarVisibility bar, Animated animated = Animated::No);

protected:
    std::vector<std::shared_ptr<ViewController>> shownChildren() const override;

private:
    NavigationController() : ViewController({}) { }
    void replaceStack(std::vector<std::shared_ptr<ViewController>> stack, Animated animated);
    std::vector<std::shared_ptr<ViewController>> m_stack;
    Animated m_lastAnimated { Animated::No };
    BarVisibility m_bar { BarVisibility::Shown };
};

} // namespace quindle
