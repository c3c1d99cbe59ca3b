#include "RecordingObserver.h"

#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using quindle::test::LoggingController;
using quindle::test::RecordingObserver;

namespace {

std::shared_ptr<NavigationController> stack(const std::string& title)
{
    return NavigationController::create(ViewController::create(title));
}

}

TEST(TabBar, SelectionOutOfRangeIsIgnored)
{
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ stack("A"), stack("B") });
    EXPECT_EQ(tabs->selectedIndex(), 0);
    tabs->setSelectedIndex(2);
    EXPECT_EQ(tabs->selectedIndex(), 0);
    tabs->setSelectedIndex(-1);
    EXPECT_EQ(tabs->selectedIndex(), 0);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(tabs->selectedIndex(), 1);
    tabs->setSelectedViewController(stack("Foreign"));
    EXPECT_EQ(tabs->selectedIndex(), 1);
    EXPECT_FALSE(tabs->selectTab(5));
}

TEST(TabBar, SelectedControllerStaysSelectedWhenTabsChange)
{
    auto a = stack("A");
    auto b = stack("B");
    auto c = stack("C");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ a, b });
    tabs->setSelectedIndex(1);
    tabs->setViewControllers({ c, a, b });
    EXPECT_EQ(tabs->selectedViewController(), b);
    EXPECT_EQ(tabs->selectedIndex(), 2);
    // Without the selected one the first tab is selected.
    tabs->setViewControllers({ c, a });
    EXPECT_EQ(tabs->selectedIndex(), 0);
    EXPECT_EQ(b->tabBarController(), nullptr);
    EXPECT_EQ(a->tabBarController(), tabs);
    tabs->setViewControllers({});
    EXPECT_EQ(tabs->selectedIndex(), -1);
}

TEST(TabBar, TabsHeldElsewhereOrTwiceAreLeftOut)
{
    auto a = stack("A");
    auto other = TabBarController::create();
    other->setViewControllers({ a });
    auto tabs = TabBarController::create();
    auto b = stack("B");
    tabs->setViewControllers({ a, b, b, nullptr, tabs });
    ASSERT_EQ(tabs->viewControllers().size(), 1u);
    EXPECT_EQ(tabs->viewControllers()[0], b);
    EXPECT_EQ(a->tabBarController(), other);
}

TEST(TabBar, ScreensInAStackFindTheirTabBar)
{
    auto a = stack("A");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ a });
    auto pushed = ViewController::create("Pushed");
    a->pushViewController(pushed, Animated::No);
    EXPECT_EQ(pushed->tabBarController(), tabs);
    EXPECT_EQ(pushed->navigationController(), a);
    EXPECT_EQ(tabs->visibleViewController(), pushed);
}

TEST(TabBar, TapTellsOnSelectAndObserverOnce)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto tabs = TabBarController::create();
    tabs->setObserver(observer);
    tabs->setViewControllers({ stack("A"), stack("B") });
    observer->clear();
    std::vector<std::string> chosen;
    tabs->onSelect = [&](TabBarController&, ViewController& tab) {
        chosen.push_back(static_cast<NavigationController&>(tab).topViewController()->title());
    };
    EXPECT_TRUE(tabs->selectTab(1));
    EXPECT_EQ(chosen, (std::vector<std::string> { "B" }));
    EXPECT_EQ(observer->countControllers(ControllerChange::Selection), 1u);
    // Tapping the selected tab tells the handler again but changes nothing.
    EXPECT_TRUE(tabs->selectTab(1));
    EXPECT_EQ(chosen.size(), 2u);
    EXPECT_EQ(observer->countControllers(ControllerChange::Selection), 1u);
}

TEST(TabBar, TabItemTitleImageAndBadgeReported)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto a = stack("A");
    auto tabs = TabBarController::create();
    tabs->setObserver(observer);
    tabs->setViewControllers({ a });
    observer->clear();
    a->setTabBarItem({ "Tab Edit", "first.png", "" });
    a->setBadgeValue("3");
    a->setBadgeValue("3");
    EXPECT_EQ(a->tabBarItem().title, "Tab Edit");
    EXPECT_EQ(a->tabBarItem().imageName, "first.png");
    EXPECT_EQ(a->tabBarItem().badgeValue, "3");
    ASSERT_EQ(observer->countControllers(ControllerChange::TabBarItem), 2u);
    EXPECT_EQ(observer->controllers[0].controller, a.get());
}

TEST(TabBar, SwitchingTabsMovesAppearance)
{
    std::vector<std::string> log;
    auto a = NavigationController::create(LoggingController::create("A", log));
    auto b = NavigationController::create(LoggingController::create("B", log));
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ a, b });
    auto window = Window::create();
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    tabs->selectTab(1);
    tabs->setViewControllers({ a });
    EXPECT_EQ(log, (std::vector<std::string> { "+A", "-A", "+B", "-B", "+A" }));
}

TEST(TabBar, RemovedTabsAreFreed)
{
    auto tabs = TabBarController::create();
    std::weak_ptr<NavigationController> weak;
    {
        auto a = stack("A");
        weak = a;
        tabs->setViewControllers({ a, stack("B") });
    }
    ASSERT_FALSE(weak.expired());
    tabs->setViewControllers({ stack("C") });
    EXPECT_TRUE(weak.expired());
}
