// The page editors: the add-item menu and the page, form and form field editors it leads to
// (the menu's rows, what each opens and in which order it reports and closes, the exact
// makePage, makeForm and addAsset.php requests, and that an item the server did not add never
// looks added); the directory, site and workflow editors (their rows, the carousel switch and
// style chooser, the rename, image reset and link requests with good and refused replies, the
// hand-over to the page's table and to the image chooser).

#include "editors/AddDirectoryViewController.h"
#include "editors/AssociateAssetViewController.h"
#include "editors/CarouselTypeViewController.h"
#include "editors/DirectoryActionsViewController.h"
#include "editors/EditDirectoryViewController.h"
#include "editors/FormAddAssetViewController.h"
#include "editors/TabEditViewController.h"

#include "content/CarouselCell.h"
#include "content/TableViewController.h"
#include "content/ViewControllerUtilities.h"
#include "content/YoutubeVideoDataSource.h"
#include "editors/EditorFixture.h"
#include "editors/FormAssetTypeViewController.h"
#include "forms/FormSelectionViewController.h"
#include "platform/JsonParser.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

#include <functional>
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
// closes afterwards on the main queue. A report of nothing keeps the menu open. The page and
// form editor's report waits until the menu has closed on the main queue.
TEST_F(Menu, EditorsReportBeforeOrAfterTheMenuCloses)
{
    open();
    tap("Add Text");
    ASSERT_EQ(shell->editors.size(), 1u);
    auto completion = shell->editors[0]->completion;
    completion(std::nullopt);
    MainQueue::shared().runUntilIdle();
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(shown());

    std::thread([&] { completion(JsonValue(JsonObject::create())); }).join();
    EXPECT_EQ(events, std::vector<std::string> { "report while shown" });
    EXPECT_EQ(reportedOnMain, std::vector<bool> { false });
    EXPECT_TRUE(shown());
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(shown());

    open();
    tap("Add Page");
    auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(top());
    ASSERT_TRUE(editor);
    auto record = JsonObject::create();
    record->set("Children", JsonValue(JsonArray::create()));
    std::thread([&] { editor->completionHandler()(JsonValue(record)); }).join();
    EXPECT_EQ(reports.size(), 1u);
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string> { "report while shown", "report after dismissal" }));
    EXPECT_EQ(reportedOnMain, (std::vector<bool> { false, true }));
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
    EXPECT_EQ(editor->tableView()->heightForRowAtIndexPath({ 0, 0 }), 42);
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

// The exact requests, and the answer handed on unchanged on the main queue. A blank name sends
// nothing; a refused, broken or list-less answer: an alert, the typing kept, no report.
TEST_F(AddDirectory, SaveSendsMakePageOrMakeFormOrSaysWhyNot)
{
    const std::string stored = R"({"Message":{"AssetId":"7","Name":"Home","Children":[{"AssetId":"8","Name":"News","Type":"Directory"}]}})";
    const std::string makePage = "makePage?assetid=7&name=Our%20team";
    struct Case {
        bool isForm;
        std::string name, message, linkId;
        int status;
        std::string body, target; // target empty: nothing sent
        std::string title;        // empty: stored and reported
    } cases[] = {
        { false, "Our team", "", "", 200, stored, makePage, "" },
        { true, "Sign up", "Thanks", "", 200, stored, "makeForm?assetid=7&name=Sign%20up&message=Thanks&linkassetid=", "" },
        { true, "a/b:c", "See you", "31", 200, stored, "makeForm?assetid=7&name=a%2fb%3ac&message=See%20you&linkassetid=31", "" },
        { true, "", "", "", 200, "{}", "", "Name needed" },
        { false, "   ", "", "", 200, "{}", "", "Name needed" },
        { false, "Our team", "", "", 403, R"({"error":"not yours"})", makePage, "Page not added" },
        { false, "Our team", "", "", 200, "not json", makePage, "Page not added" },
        { false, "Our team", "", "", 200, R"({"Message":{"Name":"Home"}})", makePage, "Page not added" },
        { false, "Our team", "", "", 500, "{}", makePage, "Page not added" },
    };
    size_t sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + " " + c.body);
        reports.clear();
        answer(c.status, c.body);
        open(c.isForm);
        editor->directoryNameField()->type(c.name);
        editor->messageView()->type(c.message);
        if (!c.linkId.empty())
            editor->setLinkAssetId(c.linkId);
        saveAndSettle();
        if (!c.target.empty()) {
            ASSERT_TRUE(server.waitForRequests(++sent));
            EXPECT_EQ(server.requests().back().target, base() + c.target);
        }
        EXPECT_EQ(server.requests().size(), sent);
        EXPECT_TRUE(shown());
        if (c.title.empty()) {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_TRUE(reportedOnMain);
            EXPECT_EQ(asset::list(reports[0]->object())->size(), 1u);
            continue;
        }
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(editor->directoryNameField()->text(), c.name);
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), c.title);
        EXPECT_EQ(alert()->buttonTitles(), std::vector<std::string> { "OK" });
        alert()->chooseButton(0);
    }
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

