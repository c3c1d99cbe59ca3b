// Launch, the tab operations, the login tabs, the object store that only termination opens, and
// push: registration, the token, the "register" notification and when the device is announced.
#include "app/AppDelegate.h"
#include "app/LoginViewController.h"
#include "app/RegisterViewController.h"
#include "app/UserViewController.h"

#include "AppFixture.h"

#include <fstream>
#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

class AppDelegateTest : public AppFixture {
protected:
    std::shared_ptr<AppDelegate> launch(UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone,
        NotificationSettings settings = NotificationSettings::Offered)
    {
        push = LocalPushService::create(settings, "6F9619FF-8B86-4D11-B42D-00C04FC964FF");
        auto app = AppDelegate::create(model(), push, Window::defaultBounds, idiom);
        EXPECT_TRUE(app->didFinishLaunchingWithOptions());
        return app;
    }
    static std::shared_ptr<ViewController> stack(const std::string& title) { return NavigationController::create(ViewController::create(title)); }
    static std::vector<std::string> shownTitles(const AppDelegate& app)
    {
        std::vector<std::string> titles;
        for (auto& tab : app.tabbar()->viewControllers())
            titles.push_back(topOf(tab) ? topOf(tab)->title() : "?");
        return titles;
    }

    std::shared_ptr<LocalPushService> push;
};

} // namespace

TEST_F(AppDelegateTest, LaunchShowsTheStartPageInOneTabWithTheBarHiddenRegistersForPushAndALoginRebuildsTheLoginTabs)
{
    auto app = launch();
    EXPECT_EQ(push->calls(), std::vector<std::string>({ "settings 7", "remote" }));
    EXPECT_EQ(std::make_tuple(ApplicationShell::shared(), app->window()->isVisible(), app->window()->rootViewController(), app->tabbar()->isTabBarHidden()),
        std::make_tuple(std::static_pointer_cast<ApplicationShell>(app), true, std::static_pointer_cast<ViewController>(app->tabbar()), true));
    ASSERT_EQ(app->tabbar()->viewControllers().size(), 1u);
    EXPECT_EQ(app->tabbarItems(), app->tabbar()->viewControllers());
    auto start = std::dynamic_pointer_cast<DirectoryViewController>(topOf(app->tabbar()->viewControllers()[0]));
    ASSERT_TRUE(start && start->isRootController());
    EXPECT_EQ(std::make_pair(start->tabbar(), app->dataManager()->currentTabs()), std::make_pair(app->tabbarItems(), std::optional(app->tabbarItems())));
    EXPECT_EQ(app->dataManager()->viewController(), std::static_pointer_cast<DataManagerScreen>(start));
    // The reply comes through the main queue after launch: the demo's public page.
    EXPECT_TRUE(app->dataManager()->objects()->empty());
    ASSERT_TRUE(runUntil([&] { return !app->dataManager()->objects()->empty(); }));
    EXPECT_EQ(asset::name(app->dataManager()->objects()->at(0).object()), "Welcome");
    // The two login tabs wait for a login; "Tab Edit" is empty while logged out.
    ASSERT_EQ(app->loginTabbarItems().size(), 2u);
    auto tabEdit = std::dynamic_pointer_cast<DirectoryViewController>(topOf(app->loginTabbarItems()[0]));
    ASSERT_TRUE(tabEdit);
    EXPECT_EQ(std::make_tuple(tabEdit->title(), tabEdit->dataManager()->isRestricted(), tabEdit->dataManager()->objects()->size()), std::make_tuple(std::string("Tab Edit"), true, size_t(0)));
    EXPECT_TRUE(std::dynamic_pointer_cast<UserViewController>(topOf(app->loginTabbarItems()[1])) && !app->userTabbarItems());
    // A login reply rebuilds them from the session's tabs: the user's care tabs, "Tab Edit", "Account".
    auto before = app->loginTabbarItems();
    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, {});
    ASSERT_TRUE(runUntil([&] { return app->loginTabbarItems() != before; }));
    ASSERT_EQ(app->loginTabbarItems().size(), 4u);
    auto rebuilt = std::dynamic_pointer_cast<DirectoryViewController>(topOf(app->loginTabbarItems()[2]));
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(std::make_tuple(rebuilt->dataManager()->objects()->size(), rebuilt->dataManager()->asset(), asset::name(rebuilt->dataManager()->objects()->at(0).object())),
        std::make_tuple(model().tabs()->size(), model().tab(), std::string("Home")));
    // Another idiom gets a visible window with nothing in it; a system without the newer
    // registration gets the older one.
    settle();
    auto pad = launch(UserInterfaceIdiom::Pad, NotificationSettings::NotOffered);
    EXPECT_EQ(push->calls(), std::vector<std::string>({ "types 7" }));
    EXPECT_TRUE(pad->window()->isVisible() && !pad->window()->rootViewController());
}

