// The coordinator's selection dispatch and loaders: which screen a record opens in view and in
// item edit mode, the pages built from the reference server's replies, the editors' handler,
// and replies that are bad, of another type or that arrive after the coordinator is gone.
#include "content/DataManager.h"

#include "content/ContentFixture.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "content/EventDataSource.h"
#include "content/HidingNavTableViewController.h"
#include "platform/JsonParser.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

AssetRecord record(const std::string& type, const std::string& name, const std::string& id = "1")
{
    return JsonParser::parse(R"({"AssetId":")" + id + R"(","Type":")" + type + R"(","Name":")" + name + "\"}")->object();
}

JsonArrayPtr listOf(std::initializer_list<AssetRecord> records)
{
    auto list = JsonArray::create();
    for (auto& r : records)
        list->push_back(JsonValue(r));
    return list;
}

class LoaderTest : public ReferenceServerFixture {
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
    std::shared_ptr<RecordedEditor> presentedEditor() const
    {
        auto stack = std::dynamic_pointer_cast<NavigationController>(page->presentedViewController());
        return stack ? std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController()) : nullptr;
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

TEST_F(LoaderTest, DirectoryAndFormRecordsOpenAPageBuiltFromTheReplyThatReloadsItself)
{
    useReferenceServer();
    AssetRecord home = directory("");
    ASSERT_TRUE(home);
    auto manager = pageWith(asset::list(home));
    AssetRecord gallery = childNamed(home, "Gallery");
    auto picture = Image::create(1, 1, { 1, 2, 3, 255 });
    gallery->set("image", OpaquePtr(picture));
    select(*manager, "Gallery", false);
    settle();
    auto opened = top<DirectoryViewController>();
    ASSERT_TRUE(opened);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    EXPECT_EQ(opened->title(), "Gallery");
    EXPECT_EQ(opened->assetID(), asset::ident(gallery));
    EXPECT_EQ(opened->headerImage(), picture);
    auto pageManager = opened->dataSource()->dataManager();
    EXPECT_EQ(pageManager->assetID(), asset::ident(gallery));
    EXPECT_EQ(pageManager->asset(), gallery);
    EXPECT_FALSE(pageManager->isForm());
    EXPECT_EQ(pageManager->viewController().get(), static_cast<DataManagerScreen*>(opened.get()));
    EXPECT_EQ(pageManager->objects()->size(), 3u);
    // Its refresh handler fetches the same directory again.
    pageManager->setObjects(JsonArray::create());
    pageManager->reload();
    settle();
    EXPECT_EQ(pageManager->objects()->size(), 3u);

    nav->popViewController(Animated::No);
    select(*manager, "Contact us", false);
    settle();
    auto form = top<DirectoryViewController>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->title(), "Contact us");
    EXPECT_TRUE(form->dataSource()->dataManager()->isForm());
    EXPECT_EQ(form->dataSource()->dataManager()->objects()->size(), 4u); // without the Submit item
    EXPECT_FALSE(form->headerImage());
}

