// The content coordinator: item lists, bar buttons, the edit flow, and the requests of delete,
// restore and form sending against a loopback server.
#include "content/DataManager.h"

#include "content/ContentFixture.h"
#include "core/ModelFixture.h"
#include "platform/MainQueue.h"
#include "platform/JsonParser.h"
#include "platform/NotificationCenter.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

/// A page screen that records what the coordinator asks of it.
class RecordingScreen : public DataManagerScreen {
public:
    void refresh() override { ++refreshes; }
    void done() override
    {
        itemEditMode = false;
        tableEditing = false;
    }
    void editTable() override { itemEditMode = !itemEditMode; }
    bool editMode() const override { return itemEditMode; }
    bool isRootController() const override { return root; }
    bool isTableEditing() const override { return tableEditing; }
    void setTableEditing(bool editing, Animated) override { tableEditing = editing; }
    std::shared_ptr<ViewController> screenController() override { return controller; }

    std::shared_ptr<ViewController> controller = ViewController::create("Page");
    int refreshes = 0;
    bool itemEditMode = false;
    bool tableEditing = false;
    bool root = false;
};

JsonArrayPtr items(const std::string& json)
{
    return JsonParser::parse(json)->array();
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
    std::shared_ptr<RecordingScreen> screen = std::make_shared<RecordingScreen>();
};

} // namespace

TEST_F(DataManagerTest, SubmitItemsStayOutOfTheVisibleListAndDeletedOnesGetOneRestoreControl)
{
    auto manager = page(R"([{"AssetId":"1","Type":"Text","Name":"a"},{"AssetId":"2","Type":"Submit","Name":"s"},
        {"AssetId":"3","Type":"Text","Name":"b","IsDeleted":"true"}])");
    ASSERT_EQ(manager->objects()->size(), 2u);
    EXPECT_EQ(asset::ident(manager->objects()->at(0).object()), "1");
    EXPECT_EQ(asset::ident(manager->objects()->at(1).object()), "3");
    EXPECT_EQ(manager->allObjects()->size(), 3u);
    auto deleted = manager->objects()->at(1).object();
    auto button = DataManager::restoreButtonOf(deleted);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->title(), "Restore");
    EXPECT_FALSE(DataManager::restoreButtonOf(manager->objects()->at(0).object()));
    manager->updateWithObjects(manager->allObjects()); // the same record objects again
    EXPECT_EQ(DataManager::restoreButtonOf(deleted), button);
    manager->updateWithObjects(nullptr);
    EXPECT_EQ(manager->objects()->size(), 0u);
}

TEST_F(DataManagerTest, BarButtonsFollowLoginOwnershipRootAndFormState)
{
    auto manager = page("[]", "token-1");
    auto& controller = *screen->controller;
    auto back = BarButtonItem::create("Back", BarButtonStyle::Plain, {});
    controller.setLeftBarButtonItem(back);

    manager->configureBarbuttons(); // logged out, pushed page
    EXPECT_EQ(rightButtons(controller), std::vector<std::string>({ "Login" }));
    EXPECT_EQ(controller.leftBarButtonItem(), back);
    screen->root = true;
    manager->configureBarbuttons();
    ASSERT_TRUE(controller.leftBarButtonItem());
    EXPECT_EQ(controller.leftBarButtonItem()->title(), "Register");

    model().setAuthToken("token-1");
    manager->configureBarbuttons(); // the root screen of a user who is not root
    EXPECT_TRUE(controller.rightBarButtonItems().empty());
    EXPECT_FALSE(controller.leftBarButtonItem());

    screen->root = false;
    controller.setLeftBarButtonItem(back);
    manager->configureBarbuttons();
    EXPECT_EQ(rightButtons(controller), std::vector<std::string>({ "+", "Edit" }));
    EXPECT_EQ(controller.leftBarButtonItem(), back);
    screen->tableEditing = true;
    manager->configureBarbuttons();
    EXPECT_EQ(rightButtons(controller), std::vector<std::string>({ "+", "Done" }));

    manager->setForm(true); // reordering keeps Edit on a form page
    manager->configureBarbuttons();
    EXPECT_EQ(rightButtons(controller), std::vector<std::string>({ "Send", "+", "Edit" }));
    screen->itemEditMode = true;
    manager->configureBarbuttons();
    EXPECT_EQ(rightButtons(controller), std::vector<std::string>({ "Send", "+", "Done" }));

    model().setAuthToken("another-token");
    manager->configureBarbuttons();
    EXPECT_EQ(rightButtons(controller), std::vector<std::string>({ "Send" }));
    manager->setForm(false);
    manager->configureBarbuttons();
    EXPECT_TRUE(controller.rightBarButtonItems().empty());

    // An asset without an owner gives nobody edit rights, a blank token included.
    model().setAuthToken("");
    manager->setAsset(JsonObject::create());
    EXPECT_FALSE(manager->isOwner());
}

