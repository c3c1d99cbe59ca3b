// The content coordinator: lists, bar buttons, the edit flow, delete, restore and form requests;
// what a record opens in view and edit mode, and replies that are bad or come too late.
#include "content/DataManager.h"

#include "content/ContentFixture.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "content/EventDataSource.h"
#include "content/HidingNavTableViewController.h"
#include "platform/JsonParser.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

JsonArrayPtr items(const std::string& json)
{
    return JsonParser::parse(json)->array();
}

AssetRecord record(const std::string& type, const std::string& name, const std::string& id = "1")
{
    return JsonParser::parse(R"({"AssetId":")" + id + R"(","Type":")" + type + R"(","Name":")" + name + "\"}")->object();
}

/// The editor `presenter` shows in a stack of its own.
std::shared_ptr<RecordedEditor> presentedEditor(const ViewController& presenter)
{
    auto stack = std::dynamic_pointer_cast<NavigationController>(presenter.presentedViewController());
    return stack ? std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController()) : nullptr;
}

JsonArrayPtr listOf(std::initializer_list<AssetRecord> records)
{
    auto list = JsonArray::create();
    for (auto& r : records)
        list->push_back(JsonValue(r));
    return list;
}

std::vector<std::string> rightButtons(const ViewController& controller)
{
    std::vector<std::string> out;
    for (auto& item : controller.rightBarButtonItems()) {
        switch (item->systemItem()) {
        case SystemItem::Add: out.push_back("+"); break;
        case SystemItem::Edit: out.push_back("Edit"); break;
        case SystemItem::Done: out.push_back("Done"); break;
        default: out.push_back(item->title());
        }
    }
    return out;
}

class DataManagerTest : public ModelFixture {
protected:
    std::shared_ptr<DataManager> page(const std::string& json, const std::string& owner = "someone")
    {
        auto manager = DataManager::create(items(json), model());
        manager->setAsset(JsonParser::parse("{\"AssetId\":\"10\",\"Type\":\"Directory\",\"Owner\":\"" + owner + "\"}")->object());
        manager->setAssetID("10");
        manager->setViewController(screen);
        return manager;
    }
    /// Waits for `n` requests and runs the main queue until `done` holds.
    void await(size_t n, const std::function<bool()>& done)
    {
        ASSERT_TRUE(server.waitForRequests(n));
        MainQueue::shared().runUntil(done, std::chrono::seconds(10));
    }

    std::shared_ptr<RecordingScreen> screen = std::make_shared<RecordingScreen>();
};

class LoaderTest : public LoadingFixture {
protected:
    /// A coordinator over `items`, shown by a page screen at the root of a visible stack.
    std::shared_ptr<DataManager> pageWith(JsonArrayPtr items)
    {
        auto manager = DataManager::create(std::move(items), model());
        page->setDataSource(EditableDataSource::create(manager));
        manager->setViewController(std::static_pointer_cast<DataManagerScreen>(page));
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
        return manager;
    }
    /// Selects the row holding the record named `name`; true when that opens something.
    bool select(DataManager& manager, const std::string& name, bool editMode)
    {
        for (size_t row = 0; row < manager.objects()->size(); ++row)
            if (asset::name(manager.objects()->at(row).object()) == name)
                return manager.didSelectObjectAtIndexPath(page, { 0, static_cast<int>(row) }, editMode);
        ADD_FAILURE() << "no row named " << name;
        return false;
    }
    template<typename T>
    std::shared_ptr<T> top() const
    {
        return std::dynamic_pointer_cast<T>(nav->topViewController());
    }
    /// Drops the page's coordinator (the page's source is its only owner).
    void dropCoordinator(std::shared_ptr<DataManager>& manager)
    {
        std::weak_ptr<DataManager> weak = manager;
        page->setDataSource(nullptr);
        manager.reset();
        ASSERT_FALSE(weak.lock());
    }

    ShellGuard shellGuard;
    std::shared_ptr<DirectoryViewController> page = DirectoryViewController::create();
    std::shared_ptr<NavigationController> nav = NavigationController::create(page);
    std::shared_ptr<Window> window = Window::create();
};

} // namespace

