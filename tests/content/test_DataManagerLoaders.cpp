// The coordinator's selection dispatch and loaders: which screen a record opens in view and in
// item edit mode, the pages built from the reference server's replies, the editors' handler,
// and replies that are bad, of another type or that arrive after the coordinator is gone.
#include "content/DataManager.h"

#include "content/ContentFixture.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "content/EventDataSource.h"
#include "content/HidingNavTableViewController.h"
#include "content/PendingEditorViewController.h"
#include "platform/JsonParser.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

AssetRecord record(const std::string& json)
{
    return JsonParser::parse(json)->object();
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
        page->setDataManager(manager);
        page->setDataSource(EditableDataSource::create(manager));
        manager->setViewController(std::static_pointer_cast<DataManagerScreen>(page));
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
        return manager;
    }
    /// Selects the row holding the record named `name`.
    void select(DataManager& manager, const std::string& name, bool editMode)
    {
        for (size_t row = 0; row < manager.objects()->size(); ++row) {
            if (asset::name(manager.objects()->at(row).object()) == name) {
                manager.didSelectObjectAtIndexPath(page, { 0, static_cast<int>(row) }, editMode);
                return;
            }
        }
        ADD_FAILURE() << "no row named " << name;
    }
    template<typename T>
    std::shared_ptr<T> top() const
    {
        return std::dynamic_pointer_cast<T>(nav->topViewController());
    }
    std::shared_ptr<PendingEditorViewController> presentedEditor() const
    {
        auto stack = std::dynamic_pointer_cast<NavigationController>(page->presentedViewController());
        return stack ? std::dynamic_pointer_cast<PendingEditorViewController>(stack->topViewController()) : nullptr;
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
    ASSERT_TRUE(gallery);
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
    ASSERT_TRUE(pageManager);
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
    EXPECT_EQ(form->dataSource()->dataManager()->objects()->size(), 4u); // the Submit item is not shown
    EXPECT_FALSE(form->headerImage());
}

TEST_F(LoaderTest, OtherRecordsOpenNothingInViewModeAndTheDocumentOpensItsScreen)
{
    useReferenceServer();
    AssetRecord home = directory("");
    auto manager = pageWith(asset::list(home));
    for (const char* name : { "Welcome", "Our garden", "A tour of the home", "Call us" }) {
        select(*manager, name, false);
        settle();
        EXPECT_EQ(nav->viewControllers().size(), 1u) << name;
    }

    AssetRecord assessment = childNamed(home, "Resident assessment");
    ASSERT_TRUE(assessment);
    select(*manager, "Resident assessment", false);
    settle();
    auto document = top<PendingEditorViewController>();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->editor(), "DocumentViewController");
    EXPECT_EQ(document->title(), "Resident assessment");
    ASSERT_TRUE(document->objects());
    EXPECT_EQ(document->objects()->size(), 6u);
    EXPECT_EQ(document->assetID(), assessment->get("assetID").asString());

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
    ASSERT_TRUE(home);
    const std::string site = home->get("ParentId").asString();
    ASSERT_FALSE(site.empty());
    auto manager = pageWith(listOf({ record(R"({"AssetId":")" + site + R"(","Type":"Tabbar","Name":"Site"})") }));
    manager->didSelectObjectAtIndexPath(page, { 0, 0 }, false);
    settle();

    auto& shell = *shellGuard.shell;
    ASSERT_EQ(shell.updated.size(), 1u);
    const auto& screens = shell.updated.front();
    ASSERT_EQ(screens.size(), 2u);
    std::vector<std::string> titles;
    for (auto& screen : screens) {
        auto tab = std::dynamic_pointer_cast<DirectoryViewController>(screen);
        ASSERT_TRUE(tab);
        titles.push_back(tab->title());
        auto tabManager = tab->dataManager();
        ASSERT_TRUE(tabManager);
        EXPECT_EQ(tab->dataSource()->dataManager(), tabManager);
        EXPECT_EQ(tabManager->assetID(), tab->assetID());
        EXPECT_EQ(asset::ident(tabManager->asset()), tab->assetID());
        EXPECT_EQ(tabManager->viewController().get(), static_cast<DataManagerScreen*>(tab.get()));
        ASSERT_TRUE(tabManager->currentTabs());
        EXPECT_EQ(*tabManager->currentTabs(), shell.items);
        EXPECT_FALSE(tabManager->objects()->empty());
    }
    EXPECT_EQ(titles, std::vector<std::string>({ "Home", "News" }));
    EXPECT_EQ(nav->viewControllers().size(), 1u); // nothing is pushed
}