// The exact request, with the name encoded and the type plain. Nothing is sent without a name
// and a type; a refused or broken reply is not reported.
TEST_F(AddField, SaveSendsAddAssetOrKeepsTheScreenWithAnAlert)
{
    struct Case {
        std::string name;
        int typeRow;
        int status;
        std::string body;
        std::string title; // empty: stored and reported
        size_t requests;
    } cases[] = {
        { "Weight/kg: today", 1, 200, R"({"Message":{"assetID":"90","name":"x","type":"Number"}})", "", 1 },
        { "", 0, 200, "{}", "Name needed", 1 },
        { "Height", -1, 200, "{}", "Type needed", 1 },
        { "Height", 0, 404, R"({"error":"unknown id"})", "Field not added", 2 },
        { "Height", 0, 200, "<html>", "Field not added", 3 },
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
        EXPECT_TRUE(shown());
        if (c.title.empty()) {
            EXPECT_EQ(onlyRequest().target, "/json/addAsset.php?assetID=55&name=Weight%2fkg%3a%20today&type=Number");
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0]->object()->get("assetID").asString(), "90");
            reports.clear();
            continue;
        }
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(screen->nameField()->text(), c.name);
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), c.title);
        alert()->chooseButton(0);
    }
}

namespace {

AssetRecord record(const std::string& json) { return JsonParser::parse(json)->object(); }

std::string titleOf(const std::shared_ptr<AlertView>& alert) { return alert ? alert->title() : std::string("(none)"); }

class EditDirectory : public EditorFixture {
protected:
    /// Opens the editor as the coordinator does: modally, in a stack of its own, over the page.
    void open(AssetRecord opened)
    {
        object = std::move(opened);
        editor = EditDirectoryViewController::create(object, page, [this](std::optional<JsonValue> answer) {
            answers.push_back(std::move(answer));
            answeredOnMain.push_back(MainQueue::shared().isMainThread());
        });
        present(editor);
        table = editor->tableView();
    }
    std::string label(int row) { return editor->cellForRowAtIndexPath(*table, { 0, row })->textLabel()->text(); }
    void tap(int row) { ASSERT_TRUE(table->selectRow({ 0, row })); }

