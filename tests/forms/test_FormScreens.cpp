// The form screens. The resident form against a recording legacy server and the document form
// against the reference server: rows by kind, the requests and screens of each selection, refused
// values. Over the reference server's pages: the form-structure screen (reached through Edit Page,
// edit mode, what a field opens, the add-field completion) and the page chooser.
#include "forms/DocumentViewController.h"
#include "forms/FormSelectionViewController.h"
#include "forms/FormViewController.h"
#include "forms/MasterViewController.h"
#include "forms/SelectViewController.h"
#include "forms/TextEditViewController.h"

#include "CareFixture.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "platform/UserDefaults.h"
#include "server/QuindleServer.h"
#include "ui/TextField.h"

#include <filesystem>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

const char* entries = R"([
  {"name":"Weight","type":"Number","assetID":"11"}, {"name":"Ate","type":"Bool","assetID":"12"}, {"name":"Notes","type":"Text","assetID":"13"},
  {"name":"Mood","type":"Select","val":"Happy:H\nLow","assetID":"14"}, {"name":"Photo","type":"Image","val":"/pictures/broken.jpg","assetID":"15"},
  {"name":"Weights chart","type":"Form","url":"/json/start.php","assetID":"300"}, {"name":"Lunch","type":"Meal","assetID":"400"},
  {"name":"Score","type":"Derived","val":"Weight / 3"}, {"name":"Flag","type":"Conditional","val":"Weight > 60","title":"Watch","nTrigger":"Watch note"},
  {"name":"Later","type":"Action","title":"{Weight} > 100","nTrigger":"x","assetID":"16"}])";

const char* docs = R"([{"name":"Personnel Details","assetID":"501"},{"name":"Weights chart","assetID":"502"}])";

const char* dueState = R"({"Weight":{"val":"80","type":"Number","lastModified":"2026-12-01 09:00:00","user":"carer@home"},
  "Ate":{"val":"1","type":"Bool"}, "Mood":{"val":"Happy","type":"Select","myindex":"0"},
  "Check":{"type":"Action","val":"Weigh again","title":"{Weight} < 60","date":"2020-01-01 10:00:00","user":null,"assetID":"61"},
  "Other":{"type":"Action","val":"Not mine","date":"2020-01-01 10:00:00","user":"someone@else","assetID":"62"}})";

class MasterScreen : public CareFixture {
protected:
    void SetUp() override
    {
        CareFixture::SetUp();
        UserDefaults::standardUserDefaults().setPath(std::filesystem::temp_directory_path() / ("quindle-master-" + std::to_string(::getpid()) + ".json"));
        UserDefaults::standardUserDefaults().setObject("carer@home", "login");
        ApplicationShell::setShared(care);
        server.setResponder([this](const RecordedRequest& request) { return respond(request); });
    }
    void TearDown() override
    {
        CareFixture::TearDown();
        std::filesystem::remove(UserDefaults::standardUserDefaults().path());
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
    void open(const char* formState, bool profile = false)
    {
        ResidentFormSetup setup;
        setup.assetID = "42";
        setup.resID = "7";
        setup.resDocID = "500";
        setup.name = "Margaret Hill";
        setup.docs = list(docs);
        setup.formState = formState ? dict(formState) : nullptr;
        setup.isResidentProfile = profile;
        screen = show(MasterViewController::create(setup));
    }
    int values() const { return static_cast<int>(screen->sections().size()) - 1; }
    std::string row(int section, int index) { return line(*screen, *table, section, index); }
    void tap(int section, int index)
    {
        screen->didSelectRowAtIndexPath(*table, { section, index });
        settle();
    }

    std::shared_ptr<CareShell> care = std::make_shared<CareShell>();
    std::string stateReply = R"({"Message":{"list":{"Weight":{"val":"80","type":"Number"}},"modified":"2026-12-01 10:00:00"}})";
    bool refuseValues = false;
    std::shared_ptr<MasterViewController> screen;
};

class DocumentScreen : public CareFixture {
protected:
    void open()
    {
        useReferenceServer();
        AssetRecord item = childNamed(directory(""), "Resident assessment");
        ASSERT_TRUE(item);
        Collector fetch;
        model().fetchDocumentForAssetID(item->get("assetID").asString(), fetch.handler());
        Outcome outcome = fetch.single();
        ASSERT_TRUE(outcome.content && outcome.content->isObject());
        screen = show(DocumentViewController::createForDocument(outcome.content->object(), item->get("assetID").asString()));
    }
    std::string row(int index) { return line(*screen->datasource(), *table, 0, index); }
    std::shared_ptr<View> accessory(int index) { return screen->datasource()->cellForRowAtIndexPath(*table, { 0, index })->accessoryView(); }
    /// What a row opens: "" for nothing, the options of a choice, the editor and its object.
    std::string opens(int index)
    {
        auto next = screen->datasource()->viewControllerFofIndexPath({ 0, index });
        if (!next)
            return "";
        if (std::dynamic_pointer_cast<TextEditViewController>(next))
            return "text";
        if (auto select = std::dynamic_pointer_cast<SelectViewController>(next)) {
            std::string out = "select";
            for (const std::string& option : select->rows())
                out += "|" + option;
            return out;
        }
        if (auto editor = std::dynamic_pointer_cast<RecordedEditor>(next))
            return editor->kind + "|" + editor->parentID + "|" + editor->object->get("name").asString();
        return "other";
    }