TEST_F(LoaderTest, TabbarSkipsChildrenWithoutAListAndIgnoresAnswersOfAnotherType)
{
    std::string reply = R"({"Message":{"Type":"Tabbar","Children":[{"AssetId":"1","Type":"Directory","Name":"One","Children":[]},
        {"AssetId":"2","Type":"Directory","Name":"Two"},{"AssetId":"3","Type":"Form","Name":"Three","Children":[{"AssetId":"9","Type":"Text"}]}]}})";
    server.setResponder([&](const RecordedRequest& request) {
        return json(request.target.find("assetid=5") != std::string::npos ? reply : R"({"Message":{"Type":"Directory","Children":[]}})");
    });
    auto manager = pageWith(JsonArray::create());
    manager->loadTabbarForObject(record(R"({"AssetId":"5","Type":"Tabbar"})"));
    manager->loadTabbarForObject(record(R"({"AssetId":"6","Type":"Tabbar"})"));
    settle();
    auto& shell = *shellGuard.shell;
    ASSERT_EQ(shell.updated.size(), 1u);
    ASSERT_EQ(shell.updated[0].size(), 2u);
    EXPECT_EQ(shell.updated[0][0]->title(), "One");
    auto three = std::dynamic_pointer_cast<DirectoryViewController>(shell.updated[0][1]);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->title(), "Three");
    EXPECT_TRUE(three->dataManager()->isForm());
    EXPECT_EQ(three->dataManager()->objects()->size(), 1u);
}

TEST_F(LoaderTest, BadRepliesNeverCrashALoader)
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
        auto target = record(std::string(R"({"AssetId":")") + id + R"(","Type":"Directory","Name":"x"})");
        manager->loadDocumentForObject(target, page);
        manager->loadTabbarForObject(target);
        manager->loadDirectoryForObject(target, page);
    }
    settle();
    // A directory without a list opens as an empty page; the others open nothing.
    EXPECT_TRUE(shellGuard.shell->updated.empty());
    ASSERT_EQ(nav->viewControllers().size(), 4u);
    for (size_t i = 1; i < 4; ++i) {
        auto empty = std::dynamic_pointer_cast<DirectoryViewController>(nav->viewControllers()[i]);
        ASSERT_TRUE(empty);
        EXPECT_TRUE(empty->dataSource()->dataManager()->objects()->empty());
    }

    // And with no server at all.
    model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:1"));
    manager->loadDocumentForObject(record(R"({"AssetId":"7","Type":"Document"})"), page);
    manager->loadTabbarForObject(record(R"({"AssetId":"7","Type":"Tabbar"})"));
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 4u);
    EXPECT_TRUE(shellGuard.shell->updated.empty());
}

TEST_F(LoaderTest, ARepliesArrivingAfterTheCoordinatorIsGoneDoNothing)
{
    useReferenceServer();
    AssetRecord home = directory("");
    auto manager = pageWith(asset::list(home));
    AssetRecord gallery = childNamed(home, "Gallery");
    AssetRecord assessment = childNamed(home, "Resident assessment");
    manager->loadDirectoryForObject(gallery, page);
    manager->loadDocumentForObject(assessment, page);
    manager->loadTabbarForObject(record(R"({"AssetId":")" + home->get("ParentId").asString() + R"(","Type":"Tabbar"})"));
    std::weak_ptr<DataManager> weak = manager;
    page->setDataSource(nullptr);
    page->setDataManager(nullptr);
    manager.reset();
    EXPECT_FALSE(weak.lock());
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_TRUE(shellGuard.shell->updated.empty());
}

