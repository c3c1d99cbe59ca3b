// The form-structure screen against the reference server: reached by an owner through the form
// page's Edit Page alert, its rows, edit mode with the name input, what a field opens, and the
// add-field screen's completion (with and without a list, from another thread, popover or modal).

#include "forms/FormViewController.h"

#include "content/ContentFixture.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "platform/JsonParser.h"
#include "server/QuindleServer.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

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
        useReferenceServer();
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        ASSERT_TRUE(login.waitFor(1));
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
    std::shared_ptr<TableViewCell> row(int index) { return screen->cellForRowAtIndexPath(*table, { 0, index }); }
    std::shared_ptr<TextField> input(int index)
    {
        auto cell = row(index);
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

TEST_F(FormScreen, AnOwnerReachesTheFieldsThroughEditPageAndSeesTheServersList)
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
    JsonArrayPtr fields = asset::list(directory(formID));
    ASSERT_EQ(table->numberOfRowsInSection(0), static_cast<int>(fields->size()));
    ASSERT_EQ(fields->size(), 5u); // the Submit item is a field too
    for (int i = 0; i < 5; ++i) {
        auto cell = row(i);
        EXPECT_EQ(cell->reuseIdentifier(), "DirectoryCell");
        EXPECT_EQ(cell->textLabel()->text(), asset::name(fields->at(i).object())) << i;
        EXPECT_EQ(cell->detailTextLabel()->text(), asset::type(fields->at(i).object())) << i;
        EXPECT_EQ(cell->accessoryType(), AccessoryType::DisclosureIndicator) << i;
    }

}

TEST_F(FormScreen, EditModeDrawsTheSelectedFieldAsANameInputAndReturnLeavesIt)
{
    openDirectly();
    screen->editTable();
    EXPECT_TRUE(screen->editMode());
    EXPECT_EQ(rightTitles(), (std::vector<std::string> { "Add", "Done" }));
    EXPECT_EQ(row(1)->accessoryType(), AccessoryType::None);
    EXPECT_FALSE(input(1));

    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(screen->editingRow(), 1);
    EXPECT_EQ(nav->topViewController(), screen);
    ASSERT_TRUE(input(1));
    EXPECT_EQ(input(1)->text(), "Your name");
    EXPECT_EQ(row(2)->textLabel()->text(), "Telephone");

    // The typed name goes nowhere: the list keeps the server's name.
    auto field = input(1);
    field->becomeFirstResponder();
    field->type("Full name");
    EXPECT_TRUE(field->pressReturn());
    EXPECT_FALSE(screen->editMode());
    EXPECT_FALSE(input(1));
    EXPECT_EQ(row(1)->textLabel()->text(), "Your name");
    EXPECT_EQ(row(1)->accessoryType(), AccessoryType::DisclosureIndicator);

    // A new edit mode starts without a remembered row.
    screen->editTable();
    EXPECT_FALSE(screen->editingRow());
    EXPECT_FALSE(input(1));
    screen->editTable();
    EXPECT_FALSE(screen->editMode());
}

TEST_F(FormScreen, OutsideEditModeTextAndImageFieldsOpenTheirEditorsOnACopy)
{
    openDirectly();
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
