// Launch, the tab operations, the login tabs, the object store that only termination opens, push
// (registration, the token, the "register" notification, when the device is announced), and the
// login, registration and password screens and the account tab with its default style choosers.
#include "app/AppDelegate.h"
#include "app/ChangePasswordViewController.h"
#include "app/CreateAccountViewController.h"
#include "app/LoginViewController.h"
#include "app/RegisterViewController.h"
#include "app/ResetPasswordViewController.h"
#include "app/UserViewController.h"

#include "AppFixture.h"
#include "editors/ColorWheelViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"
#include "platform/JsonParser.h"
#include "ui/RecordingObserver.h"

#include <array>
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

class AccountScreensTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        app = AppDelegate::create(model(), LocalPushService::create());
        ApplicationShell::setShared(app);
    }
    /// A presented registration screen with the four fields typed in.
    std::shared_ptr<CreateAccountViewController> registration(const std::array<std::string, 4>& texts)
    {
        auto screen = CreateAccountViewController::create(model(), [this] { ++completions; });
        present(screen);
        screen->tableView()->layoutAllRows(); // the rows on screen, as a front end draws them
        type(*screen, texts);
        return screen;
    }
    static void type(CreateAccountViewController& screen, const std::array<std::string, 4>& texts)
    {
        screen.emailField()->type(texts[0]);
        screen.passwordField()->type(texts[1]);
        screen.passwordConfirmField()->type(texts[2]);
        screen.organisationField()->type(texts[3]);
    }
    /// A recording server whose login hands out a token and the user's default style (and that
    /// answers "ok" to the rest), then a logged-in account tab on screen.
    std::shared_ptr<UserViewController> styledAccount()
    {
        useRecordingServer([](const RecordedRequest& request) {
            const bool login = request.path.find("login") != std::string::npos;
            return makeReply(200, login ? R"({"Message":{"AuthToken":"t1","User":{"DefaultOptions":"Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00"}}})"
                                        : R"({"Message":"ok"})");
        });
        logIn("a@b.c", "pw");
        auto account = UserViewController::create(model());
        stack = present(account);
        return account;
    }
    static bool logIn(const std::string& email, const std::string& password)
    {
        model().loginWithUsername(email, password, {});
        settle();
        return model().isLoggedIn();
    }

    std::shared_ptr<AppDelegate> app;
    std::shared_ptr<NavigationController> stack;
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
        // The title costs no request of its own: launch asks for the start page, as before.
        auto requests = recorder.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(std::make_pair(requests[0].method, requests[0].target), std::make_pair(std::string("GET"), base() + "contentForNode"));
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
    EXPECT_EQ(targetsFrom(before), std::vector<std::string>({ base() + "setPublished?assetid=42" }));
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

TEST_F(AccountScreensTest, ARefusedLoginShowsTheServersTextAndALoginWritesTheDefaultsAtOnceAndBuildsTheUserTabs)
{
    LogCapture log;
    auto refused = pressLogin(QuindleServer::demoEmail, "wrong-password");
    ASSERT_TRUE(runUntil([&] { return refused->alert() != nullptr; }));
    auto alert = window->topAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(std::make_tuple(alert->title(), alert->message(), alert->buttonTitles()),
        std::make_tuple(std::string("Email not validated"), std::string("The e-mail address or the password is wrong."), std::vector<std::string>({ "OK" })));
    alert->chooseButton(0);
    EXPECT_TRUE(root->presentedViewController()); // the screen stays
    EXPECT_FALSE(model().isLoggedIn() || app->userTabbarItems());
    // The username changes with every attempt, so an unchanged one shows nothing was sent.
    refused->loginField()->type("someone@else.example");
    refused->passwordField()->type(QuindleServer::demoPassword);
    refused->rightBarButtonItem()->press();
    settle();
    EXPECT_EQ(std::make_tuple(model().username(), refused->alert(), model().isLoggedIn()), std::make_tuple(std::string(QuindleServer::demoEmail), alert, false));
    auto login = pressLogin(QuindleServer::demoEmail, QuindleServer::demoPassword);
    EXPECT_TRUE(login->isSending());
    // Written at once: another reader of the file sees both values before any reply.
    auto onDisk = UserDefaults::create(defaultsPath());
    const auto demo = std::make_pair(std::string(QuindleServer::demoEmail), std::string(QuindleServer::demoPassword));
    EXPECT_EQ(std::make_pair(onDisk->stringForKey("login").value_or(""), onDisk->stringForKey("password").value_or("")), demo);
    ASSERT_TRUE(runUntil([&] { return completions == 1; }));
    EXPECT_TRUE(!root->presentedViewController() && model().isLoggedIn() && log.anyStartsWith("userDict "));
    ASSERT_TRUE(app->userTabbarItems());
    const auto& tabs = *app->userTabbarItems();
    ASSERT_GE(tabs.size(), 2u); // the demo site's tabs, "Home" first, then "Trash"
    EXPECT_EQ(tabs.size(), model().tabs()->size());
    EXPECT_EQ(std::make_pair(topOf(tabs.front())->title(), topOf(tabs.back())->title()), std::make_pair(std::string("Home"), std::string("Trash")));
    EXPECT_FALSE(std::dynamic_pointer_cast<DirectoryViewController>(topOf(tabs.front()))->assetID().empty());
    // A new screen starts from what the last attempt stored.
    auto again = LoginViewController::create(model());
    present(again);
    EXPECT_EQ(std::make_pair(again->loginField()->text(), again->passwordField()->text()), demo);
    EXPECT_TRUE(again->passwordField()->isFirstResponder());
}

