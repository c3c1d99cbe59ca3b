// The event screen: its own header bar and buttons, the header height following the table's
// scrolling, and Edit/Done.
#include "content/HidingNavTableViewController.h"

#include "content/ContentFixture.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class HidingNavTest : public ::testing::Test {
protected:
    void scroll(double y) { screen->tableView()->scrollTo({ 0, y }); }
    /// Every rule the header's height is set by.
    std::vector<std::string> heightRules() const
    {
        std::vector<std::string> out;
        for (auto& rule : screen->view()->layoutRules())
            if (rule.rfind("V:[_navBarView(", 0) == 0)
                out.push_back(rule);
        return out;
    }

    std::shared_ptr<RecordingDataSource> source = RecordingDataSource::create(4);
    std::shared_ptr<HidingNavTableViewController> screen = HidingNavTableViewController::create(source, 42);
};

} // namespace

TEST_F(HidingNavTest, LoadingBuildsTheHeaderTheSixButtonsAndTheTable)
{
    auto table = screen->tableView();
    EXPECT_EQ(table->rowHeight(), 42);
    EXPECT_EQ(table->dataSource(), source);
    EXPECT_EQ(table->delegate().get(), static_cast<TableViewDelegate*>(screen.get()));
    EXPECT_EQ(source->registeredTable.lock(), table);
    EXPECT_EQ(screen->navBarView()->imageName(), "selectImage.png");
    EXPECT_EQ(screen->navBarView()->contentMode(), ContentMode::AspectFill);

    struct Expected {
        std::shared_ptr<Button> button;
        std::string title;
        bool visible;
    };
    for (auto& [button, title, visible] : std::vector<Expected> { { screen->loginButton(), "Login", false }, { screen->editButton(), "Edit", true },
             { screen->addButton(), "Add", false }, { screen->doneButton(), "Done", false }, { screen->backButton(), "< Back", true },
             { screen->imageEditButton(), "", true } }) {
        ASSERT_TRUE(button);
        EXPECT_EQ(button->title(), title);
        EXPECT_EQ(button->isHidden(), !visible) << title;
        EXPECT_EQ(button->superview(), screen->view()) << title;
        EXPECT_EQ(button->titleColour(), Colour::black()) << title;
    }
    // Header full width at the top, table under it; "< Back" left and "Edit" right, 15 down and
    // 50 high; the picture area full width and 100 high under the top buttons.
    const double width = screen->view()->bounds().width;
    EXPECT_EQ(screen->navBarView()->frame(), (Rect { 0, 0, width, 200 }));
    EXPECT_EQ(table->frame().y, 200);
    EXPECT_EQ(table->frame().y + table->frame().height, screen->view()->bounds().height);
    auto back = screen->backButton()->frame();
    auto edit = screen->editButton()->frame();
    EXPECT_EQ(back.y, 15);
    EXPECT_EQ(back.height, 50);
    EXPECT_LT(back.x, width / 2);
    EXPECT_EQ(edit.y, 15);
    EXPECT_EQ(edit.height, 50);
    EXPECT_GT(edit.x, width / 2);
    EXPECT_LE(edit.x + edit.width, width);
    EXPECT_EQ(screen->imageEditButton()->frame(), (Rect { 0, 65, width, 100 }));
    EXPECT_EQ(heightRules(), std::vector<std::string>({ "V:[_navBarView(200)]" }));
}

TEST_F(HidingNavTest, HeaderShrinksAndGrowsWithScrollingWithinItsFullHeight)
{
    EXPECT_EQ(screen->navBarHeight(), 200);
    scroll(50);
    EXPECT_EQ(screen->navBarHeight(), 150);
    scroll(350);
    EXPECT_EQ(screen->navBarHeight(), 0);
    EXPECT_EQ(screen->currentNavBarHeight(), 0);
    scroll(270);
    EXPECT_EQ(screen->navBarHeight(), 80);
    EXPECT_EQ(screen->tableView()->frame().y, 80);
    scroll(0);
    EXPECT_EQ(screen->navBarHeight(), 200); // 80 + 270 is held at the full height
    scroll(-40); // pulling below the top
    EXPECT_EQ(screen->navBarHeight(), 200);
    EXPECT_EQ(screen->lastScrollOffset(), 0);
    scroll(30);
    EXPECT_EQ(screen->navBarHeight(), 170);
    EXPECT_EQ(heightRules(), std::vector<std::string>({ "V:[_navBarView(170)]" }));
    EXPECT_EQ(screen->heightConstraint(), "V:[_navBarView(170)]");
}

TEST_F(HidingNavTest, EditTurnsIntoDoneWithoutReloadingAndDoneReloadsAndRestoresEdit)
{
    screen->tableView()->layoutAllRows();
    auto shown = screen->tableView()->cellForRowAtIndexPath({ 0, 0 });
    ASSERT_TRUE(shown);
    ASSERT_TRUE(screen->editButton()->tap());
    EXPECT_EQ(screen->editButton()->title(), "Done");
    EXPECT_TRUE(screen->editMode());
    EXPECT_TRUE(source->isEditing());
    EXPECT_EQ(screen->tableView()->cellForRowAtIndexPath({ 0, 0 }), shown); // not reloaded

    ASSERT_TRUE(screen->editButton()->tap());
    EXPECT_EQ(screen->editButton()->title(), "Edit");
    EXPECT_FALSE(source->isEditing());
    EXPECT_FALSE(screen->tableView()->cellForRowAtIndexPath({ 0, 0 })); // reloaded: cells dropped

    // The coordinator's done leaves item edit mode the same way.
    screen->editTable();
    screen->done();
    EXPECT_FALSE(screen->editMode());
    EXPECT_EQ(screen->editButton()->title(), "Edit");
}

TEST_F(HidingNavTest, SelectionNeverCarriesEditModeAndButtonsReachTheSourceAndTheStack)
{
    auto opener = ViewController::create("Page");
    auto nav = NavigationController::create(opener);
    auto window = Window::create();
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    nav->pushViewController(screen, Animated::No);
    EXPECT_TRUE(nav->isNavigationBarHidden());

    screen->editAction();
    screen->tableView()->selectRow({ 0, 2 });
    screen->tableView()->selectRow({ 0, 3 }); // no guard on this screen
    ASSERT_EQ(source->selections.size(), 2u);
    EXPECT_FALSE(source->selections[0].editMode);
    EXPECT_EQ(source->selections[0].screen.get(), static_cast<DataManagerScreen*>(screen.get()));
    EXPECT_EQ(source->selections[1].path.row, 3);
    EXPECT_EQ(screen->tableView()->heightForRowAtIndexPath({ 0, 1 }), 31);

    ASSERT_TRUE(screen->imageEditButton()->tap());
    EXPECT_EQ(source->calls.back(), "changeImage");
    ASSERT_TRUE(screen->backButton()->tap());
    EXPECT_EQ(nav->topViewController(), opener);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
}
