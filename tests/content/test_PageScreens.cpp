// The page screens: the directory page, the event screen with its hiding header, the shared
// presenter and the video screen in a bare table screen.
#include "content/DirectoryViewController.h"
#include "content/HidingNavTableViewController.h"
#include "content/TableViewController.h"
#include "content/ViewControllerUtilities.h"
#include "content/YTTextFieldCell.h"
#include "content/YoutubeVideoCell.h"
#include "content/YoutubeVideoDataSource.h"

#include "content/ContentFixture.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

class DirectoryViewControllerTest : public ModelFixture {
protected:
    DirectoryViewControllerTest() { screen->setDataSource(source); }
    /// Shows `screen` at the root of a stack in a visible window.
    std::shared_ptr<NavigationController> show(const std::shared_ptr<ViewController>& bottom)
    {
        auto nav = NavigationController::create(bottom);
        window = Window::create();
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
        return nav;
    }
    int count(const std::string& call) const { return static_cast<int>(std::ranges::count(source->calls, call)); }

    ShellGuard shellGuard;
    std::shared_ptr<RecordingDataSource> source = RecordingDataSource::create();
    std::shared_ptr<DirectoryViewController> screen = DirectoryViewController::create();
    std::shared_ptr<Window> window;
};
using HidingNavTest = DirectoryViewControllerTest;
using VideoScreen = DirectoryViewControllerTest;

} // namespace

TEST_F(DirectoryViewControllerTest, LoadingWiresTheSourcePullToRefreshAndTheHeaderPicture)
{
    EXPECT_TRUE(source->calls.empty()); // the page's source: nothing before the view is asked for
    auto table = screen->tableView();
    EXPECT_EQ(table->delegate().get(), static_cast<TableViewDelegate*>(screen.get()));
    EXPECT_EQ(source->registeredTable.lock(), table);
    EXPECT_EQ(table->heightForRowAtIndexPath({ 0, 2 }), 32); // the source's height
    // A source handed over after loading is wired and registered as well; pulling reloads through
    // it and stops the spinner at once, ready for the next pull.
    auto other = RecordingDataSource::create(5);
    screen->setDataSource(other);
    EXPECT_EQ(table->numberOfRowsInSection(0), 5);
    EXPECT_TRUE(table->pullToRefresh());
    EXPECT_FALSE(table->refreshControl()->isRefreshing());
    EXPECT_TRUE(table->pullToRefresh());
    EXPECT_EQ(other->calls, std::vector<std::string>({ "registerCells", "reload", "reload" }));
    auto picture = Image::create(2, 1, std::vector<uint8_t>(8, 255));
    screen->setHeaderImage(picture);
    auto header = std::dynamic_pointer_cast<ImageView>(table->tableHeaderView());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->image(), picture);
    screen->setHeaderImage(nullptr);
    EXPECT_FALSE(table->tableHeaderView());
}

TEST_F(DirectoryViewControllerTest, AppearingActivatesTheSourceShowsTheBarAndResetsTabsLeavingDeactivates)
{
    screen->setTitle("Home");
    auto tab = ViewController::create("Tab");
    screen->setTabbar({ tab });
    auto nav = show(screen);
    nav->setNavigationBarHidden(BarVisibility::Hidden);
    // Appearing again after a pushed screen is popped.
    nav->pushViewController(ViewController::create("Next"), Animated::No);
    EXPECT_EQ(source->calls.back(), "isInactive");
    nav->popViewController(Animated::No);
    EXPECT_FALSE(nav->isNavigationBarHidden());
    EXPECT_EQ(std::make_tuple(count("isActive"), count("isInactive"), count("configureBarbuttons:Home")), std::make_tuple(2, 1, 2));
    // The bar buttons are set after the source is active.
    EXPECT_LT(std::ranges::find(source->calls, "isActive"), std::ranges::find(source->calls, "configureBarbuttons:Home"));
    ASSERT_EQ(shellGuard.shell->resets.size(), 2u);
    EXPECT_EQ(shellGuard.shell->resets.front(), std::vector<std::shared_ptr<ViewController>>({ tab }));
    // A page without tabs leaves the tab bar alone.
    auto plain = DirectoryViewController::create();
    plain->setDataSource(RecordingDataSource::create());
    nav->pushViewController(plain, Animated::No);
    EXPECT_EQ(shellGuard.shell->resets.size(), 2u);
}

