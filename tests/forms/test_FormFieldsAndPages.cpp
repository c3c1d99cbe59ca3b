// Two screens over the reference server's pages: the form-structure screen (reached through Edit
// Page, edit mode, what a field opens, the add-field completion) and the page chooser.
#include "forms/FormSelectionViewController.h"
#include "forms/FormViewController.h"

#include "CareFixture.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

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

class FormScreen : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        ApplicationShell::setShared(shell);
        ASSERT_TRUE(logInAsDemoOwner());
        contact = childNamed(directory(""), "Contact us");
        ASSERT_TRUE(contact);
        formID = asset::ident(contact).value_or("");
    }
    void TearDown() override
    {
        ApplicationShell::setShared(nullptr);
        ReferenceServerFixture::TearDown();
    }
    /// The screen built straight from the form's directory, at the root of a shown stack.
    void openDirectly(UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone)
    {
        window = Window::create(Window::defaultBounds, idiom);
        screen = FormViewController::createForDirectory(directory(formID), formID);
        nav = NavigationController::create(screen);
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
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

    std::shared_ptr<FormShell> shell = std::make_shared<FormShell>();
    AssetRecord contact;
    std::string formID;
    std::shared_ptr<Window> window;
    std::shared_ptr<FormViewController> screen;
    std::shared_ptr<NavigationController> nav;
    std::shared_ptr<TableView> table;
};

} // namespace

TEST_F(FormScreen, AnOwnerReachesTheFieldsThroughEditPageEditsNamesAndOpensEditors)
{
    window = Window::create();
    auto home = DirectoryViewController::create();
    auto homeManager = DataManager::create(asset::list(directory("")), model());
    home->setDataSource(EditableDataSource::create(homeManager));
    homeManager->setViewController(std::static_pointer_cast<DataManagerScreen>(home));
    nav = NavigationController::create(home);
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    homeManager->loadDirectoryForObject(contact, home);
    settle();
    auto page = std::dynamic_pointer_cast<DirectoryViewController>(nav->topViewController());
    ASSERT_TRUE(page);
    auto manager = page->dataSource()->dataManager();
    ASSERT_TRUE(manager->isOwner() && manager->isForm());

    manager->editTable();
    ASSERT_TRUE(manager->editAlert());
    EXPECT_EQ(manager->editAlert()->buttonTitles(), (std::vector<std::string> { "Cancel", "Reorder", "Edit items", "Form fields" }));
    ASSERT_TRUE(manager->editAlert()->chooseButtonWithTitle("Form fields"));
    EXPECT_FALSE(manager->isEditing()); // as after Cancel: the next Edit asks again
    settle();

    screen = std::dynamic_pointer_cast<FormViewController>(nav->topViewController());
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->title(), "Contact us");
    EXPECT_EQ(screen->assetID(), formID);
    EXPECT_EQ(screen->tabBarItem().imageName, "first.png");
    table = screen->tableView(); // loading the view sets the bar buttons
    EXPECT_EQ(rightTitles(), (std::vector<std::string> { "Add", "Edit" }));
    // Each field by name and type; the Submit item is a field too.
    JsonArrayPtr list = asset::list(directory(formID));
    std::vector<std::string> fields;
    for (const JsonValue& field : list->items())
        fields.push_back(asset::name(field.object()) + " / " + asset::type(field.object()) + " >");
    EXPECT_EQ(fields.size(), 5u);
    EXPECT_EQ(lines(*screen, *table), fields);
    EXPECT_EQ(screen->cellForRowAtIndexPath(*table, { 0, 4 })->reuseIdentifier(), "DirectoryCell");

    // Edit mode draws a name input; outside it fields open their editors.
    openDirectly();
    screen->editTable();
    EXPECT_TRUE(screen->editMode());
    EXPECT_EQ(rightTitles(), (std::vector<std::string> { "Add", "Done" }));
    EXPECT_EQ(row(1), "Your name / TextField");
    EXPECT_FALSE(input(1));

    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(screen->editingRow(), 1);
    EXPECT_EQ(nav->topViewController(), screen);
    ASSERT_TRUE(input(1));
    EXPECT_EQ(input(1)->text(), "Your name");
    EXPECT_EQ(row(2), "Telephone / TextField");

    // The typed name goes nowhere: the list keeps the server's name.
    auto name = input(1);
    name->becomeFirstResponder();
    name->type("Full name");
    EXPECT_TRUE(name->pressReturn());
    EXPECT_FALSE(screen->editMode());
    EXPECT_FALSE(input(1));
    EXPECT_EQ(row(1), "Your name / TextField >");

    // A new edit mode starts without a remembered row.
    screen->editTable();
    EXPECT_FALSE(screen->editingRow());
    EXPECT_FALSE(input(1));
    screen->editTable();
    EXPECT_FALSE(screen->editMode());

    // Outside edit mode text and image fields open their editors on a copy.
    screen->objects()->push_back(JsonValue(JsonParser::parse(R"({"AssetId":"77","Type":"Image","Name":"Logo"})")->object()));
    table->reloadData();
    struct Case {
        int row;
        const char* opens; // "" when nothing opens
    };
    for (const Case& c : { Case { 0, "TextEditorViewController" }, Case { 1, "" }, Case { 4, "" }, Case { 5, "ImageEditViewController" } }) {
        table->selectRow({ 0, c.row });
        auto editor = std::dynamic_pointer_cast<RecordedEditor>(nav->topViewController());
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
        EXPECT_EQ(nav->topViewController(), screen) << c.row;
    }
}

