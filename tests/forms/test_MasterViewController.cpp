// The resident form screen against a recording legacy server: sections, rows by kind, the exact
// requests of each selection, what each selection opens and a refused value shown as not saved.
#include "forms/MasterViewController.h"

#include "forms/BoolView.h"
#include "forms/NumberView.h"
#include "forms/SelectViewController.h"
#include "forms/TextEditViewController.h"

#include "content/ContentFixture.h"
#include "platform/JsonParser.h"
#include "platform/UserDefaults.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

namespace {

/// Records the care screens the resident form opens, and whether it asked on the main thread.
class CareShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> care(std::string kind, std::vector<std::string> args, JsonObjectPtr object = nullptr)
    {
        offMain = offMain || !MainQueue::shared().isMainThread();
        auto screen = record(std::move(kind), std::move(object), {});
        opened.push_back({ screen->kind, std::move(args) });
        return screen;
    }
    std::shared_ptr<ViewController> makeHistoryViewController(const std::string& a, const std::string& d, const std::string& n) override
    {
        return care("History", { a, d, n });
    }
    std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& d, const std::string& key) override
    {
        return care("Graph", { d, key });
    }
    std::shared_ptr<ViewController> makeActionViewController(const std::string& n, const JsonObjectPtr& action, const std::string& a) override
    {
        return care("Action", { n, a, action ? action->get("val").asString() : "(none)" });
    }
    std::shared_ptr<ViewController> makeActionListViewController(const JsonArrayPtr& actions, const std::string& n, const std::string& d) override
    {
        return care("ActionList", { std::to_string(actions->size()), n, d });
    }
    std::shared_ptr<ViewController> makeDisplayActionViewController(const std::string& n, const JsonObjectPtr& action) override
    {
        return care("DisplayAction", { n, action->get("val").asString() });
    }
    std::shared_ptr<ViewController> makeIngredientsViewController(const std::string& d) override { return care("Ingredients", { d }); }
    std::shared_ptr<ViewController> makeMenuViewController(const std::string& a, const std::string& t, const std::string& r, const JsonArrayPtr& o) override
    {
        return care("Menu", { a, t, r, o ? std::to_string(o->size()) : "none" });
    }
    std::shared_ptr<ViewController> makeImageEditViewController(const JsonObjectPtr& object, const std::string& parentID, EditorCompletion) override
    {
        return care("ImageEdit", { parentID }, object);
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> opened;
    std::atomic<bool> offMain { false };
};

const char* entries = R"([
  {"name":"Weight","type":"Number","assetID":"11"},
  {"name":"Ate","type":"Bool","assetID":"12"},
  {"name":"Notes","type":"Text","assetID":"13"},
  {"name":"Mood","type":"Select","val":"Happy:H\nLow","assetID":"14"},
  {"name":"Photo","type":"Image","val":"/pictures/broken.jpg","assetID":"15"},
  {"name":"Weights chart","type":"Form","url":"/json/start.php","assetID":"300"},
  {"name":"Lunch","type":"Meal","assetID":"400"},
  {"name":"Score","type":"Derived","val":"Weight / 3"},
  {"name":"Flag","type":"Conditional","val":"Weight > 60","title":"Watch","nTrigger":"Watch note"},
  {"name":"Later","type":"Action","title":"{Weight} > 100","nTrigger":"x","assetID":"16"}])";

const char* docs = R"([{"name":"Personnel Details","assetID":"501"},{"name":"Weights chart","assetID":"502"}])";

