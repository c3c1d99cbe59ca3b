// The add-item menu and the page, form and field editors it opens; the directory, site and
// workflow editors: rows, report order and hand-overs, exact requests, refused saves.

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

#include <algorithm>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

/// Every row's label (and height when asked); each row is a cell of the editor's own kind with its mark.
std::vector<std::string> labelsOf(TableView& table, const std::string& reuseIdentifier = "", bool heights = false,
    AccessoryType accessory = AccessoryType::DisclosureIndicator)
{
    std::vector<std::string> out;
    for (const auto& row : table.layoutAllRows().rows) {
        out.push_back(row.cell->textLabel()->text() + (heights ? "/" + std::to_string(int(table.heightForRowAtIndexPath(row.indexPath))) : ""));
        EXPECT_TRUE(reuseIdentifier.empty() || (row.cell->reuseIdentifier() == reuseIdentifier && row.cell->accessoryType() == accessory))
            << out.back();
    }
    return out;
}

class Menu : public EditorFixture {
protected:
    void open(bool images = false, bool directory = false)
    {
        DirectoryActionsSetup setup;
        setup.assetID = pageID, setup.object = pageObject, setup.cont = root;
        setup.restrictToImages = images, setup.restrictToDirectory = directory;
        menu = DirectoryActionsViewController::create(setup, keep(), model());
        present(menu);
        menu->tableView();
    }
    void tap(const std::string& label)
    {
        auto table = menu->tableView();
        for (const auto& row : table->layoutAllRows().rows)
            ASSERT_TRUE(row.cell->textLabel()->text() != label || table->selectRow(row.indexPath)) << label;
    }
    std::shared_ptr<ViewController> top() const { return stack->topViewController(); }
    std::string pageID = "42";
    JsonObjectPtr pageObject = JsonObject::create();
    std::shared_ptr<DirectoryActionsViewController> menu;
};

// The rows follow the restrictions. Each row pushes its editor on the menu's stack, set up for
// the page; the text editor and the image chooser come from the shell.
TEST_F(Menu, RowsFollowTheRestrictionsAndEachOpensItsEditorOrSaysItCannot)
{
    struct Case { bool images, directory; std::vector<std::string> rows; } cases[] = {
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
    struct Row { std::string label, title; std::optional<TextEditorMode> text; std::optional<ImageSelectionMode> image; } rows[] = {
        { "Add Page", "Add Directory", {}, {} },
        { "Add Form", "Add Form", {}, {} },
        { "Add Text", "TextEditorViewController", TextEditorMode::Text, {} },
        { "Add Single line text input", "TextEditorViewController", TextEditorMode::TextInput, {} },
        { "Add Multiple line text input", "TextEditorViewController", TextEditorMode::MultiLineInput, {} },
        { "Add Image", "ImageSelectionViewController", std::nullopt, ImageSelectionMode::Add },
    };
    for (const Row& c : rows) {
        SCOPED_TRACE(c.label);
        shell->editors.clear();
        open();
        tap(c.label);
        ASSERT_EQ(stack->viewControllers().size(), 2u);
        EXPECT_EQ(top()->title(), c.title);
        const bool fromShell = c.text || c.image;
        ASSERT_EQ(shell->editors.size(), fromShell ? 1u : 0u);
        EXPECT_TRUE(!fromShell || (shell->editors[0] == top() && shell->editors[0]->object == pageObject && shell->editors[0]->textMode == c.text
            && shell->editors[0]->imageMode == c.image));
        auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(top());
        EXPECT_TRUE(!editor || (editor->isForm() == (c.label == "Add Form") && editor->assetID() == pageID));
    }
    // The slider row says it cannot be added; cancel answers nothing.
    open();
    tap("Add Slider");
    EXPECT_EQ(stack->viewControllers().size(), 1u);
    EXPECT_EQ(answerAlert(*window), "Not available|OK");
    EXPECT_TRUE(shown());
    menu->leftBarButtonItem()->press();
    EXPECT_TRUE(!shown() && answers.empty());
}

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
    EXPECT_TRUE(answers.empty() && shown());
    std::thread([&] { completion(JsonValue(JsonObject::create())); }).join();
    EXPECT_EQ(std::tuple(whileShown, onMain, shown()), std::tuple(std::vector<bool> { true }, std::vector<bool> { false }, true));
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(shown());
    open();
    tap("Add Page");
    auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(top());
    ASSERT_TRUE(editor);
    auto record = JsonObject::create({ { "Children", JsonValue(JsonArray::create()) } });
    std::thread([&] { editor->completionHandler()(JsonValue(record)); }).join();
    EXPECT_EQ(answers.size(), 1u);
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(std::pair(whileShown, onMain), std::pair(std::vector<bool> { true, false }, std::vector<bool> { false, true }));
}

