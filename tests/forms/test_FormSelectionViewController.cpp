// The page chooser: the owner's pages from the reference server, a choice handed to the
// receiving screen, cancel, and replies that carry no page list.

#include "forms/FormSelectionViewController.h"

#include "content/ContentFixture.h"
#include "platform/JsonParser.h"
#include "server/QuindleServer.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

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
    std::vector<std::string> rows()
    {
        std::vector<std::string> names;
        for (int i = 0; i < table->numberOfRowsInSection(0); ++i)
            names.push_back(chooser->cellForRowAtIndexPath(*table, { 0, i })->textLabel()->text());
        return names;
    }
    void login()
    {
        Collector done;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, done.handler());
        ASSERT_TRUE(done.waitFor(1));
    }

    std::shared_ptr<RecordingTarget> target = std::make_shared<RecordingTarget>();
    std::shared_ptr<ViewController> editor = ViewController::create("Add page");
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> nav;
    std::shared_ptr<FormSelectionViewController> chooser;
    std::shared_ptr<TableView> table;
};

} // namespace

TEST_F(PageChooser, ListsTheOwnersPagesAndHandsTheChosenOneBack)
{
    useReferenceServer();
    login();
    Collector fetch;
    model().fetchPageListWithCompletionHandler(fetch.handler());
    Outcome outcome = fetch.single();
    ASSERT_TRUE(outcome.content && outcome.content->isObject());
    JsonArrayPtr pages = outcome.content->object()->get("PageList").array();
    ASSERT_TRUE(pages && pages->size() >= 2);

    open();
    std::vector<std::string> expected;
    for (const JsonValue& page : pages->items())
        expected.push_back(page.object()->get("Name").asString());
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(chooser->leftBarButtonItem()->displayTitle(), "Cancel");

    EXPECT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(target->linkAssetId, pages->at(1).object()->get("Id").asString());
    EXPECT_EQ(target->linkName, expected[1]);
    EXPECT_EQ(nav->topViewController(), editor);
}

TEST_F(PageChooser, CancelGoesBackWithoutAChoice)
{
    useReferenceServer();
    login();
    open();
    ASSERT_GT(table->numberOfRowsInSection(0), 0);
    chooser->leftBarButtonItem()->press();
    EXPECT_EQ(nav->topViewController(), editor);
    EXPECT_FALSE(target->linkAssetId);
    EXPECT_FALSE(target->linkName);
}

TEST_F(PageChooser, RepliesWithoutAPageListLeaveItEmpty)
{
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
        EXPECT_EQ(rows(), std::vector<std::string> {}) << c.name;
        EXPECT_EQ(nav->topViewController(), chooser) << c.name;
        EXPECT_FALSE(target->linkAssetId) << c.name;
    }
}