class MasterScreen : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        dir = std::filesystem::temp_directory_path() / ("quindle-master-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        UserDefaults::standardUserDefaults().setPath(dir / "defaults.json");
        UserDefaults::standardUserDefaults().setObject("carer@home", "login");
        server.setResponder([this](const RecordedRequest& request) { return respond(request); });
    }
    void TearDown() override
    {
        ReferenceServerFixture::TearDown();
        std::filesystem::remove_all(dir);
    }
    Reply respond(const RecordedRequest& request)
    {
        if (request.path == "/json/start.php" && request.target.find("a=7") != std::string::npos)
            return json(std::string(R"({"Message":{"list":)") + docs + "}}");
        if (request.path == "/json/start.php")
            return json(std::string(R"({"Message":{"title":"Care plan","list":)") + entries + "}}");
        if (request.path == "/json/currentState.php")
            return json(stateReply);
        if (request.path == "/json/getMenu.php")
            return json(R"({"Message":{"list":[{"name":"Fish pie"},{"name":"Soup"}]}})");
        if (request.path == "/json/handleForm.php")
            return refuseValues ? json(R"({"error":"refused"})", 500) : json(R"({"Message":{"list":{"Weight":{"val":"81","type":"Number"}}}})");
        return json("{}", 404);
    }
    JsonObjectPtr state(const std::string& text) { return JsonParser::parse(text)->object(); }
    void open(JsonObjectPtr formState, bool profile = false, bool withDocs = true)
    {
        ResidentFormSetup setup;
        setup.assetID = "42";
        setup.resID = "7";
        setup.resDocID = "500";
        setup.name = "Margaret Hill";
        setup.docs = withDocs ? JsonParser::parse(docs)->array() : nullptr;
        setup.formState = std::move(formState);
        setup.isResidentProfile = profile;
        screen = MasterViewController::create(setup);
        nav = NavigationController::create(screen);
        table = screen->tableView();
        settle();
    }
    int values() const { return static_cast<int>(screen->sections().size()) - 1; }
    std::shared_ptr<TableViewCell> cell(int section, int row) { return screen->cellForRowAtIndexPath(*table, { section, row }); }
    void tap(int section, int row)
    {
        screen->didSelectRowAtIndexPath(*table, { section, row });
        settle();
    }
    std::vector<std::string> targets(const std::string& path)
    {
        std::vector<std::string> out;
        for (auto& request : server.requests())
            if (request.path == path)
                out.push_back(request.target);
        return out;
    }

    std::filesystem::path dir;
    ShellGuard guard;
    std::shared_ptr<CareShell> shell = [this] {
        auto care = std::make_shared<CareShell>();
        ApplicationShell::setShared(care);
        return care;
    }();
    std::string stateReply = R"({"Message":{"list":{"Weight":{"val":"80","type":"Number"}},"modified":"2026-12-01 10:00:00"}})";
    bool refuseValues = false;
    std::shared_ptr<MasterViewController> screen;
    std::shared_ptr<NavigationController> nav;
    std::shared_ptr<TableView> table;
};

const char* dueState = R"({"Weight":{"val":"80","type":"Number","lastModified":"2026-12-01 09:00:00","user":"carer@home"},
  "Ate":{"val":"1","type":"Bool"},
  "Mood":{"val":"Happy","type":"Select","myindex":"0"},
  "Check":{"type":"Action","val":"Weigh again","title":"{Weight} < 60","date":"2020-01-01 10:00:00","user":null,"assetID":"61"},
  "Other":{"type":"Action","val":"Not mine","date":"2020-01-01 10:00:00","user":"someone@else","assetID":"62"}})";

} // namespace

TEST_F(MasterScreen, SectionsAndHeadersByFormStateAndProfile)
{
    struct Case {
        const char* state;
        bool profile;
        std::vector<std::string> headers;
        int headingRows;
    };
    const Case cases[] = {
        { nullptr, false, { "Name", "Care plan" }, 1 },
        { "{}", false, { "Name", "Actions", "Care plan" }, 2 },
        { "{}", true, { "Name", "Actions", "Food allergies", "Care plan" }, 2 },
        { nullptr, true, { "Name", "Food allergies", "Care plan" }, 1 },
    };
    for (const Case& c : cases) {
        open(c.state ? state(c.state) : nullptr, c.profile);
        SCOPED_TRACE(testing::Message() << (c.state ? "state" : "no state") << (c.profile ? " profile" : ""));
        ASSERT_EQ(table->numberOfSections(), static_cast<int>(c.headers.size()));
        for (size_t i = 0; i < c.headers.size(); ++i)
            EXPECT_EQ(table->titleForHeaderInSection(static_cast<int>(i)), c.headers[i]);
        EXPECT_EQ(table->numberOfRowsInSection(0), c.headingRows);
        EXPECT_EQ(cell(0, 0)->textLabel()->text(), "Margaret Hill");
        EXPECT_EQ(cell(0, 0)->accessoryType(), c.profile ? AccessoryType::None : AccessoryType::DisclosureIndicator);
        EXPECT_EQ(screen->willSelectRowAtIndexPath(*table, { 0, 0 }).has_value(), !c.profile);
        // Seven shown entries: the Derived and the Conditional join once evaluated.
        EXPECT_EQ(table->numberOfRowsInSection(values()), 7);
        if (c.profile) {
            EXPECT_EQ(cell(static_cast<int>(c.headers.size()) - 2, 0)->textLabel()->text(), "Food Alergies");
        }
    }
    EXPECT_EQ(targets("/json/start.php").front(), "/json/start.php?a=42");
    EXPECT_EQ(screen->title(), "Forms");
}

