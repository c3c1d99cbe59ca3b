#include "RecordingObserver.h"

#include "ui/NavigationController.h"

#include <gtest/gtest.h>

using namespace quindle;
using quindle::test::RecordingObserver;

TEST(BarButtons, PressRunsTheActionUnlessDisabled)
{
    int presses = 0;
    auto item = BarButtonItem::create(SystemItem::Edit, [&] { ++presses; });
    item->press();
    item->setEnabled(false);
    item->press();
    EXPECT_EQ(presses, 1);
    BarButtonItem::create(SystemItem::Add, nullptr)->press(); // no action: nothing to call
}

TEST(BarButtons, ActionMayReplaceTheButtonsThatHoldIt)
{
    auto screen = ViewController::create("Page");
    bool ran = false;
    screen->setRightBarButtonItem(BarButtonItem::create(SystemItem::Edit, [&] {
        screen->setRightBarButtonItem(BarButtonItem::create(SystemItem::Done, nullptr));
        ran = true;
    }));
    screen->rightBarButtonItem()->press();
    EXPECT_TRUE(ran);
    EXPECT_EQ(screen->rightBarButtonItem()->systemItem(), SystemItem::Done);
}

TEST(BarButtons, ChangesReportedOncePerChange)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto screen = ViewController::create("Page");
    screen->setObserver(observer);
    auto add = BarButtonItem::create(SystemItem::Add, nullptr);
    auto edit = BarButtonItem::create(SystemItem::Edit, nullptr);
    screen->setRightBarButtonItems({ add, edit });
    screen->setRightBarButtonItems({ add, edit });
    screen->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, nullptr));
    screen->setRightBarButtonItem(nullptr);
    EXPECT_TRUE(screen->rightBarButtonItems().empty());
    EXPECT_EQ(screen->rightBarButtonItem(), nullptr);
    EXPECT_EQ(observer->countControllers(ControllerChange::BarButtons), 3u);
    screen->setTitle("Page");
    screen->setTitle("Other");
    EXPECT_EQ(observer->countControllers(ControllerChange::Title), 1u);
}

TEST(ControllerObserver, FoundThroughTheContainerChain)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto screen = ViewController::create("Page");
    auto nav = NavigationController::create(screen);
    nav->setObserver(observer);
    screen->setTitle("Renamed");
    ASSERT_EQ(observer->controllers.size(), 1u);
    EXPECT_EQ(observer->controllers[0].controller, screen.get());
    // Views of the screen report there too.
    auto label = View::create();
    screen->view()->addSubview(label);
    label->setHidden(true);
    EXPECT_EQ(observer->countViews(*label, ChangeKind::Visibility), 1u);
}