TEST_F(DataManagerTest, BarButtonsFollowLoginOwnershipRootAndFormState)
{
    auto manager = page("[]", "token-1");
    auto& controller = *screen->controller;
    struct State {
        const char* token; // "": logged out
        bool root, form, reordering, editingItems;
        std::vector<std::string> right;
        const char* left; // what the left button is afterwards ("Back" is the one set before)
    };
    const State states[] = {
        { "", false, false, false, false, { "Login" }, "Back" },
        { "", true, false, false, false, { "Login" }, "Register" },
        { "token-1", true, false, false, false, {}, "" }, // the root screen of a user who is not root
        { "token-1", false, false, false, false, { "+", "Edit" }, "Back" },
        { "token-1", false, false, true, false, { "+", "Done" }, "Back" },
        { "token-1", false, true, true, false, { "Send", "+", "Edit" }, "Back" }, // reordering keeps Edit on a form page
        { "token-1", false, true, true, true, { "Send", "+", "Done" }, "Back" },
        { "another-token", false, true, true, true, { "Send" }, "Back" },
        { "another-token", false, false, true, true, {}, "Back" },
    };
    for (const State& state : states) {
        SCOPED_TRACE(testing::Message() << state.token << " root " << state.root << " form " << state.form << " editing "
                                        << state.reordering << state.editingItems);
        if (*state.token)
            model().setAuthToken(state.token);
        screen->root = state.root;
        screen->tableEditing = state.reordering;
        screen->itemEditMode = state.editingItems;
        manager->setForm(state.form);
        controller.setLeftBarButtonItem(BarButtonItem::create("Back", BarButtonStyle::Plain, {}));
        manager->configureBarbuttons();
        EXPECT_EQ(rightButtons(controller), state.right);
        EXPECT_EQ(controller.leftBarButtonItem() ? controller.leftBarButtonItem()->title() : "", state.left);
    }
    // An asset without an owner gives nobody edit rights, a blank token included.
    model().setAuthToken("");
    manager->setAsset(JsonObject::create());
    EXPECT_FALSE(manager->isOwner());
}