TEST_F(DirectoryViewControllerTest, SecondSelectionIsIgnoredUntilTheScreenAppearsAgainAndEditTogglesTheModes)
{
    auto nav = show(screen);
    auto table = screen->tableView();
    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_TRUE(screen->hasSelected());
    table->selectRow({ 0, 2 });
    ASSERT_EQ(source->selections.size(), 1u);
    EXPECT_EQ(source->selections[0].screen.lock().get(), static_cast<DataManagerScreen*>(screen.get()));
    EXPECT_EQ(std::make_tuple(source->selections[0].path.row, source->selections[0].editMode), std::make_tuple(1, false));
    nav->pushViewController(ViewController::create("Opened"), Animated::No);
    nav->popViewController(Animated::No);
    EXPECT_FALSE(screen->hasSelected());
    table->selectRow({ 0, 1 });
    ASSERT_EQ(source->selections.size(), 2u);
    screen->selectionEnded(); // its load is over, whatever it brought
    // Edit toggles item edit mode, and the selection says so; reordering is ended on its own, and
    // done leaves both.
    screen->editTable();
    EXPECT_TRUE(screen->editMode() && source->isEditing());
    table->selectRow({ 0, 0 });
    ASSERT_EQ(source->selections.size(), 3u);
    EXPECT_TRUE(source->selections[2].editMode);
    screen->editTable();
    EXPECT_FALSE(screen->editMode() || source->isEditing());
    screen->setTableEditing(true, Animated::Yes);
    EXPECT_TRUE(screen->isTableEditing());
    source->calls.clear();
    screen->editTable(); // ends reordering, touches nothing else
    EXPECT_FALSE(table->isEditing() || screen->editMode());
    EXPECT_EQ(table->lastEditingAnimated(), Animated::Yes);
    EXPECT_TRUE(source->calls.empty());
    screen->editTable();
    screen->setTableEditing(true, Animated::No);
    screen->done();
    EXPECT_FALSE(screen->editMode() || screen->isTableEditing());
    EXPECT_EQ(source->calls.back(), "setIsEditing:NO");
}

TEST_F(HidingNavTest, TheHeaderHoldsItsButtonsAndShrinksWithScrollingAndEditSelectionsAndButtonsReachTheSourceAndTheStack)
{
    auto rows = RecordingDataSource::create(4);
    auto hiding = HidingNavTableViewController::create(rows, 42);
    // Every rule the header's height is set by.
    auto heightRules = [&] {
        std::vector<std::string> out;
        for (auto& rule : hiding->view()->layoutRules())
            if (rule.rfind("V:[_navBarView(", 0) == 0)
                out.push_back(rule);
        return out;
    };
    auto table = hiding->tableView();
    EXPECT_EQ(rows->registeredTable.lock(), table);
    std::vector<std::pair<std::string, bool>> buttons;
    for (auto& button : { hiding->loginButton(), hiding->editButton(), hiding->addButton(), hiding->doneButton(), hiding->backButton(),
             hiding->imageEditButton() })
        buttons.emplace_back(button->title(), !button->isHidden());
    EXPECT_EQ(buttons, (std::vector<std::pair<std::string, bool>> {
                           { "Login", false }, { "Edit", true }, { "Add", false }, { "Done", false }, { "< Back", true }, { "Change picture", true } }));
    const Rect bounds = hiding->view()->bounds();
    EXPECT_EQ(hiding->navBarView()->frame(), (Rect { 0, 0, bounds.width, 200 }));
    EXPECT_EQ(heightRules(), std::vector<std::string>({ "V:[_navBarView(200)]" }));
    // Scrolling down by d takes d off the header, up adds it back; -40 pulls below the top.
    const std::pair<double, double> steps[] = { { 50, 150 }, { 350, 0 }, { 270, 80 }, { 0, 200 }, { -40, 200 }, { 30, 170 } };
    for (const auto& [offset, height] : steps) {
        hiding->tableView()->scrollTo({ 0, offset });
        EXPECT_EQ(std::make_pair(hiding->navBarHeight(), hiding->currentNavBarHeight()), std::make_pair(height, height)) << offset;
        EXPECT_EQ(table->frame(), (Rect { 0, height, bounds.width, bounds.height - height })) << offset;
        if (offset < 0) {
            EXPECT_EQ(hiding->lastScrollOffset(), 0);
        }
    }
    EXPECT_EQ(heightRules(), std::vector<std::string>({ "V:[_navBarView(170)]" }));
    EXPECT_EQ(hiding->heightConstraint(), "V:[_navBarView(170)]");
    // Edit turns into Done without reloading; Done reloads.
    hiding->tableView()->layoutAllRows();
    auto shown = hiding->tableView()->cellForRowAtIndexPath({ 0, 0 });
    ASSERT_TRUE(shown);
    ASSERT_TRUE(hiding->editButton()->tap());
    EXPECT_TRUE(hiding->editButton()->title() == "Done" && hiding->editMode() && rows->isEditing());
    EXPECT_EQ(hiding->tableView()->cellForRowAtIndexPath({ 0, 0 }), shown); // not reloaded
    ASSERT_TRUE(hiding->editButton()->tap());
    EXPECT_TRUE(hiding->editButton()->title() == "Edit" && !rows->isEditing());
    EXPECT_FALSE(hiding->tableView()->cellForRowAtIndexPath({ 0, 0 })); // reloaded: cells dropped
    // The coordinator's done leaves item edit mode the same way.
    hiding->editTable();
    hiding->done();
    EXPECT_TRUE(!hiding->editMode() && hiding->editButton()->title() == "Edit");
    // Selection never carries edit mode; the buttons reach the source and the stack.
    auto opener = ViewController::create("Page");
    auto nav = show(opener);
    nav->pushViewController(hiding, Animated::No);
    EXPECT_TRUE(nav->isNavigationBarHidden());
    hiding->editAction();
    hiding->tableView()->selectRow({ 0, 2 });
    hiding->tableView()->selectRow({ 0, 3 }); // no guard on this screen
    ASSERT_EQ(rows->selections.size(), 2u);
    EXPECT_EQ(std::make_tuple(rows->selections[0].editMode, rows->selections[0].screen.lock().get(), rows->selections[1].path.row),
        std::make_tuple(false, static_cast<DataManagerScreen*>(hiding.get()), 3));
    EXPECT_EQ(hiding->tableView()->heightForRowAtIndexPath({ 0, 1 }), 31);
    ASSERT_TRUE(hiding->imageEditButton()->tap());
    EXPECT_EQ(rows->calls.back(), "changeImage");
    ASSERT_TRUE(hiding->backButton()->tap());
    EXPECT_EQ(std::make_pair(nav->topViewController(), nav->lastTransitionAnimated()), std::make_pair(opener, Animated::Yes));
}