    std::shared_ptr<DocumentViewController> screen;
};

/// Builds the real form-structure screen and keeps what the add-field request hands over.
class FormShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> makeFormViewController(const JsonObjectPtr& directory, const std::string& assetID) override
    {
        return FormViewController::createForDirectory(directory, assetID);
    }
    std::shared_ptr<ViewController> makeFormAddAssetViewController(const std::string& assetID,
        std::function<void(std::optional<JsonValue>)> handler) override
    {
        addRequests.push_back(assetID);
        completion = std::move(handler);
        return addScreen;
    }
    std::shared_ptr<ViewController> addScreen; // null: the screen uses its stand-in
    std::vector<std::string> addRequests;
    std::function<void(std::optional<JsonValue>)> completion;
};

class FormScreen : public CareFixture {
protected:
    void SetUp() override
    {
        CareFixture::SetUp();
        ApplicationShell::setShared(forms);
        ASSERT_TRUE(logInDemoOwner());
        contact = childNamed(directory(""), "Contact us");
        ASSERT_TRUE(contact);
        formID = asset::ident(contact).value_or("");
    }
    /// The screen built straight from the form's directory, at the root of a shown stack.
    void openDirectly(UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone)
    {
        screen = FormViewController::createForDirectory(directory(formID), formID);
        present(screen, idiom);
        table = screen->tableView();
    }
    std::string row(int index) { return line(*screen, *table, 0, index); }
    std::shared_ptr<TextField> input(int index)
    {
        auto cell = screen->cellForRowAtIndexPath(*table, { 0, index });
        return cell->contentView()->subviews().empty() ? nullptr : std::dynamic_pointer_cast<TextField>(cell->contentView()->subviews().back());
    }
    std::vector<std::string> rightTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& item : screen->rightBarButtonItems())
            titles.push_back(item->displayTitle());
        return titles;
    }

    std::shared_ptr<FormShell> forms = std::make_shared<FormShell>();
    AssetRecord contact;
    std::string formID;
    std::shared_ptr<FormViewController> screen;
};

class RecordingTarget : public LinkTarget {
public:
    void setLinkAssetId(std::string id) override { linkAssetId = std::move(id); }
    void setLinkName(std::string name) override { linkName = std::move(name); }
    std::optional<std::string> linkAssetId;
    std::optional<std::string> linkName;
};

