// The login, registration and password screens, the approval screen and the account tab,
// against the demo server (and a recording server where the exact request matters).
#include "app/AppDelegate.h"
#include "app/ChangePasswordViewController.h"
#include "app/CreateAccountViewController.h"
#include "app/LoginViewController.h"
#include "app/ResetPasswordViewController.h"
#include "app/UserViewController.h"

#include "AppFixture.h"
#include "content/DataManager.h"
#include "core/ModelFixture.h"
#include "content/DirectoryViewController.h"
#include "platform/JsonParser.h"
#include "ui/TextField.h"

using namespace quindle;
using namespace quindle::test;

namespace {

const std::string base = "/~corvath/vantro/web/app_dev.php/";

class AccountScreensTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        app = AppDelegate::create(model(), LocalPushService::create());
        ApplicationShell::setShared(app);
    }
    /// A presented login screen with the texts typed in, "Login" pressed.
    std::shared_ptr<LoginViewController> pressLogin(const std::string& email, const std::string& password, int* completions = nullptr)
    {
        auto login = LoginViewController::create(model(), [completions] {
            if (completions)
                ++*completions;
        });
        present(login);
        login->loginField()->type(email);
        login->passwordField()->type(password);
        EXPECT_EQ(login->rightBarButtonItem()->title(), "Login");
        login->rightBarButtonItem()->press();
        return login;
    }
    std::shared_ptr<AppDelegate> app;
};

DataManager& managerOf(const std::shared_ptr<ViewController>& stack)
{
    auto nav = std::dynamic_pointer_cast<NavigationController>(stack);
    auto screen = std::dynamic_pointer_cast<DirectoryViewController>(nav->viewControllers().front());
    return *screen->dataManager();
}

bool holdsAsset(const JsonArrayPtr& list, const std::string& id)
{
    for (auto& item : *list)
        if (item.isObject() && asset::ident(item.object()) == id)
            return true;
    return false;
}

} // namespace

TEST_F(AccountScreensTest, LoginWritesTheDefaultsBuildsTheUserTabsAndTheTrashTabReloadsFromTheTrash)
{
    LogCapture log;
    int completions = 0;
    auto login = pressLogin(QuindleServer::demoEmail, QuindleServer::demoPassword, &completions);
    EXPECT_TRUE(login->isSending());
    // Written at once: another reader of the file sees both values before any reply.
    auto onDisk = UserDefaults::create(defaultsPath());
    EXPECT_EQ(onDisk->stringForKey("login"), QuindleServer::demoEmail);
    EXPECT_EQ(onDisk->stringForKey("password"), QuindleServer::demoPassword);

    ASSERT_TRUE(runUntil([&] { return completions == 1; }));
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_TRUE(model().isLoggedIn());
    EXPECT_TRUE(log.anyStartsWith("userDict "));
    ASSERT_TRUE(app->userTabbarItems());
    const auto& tabs = *app->userTabbarItems();
    ASSERT_GE(tabs.size(), 2u); // the demo site's tabs, "Home" first, then "Trash"
    EXPECT_EQ(tabs.size(), model().tabs()->size());
    auto home = std::dynamic_pointer_cast<NavigationController>(tabs.front())->topViewController();
    EXPECT_EQ(home->title(), "Home");
    EXPECT_FALSE(std::dynamic_pointer_cast<DirectoryViewController>(home)->assetID().empty());
    EXPECT_EQ(std::dynamic_pointer_cast<NavigationController>(tabs.back())->topViewController()->title(), "Trash");

    // Delete an item of the home page; the trash tab's reload brings it in.
    DataManager& homePage = managerOf(tabs.front());
    ASSERT_FALSE(homePage.objects()->empty());
    const std::string deleted = *asset::ident(homePage.objects()->at(0).object());
    homePage.deleteAssetAtIndexPath(0);
    settle();
    DataManager& trash = managerOf(tabs.back());
    trash.reload();
    ASSERT_TRUE(runUntil([&] { return holdsAsset(trash.objects(), deleted); }));
    EXPECT_TRUE(log.anyStartsWith("refresh trash "));

    // A new screen starts from what the last attempt stored.
    auto again = LoginViewController::create(model());
    present(again);
    EXPECT_EQ(again->loginField()->text(), QuindleServer::demoEmail);
    EXPECT_EQ(again->passwordField()->text(), QuindleServer::demoPassword);
    EXPECT_TRUE(again->passwordField()->isFirstResponder());
}