TEST_F(LoaderTest, OtherRecordsOpenNothingInViewModeAndTheDocumentOpensItsScreen)
{
    useReferenceServer();
    AssetRecord home = directory("");
    auto manager = pageWith(asset::list(home));
    for (const char* name : { "Welcome", "Our garden", "A tour of the home", "Call us" }) {
        EXPECT_FALSE(select(*manager, name, false)) << name;
        settle();
        EXPECT_EQ(nav->viewControllers().size(), 1u) << name;
    }
    // Without a screen from the shell nothing opens; the shell gets the record and its id.
    auto& shell = *shellGuard.shell;
    const std::string documentID = childNamed(home, "Resident assessment")->get("assetID").asString();
    for (bool made : { false, true }) {
        shell.documentScreen = made ? ViewController::create("made by the shell") : nullptr;
        EXPECT_TRUE(select(*manager, "Resident assessment", false));
        settle();
        EXPECT_EQ(nav->topViewController(), made ? shell.documentScreen : page);
        ASSERT_FALSE(shell.documents.empty());
        const auto& [document, id] = shell.documents.back();
        EXPECT_EQ(document->get("name").asString(), "Resident assessment");
        EXPECT_EQ(document->get("_linkedAsset").object()->get("list").array()->size(), 10u);
        EXPECT_EQ(id, documentID);
    }
    shell.documentScreen = nullptr;

    // The server refuses a directory as a document: nothing opens.
    nav->popViewController(Animated::No);
    manager->loadDocumentForObject(childNamed(home, "Gallery"), page);
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(LoaderTest, TabbarGivesTheShellOnePageATabAndEveryTabTheCurrentTabs)
{
    useReferenceServer();
    AssetRecord home = directory("");
    const std::string site = home->get("ParentId").asString();
    ASSERT_FALSE(site.empty());
    auto manager = pageWith(listOf({ record("Tabbar", "Site", site) }));
    manager->didSelectObjectAtIndexPath(page, { 0, 0 }, false);
    settle();
    auto& shell = *shellGuard.shell;
    ASSERT_EQ(shell.updated.size(), 1u);
    std::vector<std::string> titles;
    for (auto& screen : shell.updated.front()) {
        auto tab = std::dynamic_pointer_cast<DirectoryViewController>(screen);
        ASSERT_TRUE(tab);
        titles.push_back(tab->title());
        auto tabManager = tab->dataManager();
        ASSERT_TRUE(tabManager);
        EXPECT_EQ(tab->dataSource()->dataManager(), tabManager);
        EXPECT_EQ(asset::ident(tabManager->asset()), tab->assetID());
        EXPECT_EQ(tabManager->assetID(), tab->assetID());
        EXPECT_EQ(tabManager->viewController().get(), static_cast<DataManagerScreen*>(tab.get()));
        EXPECT_EQ(tabManager->currentTabs(), std::optional(shell.items));
        EXPECT_FALSE(tabManager->objects()->empty());
    }
    EXPECT_EQ(titles, std::vector<std::string>({ "Home", "News" }));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(LoaderTest, TabbarSkipsChildrenWithoutAListAndIgnoresAnswersOfAnotherType)
{
    server.setResponder([](const RecordedRequest& request) {
        if (request.target.find("assetid=5") == std::string::npos)
            return json(R"({"Message":{"Type":"Directory","Children":[]}})");
        return json(R"({"Message":{"Type":"Tabbar","Children":[{"AssetId":"1","Type":"Directory","Name":"One","Children":[]},
            {"AssetId":"2","Type":"Directory","Name":"Two"},
            {"AssetId":"3","Type":"Form","Name":"Three","Children":[{"AssetId":"9","Type":"Text"}]}]}})");
    });
    auto manager = pageWith(JsonArray::create());
    manager->loadTabbarForObject(record("Tabbar", "", "5"));
    manager->loadTabbarForObject(record("Tabbar", "", "6"));
    settle();
    auto& shell = *shellGuard.shell;
    ASSERT_EQ(shell.updated.size(), 1u);
    ASSERT_EQ(shell.updated[0].size(), 2u);
    EXPECT_EQ(shell.updated[0][0]->title(), "One");
    auto three = std::dynamic_pointer_cast<DirectoryViewController>(shell.updated[0][1]);
    EXPECT_EQ(three->title(), "Three");
    EXPECT_TRUE(three->dataManager()->isForm());
    EXPECT_EQ(three->dataManager()->objects()->size(), 1u);
}

