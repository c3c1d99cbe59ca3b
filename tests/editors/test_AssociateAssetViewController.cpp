// The workflow association screen: the session's workflows as rows, the link request of a row,
// and what a stored and a refused link do.

#include "editors/AssociateAssetViewController.h"

#include "PageEditorFixture.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class Associate : public PageEditorFixture {
protected:
    void open(const std::string& assetID)
    {
        screen = AssociateAssetViewController::create(assetID, [this](std::optional<JsonValue> answer) { answers.push_back(std::move(answer)); });
        pageStack->pushViewController(screen, Animated::No);
        table = screen->tableView();
    }
    std::shared_ptr<AssociateAssetViewController> screen;
    std::shared_ptr<TableView> table;
    std::vector<std::optional<JsonValue>> answers;
};

TEST_F(Associate, LinksTheChosenWorkflowOnTheReferenceServer)
{
    loginToReference();
    JsonArrayPtr workflows = model().workflow();
    ASSERT_TRUE(workflows && workflows->size() >= 2);
    const std::string first = workflows->at(0).object()->get("assetID").asString();
    const std::string second = workflows->at(1).object()->get("assetID").asString();
    open(second);
    ASSERT_EQ(table->numberOfRowsInSection(0), static_cast<int>(workflows->size()));
    TableLayout layout = table->layoutAllRows();
    EXPECT_EQ(layout.rows[0].cell->reuseIdentifier(), "assCell");
    EXPECT_EQ(layout.rows[0].cell->textLabel()->text(), workflows->at(0).object()->get("name").asString());

    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    settle();
    ASSERT_EQ(answers.size(), 1u);
    JsonArrayPtr linked = answers[0]->isObject() ? answers[0]->object()->get("list").array() : nullptr;
    ASSERT_TRUE(linked);
    ASSERT_EQ(linked->size(), 1u);
    EXPECT_EQ(linked->at(0).object()->get("assetID").asString(), first);

    // Linking a workflow to itself is refused: no report, an alert.
    ASSERT_TRUE(table->selectRow({ 0, 1 }));
    settle();
    EXPECT_EQ(answers.size(), 1u);
    ASSERT_TRUE(screen->failureAlert());
    EXPECT_EQ(screen->failureAlert()->title(), "Not linked");
}

TEST_F(Associate, SendsTheReceiverThenTheLinkedWorkflow)
{
    // The session's workflows come with the login reply.
    server.setResponder([](const RecordedRequest& request) {
        if (request.path.find("login") != std::string::npos)
            return json(R"({"Message":{"User":{},"Profile":[{"type":"Workflow","name":"Admission","assetID":"41"}]}})");
        return json(R"({"Message":{"list":[]}})");
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
