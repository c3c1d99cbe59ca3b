// The text client: how it draws a window, how its commands act like a user, and the quindle-term
// program against a recording server or its own demo server.
#include "core/ModelFixture.h"
#include "frontends/qt/PhoneTestSupport.h"
#include "frontends/term/CommandInterpreter.h"
#include "support/RecordingServer.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Switch.h"
#include "ui/TabBarController.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

/// Rows of names, then one input row that writes each edit into `typedValue`; the first row holds
/// a picture, as rows of the content screens do.
class ListRows : public RecordingRows {
public:
    std::string typedValue; // what the input's should-change handler stored
    int rowCounts = 0; // how often the table asked for the rows
    bool isName(IndexPath path) const { return path.row < static_cast<int>(titles.size()); }
    int numberOfRowsInSection(TableView& table, int section) override
    {
        ++rowCounts;
        return RecordingRows::numberOfRowsInSection(table, section) + 1;
    }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override
    {
        if (isName(path)) {
            auto cell = RecordingRows::cellForRowAtIndexPath(table, path);
            if (path.row == 0)
                cell->contentView()->addSubview(ImageView::create());
            return cell;
        }
        auto cell = TableViewCell::create(CellStyle::Default, "row");
        auto field = TextField::create();
        field->setPlaceholder("Your name");
        field->setText(typedValue);
        field->shouldChangeCharacters = [this](TextField& edited, TextRange range, const std::string& text) {
            typedValue = range.applyTo(edited.text(), text);
            return true;
        };
        cell->contentView()->addSubview(field);
        cell->contentView()->addSubview(Switch::create());
        return cell;
    }
    bool canEditRowAtIndexPath(TableView&, IndexPath path) override { return isName(path); }
    bool canMoveRowAtIndexPath(TableView&, IndexPath path) override { return isName(path); }
};

/// A list screen as the content screens build one: the table in a root view, with a Send button.
class ListScreen : public TableScreen {
public:
    static std::shared_ptr<ListScreen> create(std::string title, std::shared_ptr<ListRows> rows)
    {
        auto screen = std::shared_ptr<ListScreen>(new ListScreen(std::move(title)));
        screen->rows = std::move(rows);
        return screen;
    }
    std::shared_ptr<Button> sendButton = Button::create("Send");

protected:
    using TableScreen::TableScreen;
    void loadView() override
    {
        auto root = View::create(Window::defaultBounds);
        setView(root);
        table = TableView::create(Window::defaultBounds);
        table->setDataSource(rows);
        table->setDelegate(rows);
        root->addSubview(table);
        root->addSubview(sendButton);
    }
};

/// Home (its bar buttons recording presses) and Trash (badge "2") in two tabs, with a text client.
struct App {
    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<TabBarController> tabs = TabBarController::create();
    std::shared_ptr<ListRows> rows = std::make_shared<ListRows>();
    std::shared_ptr<ListScreen> home = ListScreen::create("Home", rows);
    std::shared_ptr<ListScreen> trash = ListScreen::create("Trash", std::make_shared<ListRows>());
    std::vector<std::string> pressed;
    std::unique_ptr<CommandInterpreter> interpreter;
    std::string errors;
    App()
    {
        MainQueue::shared().makeCurrentThreadMain();
        rows->titles = { "Welcome", "Garden", "Events" };
        home->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [this] { pressed.push_back("Cancel"); }));
        home->setRightBarButtonItems({ BarButtonItem::create(SystemItem::Edit, [this] { pressed.push_back("Edit"); }),
            BarButtonItem::create(SystemItem::Add, [this] { pressed.push_back("Add"); }) });
        trash->setBadgeValue("2");
        tabs->setViewControllers({ NavigationController::create(home), NavigationController::create(trash) });
        window->setRootViewController(tabs);
        window->makeKeyAndVisible();
        interpreter = std::make_unique<CommandInterpreter>(window);
    }
    std::string screen() { return interpreter->render().text; }
    /// Runs the script, its failures going to `errors`.
    int run(const std::string& script)
    {
        std::istringstream input(script);
        std::ostringstream output, messages;
        int status = interpreter->runScript(input, "test.script", output, messages);
        errors = messages.str();
        return status;
    }
};