// The video row pushes its screen on the menu's stack; on the reference server the page the
// owner sees next lists the saved video, so it was saved under the menu's page.
TEST_F(Menu, ASavedVideoClosesTheMenuAndReportsThePageWithIt)
{
    pageID = loginToReference();
    open();
    tap("Add Youtube Video");
    auto video = std::dynamic_pointer_cast<TableViewController>(top());
    ASSERT_TRUE(video && video->rightBarButtonItem() && stack->viewControllers().size() == 2u);
    auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(video->datasource());
    ASSERT_TRUE(source);
    EXPECT_EQ(std::tuple(video->title(), video->rightBarButtonItem()->displayTitle(), source->parentID()),
        std::tuple(std::string("Add Youtube Video"), std::string("Save"), pageID));
    video->tableView()->layoutAllRows();
    source->nameField()->type("Garden tour");
    source->videoIdent()->type("dQw4w9WgXcQ");
    video->rightBarButtonItem()->press();
    settle();
    ASSERT_TRUE(!shown() && answers.size() == 1u);
    EXPECT_FALSE(whileShown[0]) << "reported after the menu closed";
    JsonArrayPtr items = asset::list(answers[0] && answers[0]->isObject() ? answers[0]->object() : nullptr);
    ASSERT_TRUE(items);
    EXPECT_TRUE(std::ranges::any_of(items->items(), [](const JsonValue& item) { return asset::name(item.object()) == "Garden tour" && asset::type(item.object()) == "YoutubeVideo"; }));
}

using AddDirectory = EditorFixture;

// The rows and the chosen next page; a save sends the exact request and hands the answer on
// unchanged on the main queue, or (blank name, refused or broken answer) alerts, keeps the typing.
TEST_F(AddDirectory, RowsTheChosenNextPageAndSaveWithItsRefusals)
{
    std::shared_ptr<AddDirectoryViewController> editor;
    auto open = [&](bool isForm) {
        editor = AddDirectoryViewController::create(model());
        editor->setIsForm(isForm);
        editor->setAssetID("7");
        editor->setCompletionHandler(keep());
        present(editor);
        editor->tableView();
    };
    open(false);
    EXPECT_EQ(editor->title(), "Add Directory");
    EXPECT_EQ(labelsOf(*editor->tableView(), "", true), (std::vector<std::string> { "Enter name of new directory/42", "/42" }));
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"PageList":[{"Name":"Thanks","Id":"31"}]}})"); });
    open(true);
    EXPECT_EQ(editor->title(), "Add Form");
    const std::string message = "/" + std::to_string(int(AddDirectoryViewController::messageCellHeight));
    EXPECT_EQ(labelsOf(*editor->tableView(), "", true), (std::vector<std::string> { "Enter name of new form/42", "/42", "Enter success message/42", message, "Select next page/42" }));
    // The chosen page shows as the link when the editor reappears.
    ASSERT_TRUE(editor->tableView()->selectRow({ 0, AddDirectoryViewController::NextPageRow }));
    auto chooser = std::dynamic_pointer_cast<FormSelectionViewController>(stack->topViewController());
    ASSERT_TRUE(chooser);
    chooser->tableView();
    settle();
    ASSERT_TRUE(chooser->tableView()->selectRow({ 0, 0 }));
    EXPECT_TRUE(stack->topViewController() == editor && editor->linkAssetId() == "31");
    EXPECT_EQ(labelsOf(*editor->tableView()).back(), "Link to Thanks");
    const std::string stored = R"({"Message":{"AssetId":"7","Name":"Home","Children":[{"AssetId":"8","Name":"News","Type":"Directory"}]}})";
    const std::string makePage = "makePage?assetid=7&name=Our%20team";
    // An empty target: nothing sent; an empty title: stored and reported.
    struct Case { bool isForm; std::string name, message, linkId; int status; std::string body, target, title; } cases[] = {
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
    size_t sent = server.requests().size(); // the page list
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + " " + c.body);
        answers.clear();
        answer(c.status, c.body);
        open(c.isForm);
        editor->directoryNameField()->type(c.name);
        editor->messageView()->type(c.message);
        if (!c.linkId.empty())
            editor->setLinkAssetId(c.linkId);
        editor->rightBarButtonItem()->press();
        settle();
        if (!c.target.empty()) {
            ASSERT_TRUE(server.waitForRequests(++sent));
            EXPECT_EQ(server.requests().back().target, base() + c.target);
        }
        EXPECT_TRUE(server.requests().size() == sent && shown());
        EXPECT_EQ(answerAlert(*window), c.title.empty() ? "(none)" : c.title + "|OK");
        ASSERT_EQ(answers.size(), c.title.empty() ? 1u : 0u);
        EXPECT_TRUE(c.title.empty() ? onMain.back() && asset::list(answers[0]->object())->size() == 1u : editor->directoryNameField()->text() == c.name);
    }
}