    AssetRecord object;
    std::shared_ptr<EditDirectoryViewController> editor;
    std::shared_ptr<TableView> table;
    std::vector<std::optional<JsonValue>> answers;
    std::vector<bool> answeredOnMain;
};

TEST_F(EditDirectory, RowsShowTheirLabelsAndTheNameField)
{
    open(record(R"({"AssetId":"7","Name":"Gallery","name":"stale","Type":"Directory"})"));
    EXPECT_EQ(editor->title(), "Edit Directory");
    EXPECT_EQ(editor->labels(), (std::vector<std::string> { "Change name", "", "Set image", "Clear image", "Edit table", "Carousel", "Carousel type" }));
    std::vector<std::string> shown;
    for (int row : { 0, 2, 3, 4, 5, 6 })
        shown.push_back(label(row));
    EXPECT_EQ(shown, (std::vector<std::string> { "Change name", "Set image", "Clear image", "Edit table", "Carousel off", "Carousel type" }));
    EXPECT_EQ(editor->cellForRowAtIndexPath(*table, { 0, 1 }), editor->nameCell());
    EXPECT_EQ(editor->nameField()->text(), "Gallery") << "the record's own name key is read";
    EXPECT_EQ(editor->cellForRowAtIndexPath(*table, { 0, 2 })->accessoryType(), AccessoryType::DisclosureIndicator);
    EXPECT_EQ(editor->leftBarButtonItem()->systemItem(), SystemItem::Cancel);
    EXPECT_EQ(editor->rightBarButtonItem()->systemItem(), SystemItem::Save);
}

// The switch and the chosen style are written to the record before the request, kept when
// stored and undone when refused; a carousel change does not close the editor.
TEST_F(EditDirectory, CarouselSwitchAndStyleAreStoredBeforeSending)
{
    struct Case {
        const char* name;
        int status;
        const char* json;
        const char* shownBefore;
        long style; // -1: the switch row
        const char* sentOption;
        const char* shownAfter;
        const char* failure;
    } cases[] = {
        { "style 3 switches off", 200, R"({"AssetId":"7","options":"Carousel:3"})", "Carousel on", -1, "", "Carousel off", "(none)" },
        { "missing switches on", 200, R"({"AssetId":"7"})", "Carousel off", -1, "Carousel", "Carousel on", "(none)" },
        { "number switches on", 200, R"({"AssetId":"7","options":5})", "Carousel off", -1, "Carousel", "Carousel on", "(none)" },
        { "row 8 chooses CoverFlow2", 200, R"({"AssetId":"7","options":""})", "Carousel off", 8, "Carousel:8", "Carousel on", "(none)" },
        { "refused switch is undone", 403, R"({"AssetId":"7","options":"Carousel:3"})", "Carousel on", -1, "", "Carousel on",
            "Carousel not changed" },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answer(c.status, c.status == 200 ? R"({"Message":{"AssetId":"7","options":"x"}})" : R"({"Error":"not yours"})");
        open(record(c.json));
        const std::string before = object->get("options").asString();
        EXPECT_EQ(label(5), c.shownBefore);
        if (c.style < 0) {
            tap(5);
        } else {
            tap(6);
            auto chooser = std::dynamic_pointer_cast<CarouselTypeViewController>(editor->navigationController()->topViewController());
            ASSERT_TRUE(chooser);
            EXPECT_EQ(chooser->object(), object);
            chooser->completionHandler()(c.style);
            EXPECT_EQ(editor->navigationController()->topViewController(), editor) << "the chooser is popped";
        }
        EXPECT_EQ(object->get("options").asString(), c.sentOption) << "written before the reply";
        settleRecording(++sent);
        EXPECT_EQ(server.requests().back().target, base() + "setCarousel?assetid=7&option=" + c.sentOption);
        EXPECT_EQ(object->get("options").asString(), c.status == 200 ? c.sentOption : before);
        EXPECT_EQ(label(5), c.shownAfter);
        EXPECT_EQ(titleOf(editor->failureAlert()), c.failure);
        if (editor->failureAlert()) {
            EXPECT_EQ(editor->failureAlert()->buttonTitles(), std::vector<std::string> { "OK" });
            EXPECT_EQ(window->topAlert(), editor->failureAlert());
            editor->failureAlert()->chooseButton(0);
        }
        EXPECT_TRUE(answers.empty());
    }
    open(record(R"({"AssetId":"7"})"));
    editor->chooseCarouselStyle(4);
    settleRecording(++sent);
    EXPECT_FALSE(object->contains("options")) << "an absent setting refused stays absent";
}

TEST_F(EditDirectory, RenameAndImageResetChangeTheRecordOnlyWhenStored)
{
    const std::string typed = "Photos/2026 & more";
    struct Case {
        const char* name;
        int status;
        const char* body;
        int row; // -1: Save
        std::string target;
        std::function<void(const AssetRecord&)> check;
    } cases[] = {
        { "rename stored", 200, R"({"Message":{"assetID":"7","name":"Photos"}})", -1, "/json/setName.php?a=7&name=Photos%2f2026%20%26%20more",
            [&](const AssetRecord& r) {
                EXPECT_EQ(asset::name(r), typed);
                EXPECT_EQ(r->get("name").asString(), typed);
                EXPECT_FALSE(r->contains("Cell"));
                ASSERT_EQ(answers.size(), 1u);
                EXPECT_EQ(answers[0]->object()->get("name").asString(), "Photos");
                EXPECT_EQ(answeredOnMain, std::vector<bool> { true });
            } },
        { "rename refused", 404, R"({"Error":"unknown id"})", -1, "/json/setName.php?a=7&name=Photos%2f2026%20%26%20more",
            [&](const AssetRecord& r) {
                EXPECT_EQ(asset::name(r), "Gallery");
                EXPECT_TRUE(r->contains("Cell"));
                EXPECT_EQ(editor->nameField()->text(), typed) << "the typing is kept to try again";
                EXPECT_EQ(titleOf(editor->failureAlert()), "Not saved");
                EXPECT_TRUE(answers.empty());
            } },
        { "reset stored", 200, R"({"Message":{"assetID":"7"}})", 3, "/json/resetImage.php?a=7",
            [&](const AssetRecord& r) {
                for (const char* key : { "image", "assVal", "ImageUrl" })
                    EXPECT_FALSE(r->contains(key)) << key;
                EXPECT_EQ(answers.size(), 1u);
            } },
        { "reset refused", 200, R"({"Error":"no message"})", 3, "/json/resetImage.php?a=7",
            [&](const AssetRecord& r) {
                for (const char* key : { "image", "assVal", "ImageUrl" })
                    EXPECT_TRUE(r->contains(key)) << key;
                EXPECT_EQ(titleOf(editor->failureAlert()), "Image not cleared");
                EXPECT_TRUE(answers.empty());
            } },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers.clear();
        answeredOnMain.clear();
        answer(c.status, c.body);
        open(record(R"({"AssetId":"7","Type":"Directory","Name":"Gallery","name":"Gallery","Cell":1,"image":"i","assVal":"u","ImageUrl":"u"})"));
        if (c.row < 0) {
            editor->cellForRowAtIndexPath(*table, { 0, 1 });
            ASSERT_TRUE(editor->nameField()->type(typed));
            editor->rightBarButtonItem()->press();
        } else {
            tap(c.row);
        }
        settleRecording(++sent);
        EXPECT_EQ(server.requests().back().method, "GET");
        EXPECT_EQ(server.requests().back().target, c.target);
        c.check(object);
        // The editor stays for its opener to close.
        EXPECT_EQ(root->presentedViewController()->visibleViewController(), editor);
        if (auto alert = window->topAlert())
            alert->chooseButtonWithTitle("OK");
    }
}

TEST_F(EditDirectory, EditTableAndSetImageHandOverAndCancelSendsNothing)
{
    open(record(R"({"AssetId":"7","Name":"Gallery"})"));
    tap(0);
    EXPECT_EQ(root->presentedViewController()->visibleViewController(), editor) << "the name row opens nothing";
    editor->leftBarButtonItem()->press();
    settle();
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_TRUE(page->calls.empty());
    EXPECT_EQ(asset::name(object), "Gallery");

    // Edit table closes the editor first, then hands over to the page.
    open(record(R"({"AssetId":"7"})"));
    tap(4);
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(page->calls, (std::vector<std::string> { "setTableEditing YES animated", "editTable" }));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(answers.empty());

    // Set image pushes the chooser in link mode and passes on what it stores.
    open(record(R"({"AssetId":"7"})"));
    tap(2);
    ASSERT_EQ(shell->editors.size(), 1u);
    EXPECT_EQ(shell->editors[0]->object, object);
    EXPECT_EQ(shell->editors[0]->imageMode, ImageSelectionMode::Link);
    EXPECT_EQ(editor->navigationController()->topViewController(), shell->editors[0]);
    // The chooser answers on the callback thread.
    std::thread([&] {
        shell->editors[0]->completion(std::nullopt);
        shell->editors[0]->completion(JsonValue("stored"));
    }).join();
    settle();
    ASSERT_EQ(answers.size(), 1u) << "a failed choice is not news for the opener";
    EXPECT_EQ(answers[0]->asString(), "stored");
    EXPECT_EQ(answeredOnMain, std::vector<bool> { true });
}

TEST(CarouselTypeViewController, PreviewsEveryStyleAndReportsTheChosenOne)
{
    MainQueue::shared().makeCurrentThreadMain();
    std::vector<long> reported;
    auto chooser = CarouselTypeViewController::create(JsonObject::create(), [&](long style) { reported.push_back(style); });
    auto table = chooser->tableView();
    EXPECT_EQ(chooser->title(), "Select carousel type");
    EXPECT_EQ(chooser->types().at(8), "CoverFlow2");
    EXPECT_EQ(chooser->types().back(), "Custom");
    TableLayout layout = table->layoutAllRows();
    ASSERT_EQ(layout.rows.size(), 12u);
    for (const VisibleRow& row : layout.rows) {
        SCOPED_TRACE(row.indexPath.row);
        EXPECT_EQ(row.frame.height, 110);
        auto cell = std::dynamic_pointer_cast<CarouselCell>(row.cell);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->reuseIdentifier(), "CarouselCell");
        EXPECT_EQ(cell->type(), row.indexPath.row);
        EXPECT_EQ(static_cast<int>(cell->carousel()->type()), row.indexPath.row);
        EXPECT_EQ(cell->height(), 100);
        EXPECT_FALSE(cell->object());
        EXPECT_EQ(cell->carousel()->numberOfItems(), CarouselCell::previewItemCount);
    }
    EXPECT_TRUE(table->selectRow({ 0, 8 }));
    auto preview = std::dynamic_pointer_cast<CarouselCell>(layout.rows[3].cell);
    preview->didSelectItemAtIndex(*preview->carousel(), 2);
    EXPECT_EQ(reported, (std::vector<long> { 8, 3 })) << "a row and a tapped preview report their style";
}