TEST_F(DataManagerTest, AddOpensTheMenuConfiguredFromThePageAndItsAnswerReplacesTheListOnTheMainQueue)
{
    ShellGuard shell;
    server.setResponder([](const RecordedRequest&) {
        return makeReply(200, R"({"Message":{"AssetId":"10","Children":[{"AssetId":"1","Type":"Text"},{"AssetId":"2","Type":"Text"}]}})");
    });
    struct Case {
        const char* title;
        bool restricted;
        const char* assetID; // "" falls back to the page record's id
    };
    for (const Case& c : { Case { "Page", false, "10" }, Case { "Images", false, "" }, Case { "Tab Edit", true, "12" } }) {
        SCOPED_TRACE(c.title);
        auto manager = page("[]", "token-1");
        screen->controller->setTitle(c.title);
        manager->setAssetID(c.assetID);
        manager->setRestricted(c.restricted);
        manager->setLinkedObjects(items(R"([{"AssetId":"3"}])"));
        // "+" on an owner's page opens the menu.
        model().setAuthToken("token-1");
        manager->configureBarbuttons();
        screen->controller->rightBarButtonItems()[0]->press();
        auto menu = presentedEditor(*screen->controller);
        ASSERT_TRUE(menu);
        const DirectoryActionsSetup& setup = menu->setup;
        EXPECT_EQ(std::make_tuple(setup.restrictToImages, setup.restrictToDirectory, setup.assetID, setup.object, setup.objects),
            std::make_tuple(std::string(c.title) == "Images", c.restricted, std::string(*c.assetID ? c.assetID : "10"), manager->asset(),
                manager->linkedObjects()));
        EXPECT_EQ(setup.cont.lock(), screen->controller);
        // The menu reports from a reply's thread: nothing changes before the main queue runs, and
        // a "Submit" item stays hidden as after a reload.
        const int refreshes = screen->refreshes;
        menu->completion(*JsonParser::parse(R"({"AssetId":"10","Children":[{"AssetId":"5","Type":"Text"},{"AssetId":"6","Type":"Submit"}]})"));
        EXPECT_TRUE(manager->objects()->empty());
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(std::make_tuple(manager->objects()->size(), manager->allObjects()->size(), screen->refreshes > refreshes),
            std::make_tuple(1u, 2u, true));
        menu->completion(std::nullopt); // a failed add keeps the list
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(manager->objects()->size(), 1u);
        // A reply that names no directory is about this page: its list is shown, nothing is asked.
        const size_t asked = server.requests().size();
        menu->completion(*JsonParser::parse(R"({"Children":[{"AssetId":"5","Type":"Text"},{"AssetId":"6","Type":"Text"},{"AssetId":"7","Type":"Text"}]})"));
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(std::make_pair(manager->objects()->size(), server.requests().size()), std::make_pair(size_t(3), asked));
        // A reply about another directory holds that page's items: the page asks for its own again.
        const size_t before = server.requests().size();
        menu->completion(*JsonParser::parse(R"({"AssetId":"11","Children":[{"AssetId":"8","Type":"Image"}]})"));
        MainQueue::shared().runUntilIdle();
        // That list comes back on the reply thread and waits for the main queue.
        for (int i = 0; i < 2000 && MainQueue::shared().pending() == 0 && manager->objects()->size() == 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(manager->objects()->size(), 3u);
        await(before + 1, [&] { return manager->objects()->size() == 2; });
        ASSERT_EQ(server.requests().size(), before + 1);
        EXPECT_EQ(std::make_pair(server.requests().back().target, manager->objects()->size()),
            std::make_pair(base() + "contentForNode?assetid=10", size_t(2)));
        screen->controller->dismissViewController(Animated::No);
    }
}

TEST_F(DataManagerTest, EditPageAlertCancelReorderAndDone)
{
    auto manager = page("[]");
    manager->editTable();
    auto alert = manager->editAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(std::make_tuple(alert->title(), alert->message(), alert->buttonTitles(), manager->isEditing()),
        std::make_tuple(std::string("Edit Page"), std::string("Do you want to reorder or edit the items?"),
            std::vector<std::string>({ "Cancel", "Reorder", "Edit items" }), true));
    ASSERT_TRUE(alert->chooseButton(0));
    EXPECT_FALSE(manager->isEditing() || screen->tableEditing);
    // Each choice, then the second press that ends it.
    for (int choice : { 1, 2 }) {
        manager->editTable();
        ASSERT_TRUE(manager->editAlert()->chooseButton(choice));
        EXPECT_TRUE((choice == 1 ? screen->tableEditing : screen->itemEditMode) && manager->isEditing());
        manager->editTable();
        EXPECT_FALSE(screen->tableEditing || screen->itemEditMode || manager->isEditing());
    }
}

TEST_F(DataManagerTest, SubmitItemsStayHiddenDeleteAndRestoreChangeTheListAtOnceAndEveryPageReloadsAfterTheAnswer)
{
    server.setResponder([](const RecordedRequest& request) {
        if (request.path.find("contentForNode") != std::string::npos)
            return makeReply(200, R"({"Message":{"AssetId":"10","Children":[{"AssetId":"1","Type":"Text"}]}})");
        return makeReply(200, R"({"Message":"ok"})");
    });
    auto manager = page(R"([{"AssetId":"1","Type":"Text","Name":"a"},{"AssetId":"2","Type":"Submit","Name":"s"},
        {"AssetId":"5","Type":"Text","Name":"b","IsDeleted":"true"}])");
    EXPECT_EQ(std::make_pair(namesOf(manager->objects()), manager->allObjects()->size()),
        std::make_pair(std::vector<std::string> { "a", "b" }, size_t(3)));
    // A deleted record gets one restore control, the same while the same record objects come again.
    auto deleted = manager->objects()->at(1).object();
    auto button = DataManager::restoreButtonOf(deleted);
    ASSERT_TRUE(button && button->title() == "Restore");
    EXPECT_FALSE(DataManager::restoreButtonOf(manager->objects()->at(0).object()));
    manager->updateWithObjects(manager->allObjects());
    EXPECT_EQ(DataManager::restoreButtonOf(deleted), button);
    int otherReloads = 0;
    auto other = DataManager::create(nullptr, model(), [&] { ++otherReloads; });
    manager->deleteAssetAtIndexPath(0);
    EXPECT_EQ(manager->objects()->size(), 1u);
    manager->deleteAssetAtIndexPath(7); // no such row: nothing
    await(1, [&] { return otherReloads == 1; });
    EXPECT_EQ(std::make_pair(server.requests()[0].target, otherReloads), std::make_pair(base() + "deleteAsset?assetid=1", 1));
    // This page fetches its own directory.
    await(2, [&] { return manager->objects()->size() == 1 && asset::ident(manager->objects()->at(0).object()) == "1"; });
    EXPECT_EQ(server.requests()[1].target, base() + "contentForNode?assetid=10");
    manager->updateWithObjects(nullptr);
    EXPECT_TRUE(manager->objects()->empty());
    manager->updateWithObjects(items(R"([{"AssetId":"5","Type":"Text","IsDeleted":"true"}])"));
    const int refreshesBefore = screen->refreshes;
    auto restore = DataManager::restoreButtonOf(manager->objects()->at(0).object());
    ASSERT_TRUE(restore && restore->tap());
    EXPECT_TRUE(manager->objects()->empty() && screen->refreshes > refreshesBefore);
    await(3, [&] { return otherReloads == 2; });
    EXPECT_EQ(std::make_pair(server.requests()[2].target, otherReloads), std::make_pair(base() + "restoreAsset?assetid=5", 2));
}