using AddField = EditorFixture;

TEST_F(AddField, TypeListCancelAndSaveWithItsRefusals)
{
    std::shared_ptr<FormAddAssetViewController> screen;
    auto open = [&] {
        screen = FormAddAssetViewController::create("55", keep(), model());
        present(screen);
        screen->tableView()->layoutAllRows();
    };
    auto chooseType = [&](int row) {
        ASSERT_TRUE(screen->tableView()->selectRow({ 0, FormAddAssetViewController::TypeRow }));
        auto chooser = std::dynamic_pointer_cast<FormAssetTypeViewController>(stack->topViewController());
        ASSERT_TRUE(chooser);
        ASSERT_TRUE(chooser->tableView()->selectRow({ 0, row }));
        EXPECT_EQ(stack->topViewController(), screen);
    };
    auto typeDetail = [&] { return screen->tableView()->layoutAllRows().rows.at(1).cell->detailTextLabel()->text(); };
    open();
    EXPECT_TRUE(screen->tableView()->heightForRowAtIndexPath({ 0, 1 }) == 40 && typeDetail().empty());
    const std::vector<std::string> types { "Text", "Number", "Select" };
    for (int row = 0; row < 3; ++row) {
        chooseType(row);
        EXPECT_EQ(std::pair(screen->type(), typeDetail()), std::pair(types[row], types[row]));
    }
    EXPECT_EQ(screen->leftBarButtonItem()->displayTitle(), "Cancel");
    screen->leftBarButtonItem()->press();
    EXPECT_TRUE(!shown() && server.requests().empty());
    // The exact request, with the name encoded and the type plain. Nothing is sent without a
    // name and a type; a refused or broken reply is not reported.
    struct Case { std::string name; int typeRow, status; std::string body, title /* empty: stored and reported */; size_t requests; } cases[] = {
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
        screen->rightBarButtonItem()->press();
        settle();
        EXPECT_TRUE(server.requests().size() == c.requests && shown());
        EXPECT_EQ(answerAlert(*window), c.title.empty() ? "(none)" : c.title + "|OK");
        ASSERT_EQ(answers.size(), c.title.empty() ? 1u : 0u);
        if (c.title.empty()) {
            EXPECT_EQ(onlyRequest().target, "/json/addAsset.php?assetID=55&name=Weight%2fkg%3a%20today&type=Number");
            EXPECT_EQ(answers[0]->object()->get("assetID").asString(), "90");
            answers.clear();
        } else {
            EXPECT_EQ(screen->nameField()->text(), c.name);
        }
    }
}

AssetRecord record(const std::string& json) { return JsonParser::parse(json)->object(); }

