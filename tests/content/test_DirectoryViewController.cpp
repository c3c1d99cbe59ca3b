// The directory page screen: what loading, appearing and leaving ask of the data source, the
// header picture, the selection guard, and the item edit and reorder modes.
#include "content/DirectoryViewController.h"

#include "content/ContentFixture.h"
#include "content/DataManager.h"
#include "core/Model.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class DirectoryViewControllerTest : public ::testing::Test {
protected:
    /// Puts the screen at the root of a stack in a visible window, so it appears.
    void show()
    {
        nav = NavigationController::create(screen);
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
    }
    int count(const std::string& call) const { return static_cast<int>(std::count(source->calls.begin(), source->calls.end(), call)); }

    ShellGuard shellGuard;
    std::shared_ptr<RecordingDataSource> source = RecordingDataSource::create();
    std::shared_ptr<DirectoryViewController> screen = DirectoryViewController::create();
    std::shared_ptr<NavigationController> nav;
    std::shared_ptr<Window> window = Window::create();
};

} // namespace

TEST_F(DirectoryViewControllerTest, LoadingWiresTheSourcePullToRefreshAndTheHeaderPicture)
{
    screen->setDataSource(source);
    EXPECT_TRUE(source->calls.empty()); // nothing before the view is asked for
    auto table = screen->tableView();
    EXPECT_EQ(table->delegate().get(), static_cast<TableViewDelegate*>(screen.get()));
    EXPECT_EQ(source->registeredTable.lock(), table);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_EQ(table->heightForRowAtIndexPath({ 0, 2 }), 32); // the source's height
    EXPECT_FALSE(table->tableHeaderView());
    // A source handed over after loading is wired and registered as well.
    auto other = RecordingDataSource::create(5);
    screen->setDataSource(other);
    EXPECT_EQ(other->registeredTable.lock(), table);
    EXPECT_EQ(table->numberOfRowsInSection(0), 5);
    // Pulling reloads through the source and stops the spinner at once, ready for the next pull.
    EXPECT_TRUE(table->pullToRefresh());
    EXPECT_EQ(std::count(other->calls.begin(), other->calls.end(), "reload"), 1);
    EXPECT_FALSE(table->refreshControl()->isRefreshing());
    EXPECT_TRUE(table->pullToRefresh());

    auto picture = Image::create(2, 1, std::vector<uint8_t>(8, 255));
    screen->setHeaderImage(picture);
    auto header = std::dynamic_pointer_cast<ImageView>(table->tableHeaderView());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->frame().height, 160);
    EXPECT_EQ(header->image(), picture);
    screen->setHeaderImage(nullptr);
    EXPECT_FALSE(table->tableHeaderView());
}

TEST_F(DirectoryViewControllerTest, AppearingActivatesTheSourceShowsTheBarAndResetsTabsLeavingDeactivates)
{
    screen->setTitle("Home");
    screen->setDataSource(source);
    auto tab = ViewController::create("Tab");
    screen->setTabbar({ tab });
    show();
    ASSERT_TRUE(nav);
    nav->setNavigationBarHidden(BarVisibility::Hidden);
    // Appearing again after a pushed screen is popped.
    nav->pushViewController(ViewController::create("Next"), Animated::No);
    EXPECT_EQ(source->calls.back(), "isInactive");
    nav->popViewController(Animated::No);

    EXPECT_FALSE(nav->isNavigationBarHidden());
    EXPECT_EQ(count("isActive"), 2);
    EXPECT_EQ(count("isInactive"), 1);
    EXPECT_EQ(count("configureBarbuttons:Home"), 2);
    // The bar buttons are set after the source is active.
    auto active = std::find(source->calls.begin(), source->calls.end(), "isActive");
    auto buttons = std::find(source->calls.begin(), source->calls.end(), "configureBarbuttons:Home");
    EXPECT_LT(active, buttons);
    ASSERT_EQ(shellGuard.shell->resets.size(), 2u);
    EXPECT_EQ(shellGuard.shell->resets.front(), std::vector<std::shared_ptr<ViewController>>({ tab }));

    // Back on the page, the coordinator answers to it again after having followed another screen.
    source->manager = DataManager::create(nullptr, Model::defaultInstance());
    nav->pushViewController(ViewController::create("Event"), Animated::No);
    source->manager->setViewController(std::weak_ptr<DataManagerScreen>());
    nav->popViewController(Animated::No);
    EXPECT_EQ(source->manager->viewController().get(), static_cast<DataManagerScreen*>(screen.get()));

    // A page without tabs leaves the tab bar alone.
    auto plain = DirectoryViewController::create();
    plain->setDataSource(RecordingDataSource::create());
    nav->pushViewController(plain, Animated::No);
    EXPECT_EQ(shellGuard.shell->resets.size(), 3u);
}

TEST_F(DirectoryViewControllerTest, SecondSelectionIsIgnoredUntilTheScreenAppearsAgain)
{
    screen->setDataSource(source);
    show();
    auto table = screen->tableView();
    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_TRUE(screen->hasSelected());
    table->selectRow({ 0, 2 });
    ASSERT_EQ(source->selections.size(), 1u);
    EXPECT_EQ(source->selections[0].screen.lock().get(), static_cast<DataManagerScreen*>(screen.get()));
    EXPECT_EQ(source->selections[0].path.row, 1);
    EXPECT_FALSE(source->selections[0].editMode);

    nav->pushViewController(ViewController::create("Opened"), Animated::No);
    nav->popViewController(Animated::No);
    EXPECT_FALSE(screen->hasSelected());
    // A tap that opens nothing leaves the page taking taps.
    source->selectionOpens = false;
    table->selectRow({ 0, 2 });
    EXPECT_FALSE(screen->hasSelected());
    source->selectionOpens = true;
    source->selections.clear();
    table->selectRow({ 0, 1 });
    ASSERT_EQ(source->selections.size(), 1u);
    screen->selectionEnded(); // its load is over, whatever it brought
    screen->editTable(); // item edit mode: the selection says so
    table->selectRow({ 0, 0 });
    ASSERT_EQ(source->selections.size(), 2u);
    EXPECT_TRUE(source->selections[1].editMode);
}

TEST_F(DirectoryViewControllerTest, EditTableTogglesItemModeOrOnlyEndsReorderingAndDoneLeavesBoth)
{
    screen->setDataSource(source);
    auto table = screen->tableView();
    screen->editTable();
    EXPECT_TRUE(screen->editMode());
    EXPECT_TRUE(source->isEditing());
    screen->editTable();
    EXPECT_FALSE(screen->editMode());
    EXPECT_FALSE(source->isEditing());

    screen->setTableEditing(true, Animated::Yes);
    EXPECT_TRUE(screen->isTableEditing());
    source->calls.clear();
    screen->editTable(); // ends reordering, touches nothing else
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(table->lastEditingAnimated(), Animated::Yes);
    EXPECT_FALSE(screen->editMode());
    EXPECT_TRUE(source->calls.empty());

    screen->editTable();
    screen->setTableEditing(true, Animated::No);
    screen->done();
    EXPECT_FALSE(screen->editMode());
    EXPECT_FALSE(screen->isTableEditing());
    EXPECT_EQ(source->calls.back(), "setIsEditing:NO");
}