class PageChooser : public CareFixture {
protected:
    /// Pushes the chooser over an editor screen and waits for its page list.
    void open()
    {
        present(editor);
        chooser = FormSelectionViewController::create(model());
        chooser->setCont(target);
        stack->pushViewController(chooser, Animated::No);
        table = chooser->tableView();
        settle();
    }

    std::shared_ptr<RecordingTarget> target = std::make_shared<RecordingTarget>();
    std::shared_ptr<ViewController> editor = ViewController::create("Add page");
    std::shared_ptr<FormSelectionViewController> chooser;
};

} // namespace

TEST_F(MasterScreen, SectionsRowsByKindWhatEachSelectionOpensAndRefusedValuesGoAgain)
{
    struct Case { const char* state; bool profile; std::vector<std::string> headers; int headingRows; };
    const Case cases[] = {
        { nullptr, false, { "Name", "Care plan" }, 1 },
        { "{}", false, { "Name", "Actions", "Care plan" }, 2 },
        { "{}", true, { "Name", "Actions", "Food allergies", "Care plan" }, 2 },
        { nullptr, true, { "Name", "Food allergies", "Care plan" }, 1 },
    };
    for (const Case& c : cases) {
        open(c.state, c.profile);
        SCOPED_TRACE(testing::Message() << (c.state ? "state" : "no state") << (c.profile ? " profile" : ""));
        std::vector<std::string> headers;
        for (int section = 0; section < table->numberOfSections(); ++section)
            headers.push_back(table->titleForHeaderInSection(section));
        EXPECT_EQ(headers, c.headers);
        EXPECT_EQ(table->numberOfRowsInSection(0), c.headingRows);
        // The profile's own name leads nowhere.
        EXPECT_EQ(row(0, 0), c.profile ? "Margaret Hill" : "Margaret Hill >");
        EXPECT_EQ(screen->willSelectRowAtIndexPath(*table, { 0, 0 }).has_value(), !c.profile);
        // Seven shown entries: the Derived and the Conditional join once evaluated.
        EXPECT_EQ(table->numberOfRowsInSection(values()), 7);
        if (c.profile) {
            EXPECT_EQ(row(values() - 1, 0), "Food Alergies >");
        }
    }
    EXPECT_EQ(targets("start.php").front(), "/json/start.php?a=42");

    // The actions section shows the due actions, or that none are required.
    open("{}");
    EXPECT_EQ(row(1, 0), "No actions required");
    EXPECT_FALSE(screen->willSelectRowAtIndexPath(*table, { 1, 0 }));
    tap(1, 0);
    EXPECT_TRUE(care->opened.empty());

    open(dueState);
    EXPECT_EQ(lines(*screen, *table, 1), std::vector<std::string> { "Weigh again / 2020-01-01 10:00:00 >" });
    tap(1, 0);
    EXPECT_EQ(care->opened, std::vector<std::string> { "DisplayAction|Margaret Hill|Weigh again" });

    lines(*screen, *table, values()); // asks for the picture
    settle();
    // The picture at the entry's address does not decode: the row stays without one.
    EXPECT_EQ(lines(*screen, *table, values()), (std::vector<std::string> {
        "Weight [number 80.0 + Graph] / 2026-12-01 09:00:00 (carer@home)", "Ate [bool 1 yes red]", "Notes >", "Mood / Happy >",
        "Photo [no picture]", "Weights chart >", "Lunch >", "Score [26.67]", "Watch note [Watch]" }));
    EXPECT_EQ(targets("/pictures/broken.jpg").size(), 1u);

    struct Shown { const char* state; int row; const char* shown; };
    const Shown shown[] = {
        { R"({"Ate":{"val":"0","type":"Bool"}})", 1, "Ate [bool 2 no green]" },
        { R"({"Ate":{"val":"","type":"Bool"}})", 1, "Ate [bool 0]" },
        // A bare record, so "15" stays "15" and the score reads 5 without a point.
        { R"({"Weight":{"val":"66.6666"}})", 7, "Score [22.22]" },
        { R"({"Weight":{"val":"15"}})", 7, "Score [5]" },
        // The Conditional row is labelled by its trigger and shows what it wrote.
        { R"({"Weight":{"val":"66"}})", 8, "Watch note [Watch]" },
    };
    for (const Shown& c : shown) {
        open(c.state);
        EXPECT_EQ(row(values(), c.row), c.shown) << c.state;
    }

    // A form entry switches the document before asking for its state.
    open(dueState);
    tap(values(), 5);
    EXPECT_EQ(screen->resDocID(), "502");
    EXPECT_EQ(targets("currentState.php"), std::vector<std::string> { "/json/currentState.php?a=502" });
    auto next = top<MasterViewController>();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->assetID() + "|" + next->resDocID() + "|" + next->resID(), "300|502|7");
    EXPECT_EQ(next->docs(), screen->docs());
    next->tableView();
    settle();
    ASSERT_TRUE(next->resDoc());
    EXPECT_EQ(next->engine()->formValueForKey("Weight"), "80.0");
    EXPECT_EQ(targets("start.php").back(), "/json/start.php?a=300");

    // A reply without a usable state opens the next form without one.
    for (const char* reply : { R"({"Message":{"list":{"Weight":{"val":"1"}},"modified":null}})", R"({"Message":{"list":[]}})", "broken" }) {
        stateReply = reply;
        open(dueState);
        tap(values(), 5);
        auto plain = top<MasterViewController>();
        ASSERT_TRUE(plain && plain != screen) << reply;
        EXPECT_FALSE(plain->resDoc()) << reply;
        EXPECT_EQ(plain->tableView()->numberOfSections(), 2) << reply;
    }

    care->opened.clear();
    open(dueState, true);
    const int v = values();
    for (IndexPath path : { IndexPath { 0, 0 } /* the profile's own name leads nowhere */, { 0, 1 }, { 0, 2 }, { 2, 0 }, { v, 4 } })
        tap(path.section, path.row);
    // The meal entry asks for the menu with the personnel details first.
    tap(v, 6);
    EXPECT_EQ(targets("getMenu.php"), std::vector<std::string> { "/json/getMenu.php?a=400&p=501" });
    EXPECT_EQ(stack->topViewController(), care->editors.back());
    // Two action records: the list of them.
    EXPECT_EQ(care->opened, (std::vector<std::string> { "History|42|500|Margaret Hill", "ActionList|2|Margaret Hill|500", "Ingredients|500",
                                "ImageEdit|500", "Menu|400|Lunch|7|2" }));
    // The number's graph button opens the graph of that number.
    auto graph = std::dynamic_pointer_cast<Button>(screen->cellForRowAtIndexPath(*table, { v, 0 })->accessoryView()->subviews().at(1));
    ASSERT_TRUE(graph && graph->tap());
    EXPECT_EQ(care->opened.back(), "Graph|500|Weight");
    EXPECT_EQ(stack->topViewController(), care->editors.back());

    tap(v, 2);
    auto text = top<TextEditViewController>();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->index(), 2u);
    tap(v, 3);
    auto select = top<SelectViewController>();
    ASSERT_TRUE(select);
    EXPECT_EQ(select->state(), "0");
    EXPECT_EQ(select->rows(), (std::vector<std::string> { "Happy", "Low" }));

    // One action record: the action screen on it; the heading name of a form opens the profile.
    open(R"({"A":{"type":"Action","val":"a"}})");
    tap(0, 2);
    EXPECT_EQ(care->opened.back(), "Action|Margaret Hill|500|a");
    tap(0, 0);
    EXPECT_EQ(targets("currentState.php").back(), "/json/currentState.php?a=501");
    auto profile = top<MasterViewController>();
    ASSERT_TRUE(profile && profile->isResidentProfile());
    profile->tableView();
    settle();
    EXPECT_EQ(profile->assetID(), "231");
    EXPECT_EQ(targets("start.php").back(), "/json/start.php?a=231");
    EXPECT_FALSE(care->offMain);

    // A refused value shows as not saved and goes again on selection.
    open(dueState);
    restart();
    refuseValues = true;
    auto number = std::dynamic_pointer_cast<NumberView>(screen->cellForRowAtIndexPath(*table, { values(), 0 })->accessoryView()->subviews().at(0));
    number->textField()->becomeFirstResponder();
    number->textField()->setText("81");
    number->textField()->resignFirstResponder();
    settle();
    const std::string weight = "/json/handleForm.php?f=11&c=7&name=Weight&val=81&type=Number";
    ASSERT_EQ(targets("handleForm.php"), std::vector<std::string> { weight });
    EXPECT_EQ(row(values(), 0), "Weight [number 81 + Graph] / not saved");

    refuseValues = false;
    tap(values(), 0);
    EXPECT_EQ(targets("handleForm.php"), (std::vector<std::string> { weight, weight }));
    EXPECT_EQ(row(values(), 0), "Weight [number 81.0 + Graph]");
    EXPECT_EQ(screen->engine()->formValueForKey("Weight"), "81.0");

    // A refused choice goes again with its row number.
    refuseValues = true;
    tap(values(), 3);
    select = top<SelectViewController>();
    ASSERT_TRUE(select);
    select->didSelectRowAtIndexPath(*select->tableView(), { 0, 1 });
    settle();
    EXPECT_EQ(row(values(), 3), "Mood / not saved >");
    refuseValues = false;
    tap(values(), 3);
    const std::string mood = "/json/handleForm.php?f=14&c=7&name=Mood&val=Low&type=Select&index=1";
    EXPECT_EQ(targets("handleForm.php"), (std::vector<std::string> { weight, weight, mood, mood }));
}

