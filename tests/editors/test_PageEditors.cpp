// The add-item menu and the page, form and form field editors it leads to: the menu's rows,
// what each opens and in which order it reports and closes; the exact makePage, makeForm and
// addAsset.php requests; and that an item the server did not add never looks added.

#include "editors/AddDirectoryViewController.h"
#include "editors/DirectoryActionsViewController.h"
#include "editors/FormAddAssetViewController.h"

#include "content/TableViewController.h"
#include "content/ViewControllerUtilities.h"
#include "content/YoutubeVideoDataSource.h"
#include "editors/EditorFixture.h"
#include "editors/FormAssetTypeViewController.h"
#include "forms/FormSelectionViewController.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

/// Every row's label; each row is a disclosure cell of the editor's own kind.
std::vector<std::string> labelsOf(TableView& table, const std::string& reuseIdentifier = "")
{
    std::vector<std::string> out;
    for (const auto& row : table.layoutAllRows().rows) {
        out.push_back(row.cell->textLabel()->text());
        if (!reuseIdentifier.empty()) {
            EXPECT_EQ(row.cell->reuseIdentifier(), reuseIdentifier);
            EXPECT_EQ(row.cell->accessoryType(), AccessoryType::DisclosureIndicator);
        }
    }
    return out;
}

class Menu : public EditorFixture {
protected:
    void open(bool images = false, bool directory = false)
    {
        DirectoryActionsSetup setup;
        setup.assetID = pageID;
        setup.object = pageObject;
        setup.restrictToImages = images;
        setup.restrictToDirectory = directory;
        setup.cont = root;
        menu = DirectoryActionsViewController::create(setup, [this](std::optional<JsonValue> answer) {
            events.push_back(std::string(shown() ? "report while shown" : "report after dismissal"));
            reports.push_back(answer);
            reportedOnMain.push_back(MainQueue::shared().isMainThread());
        }, model());
        present(menu);
        menu->tableView();
    }
    void tap(const std::string& label)
    {
        auto table = menu->tableView();
        for (const auto& row : table->layoutAllRows().rows) {
            if (row.cell->textLabel()->text() == label) {
                ASSERT_TRUE(table->selectRow(row.indexPath));
            }
        }
    }
    std::shared_ptr<ViewController> top() const { return stack->topViewController(); }

    std::string pageID = "42";
    JsonObjectPtr pageObject = JsonObject::create();
    std::shared_ptr<DirectoryActionsViewController> menu;
    std::vector<std::string> events;
    std::vector<std::optional<JsonValue>> reports;
    std::vector<bool> reportedOnMain;
};

} // namespace

TEST_F(Menu, RowsFollowTheRestrictions)
{
    struct Case {
        bool images, directory;
        std::vector<std::string> rows;
    } cases[] = {
        { false, false, { "Add Page", "Add Form", "Add Text", "Add Single line text input", "Add Multiple line text input", "Add Image",
                            "Add Slider", "Add Youtube Video" } },
        { true, false, { "Add Image" } },
        { false, true, { "Add Page" } },
        { true, true, { "Add Image" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.images) + std::to_string(c.directory));
        open(c.images, c.directory);
        EXPECT_EQ(menu->title(), "Directory actions");
        EXPECT_EQ(labelsOf(*menu->tableView(), "DirectoryCell"), c.rows);
    }
}