TEST_F(AppDelegateTest, TheStartPageTakesTheNameItsReplyCarriesElseHomeAndAsksNothingMore)
{
    struct Case {
        const char* what;
        int status;
        std::string body, title;
        size_t rows;
    };
    for (const Case& c : { Case { "named", 200, R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Larchwood","Children":[{"AssetId":"2","Type":"Text","Name":"Hi"}]}})", "Larchwood", 1 },
             Case { "unnamed", 200, R"({"Message":{"AssetId":"1","Type":"Directory","Children":[]}})", "Home", 0 },
             Case { "empty name", 200, R"({"Message":{"AssetId":"1","Type":"Directory","Name":"","Children":[]}})", "Home", 0 },
             Case { "failed", 500, R"({"error":"down"})", "Home", 0 } }) {
        SCOPED_TRACE(c.what);
        auto& recorder = useRecordingServer(c.status, c.body);
        auto app = launch();
        auto startStack = std::dynamic_pointer_cast<NavigationController>(app->tabbar()->viewControllers()[0]);
        EXPECT_EQ(startStack->topViewController()->title(), "Home"); // before any reply
        settle();
        EXPECT_EQ(startStack->topViewController()->title(), c.title);
        EXPECT_EQ(app->dataManager()->objects()->size(), c.rows);
        // A page pushed on the start page's stack goes back to that title.
        startStack->pushViewController(ViewController::create("Pushed"), Animated::No);
        EXPECT_EQ(startStack->viewControllers()[startStack->viewControllers().size() - 2]->title(), c.title);
        // The title costs no request of its own: launch asks for the start page, as before.
        auto requests = recorder.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(std::make_pair(requests[0].method, requests[0].target), std::make_pair(std::string("GET"), base + "contentForNode"));
    }
}

TEST_F(AppDelegateTest, TabOperationsKeepBaseUserAndLoginTabsApart)
{
    auto app = launch();
    settle();
    auto first = app->tabbarItems()[0];
    auto bar = app->tabbar();
    // Before any login one stack stays one tab, and the bar keeps whatever it had.
    for (BarVisibility visibility : { BarVisibility::Hidden, BarVisibility::Shown }) {
        bar->setTabBarHidden(visibility);
        app->addLoginItemsToTabbar({ first });
        EXPECT_EQ(std::make_pair(bar->viewControllers().size(), bar->isTabBarHidden()), std::make_pair(size_t(1), visibility == BarVisibility::Hidden));
    }
    bar->setTabBarHidden(BarVisibility::Hidden);
    // After a login that stored no user tabs: the stack and the two login tabs.
    app->updateUserTabbar({});
    EXPECT_EQ(bar->viewControllers().size(), 1u); // stored, not shown
    app->addLoginItemsToTabbar({ first });
    EXPECT_EQ(std::make_pair(shownTitles(*app), bar->isTabBarHidden()), std::make_pair(std::vector<std::string>({ "Home", "Tab Edit", "Account" }), false));
    app->updateUserTabbar({ stack("Mine") });
    app->addLoginItemsToTabbar({ first });
    EXPECT_EQ(shownTitles(*app), std::vector<std::string>({ "Home", "Mine", "Tab Edit", "Account" }));
    EXPECT_EQ(app->tabbarItems(), std::vector<std::shared_ptr<ViewController>>({ first }));
    // After logout only the base tabs show; the bar is left as it is.
    app->showNormalTabbar();
    EXPECT_EQ(std::make_pair(bar->viewControllers(), bar->isTabBarHidden()), std::make_pair(std::vector<std::shared_ptr<ViewController>>({ first }), false));
    app->addLoginItemsToTabbar({ first }); // the stored tabs come back
    EXPECT_EQ(bar->viewControllers().size(), 4u);
    // Three screens while two base tabs exist: two pushed, one new stack.
    auto second = stack("Second");
    app->setTabbarItems({ first, second });
    bar->setTabBarHidden(BarVisibility::Hidden);
    app->updateTabbarWithArray({ ViewController::create("A"), ViewController::create("B"), ViewController::create("C") });
    EXPECT_EQ(shownTitles(*app), std::vector<std::string>({ "A", "B", "C" }));
    EXPECT_EQ(std::make_pair(bar->viewControllers()[0], bar->viewControllers()[1]), std::make_pair(first, second));
    auto firstStack = std::dynamic_pointer_cast<NavigationController>(first);
    EXPECT_EQ(std::make_pair(firstStack->viewControllers().size(), firstStack->lastTransitionAnimated()), std::make_pair(size_t(2), Animated::No));
    EXPECT_TRUE(app->tabbarItems() == bar->viewControllers() && !bar->isTabBarHidden());
    // Reset shows exactly the list: two stacks leave a hidden bar hidden, one hides it.
    auto baseTabs = app->tabbarItems();
    bar->setTabBarHidden(BarVisibility::Hidden);
    auto x = stack("X");
    app->resetTabbarWithArray({ x, stack("Y") });
    EXPECT_EQ(std::make_pair(shownTitles(*app), bar->isTabBarHidden()), std::make_pair(std::vector<std::string>({ "X", "Y" }), true));
    bar->setTabBarHidden(BarVisibility::Shown);
    app->resetTabbarWithArray({ x });
    EXPECT_TRUE(bar->isTabBarHidden() && app->tabbarItems() == baseTabs);
}

