// The form field editor and its type list: the legacy addAsset.php request, the checks before
// sending, and a refused field that keeps the screen open. (That the reference server lists a
// new field among the form's items is checked by the text client's test and the server's.)

#include "editors/FormAddAssetViewController.h"

#include "editors/EditorFixture.h"
#include "editors/FormAssetTypeViewController.h"
#include "ui/Label.h"
#include "ui/TextField.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class AddField : public EditorFixture {
protected:
    void open(const std::string& formID = "55")
    {
        screen = FormAddAssetViewController::create(formID, [this](std::optional<JsonValue> answer) { reports.push_back(answer); }, model());
        present(screen);
        screen->tableView()->layoutAllRows();
    }
    void chooseType(int row)
    {
        ASSERT_TRUE(screen->tableView()->selectRow({ 0, FormAddAssetViewController::TypeRow }));
        auto chooser = std::dynamic_pointer_cast<FormAssetTypeViewController>(stack->topViewController());
        ASSERT_TRUE(chooser);
        ASSERT_TRUE(chooser->tableView()->selectRow({ 0, row }));
        EXPECT_EQ(stack->topViewController(), screen);
    }
    std::string typeDetail() { return screen->tableView()->layoutAllRows().rows.at(1).cell->detailTextLabel()->text(); }
    void save()
    {
        screen->rightBarButtonItem()->press();
        settle();
    }

    std::shared_ptr<FormAddAssetViewController> screen;
    std::vector<std::optional<JsonValue>> reports;
};

} // namespace

TEST_F(AddField, TheTypeListSetsTheTypeShownInTheTypeRow)
{
    open();
    EXPECT_EQ(screen->leftBarButtonItem()->displayTitle(), "Cancel");
    EXPECT_EQ(screen->tableView()->heightForRowAtIndexPath({ 0, 1 }), 40);
    EXPECT_EQ(typeDetail(), "");
    const std::vector<std::string> types { "Text", "Number", "Select" };
    for (int row = 0; row < 3; ++row) {
        chooseType(row);
        EXPECT_EQ(screen->type(), types[row]);
        EXPECT_EQ(typeDetail(), types[row]);
    }
}

TEST_F(AddField, SendsTheEncodedNameAndThePlainType)
{
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"assetID":"90","name":"x","type":"Number"}})"); });
    open();
    screen->nameField()->type("Weight/kg: today");
    chooseType(1);
    save();
    EXPECT_EQ(onlyRequest().target, "/json/addAsset.php?assetID=55&name=Weight%2fkg%3a%20today&type=Number");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->object()->get("assetID").asString(), "90");
    EXPECT_TRUE(shown());
}

// Nothing is sent without a name and a type; a refused or broken reply is not reported.
TEST_F(AddField, MissingInputsAndFailedRepliesKeepTheScreenWithAnAlert)
{
    struct Case {
        std::string name;
        int typeRow;
        int status;
        std::string body;
        std::string title;
        size_t requests;
    } cases[] = {
        { "", 0, 200, "{}", "Name needed", 0 },
        { "Height", -1, 200, "{}", "Type needed", 0 },
        { "Height", 0, 404, R"({"error":"unknown id"})", "Field not added", 1 },
        { "Height", 0, 200, "<html>", "Field not added", 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + " " + std::to_string(c.status));
        server.setResponder([&](const RecordedRequest&) { return json(c.body, c.status); });
        open();
        screen->nameField()->type(c.name);
        if (c.typeRow >= 0)
            chooseType(c.typeRow);
        save();
        EXPECT_EQ(server.requests().size(), c.requests);
        EXPECT_TRUE(reports.empty());
        EXPECT_TRUE(shown());
        EXPECT_EQ(screen->nameField()->text(), c.name);
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), c.title);
        alert()->chooseButton(0);
        root->dismissViewController(Animated::No);
    }
}

TEST_F(AddField, CancelClosesWithoutARequest)
{
    open();
    screen->leftBarButtonItem()->press();
    EXPECT_FALSE(shown());
    EXPECT_TRUE(server.requests().empty());
}
