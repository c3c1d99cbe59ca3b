// Launch against the demo server, the tab operations the coordinators and screens call, the
// login tabs, and the object store that only termination opens.
#include "app/AppDelegate.h"
#include "app/LoginViewController.h"
#include "app/UserViewController.h"

#include "AppFixture.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "ui/TabBarController.h"
#include "ui/TextField.h"

#include <fstream>

using namespace quindle;
using namespace quindle::test;

namespace {

class AppDelegateTest : public AppFixture {
protected:
    std::shared_ptr<AppDelegate> launch(UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone)
    {
        auto app = AppDelegate::create(model(), LocalPushService::create(), Window::defaultBounds, idiom);
        EXPECT_TRUE(app->didFinishLaunchingWithOptions());
        return app;
    }
    static std::shared_ptr<ViewController> stack(const std::string& title)
    {
        return NavigationController::create(ViewController::create(title));
    }
    static std::vector<std::string> shownTitles(const AppDelegate& app)
    {
        std::vector<std::string> titles;
        for (auto& tab : app.tabbar()->viewControllers()) {
            auto nav = std::dynamic_pointer_cast<NavigationController>(tab);
            titles.push_back(nav && nav->topViewController() ? nav->topViewController()->title() : "?");
        }
        return titles;
    }
};

} // namespace

TEST_F(AppDelegateTest, LaunchShowsTheStartPageInOneTabWithTheBarHidden)
{
    auto app = launch();
    EXPECT_EQ(ApplicationShell::shared(), app);
    ASSERT_TRUE(app->window()->isVisible());
    EXPECT_EQ(app->window()->rootViewController(), app->tabbar());
    ASSERT_EQ(app->tabbar()->viewControllers().size(), 1u);
    EXPECT_TRUE(app->tabbar()->isTabBarHidden());
    EXPECT_EQ(app->tabbarItems(), app->tabbar()->viewControllers());
    auto start = std::dynamic_pointer_cast<DirectoryViewController>(
        std::dynamic_pointer_cast<NavigationController>(app->tabbar()->viewControllers()[0])->topViewController());
    ASSERT_TRUE(start);
    EXPECT_TRUE(start->isRootController());
    EXPECT_EQ(start->tabbar(), app->tabbarItems());
    EXPECT_EQ(app->dataManager()->currentTabs(), app->tabbarItems());
    EXPECT_EQ(app->dataManager()->viewController(), std::static_pointer_cast<DataManagerScreen>(start));

    // The reply comes through the main queue after launch: the demo's public page.
    EXPECT_TRUE(app->dataManager()->objects()->empty());
    ASSERT_TRUE(runUntil([&] { return !app->dataManager()->objects()->empty(); }));
    EXPECT_FALSE(app->dataManager()->assetID().empty());
    EXPECT_EQ(asset::name(app->dataManager()->objects()->at(0).object()), "Welcome");

    // The two login tabs wait for a login; "Tab Edit" is empty while logged out.
    ASSERT_EQ(app->loginTabbarItems().size(), 2u);
    auto tabEdit = std::dynamic_pointer_cast<DirectoryViewController>(
        std::dynamic_pointer_cast<NavigationController>(app->loginTabbarItems()[0])->topViewController());
    ASSERT_TRUE(tabEdit);
    EXPECT_EQ(tabEdit->title(), "Tab Edit");
    EXPECT_EQ(tabEdit->tabBarItem().imageName, "first.png");
    EXPECT_TRUE(tabEdit->dataManager()->isRestricted());
    EXPECT_TRUE(tabEdit->dataManager()->objects()->empty());
    EXPECT_TRUE(std::dynamic_pointer_cast<UserViewController>(
        std::dynamic_pointer_cast<NavigationController>(app->loginTabbarItems()[1])->topViewController()));
    EXPECT_FALSE(app->userTabbarItems());

    // Another idiom gets a visible window with nothing in it.
    settle();
    auto pad = launch(UserInterfaceIdiom::Pad);
    EXPECT_TRUE(pad->window()->isVisible());
    EXPECT_FALSE(pad->window()->rootViewController());
}