class EditDirectory : public EditorFixture {
protected:
    /// Opens the editor as the coordinator does: modally, in a stack of its own, over the page.
    void open(AssetRecord opened)
    {
        object = std::move(opened);
        editor = EditDirectoryViewController::create(object, page, keep());
        present(editor);
        table = editor->tableView();
    }
    std::string label(int row) { return editor->cellForRowAtIndexPath(*table, { 0, row })->textLabel()->text(); }
    void tap(int row) { ASSERT_TRUE(table->selectRow({ 0, row })); }
    AssetRecord object;
    std::shared_ptr<EditDirectoryViewController> editor;
    std::shared_ptr<TableView> table;
};

// The rows; the name row and cancel do nothing. Edit table closes the editor, then hands over
// to the page; set image pushes the chooser in link mode and passes on what it stores, on main.
TEST_F(EditDirectory, RowsAndTheirHandOversAndCancelSendsNothing)
{
    open(record(R"({"AssetId":"7","Name":"Gallery","name":"stale","Type":"Directory"})"));
    EXPECT_EQ(editor->title(), "Edit Directory");
    EXPECT_EQ(editor->labels(), (std::vector<std::string> { "Change name", "", "Set image", "Clear image", "Edit table", "Carousel", "Carousel type" }));
    EXPECT_EQ(labelsOf(*table),
        (std::vector<std::string> { "Change name", "", "Set image", "Clear image", "Edit table", "Carousel off", "Carousel type" }));
    EXPECT_TRUE(editor->cellForRowAtIndexPath(*table, { 0, 1 }) == editor->nameCell() && editor->cellForRowAtIndexPath(*table, { 0, 2 })->accessoryType() == AccessoryType::DisclosureIndicator);
    EXPECT_EQ(editor->nameField()->text(), "Gallery") << "the record's own name key is read";
    EXPECT_EQ(std::pair(editor->leftBarButtonItem()->systemItem(), editor->rightBarButtonItem()->systemItem()), std::pair(SystemItem::Cancel, SystemItem::Save));
    tap(0);
    EXPECT_EQ(root->presentedViewController()->visibleViewController(), editor) << "the name row opens nothing";
    editor->leftBarButtonItem()->press();
    settle();
    EXPECT_TRUE(!root->presentedViewController() && page->calls.empty() && asset::name(object) == "Gallery");
    open(record(R"({"AssetId":"7"})"));
    tap(4);
    EXPECT_TRUE(!root->presentedViewController() && server.requests().empty() && answers.empty());
    EXPECT_EQ(page->calls, (std::vector<std::string> { "setTableEditing YES animated", "editTable" }));
    open(record(R"({"AssetId":"7"})"));
    tap(2);
    ASSERT_EQ(shell->editors.size(), 1u);
    EXPECT_TRUE(shell->editors[0]->object == object && shell->editors[0]->imageMode == ImageSelectionMode::Link);
    EXPECT_EQ(editor->navigationController()->topViewController(), shell->editors[0]);
    std::thread([&] { // the chooser answers on the callback thread
        shell->editors[0]->completion(std::nullopt);
        shell->editors[0]->completion(JsonValue("stored"));
    }).join();
    settle();
    EXPECT_EQ(std::pair(answers, onMain), std::pair(std::vector<std::optional<JsonValue>> { JsonValue("stored") }, std::vector<bool> { true }))
        << "a failed choice is not news for the opener";
}