std::filesystem::path scratch()
{
    auto folder = std::filesystem::temp_directory_path() / ("quindle-term-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

/// Runs quindle-term with the arguments and `input` on its standard input.
ProgramRun runTerm(const std::string& arguments, const std::string& input = "show\n")
{
    // The object store the app closes at exit goes here, not into the home folder.
    setenv("QUINDLE_DOCUMENTS", scratch().c_str(), 1);
    std::ofstream(scratch() / "input.term") << input;
    return runProgram("frontends/term/quindle-term " + arguments + " < " + (scratch() / "input.term").string());
}

/// A start page holding the "Hello there" text, then `more` children.
std::string startPage(const std::string& more = "")
{
    return R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Home","Children":[)"
           R"({"AssetId":"2","Type":"Text","Name":"Welcome","Data":"Hello there"})" + more + "]}}";
}

} // namespace

TEST(TermRenderer, DrawsTheWindowAndTheCommandsActLikeAUser)
{
    App app;
    EXPECT_EQ(app.screen(), "Tabs: [*Home*] [Trash (2)]\nTitle: Home\nBar: [Cancel] | [Edit] [Add]\n"
                            "  0. Welcome  [no image]  >\n  1. Garden  >\n  2. Events  >\n  3. {0}[____ Your name]  [off]\n<Send>\n");
    app.rows->typedValue = "Ann";
    app.home->table->reloadData();
    EXPECT_TRUE(contains(app.screen(), "  3. {0}[Ann]  [off]\n"));
    // Drawing again asks the data source nothing until the table reports a change of rows:
    // sources that collect their input rows as the table asks for them keep what they collected.
    int counted = app.rows->rowCounts;
    app.screen();
    EXPECT_EQ(app.rows->rowCounts, counted);
    app.rows->titles.push_back("News");
    app.home->table->insertRowsAtIndexPaths({ { 0, 3 } }, RowAnimation::None);
    EXPECT_TRUE(contains(app.screen(), "  3. News  >\n  4. {0}[Ann]")) << app.screen();
    EXPECT_GT(app.rows->rowCounts, counted);
    // An alert's fields are numbered after the screen's.
    auto alert = AlertView::create("Edit Page", "Choose one\nor cancel", "Cancel", { "Reorder", "Add" });
    alert->setAlertViewStyle(AlertViewStyle::LoginAndPasswordInput);
    alert->textFieldAtIndex(1)->setText("secret");
    alert->show(app.window);
    EXPECT_TRUE(contains(app.screen(), "Alert: Edit Page\n  Choose one\n  or cancel\n  {1}[____ ]\n  {2}[******]\n"
                                       "  Buttons: (Cancel) (Reorder) (Add)\n"))
        << app.screen();
    alert->chooseButton(0);
    // Then the commands act like a user: rows, bar buttons, inputs, tabs and buttons; moves and
    // deletions in reorder mode; alerts answered; push tokens, grants and notifications.
    ASSERT_EQ(app.run("# rows, bar buttons, inputs\ntap 1\ntap 0 2\npress Edit\npress Add\nfield 0 Ann Smith\nexpect {0}[Ann Smith]\n"
                      "reject Nobody\ntab Trash\nexpect Title: Trash\ntab 0\n"),
        0)
        << app.errors;
    EXPECT_EQ(app.rows->selected, (std::vector<IndexPath> { { 0, 1 }, { 0, 2 } }));
    EXPECT_EQ(app.pressed, (std::vector<std::string> { "Edit", "Add" }));
    // The edit went through the input's should-change handler, which stored it.
    EXPECT_EQ(app.rows->typedValue, "Ann Smith");
    int sent = 0;
    app.home->sendButton->onTap = [&](Button&) { ++sent; };
    EXPECT_EQ(app.run("press Send\n"), 0);
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(app.run("move 0 1\n"), 1);
    EXPECT_TRUE(contains(app.errors, "not in reorder mode")) << app.errors;
    app.home->table->setEditing(Editing::On, Animated::No);
    ASSERT_EQ(app.run("move 0 1\ndelete 2\ndelete 2\nexpect (editing)\n"), 0) << app.errors;
    EXPECT_EQ(app.rows->titles, (std::vector<std::string> { "Garden", "Welcome" }));
    EXPECT_EQ(app.run("delete 2\n"), 1); // the input row may not go
    int chosen = -1;
    alert = AlertView::create("Edit Page", "", "Cancel", { "Reorder" });
    alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    alert->onDismiss = [&](AlertView&, int index) { chosen = index; };
    alert->show(app.window);
    EXPECT_EQ(app.run("alert Nope\n"), 1);
    EXPECT_TRUE(contains(app.errors, "\"Cancel\", \"Reorder\"")) << app.errors;
    ASSERT_EQ(app.run("field 1 Page two\nalert Reorder\nreject Alert:\n"), 0) << app.errors;
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(alert->textFieldAtIndex(0)->text(), "Page two");
    // Push commands reach the shell's callbacks.
    std::vector<uint8_t> token;
    std::vector<unsigned> grants;
    JsonObjectPtr payload;
    app.interpreter->setPushHandlers({ [&](std::vector<uint8_t> bytes) { token = bytes; }, [&](unsigned types) { grants.push_back(types); },
        [&](JsonObjectPtr object) { payload = object; } });
    ASSERT_EQ(app.run("push token 00ff1A\npush grant none\npush grant badge,sound,alert\npush notify {\"action\":\"register\",\"name\":\"Shop\"}\n"), 0)
        << app.errors;
    EXPECT_EQ(token, (std::vector<uint8_t> { 0x00, 0xff, 0x1a }));
    EXPECT_EQ(grants, (std::vector<unsigned> { 0, 7 }));
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->get("action").asString(), "register");
    EXPECT_EQ(app.run("push grant loud\n"), 1);
    app.tabs->setTabBarHidden(BarVisibility::Hidden);
    EXPECT_FALSE(contains(app.screen(), "Tabs:"));
    // A pushed screen names the one under it; a screen presented over it has no way back.
    auto garden = ViewController::create("Garden");
    app.home->navigationController()->pushViewController(garden, Animated::No);
    EXPECT_TRUE(contains(app.screen(), "Title: Garden\nBack: Home\n")) << app.screen();
    garden->presentViewController(ViewController::create("Photo"), Animated::No);
    EXPECT_TRUE(contains(app.screen(), "Title: Photo\n") && !contains(app.screen(), "Back:")) << app.screen();
}

