#pragma once

#include "ui/NavigationController.h"

#include <functional>

namespace quindle {

/// A row of tabs, one controller (usually a navigation stack) each; owns them.
class TabBarController : public ViewController {
public:
    static std::shared_ptr<TabBarController> create();

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_tabs; }
    /// Replaces the tabs; controllers held elsewhere (or twice) are left out. The selected
    /// controller stays selected when it remains, else the first tab is.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, Animated animated = Animated::No);

    /// -1 when there are no tabs.
    int selectedIndex() const { return m_selected; }
    /// Out-of-range indexes are ignored.
    void setSelectedIndex(int index);
    std::shared_ptr<ViewController> selectedViewController() const;
    /// Ignored unless the controller is one of the tabs.
    void setSelectedViewController(const std::shared_ptr<ViewController>& controller);
    /// The user taps a tab: selects it and tells onSelect. Returns whether it was taken: the
    /// index is valid and no alert covers the window.
    bool selectTab(int index);

    bool isTabBarHidden() const { return m_bar == BarVisibility::Hidden; }
    void setTabBarHidden(BarVisibility bar);

    std::shared_ptr<ViewController> visibleViewController() override;

    std::function<void(TabBarController&, ViewController&)> onSelect;

protected:
    std::vector<std::shared_ptr<ViewController>> shownChildren() const override;

private:
    TabBarController() : ViewController({}) { }
    void select(int index);
    std::vector<std::shared_ptr<ViewController>> m_tabs;
    int m_selected { -1 };
    BarVisibility m_bar { BarVisibility::Shown };
};

} // namespace quindle