TEST_F(AccountScreensTest, LoginReplyEdgeCasesAndTheTrashTabsRefreshes)
{
    std::string body;
    int status = 200;
    auto& recorder = useRecordingServer([&](const RecordedRequest&) { return makeReply(status, body); });
    model().setPushTokenID("abcd");
    auto run = [&](std::string text) {
        body = std::move(text);
        app->updateUserTabbar({ ViewController::create("stale") });
        auto login = pressLogin("a@b.c", "secret");
        settle();
        return login;
    };
    // "User" is null: no device registration, no tabs, but the screen closes.
    run(R"({"Message":{"AuthToken":"t","User":null}})");
    EXPECT_EQ(std::make_tuple(completions, bool(root->presentedViewController()), app->userTabbarItems()->size(), recorder.requests().size()),
        std::make_tuple(1, false, size_t(1), size_t(1)));
    // A login screen opened without a completion closes all the same.
    pressLogin("a@b.c", "secret", false);
    settle();
    EXPECT_EQ(std::make_pair(completions, bool(root->presentedViewController())), std::make_pair(1, false));
    // "Tabbar" is an object: the session keeps the "Tabs" children, the shell gets no tabs.
    run(R"({"Message":{"AuthToken":"t","User":{"Tabs":{"Children":[{"Name":"A"}]},"Tabbar":{"Name":"x"}}}})");
    EXPECT_EQ(std::make_tuple(completions, app->userTabbarItems()->size(), model().tabs()->size(), recorder.requests().back().path),
        std::make_tuple(2, size_t(0), size_t(1), base() + "registerDevice"));
    // A failed reply hands over neither content nor an error; that is no login either, so the
    // screen stays and says so.
    status = 500;
    auto login = run(R"({"error":"down"})");
    EXPECT_TRUE(completions == 2 && root->presentedViewController());
    ASSERT_TRUE(login->alert());
    EXPECT_EQ(std::make_pair(login->alert()->title(), login->alert()->message()),
        std::make_pair(std::string("Email not validated"), std::string("The server did not answer. Please try again later.")));
    // Only "Trash" exactly gets the trash refresh; "trash" reloads its own directory.
    status = 200;
    auto stacks = LoginViewController::tabStacksForTabbar(JsonParser::parse(R"([{"Name":"Trash","AssetId":"7","Type":"Directory","Children":[
        {"AssetId":"4","Type":"Text","Name":"Old note","IsDeleted":"true"}]},{"Name":"trash","AssetId":"8"},{"Name":"F","Type":"Form","Title":"Form page"}])")->array(),
        model());
    ASSERT_EQ(stacks.size(), 3u);
    EXPECT_EQ(std::make_tuple(topOf(stacks[2])->title(), managerOf(stacks[2]).isForm(), managerOf(stacks[0]).objects()->size()),
        std::make_tuple(std::string("Form page"), true, size_t(1)));
    size_t before = recorder.requests().size();
    managerOf(stacks[0]).reload();
    managerOf(stacks[1]).reload();
    ASSERT_TRUE(recorder.waitForRequests(before + 2));
    settle();
    EXPECT_EQ(targetsFrom(before), std::vector<std::string>({ base() + "contentForNode?assetid=8", base() + "trash" }));
    // A failed trash refresh keeps the trash tab's list, and any trash list replaces it.
    DataManager& trash = managerOf(stacks[0]);
    ASSERT_EQ(trash.objects()->size(), 1u);
    before = recorder.requests().size();
    struct Answer {
        int status;
        std::string body;
        size_t kept; // rows after the reload
    };
    for (const Answer& answer : { Answer { 500, R"({"error":"boom"})", 1 }, Answer { 200, "not json {", 1 }, Answer { 200, R"({"Message":{"Trash":"none"}})", 1 },
             Answer { 200, R"({"Message":{"Trash":[]}})", 0 } }) {
        std::tie(status, body) = std::tie(answer.status, answer.body);
        trash.reload();
        settle();
        EXPECT_EQ(trash.objects()->size(), answer.kept) << answer.status << " " << answer.body;
    }
    EXPECT_EQ(targetsFrom(before), std::vector<std::string>(4, base() + "trash"));
}

