#include "editors/ColorWheelViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;

namespace {

// The colour screen in the text client: `show` prints the wheel's cursor and colour, the
// slider and the wells; `drag` moves a finger over the wheel and `slide` sets the slider.
TEST(TermColourWheel, DragAndSlideChangeWhatShows)
{
    MainQueue::shared().makeCurrentThreadMain();
    auto window = Window::create();
    auto screen = ColorWheelViewController::create({}, Colour { 1, 0.5, 0, 1 });
    window->setRootViewController(NavigationController::create(screen));
    window->makeKeyAndVisible();
    CommandInterpreter interpreter(window);
    auto show = [&] { return interpreter.execute("show").message; };

    // The wheel is 288 points wide in the 320 x 504 screen: radius 143, centre (144, 144).
    std::string shown = show();
    EXPECT_NE(shown.find("Title: Colour"), std::string::npos) << shown;
    EXPECT_NE(shown.find("[colour wheel 0: cursor 144,144 #FFFFFF]"), std::string::npos) << shown;
    EXPECT_NE(shown.find("[slider 0: 1]"), std::string::npos) << shown;
    EXPECT_NE(shown.find("[new colour none]"), std::string::npos) << shown;
    EXPECT_NE(shown.find("[current colour #FF8000]"), std::string::npos) << shown;

    const struct { const char* command; bool ok; const char* expected; } steps[] = {
        { "drag 0 144 144 200 144 400 144", true, "[colour wheel 0: cursor 287,144 #7F00FF]" },
        { "drag 0 144 144 400 144", true, "[new colour #7F00FF]" },
        { "slide 0 0.5", true, "[new colour #3F007F]" },
        { "slide 0 0.5", true, "[slider 0: 0.5]" },
        { "drag 1 10 10", false, nullptr },
        { "drag 0 10", false, nullptr },
        { "slide 3 0.5", false, nullptr },
    };
    for (const auto& step : steps) {
        auto result = interpreter.execute(step.command);
        EXPECT_EQ(result.ok, step.ok) << step.command << ": " << result.message;
        if (step.expected) {
            shown = show();
            EXPECT_NE(shown.find(step.expected), std::string::npos) << step.command << "\n" << shown;
        }
    }
}

} // namespace