TEST_F(AppDelegateTest, TerminationAloneCreatesTheStoreAndAStoreThatCannotOpenLosesNothing)
{
    const auto store = documents / "Quindle.sqlite";
    {
        auto app = launch();
        settle();
        app->saveContext();
        EXPECT_TRUE(std::filesystem::exists(store)); // saveContext is termination's own step
        std::filesystem::remove(store);
    }
    auto app = launch();
    settle();
    EXPECT_FALSE(std::filesystem::exists(store));
    app->applicationWillTerminate();
    ASSERT_TRUE(std::filesystem::exists(store));
    ASSERT_TRUE(app->managedObjectContext());
    EXPECT_EQ(std::make_pair(app->managedObjectContext()->path(), AppDelegate::applicationDocumentsDirectory()), std::make_pair(store, documents));
    // A file in the store's place that is no database: logged, and left as it was.
    const auto broken = dir / "broken";
    std::filesystem::create_directories(broken);
    std::ofstream(broken / "Quindle.sqlite") << "precious, not a database";
    setenv("QUINDLE_DOCUMENTS", broken.c_str(), 1);
    LogCapture log;
    auto other = launch();
    settle();
    other->applicationWillTerminate();
    EXPECT_FALSE(other->managedObjectContext());
    EXPECT_TRUE(log.anyStartsWith("Unresolved error YOUR_ERROR_DOMAIN 9999 \"Failed to initialize the application's saved data\""));
    std::ifstream kept(broken / "Quindle.sqlite");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), "precious, not a database");
}

TEST_F(AppDelegateTest, OnlyTheExactRegisterActionOpensTheApprovalScreen)
{
    auto& recorder = useRecordingServer(200, R"({"Message":{"AssetId":"42","Published":"Yes"}})");
    auto app = launch();
    settle();
    auto rootScreen = app->window()->rootViewController();
    std::vector<BackgroundFetchResult> results;
    auto notify = [&](JsonObjectPtr payload) {
        app->didReceiveRemoteNotification(std::move(payload), [&](BackgroundFetchResult result) { results.push_back(result); });
    };
    notify(JsonObject::create({ { "action", "Register" }, { "assetID", "42" } }));
    notify(JsonObject::create({ { "name", "Cafe" } }));
    notify(nullptr);
    settle();
    EXPECT_FALSE(rootScreen->presentedViewController());
    // Without "name" the single row is empty; approving publishes the given asset.
    notify(JsonObject::create({ { "action", "register" }, { "assetID", "42" } }));
    EXPECT_FALSE(rootScreen->presentedViewController()); // presented from the main queue
    settle();
    auto stack = std::dynamic_pointer_cast<NavigationController>(rootScreen->presentedViewController());
    auto approval = std::dynamic_pointer_cast<RegisterViewController>(stack ? stack->topViewController() : nullptr);
    ASSERT_TRUE(approval);
    EXPECT_EQ(std::make_pair(approval->title(), approval->assetID()), std::make_pair(std::string("Register new app"), std::string("42")));
    ASSERT_EQ(approval->rows().size(), 1u);
    EXPECT_EQ(approval->rows()[0].cell->textLabel()->text(), "");
    EXPECT_EQ(results, std::vector<BackgroundFetchResult>(4, BackgroundFetchResult::NoData));
    const size_t before = recorder.requests().size();
    ASSERT_TRUE(approval->rightBarButtonItem() && approval->rightBarButtonItem()->title() == "Approve");
    approval->rightBarButtonItem()->press();
    ASSERT_TRUE(runUntil([&] { return !rootScreen->presentedViewController(); }));
    EXPECT_EQ(targetsFrom(before), std::vector<std::string>({ base + "setPublished?assetid=42" }));
}