// A rename (row 1, then Save), an image reset (row 3), the carousel switch (row 5) and a style
// from the chooser (row 6) send their request; the record changes only when stored, the
// carousel setting is written before the reply and undone when refused. A refused change keeps
// the typing and alerts; a carousel change reports nothing. The editor stays for its opener.
TEST_F(EditDirectory, ChangesAreSentAndTheRecordKeepsThemOnlyWhenStored)
{
    const std::string typed = "Photos/2026 & more", rename = "/json/setName.php?a=7&name=Photos%2f2026%20%26%20more";
    const std::string named = R"({"AssetId":"7","Type":"Directory","Name":"Gallery","name":"Gallery","Cell":1,"image":"i","assVal":"u","ImageUrl":"u"})";
    const std::string carousel = base() + "setCarousel?assetid=7&option=", took = R"({"Message":{"AssetId":"7","options":"x"}})";
    const std::string refused = R"({"Error":"not yours"})", reset = "/json/resetImage.php?a=7", off = "Carousel off", on = "Carousel on";
    // The reply, the record, the row and style chosen, the setting written, the request, the alert, the carousel row before and after.
    struct Case { const char* name; int status; std::string body, json; int row; long style; std::string option, target, failure, before, after; } cases[] = {
        { "rename stored", 200, R"({"Message":{"assetID":"7","name":"Photos"}})", named, 1, 0, "", rename, "(none)", off, off },
        { "rename refused", 404, R"({"Error":"unknown id"})", named, 1, 0, "", rename, "Not saved|OK", off, off },
        { "reset stored", 200, R"({"Message":{"assetID":"7"}})", named, 3, 0, "", reset, "(none)", off, off },
        { "reset refused", 200, R"({"Error":"no message"})", named, 3, 0, "", reset, "Image not cleared|OK", off, off },
        { "style 3 switches off", 200, took, R"({"AssetId":"7","options":"Carousel:3"})", 5, 0, "", carousel, "(none)", on, off },
        { "missing switches on", 200, took, R"({"AssetId":"7"})", 5, 0, "Carousel", carousel + "Carousel", "(none)", off, on },
        { "number switches on", 200, took, R"({"AssetId":"7","options":5})", 5, 0, "Carousel", carousel + "Carousel", "(none)", off, on },
        { "row 8 chooses CoverFlow2", 200, took, R"({"AssetId":"7","options":""})", 6, 8, "Carousel:8", carousel + "Carousel:8", "(none)", off, on },
        { "refused switch is undone", 403, refused, R"({"AssetId":"7","options":"Carousel:3"})", 5, 0, "", carousel, "Carousel not changed|OK", on, on },
        { "refused absent style stays absent", 403, refused, R"({"AssetId":"7"})", 6, 4, "Carousel:4", carousel + "Carousel:4", "Carousel not changed|OK",
            off, off },
        // Row 7: a style handed to the editor while it is on top, with no chooser to pop.
        { "style chosen on top", 200, took, R"({"AssetId":"7"})", 7, 2, "Carousel:2", carousel + "Carousel:2", "(none)", off, on },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers.clear();
        onMain.clear();
        answer(c.status, c.body);
        open(record(c.json));
        const bool had = object->contains("options");
        const std::string was = object->get("options").asString();
        EXPECT_EQ(label(5), c.before);
        if (c.row == 1) {
            editor->cellForRowAtIndexPath(*table, { 0, 1 });
            ASSERT_TRUE(editor->nameField()->type(typed));
            editor->rightBarButtonItem()->press();
        } else if (c.row == 6) {
            tap(6);
            auto chooser = std::dynamic_pointer_cast<CarouselTypeViewController>(editor->navigationController()->topViewController());
            ASSERT_TRUE(chooser && chooser->object() == object);
            chooser->completionHandler()(c.style);
            EXPECT_EQ(editor->navigationController()->topViewController(), editor) << "the chooser is popped";
        } else if (c.row == 7) {
            editor->chooseCarouselStyle(c.style);
        } else {
            tap(c.row);
        }
        EXPECT_EQ(object->get("options").asString(), c.option) << "written before the reply";
        settleRecording(++sent);
        EXPECT_EQ(server.requests().back().method + " " + server.requests().back().target, "GET " + c.target);
        const bool stored = c.failure == "(none)";
        EXPECT_EQ(std::pair(object->get("options").asString(), object->contains("options")),
            std::pair(stored ? c.option : was, had || (stored && c.row >= 5)));
        EXPECT_EQ(root->presentedViewController()->visibleViewController(), editor);
        EXPECT_EQ(window->topAlert(), editor->failureAlert());
        EXPECT_EQ(std::pair(label(5), answerAlert(*window)), std::pair(c.after, c.failure));
        ASSERT_EQ(answers.size(), stored && c.row < 5 ? 1u : 0u);
        if (c.row == 1) {
            EXPECT_EQ(std::pair(asset::name(object), object->contains("Cell")), std::pair(stored ? typed : std::string("Gallery"), !stored));
            if (stored) {
                EXPECT_EQ(std::tuple(object->get("name").asString(), answers[0]->object()->get("name").asString(), onMain),
                    std::tuple(typed, std::string("Photos"), std::vector<bool> { true }));
            } else {
                EXPECT_EQ(editor->nameField()->text(), typed) << "the typing is kept to try again";
            }
        } else if (c.row == 3) {
            for (const char* key : { "image", "assVal", "ImageUrl" })
                EXPECT_EQ(object->contains(key), !stored) << key;
        }
    }
}