TEST_F(AccountScreensTest, RefusedLoginShowsTheServersTextAndASecondPressSendsNothing)
{
    auto login = pressLogin(QuindleServer::demoEmail, "wrong-password");
    ASSERT_TRUE(runUntil([&] { return login->alert() != nullptr; }));
    auto alert = window->topAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Email not validated");
    EXPECT_EQ(alert->message(), "The e-mail address or the password is wrong.");
    EXPECT_EQ(alert->buttonTitles(), std::vector<std::string>({ "OK" }));
    alert->chooseButton(0);
    EXPECT_TRUE(root->presentedViewController()); // the screen stays
    EXPECT_FALSE(model().isLoggedIn());
    EXPECT_FALSE(app->userTabbarItems());

    // The username changes with every attempt, so an unchanged one shows nothing was sent.
    login->loginField()->type("someone@else.example");
    login->passwordField()->type(QuindleServer::demoPassword);
    login->rightBarButtonItem()->press();
    settle();
    EXPECT_EQ(model().username(), QuindleServer::demoEmail);
    EXPECT_EQ(login->alert(), alert);
    EXPECT_FALSE(model().isLoggedIn());
}

TEST_F(AccountScreensTest, LoginReplyEdgeCases)
{
    std::string reply;
    int status = 200;
    auto& recorder = useRecordingServer([&](const RecordedRequest&) {
        Reply r;
        r.status = status;
        r.body = reply;
        return r;
    });
    model().setPushTokenID("abcd");
    int completions = 0;
    auto run = [&](std::string body) {
        reply = std::move(body);
        app->updateUserTabbar({ ViewController::create("stale") });
        auto login = pressLogin("a@b.c", "secret", &completions);
        settle();
        return login;
    };

    // "User" is null: no device registration, no tabs, but the screen closes.
    run(R"({"Message":{"AuthToken":"t","User":null}})");
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(app->userTabbarItems()->size(), 1u);
    EXPECT_EQ(recorder.requests().size(), 1u);

    // "Tabbar" is an object: the session keeps the "Tabs" children, the shell gets no tabs.
    run(R"({"Message":{"AuthToken":"t","User":{"Tabs":{"Children":[{"Name":"A"}]},"Tabbar":{"Name":"x"}}}})");
    EXPECT_EQ(completions, 2);
    EXPECT_TRUE(app->userTabbarItems()->empty());
    ASSERT_EQ(model().tabs()->size(), 1u);
    EXPECT_EQ(recorder.requests().back().path, base + "registerDevice");

    // A failed reply hands over neither content nor an error; that is no login either, so the
    // screen stays and says so.
    status = 500;
    auto login = run(R"({"error":"down"})");
    EXPECT_EQ(completions, 2);
    EXPECT_TRUE(root->presentedViewController());
    ASSERT_TRUE(login->alert());
    EXPECT_EQ(login->alert()->title(), "Email not validated");
    EXPECT_EQ(login->alert()->message(), "The server did not answer. Please try again later.");
    status = 200;

    // Only "Trash" exactly gets the trash refresh; "trash" reloads its own directory.
    auto stacks = LoginViewController::tabStacksForTabbar(
        JsonParser::parse(R"([{"Name":"Trash","AssetId":"7"},{"Name":"trash","AssetId":"8"},{"Name":"F","Type":"Form","Title":"Form page"}])")->array(),
        model());
    ASSERT_EQ(stacks.size(), 3u);
    EXPECT_EQ(std::dynamic_pointer_cast<NavigationController>(stacks[2])->topViewController()->title(), "Form page");
    EXPECT_TRUE(managerOf(stacks[2]).isForm());
    const size_t before = recorder.requests().size();
    managerOf(stacks[0]).reload();
    managerOf(stacks[1]).reload();
    ASSERT_TRUE(recorder.waitForRequests(before + 2));
    settle();
    std::vector<std::string> targets;
    for (size_t i = before; i < recorder.requests().size(); ++i)
        targets.push_back(recorder.requests()[i].target);
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, std::vector<std::string>({ base + "contentForNode?assetid=8", base + "trash" }));
}