TEST_F(AppDelegateTest, TheDeviceIsAnnouncedAtALoginAfterTheLowerCaseHexTokenAndNoGrantedTypesShowTheSettingsAlert)
{
    auto& recorder = useRecordingServer([](const RecordedRequest& request) {
        return makeReply(200, request.path.find("login") != std::string::npos ? R"({"Message":{"AuthToken":"t1","User":{"Email":"a@b.c"}}})"
                                                                              : R"({"Message":"ok"})");
    });
    auto app = launch();
    auto loginOnce = [&] {
        pressLogin("a@b.c", "secret");
        EXPECT_TRUE(runUntil([&] { return !root->presentedViewController(); }));
        settle();
    };
    auto deviceRequests = [&] {
        std::vector<std::string> out;
        for (auto& request : recorder.requests())
            if (request.path.find("registerDevice") != std::string::npos)
                out.push_back(request.target);
        return out;
    };
    loginOnce();
    EXPECT_TRUE(deviceRequests().empty());
    app->didRegisterForRemoteNotificationsWithDeviceToken({ 0x01, 0xa0 });
    EXPECT_TRUE(deviceRequests().empty()); // a token after the login waits for the next one
    loginOnce();
    auto sent = deviceRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("&deviceid=6F9619FF-8B86-4D11-B42D-00C04FC964FF&pushtoken=01a0"), std::string::npos) << sent[0];
    // The token is lower-case hex, the device id the vendor's; granting no types shows the settings alert.
    EXPECT_EQ(AppDelegate::tokenText({ 0x00, 0x0f, 0xab, 0xff, 0x10 }), "000fabff10");
    EXPECT_EQ(AppDelegate::tokenText({}), "");
    LogCapture log;
    app->didRegisterForRemoteNotificationsWithDeviceToken({ 0xde, 0xad, 0xbe, 0xef });
    EXPECT_EQ(std::make_pair(model().pushTokenID(), model().devID()), std::make_pair(std::string("deadbeef"), std::string("6F9619FF-8B86-4D11-B42D-00C04FC964FF")));
    EXPECT_TRUE(log.anyStartsWith("My token is: deadbeef"));
    // A made-up identifier is a version-4 UUID, the same for the service's whole life.
    auto local = LocalPushService::create();
    const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(local->identifierForVendor(), uuid)) << local->identifierForVendor();
    EXPECT_EQ(local->identifierForVendor(), local->identifierForVendor());
    EXPECT_NE(local->identifierForVendor(), LocalPushService::create()->identifierForVendor());
    app->didRegisterUserNotificationSettings(NotificationType::Badge | NotificationType::Alert);
    EXPECT_TRUE(app->window()->alerts().empty());
    EXPECT_TRUE(log.anyStartsWith("user allowed notifications"));
    app->didRegisterUserNotificationSettings(NotificationType::None);
    ASSERT_EQ(app->window()->alerts().size(), 1u);
    auto alert = app->window()->topAlert();
    EXPECT_EQ(std::make_tuple(alert->title(), alert->message(), alert->buttonTitles()), std::make_tuple(std::string("Please turn on Notification"),
        std::string("Go to Settings > Notifications > App.\n Switch on Sound, Badge & Alert"), std::vector<std::string>({ "Ok" })));
    EXPECT_TRUE(log.anyStartsWith("user did not allow notifications"));
}