TEST(CarouselTypeViewController, PreviewsEveryStyleAndReportsTheChosenOne)
{
    MainQueue::shared().makeCurrentThreadMain();
    std::vector<long> reported;
    auto chooser = CarouselTypeViewController::create(JsonObject::create(), [&](long style) { reported.push_back(style); });
    auto table = chooser->tableView();
    EXPECT_TRUE(chooser->title() == "Select carousel type" && chooser->types().at(8) == "CoverFlow2" && chooser->types().back() == "Custom");
    TableLayout layout = table->layoutAllRows();
    ASSERT_EQ(layout.rows.size(), 12u);
    for (const VisibleRow& row : layout.rows) {
        SCOPED_TRACE(row.indexPath.row);
        auto cell = std::dynamic_pointer_cast<CarouselCell>(row.cell);
        ASSERT_TRUE(cell);
        EXPECT_TRUE(row.frame.height == 110 && cell->height() == 100 && cell->reuseIdentifier() == "CarouselCell" && !cell->object());
        EXPECT_EQ(std::tuple(cell->type(), static_cast<int>(cell->carousel()->type()), cell->carousel()->numberOfItems()),
            std::tuple(row.indexPath.row, row.indexPath.row, CarouselCell::previewItemCount));
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
    std::shared_ptr<TabEditViewController> editor;
    std::shared_ptr<TableView> table;
};

// Each button runs only its own alert's action; a refused change keeps the site as it was.
TEST_F(TabEdit, AlertsRunOnlyTheirOwnActionsAndSetSiteImageClosesWhenStored)
{
    // The rows opened in order (the last one's alert is answered), the button, what is typed into
    // the name field, the request sent ("" for none) and the site afterwards.
    struct Case { const char *name, *opened, *button, *typed, *target, *body, *nameAfter; bool imageAfter; int status = 200; const char* failure = "(none)"; } cases[] = {
        { "cancel the name", "2", "Cancel", "Typed", "", "", "Sunny Care", true },
        { "cancel the removal", "1", "Cancel", nullptr, "", "", "Sunny Care", true },
        { "name then clear: Remove", "21", "Remove", "Typed", "linkImage", R"({"assetid":"5","selectedimageid":"0"})", "Sunny Care", false },
        { "rename", "2", "OK", "Sunny Care Home", "setName", R"({"assetid":"5","name":"Sunny Care Home"})", "Sunny Care Home", true },
        { "rename refused", "2", "OK", "Other", "setName", R"({"assetid":"5","name":"Other"})", "Sunny Care", true, 500, "Not saved|OK" },
        { "removal refused", "1", "Remove", nullptr, "linkImage", R"({"assetid":"5","selectedimageid":"0"})", "Sunny Care", true, 500, "Image not removed|OK" },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answer(c.status, c.status == 200 ? R"({"Message":{"AssetId":"5"}})" : R"({"Error":"down"})");
        useTab();
        open();
        for (char row : std::string(c.opened))
            row == '1' ? editor->clearSiteImage() : editor->changeSiteName();
        const bool clearing = std::string(c.opened).back() == '1';
        EXPECT_EQ(editor->openAlert(), clearing ? TabEditViewController::OpenAlert::ClearImage : TabEditViewController::OpenAlert::ChangeName);
        if (c.typed) {
            auto field = editor->nameAlert()->textFieldAtIndex(0);
            EXPECT_EQ(field->text(), "Sunny Care");
            field->type(c.typed);
        }
        auto alert = clearing ? editor->clearImageAlert() : editor->nameAlert();
        ASSERT_TRUE(alert && alert->chooseButtonWithTitle(c.button));
        const size_t expected = sent + (*c.target ? 1 : 0);
        settleRecording(expected);
        auto requests = server.requests();
        ASSERT_EQ(requests.size(), expected);
        EXPECT_EQ(*c.target ? requests.back().target + " " + requests.back().body : "", *c.target ? base() + c.target + " " + c.body : "");
        sent = requests.size();
        EXPECT_EQ(std::tuple(asset::name(model().tab()), model().tab()->contains("ImageUrl"), titleOf(editor->failureAlert())),
            std::tuple(std::string(c.nameAfter), c.imageAfter, std::string(c.failure)));
        while (auto shown = window->topAlert())
            shown->chooseButton(0);
        pageStack->popViewController(Animated::No);
    }
    // The rows, the title and the tab image; set site image adds to the tab and closes when stored.
    useTab();
    open();
    EXPECT_EQ(std::pair(editor->title(), editor->tabBarItem().imageName), std::pair(std::string("Edit Tabs"), std::string("first.png")));
    EXPECT_EQ(labelsOf(*table, "TabsCell", false, AccessoryType::None),
        (std::vector<std::string> { "Set site image", "Clear site image", "Change site name" }));
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    ASSERT_EQ(shell->editors.size(), 1u);
    auto chooser = shell->editors[0];
    EXPECT_TRUE(chooser->object == model().tab() && chooser->imageMode == ImageSelectionMode::Add && pageStack->topViewController() == chooser);
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
    editor->changeSiteName();
    editor->nameAlert()->textFieldAtIndex(0)->type("Harbour View");
    editor->nameAlert()->chooseButtonWithTitle("OK");
    settle();
    editor->clearSiteImage();
    editor->clearImageAlert()->chooseButtonWithTitle("Remove");
    settle();
    EXPECT_TRUE(titleOf(editor->failureAlert()) == "(none)" && asset::name(tab) == "Harbour View");
    Collector fetch;
    model().fetchTabbarForAssetID(asset::ident(tab).value_or(""), fetch.handler());
    std::optional<JsonValue> bar = fetch.single().content;
    ASSERT_TRUE(bar && bar->isObject()) << "getTabbar answers with the site record";
    EXPECT_TRUE(asset::name(bar->object()) == "Harbour View" && !bar->object()->contains("ImageUrl"));
}

class Associate : public EditorFixture {
protected:
    void open(const std::string& assetID)
    {
        screen = AssociateAssetViewController::create(assetID, keep());
        pageStack->pushViewController(screen, Animated::No);
        table = screen->tableView();
    }
    std::shared_ptr<AssociateAssetViewController> screen;
    std::shared_ptr<TableView> table;
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
    auto cell = table->layoutAllRows().rows[0].cell;
    EXPECT_TRUE(cell->reuseIdentifier() == "assCell" && cell->textLabel()->text() == workflows->at(0).object()->get("name").asString());
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    settle();
    ASSERT_EQ(answers.size(), 1u);
    JsonArrayPtr linked = answers[0]->isObject() ? answers[0]->object()->get("list").array() : nullptr;
    ASSERT_TRUE(linked && linked->size() == 1u);
    EXPECT_EQ(linked->at(0).object()->get("assetID").asString(), first);
    // Linking a workflow to itself is refused: no report, an alert.
    ASSERT_TRUE(table->selectRow({ 0, 1 }));
    settle();
    EXPECT_TRUE(answers.size() == 1u && titleOf(screen->failureAlert()) == "Not linked|OK");
}

TEST_F(Associate, SendsTheReceiverThenTheLinkedWorkflow)
{
    // The session's workflows come with the login reply.
    server.setResponder([](const RecordedRequest& request) {
        return json(request.path.find("login") != std::string::npos ? R"({"Message":{"User":{},"Profile":[{"type":"Workflow","name":"Admission","assetID":"41"}]}})"
                                                                   : R"({"Message":{"list":[]}})");
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
