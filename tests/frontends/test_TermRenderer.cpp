#include "frontends/term/CommandInterpreter.h"
#include "frontends/term/TermRenderer.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Switch.h"
#include "ui/TabBarController.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

using namespace quindle;

namespace {

/// A list screen as the content screens build one: a table in the root view, its rows a
/// record each, one row an input that writes each edit into its record.
class ListScreen : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<ListScreen> create(std::string title, std::vector<std::string> names)
    {
        auto screen = std::shared_ptr<ListScreen>(new ListScreen(std::move(title)));
        screen->names = std::move(names);
        return screen;
    }

    std::vector<std::string> names;
    std::vector<IndexPath> selected;
    std::string typedValue; // what the input's should-change handler stored
    std::shared_ptr<TableView> table;
    std::shared_ptr<Button> sendButton;

    int rowCounts = 0; // how often the table asked for the rows
    int numberOfRowsInSection(TableView&, int) override
    {
        ++rowCounts;
        return static_cast<int>(names.size()) + 1;
    }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override
    {
        auto cell = TableViewCell::create(CellStyle::Default, "row");
        if (path.row < static_cast<int>(names.size())) {
            cell->textLabel()->setText(names[path.row]);
            cell->setAccessoryType(AccessoryType::DisclosureIndicator);
            if (path.row == 0)
                cell->contentView()->addSubview(ImageView::create());
            return cell;
        }
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
    bool canEditRowAtIndexPath(TableView&, IndexPath path) override { return path.row < static_cast<int>(names.size()); }
    bool canMoveRowAtIndexPath(TableView&, IndexPath path) override { return path.row < static_cast<int>(names.size()); }
    void commitEditingStyle(TableView& tableView, EditingStyle, IndexPath path) override
    {
        names.erase(names.begin() + path.row);
        tableView.reloadData();
    }
    void moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to) override
    {
        auto name = names[from.row];
        names.erase(names.begin() + from.row);
        names.insert(names.begin() + std::min<int>(to.row, static_cast<int>(names.size())), name);
    }
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override { selected.push_back(path); }

protected:
    void loadView() override
    {
        auto root = View::create(Window::defaultBounds);
        setView(root);
        table = TableView::create(Window::defaultBounds);
        table->setDataSource(std::static_pointer_cast<ListScreen>(shared_from_this()));
        table->setDelegate(std::static_pointer_cast<ListScreen>(shared_from_this()));
        root->addSubview(table);
        sendButton = Button::create("Send");
        root->addSubview(sendButton);
    }

private:
    explicit ListScreen(std::string title) : ViewController(std::move(title)) { }
};

struct App {
    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<TabBarController> tabs = TabBarController::create();
    std::shared_ptr<ListScreen> home = ListScreen::create("Home", { "Welcome", "Garden", "Events" });
    std::shared_ptr<ListScreen> trash = ListScreen::create("Trash", {});
    std::vector<std::string> pressed;

    App()
    {
        MainQueue::shared().makeCurrentThreadMain();
        home->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [this] { pressed.push_back("Cancel"); }));
        home->setRightBarButtonItems({ BarButtonItem::create(SystemItem::Edit, [this] { pressed.push_back("Edit"); }),
            BarButtonItem::create(SystemItem::Add, [this] { pressed.push_back("Add"); }) });
        trash->setBadgeValue("2");
        tabs->setViewControllers({ NavigationController::create(home), NavigationController::create(trash) });
        window->setRootViewController(tabs);
        window->makeKeyAndVisible();
    }

    std::unique_ptr<TermRenderer> renderer;
    std::string screen()
    {
        if (!renderer)
            renderer = std::make_unique<TermRenderer>(window);
        return renderer->render().text;
    }
};

int runScript(CommandInterpreter& interpreter, const std::string& script, std::string* errors = nullptr)
{
    std::istringstream input(script);
    std::ostringstream output, messages;
    int status = interpreter.runScript(input, "test.script", output, messages);
    if (errors)
        *errors = messages.str();
    return status;
}

/// A client with a settable number of requests in flight.
class BusyClient : public HttpClient {
public:
    std::atomic<size_t> busy { 0 };
    void send(HttpRequest, Handler) override { }
    size_t inFlight() const override { return busy; }
    bool isCallbackThread() const override { return false; }
};

} // namespace