TEST_F(AccountScreensTest, RegistrationChecksEachFieldInOrderSendsOnceAndRegistersTheAccount)
{
    LogCapture log;
    // "&", "=", "+" and "#" once cut the password short or turned it into a blank on the server.
    const std::string email = "care+team@rowan.example", password = "p&ss+w#rd=1";
    auto screen = registration({ "a@bc", "abcde", "abcde", "" });
    ASSERT_EQ(screen->rows().size(), 5u);
    EXPECT_EQ(screen->rows()[0].cell, screen->textCell());
    // The fields a refused save marks: "P" pink, "-" white.
    auto marked = [&] {
        std::string out;
        for (auto& field : { screen->emailField(), screen->passwordField(), screen->passwordConfirmField(), screen->organisationField() }) {
            const Colour colour = field->backgroundColour();
            out += colour == CreateAccountViewController::warningColour ? 'P' : colour == Colour::white() ? '-' : '?';
        }
        return out;
    };
    struct Attempt {
        std::array<std::string, 4> texts;
        const char* marked;
    };
    const Attempt refused[] = {
        { { "a@bc", "abcde", "abcde", "" }, "P---" },
        { { email, "abcde", "abcde", "" }, "-PP-" }, // matching but too short
        { { email, password, "p&ss+w#rd=2", "" }, "-PP-" },
        { { email, password, password, "Ab" }, "---P" },
        { { email, password, password, "ÅÖ" }, "---P" }, // four bytes, but two characters
    };
    for (const Attempt& attempt : refused) {
        SCOPED_TRACE(attempt.texts[0] + " " + attempt.texts[2] + " " + attempt.texts[3]);
        type(*screen, attempt.texts);
        EXPECT_FALSE(screen->save());
        EXPECT_EQ(marked(), attempt.marked);
    }
    EXPECT_FALSE(screen->alert()); // nothing was sent, so nothing answered
    // A second save before the answer, or a press or typing under its alert, sends nothing.
    screen->organisationField()->type("Åsa & Co");
    auto save = screen->rightBarButtonItem();
    ASSERT_TRUE(save && save->press());
    EXPECT_EQ(std::make_pair(marked(), screen->isSending()), std::make_pair(std::string("----"), true));
    EXPECT_FALSE(screen->save());
    ASSERT_TRUE(runUntil([&] { return screen->alert() != nullptr; }));
    EXPECT_FALSE(screen->isSending());
    ASSERT_EQ(window->topAlert(), screen->alert());
    EXPECT_EQ(std::make_pair(screen->alert()->title(), screen->alert()->message()),
        std::make_pair(std::string("Verify email"), std::string("An email has been sent to your email address.\nPlease use the link to verify your address.")));
    EXPECT_FALSE(save->press());
    EXPECT_FALSE(screen->emailField()->type("other@quindle.example"));
    EXPECT_EQ(screen->emailField()->text(), email);
    settle();
    auto registrations = [&] {
        return std::ranges::count_if(log.lines(),
            [](const std::string& line) { return line.starts_with("requestWithURL ") && line.find("/registerCompany?") != std::string::npos; });
    };
    EXPECT_EQ(std::make_pair(registrations(), completions), std::make_pair(std::ptrdiff_t(1), 0));
    ASSERT_TRUE(screen->alert()->chooseButtonWithTitle("Ok"));
    EXPECT_TRUE(completions == 1 && !root->presentedViewController());
    // The account exists on the server now, with the whole password.
    EXPECT_FALSE(logIn(email, "p") || logIn(email, "p ss w"));
    EXPECT_TRUE(logIn(email, password));
    EXPECT_EQ(registrations(), 1);
    // An address the server refuses (no "@"; a taken one is answered like a new one) keeps the
    // screen open, and the screen says so instead of announcing a mail.
    auto twice = registration({ "new.quindle.example", "long-enough", "long-enough", "Second" });
    ASSERT_TRUE(twice->save());
    ASSERT_TRUE(runUntil([&] { return twice->alert() != nullptr; }));
    EXPECT_EQ(twice->alert()->title(), "Register your app");
    twice->alert()->chooseButton(0);
    EXPECT_TRUE(completions == 1 && root->presentedViewController());
}