TEST_F(MasterScreen, ActionsSectionShowsDueActionsOrNoActionsRequired)
{
    open(state("{}"));
    EXPECT_EQ(cell(1, 0)->textLabel()->text(), "No actions required");
    EXPECT_FALSE(screen->willSelectRowAtIndexPath(*table, { 1, 0 }));
    tap(1, 0);
    EXPECT_TRUE(shell->opened.empty());

    open(state(dueState));
    ASSERT_EQ(table->numberOfRowsInSection(1), 1);
    EXPECT_EQ(cell(1, 0)->textLabel()->text(), "Weigh again");
    EXPECT_EQ(cell(1, 0)->detailTextLabel()->text(), "2020-01-01 10:00:00");
    tap(1, 0);
    ASSERT_EQ(shell->opened.size(), 1u);
    EXPECT_EQ(shell->opened[0], (std::pair<std::string, std::vector<std::string>> { "DisplayAction", { "Margaret Hill", "Weigh again" } }));
}

TEST_F(MasterScreen, ValueRowsByKind)
{
    open(state(dueState));
    const int v = values();
    // Weight: number control with its graph button and who recorded it.
    auto weight = cell(v, 0);
    ASSERT_TRUE(weight->accessoryView());
    auto number = std::dynamic_pointer_cast<NumberView>(weight->accessoryView()->subviews().at(0));
    ASSERT_TRUE(number);
    EXPECT_EQ(number->state(), "80.0");
    EXPECT_EQ(std::dynamic_pointer_cast<Button>(weight->accessoryView()->subviews().at(1))->title(), "Graph");
    EXPECT_EQ(weight->detailTextLabel()->text(), "2026-12-01 09:00:00 (carer@home)");
    EXPECT_EQ(cell(v, 3)->accessoryType(), AccessoryType::DisclosureIndicator); // Select

    struct BoolCase {
        const char* value;
        int state;
        bool yesRed, noGreen;
    };
    for (const BoolCase& c : { BoolCase { "1", 1, true, false }, BoolCase { "0", 2, false, true }, BoolCase { "", 0, false, false } }) {
        open(state(std::string(R"({"Ate":{"val":")") + c.value + R"(","type":"Bool"}})"));
        auto control = std::dynamic_pointer_cast<BoolView>(cell(values(), 1)->accessoryView());
        ASSERT_TRUE(control) << c.value;
        EXPECT_EQ(control->state(), c.state) << c.value;
        EXPECT_EQ(control->yesLabel()->textColour() == Colour::fromRGB(1, 0, 0), c.yesRed) << c.value;
        EXPECT_EQ(control->noLabel()->textColour() == Colour::fromRGB(0, 1, 0), c.noGreen) << c.value;
    }

    struct DerivedCase {
        const char* weight;
        const char* shown;
    };
    for (const DerivedCase& c : { DerivedCase { "66.6666", "22.22" }, DerivedCase { "15", "5" } }) {
        // A bare record, so "15" stays "15" and the score reads 5 without a point.
        open(state(std::string(R"({"Weight":{"val":")") + c.weight + R"("}})"));
        auto score = cell(values(), 7);
        ASSERT_EQ(score->textLabel()->text(), "Score");
        EXPECT_EQ(std::dynamic_pointer_cast<Label>(score->accessoryView())->text(), c.shown);
    }
    // The Conditional row is labelled by its trigger and shows what it wrote.
    open(state(R"({"Weight":{"val":"66"}})"));
    auto flag = cell(values(), 8);
    ASSERT_EQ(flag->textLabel()->text(), "Watch note");
    EXPECT_EQ(std::dynamic_pointer_cast<Label>(flag->accessoryView())->text(), "Watch");
    // The picture at the entry's address does not decode: the row stays without one.
    cell(values(), 4);
    settle();
    auto photo = std::dynamic_pointer_cast<ImageView>(cell(values(), 4)->accessoryView());
    ASSERT_TRUE(photo);
    EXPECT_FALSE(photo->image());
    EXPECT_EQ(targets("/pictures/broken.jpg").size(), 1u);
}

TEST_F(MasterScreen, FormEntrySwitchesDocumentBeforeAskingForState)
{
    open(state(dueState));
    tap(values(), 5);
    EXPECT_EQ(screen->resDocID(), "502");
    EXPECT_EQ(targets("/json/currentState.php"), std::vector<std::string> { "/json/currentState.php?a=502" });
    auto next = std::dynamic_pointer_cast<MasterViewController>(nav->topViewController());
    ASSERT_TRUE(next);
    EXPECT_EQ(next->assetID(), "300");
    EXPECT_EQ(next->resDocID(), "502");
    EXPECT_EQ(next->resID(), "7");
    EXPECT_EQ(next->docs(), screen->docs());
    next->tableView();
    settle();
    ASSERT_TRUE(next->resDoc());
    EXPECT_EQ(next->engine()->formValueForKey("Weight"), "80.0");
    EXPECT_EQ(targets("/json/start.php").back(), "/json/start.php?a=300");

    // A reply without a usable state opens the next form without one.
    for (const char* reply : { R"({"Message":{"list":{"Weight":{"val":"1"}},"modified":null}})", R"({"Message":{"list":[]}})", "broken" }) {
        stateReply = reply;
        open(state(dueState));
        tap(values(), 5);
        auto plain = std::dynamic_pointer_cast<MasterViewController>(nav->topViewController());
        ASSERT_TRUE(plain && plain != screen) << reply;
        EXPECT_FALSE(plain->resDoc()) << reply;
        EXPECT_EQ(plain->tableView()->numberOfSections(), 2) << reply;
    }
}

TEST_F(MasterScreen, MealEntryAsksForTheMenuWithThePersonnelDetails)
{
    open(state(dueState));
    tap(values(), 6);
    EXPECT_EQ(targets("/json/getMenu.php"), std::vector<std::string> { "/json/getMenu.php?a=400&p=501" });
    ASSERT_EQ(shell->opened.size(), 1u);
    EXPECT_EQ(shell->opened[0], (std::pair<std::string, std::vector<std::string>> { "Menu", { "400", "Lunch", "7", "2" } }));
    EXPECT_EQ(nav->topViewController(), shell->editors.back());
    EXPECT_FALSE(shell->offMain);
}

TEST_F(MasterScreen, WhatEachSelectionOpens)
{
    open(state(dueState), true);
    const int v = values();
    tap(0, 0); // the profile's own name leads nowhere
    tap(0, 1);
    tap(0, 2);
    tap(2, 0);
    tap(v, 4);
    ASSERT_EQ(shell->opened.size(), 4u);
    EXPECT_EQ(shell->opened[0].second, (std::vector<std::string> { "42", "500", "Margaret Hill" }));
    EXPECT_EQ(shell->opened[0].first, "History");
    // Two action records: the list of them.
    EXPECT_EQ(shell->opened[1], (std::pair<std::string, std::vector<std::string>> { "ActionList", { "2", "Margaret Hill", "500" } }));
    EXPECT_EQ(shell->opened[2], (std::pair<std::string, std::vector<std::string>> { "Ingredients", { "500" } }));
    EXPECT_EQ(shell->opened[3], (std::pair<std::string, std::vector<std::string>> { "ImageEdit", { "500" } }));

    tap(v, 2);
    auto text = std::dynamic_pointer_cast<TextEditViewController>(nav->topViewController());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->index(), 2u);
    tap(v, 3);
    auto select = std::dynamic_pointer_cast<SelectViewController>(nav->topViewController());
    ASSERT_TRUE(select);
    EXPECT_EQ(select->state(), "0");
    EXPECT_EQ(select->rows(), (std::vector<std::string> { "Happy", "Low" }));

    // One action record: the action screen on it; the heading name of a form opens the profile.
    open(state(R"({"A":{"type":"Action","val":"a"}})"));
    tap(0, 2);
    EXPECT_EQ(shell->opened.back(), (std::pair<std::string, std::vector<std::string>> { "Action", { "Margaret Hill", "500", "a" } }));
    tap(0, 0);
    EXPECT_EQ(targets("/json/currentState.php").back(), "/json/currentState.php?a=501");
    auto profile = std::dynamic_pointer_cast<MasterViewController>(nav->topViewController());
    ASSERT_TRUE(profile && profile->isResidentProfile());
    profile->tableView();
    settle();
    EXPECT_EQ(profile->assetID(), "231");
    EXPECT_EQ(targets("/json/start.php").back(), "/json/start.php?a=231");
    EXPECT_FALSE(shell->offMain);
}

TEST_F(MasterScreen, RefusedValueShowsNotSavedAndIsSentAgainOnSelection)
{
    open(state(dueState));
    refuseValues = true;
    auto number = std::dynamic_pointer_cast<NumberView>(cell(values(), 0)->accessoryView()->subviews().at(0));
    number->textField()->becomeFirstResponder();
    number->textField()->setText("81");
    number->textField()->resignFirstResponder();
    settle();
    ASSERT_EQ(targets("/json/handleForm.php"), std::vector<std::string> { "/json/handleForm.php?f=11&c=7&name=Weight&val=81&type=Number" });
    EXPECT_EQ(cell(values(), 0)->detailTextLabel()->text(), "not saved");

    refuseValues = false;
    tap(values(), 0);
    EXPECT_EQ(targets("/json/handleForm.php").size(), 2u);
    EXPECT_EQ(targets("/json/handleForm.php").back(), "/json/handleForm.php?f=11&c=7&name=Weight&val=81&type=Number");
    EXPECT_NE(cell(values(), 0)->detailTextLabel()->text(), "not saved");
    EXPECT_EQ(screen->engine()->formValueForKey("Weight"), "81.0");

    // A refused choice goes again with its row number.
    refuseValues = true;
    tap(values(), 3);
    auto select = std::dynamic_pointer_cast<SelectViewController>(nav->topViewController());
    ASSERT_TRUE(select);
    select->didSelectRowAtIndexPath(*select->tableView(), { 0, 1 });
    settle();
    EXPECT_EQ(cell(values(), 3)->detailTextLabel()->text(), "not saved");
    refuseValues = false;
    tap(values(), 3);
    const std::string sent = "/json/handleForm.php?f=14&c=7&name=Mood&val=Low&type=Select&index=1";
    EXPECT_EQ(targets("/json/handleForm.php"), (std::vector<std::string> { targets("/json/handleForm.php")[0], targets("/json/handleForm.php")[1], sent, sent }));
}

TEST_F(MasterScreen, GraphButtonOpensTheGraphOfThatNumber)
{
    open(state(dueState));
    auto graph = std::dynamic_pointer_cast<Button>(cell(values(), 0)->accessoryView()->subviews().at(1));
    ASSERT_TRUE(graph && graph->tap());
    ASSERT_EQ(shell->opened.size(), 1u);
    EXPECT_EQ(shell->opened[0], (std::pair<std::string, std::vector<std::string>> { "Graph", { "500", "Weight" } }));
    EXPECT_EQ(nav->topViewController(), shell->editors.back());
}