TEST_F(LoaderTest, EditModeOpensTheEditorOfTheRecordTypePushedOrModal)
{
    auto manager = pageWith(listOf({ record(R"({"AssetId":"1","Type":"Image","Name":"Image"})"),
        record(R"({"AssetId":"2","Type":"Text","Name":"Text"})"), record(R"({"AssetId":"3","Type":"TextField","Name":"TextField"})"),
        record(R"({"AssetId":"4","Type":"TextView","Name":"TextView"})"), record(R"({"AssetId":"5","Type":"YoutubeVideo","Name":"YoutubeVideo"})"),
        record(R"({"AssetId":"6","Type":"Directory","Name":"Directory"})"), record(R"({"AssetId":"7","Type":"Form","Name":"Form"})"),
        record(R"({"AssetId":"8","Type":"Event","Name":"Event"})"), record(R"({"AssetId":"9","Type":"Document","Name":"Document"})") }));

    struct Pushed {
        const char* name;
        const char* editor;
        const char* title;
        bool textInput;
    };
    for (const Pushed& expected : { Pushed { "Image", "ImageSelectionViewController", "Select image", false },
             Pushed { "Text", "TextEditorViewController", "", false }, Pushed { "TextField", "TextEditorViewController", "", true },
             Pushed { "TextView", "TextEditorViewController", "", true }, Pushed { "YoutubeVideo", "TextEditorViewController", "", false } }) {
        select(*manager, expected.name, true);
        auto editor = top<PendingEditorViewController>();
        ASSERT_TRUE(editor) << expected.name;
        EXPECT_EQ(editor->editor(), expected.editor);
        EXPECT_EQ(editor->title(), expected.title);
        EXPECT_EQ(editor->isTextInput(), expected.textInput) << expected.name;
        EXPECT_EQ(asset::name(editor->object()), expected.name);
        EXPECT_TRUE(editor->completionHandler());
        nav->popViewController(Animated::No);
    }
    for (const char* name : { "Directory", "Form", "Event", "Document" }) {
        select(*manager, name, true);
        EXPECT_EQ(nav->viewControllers().size(), 1u) << name;
        auto editor = presentedEditor();
        ASSERT_TRUE(editor) << name;
        EXPECT_EQ(editor->editor(), "EditDirectoryViewController");
        EXPECT_EQ(editor->title(), "Edit Directory");
        EXPECT_EQ(editor->parent().get(), static_cast<DataManagerScreen*>(page.get()));
        EXPECT_EQ(asset::name(editor->object()), name);
        EXPECT_EQ(page->lastPresentationAnimated(), Animated::Yes);
        page->dismissViewController(Animated::No);
    }
}