TEST_F(AccountScreensTest, ChangePasswordReportsTheServersAnswerAndResetSendsTheAddressAndReturnsToTheLoginScreen)
{
    auto account = UserViewController::create(model());
    auto nav = present(account);
    auto change = [&](const std::string& password) {
        account->tableView()->selectRow({ 0, 0 });
        auto screen = std::dynamic_pointer_cast<ChangePasswordViewController>(nav->topViewController());
        if (!screen)
            return std::string("no password screen");
        screen->passwordField()->type(password);
        screen->confirmPasswordField()->type("not compared");
        screen->rightBarButtonItem()->press();
        if (!runUntil([&] { return screen->alert() != nullptr; }))
            return std::string("no alert");
        const std::string title = screen->alert()->title(), message = screen->alert()->message();
        screen->alert()->chooseButton(0);
        EXPECT_EQ(nav->topViewController(), account);
        return title + ": " + message;
    };
    // Logged out, the server refuses the change.
    EXPECT_EQ(change("new-password"), "Change password: An error occured when changing your password");
    ASSERT_TRUE(logIn(QuindleServer::demoEmail, QuindleServer::demoPassword));
    EXPECT_EQ(change("new-password"), "Change password: Your password has been changed");
    model().setAuthToken({});
    EXPECT_TRUE(logIn(QuindleServer::demoEmail, "new-password"));
    // A reset sends the address as typed on its screen, opened from the login screen.
    auto& recorder = useRecordingServer();
    auto login = LoginViewController::create(model());
    nav = present(login);
    login->loginField()->type("me+1@home.example");
    ASSERT_EQ(login->rows().size(), 3u);
    login->tableView()->selectRow({ 0, 2 }); // the "forgot password" link
    auto reset = std::dynamic_pointer_cast<ResetPasswordViewController>(nav->topViewController());
    ASSERT_TRUE(reset);
    EXPECT_EQ(std::make_tuple(reset->title(), reset->email(), reset->emailField()->text()),
        std::make_tuple(std::string("Reset password"), std::string("me+1@home.example"), std::string("me+1@home.example")));
    reset->emailField()->type("me 2@home.example");
    reset->rightBarButtonItem()->press();
    ASSERT_TRUE(reset->alert()); // at once, before any reply
    EXPECT_EQ(std::make_pair(reset->alert()->title(), reset->alert()->message()),
        std::make_pair(std::string("Reset password"), std::string("A temporary password has been sent to your email")));
    ASSERT_TRUE(recorder.waitForRequests(1));
    EXPECT_EQ(recorder.requests()[0].target, base() + "resetPassword?email=me%202@home.example");
    reset->alert()->chooseButton(0);
    EXPECT_EQ(nav->topViewController(), login);
}

TEST_F(AccountScreensTest, AccountTabSavesItsOwnCopyOfTheDefaultsAndLogsOut)
{
    // Without "DefaultOptions" the fields start empty and black.
    auto& recorder = useRecordingServer(200, R"({"Message":"ok"})");
    auto fresh = UserViewController::create(model());
    present(fresh);
    EXPECT_EQ(fresh->tabBarItem().title, "Account");
    ASSERT_EQ(fresh->rightBarButtonItems().size(), 2u);
    EXPECT_EQ(std::make_pair(fresh->rightBarButtonItems()[0]->title(), fresh->rightBarButtonItems()[1]->title()), std::make_pair(std::string("Logout"), std::string("Save")));
    fresh->rightBarButtonItems()[1]->press();
    ASSERT_TRUE(recorder.waitForRequests(1));
    EXPECT_EQ(std::make_pair(recorder.requests()[0].target, recorder.requests()[0].body),
        std::make_pair(base() + "updateDefaultOptions", std::string(R"({"toptions":"(null):(null):0.00,0.00,0.00:0.00,0.00,0.00"})")));
    auto account = styledAccount();
    EXPECT_EQ(account->optionsString(), "Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00");
    account->updateBackgroundColour(Colour::fromRGB(0.25, 0.5, 0.75, 0.1));
    account->save();
    ASSERT_TRUE(recording->waitForRequests(2));
    EXPECT_EQ(recording->requests()[1].body, R"({"toptions":"Georgia:18:0.10,0.20,0.30:0.25,0.50,0.75"})");
    EXPECT_EQ(model().userBackgroundColour(), Colour::fromRGB(1, 0.5, 0));
    // Every row opens its screen; the choosers to come are plain titled screens for now.
    std::vector<std::string> opened;
    for (int row = 0; row < static_cast<int>(account->rows().size()); ++row) {
        EXPECT_EQ(account->rows()[row].cell->accessoryType(), AccessoryType::DisclosureIndicator);
        account->tableView()->selectRow({ 0, row });
        opened.push_back(stack->topViewController()->title());
        stack->popViewController(Animated::No);
    }
    EXPECT_EQ(opened, std::vector<std::string>({ "Change password", "Your beacons", "Font", "Size", "Colour", "Colour", "Edit Tabs" }));
    // Logout clears the token once the server answered, and only the base tabs stay.
    app->didFinishLaunchingWithOptions();
    settle();
    app->updateUserTabbar({});
    app->addLoginItemsToTabbar(app->tabbarItems());
    // The start page, "Followups" (a logged-in user without workflows), "Tab Edit" and "Account".
    ASSERT_EQ(app->tabbar()->viewControllers().size(), 4u);
    account->rightBarButtonItems()[0]->press();
    ASSERT_TRUE(runUntil([&] { return app->tabbar()->viewControllers().size() == 1; }));
    EXPECT_EQ(std::make_pair(model().isLoggedIn(), recording->requests().back().target), std::make_pair(false, base() + "logoutUser"));
    // Also when the server cannot be reached.
    model().setAuthToken("t2");
    model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
    account->logout();
    ASSERT_TRUE(runUntil([&] { return !model().isLoggedIn(); }));
}

