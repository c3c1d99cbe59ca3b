#include "RecordingObserver.h"

#include "ui/NavigationController.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using quindle::test::LoggingController;
using quindle::test::RecordingObserver;

namespace {

struct Stack : ::testing::Test {
    std::shared_ptr<ViewController> root = ViewController::create("Root");
    std::shared_ptr<NavigationController> nav = NavigationController::create(root);
};

}

TEST_F(Stack, PopAtRootDoesNothing)
{
    auto observer = std::make_shared<RecordingObserver>();
    nav->setObserver(observer);
    EXPECT_EQ(nav->popViewController(Animated::Yes), nullptr);
    EXPECT_TRUE(nav->popToRootViewController(Animated::Yes).empty());
    ASSERT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(nav->topViewController(), root);
    EXPECT_TRUE(observer->controllers.empty());
}

TEST_F(Stack, RecordsWhetherTheLastChangeWasAnimated)
{
    auto second = ViewController::create("Second");
    nav->pushViewController(second, Animated::Yes);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    EXPECT_EQ(nav->popViewController(Animated::No), second);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::No);
}

TEST_F(Stack, PushRefusesControllersHeldElsewhere)
{
    auto other = NavigationController::create(ViewController::create("Other root"));
    nav->pushViewController(other->topViewController(), Animated::No);
    nav->pushViewController(root, Animated::No);
    nav->pushViewController(nav, Animated::No);
    nav->pushViewController(nullptr, Animated::No);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(Stack, ControllersPointBackWeaklyAndGoWhenPopped)
{
    std::weak_ptr<ViewController> weakSecond;
    {
        auto second = ViewController::create("Second");
        weakSecond = second;
        nav->pushViewController(second, Animated::Yes);
        EXPECT_EQ(second->navigationController(), nav);
    }
    ASSERT_FALSE(weakSecond.expired());
    nav->popViewController(Animated::Yes);
    EXPECT_TRUE(weakSecond.expired());

    std::weak_ptr<ViewController> weakRoot = root;
    std::weak_ptr<NavigationController> weakNav = nav;
    root.reset();
    nav.reset();
    EXPECT_TRUE(weakNav.expired());
    EXPECT_TRUE(weakRoot.expired());
}

TEST_F(Stack, PoppedControllerNoLongerNamesTheStack)
{
    auto second = ViewController::create("Second");
    nav->pushViewController(second, Animated::No);
    nav->popViewController(Animated::No);
    EXPECT_EQ(second->navigationController(), nullptr);
    // It can go on another stack now.
    auto other = NavigationController::create(second);
    EXPECT_EQ(other->topViewController(), second);
}

TEST_F(Stack, PopToRootReturnsThePoppedLowestFirst)
{
    auto a = ViewController::create("A");
    auto b = ViewController::create("B");
    nav->pushViewController(a, Animated::No);
    nav->pushViewController(b, Animated::No);
    auto popped = nav->popToRootViewController(Animated::Yes);
    ASSERT_EQ(popped.size(), 2u);
    EXPECT_EQ(popped[0], a);
    EXPECT_EQ(popped[1], b);
    EXPECT_EQ(nav->topViewController(), root);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
}

TEST_F(Stack, SetViewControllersKeepsOwnAndDropsDuplicatesAndForeign)
{
    auto a = ViewController::create("A");
    auto foreign = ViewController::create("Foreign");
    auto other = NavigationController::create(foreign);
    nav->setViewControllers({ a, root, a, foreign, nullptr }, Animated::No);
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    EXPECT_EQ(nav->viewControllers()[0], a);
    EXPECT_EQ(nav->viewControllers()[1], root);
    EXPECT_EQ(foreign->navigationController(), other);
    nav->setViewControllers({ a }, Animated::No);
    EXPECT_EQ(root->navigationController(), nullptr);
}

TEST_F(Stack, SettingTheSameStackReportsNothing)
{
    auto observer = std::make_shared<RecordingObserver>();
    nav->setObserver(observer);
    nav->setViewControllers({ root }, Animated::Yes);
    EXPECT_TRUE(observer->controllers.empty());
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::No);
}

TEST_F(Stack, ObserverToldOncePerPushAndPop)
{
    auto observer = std::make_shared<RecordingObserver>();
    nav->setObserver(observer);
    nav->pushViewController(ViewController::create("Second"), Animated::Yes);
    ASSERT_EQ(observer->controllers.size(), 1u);
    EXPECT_EQ(observer->controllers[0].controller, nav.get());
    EXPECT_EQ(observer->controllers[0].change, ControllerChange::Stack);
    EXPECT_EQ(observer->controllers[0].animated, Animated::Yes);
    nav->popViewController(Animated::No);
    ASSERT_EQ(observer->controllers.size(), 2u);
    EXPECT_EQ(observer->controllers[1].animated, Animated::No);
}

TEST_F(Stack, PresentedModalCountsAsVisible)
{
    auto second = ViewController::create("Second");
    nav->pushViewController(second, Animated::No);
    EXPECT_EQ(nav->visibleViewController(), second);
    auto modal = NavigationController::create(ViewController::create("Login"));
    second->presentViewController(modal, Animated::Yes);
    EXPECT_EQ(nav->visibleViewController(), modal->topViewController());
    EXPECT_EQ(nav->topViewController(), second);
    modal->topViewController()->dismissViewController(Animated::Yes);
    EXPECT_EQ(nav->visibleViewController(), second);
}

TEST(NavigationAppearance, OnlyTheTopAppearsAndOnlyInAVisibleWindow)
{
    std::vector<std::string> log;
    auto a = LoggingController::create("A", log);
    auto b = LoggingController::create("B", log);
    auto nav = NavigationController::create(a);
    nav->pushViewController(b, Animated::No);
    EXPECT_TRUE(log.empty());

    auto window = Window::create();
    window->setRootViewController(nav);
    EXPECT_TRUE(log.empty());
    window->makeKeyAndVisible();
    EXPECT_EQ(log, (std::vector<std::string> { "+B" }));
    EXPECT_FALSE(a->isVisible());

    nav->popViewController(Animated::Yes);
    EXPECT_EQ(log, (std::vector<std::string> { "+B", "-B", "+A" }));
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(b->isVisible());
}

TEST(NavigationAppearance, ModalAppearsAndGoesWithItsPresenterChain)
{
    std::vector<std::string> log;
    auto a = LoggingController::create("A", log);
    auto window = Window::create();
    window->setRootViewController(NavigationController::create(a));
    window->makeKeyAndVisible();
    auto m1 = LoggingController::create("M1", log);
    auto m2 = LoggingController::create("M2", log);
    a->presentViewController(m1, Animated::Yes);
    a->presentViewController(m2, Animated::Yes); // goes on top of M1
    EXPECT_EQ(m1->presentedViewController(), m2);
    EXPECT_EQ(window->visibleViewController(), m2);
    a->dismissViewController(Animated::No);
    EXPECT_EQ(log, (std::vector<std::string> { "+A", "+M1", "+M2", "-M2", "-M1" }));
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_EQ(a->lastPresentationAnimated(), Animated::No);
}

