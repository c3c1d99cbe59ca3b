// The next-workflow list: its request, its rows, and "add" through the shell's chooser.
#include "forms/NextWorkflowViewController.h"

#include "CareFixture.h"
#include "ui/NavigationController.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class ChooserShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> makeAssociateAssetViewController(const std::string& assetID, EditorCompletion completion) override
    {
        asked.push_back(assetID);
        return record("AssociateAssetViewController", nullptr, std::move(completion));
    }
    std::vector<std::string> asked;
};

class NextWorkflows : public CareFixture { };

TEST_F(NextWorkflows, FetchesTheAssociatedAssetsAndFetchesAgainAfterAnAddition)
{
    auto shellWithChooser = std::make_shared<ChooserShell>();
    ApplicationShell::setShared(shellWithChooser);
    std::string reply = R"({"Message":{"list":[{"name":"Monthly review","assetID":"8"}]}})";
    server.setResponder([&reply](const RecordedRequest&) { return json(reply); });
    auto screen = NextWorkflowViewController::create("7");
    auto stack = NavigationController::create(screen);
    auto table = screen->tableView();
    ASSERT_TRUE(waitFor(1));
    settle();
    EXPECT_EQ(screen->title(), "Next workflow");
    EXPECT_EQ(server.requests().at(0).target, base() + "associatedAssets.php?a=7");
    ASSERT_EQ(screen->numberOfRowsInSection(*table, 0), 1);
    EXPECT_EQ(text(*screen, *table, 0, 0), "Monthly review");

    ASSERT_EQ(screen->rightBarButtonItem()->title(), "add");
    screen->rightBarButtonItem()->press();
    ASSERT_EQ(shellWithChooser->asked, std::vector<std::string> { "7" });
    EXPECT_TRUE(screen->presentedViewController());
    reply = R"({"Message":{"list":[{"name":"Monthly review","assetID":"8"},{"name":"Discharge","assetID":"9"}]}})";
    shellWithChooser->editors.at(0)->completion(JsonValue(JsonObject::create()));
    EXPECT_EQ(server.requests().size(), 1u); // the chooser's answer is taken on the main queue
    MainQueue::shared().runUntilIdle();
    ASSERT_TRUE(waitFor(2));
    settle();
    EXPECT_FALSE(screen->presentedViewController());
    ASSERT_EQ(screen->numberOfRowsInSection(*table, 0), 2);
    EXPECT_EQ(text(*screen, *table, 0, 1), "Discharge");
}

TEST_F(NextWorkflows, AFailedFetchKeepsTheRows)
{
    int status = 200;
    server.setResponder([&status](const RecordedRequest&) { return json(R"({"Message":{"list":[{"name":"Monthly review"}]}})", status); });
    auto screen = NextWorkflowViewController::create("7");
    auto table = screen->tableView();
    ASSERT_TRUE(waitFor(1));
    settle();
    status = 500;
    screen->fetchAssociatedAssets();
    ASSERT_TRUE(waitFor(2));
    settle();
    EXPECT_EQ(screen->numberOfRowsInSection(*table, 0), 1);
}

} // namespace