// Each row pushes its editor on the menu's stack, set up for the page; the text editor and the
// image chooser come from the shell.
TEST_F(Menu, EachRowOpensItsEditorOnTheMenusStack)
{
    struct Case {
        std::string label, title;
        std::optional<TextEditorMode> text;
        std::optional<ImageSelectionMode> image;
    } cases[] = {
        { "Add Page", "Add Directory", {}, {} },
        { "Add Form", "Add Form", {}, {} },
        { "Add Text", "TextEditorViewController", TextEditorMode::Text, {} },
        { "Add Single line text input", "TextEditorViewController", TextEditorMode::TextInput, {} },
        { "Add Multiple line text input", "TextEditorViewController", TextEditorMode::MultiLineInput, {} },
        { "Add Image", "ImageSelectionViewController", std::nullopt, ImageSelectionMode::Add },
        { "Add Youtube Video", "Add Youtube Video", {}, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        shell->editors.clear();
        open();
        tap(c.label);
        ASSERT_EQ(stack->viewControllers().size(), 2u);
        EXPECT_EQ(top()->title(), c.title);
        const bool fromShell = c.text || c.image;
        ASSERT_EQ(shell->editors.size(), fromShell ? 1u : 0u);
        if (fromShell) {
            EXPECT_EQ(shell->editors[0], top());
            EXPECT_EQ(shell->editors[0]->object, pageObject);
            EXPECT_EQ(shell->editors[0]->textMode, c.text);
            EXPECT_EQ(shell->editors[0]->imageMode, c.image);
        }
        if (auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(top())) {
            EXPECT_EQ(editor->isForm(), c.label == "Add Form");
            EXPECT_EQ(editor->assetID(), pageID);
        }
        if (auto video = std::dynamic_pointer_cast<TableViewController>(top())) {
            auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(video->datasource());
            ASSERT_TRUE(source);
            EXPECT_EQ(source->parentID(), pageID);
            ASSERT_TRUE(video->rightBarButtonItem());
            EXPECT_EQ(video->rightBarButtonItem()->displayTitle(), "Save");
        }
    }
}

TEST_F(Menu, TheSliderRowSaysItCannotBeAddedAndCancelReportsNothing)
{
    open();
    tap("Add Slider");
    EXPECT_EQ(stack->viewControllers().size(), 1u);
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->title(), "Not available");
    EXPECT_EQ(alert()->buttonTitles(), std::vector<std::string> { "OK" });
    alert()->chooseButton(0);
    EXPECT_TRUE(shown());
    menu->leftBarButtonItem()->press();
    EXPECT_FALSE(shown());
    EXPECT_TRUE(reports.empty());
}

// On a large screen the opener shows the menu as a popover; the menu closes that too.
TEST_F(Menu, AMenuInAPopoverClosesItsPopover)
{
    window = Window::create(Window::defaultBounds, UserInterfaceIdiom::Pad);
    auto opener = ViewController::create("Page");
    window->setRootViewController(opener);
    window->makeKeyAndVisible();
    menu = DirectoryActionsViewController::create(model());
    auto popover = ViewControllerUtilities::defaultInstance()->presentPopoverWithController(NavigationController::create(menu), nullptr, Rect {},
        Size {}, PopoverArrow::Any, opener);
    ASSERT_TRUE(popover && popover->isPopoverVisible());
    menu->cancel();
    EXPECT_FALSE(popover->isPopoverVisible());
}

// The other screens' editors report on their own thread: the menu passes that on at once and
// closes afterwards on the main queue. A report of nothing keeps the menu open.
TEST_F(Menu, OtherEditorsReportFirstThenTheMenuCloses)
{
    open();
    tap("Add Text");
    ASSERT_EQ(shell->editors.size(), 1u);
    auto completion = shell->editors[0]->completion;
    completion(std::nullopt);
    MainQueue::shared().runUntilIdle();
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(shown());

    std::thread reporter([&] { completion(JsonValue(JsonObject::create())); });
    reporter.join();
    EXPECT_EQ(events, std::vector<std::string> { "report while shown" });
    EXPECT_EQ(reportedOnMain, std::vector<bool> { false });
    EXPECT_TRUE(shown());
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(shown());
}

// The page and form editor: the menu closes on the main queue and only then reports.
TEST_F(Menu, ThePageEditorsReportComesAfterTheMenuCloses)
{
    open();
    tap("Add Page");
    auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(top());
    ASSERT_TRUE(editor);
    auto record = JsonObject::create();
    record->set("Children", JsonValue(JsonArray::create()));
    std::thread reporter([&] { editor->completionHandler()(JsonValue(record)); });
    reporter.join();
    EXPECT_TRUE(reports.empty());
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(events, std::vector<std::string> { "report after dismissal" });
    EXPECT_EQ(reportedOnMain, std::vector<bool> { true });
}

// Against the reference server: the page the owner sees next lists the saved video.
TEST_F(Menu, ASavedVideoClosesTheMenuAndReportsThePageWithIt)
{
    pageID = loginToReference();
    open();
    tap("Add Youtube Video");
    auto video = std::dynamic_pointer_cast<TableViewController>(top());
    ASSERT_TRUE(video);
    auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(video->datasource());
    video->tableView()->layoutAllRows();
    source->nameField()->type("Garden tour");
    source->videoIdent()->type("dQw4w9WgXcQ");
    video->rightBarButtonItem()->press();
    settle();
    EXPECT_FALSE(shown());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(events[0], "report after dismissal");
    JsonArrayPtr items = asset::list(reports[0] && reports[0]->isObject() ? reports[0]->object() : nullptr);
    ASSERT_TRUE(items);
    bool listed = false;
    for (const JsonValue& item : items->items())
        listed = listed || (asset::name(item.object()) == "Garden tour" && asset::type(item.object()) == "YoutubeVideo");
    EXPECT_TRUE(listed);
}

