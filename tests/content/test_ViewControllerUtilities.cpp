// The shared presenter: modal on a phone (or with no window to ask), popover on a pad.
#include "content/ViewControllerUtilities.h"

#include "ui/NavigationController.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <thread>

using namespace quindle;

TEST(ViewControllerUtilitiesTest, PhoneOrNoWindowPresentsModallyAndPadShowsAKeptPopover)
{
    auto utilities = ViewControllerUtilities::defaultInstance();
    std::vector<std::shared_ptr<ViewControllerUtilities>> seen(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = ViewControllerUtilities::defaultInstance(); });
    for (auto& thread : threads)
        thread.join();
    for (auto& instance : seen)
        EXPECT_EQ(instance, utilities);

    auto presentIn = [&](UserInterfaceIdiom idiom) {
        auto window = Window::create(Window::defaultBounds, idiom);
        auto page = ViewController::create("Page");
        window->setRootViewController(NavigationController::create(page));
        return std::make_pair(window, page);
    };
    auto [phone, page] = presentIn(UserInterfaceIdiom::Phone);
    auto loose = ViewController::create("Not in a window");
    for (auto& presenting : { page, loose }) {
        auto menu = ViewController::create("Menu");
        EXPECT_FALSE(utilities->presentPopoverWithController(menu, nullptr, {}, {}, PopoverArrow::Any, presenting));
        EXPECT_EQ(presenting->presentedViewController(), menu);
        presenting->dismissViewController(Animated::No);
        EXPECT_FALSE(presenting->presentedViewController());
    }
    EXPECT_TRUE(utilities->popups().empty());

    auto [pad, padPage] = presentIn(UserInterfaceIdiom::Pad);
    auto menu = ViewController::create("Menu");
    auto popover = utilities->presentPopoverWithController(menu, nullptr, {}, {}, PopoverArrow::Any, padPage);
    ASSERT_TRUE(popover);
    EXPECT_EQ(popover->contentViewController(), menu);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->permittedArrowDirections(), PopoverArrow::Any);
    EXPECT_FALSE(padPage->presentedViewController());
    ASSERT_EQ(utilities->popups().size(), 1u);
    EXPECT_EQ(utilities->popups()[0], popover);
}