TEST_F(AccountScreensTest, ChoosersReplaceTheDefaultsOnlyFontAndSizeRedrawAndARefusedSaveSaysSo)
{
    auto account = styledAccount();
    auto observer = std::make_shared<RecordingObserver>();
    account->tableView()->setObserver(observer);
    auto reloads = [&] { return std::ranges::count_if(observer->tables, [](auto& e) { return e.change == RowChange::ReloadAll; }); };
    struct Step {
        int row;
        std::function<void(ViewController&)> choose;
        bool redraws;
    };
    const Step steps[] = {
        { 2, [](ViewController& top) {
             auto& fonts = dynamic_cast<TextEditorFontViewController&>(top);
             EXPECT_EQ(fonts.selection(), "Georgia");
             fonts.tableView()->selectRow({ 0, 1 }); // "Courier", "Helvetica"
         }, true },
        { 3, [](ViewController& top) {
             auto& sizes = dynamic_cast<TextEditorSizeViewController&>(top);
             EXPECT_EQ(sizes.selection(), "18");
             sizes.tableView()->selectRow({ 0, 0 });
         }, true },
        { 4, [](ViewController& top) {
             auto& wheel = dynamic_cast<ColorWheelViewController&>(top);
             EXPECT_EQ(wheel.currentWellView()->colour(), (Colour { 0.1, 0.2, 0.3, 1 }));
             wheel.save(); // white: the cursor is still in the middle
         }, false },
        { 5, [](ViewController& top) {
             auto& wheel = dynamic_cast<ColorWheelViewController&>(top);
             EXPECT_EQ(wheel.currentWellView()->colour(), (Colour { 1, 0.5, 0, 1 }));
             wheel.brightnessSlider()->slide(0.5);
             wheel.save();
         }, false },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.row);
        auto before = reloads();
        account->tableView()->selectRow({ 0, step.row });
        auto top = stack->topViewController();
        ASSERT_NE(top, account);
        step.choose(*top);
        EXPECT_EQ(stack->topViewController(), account); // the chooser closed
        EXPECT_EQ(reloads() - before, step.redraws ? 1 : 0);
    }
    EXPECT_EQ(std::make_tuple(account->fontName(), account->size(), account->textColour()), std::make_tuple(std::string("Helvetica"), std::string("12"), Colour::white()));
    // A refused save says so; the choices stay for another try.
    recording->setResponder([](const RecordedRequest&) { return makeReply(500, R"({"error":"no"})"); });
    account->save();
    ASSERT_TRUE(runUntil([&] { return window->topAlert() != nullptr; }));
    EXPECT_EQ(std::make_pair(window->topAlert()->title(), window->topAlert()->buttonTitles()), std::make_pair(std::string("Not saved"), std::vector<std::string> { "OK" }));
    EXPECT_EQ(std::make_pair(account->fontName(), recording->requests().back().body),
        std::make_pair(std::string("Helvetica"), std::string(R"({"toptions":"Helvetica:12:1.00,1.00,1.00:0.50,0.50,0.50"})")));
}