TEST_F(LoaderTest, BadRepliesNeverCrashALoaderAndLateOnesAreDropped)
{
    server.setResponder([](const RecordedRequest& request) {
        if (request.target.find("assetid=1") != std::string::npos)
            return makeReply(200, "<html>not json</html>");
        if (request.target.find("assetid=2") != std::string::npos)
            return makeReply(500, R"({"error":"boom"})");
        return makeReply(200, R"({"Message":"a text, not a record"})");
    });
    auto manager = pageWith(JsonArray::create());
    for (const char* id : { "1", "2", "3" }) {
        manager->loadDocumentForObject(record("Document", "x", id), page);
        manager->loadTabbarForObject(record("Tabbar", "x", id));
        manager->loadDirectoryForObject(record("Directory", "x", id), page);
    }
    settle();
    // A directory without a list opens as an empty page; the others open nothing.
    EXPECT_TRUE(shellGuard.shell->updated.empty());
    ASSERT_EQ(nav->viewControllers().size(), 4u);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_TRUE(std::dynamic_pointer_cast<DirectoryViewController>(nav->viewControllers()[i])->dataSource()->dataManager()->objects()->empty());
    nav->popToRootViewController(Animated::No);

    // No server at all, and replies arriving once the coordinator is gone. A tapped document
    // that never opens leaves the page taking taps again.
    model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
    manager->setObjects(listOf({ record("Document", "x", "7"), record("Text", "hello", "9") }));
    page->refresh();
    ASSERT_TRUE(page->tableView()->selectRow({ 0, 0 }));
    EXPECT_TRUE(page->hasSelected());
    manager->loadTabbarForObject(record("Tabbar", "x", "7"));
    settle();
    EXPECT_FALSE(page->hasSelected());
    ASSERT_TRUE(page->tableView()->selectRow({ 0, 1 }));
    EXPECT_FALSE(page->hasSelected()) << "a text opens nothing";
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
    struct Pushed {
        const char* name;
        const char* editor;
        std::optional<TextEditorMode> textMode;
    };
    // A multi-line input is edited as one, so it goes back through its own endpoint.
    for (const Pushed& expected : { Pushed { "Image", "ImageSelectionViewController", std::nullopt },
             Pushed { "Text", "TextEditorViewController", TextEditorMode::Text }, Pushed { "TextField", "TextEditorViewController", TextEditorMode::TextInput },
             Pushed { "TextView", "TextEditorViewController", TextEditorMode::MultiLineInput },
             Pushed { "YoutubeVideo", "TextEditorViewController", TextEditorMode::Text } }) {
        select(*manager, expected.name, true);
        auto editor = top<RecordedEditor>();
        ASSERT_TRUE(editor) << expected.name;
        EXPECT_EQ(std::make_tuple(editor->kind, editor->textMode, asset::name(editor->object)),
            std::make_tuple(std::string(expected.editor), expected.textMode, std::string(expected.name)));
        if (!expected.textMode) {
            EXPECT_EQ(editor->imageMode, ImageSelectionMode::Link);
        }
        EXPECT_TRUE(editor->completion);
        nav->popViewController(Animated::No);
    }
    for (const char* name : { "Directory", "Form", "Event", "Document" }) {
        select(*manager, name, true);
        EXPECT_EQ(nav->viewControllers().size(), 1u) << name;
        auto editor = presentedEditor();
        ASSERT_TRUE(editor) << name;
        EXPECT_EQ(std::make_tuple(editor->kind, editor->title(), asset::name(editor->object)),
            std::make_tuple(std::string("EditDirectoryViewController"), std::string("Edit Directory"), std::string(name)));
        EXPECT_EQ(editor->parent.lock().get(), static_cast<DataManagerScreen*>(page.get()));
        EXPECT_EQ(page->lastPresentationAnimated(), Animated::Yes);
        page->dismissViewController(Animated::No);
    }
}

TEST_F(LoaderTest, TheEditorsHandlerTakesTheAnswersListClosesTheEditorAndReloads)
{
    auto manager = pageWith(listOf({ record("Text", "Text"), record("Directory", "Directory", "6") }));
    auto answer = JsonParser::parse(R"({"Children":[{"AssetId":"1","Type":"Text","Name":"Edited"},{"AssetId":"8","Type":"Text","Name":"New"}]})");
    select(*manager, "Text", true);
    auto text = top<RecordedEditor>();
    ASSERT_TRUE(text);
    page->tableView()->layoutAllRows();
    text->completion(answer);
    EXPECT_EQ(top<RecordedEditor>(), text); // only on the main queue
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(nav->topViewController(), page);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    ASSERT_EQ(manager->objects()->size(), 2u);
    EXPECT_EQ(asset::name(manager->objects()->at(0).object()), "Edited");
    EXPECT_FALSE(page->tableView()->cellForRowAtIndexPath({ 0, 0 })); // reloaded

    // The modal directory editor is dismissed; the page stays on its stack.
    manager->setObjects(listOf({ record("Directory", "Directory", "6") }));
    select(*manager, "Directory", true);
    auto modal = presentedEditor();
    ASSERT_TRUE(modal);
    modal->completion(JsonParser::parse(R"({"Type":"Directory"})"));
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(page->presentedViewController());
    EXPECT_EQ(nav->topViewController(), page);
    EXPECT_EQ(manager->objects()->size(), 1u); // an answer without a list keeps the page
    select(*manager, "Directory", true);
    ASSERT_TRUE(presentedEditor());
    presentedEditor()->completion(std::nullopt); // the editor's request failed
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(page->presentedViewController());
    EXPECT_EQ(manager->objects()->size(), 1u);

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
    EXPECT_EQ(source->event(), event);
    EXPECT_EQ(source->dataManager(), manager);
    EXPECT_EQ(manager->viewController().get(), static_cast<DataManagerScreen*>(eventScreen.get()));

    manager->changeImageForAsset(event); // from the event screen's picture area
    auto selection = top<RecordedEditor>();
    ASSERT_TRUE(selection);
    EXPECT_EQ(std::make_tuple(selection->kind, selection->object, selection->imageMode),
        std::make_tuple(std::string("ImageSelectionViewController"), event, std::optional(ImageSelectionMode::Link)));
    selection->completion(std::nullopt); // stored: the chooser closes over the event screen
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(nav->topViewController(), eventScreen);
    nav->popToRootViewController(Animated::No);
    // Back on the page, the coordinator answers to the page again, so carousel choices open.
    EXPECT_EQ(manager->viewController().get(), static_cast<DataManagerScreen*>(page.get()));

    manager->didSelectObject(record("Image", "Lounge", "3"));
    auto viewer = top<RecordedEditor>();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(std::make_pair(viewer->kind, asset::name(viewer->object)), std::make_pair(std::string("ImageViewController"), std::string("Lounge")));
    nav->popViewController(Animated::No);
    manager->didSelectObject(record("Text", "Words", "4"));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"Message":{"Type":"Directory","name":"Gallery","Children":[]}})"); });
    manager->didSelectObject(record("Directory", "Gallery", "5"));
    settle();
    ASSERT_TRUE(top<DirectoryViewController>());
    EXPECT_EQ(top<DirectoryViewController>()->title(), "Gallery");
    EXPECT_EQ(onlyRequest().target, base() + "contentForNode?assetid=5");
}