TEST_F(LoaderTest, TheEditorsHandlerTakesTheAnswersListClosesTheEditorAndReloads)
{
    auto manager = pageWith(listOf({ record(R"({"AssetId":"1","Type":"Text","Name":"Text"})"),
        record(R"({"AssetId":"6","Type":"Directory","Name":"Directory"})") }));
    auto answer = JsonParser::parse(R"({"Type":"Directory","Children":[{"AssetId":"1","Type":"Text","Name":"Edited"},
        {"AssetId":"6","Type":"Directory","Name":"Directory"},{"AssetId":"8","Type":"Text","Name":"New"}]})");

    select(*manager, "Text", true);
    auto text = top<PendingEditorViewController>();
    ASSERT_TRUE(text);
    page->tableView()->layoutAllRows();
    text->completionHandler()(answer);
    EXPECT_EQ(top<PendingEditorViewController>(), text); // nothing happens off the main queue
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(nav->topViewController(), page);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    ASSERT_EQ(manager->objects()->size(), 3u);
    EXPECT_EQ(asset::name(manager->objects()->at(0).object()), "Edited");
    EXPECT_FALSE(page->tableView()->cellForRowAtIndexPath({ 0, 0 })); // reloaded

    // The modal directory editor is dismissed; the page itself stays on its stack.
    select(*manager, "Directory", true);
    auto modal = presentedEditor();
    ASSERT_TRUE(modal);
    modal->completionHandler()(JsonParser::parse(R"({"Type":"Directory"})"));
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(page->presentedViewController());
    EXPECT_EQ(nav->topViewController(), page);
    EXPECT_TRUE(manager->objects()->empty()); // an answer without a list empties the page

    // A handler whose coordinator is gone does nothing.
    manager->setObjects(listOf({ record(R"({"AssetId":"1","Type":"Text","Name":"Text"})") }));
    select(*manager, "Text", true);
    auto late = top<PendingEditorViewController>();
    ASSERT_TRUE(late);
    auto handler = late->completionHandler();
    std::weak_ptr<DataManager> weak = manager;
    page->setDataSource(nullptr);
    page->setDataManager(nullptr);
    manager.reset();
    ASSERT_FALSE(weak.lock());
    handler(answer);
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(top<PendingEditorViewController>(), late);
}

TEST_F(LoaderTest, EventsOpenTheEventScreenAndCarouselChoicesAndImageChangesPushTheirScreens)
{
    auto event = record(R"({"AssetId":"8","Type":"Event","Name":"Fair","date":"2027-07-03 14:00:00"})");
    auto manager = pageWith(listOf({ event }));
    manager->didSelectObjectAtIndexPath(page, { 0, 0 }, false);
    auto eventScreen = top<HidingNavTableViewController>();
    ASSERT_TRUE(eventScreen);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    EXPECT_EQ(eventScreen->rowHeight(), 42);
    auto source = std::dynamic_pointer_cast<EventDataSource>(eventScreen->dataSource());
    ASSERT_TRUE(source);
    EXPECT_EQ(source->event(), event);
    EXPECT_EQ(source->dataManager(), manager);
    EXPECT_EQ(manager->viewController().get(), static_cast<DataManagerScreen*>(eventScreen.get()));

    // The event screen's picture area asks the coordinator for image selection.
    manager->changeImageForAsset(event);
    auto selection = top<PendingEditorViewController>();
    ASSERT_TRUE(selection);
    EXPECT_EQ(selection->title(), "Select image");
    EXPECT_EQ(selection->object(), event);
    nav->popViewController(Animated::No);
    nav->popViewController(Animated::No);
    // Back on the page, the coordinator answers to the page again, so carousel choices open.
    EXPECT_EQ(manager->viewController().get(), static_cast<DataManagerScreen*>(page.get()));

    manager->didSelectObject(record(R"({"AssetId":"3","Type":"Image","Name":"Lounge"})"));
    auto viewer = top<PendingEditorViewController>();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->editor(), "ImageViewController");
    EXPECT_EQ(viewer->title(), "Lounge");
    nav->popViewController(Animated::No);
    manager->didSelectObject(record(R"({"AssetId":"4","Type":"Text","Name":"Words"})"));
    EXPECT_EQ(nav->viewControllers().size(), 1u);

    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"Message":{"Type":"Directory","name":"Gallery","Children":[]}})"); });
    manager->didSelectObject(record(R"({"AssetId":"5","Type":"Directory","Name":"Gallery"})"));
    settle();
    auto gallery = top<DirectoryViewController>();
    ASSERT_TRUE(gallery);
    EXPECT_EQ(gallery->title(), "Gallery");
    EXPECT_EQ(onlyRequest().target, base() + "contentForNode?assetid=5");
}
