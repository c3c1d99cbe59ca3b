#include "RecordingObserver.h"

#include "ui/NavigationController.h"
#include "ui/PopoverController.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using quindle::test::LoggingController;
using quindle::test::RecordingObserver;

TEST(Window, RootTakesTheBoundsAndReportsItself)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto window = Window::create({ 0, 0, 375, 667 });
    window->setObserver(observer);
    auto root = TabBarController::create();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    EXPECT_EQ(root->view()->frame(), (Rect { 0, 0, 375, 667 }));
    EXPECT_EQ(root->window(), window);
    EXPECT_EQ(observer->countControllers(ControllerChange::Root), 1u);
}

TEST(Window, ReplacingTheRootLetsTheOldOneGo)
{
    std::vector<std::string> log;
    auto window = Window::create();
    std::weak_ptr<ViewController> weakOld;
    {
        auto old = LoggingController::create("Old", log);
        weakOld = old;
        window->setRootViewController(old);
    }
    window->makeKeyAndVisible();
    window->setRootViewController(LoggingController::create("New", log));
    EXPECT_TRUE(weakOld.expired());
    EXPECT_EQ(log, (std::vector<std::string> { "+Old", "-Old", "+New" }));
}

TEST(Window, VisibleControllerFollowsTabsStacksAndModals)
{
    auto window = Window::create();
    auto page = ViewController::create("Page");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ NavigationController::create(ViewController::create("Other")), NavigationController::create(page) });
    window->setRootViewController(tabs);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(window->visibleViewController(), page);
    auto login = ViewController::create("Login");
    page->presentViewController(NavigationController::create(login), Animated::Yes);
    EXPECT_EQ(window->visibleViewController(), login);
    EXPECT_EQ(login->window(), window);
}

TEST(Window, BackPopsThenDismissesTheModalThenStops)
{
    auto window = Window::create();
    auto root = ViewController::create("Root");
    auto nav = NavigationController::create(root);
    window->setRootViewController(nav);
    auto login = ViewController::create("Login");
    auto modal = NavigationController::create(login);
    root->presentViewController(modal, Animated::No);
    auto reset = ViewController::create("Reset password");
    modal->pushViewController(reset, Animated::Yes);

    EXPECT_TRUE(window->back()); // pops inside the modal stack
    EXPECT_EQ(window->visibleViewController(), login);
    EXPECT_TRUE(window->back()); // dismisses the modal
    EXPECT_EQ(window->visibleViewController(), root);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_FALSE(window->back()); // at the root
}

TEST(Window, PresentRefusesControllersShownElsewhere)
{
    auto a = ViewController::create("A");
    auto nav = NavigationController::create(ViewController::create("Root"));
    a->presentViewController(nav->topViewController(), Animated::No);
    EXPECT_EQ(a->presentedViewController(), nullptr);
    a->presentViewController(a, Animated::No);
    EXPECT_EQ(a->presentedViewController(), nullptr);
}

TEST(Window, DismissedModalIsFreedAndPresenterIsHeldWeakly)
{
    auto a = ViewController::create("A");
    std::weak_ptr<ViewController> weakModal;
    {
        auto modal = ViewController::create("Modal");
        weakModal = modal;
        a->presentViewController(modal, Animated::Yes);
    }
    ASSERT_FALSE(weakModal.expired());
    EXPECT_EQ(weakModal.lock()->presentingViewController(), a);
    weakModal.lock()->dismissViewController(Animated::Yes);
    EXPECT_TRUE(weakModal.expired());

    // A modal kept by someone else does not keep its presenter.
    auto kept = ViewController::create("Kept");
    std::weak_ptr<ViewController> weakA = a;
    a->presentViewController(kept, Animated::No);
    a.reset();
    EXPECT_TRUE(weakA.expired());
    EXPECT_EQ(kept->presentingViewController(), nullptr);
}

TEST(Popover, ShownInTheWindowAndDelegateToldOnlyOnTapOutside)
{
    struct Delegate : PopoverControllerDelegate {
        int dismissed { 0 };
        void popoverControllerDidDismissPopover(PopoverController&) override { ++dismissed; }
    };
    auto window = Window::create({ 0, 0, 768, 1024 }, UserInterfaceIdiom::Pad);
    auto page = ViewController::create("Page");
    window->setRootViewController(NavigationController::create(page));
    window->makeKeyAndVisible();
    auto menu = NavigationController::create(ViewController::create("Add"));
    auto popover = PopoverController::create(menu);
    ASSERT_TRUE(popover);
    auto delegate = std::make_shared<Delegate>();
    popover->setDelegate(delegate);
    popover->presentPopoverFromRect({}, *page, PopoverArrow::Any, Animated::Yes);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->permittedArrowDirections(), 15u);
    ASSERT_EQ(window->popovers().size(), 1u);
    EXPECT_TRUE(menu->isVisible());

    popover->dismissPopoverAnimated(Animated::No);
    EXPECT_EQ(delegate->dismissed, 0);
    EXPECT_TRUE(window->popovers().empty());
    EXPECT_FALSE(menu->isVisible());

    popover->presentPopoverFromRect({}, page->view(), PopoverArrow::Up, Animated::No);
    ASSERT_TRUE(popover->isPopoverVisible());
    popover->tapOutside();
    EXPECT_EQ(delegate->dismissed, 1);
    EXPECT_FALSE(popover->isPopoverVisible());
}

