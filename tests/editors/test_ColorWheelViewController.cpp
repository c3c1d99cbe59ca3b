#include "editors/ColorWheelViewController.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

namespace quindle {
namespace {

TEST(ColorWheelViewController, LaysOutTheWheelSliderAndWells)
{
    auto screen = ColorWheelViewController::create({}, Colour { 0.2, 0.4, 0.6, 1 });
    screen->view()->setFrame({ 0, 0, 400, 600 });
    EXPECT_EQ(screen->title(), "Colour");
    ASSERT_TRUE(screen->rightBarButtonItem());
    EXPECT_EQ(screen->rightBarButtonItem()->title(), "Save");
    EXPECT_EQ(screen->colorWheel()->frame(), (Rect { 20, 60, 360, 360 }));
    EXPECT_EQ(screen->brightnessSlider()->frame(), (Rect { 160, 540, 200, 60 }));
    EXPECT_EQ(screen->wellView()->frame(), (Rect { 40, 480, 80, 48 }));
    EXPECT_EQ(screen->currentWellView()->frame(), (Rect { 40, 540, 80, 48 }));
    EXPECT_EQ(screen->brightnessSlider()->value(), 1.0);
    EXPECT_EQ(screen->brightnessSlider()->maximumValue(), 1.0);
    EXPECT_EQ(screen->currentWellView()->colour(), (Colour { 0.2, 0.4, 0.6, 1 }));
    EXPECT_EQ(screen->currentWellView()->borderWidth(), 1.0);
    EXPECT_FALSE(screen->wellView()->colour()); // empty until the first change
    EXPECT_TRUE(screen->colorWheel()->continuous());
    EXPECT_EQ(screen->colorWheel()->touchPoint(), (Point { 180, 180 }));
}

TEST(ColorWheelViewController, DragsAndBrightnessFillTheNewWellAndSaveReportsIt)
{
    std::vector<Colour> reported;
    auto screen = ColorWheelViewController::create([&](Colour colour) { reported.push_back(colour); });
    auto window = Window::create();
    auto stack = NavigationController::create(ViewController::create("Opener"));
    window->setRootViewController(stack);
    window->makeKeyAndVisible();
    stack->pushViewController(screen, Animated::No);
    ASSERT_TRUE(screen->leftBarButtonItem()); // a phone gets Cancel

    // A save before any touch reports white at the current brightness.
    screen->save();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], Colour::white());

    auto wheel = screen->colorWheel();
    Point centre = wheel->touchPoint();
    wheel->beginTouch({ centre.x + wheel->radius(), centre.y }); // right of centre on the rim: hue 0.75
    EXPECT_EQ(screen->wellView()->colour(), (Colour { 127 / 255.0, 0, 1, 1 }));
    wheel->endTouch({ centre.x + wheel->radius(), centre.y });
    screen->brightnessSlider()->slide(0.5);
    EXPECT_EQ(wheel->brightness(), 0.5f);
    EXPECT_EQ(screen->wellView()->colour(), (Colour { 63 / 255.0, 0, 127 / 255.0, 1 }));
    EXPECT_EQ(wheel->radialImage().pixels->at(0), wheel->colorAtPoint({ 0, 0 }) & 0xFF); // raster at the new brightness

    screen->save();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1], (Colour { 63 / 255.0, 0, 127 / 255.0, 1 }));
    EXPECT_EQ(stack->topViewController(), screen); // the opener closes it

    screen->leftBarButtonItem()->press();
    EXPECT_NE(stack->topViewController(), screen);
    EXPECT_EQ(reported.size(), 2u);
}

TEST(ColorWheelViewController, NoCancelButtonOnALargeScreen)
{
    auto screen = ColorWheelViewController::create();
    auto window = Window::create(Window::defaultBounds, UserInterfaceIdiom::Pad);
    auto stack = NavigationController::create(screen);
    window->setRootViewController(stack);
    window->makeKeyAndVisible();
    EXPECT_FALSE(screen->leftBarButtonItem());
}

} // namespace
} // namespace quindle
