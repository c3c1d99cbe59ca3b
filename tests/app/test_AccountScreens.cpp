// The login, registration and password screens and the account tab with its default style
// choosers, against the demo server (and a recording server where the exact request matters).
#include "app/AppDelegate.h"
#include "app/ChangePasswordViewController.h"
#include "app/CreateAccountViewController.h"
#include "app/LoginViewController.h"
#include "app/ResetPasswordViewController.h"
#include "app/UserViewController.h"

#include "AppFixture.h"
#include "editors/ColorWheelViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"
#include "platform/JsonParser.h"
#include "ui/RecordingObserver.h"

#include <array>

using namespace quindle;
using namespace quindle::test;

namespace {

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
    /// A recording server whose login hands out a token and the user's default style; every
    /// other request is answered with `status`, then a logged-in account tab on screen.
    std::shared_ptr<UserViewController> styledAccount(int status = 200)
    {
        useRecordingServer([status](const RecordedRequest& request) {
            if (request.path.find("login") != std::string::npos)
                return makeReply(200, R"({"Message":{"AuthToken":"t1","User":{"DefaultOptions":"Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00"}}})");
            return status == 200 ? makeReply(200, R"({"Message":"ok"})") : makeReply(status, R"({"error":"no"})");
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
    /// The "toptions" a request sent.
    std::string sentOptions(size_t index) const
    {
        auto body = JsonParser::parse(recording->requests().at(index).body);
        EXPECT_TRUE(body && body->isObject() && body->object()->size() == 1u);
        return body && body->isObject() ? body->object()->get("toptions").asString() : std::string("?");
    }

    std::shared_ptr<AppDelegate> app;
    std::shared_ptr<NavigationController> stack;
};

} // namespace

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
        std::make_tuple(2, size_t(0), size_t(1), base + "registerDevice"));
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
    EXPECT_EQ(targetsFrom(before), std::vector<std::string>({ base + "contentForNode?assetid=8", base + "trash" }));
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
    EXPECT_EQ(targetsFrom(before), std::vector<std::string>(4, base + "trash"));
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

TEST_F(AccountScreensTest, ResetPasswordSendsTheAddressAndReturnsToTheLoginScreen)
{
    auto& recorder = useRecordingServer();
    auto login = LoginViewController::create(model());
    auto nav = present(login);
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
    EXPECT_EQ(recorder.requests()[0].target, base + "resetPassword?email=me%202@home.example");
    reset->alert()->chooseButton(0);
    EXPECT_EQ(nav->topViewController(), login);
}

TEST_F(AccountScreensTest, ChangePasswordReportsTheServersAnswer)
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
    EXPECT_EQ(std::make_pair(recorder.requests()[0].target, sentOptions(0)), std::make_pair(base + "updateDefaultOptions", std::string("(null):(null):0.00,0.00,0.00:0.00,0.00,0.00")));
    auto account = styledAccount();
    EXPECT_EQ(account->optionsString(), "Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00");
    account->updateBackgroundColour(Colour::fromRGB(0.25, 0.5, 0.75, 0.1));
    account->save();
    ASSERT_TRUE(recording->waitForRequests(2));
    EXPECT_EQ(sentOptions(1), "Georgia:18:0.10,0.20,0.30:0.25,0.50,0.75");
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
    EXPECT_EQ(std::make_pair(model().isLoggedIn(), recording->requests().back().target), std::make_pair(false, base + "logoutUser"));
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
    EXPECT_EQ(std::make_pair(account->fontName(), sentOptions(recording->requests().size() - 1)),
        std::make_pair(std::string("Helvetica"), std::string("Helvetica:12:1.00,1.00,1.00:0.50,0.50,0.50")));
}