// The shared presenter: one instance on every thread; modal on a phone (or with no window to
// ask), a kept popover on a pad.
TEST(ViewControllerUtilitiesTest, PhoneOrNoWindowPresentsModallyAndPadShowsAKeptPopover)
{
    auto utilities = ViewControllerUtilities::defaultInstance();
    std::vector<std::shared_ptr<ViewControllerUtilities>> seen(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = ViewControllerUtilities::defaultInstance(); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(seen, std::vector<std::shared_ptr<ViewControllerUtilities>>(4, utilities));
    auto presentIn = [&](UserInterfaceIdiom idiom) {
        auto window = Window::create(Window::defaultBounds, idiom);
        auto page = ViewController::create("Page");
        window->setRootViewController(NavigationController::create(page));
        return std::make_pair(window, page);
    };
    auto [phone, page] = presentIn(UserInterfaceIdiom::Phone);
    for (auto& presenting : { page, ViewController::create("Not in a window") }) {
        auto menu = ViewController::create("Menu");
        EXPECT_FALSE(utilities->presentPopoverWithController(menu, nullptr, {}, {}, PopoverArrow::Any, presenting));
        EXPECT_EQ(presenting->presentedViewController(), menu);
    }
    EXPECT_TRUE(utilities->popups().empty());
    auto [pad, padPage] = presentIn(UserInterfaceIdiom::Pad);
    auto menu = ViewController::create("Menu");
    auto popover = utilities->presentPopoverWithController(menu, nullptr, {}, {}, PopoverArrow::Any, padPage);
    ASSERT_TRUE(popover);
    EXPECT_EQ(std::make_tuple(popover->contentViewController(), popover->isPopoverVisible(), popover->permittedArrowDirections()),
        std::make_tuple(menu, true, PopoverArrow::Any));
    EXPECT_FALSE(padPage->presentedViewController());
    EXPECT_EQ(utilities->popups(), std::vector<std::shared_ptr<PopoverController>>({ popover }));
}

// The video screen, a bare table screen: five rows with the preview last. The preview starts on
// the fixed video; return in the id input shows the typed id, and an id that cannot be one (the
// empty one too) is logged with the player's error code. Missing inputs and failed replies are not
// reported as saved; a stored one goes through the legacy addAsset.php with its name escaped whole.
TEST_F(VideoScreen, FiveRowsPreviewTheTypedIdAndSavingGoesThroughTheLegacyAddAssetAndReportsOnlyAStoredVideo)
{
    std::vector<std::optional<JsonValue>> reports;
    auto video = YoutubeVideoDataSource::create(model());
    video->setParentID("12");
    video->setCompletionHandler([&reports](std::optional<JsonValue> answer) { reports.push_back(answer); });
    auto table = TableViewController::create(video);
    video->configureBarbuttonsForViewController(*table);
    show(table);
    auto rows = table->tableView()->layoutAllRows().rows;
    // The table screen shows its source's rows and makes it the delegate as well.
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(table->tableView()->delegate().get(), static_cast<TableViewDelegate*>(video.get()));
    auto name = std::dynamic_pointer_cast<YTTextFieldCell>(rows[1].cell);
    auto ident = std::dynamic_pointer_cast<YTTextFieldCell>(rows[3].cell);
    ASSERT_TRUE(name && ident);
    EXPECT_EQ(std::make_tuple(name->view(), ident->view(), rows[4].cell), std::make_tuple(video->nameField(), video->videoIdent(), video->youtubeCell()));
    EXPECT_EQ(table->rightBarButtonItem()->displayTitle(), "Save");
    auto player = [&] { return video->youtubeCell()->videoView(); };
    ASSERT_TRUE(player());
    EXPECT_EQ(player()->videoId(), "M7lc1UVf-VE");
    struct Case {
        std::string typed, shown;
        bool logged;
    } cases[] = { { "dQw4w9WgXcQ", "dQw4w9WgXcQ", false }, { "", "", true }, { "not an id!", "", true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        LogCapture log;
        video->videoIdent()->type(c.typed);
        EXPECT_TRUE(video->videoIdent()->pressReturn());
        EXPECT_EQ(player()->videoId(), c.shown);
        EXPECT_EQ(log.contains("error " + std::to_string(VideoPlayerView::invalidParameterError)), c.logged);
    }
    // A fresh drawing of the row starts on the fixed video again.
    table->tableView()->reloadData();
    table->tableView()->layoutAllRows();
    EXPECT_EQ(player()->videoId(), "M7lc1UVf-VE");
    struct Save {
        std::string name, ident;
        int status;
        std::string body, alert; // "": saved, no alert
        size_t requests;
    } saves[] = {
        { "", "dQw4w9WgXcQ", 200, "{}", "Name and id needed", 0 },
        { "Tour", " ", 200, "{}", "Name and id needed", 0 },
        { "Tour", "dQw4w9WgXcQ", 400, R"({"error":"bad"})", "Video not added", 1 },
        { "Tour", "dQw4w9WgXcQ", 200, R"({"Message":"refused"})", "Video not added", 2 },
        { "Garden tour: take 1/2", "dQw4w9WgXcQ", 200, R"({"Message":{"assetID":"77","name":"Tour","type":"YoutubeVideo"}})", "", 3 },
    };
    for (const auto& c : saves) {
        SCOPED_TRACE(c.alert + " " + c.body);
        server.setResponder([&](const RecordedRequest&) { return json(c.body, c.status); });
        video->nameField()->type(c.name);
        video->videoIdent()->type(c.ident);
        table->rightBarButtonItem()->press();
        // Either outcome ends the wait: a report, or an alert (shown at once when nothing is sent).
        MainQueue::shared().runUntil([&] { return window->topAlert() || !reports.empty(); }, std::chrono::seconds(10));
        ASSERT_EQ(server.requests().size(), c.requests);
        EXPECT_EQ(video->nameField()->text(), c.name);
        if (c.alert.empty()) {
            EXPECT_FALSE(window->topAlert());
            EXPECT_EQ(server.requests().back().target,
                "/json/addAsset.php?assetID=12&name=Garden%20tour%3a%20take%201%2f2&type=YoutubeVideo&asVal=dQw4w9WgXcQ");
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0]->object()->get("assetID").asString(), "77");
            continue;
        }
        EXPECT_TRUE(reports.empty());
        ASSERT_TRUE(window->topAlert());
        EXPECT_EQ(window->topAlert()->title(), c.alert);
        window->topAlert()->chooseButton(0);
    }
}