TEST_F(AppDelegateTest, TheStartPageTakesTheNameItsReplyCarriesElseHomeAndAsksNothingMore)
{
    struct Case {
        const char* what;
        int status;
        std::string body;
        std::string title;
        size_t rows;
    };
    for (const Case& c : { Case { "named", 200, R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Larchwood","Children":[{"AssetId":"2","Type":"Text","Name":"Hi"}]}})", "Larchwood", 1 },
             Case { "unnamed", 200, R"({"Message":{"AssetId":"1","Type":"Directory","Children":[]}})", "Home", 0 },
             Case { "empty name", 200, R"({"Message":{"AssetId":"1","Type":"Directory","Name":"","Children":[]}})", "Home", 0 },
             Case { "failed", 500, R"({"error":"down"})", "Home", 0 } }) {
        auto& recorder = useRecordingServer([c](const RecordedRequest&) {
            Reply reply;
            reply.status = c.status;
            reply.body = c.body;
            return reply;
        });
        auto app = launch();
        auto start = std::dynamic_pointer_cast<NavigationController>(app->tabbar()->viewControllers()[0])->topViewController();
        EXPECT_EQ(start->title(), "Home") << c.what; // before any reply
        settle();
        EXPECT_EQ(start->title(), c.title) << c.what;
        EXPECT_EQ(app->dataManager()->objects()->size(), c.rows) << c.what;
        // A page pushed on the start page's stack goes back to that title.
        auto pushed = ViewController::create("Pushed");
        std::dynamic_pointer_cast<NavigationController>(app->tabbar()->viewControllers()[0])->pushViewController(pushed, Animated::No);
        auto& shown = pushed->navigationController()->viewControllers();
        EXPECT_EQ(shown[shown.size() - 2]->title(), c.title) << c.what;
        // The title costs no request of its own: launch asks for the start page, as before.
        auto requests = recorder.requests();
        ASSERT_EQ(requests.size(), 1u) << c.what;
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].target, "/~corvath/vantro/web/app_dev.php/contentForNode");
    }
}

TEST_F(AppDelegateTest, LoginReplyRebuildsTheLoginTabsFromTheSessionsTabs)
{
    auto app = launch();
    auto before = app->loginTabbarItems();
    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, {});
    ASSERT_TRUE(runUntil([&] { return app->loginTabbarItems() != before; }));
    // A logged-in user's care tabs come first, then "Tab Edit" and "Account".
    ASSERT_EQ(app->loginTabbarItems().size(), 4u);
    auto tabEdit = std::dynamic_pointer_cast<DirectoryViewController>(
        std::dynamic_pointer_cast<NavigationController>(app->loginTabbarItems()[2])->topViewController());
    ASSERT_TRUE(tabEdit);
    EXPECT_EQ(tabEdit->dataManager()->objects()->size(), model().tabs()->size());
    EXPECT_EQ(tabEdit->dataManager()->asset(), model().tab());
    EXPECT_EQ(asset::name(tabEdit->dataManager()->objects()->at(0).object()), "Home");
}

TEST_F(AppDelegateTest, LoggingInFromTheStartPageAddsTheUserAndLoginTabsAndLoggingOutRemovesThem)
{
    auto app = launch();
    settle();
    auto start = app->tabbar()->selectedViewController();
    ASSERT_TRUE(start && start->visibleViewController());
    auto loginButton = start->visibleViewController()->rightBarButtonItem();
    ASSERT_TRUE(loginButton);
    ASSERT_EQ(loginButton->title(), "Login");
    loginButton->press();
    auto login = std::dynamic_pointer_cast<LoginViewController>(app->window()->visibleViewController());
    ASSERT_TRUE(login);
    login->loginField()->type(QuindleServer::demoEmail);
    login->passwordField()->type(QuindleServer::demoPassword);
    login->login();
    ASSERT_TRUE(runUntil([&] { return app->tabbar()->viewControllers().size() > 3; }));
    auto titles = shownTitles(*app);
    EXPECT_EQ(titles.front(), "Home"); // the start page, named by its reply
    EXPECT_EQ(titles[1], "Home");
    EXPECT_EQ(std::vector<std::string>(titles.end() - 5, titles.end()),
        std::vector<std::string>({ "Trash", "Followups", "Workflow", "Tab Edit", "Account" }));
    EXPECT_FALSE(app->tabbar()->isTabBarHidden());

    auto account = std::dynamic_pointer_cast<NavigationController>(app->tabbar()->viewControllers().back())->topViewController();
    ASSERT_EQ(account->rightBarButtonItems().size(), 2u);
    account->rightBarButtonItems()[0]->press(); // "Logout"
    ASSERT_TRUE(runUntil([&] { return app->tabbar()->viewControllers().size() == 1; }));
    EXPECT_FALSE(model().isLoggedIn());
}