TEST_F(DataManagerTest, AddOpensTheMenuConfiguredFromThePageAndItsAnswerReplacesTheListOnTheMainQueue)
{
    ShellGuard shell;
    struct Case {
        const char* title;
        bool restricted;
        const char* assetID; // "" falls back to the page record's id
    };
    for (const Case& c : { Case { "Page", false, "10" }, Case { "Images", false, "" }, Case { "Tab Edit", true, "12" } }) {
        auto manager = page("[]", "token-1");
        model().setAuthToken("token-1");
        screen->controller->setTitle(c.title);
        manager->setAssetID(c.assetID);
        manager->setRestricted(c.restricted);
        manager->setLinkedObjects(items(R"([{"AssetId":"3"}])"));
        manager->configureBarbuttons();
        screen->controller->rightBarButtonItems()[0]->press();
        auto stack = std::dynamic_pointer_cast<NavigationController>(screen->controller->presentedViewController());
        ASSERT_TRUE(stack) << c.title;
        auto menu = std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController());
        ASSERT_TRUE(menu);
        const DirectoryActionsSetup& setup = menu->setup;
        EXPECT_EQ(std::make_tuple(setup.restrictToImages, setup.restrictToDirectory, setup.assetID, setup.object, setup.objects),
            std::make_tuple(std::string(c.title) == "Images", c.restricted, std::string(*c.assetID ? c.assetID : "10"), manager->asset(),
                manager->linkedObjects()));
        EXPECT_EQ(setup.cont.lock(), screen->controller);

        // The menu reports from a reply's thread: nothing changes before the main queue runs, and
        // a "Submit" item stays hidden as after a reload.
        const int refreshes = screen->refreshes;
        menu->completion(*JsonParser::parse(R"({"Children":[{"AssetId":"5","Type":"Text"},{"AssetId":"6","Type":"Submit"}]})"));
        EXPECT_TRUE(manager->objects()->empty());
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(manager->objects()->size(), 1u);
        EXPECT_EQ(manager->allObjects()->size(), 2u);
        EXPECT_GT(screen->refreshes, refreshes);
        menu->completion(std::nullopt); // a failed add keeps the list
        MainQueue::shared().runUntilIdle();
        EXPECT_EQ(manager->objects()->size(), 1u);
        screen->controller->dismissViewController(Animated::No);
    }
}

TEST_F(DataManagerTest, AnEditorReplyAboutAnotherDirectoryReloadsThePageInsteadOfShowingThatDirectorysItems)
{
    ShellGuard shell;
    server.setResponder([](const RecordedRequest&) {
        return makeReply(200, R"({"Message":{"AssetId":"10","Children":[{"AssetId":"1","Type":"Text"},{"AssetId":"2","Type":"Text"}]}})");
    });
    struct Case {
        const char* reply;
        size_t requests; // contentForNode requests the reply leads to
        const char* firstShown;
    };
    for (const Case& c : { Case { R"({"AssetId":"10","Children":[{"AssetId":"7","Type":"Text"}]})", 0, "7" },
             Case { R"({"AssetId":"11","Children":[{"AssetId":"8","Type":"Image"}]})", 1, "1" } }) {
        auto manager = page(R"([{"AssetId":"3","Type":"Text"}])", "token-1");
        model().setAuthToken("token-1");
        manager->configureBarbuttons();
        screen->controller->rightBarButtonItems()[0]->press();
        auto stack = std::dynamic_pointer_cast<NavigationController>(screen->controller->presentedViewController());
        auto menu = stack ? std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController()) : nullptr;
        ASSERT_TRUE(menu) << c.reply;
        const size_t before = server.requests().size();
        menu->completion(*JsonParser::parse(c.reply));
        MainQueue::shared().runUntilIdle();
        if (c.requests) {
            ASSERT_TRUE(server.waitForRequests(before + c.requests)) << c.reply;
        }
        MainQueue::shared().runUntil([&] { return asset::ident(manager->objects()->at(0).object()) == c.firstShown; },
            std::chrono::seconds(10));
        EXPECT_EQ(asset::ident(manager->objects()->at(0).object()), c.firstShown) << c.reply;
        ASSERT_EQ(server.requests().size(), before + c.requests) << c.reply;
        if (c.requests) {
            EXPECT_EQ(server.requests().back().target, base() + "contentForNode?assetid=10");
        }
        screen->controller->dismissViewController(Animated::No);
    }
}