TEST_F(LoaderTest, AFailedRefreshKeepsWhatThePageShowsAndAnyListReplacesIt)
{
    auto answer = [&](int status, std::string body) {
        server.setResponder([=](const RecordedRequest&) { return makeReply(status, body); });
    };
    answer(200, R"({"Message":{"AssetId":"5","Type":"Directory","name":"Garden","Children":[)"
                R"({"AssetId":"6","Type":"Text","Name":"Roses"},{"AssetId":"7","Type":"Text","Name":"Pond"}]}})");
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
    auto names = [](const DataManager& manager) {
        std::vector<std::string> out;
        for (const JsonValue& item : manager.objects()->items())
            out.push_back(asset::name(item.object()));
        return out;
    };
    const std::vector<std::string> shown { "Roses", "Pond" };
    ASSERT_EQ(names(*start), shown);
    ASSERT_EQ(names(*garden), shown);

    struct Failure {
        const char* what;
        int status; // 0: nothing listens
        const char* body;
    };
    for (const Failure& failure : { Failure { "HTTP 500", 500, R"({"error":"boom"})" }, Failure { "not JSON", 200, "<html>not json</html>" },
             Failure { "no list", 200, R"({"Message":"a text, not a record"})" }, Failure { "no reply", 0, "" } }) {
        if (failure.status)
            answer(failure.status, failure.body);
        else
            model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
        start->reload();
        ASSERT_TRUE(opened->tableView()->pullToRefresh()) << failure.what;
        settle();
        EXPECT_EQ(names(*start), shown) << failure.what;
        EXPECT_EQ(names(*garden), shown) << failure.what;
        EXPECT_EQ(opened->tableView()->numberOfRowsInSection(0), 2) << failure.what;
        model().setConfiguration(*ServerConfiguration::create(server.url()));
    }

    // A real list replaces the page's, an empty one too.
    answer(200, R"({"Message":{"AssetId":"5","Type":"Directory","Children":[{"AssetId":"8","Type":"Text","Name":"Lawn"}]}})");
    start->reload();
    ASSERT_TRUE(opened->tableView()->pullToRefresh());
    settle();
    EXPECT_EQ(names(*start), std::vector<std::string> { "Lawn" });
    EXPECT_EQ(names(*garden), std::vector<std::string> { "Lawn" });
    answer(200, R"({"Message":{"AssetId":"5","Type":"Directory","Children":[]}})");
    start->reload();
    ASSERT_TRUE(opened->tableView()->pullToRefresh());
    settle();
    EXPECT_TRUE(start->objects()->empty());
    EXPECT_TRUE(garden->objects()->empty());
    EXPECT_EQ(opened->tableView()->numberOfRowsInSection(0), 0);
}