TEST_F(LoaderTest, ADirectoryOpensAPageBuiltFromTheReplyAndADocumentTheShellsScreen)
{
    server.setResponder([](const RecordedRequest& request) {
        if (request.target.find("contentForNode?assetid=5") != std::string::npos)
            return json(R"({"Message":{"AssetId":"5","Type":"Directory","name":"Gallery","Children":[{"AssetId":"6","Type":"Image"},
                {"AssetId":"7","Type":"Image"}],"_linkedAsset":{"list":[{"AssetId":"9","Type":"Text"}]}}})");
        if (request.target.find("getDocument.php?assetid=8") != std::string::npos)
            return json(R"({"Message":{"assetID":"8","Type":"Document","name":"Assessment","_linkedAsset":{"list":[{"type":"Text"}]}}})");
        return json(R"({"Message":{"AssetId":"4","Type":"Directory","Children":[]}})"); // a directory where a document was asked for
    });
    AssetRecord gallery = record("Directory", "Gallery", "5");
    auto picture = Image::create(1, 1, { 1, 2, 3, 255 });
    gallery->set("image", OpaquePtr(picture));
    auto manager = pageWith(listOf({ gallery, JsonParser::parse(R"({"AssetId":"8","assetID":"8","Type":"Document","Name":"Assessment"})")->object() }));
    select(*manager, "Gallery", false);
    settle();
    auto opened = top<DirectoryViewController>();
    ASSERT_TRUE(opened && opened->linkedObjects());
    EXPECT_EQ(std::make_tuple(nav->lastTransitionAnimated(), opened->title(), opened->assetID(), opened->headerImage(), opened->linkedObjects()->size()),
        std::make_tuple(Animated::Yes, std::string("Gallery"), std::string("5"), picture, size_t(1)));
    auto pageManager = opened->dataSource()->dataManager();
    EXPECT_EQ(std::make_tuple(pageManager->assetID(), pageManager->asset(), pageManager->isForm(), pageManager->objects()->size()),
        std::make_tuple(std::string("5"), gallery, false, size_t(2)));
    EXPECT_EQ(pageManager->viewController(), opened);
    nav->popViewController(Animated::No);
    // A document: without a screen from the shell nothing opens; the shell gets the record and its id.
    auto& shell = *shellGuard.shell;
    for (bool made : { false, true }) {
        shell.documentScreen = made ? ViewController::create("made by the shell") : nullptr;
        EXPECT_TRUE(select(*manager, "Assessment", false));
        settle();
        EXPECT_EQ(nav->topViewController(), made ? shell.documentScreen : page);
        ASSERT_FALSE(shell.documents.empty());
        const auto& [sent, id] = shell.documents.back();
        EXPECT_EQ(std::make_tuple(sent->get("name").asString(), sent->get("_linkedAsset").object()->get("list").array()->size(), id),
            std::make_tuple(std::string("Assessment"), size_t(1), std::string("8")));
    }
    // A directory where a document was asked for opens nothing.
    nav->popViewController(Animated::No);
    manager->loadDocumentForObject(record("Document", "Other", "4"), page);
    settle();
    EXPECT_EQ(std::make_pair(nav->viewControllers().size(), shell.documents.size()), std::make_pair(size_t(1), size_t(2)));
}