TEST_F(DocumentScreen, RowsByKindWhatEachOpensARefusedValueAndEachControlReachingTheServer)
{
    open();
    EXPECT_EQ(screen->title(), "Resident assessment");
    EXPECT_EQ(table->titleForHeaderInSection(0), "Name");
    // BMI is 72 / 1.8^2 at two decimals; the conditional's row is named by its note; "0" is no;
    // the room plan is the author's picture, no label.
    EXPECT_EQ(lines(*screen->datasource(), *table), (std::vector<std::string> { "Weight [number 72.0]", "Height [number 1.8]",
                                                        "BMI [22.22]", "Note []", "Smoker [bool 2 no green]", "Note >", "BMI over 25 [-2.78]",
                                                        "Mobility >", "Photo [no picture]", " [no picture]" }));
    std::vector<std::string> opened;
    for (int index = 0; index < 10; ++index)
        opened.push_back(opens(index));
    const std::string photo = "ImageEditViewController|" + screen->datasource()->assetID() + "|Photo";
    EXPECT_EQ(opened, (std::vector<std::string> { "", "", "", "", "", "text", "", "select|Independent|Needs help|Dependent", photo, "" }));
    EXPECT_EQ(row(8), "Photo [no picture]"); // drawn again while the picture is on its way

    // The filled-in photo comes from the value, the room plan from "assVal": both arrive from the server.
    settle();
    EXPECT_EQ(row(8), "Photo [picture 96]");
    EXPECT_EQ(row(9), " [picture 96]");
    // An author's picture that cannot be fetched leaves its row without one.
    screen->datasource()->objects()->push_back(JsonValue(JsonParser::parse(R"({"type":"Image","assVal":"http://127.0.0.1:1/plan.jpg"})")->object()));
    EXPECT_EQ(row(10), " [no picture]");
    settle();
    EXPECT_EQ(row(10), " [no picture]");
    screen->datasource()->objects()->erase(10);

    // A visitor may not write: the server refuses, the row says so and a selection sends it again.
    std::dynamic_pointer_cast<BoolView>(accessory(4))->touch({ 10, 15 });
    settle();
    EXPECT_EQ(row(4), std::string("Smoker [bool 1 yes red] / ") + DocumentDatasource::unsavedText);
    EXPECT_EQ(row(0), "Weight [number 72.0]");

    Collector login;
    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
    ASSERT_TRUE(login.waitFor(1));
    EXPECT_TRUE(table->selectRow({ 0, 4 })); // sends it again instead of opening anything
    settle();
    EXPECT_EQ(stack->topViewController(), screen);
    EXPECT_EQ(row(4), "Smoker [bool 1 yes red]");

    // Logged in, each control reaches the server and the computed entries follow.
    auto number = std::dynamic_pointer_cast<NumberView>(accessory(0));
    number->textField()->becomeFirstResponder();
    number->textField()->type("90");
    number->textField()->pressReturn();
    settle();
    std::dynamic_pointer_cast<BoolView>(accessory(4))->touch({ 10, 15 });
    settle();

    table->selectRow({ 0, 7 });
    auto options = std::dynamic_pointer_cast<SelectViewController>(stack->topViewController());
    ASSERT_TRUE(options);
    options->tableView()->selectRow({ 0, 2 });
    settle();
    EXPECT_EQ(stack->topViewController(), screen);

    table->selectRow({ 0, 5 });
    auto text = std::dynamic_pointer_cast<TextEditViewController>(stack->topViewController());
    ASSERT_TRUE(text);
    text->textView()->type("Needs a frame");
    text->rightBarButtonItem()->press();
    settle();
    // No row says "not saved"; the computed entries follow the new weight; the pictures stay.
    EXPECT_EQ(lines(*screen->datasource(), *table), (std::vector<std::string> { "Weight [number 90.0]", "Height [number 1.8]",
                                                        "BMI [27.78]", "Note [Needs a frame]", "Smoker [bool 1 yes red]", "Note / Needs a frame >",
                                                        "BMI over 25 [2.78]", "Mobility / Dependent >", "Photo [picture 96]", " [picture 96]" }));

    // What the server now holds, read back through a fresh fetch of the document.
    Collector fetch;
    model().fetchDocumentForAssetID(screen->datasource()->assetID(), fetch.handler());
    Outcome outcome = fetch.single();
    ASSERT_TRUE(outcome.content && outcome.content->isObject());
    auto dict = outcome.content->object()->get("dict").object();
    for (auto [key, value] : { std::pair { "Weight", "90" }, { "Smoker", "1" }, { "Mobility", "Dependent" }, { "Note", "Needs a frame" } })
        EXPECT_EQ(dict->get(key).object()->get("val").asString(), value) << key;
}

TEST_F(FormScreen, AnOwnerReachesTheFieldsEditsNamesOpensEditorsAndAddsFields)
{
    auto home = DirectoryViewController::create();
    auto homeManager = DataManager::create(asset::list(directory("")), model());
    home->setDataSource(EditableDataSource::create(homeManager));
    homeManager->setViewController(std::static_pointer_cast<DataManagerScreen>(home));
    present(home);
    homeManager->loadDirectoryForObject(contact, home);
    settle();
    auto page = std::dynamic_pointer_cast<DirectoryViewController>(stack->topViewController());
    ASSERT_TRUE(page);
    auto manager = page->dataSource()->dataManager();
    ASSERT_TRUE(manager->isOwner() && manager->isForm());

    manager->editTable();
    ASSERT_TRUE(manager->editAlert());
    EXPECT_EQ(manager->editAlert()->buttonTitles(), (std::vector<std::string> { "Cancel", "Reorder", "Edit items", "Form fields" }));
    ASSERT_TRUE(manager->editAlert()->chooseButtonWithTitle("Form fields"));
    EXPECT_FALSE(manager->isEditing()); // as after Cancel: the next Edit asks again
    settle();

    screen = std::dynamic_pointer_cast<FormViewController>(stack->topViewController());
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->title(), "Contact us");
    EXPECT_EQ(screen->assetID(), formID);
    table = screen->tableView(); // loading the view sets the bar buttons
    EXPECT_EQ(rightTitles(), (std::vector<std::string> { "Add", "Edit" }));
    // Each field of the demo form by name and type; the Submit item is a field too.
    EXPECT_EQ(lines(*screen, *table), (std::vector<std::string> { "Intro / Text >", "Your name / TextField >", "Telephone / TextField >",
                                          "Message / TextView >", "Send / Submit >" }));
    EXPECT_EQ(screen->cellForRowAtIndexPath(*table, { 0, 4 })->reuseIdentifier(), "DirectoryCell");

    // Edit mode draws a name input; outside it fields open their editors.
    openDirectly();
    // Edit mode, the row being named (-1 for none) and the input on row 1 ("-" for none).
    auto editing = [&] {
        return std::to_string(screen->editMode()) + "|" + std::to_string(screen->editingRow().value_or(-1)) + "|" + (input(1) ? input(1)->text() : "-");
    };
    screen->editTable();
    EXPECT_EQ(rightTitles(), (std::vector<std::string> { "Add", "Done" }));
    EXPECT_EQ(editing() + "|" + row(1), "1|-1|-|Your name / TextField");

    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(stack->topViewController(), screen);
    EXPECT_EQ(editing() + "|" + row(2), "1|1|Your name|Telephone / TextField");

    // The typed name goes nowhere: the list keeps the server's name.
    auto name = input(1);
    ASSERT_TRUE(name);
    name->becomeFirstResponder();
    name->type("Full name");
    EXPECT_TRUE(name->pressReturn());
    EXPECT_EQ(editing() + "|" + row(1), "0|-1|-|Your name / TextField >");

    // A new edit mode starts without a remembered row.
    screen->editTable();
    EXPECT_EQ(editing(), "1|-1|-");
    screen->editTable();
    EXPECT_FALSE(screen->editMode());

    // Outside edit mode text and image fields open their editors on a copy.
    screen->objects()->push_back(JsonValue(JsonParser::parse(R"({"AssetId":"77","Type":"Image","Name":"Logo"})")->object()));
    table->reloadData();
    struct Case { int row; const char* opens /* "" when nothing opens */; };
    for (const Case& c : { Case { 0, "TextEditorViewController" }, Case { 1, "" }, Case { 4, "" }, Case { 5, "ImageEditViewController" } }) {
        table->selectRow({ 0, c.row });
        auto editor = std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController());
        EXPECT_EQ(editor ? editor->kind : std::string {}, c.opens) << c.row;
        if (!editor)
            continue;
        JsonObjectPtr field = screen->objects()->at(c.row).object();
        EXPECT_NE(editor->object, field) << c.row;
        EXPECT_EQ(asset::name(editor->object), asset::name(field)) << c.row;
        if (editor->kind == "ImageEditViewController") {
            EXPECT_EQ(editor->parentID, formID);
        }
        // Stored: the editor closes, and only that one.
        editor->completion(std::nullopt);
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(stack->topViewController(), screen) << c.row;
    }

    // The add completion takes a list when there is one and always closes the add screen.
    const std::string withList = R"({"name":"Contact us","Children":[{"AssetId":"90","Type":"Text","Name":"Added"}]})";
    struct Adding { UserInterfaceIdiom idiom; bool shellScreen; const char* reply /* null: no reply at all */; bool background; size_t rows; };
    const Adding cases[] = {
        { UserInterfaceIdiom::Phone, true, withList.c_str(), false, 1 },
        { UserInterfaceIdiom::Phone, true, R"({"name":"Contact us","list":"none"})", false, 5 },
        { UserInterfaceIdiom::Phone, true, nullptr, false, 5 },
        { UserInterfaceIdiom::Pad, true, withList.c_str(), true, 1 },
        { UserInterfaceIdiom::Pad, true, "[1,2]", true, 5 },
        { UserInterfaceIdiom::Phone, false, nullptr, false, 5 },
    };
    for (const Adding& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        openDirectly(c.idiom);
        forms->addScreen = c.shellScreen ? ViewController::create("Add field") : nullptr;
        screen->addAsset();
        EXPECT_EQ(forms->addRequests, std::vector<std::string>(&c - cases + 1, formID)); // one request for each case so far
        auto adding = std::dynamic_pointer_cast<NavigationController>(screen->addFieldStack());
        if (!c.shellScreen) { // a shell without the add screen: nothing opens
            EXPECT_FALSE(adding);
            EXPECT_FALSE(screen->presentedViewController());
            EXPECT_TRUE(window->popovers().empty());
            continue;
        }
        ASSERT_TRUE(adding);
        EXPECT_EQ(adding->topViewController(), forms->addScreen);
        const bool popover = c.idiom != UserInterfaceIdiom::Phone;
        EXPECT_EQ(window->popovers().size(), popover ? 1u : 0u);
        EXPECT_EQ(screen->presentedViewController() == adding, !popover);

        auto completion = forms->completion;
        std::optional<JsonValue> reply;
        if (c.reply)
            reply = *JsonParser::parse(c.reply);
        if (c.background)
            std::thread([&] { completion(reply); }).join();
        else
            completion(reply);
        EXPECT_TRUE(screen->addFieldStack()); // nothing changes before the main queue runs
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(table->numberOfRowsInSection(0), static_cast<int>(c.rows));
        EXPECT_FALSE(screen->presentedViewController());
        EXPECT_FALSE(screen->addFieldStack());
        for (const auto& shown : window->popovers())
            EXPECT_FALSE(shown->isPopoverVisible());
    }
}

TEST_F(PageChooser, RepliesWithoutAListLeaveItEmptyAndTheOwnersPagesHandTheChoiceBack)
{
    // Replies that carry no page list leave it empty.
    struct Case { const char* name; int status; const char* body; };
    for (const Case& c : { Case { "no PageList", 200, R"({"list":[{"Name":"Home","Id":"1"}]})" },
             Case { "PageList not a list", 200, R"({"PageList":{"Name":"Home"}})" }, Case { "refused", 401, R"({"error":"login"})" },
             Case { "not JSON", 500, "oops" } }) {
        server.setResponder([&](const RecordedRequest&) { return json(c.body, c.status); });
        open();
        chooser->setObjects(JsonParser::parse(R"([{"Name":"Old","Id":"9"}])")->array());
        chooser->refresh();
        settle();
        EXPECT_EQ(lines(*chooser, *table), std::vector<std::string> {}) << c.name;
        EXPECT_EQ(stack->topViewController(), chooser) << c.name;
        EXPECT_FALSE(target->linkAssetId) << c.name;
    }

    // The owner's pages; cancel goes back without a choice, a row hands its page back.
    ASSERT_TRUE(logInDemoOwner());
    Collector fetch;
    model().fetchPageListWithCompletionHandler(fetch.handler());
    Outcome outcome = fetch.single();
    ASSERT_TRUE(outcome.content && outcome.content->isObject());
    JsonArrayPtr pages = outcome.content->object()->get("PageList").array();
    ASSERT_TRUE(pages && pages->size() >= 2);
    std::vector<std::string> expected;
    for (const JsonValue& page : pages->items())
        expected.push_back(page.object()->get("Name").asString());

    open();
    EXPECT_EQ(lines(*chooser, *table), expected);
    chooser->leftBarButtonItem()->press();
    EXPECT_EQ(stack->topViewController(), editor);
    EXPECT_FALSE(target->linkAssetId || target->linkName);

    editor = ViewController::create("Add page");
    open();
    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(target->linkAssetId, pages->at(1).object()->get("Id").asString());
    EXPECT_EQ(target->linkName, expected[1]);
    EXPECT_EQ(stack->topViewController(), editor);
}