TEST(TermRenderer, DrawsTabsBarButtonsRowsInputsAndButtons)
{
    App app;
    std::string text = app.screen();
    EXPECT_NE(text.find("Tabs: [*Home*] [Trash (2)]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Title: Home\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Bar: [Cancel] | [Edit] [Add]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  0. Welcome  [no image]  >\n  1. Garden  >\n  2. Events  >\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  3. {0}[____ Your name]  [off]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("<Send>\n"), std::string::npos) << text;

    app.home->typedValue = "Ann";
    app.home->table->reloadData();
    EXPECT_NE(app.screen().find("  3. {0}[Ann]  [off]\n"), std::string::npos);

    // Drawing again asks the data source nothing until the table reports a change of rows:
    // sources that collect their input rows as the table asks for them keep what they collected.
    int counted = app.home->rowCounts;
    app.screen();
    EXPECT_EQ(app.home->rowCounts, counted);
    app.home->names.push_back("News");
    app.home->table->insertRowsAtIndexPaths({ { 0, 3 } }, RowAnimation::None);
    EXPECT_NE(app.screen().find("  3. News  >\n  4. {0}[Ann]"), std::string::npos) << app.screen();
    EXPECT_GT(app.home->rowCounts, counted);

    app.tabs->setTabBarHidden(BarVisibility::Hidden);
    EXPECT_EQ(app.screen().find("Tabs:"), std::string::npos);
}

TEST(TermRenderer, DrawsAnAlertWithItsFieldsNumberedAfterTheScreens)
{
    App app;
    auto alert = AlertView::create("Edit Page", "Choose one\nor cancel", "Cancel", { "Reorder", "Add" });
    alert->setAlertViewStyle(AlertViewStyle::LoginAndPasswordInput);
    alert->textFieldAtIndex(1)->setText("secret");
    alert->show(app.window);
    std::string text = app.screen();
    EXPECT_NE(text.find("Alert: Edit Page\n  Choose one\n  or cancel\n  {1}[____ ]\n  {2}[******]\n"
                        "  Buttons: (Cancel) (Reorder) (Add)\n"),
        std::string::npos)
        << text;
}

TEST(CommandInterpreter, ActsLikeAUser)
{
    App app;
    CommandInterpreter interpreter(app.window);
    std::string errors;
    ASSERT_EQ(runScript(interpreter,
                  "# rows, bar buttons, inputs\ntap 1\ntap 0 2\npress Edit\npress Add\nfield 0 Ann Smith\nexpect {0}[Ann Smith]\n"
                  "reject Nobody\ntab Trash\nexpect Title: Trash\ntab 0\n",
                  &errors),
        0)
        << errors;
    EXPECT_EQ(app.home->selected, (std::vector<IndexPath> { { 0, 1 }, { 0, 2 } }));
    EXPECT_EQ(app.pressed, (std::vector<std::string> { "Edit", "Add" }));
    // The edit went through the input's should-change handler, which stored it.
    EXPECT_EQ(app.home->typedValue, "Ann Smith");

    int sent = 0;
    app.home->view();
    app.home->sendButton->onTap = [&](Button&) { ++sent; };
    EXPECT_EQ(runScript(interpreter, "press Send\n"), 0);
    EXPECT_EQ(sent, 1);
}

TEST(CommandInterpreter, ReordersDeletesAndAnswersAlerts)
{
    App app;
    CommandInterpreter interpreter(app.window);
    std::string errors;
    EXPECT_EQ(runScript(interpreter, "move 0 1\n", &errors), 1);
    EXPECT_NE(errors.find("not in reorder mode"), std::string::npos) << errors;

    app.home->view();
    app.home->table->setEditing(Editing::On, Animated::No);
    ASSERT_EQ(runScript(interpreter, "move 0 1\ndelete 2\nexpect (editing)\n", &errors), 0) << errors;
    EXPECT_EQ(app.home->names, (std::vector<std::string> { "Garden", "Welcome" }));
    EXPECT_EQ(runScript(interpreter, "delete 2\n", &errors), 1); // the input row may not go

    int chosen = -1;
    auto alert = AlertView::create("Edit Page", "", "Cancel", { "Reorder" });
    alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    alert->onDismiss = [&](AlertView&, int index) { chosen = index; };
    alert->show(app.window);
    EXPECT_EQ(runScript(interpreter, "alert Nope\n", &errors), 1);
    EXPECT_NE(errors.find("\"Cancel\", \"Reorder\""), std::string::npos) << errors;
    ASSERT_EQ(runScript(interpreter, "field 1 Page two\nalert Reorder\nreject Alert:\n", &errors), 0) << errors;
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(alert->textFieldAtIndex(0)->text(), "Page two");
}

TEST(CommandInterpreter, FailuresNameTheLineAndStopTheScript)
{
    App app;
    CommandInterpreter interpreter(app.window);
    std::string errors;
    EXPECT_EQ(runScript(interpreter, "show\n\n  tap 9\npress Edit\n", &errors), 1);
    // The message, then the screen at the failure.
    EXPECT_EQ(errors.rfind("test.script:3: tap 9: no row 9 on screen (4 rows)\nThe screen then:\nTabs: [*Home*]", 0), 0u) << errors;
    EXPECT_TRUE(app.pressed.empty()); // nothing after the failing line ran

    for (std::string bad : { "press Frobnicate", "expect Nowhere", "reject Welcome", "field 7 x", "back", "tab 5",
             "refresh", "jump 3", "push token abc", "push notify [1]", "tap x" }) {
        EXPECT_EQ(runScript(interpreter, bad + "\n", &errors), 1) << bad;
        EXPECT_EQ(errors.rfind("test.script:1: " + bad + ": ", 0), 0u) << errors;
    }
    EXPECT_EQ(runScript(interpreter, "quit\ntap 9\n"), 0);

    // Interactive use keeps going after a failure and shows the screen again after a change.
    std::istringstream input("tap 9\ntab 1\n");
    std::ostringstream output, messages;
    EXPECT_EQ(interpreter.runInteractive(input, output, messages), 0);
    EXPECT_NE(messages.str().find("line 1: tap 9: no row 9"), std::string::npos) << messages.str();
    EXPECT_NE(output.str().find("Title: Trash"), std::string::npos) << output.str();

    // A title two tabs share picks neither; the number does.
    app.trash->setTitle("Home");
    app.tabs->setSelectedIndex(0);
    EXPECT_EQ(runScript(interpreter, "tab Home\n", &errors), 1);
    EXPECT_EQ(errors.rfind("test.script:1: tab Home: more than one tab is called \"Home\" (0, 1): choose one by its number", 0), 0u) << errors;
    EXPECT_EQ(app.tabs->selectedIndex(), 0);
    ASSERT_EQ(runScript(interpreter, "tab 1\n", &errors), 0) << errors;
    EXPECT_EQ(app.tabs->selectedIndex(), 1);
}

TEST(CommandInterpreter, PushCommandsReachTheShellsCallbacks)
{
    App app;
    CommandInterpreter interpreter(app.window);
    std::vector<uint8_t> token;
    std::vector<unsigned> grants;
    JsonObjectPtr payload;
    interpreter.setPushHandlers({ [&](std::vector<uint8_t> bytes) { token = bytes; },
        [&](unsigned types) { grants.push_back(types); }, [&](JsonObjectPtr object) { payload = object; } });
    std::string errors;
    ASSERT_EQ(runScript(interpreter, "push token 00ff1A\npush grant none\npush grant badge,sound,alert\npush notify {\"action\":\"register\",\"name\":\"Shop\"}\n", &errors), 0)
        << errors;
    EXPECT_EQ(token, (std::vector<uint8_t> { 0x00, 0xff, 0x1a }));
    EXPECT_EQ(grants, (std::vector<unsigned> { 0, 7 }));
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->get("action").asString(), "register");
    EXPECT_EQ(runScript(interpreter, "push grant loud\n"), 1);
}

TEST(CommandInterpreter, WaitRunsTheQueueUntilRepliesAreInAndGivesUpAtItsTimeout)
{
    App app;
    auto client = std::make_shared<BusyClient>();
    CommandInterpreter interpreter(app.window, client);
    interpreter.setWaitTimeout(std::chrono::milliseconds(100));

    // A reply handler on another thread hands its work to the main queue, then finishes.
    client->busy = 1;
    std::thread reply([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        MainQueue::shared().dispatch([&] { app.home->setTitle("Loaded"); });
        client->busy = 0;
    });
    std::string errors;
    EXPECT_EQ(runScript(interpreter, "wait\nexpect Title: Loaded\n", &errors), 0) << errors;
    reply.join();

    client->busy = 1;
    EXPECT_EQ(runScript(interpreter, "wait\n", &errors), 1);
    EXPECT_NE(errors.find("still busy after 100 ms"), std::string::npos) << errors;
}