TEST_F(LoaderTest, TabbarGivesTheShellOnePageATabWithAList)
{
    server.setResponder([](const RecordedRequest&) {
        return json(R"({"Message":{"Type":"Tabbar","Children":[{"AssetId":"1","Type":"Directory","Name":"One","Children":[{"AssetId":"8","Type":"Text"}]},
            {"AssetId":"2","Type":"Directory","Name":"Two"},
            {"AssetId":"3","Type":"Form","Name":"Three","Children":[{"AssetId":"9","Type":"Text"}]}]}})");
    });
    auto manager = pageWith(listOf({ record("Tabbar", "Site", "5") }));
    EXPECT_TRUE(manager->didSelectObjectAtIndexPath(page, { 0, 0 }, false));
    settle();
    EXPECT_EQ(onlyRequest().target, base() + "getTabbar?assetid=5");
    auto& shell = *shellGuard.shell;
    ASSERT_EQ(shell.updated.size(), 1u);
    std::vector<std::tuple<std::string, std::string, bool, size_t>> tabs;
    for (auto& screen : shell.updated.front()) {
        auto tab = std::dynamic_pointer_cast<DirectoryViewController>(screen);
        ASSERT_TRUE(tab && tab->dataManager());
        auto tabManager = tab->dataManager();
        tabs.emplace_back(tab->title(), tab->assetID(), tabManager->isForm(), tabManager->objects()->size());
        // The page, its source and its coordinator point at each other, and the coordinator knows the tabs.
        EXPECT_TRUE(tab->dataSource()->dataManager() == tabManager && tabManager->viewController() == tab
            && tabManager->currentTabs() == shell.items);
        EXPECT_EQ(std::make_pair(asset::ident(tabManager->asset()).value_or(""), tabManager->assetID()), std::make_pair(tab->assetID(), tab->assetID()));
    }
    EXPECT_EQ(tabs, (std::vector<std::tuple<std::string, std::string, bool, size_t>> { { "One", "1", false, 1 }, { "Three", "3", true, 1 } }));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(LoaderTest, WithoutAServerATappedDocumentFreesThePageAndLateRepliesAreDropped)
{
    model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
    auto manager = pageWith(listOf({ record("Document", "x", "7"), record("Text", "hello", "9") }));
    ASSERT_TRUE(page->tableView()->selectRow({ 0, 0 }));
    EXPECT_TRUE(page->hasSelected());
    manager->loadTabbarForObject(record("Tabbar", "x", "7"));
    settle();
    EXPECT_FALSE(page->hasSelected());
    ASSERT_TRUE(page->tableView()->selectRow({ 0, 1 }));
    EXPECT_FALSE(page->hasSelected()) << "a text opens nothing";
    // Replies arriving once the coordinator is gone open nothing.
    model().setConfiguration(*ServerConfiguration::create(server.url()));
    manager->loadDirectoryForObject(record("Directory", "x", "8"), page);
    manager->loadDocumentForObject(record("Document", "x", "8"), page);
    dropCoordinator(manager);
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_TRUE(shellGuard.shell->updated.empty());
}