TEST_F(AccountScreensTest, RegistrationChecksEachFieldInOrderThenRegistersTheAccount)
{
    int completions = 0;
    auto screen = CreateAccountViewController::create(model(), [&] { ++completions; });
    present(screen);
    ASSERT_EQ(screen->rows().size(), 5u);
    EXPECT_EQ(screen->rows()[0].cell, screen->textCell());
    EXPECT_EQ(screen->rows()[1].height, 70);
    const Colour pink = CreateAccountViewController::warningColour;
    auto colours = [&] {
        return std::vector<Colour>({ screen->emailField()->backgroundColour(), screen->passwordField()->backgroundColour(),
            screen->passwordConfirmField()->backgroundColour(), screen->organisationField()->backgroundColour() });
    };
    const Colour white = Colour::white();

    screen->emailField()->type("a@bc");
    screen->passwordField()->type("abcde");
    screen->passwordConfirmField()->type("abcde");
    EXPECT_FALSE(screen->save());
    EXPECT_EQ(colours(), std::vector<Colour>({ pink, white, white, white }));

    screen->emailField()->type("new@quindle.example");
    EXPECT_FALSE(screen->save()); // matching but too short: both password fields
    EXPECT_EQ(colours(), std::vector<Colour>({ white, pink, pink, white }));

    screen->passwordField()->type("long-enough");
    screen->passwordConfirmField()->type("long-enougH");
    EXPECT_FALSE(screen->save());
    EXPECT_EQ(colours(), std::vector<Colour>({ white, pink, pink, white }));

    screen->passwordConfirmField()->type("long-enough");
    screen->organisationField()->type("Ab");
    EXPECT_FALSE(screen->save());
    EXPECT_EQ(colours(), std::vector<Colour>({ white, white, white, pink }));
    EXPECT_FALSE(screen->alert()); // nothing was sent, so nothing answered

    screen->organisationField()->type("ÅÖ"); // four bytes, but two characters
    EXPECT_FALSE(screen->save());
    screen->organisationField()->type("Åsa");
    ASSERT_TRUE(screen->save());
    EXPECT_EQ(colours(), std::vector<Colour>({ white, white, white, white }));
    ASSERT_TRUE(runUntil([&] { return screen->alert() != nullptr; }));
    EXPECT_EQ(screen->alert()->title(), "Verify email");
    EXPECT_EQ(screen->alert()->message(), "An email has been sent to your email address.\nPlease use the link to verify your address.");
    EXPECT_EQ(completions, 0);
    screen->alert()->chooseButtonWithTitle("Ok");
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(root->presentedViewController());

    // The account exists on the server now.
    model().loginWithUsername("new@quindle.example", "long-enough", {});
    settle();
    EXPECT_TRUE(model().isLoggedIn());

    // An address the server refuses (no "@"; a taken one is answered like a new one) keeps the
    // screen open, and the screen says so instead of announcing a mail.
    auto twice = CreateAccountViewController::create(model(), [&] { ++completions; });
    present(twice);
    twice->emailField()->type("new.quindle.example");
    twice->passwordField()->type("long-enough");
    twice->passwordConfirmField()->type("long-enough");
    twice->organisationField()->type("Second");
    ASSERT_TRUE(twice->save());
    ASSERT_TRUE(runUntil([&] { return twice->alert() != nullptr; }));
    EXPECT_EQ(twice->alert()->title(), "Register your app");
    twice->alert()->chooseButton(0);
    EXPECT_TRUE(root->presentedViewController());
    EXPECT_EQ(completions, 1);
}

TEST_F(AccountScreensTest, SaveBeforeTheAnswerOrUnderItsAlertRegistersOnce)
{
    LogCapture log;
    int completions = 0;
    auto screen = CreateAccountViewController::create(model(), [&] { ++completions; });
    present(screen);
    screen->tableView()->layoutAllRows(); // the rows on screen, as a front end draws them
    screen->emailField()->type("twice@quindle.example");
    screen->passwordField()->type("long-enough");
    screen->passwordConfirmField()->type("long-enough");
    screen->organisationField()->type("Twice Ltd");
    auto save = screen->rightBarButtonItem();
    ASSERT_TRUE(save);
    ASSERT_TRUE(save->press());
    EXPECT_TRUE(screen->isSending());
    EXPECT_FALSE(screen->save()); // the first is not answered yet
    ASSERT_TRUE(runUntil([&] { return screen->alert() != nullptr; }));
    EXPECT_FALSE(screen->isSending());
    ASSERT_EQ(window->topAlert(), screen->alert());
    EXPECT_EQ(screen->alert()->title(), "Verify email");

    // Under the alert the screen takes neither the press nor typing.
    EXPECT_FALSE(save->press());
    EXPECT_FALSE(screen->emailField()->type("other@quindle.example"));
    EXPECT_EQ(screen->emailField()->text(), "twice@quindle.example");
    settle();
    auto registrations = [&] {
        int count = 0;
        for (const auto& line : log.lines())
            count += line.starts_with("requestWithURL ") && line.find("/registerCompany?") != std::string::npos;
        return count;
    };
    EXPECT_EQ(registrations(), 1);

    ASSERT_TRUE(screen->alert()->chooseButtonWithTitle("Ok"));
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(root->presentedViewController());
    model().loginWithUsername("twice@quindle.example", "long-enough", {});
    settle();
    EXPECT_TRUE(model().isLoggedIn());
    EXPECT_EQ(registrations(), 1);
}

