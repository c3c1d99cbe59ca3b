// The add-item menu: its rows for each restriction, what each row opens, and in which order it
// reports and closes for its own editors and for the other screens' editors.

#include "editors/DirectoryActionsViewController.h"

#include "content/TableViewController.h"
#include "content/ViewControllerUtilities.h"
#include "content/YoutubeVideoDataSource.h"
#include "editors/AddDirectoryViewController.h"
#include "editors/EditorFixture.h"
#include "platform/JsonParser.h"
#include "ui/Label.h"
#include "ui/TextField.h"

#include <gtest/gtest.h>

#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

class Menu : public EditorFixture {
protected:
    std::shared_ptr<DirectoryActionsViewController> open(bool images = false, bool directory = false)
    {
        DirectoryActionsSetup setup;
        setup.assetID = pageID;
        setup.object = page;
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
        return menu;
    }
    std::vector<std::string> labels()
    {
        std::vector<std::string> out;
        auto table = menu->tableView();
        for (const auto& row : table->layoutAllRows().rows) {
            out.push_back(row.cell->textLabel()->text());
            EXPECT_EQ(row.cell->reuseIdentifier(), "DirectoryCell");
            EXPECT_EQ(row.cell->accessoryType(), AccessoryType::DisclosureIndicator);
        }
        return out;
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
    JsonObjectPtr page = JsonObject::create();
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
        EXPECT_EQ(labels(), c.rows);
        root->dismissViewController(Animated::No);
    }
}

TEST_F(Menu, EachRowOpensItsEditorOnTheMenusStack)
{
    struct Case {
        std::string label, title, shellEditor;
        int mode;
    } cases[] = {
        { "Add Page", "Add Directory", "", 0 },
        { "Add Form", "Add Form", "", 0 },
        { "Add Text", "Text editor", "TextEditorViewController", static_cast<int>(TextEditorMode::Text) },
        { "Add Single line text input", "Text editor", "TextEditorViewController", static_cast<int>(TextEditorMode::TextInput) },
        { "Add Multiple line text input", "Text editor", "TextEditorViewController", static_cast<int>(TextEditorMode::MultiLineInput) },
        { "Add Image", "Select image", "ImageSelectionViewController", static_cast<int>(ImageSelectionMode::Add) },
        { "Add Youtube Video", "Add Youtube Video", "", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        shell->requests.clear();
        open();
        tap(c.label);
        ASSERT_EQ(stack->viewControllers().size(), 2u);
        EXPECT_EQ(top()->title(), c.title);
        if (c.shellEditor.empty()) {
            EXPECT_TRUE(shell->requests.empty());
        } else {
            ASSERT_EQ(shell->requests.size(), 1u);
            EXPECT_EQ(shell->requests[0].editor, c.shellEditor);
            EXPECT_EQ(shell->requests[0].object, page);
            EXPECT_EQ(shell->requests[0].mode, c.mode);
        }
        root->dismissViewController(Animated::No);
    }
}

TEST_F(Menu, TheDirectoryEditorAndVideoScreenAreConfiguredFromTheMenu)
{
    open();
    tap("Add Form");
    auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(top());
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->isForm());
    EXPECT_EQ(editor->assetID(), pageID);
    stack->popViewController(Animated::No);

    tap("Add Youtube Video");
    auto video = std::dynamic_pointer_cast<TableViewController>(top());
    ASSERT_TRUE(video);
    auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(video->datasource());
    ASSERT_TRUE(source);
    EXPECT_EQ(source->parentID(), pageID);
    ASSERT_TRUE(video->rightBarButtonItem());
    EXPECT_EQ(video->rightBarButtonItem()->displayTitle(), "Save");
}

TEST_F(Menu, TheSliderRowSaysItCannotBeAdded)
{
    open();
    tap("Add Slider");
    EXPECT_EQ(stack->viewControllers().size(), 1u);
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->title(), "Not available");
    EXPECT_EQ(alert()->buttonTitles(), std::vector<std::string> { "OK" });
    EXPECT_TRUE(shown());
    EXPECT_TRUE(reports.empty());
}

TEST_F(Menu, CancelClosesWithoutAReport)
{
    open();
    menu->leftBarButtonItem()->press();
    EXPECT_FALSE(shown());
    EXPECT_TRUE(reports.empty());
}

// On a large screen the opener shows the menu as a popover; the menu closes that too.
TEST_F(Menu, AMenuInAPopoverClosesItsPopover)
{
    window = Window::create(Window::defaultBounds, UserInterfaceIdiom::Pad);
    root = ViewController::create("Page");
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    menu = DirectoryActionsViewController::create(model());
    auto popover = ViewControllerUtilities::defaultInstance()->presentPopoverWithController(NavigationController::create(menu), nullptr, Rect {},
        Size {}, PopoverArrow::Any, root);
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
    ASSERT_EQ(shell->requests.size(), 1u);
    auto completion = shell->requests[0].completion;
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
