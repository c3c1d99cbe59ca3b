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

TEST_F(HidingNavTest, LoadingBuildsTheHeaderTheSixButtonsAndTheTableUnderTheHeader)
{
    auto table = screen->tableView();
    EXPECT_EQ(table->rowHeight(), 42);
    EXPECT_EQ(source->registeredTable.lock(), table);
    std::vector<std::pair<std::string, bool>> buttons;
    for (auto& button : { screen->loginButton(), screen->editButton(), screen->addButton(), screen->doneButton(), screen->backButton(),
             screen->imageEditButton() })
        buttons.emplace_back(button->title(), !button->isHidden());
    EXPECT_EQ(buttons, (std::vector<std::pair<std::string, bool>> {
                           { "Login", false }, { "Edit", true }, { "Add", false }, { "Done", false }, { "< Back", true }, { "Change picture", true } }));
    // "< Back" left and "Edit" right, 15 down and 50 high; the picture area under them.
    const Rect bounds = screen->view()->bounds();
    EXPECT_EQ(screen->navBarView()->frame(), (Rect { 0, 0, bounds.width, 200 }));
    EXPECT_EQ(table->frame(), (Rect { 0, 200, bounds.width, bounds.height - 200 }));
    auto back = screen->backButton()->frame(), edit = screen->editButton()->frame();
    EXPECT_EQ(std::make_pair(back.y, back.height), std::make_pair(15.0, 50.0));
    EXPECT_EQ(std::make_pair(edit.y, edit.height), std::make_pair(15.0, 50.0));
    EXPECT_LT(back.x + back.width, edit.x);
    EXPECT_LE(edit.x + edit.width, bounds.width);
    EXPECT_EQ(screen->imageEditButton()->frame(), (Rect { 0, 65, bounds.width, 100 }));
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
    EXPECT_EQ(source->selections[0].screen.lock().get(), static_cast<DataManagerScreen*>(screen.get()));
    EXPECT_EQ(source->selections[1].path.row, 3);
    EXPECT_EQ(screen->tableView()->heightForRowAtIndexPath({ 0, 1 }), 31);

    ASSERT_TRUE(screen->imageEditButton()->tap());
    EXPECT_EQ(source->calls.back(), "changeImage");
    ASSERT_TRUE(screen->backButton()->tap());
    EXPECT_EQ(nav->topViewController(), opener);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
}