namespace {

class AddDirectory : public EditorFixture {
protected:
    void open(bool isForm)
    {
        editor = AddDirectoryViewController::create(model());
        editor->setIsForm(isForm);
        editor->setAssetID("7");
        editor->setCompletionHandler([this](std::optional<JsonValue> answer) {
            reports.push_back(answer);
            reportedOnMain = MainQueue::shared().isMainThread();
        });
        present(editor);
        editor->tableView();
    }
    void saveAndSettle()
    {
        editor->rightBarButtonItem()->press();
        settle();
    }

    std::shared_ptr<AddDirectoryViewController> editor;
    std::vector<std::optional<JsonValue>> reports;
    bool reportedOnMain = false;
};

} // namespace

TEST_F(AddDirectory, PageAndFormRowsAndTheChosenNextPage)
{
    open(false);
    EXPECT_EQ(editor->title(), "Add Directory");
    EXPECT_EQ(labelsOf(*editor->tableView()), (std::vector<std::string> { "Enter name of new directory", "" }));
    EXPECT_EQ(editor->tableView()->heightForRowAtIndexPath({ 0, 1 }), 42);

    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"PageList":[{"Name":"Thanks","Id":"31"}]}})"); });
    open(true);
    EXPECT_EQ(editor->title(), "Add Form");
    EXPECT_EQ(labelsOf(*editor->tableView()), (std::vector<std::string> { "Enter name of new form", "", "Enter success message", "", "Select next page" }));
    std::vector<double> heights;
    for (int row = 0; row < 5; ++row)
        heights.push_back(editor->tableView()->heightForRowAtIndexPath({ 0, row }));
    EXPECT_EQ(heights, (std::vector<double> { 42, 42, 42, AddDirectoryViewController::messageCellHeight, 42 }));
    // The chosen page shows as the link when the editor reappears.
    ASSERT_TRUE(editor->tableView()->selectRow({ 0, AddDirectoryViewController::NextPageRow }));
    auto chooser = std::dynamic_pointer_cast<FormSelectionViewController>(stack->topViewController());
    ASSERT_TRUE(chooser);
    chooser->tableView();
    settle();
    ASSERT_TRUE(chooser->tableView()->selectRow({ 0, 0 }));
    EXPECT_EQ(stack->topViewController(), editor);
    EXPECT_EQ(editor->linkAssetId(), "31");
    EXPECT_EQ(labelsOf(*editor->tableView()).back(), "Link to Thanks");
}

// The exact requests, and the answer handed on unchanged on the main queue.
TEST_F(AddDirectory, SendsMakePageAndMakeFormAndReportsTheDirectory)
{
    struct Case {
        bool isForm;
        std::string name, message, linkId, target;
    } cases[] = {
        { false, "Our team", "", "", "makePage?assetid=7&name=Our%20team" },
        { true, "Sign up", "Thanks", "", "makeForm?assetid=7&name=Sign%20up&message=Thanks&linkassetid=" },
        { true, "a/b:c", "See you", "31", "makeForm?assetid=7&name=a%2fb%3ac&message=See%20you&linkassetid=31" },
    };
    answer(200, R"({"Message":{"AssetId":"7","Name":"Home","Children":[{"AssetId":"8","Name":"News","Type":"Directory"}]}})");
    size_t seen = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        reports.clear();
        open(c.isForm);
        editor->directoryNameField()->type(c.name);
        editor->messageView()->type(c.message);
        if (!c.linkId.empty())
            editor->setLinkAssetId(c.linkId);
        saveAndSettle();
        ASSERT_TRUE(server.waitForRequests(++seen));
        EXPECT_EQ(server.requests().back().target, base() + c.target);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(reportedOnMain);
        EXPECT_EQ(asset::list(reports[0]->object())->size(), 1u);
        EXPECT_TRUE(shown());
    }
}