TEST_F(LoaderTest, EditModeOpensTheEditorOfTheRecordTypePushedOrModal)
{
    auto manager = pageWith(listOf({ record("Image", "Image"), record("Text", "Text"), record("TextField", "TextField"),
        record("TextView", "TextView"), record("YoutubeVideo", "YoutubeVideo"), record("Directory", "Directory"), record("Form", "Form"),
        record("Event", "Event"), record("Document", "Document") }));
    struct Case {
        const char* name;
        const char* editor; // pages get the modal directory editor, the rest are pushed
        std::optional<TextEditorMode> textMode;
    };
    const char* const pageEditor = "EditDirectoryViewController";
    // A multi-line input is edited as one, so it goes back through its own endpoint.
    const Case cases[] = { { "Image", "ImageSelectionViewController", std::nullopt }, { "Text", "TextEditorViewController", TextEditorMode::Text },
        { "TextField", "TextEditorViewController", TextEditorMode::TextInput },
        { "TextView", "TextEditorViewController", TextEditorMode::MultiLineInput },
        { "YoutubeVideo", "TextEditorViewController", TextEditorMode::Text }, { "Directory", pageEditor, std::nullopt },
        { "Form", pageEditor, std::nullopt }, { "Event", pageEditor, std::nullopt }, { "Document", pageEditor, std::nullopt } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select(*manager, c.name, true);
        const bool modal = c.editor == pageEditor;
        auto editor = modal ? presentedEditor(*page) : top<RecordedEditor>();
        ASSERT_TRUE(editor);
        EXPECT_EQ(std::make_tuple(editor->kind, editor->textMode, asset::name(editor->object)),
            std::make_tuple(std::string(c.editor), c.textMode, std::string(c.name)));
        if (modal) {
            EXPECT_EQ(std::make_tuple(nav->viewControllers().size(), editor->title(), editor->parent.lock().get(), page->lastPresentationAnimated()),
                std::make_tuple(size_t(1), std::string("Edit Directory"), static_cast<DataManagerScreen*>(page.get()), Animated::Yes));
        } else {
            EXPECT_EQ(editor->imageMode, c.textMode ? std::nullopt : std::optional(ImageSelectionMode::Link));
        }
        // An answer without a list (or none: the editor's request failed) closes the editor, modal
        // or pushed, and keeps the page and its list.
        editor->completion(modal ? JsonParser::parse(R"({"Type":"Directory"})") : std::optional<JsonValue>());
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(std::make_tuple(page->presentedViewController(), nav->topViewController(), manager->objects()->size()),
            std::make_tuple(std::shared_ptr<ViewController>(), std::static_pointer_cast<ViewController>(page), size_t(9)));
    }
    // An answer with a list replaces the page's list, closes the editor and reloads, on the main queue.
    auto answer = JsonParser::parse(R"({"Children":[{"AssetId":"1","Type":"Text","Name":"Edited"},{"AssetId":"8","Type":"Text","Name":"New"}]})");
    select(*manager, "Text", true);
    auto text = top<RecordedEditor>();
    ASSERT_TRUE(text);
    page->tableView()->layoutAllRows();
    text->completion(answer);
    EXPECT_EQ(top<RecordedEditor>(), text);
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(std::make_tuple(nav->topViewController(), nav->lastTransitionAnimated(), namesOf(manager->objects())),
        std::make_tuple(std::static_pointer_cast<ViewController>(page), Animated::Yes, std::vector<std::string> { "Edited", "New" }));
    EXPECT_FALSE(page->tableView()->cellForRowAtIndexPath({ 0, 0 })); // reloaded
    // A handler whose coordinator is gone does nothing.
    manager->setObjects(listOf({ record("Text", "Text") }));
    select(*manager, "Text", true);
    auto late = top<RecordedEditor>();
    auto handler = late->completion;
    dropCoordinator(manager);
    handler(answer);
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(top<RecordedEditor>(), late);
}

TEST_F(LoaderTest, EventsOpenTheEventScreenAndCarouselChoicesAndImageChangesPushTheirScreens)
{
    auto event = record("Event", "Fair", "8");
    auto manager = pageWith(listOf({ event }));
    manager->didSelectObjectAtIndexPath(page, { 0, 0 }, false);
    auto eventScreen = top<HidingNavTableViewController>();
    ASSERT_TRUE(eventScreen);
    EXPECT_EQ(eventScreen->rowHeight(), 42);
    auto source = std::dynamic_pointer_cast<EventDataSource>(eventScreen->dataSource());
    ASSERT_TRUE(source);
    EXPECT_EQ(std::make_pair(source->event(), source->dataManager()), std::make_pair(event, manager));
    EXPECT_EQ(manager->viewController(), eventScreen);
    source->changeImage(); // the event screen's picture button
    auto selection = top<RecordedEditor>();
    ASSERT_TRUE(selection);
    EXPECT_EQ(std::make_tuple(selection->kind, selection->object, selection->imageMode),
        std::make_tuple(std::string("ImageSelectionViewController"), event, std::optional(ImageSelectionMode::Link)));
    selection->completion(std::nullopt); // stored: the chooser closes over the event screen
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(nav->topViewController(), eventScreen);
    nav->popToRootViewController(Animated::No);
    // Back on the page, the coordinator answers to the page again, so carousel choices open.
    EXPECT_EQ(manager->viewController(), page);
    manager->didSelectObject(record("Image", "Lounge", "3"));
    auto viewer = top<RecordedEditor>();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(std::make_pair(viewer->kind, asset::name(viewer->object)), std::make_pair(std::string("ImageViewController"), std::string("Lounge")));
    nav->popViewController(Animated::No);
    manager->didSelectObject(record("Text", "Words", "4"));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"Type":"Directory","name":"Gallery","Children":[]}})"); });
    manager->didSelectObject(record("Directory", "Gallery", "5"));
    settle();
    ASSERT_TRUE(top<DirectoryViewController>());
    EXPECT_EQ(top<DirectoryViewController>()->title(), "Gallery");
    EXPECT_EQ(onlyRequest().target, base() + "contentForNode?assetid=5");
}