TEST_F(AccountScreensTest, AFailedTrashRefreshKeepsTheTrashTabAndAnyTrashListReplacesIt)
{
    auto tabbar = JsonParser::parse(R"([{"Name":"Trash","Title":"Trash","Type":"Directory","Children":[)"
                                    R"({"AssetId":"4","Type":"Text","Name":"Old note","IsDeleted":"true"}]}])")->array();
    auto stacks = LoginViewController::tabStacksForTabbar(tabbar, model());
    ASSERT_EQ(stacks.size(), 1u);
    DataManager& trash = managerOf(stacks.front());
    ASSERT_EQ(trash.objects()->size(), 1u);
    auto& recorder = useRecordingServer();
    auto answer = [&](int status, std::string body) {
        recorder.setResponder([=](const RecordedRequest&) {
            Reply reply;
            reply.status = status;
            reply.body = body;
            return reply;
        });
    };
    for (auto [status, body] : { std::pair { 500, std::string(R"({"error":"boom"})") }, std::pair { 200, std::string("not json {") },
             std::pair { 200, std::string(R"({"Message":{"Trash":"none"}})") } }) {
        answer(status, body);
        trash.reload();
        settle();
        EXPECT_EQ(trash.objects()->size(), 1u) << status << " " << body;
    }
    answer(200, R"({"Message":{"Trash":[]}})");
    trash.reload();
    settle();
    EXPECT_TRUE(trash.objects()->empty());
    auto requests = recorder.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests)
        EXPECT_EQ(request.target, base + "trash");
}

TEST_F(AccountScreensTest, ResetPasswordSendsTheAddressAndReturnsToTheLoginScreen)
{
    auto& recorder = useRecordingServer();
    auto login = LoginViewController::create(model());
    auto stack = present(login);
    login->loginField()->type("me+1@home.example");
    ASSERT_EQ(login->rows().size(), 3u);
    login->tableView()->selectRow({ 0, 2 }); // the "forgot password" link
    auto reset = std::dynamic_pointer_cast<ResetPasswordViewController>(stack->topViewController());
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset->title(), "Reset password");
    EXPECT_EQ(reset->email(), "me+1@home.example");
    EXPECT_EQ(reset->emailField()->text(), "me+1@home.example");

    reset->emailField()->type("me 2@home.example");
    reset->rightBarButtonItem()->press();
    ASSERT_TRUE(reset->alert()); // at once, before any reply
    EXPECT_EQ(reset->alert()->title(), "Reset password");
    EXPECT_EQ(reset->alert()->message(), "A temporary password has been sent to your email");
    ASSERT_TRUE(recorder.waitForRequests(1));
    EXPECT_EQ(recorder.requests()[0].target, base + "resetPassword?email=me%202@home.example");
    reset->alert()->chooseButton(0);
    EXPECT_EQ(stack->topViewController(), login);
}