// A blank name sends nothing; a refused, broken or list-less answer: an alert, the typing
// kept, no report.
TEST_F(AddDirectory, AFailedSaveKeepsTheEditorOpenAndSaysSo)
{
    struct Case {
        std::string name;
        int status;
        std::string body;
        std::string title;
    } cases[] = {
        { "", 200, "{}", "Name needed" },
        { "   ", 200, "{}", "Name needed" },
        { "Our team", 403, R"({"error":"not yours"})", "Page not added" },
        { "Our team", 200, "not json", "Page not added" },
        { "Our team", 200, R"({"Message":{"Name":"Home"}})", "Page not added" },
        { "Our team", 500, "{}", "Page not added" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        answer(c.status, c.body);
        open(c.name.empty());
        editor->directoryNameField()->type(c.name);
        saveAndSettle();
        EXPECT_TRUE(reports.empty());
        EXPECT_TRUE(shown());
        EXPECT_EQ(editor->directoryNameField()->text(), c.name);
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), c.title);
        EXPECT_EQ(alert()->buttonTitles(), std::vector<std::string> { "OK" });
        alert()->chooseButton(0);
    }
    EXPECT_EQ(server.requests().size(), 4u) << "a blank name sends nothing";
}

namespace {

class AddField : public EditorFixture {
protected:
    void open()
    {
        screen = FormAddAssetViewController::create("55", [this](std::optional<JsonValue> answer) { reports.push_back(answer); }, model());
        present(screen);
        screen->tableView()->layoutAllRows();
    }
    void chooseType(int row)
    {
        ASSERT_TRUE(screen->tableView()->selectRow({ 0, FormAddAssetViewController::TypeRow }));
        auto chooser = std::dynamic_pointer_cast<FormAssetTypeViewController>(stack->topViewController());
        ASSERT_TRUE(chooser);
        ASSERT_TRUE(chooser->tableView()->selectRow({ 0, row }));
        EXPECT_EQ(stack->topViewController(), screen);
    }
    std::string typeDetail() { return screen->tableView()->layoutAllRows().rows.at(1).cell->detailTextLabel()->text(); }
    void save()
    {
        screen->rightBarButtonItem()->press();
        settle();
    }

    std::shared_ptr<FormAddAssetViewController> screen;
    std::vector<std::optional<JsonValue>> reports;
};

} // namespace

TEST_F(AddField, TheTypeListSetsTheTypeShownAndCancelSendsNothing)
{
    open();
    EXPECT_EQ(screen->tableView()->heightForRowAtIndexPath({ 0, 1 }), 40);
    EXPECT_EQ(typeDetail(), "");
    const std::vector<std::string> types { "Text", "Number", "Select" };
    for (int row = 0; row < 3; ++row) {
        chooseType(row);
        EXPECT_EQ(screen->type(), types[row]);
        EXPECT_EQ(typeDetail(), types[row]);
    }
    EXPECT_EQ(screen->leftBarButtonItem()->displayTitle(), "Cancel");
    screen->leftBarButtonItem()->press();
    EXPECT_FALSE(shown());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AddField, SendsTheEncodedNameAndThePlainType)
{
    answer(200, R"({"Message":{"assetID":"90","name":"x","type":"Number"}})");
    open();
    screen->nameField()->type("Weight/kg: today");
    chooseType(1);
    save();
    EXPECT_EQ(onlyRequest().target, "/json/addAsset.php?assetID=55&name=Weight%2fkg%3a%20today&type=Number");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->object()->get("assetID").asString(), "90");
    EXPECT_TRUE(shown());
}

// Nothing is sent without a name and a type; a refused or broken reply is not reported.
TEST_F(AddField, MissingInputsAndFailedRepliesKeepTheScreenWithAnAlert)
{
    struct Case {
        std::string name;
        int typeRow;
        int status;
        std::string body;
        std::string title;
        size_t requests;
    } cases[] = {
        { "", 0, 200, "{}", "Name needed", 0 },
        { "Height", -1, 200, "{}", "Type needed", 0 },
        { "Height", 0, 404, R"({"error":"unknown id"})", "Field not added", 1 },
        { "Height", 0, 200, "<html>", "Field not added", 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + " " + std::to_string(c.status));
        answer(c.status, c.body);
        open();
        screen->nameField()->type(c.name);
        if (c.typeRow >= 0)
            chooseType(c.typeRow);
        save();
        EXPECT_EQ(server.requests().size(), c.requests);
        EXPECT_TRUE(reports.empty());
        EXPECT_TRUE(shown());
        EXPECT_EQ(screen->nameField()->text(), c.name);
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), c.title);
        alert()->chooseButton(0);
    }
}