TEST_F(LoaderTest, AFailedRefreshKeepsWhatThePageShowsAndAnyListReplacesIt)
{
    server.setResponder([](const RecordedRequest&) {
        return json(R"({"Message":{"AssetId":"5","Type":"Directory","name":"Garden","Children":[)"
                    R"({"AssetId":"6","Type":"Text","Name":"Roses"},{"AssetId":"7","Type":"Text","Name":"Pond"}]}})");
    });
    // A coordinator that reloads its own directory (the start page's kind), and a page opened
    // from it, which reloads through the refresh handler it was made with.
    auto start = pageWith(JsonArray::create());
    start->reload();
    settle();
    start->loadDirectoryForObject(record("Directory", "Garden", "5"), page);
    settle();
    auto opened = top<DirectoryViewController>();
    ASSERT_TRUE(opened && opened != page);
    auto garden = opened->dataSource()->dataManager();
    using Names = std::vector<std::string>;
    const Names kept { "Roses", "Pond" };
    ASSERT_EQ(std::make_pair(namesOf(start->objects()), namesOf(garden->objects())), std::make_pair(kept, kept));
    struct Answer {
        const char* what;
        int status; // 0: nothing listens
        const char* body;
        Names shown; // failures keep the list; a real list replaces it, an empty one too
    };
    for (const Answer& answer : { Answer { "HTTP 500", 500, R"({"error":"boom"})", kept }, Answer { "not JSON", 200, "<html>not json</html>", kept },
             Answer { "no list", 200, R"({"Message":"a text, not a record"})", kept }, Answer { "no reply", 0, "", kept },
             Answer { "a list", 200, R"({"Message":{"AssetId":"5","Type":"Directory","Children":[{"AssetId":"8","Type":"Text","Name":"Lawn"}]}})", { "Lawn" } },
             Answer { "an empty list", 200, R"({"Message":{"AssetId":"5","Type":"Directory","Children":[]}})", {} } }) {
        SCOPED_TRACE(answer.what);
        if (answer.status)
            server.setResponder([answer](const RecordedRequest&) { return json(answer.body, answer.status); });
        else
            model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
        start->reload();
        EXPECT_TRUE(opened->tableView()->pullToRefresh());
        settle();
        EXPECT_EQ(std::make_tuple(namesOf(start->objects()), namesOf(garden->objects()), opened->tableView()->numberOfRowsInSection(0)),
            std::make_tuple(answer.shown, answer.shown, static_cast<int>(answer.shown.size())));
        model().setConfiguration(*ServerConfiguration::create(server.url()));
        if (!answer.status)
            continue;
        // The same answer to the other loaders: a directory opens a page, empty unless a list came;
        // a document or a tab bar opens nothing.
        start->loadDocumentForObject(record("Document", "x", "8"), opened);
        start->loadTabbarForObject(record("Tabbar", "x", "8"));
        start->loadDirectoryForObject(record("Directory", "x", "8"), opened);
        settle();
        ASSERT_EQ(nav->viewControllers().size(), 3u);
        EXPECT_TRUE(shellGuard.shell->updated.empty() && shellGuard.shell->documents.empty());
        auto pushed = top<DirectoryViewController>()->dataSource()->dataManager();
        EXPECT_EQ(namesOf(pushed->objects()), answer.shown == kept ? Names {} : answer.shown);
        nav->popViewController(Animated::No);
    }
}