TEST_F(AppDelegateTest, TabOperationsKeepBaseUserAndLoginTabsApart)
{
    auto app = launch();
    settle();
    auto first = app->tabbarItems()[0];

    // Before any login one stack stays one tab, and the bar keeps whatever it had.
    app->addLoginItemsToTabbar({ first });
    EXPECT_EQ(app->tabbar()->viewControllers().size(), 1u);
    EXPECT_TRUE(app->tabbar()->isTabBarHidden());
    app->tabbar()->setTabBarHidden(BarVisibility::Shown);
    app->addLoginItemsToTabbar({ first });
    EXPECT_FALSE(app->tabbar()->isTabBarHidden());
    app->tabbar()->setTabBarHidden(BarVisibility::Hidden);

    // After a login that stored no user tabs: the stack and the two login tabs.
    app->updateUserTabbar({});
    EXPECT_EQ(app->tabbar()->viewControllers().size(), 1u); // stored, not shown
    app->addLoginItemsToTabbar({ first });
    EXPECT_EQ(shownTitles(*app), std::vector<std::string>({ "Home", "Tab Edit", "Account" }));
    EXPECT_FALSE(app->tabbar()->isTabBarHidden());
    app->updateUserTabbar({ stack("Mine") });
    app->addLoginItemsToTabbar({ first });
    EXPECT_EQ(shownTitles(*app), std::vector<std::string>({ "Home", "Mine", "Tab Edit", "Account" }));
    EXPECT_EQ(app->tabbarItems(), std::vector<std::shared_ptr<ViewController>>({ first }));

    // After logout only the base tabs show; the bar is left as it is.
    app->showNormalTabbar();
    EXPECT_EQ(app->tabbar()->viewControllers(), std::vector<std::shared_ptr<ViewController>>({ first }));
    EXPECT_FALSE(app->tabbar()->isTabBarHidden());
    app->addLoginItemsToTabbar({ first }); // the stored tabs come back
    EXPECT_EQ(app->tabbar()->viewControllers().size(), 4u);

    // Three screens while two base tabs exist: two pushed, one new stack.
    auto second = stack("Second");
    app->setTabbarItems({ first, second });
    app->tabbar()->setTabBarHidden(BarVisibility::Hidden);
    auto a = ViewController::create("A"), b = ViewController::create("B"), c = ViewController::create("C");
    app->updateTabbarWithArray({ a, b, c });
    EXPECT_EQ(shownTitles(*app), std::vector<std::string>({ "A", "B", "C" }));
    EXPECT_EQ(app->tabbar()->viewControllers()[0], first);
    EXPECT_EQ(app->tabbar()->viewControllers()[1], second);
    EXPECT_EQ(std::dynamic_pointer_cast<NavigationController>(first)->viewControllers().size(), 2u);
    EXPECT_EQ(std::dynamic_pointer_cast<NavigationController>(first)->lastTransitionAnimated(), Animated::No);
    EXPECT_EQ(app->tabbarItems(), app->tabbar()->viewControllers());
    EXPECT_FALSE(app->tabbar()->isTabBarHidden());

    // Reset shows exactly the list: two stacks leave a hidden bar hidden, one hides it.
    auto base = app->tabbarItems();
    app->tabbar()->setTabBarHidden(BarVisibility::Hidden);
    auto x = stack("X"), y = stack("Y");
    app->resetTabbarWithArray({ x, y });
    EXPECT_EQ(shownTitles(*app), std::vector<std::string>({ "X", "Y" }));
    EXPECT_TRUE(app->tabbar()->isTabBarHidden());
    app->tabbar()->setTabBarHidden(BarVisibility::Shown);
    app->resetTabbarWithArray({ x });
    EXPECT_TRUE(app->tabbar()->isTabBarHidden());
    EXPECT_EQ(app->tabbarItems(), base);
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
    EXPECT_EQ(app->managedObjectContext()->path(), store);
    EXPECT_EQ(AppDelegate::applicationDocumentsDirectory(), documents);

    // A file in the store's place that is no database: logged, and left as it was.
    const auto broken = dir / "broken";
    std::filesystem::create_directories(broken);
    {
        std::ofstream(broken / "Quindle.sqlite") << "precious, not a database";
    }
    setenv("QUINDLE_DOCUMENTS", broken.c_str(), 1);
    LogCapture log;
    auto other = launch();
    settle();
    other->applicationWillTerminate();
    EXPECT_FALSE(other->managedObjectContext());
    EXPECT_TRUE(log.anyStartsWith("Unresolved error YOUR_ERROR_DOMAIN 9999 \"Failed to initialize the application's saved data\""));
    std::ifstream kept(broken / "Quindle.sqlite");
    std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "precious, not a database");
}