TEST(CommandInterpreter, FailuresNameTheLineAndStopTheScript)
{
    App app;
    EXPECT_EQ(app.run("show\n\n  tap 9\npress Edit\n"), 1);
    // The message, then the screen at the failure.
    EXPECT_EQ(app.errors.rfind("test.script:3: tap 9: no row 9 on screen (4 rows)\nThe screen then:\nTabs: [*Home*]", 0), 0u) << app.errors;
    EXPECT_TRUE(app.pressed.empty()); // nothing after the failing line ran
    for (std::string bad : { "press Frobnicate", "expect Nowhere", "reject Welcome", "field 7 x", "back", "tab 5", "refresh", "jump 3",
             "push token abc", "push notify [1]", "tap x", "slide 3 0.5", "drag 0 10", "drag 1 10 10" }) {
        EXPECT_EQ(app.run(bad + "\n"), 1) << bad;
        EXPECT_EQ(app.errors.rfind("test.script:1: " + bad + ": ", 0), 0u) << app.errors;
    }
    EXPECT_EQ(app.run("quit\ntap 9\n"), 0);
    // Interactive use keeps going after a failure and shows the screen again after a change.
    std::istringstream input("tap 9\ntab 1\n");
    std::ostringstream output, messages;
    EXPECT_EQ(app.interpreter->runInteractive(input, output, messages), 0);
    EXPECT_TRUE(contains(messages.str(), "line 1: tap 9: no row 9")) << messages.str();
    EXPECT_TRUE(contains(output.str(), "Title: Trash")) << output.str();
    // A title two tabs share picks neither; the number does.
    app.trash->setTitle("Home");
    app.tabs->setSelectedIndex(0);
    EXPECT_EQ(app.run("tab Home\n"), 1);
    EXPECT_EQ(app.errors.rfind("test.script:1: tab Home: more than one tab is called \"Home\" (0, 1): choose one by its number", 0), 0u) << app.errors;
    EXPECT_EQ(app.tabs->selectedIndex(), 0);
    ASSERT_EQ(app.run("tab 1\n"), 0) << app.errors;
    EXPECT_EQ(app.tabs->selectedIndex(), 1);
}

TEST(CommandInterpreter, WaitRunsTheQueueUntilRepliesAreInAndGivesUpAtItsTimeout)
{
    App app;
    auto client = std::make_shared<BusyClient>();
    app.interpreter = std::make_unique<CommandInterpreter>(app.window, client);
    app.interpreter->setWaitTimeout(std::chrono::milliseconds(100));
    // A reply handler on another thread hands its work to the main queue, then finishes.
    client->busy = 1;
    std::thread reply([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        MainQueue::shared().dispatch([&] { app.home->setTitle("Loaded"); });
        client->busy = 0;
    });
    EXPECT_EQ(app.run("wait\nexpect Title: Loaded\n"), 0) << app.errors;
    reply.join();
    client->busy = 1;
    EXPECT_EQ(app.run("wait\n"), 1);
    EXPECT_TRUE(contains(app.errors, "still busy after 100 ms")) << app.errors;
}