TEST_F(FormScreen, AddCompletionTakesAListWhenThereIsOneAndAlwaysClosesTheAddScreen)
{
    const std::string withList = R"({"name":"Contact us","Children":[{"AssetId":"90","Type":"Text","Name":"Added"}]})";
    struct Case {
        UserInterfaceIdiom idiom;
        bool shellScreen;
        const char* reply; // null: no reply at all
        bool background;
        size_t rows;
    };
    const Case cases[] = {
        { UserInterfaceIdiom::Phone, true, withList.c_str(), false, 1 },
        { UserInterfaceIdiom::Phone, true, R"({"name":"Contact us","list":"none"})", false, 5 },
        { UserInterfaceIdiom::Phone, true, nullptr, false, 5 },
        { UserInterfaceIdiom::Pad, true, withList.c_str(), true, 1 },
        { UserInterfaceIdiom::Pad, true, "[1,2]", true, 5 },
        { UserInterfaceIdiom::Phone, false, nullptr, false, 5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        openDirectly(c.idiom);
        shell->addScreen = c.shellScreen ? ViewController::create("Add field") : nullptr;
        screen->addAsset();
        ASSERT_FALSE(shell->addRequests.empty());
        EXPECT_EQ(shell->addRequests.back(), formID);
        auto stack = std::dynamic_pointer_cast<NavigationController>(screen->addFieldStack());
        if (!c.shellScreen) { // a shell without the add screen: nothing opens
            EXPECT_FALSE(stack);
            EXPECT_FALSE(screen->presentedViewController());
            EXPECT_TRUE(window->popovers().empty());
            continue;
        }
        ASSERT_TRUE(stack);
        EXPECT_EQ(stack->topViewController(), shell->addScreen);
        const bool popover = c.idiom != UserInterfaceIdiom::Phone;
        EXPECT_EQ(window->popovers().size(), popover ? 1u : 0u);
        EXPECT_EQ(screen->presentedViewController() == stack, !popover);

        auto completion = shell->completion;
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

namespace {

class RecordingTarget : public LinkTarget {
public:
    void setLinkAssetId(std::string id) override { linkAssetId = std::move(id); }
    void setLinkName(std::string name) override { linkName = std::move(name); }
    std::optional<std::string> linkAssetId;
    std::optional<std::string> linkName;
};

class PageChooser : public ReferenceServerFixture {
protected:
    /// Pushes the chooser over an editor screen and waits for its page list.
    void open()
    {
        window = Window::create();
        nav = NavigationController::create(editor);
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
        chooser = FormSelectionViewController::create(model());
        chooser->setCont(target);
        nav->pushViewController(chooser, Animated::No);
        table = chooser->tableView();
        settle();
    }

    std::shared_ptr<RecordingTarget> target = std::make_shared<RecordingTarget>();
    std::shared_ptr<ViewController> editor = ViewController::create("Add page");
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> nav;
    std::shared_ptr<FormSelectionViewController> chooser;
    std::shared_ptr<TableView> table;
};

} // namespace

TEST_F(PageChooser, RepliesWithoutAListLeaveItEmptyAndTheOwnersPagesHandTheChoiceBack)
{
    // Replies that carry no page list leave it empty.
    struct Case {
        const char* name;
        int status;
        const char* body;
    };
    for (const Case& c : { Case { "no PageList", 200, R"({"list":[{"Name":"Home","Id":"1"}]})" },
             Case { "PageList not a list", 200, R"({"PageList":{"Name":"Home"}})" }, Case { "refused", 401, R"({"error":"login"})" },
             Case { "not JSON", 500, "oops" } }) {
        server.setResponder([&](const RecordedRequest&) { return json(c.body, c.status); });
        open();
        chooser->setObjects(JsonParser::parse(R"([{"Name":"Old","Id":"9"}])")->array());
        chooser->refresh();
        settle();
        EXPECT_EQ(lines(*chooser, *table), std::vector<std::string> {}) << c.name;
        EXPECT_EQ(nav->topViewController(), chooser) << c.name;
        EXPECT_FALSE(target->linkAssetId) << c.name;
    }

    // The owner's pages; cancel goes back without a choice, a row hands its page back.
    ASSERT_TRUE(logInAsDemoOwner());
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
    EXPECT_EQ(chooser->leftBarButtonItem()->displayTitle(), "Cancel");
    chooser->leftBarButtonItem()->press();
    EXPECT_EQ(nav->topViewController(), editor);
    EXPECT_FALSE(target->linkAssetId || target->linkName);

    editor = ViewController::create("Add page");
    open();
    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(target->linkAssetId, pages->at(1).object()->get("Id").asString());
    EXPECT_EQ(target->linkName, expected[1]);
    EXPECT_EQ(nav->topViewController(), editor);
}