class TabEdit : public EditorFixture {
protected:
    void open()
    {
        editor = TabEditViewController::create();
        pageStack->pushViewController(editor, Animated::No);
        table = editor->tableView();
    }
    void useTab() { model().setTab(record(R"({"AssetId":"5","Type":"Tabbar","Name":"Sunny Care","ImageUrl":"http://x/a.jpg"})")); }
    void rename(const std::string& name)
    {
        editor->changeSiteName();
        editor->nameAlert()->textFieldAtIndex(0)->type(name);
        editor->nameAlert()->chooseButtonWithTitle("OK");
    }
    void clearImage()
    {
        editor->clearSiteImage();
        editor->clearImageAlert()->chooseButtonWithTitle("Remove");
    }

    std::shared_ptr<TabEditViewController> editor;
    std::shared_ptr<TableView> table;
};

TEST_F(TabEdit, RowsTitleAndTabImage)
{
    open();
    EXPECT_EQ(editor->title(), "Edit Tabs");
    EXPECT_EQ(editor->tabBarItem().imageName, "first.png");
    std::vector<std::string> shown;
    for (const VisibleRow& row : table->layoutAllRows().rows)
        shown.push_back(row.cell->textLabel()->text() + "/" + row.cell->reuseIdentifier());
    EXPECT_EQ(shown, (std::vector<std::string> { "Set site image/TabsCell", "Clear site image/TabsCell", "Change site name/TabsCell" }));
}

// Each button runs only its own alert's action; a refused change keeps the site as it was.
TEST_F(TabEdit, AlertsRunOnlyTheirOwnActions)
{
    struct Case {
        const char* name;
        std::vector<int> rows; // opened in this order
        const char* alert;     // whose button is chosen
        const char* button;
        const char* typed;     // into the name field, when set
        std::vector<std::string> targets;
        const char* nameAfter;
        bool imageAfter;
        int status = 200;
        const char* failure = "(none)";
    } cases[] = {
        { "cancel the name", { 2 }, "name", "Cancel", "Typed", {}, "Sunny Care", true },
        { "cancel the removal", { 1 }, "clear", "Cancel", nullptr, {}, "Sunny Care", true },
        { "name then clear: Remove", { 2, 1 }, "clear", "Remove", "Typed", { "linkImage" }, "Sunny Care", false },
        { "rename", { 2 }, "name", "OK", "Sunny Care Home", { "setName" }, "Sunny Care Home", true },
        { "rename refused", { 2 }, "name", "OK", "Other", { "setName" }, "Sunny Care", true, 500, "Not saved" },
        { "removal refused", { 1 }, "clear", "Remove", nullptr, { "linkImage" }, "Sunny Care", true, 500, "Image not removed" },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answer(c.status, c.status == 200 ? R"({"Message":{"AssetId":"5"}})" : R"({"Error":"down"})");
        useTab();
        open();
        for (int row : c.rows)
            row == 1 ? editor->clearSiteImage() : editor->changeSiteName();
        EXPECT_EQ(editor->openAlert(), c.rows.back() == 1 ? TabEditViewController::OpenAlert::ClearImage : TabEditViewController::OpenAlert::ChangeName);
        if (c.typed) {
            auto field = editor->nameAlert()->textFieldAtIndex(0);
            EXPECT_EQ(field->text(), "Sunny Care");
            field->type(c.typed);
        }
        auto alert = std::string(c.alert) == "name" ? editor->nameAlert() : editor->clearImageAlert();
        ASSERT_TRUE(alert);
        ASSERT_TRUE(alert->chooseButtonWithTitle(c.button));
        if (!c.targets.empty())
            server.waitForRequests(sent + c.targets.size());
        settle();
        auto requests = server.requests();
        ASSERT_EQ(requests.size(), sent + c.targets.size());
        for (size_t i = 0; i < c.targets.size(); ++i)
            EXPECT_EQ(requests[sent + i].target, base() + c.targets[i]);
        if (std::string(c.button) == "Remove") {
            EXPECT_EQ(requests.back().body, R"({"assetid":"5","selectedimageid":"0"})");
        } else if (std::string(c.button) == "OK") {
            EXPECT_EQ(requests.back().body, R"({"assetid":"5","name":")" + std::string(c.typed) + "\"}");
        }
        sent = requests.size();
        EXPECT_EQ(asset::name(model().tab()), c.nameAfter);
        EXPECT_EQ(model().tab()->contains("ImageUrl"), c.imageAfter);
        EXPECT_EQ(titleOf(editor->failureAlert()), c.failure);
        if (editor->failureAlert()) {
            EXPECT_EQ(editor->failureAlert()->buttonTitles(), std::vector<std::string> { "OK" });
        }
        while (auto shown = window->topAlert())
            shown->chooseButton(0);
        pageStack->popViewController(Animated::No);
    }
}

TEST_F(TabEdit, SetSiteImageAddsToTheTabAndClosesWhenStored)
{
    useTab();
    open();
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    ASSERT_EQ(shell->editors.size(), 1u);
    auto chooser = shell->editors[0];
    EXPECT_EQ(chooser->object, model().tab());
    EXPECT_EQ(chooser->imageMode, ImageSelectionMode::Add);
    EXPECT_EQ(pageStack->topViewController(), chooser);
    std::thread([&] { chooser->completion(std::nullopt); }).join();
    settle();
    EXPECT_EQ(pageStack->topViewController(), chooser) << "a failed choice leaves the chooser open";
    std::thread([&] { chooser->completion(JsonValue("stored")); }).join();
    settle();
    EXPECT_EQ(pageStack->topViewController(), editor);
}

TEST_F(TabEdit, ReferenceServerRenamesAndClearsTheSite)
{
    loginToReference();
    AssetRecord tab = model().tab();
    ASSERT_TRUE(tab);
    open();
    rename("Harbour View");
    settle();
    clearImage();
    settle();
    EXPECT_EQ(titleOf(editor->failureAlert()), "(none)");
    EXPECT_EQ(asset::name(tab), "Harbour View");
    Collector fetch;
    model().fetchTabbarForAssetID(asset::ident(tab).value_or(""), fetch.handler());
    Outcome outcome = fetch.single();
    ASSERT_TRUE(outcome.content);
    JsonValue bar = *outcome.content;
    ASSERT_TRUE(bar.isObject()) << "getTabbar answers with the site record";
    EXPECT_EQ(asset::name(bar.object()), "Harbour View");
    EXPECT_FALSE(bar.object()->contains("ImageUrl"));
}

class Associate : public EditorFixture {
protected:
    void open(const std::string& assetID)
    {
        screen = AssociateAssetViewController::create(assetID, [this](std::optional<JsonValue> answer) { answers.push_back(std::move(answer)); });
        pageStack->pushViewController(screen, Animated::No);
        table = screen->tableView();
    }
    std::shared_ptr<AssociateAssetViewController> screen;
    std::shared_ptr<TableView> table;
    std::vector<std::optional<JsonValue>> answers;
};

// The session's workflows are the rows; a row links its workflow to the item.
TEST_F(Associate, LinksTheChosenWorkflowOnTheReferenceServer)
{
    loginToReference();
    JsonArrayPtr workflows = model().workflow();
    ASSERT_TRUE(workflows && workflows->size() >= 2);
    const std::string first = workflows->at(0).object()->get("assetID").asString();
    open(workflows->at(1).object()->get("assetID").asString());
    ASSERT_EQ(table->numberOfRowsInSection(0), static_cast<int>(workflows->size()));
    TableLayout layout = table->layoutAllRows();
    EXPECT_EQ(layout.rows[0].cell->reuseIdentifier(), "assCell");
    EXPECT_EQ(layout.rows[0].cell->textLabel()->text(), workflows->at(0).object()->get("name").asString());

    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    settle();
    ASSERT_EQ(answers.size(), 1u);
    JsonArrayPtr linked = answers[0]->isObject() ? answers[0]->object()->get("list").array() : nullptr;
    ASSERT_TRUE(linked);
    ASSERT_EQ(linked->size(), 1u);
    EXPECT_EQ(linked->at(0).object()->get("assetID").asString(), first);

    // Linking a workflow to itself is refused: no report, an alert.
    ASSERT_TRUE(table->selectRow({ 0, 1 }));
    settle();
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_EQ(titleOf(screen->failureAlert()), "Not linked");
}

TEST_F(Associate, SendsTheReceiverThenTheLinkedWorkflow)
{
    // The session's workflows come with the login reply.
    server.setResponder([](const RecordedRequest& request) {
        if (request.path.find("login") != std::string::npos)
            return json(R"({"Message":{"User":{},"Profile":[{"type":"Workflow","name":"Admission","assetID":"41"}]}})");
        return json(R"({"Message":{"list":[]}})");
    });
    Collector login;
    model().loginWithUsername("a@b.c", "pw", login.handler());
    ASSERT_TRUE(login.waitFor(1));
    open("42");
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    settleRecording(2);
    EXPECT_EQ(server.requests().back().target, base() + "associateAssets.php?a=42&b=41");
    EXPECT_EQ(answers.size(), 1u);
}

} // namespace