// The start page the server sends is shown; a server that is down or answers nonsense leaves it
// empty with a note, never a crash; bad options are usage errors; without a server the demo server starts in-process, and
// a script ends with 0, or with 1 at its first failing line.
TEST(TermClient, ExitStatusAndWhatTheClientSays)
{
    const std::string good = (scratch() / "good.term").string(), bad = (scratch() / "bad.term").string();
    std::ofstream(good) << "# the demo start page\nexpect Welcome to Quindle Care Home\nreject Nowhere\n";
    std::ofstream(bad) << "expect Welcome\nexpect Nowhere\nquit\n";
    const std::string noStart = "quindle-term: no start page from";
    struct Case {
        std::optional<Reply> reply; // when set, a server answers every request with it
        std::string arguments;
        int status;
        std::string shown;
    } cases[] = {
        { makeReply(200, startPage(R"(,{"AssetId":"3","Type":"Directory","Name":"Garden"})")), "", 0, "  0. Hello there\n  1. Garden  >\n" },
        { {}, "--server http://127.0.0.1:1", 0, noStart }, // nothing listens there
        { makeReply(200, "not json {"), "", 0, noStart },
        { makeReply(500, "{}"), "", 0, noStart },
        { makeReply(200, "[1,2]"), "", 0, noStart },
        { makeReply(200, R"({"Message":{"Children":{}}})"), "", 0, noStart },
        { {}, "--server ftp://example", 2, "" },
        { {}, "--bogus", 2, "unknown option --bogus" },
        { {}, "--demo --server http://127.0.0.1:1", 2, "" },
        { {}, "--script", 2, "" },
        { {}, "--script /nonexistent/quindle.term", 2, "cannot read the script" },
        { {}, "--script " + good, 0, "Demo server at http://127.0.0.1:" },
        { {}, "--demo --script " + bad, 1, "bad.term:2: expect Nowhere: \"Nowhere\" is not on screen" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + (c.reply ? c.reply->body : ""));
        std::optional<RecordingServer> server;
        if (c.reply)
            server.emplace([reply = *c.reply](const RecordedRequest&) { return reply; });
        ProgramRun run = runTerm(server ? "--server " + server->url() : c.arguments, contains(c.arguments, "--script") ? "" : "show\n");
        EXPECT_EQ(run.status, c.status) << run.output;
        if (!c.shown.empty()) {
            EXPECT_TRUE(contains(run.output, c.shown)) << run.output;
        }
        // Whatever the server answers, the client first asks it for the start page.
        if (server) {
            auto requests = server->requests();
            ASSERT_FALSE(requests.empty());
            EXPECT_EQ(requests[0].method + " " + requests[0].target, "GET /~corvath/vantro/web/app_dev.php/contentForNode");
        }
    }
    std::filesystem::remove_all(scratch());
}

// A refresh whose reply is a failure leaves the page as it was; a list, even an empty one, replaces it.
TEST(TermClient, AFailedRefreshKeepsThePage)
{
    std::atomic<int> pages { 0 };
    RecordingServer server([&pages](const RecordedRequest&) {
        const int page = pages++;
        return page == 0 ? makeReply(200, startPage())
            : page == 1  ? makeReply(500, R"({"error":"boom"})")
            : page == 2  ? makeReply(200, "not json {")
                         : makeReply(200, R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Home","Children":[]}})");
    });
    const std::string refreshed = "refresh\nwait\nexpect 0. Hello there\n";
    ProgramRun run = runTerm("--server " + server.url(), "expect 0. Hello there\n" + refreshed + refreshed + "refresh\nwait\nexpect (no rows)\n");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(contains(run.output, "line ")) << run.output; // no command failed
    EXPECT_EQ(pages.load(), 4);
}

// An alert takes all input: Save pressed again under the registration's answer sends nothing,
// and the client says why the press and the typing were refused.
TEST(TermClient, SaveUnderTheRegistrationAlertRegistersOnce)
{
    RecordingServer server([](const RecordedRequest& request) {
        return makeReply(200, request.path.ends_with("/registerCompany") ? R"({"Message":{"AssetId":"9","Name":"Twice Ltd","Published":"No"}})" : startPage());
    });
    ProgramRun run = runTerm("--server " + server.url(),
        "press Register\nfield 0 twice@quindle.example\nfield 1 long-enough\nfield 2 long-enough\nfield 3 Twice Ltd\npress Save\n"
        "wait\nexpect Alert: Verify email\npress Save\nfield 0 other@quindle.example\nreturn 0\nwait\n"
        "expect {0}[twice@quindle.example]\nalert Ok\nwait\nexpect Title: Home\n");
    EXPECT_EQ(run.status, 0) << run.output;
    for (const char* refused : { "line 9: press Save: the button \"Save\" takes no press now (the alert \"Verify email\" is on screen)",
             "line 10: field 0 other@quindle.example: input 0 refused the text (the alert \"Verify email\" is on screen)",
             "line 11: return 0: input 0 refused the return" })
        EXPECT_TRUE(contains(run.output, refused)) << run.output;
    // Only the failures above: every other line was taken.
    EXPECT_FALSE(contains(run.output, "line 13:") || contains(run.output, "line 16:")) << run.output;
    int registrations = 0;
    for (const auto& request : server.requests()) {
        if (request.path.ends_with("/registerCompany")) {
            ++registrations;
            EXPECT_TRUE(contains(request.target, "email=twice@quindle.example")) << request.target;
        }
    }
    EXPECT_EQ(registrations, 1);
}