TEST_F(AccountScreensTest, ChangePasswordReportsTheServersAnswer)
{
    auto account = UserViewController::create(model());
    auto stack = present(account);
    auto change = [&](const std::string& password) {
        account->tableView()->selectRow({ 0, 0 });
        auto screen = std::dynamic_pointer_cast<ChangePasswordViewController>(stack->topViewController());
        EXPECT_TRUE(screen);
        if (!screen)
            return std::string();
        screen->passwordField()->type(password);
        screen->confirmPasswordField()->type("not compared");
        screen->rightBarButtonItem()->press();
        EXPECT_TRUE(runUntil([&] { return screen->alert() != nullptr; }));
        std::string message = screen->alert() ? screen->alert()->message() : "";
        EXPECT_EQ(screen->alert() ? screen->alert()->title() : "", "Change password");
        if (screen->alert())
            screen->alert()->chooseButton(0);
        EXPECT_EQ(stack->topViewController(), account);
        return message;
    };

    // Logged out, the server refuses the change.
    EXPECT_EQ(change("new-password"), "An error occured when changing your password");

    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, {});
    settle();
    ASSERT_TRUE(model().isLoggedIn());
    EXPECT_EQ(change("new-password"), "Your password has been changed");
    model().setAuthToken({});
    model().loginWithUsername(QuindleServer::demoEmail, "new-password", {});
    settle();
    EXPECT_TRUE(model().isLoggedIn());
}

TEST_F(AccountScreensTest, AccountTabSavesItsOwnCopyOfTheDefaultsAndLogsOut)
{
    auto& recorder = useRecordingServer([](const RecordedRequest& request) {
        Reply reply;
        if (request.path.find("login") != std::string::npos)
            reply.body = R"({"Message":{"AuthToken":"t1","User":{"DefaultOptions":"Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00"}}})";
        else
            reply.body = R"({"Message":"ok"})";
        return reply;
    });
    auto sentOptions = [&](size_t index) {
        auto body = JsonParser::parse(recorder.requests().at(index).body);
        return body && body->isObject() ? body->object()->get("toptions").asString() : std::string("?");
    };

    // Without "DefaultOptions" the fields start empty and black.
    auto fresh = UserViewController::create(model());
    present(fresh);
    EXPECT_EQ(fresh->tabBarItem().title, "Account");
    EXPECT_EQ(fresh->tabBarItem().imageName, "first.png"); // shown once
    ASSERT_EQ(fresh->rightBarButtonItems().size(), 2u);
    EXPECT_EQ(fresh->rightBarButtonItems()[0]->title(), "Logout");
    EXPECT_EQ(fresh->rightBarButtonItems()[1]->title(), "Save");
    fresh->rightBarButtonItems()[1]->press();
    ASSERT_TRUE(recorder.waitForRequests(1));
    EXPECT_EQ(recorder.requests()[0].target, base + "updateDefaultOptions");
    EXPECT_EQ(sentOptions(0), "(null):(null):0.00,0.00,0.00:0.00,0.00,0.00");

    model().loginWithUsername("a@b.c", "pw", {});
    settle();
    auto account = UserViewController::create(model());
    auto stack = present(account);
    EXPECT_EQ(account->tabBarItem().imageName, "first.png");
    EXPECT_EQ(account->optionsString(), "Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00");
    account->updateBackgroundColour(Colour::fromRGB(0.25, 0.5, 0.75, 0.1));
    account->save();
    ASSERT_TRUE(recorder.waitForRequests(3));
    EXPECT_EQ(sentOptions(2), "Georgia:18:0.10,0.20,0.30:0.25,0.50,0.75");
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
    EXPECT_FALSE(model().isLoggedIn());
    EXPECT_EQ(recorder.requests().back().target, base + "logoutUser");

    // Also when the server cannot be reached.
    model().setAuthToken("t2");
    model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
    account->logout();
    ASSERT_TRUE(runUntil([&] { return !model().isLoggedIn(); }));
}

TEST_F(AccountScreensTest, AnAddressAndPasswordHoldingQueryPunctuationRegisterAndLogInWhole)
{
    // "&", "=", "+" and "#" once cut the password short or turned it into a blank on the server.
    const std::string email = "care+team@rowan.example";
    const std::string password = "p&ss+w#rd=1";
    auto call = [&](auto operation) {
        Collector answer;
        operation(answer.handler());
        return answer.single();
    };
    ASSERT_TRUE(call([&](auto handler) { model().addAccountWithUsername(email, password, "Rowan & Co", handler); }).content);
    for (const auto& [tried, accepted] : { std::pair { std::string("p"), false }, std::pair { std::string("p ss w"), false }, std::pair { password, true } }) {
        model().resetSessionForTesting();
        model().setConfiguration(*ServerConfiguration::create(server.host()));
        call([&](auto handler) { model().loginWithUsername(email, tried, handler); });
        EXPECT_EQ(model().isLoggedIn(), accepted) << tried;
    }
}