TEST_F(DataManagerTest, EditPageAlertCancelReorderAndDone)
{
    auto manager = page("[]");
    manager->editTable();
    auto alert = manager->editAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Edit Page");
    EXPECT_EQ(alert->message(), "Do you want to reorder or edit the items?");
    EXPECT_EQ(alert->buttonTitles(), std::vector<std::string>({ "Cancel", "Reorder", "Edit items" }));
    EXPECT_TRUE(manager->isEditing());
    ASSERT_TRUE(alert->chooseButton(0));
    EXPECT_FALSE(manager->isEditing());
    EXPECT_FALSE(screen->tableEditing);

    manager->editTable(); // the alert again after Cancel
    ASSERT_TRUE(manager->editAlert());
    ASSERT_TRUE(manager->editAlert()->chooseButton(1));
    EXPECT_TRUE(screen->tableEditing);
    EXPECT_TRUE(manager->isEditing());
    manager->editTable(); // Done
    EXPECT_FALSE(screen->tableEditing);
    EXPECT_FALSE(manager->isEditing());

    manager->editTable();
    ASSERT_TRUE(manager->editAlert()->chooseButton(2));
    EXPECT_TRUE(screen->itemEditMode);
    manager->editTable();
    EXPECT_FALSE(screen->itemEditMode);
}

TEST_F(DataManagerTest, DeleteAndRestoreChangeTheListAtOnceAndEveryPageReloadsAfterTheAnswer)
{
    server.setResponder([](const RecordedRequest& request) {
        if (request.path.find("contentForNode") != std::string::npos)
            return makeReply(200, R"({"Message":{"AssetId":"10","Children":[{"AssetId":"1","Type":"Text"}]}})");
        return makeReply(200, R"({"Message":"ok"})");
    });
    auto manager = page(R"([{"AssetId":"1","Type":"Text"},{"AssetId":"5","Type":"Text","IsDeleted":"true"}])");
    int otherReloads = 0;
    auto other = DataManager::create(nullptr, model(), [&] { ++otherReloads; });

    manager->deleteAssetAtIndexPath(0);
    EXPECT_EQ(manager->objects()->size(), 1u);
    manager->deleteAssetAtIndexPath(7); // no such row: nothing
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.requests()[0].target, base() + "deleteAsset?assetid=1");
    MainQueue::shared().runUntil([&] { return otherReloads == 1; }, std::chrono::seconds(10));
    EXPECT_EQ(otherReloads, 1);
    ASSERT_TRUE(server.waitForRequests(2)); // this page fetches its own directory
    EXPECT_EQ(server.requests()[1].target, base() + "contentForNode?assetid=10");
    MainQueue::shared().runUntil([&] { return manager->objects()->size() == 1 && asset::ident(manager->objects()->at(0).object()) == "1"; },
        std::chrono::seconds(10));

    auto deleted = JsonParser::parse(R"([{"AssetId":"5","Type":"Text","IsDeleted":"true"}])")->array();
    manager->updateWithObjects(deleted);
    const int refreshesBefore = screen->refreshes;
    auto button = DataManager::restoreButtonOf(manager->objects()->at(0).object());
    ASSERT_TRUE(button && button->tap());
    EXPECT_EQ(manager->objects()->size(), 0u);
    EXPECT_GT(screen->refreshes, refreshesBefore);
    ASSERT_TRUE(server.waitForRequests(3));
    EXPECT_EQ(server.requests()[2].target, base() + "restoreAsset?assetid=5");
    MainQueue::shared().runUntil([&] { return otherReloads == 2; }, std::chrono::seconds(10));
    EXPECT_EQ(otherReloads, 2);
}

TEST_F(DataManagerTest, SendFormPostsFormIdAndTheLaterOfTwoSameNamedValues)
{
    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"Message":"ok"})"); });
    auto manager = page("[]");
    manager->setAssetID("42");
    auto first = JsonParser::parse(R"({"AssetId":"1","Type":"TextField","Name":"Email","Value":"old@x"})")->object();
    auto second = JsonParser::parse(R"({"AssetId":"2","Type":"TextField","Name":"Email","Value":"new@x"})")->object();
    auto third = JsonParser::parse(R"({"AssetId":"3","Type":"Text","Name":"Note","Data":"fixed"})")->object();
    const int refreshesBefore = screen->refreshes;
    manager->sendForm({ first, second, third });
    ASSERT_TRUE(server.waitForRequests(1));
    auto request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, base() + "sendForm");
    EXPECT_EQ(request.body, R"({"formid":"42","Email":"new@x","Note":"fixed"})");
    MainQueue::shared().runUntil([&] { return screen->refreshes > refreshesBefore; }, std::chrono::seconds(10));
    EXPECT_GT(screen->refreshes, refreshesBefore);
}
