// The page and form editor: its rows, the next-page choice, the exact makePage / makeForm
// requests, and that a page the server did not add never looks added.

#include "editors/AddDirectoryViewController.h"

#include "editors/EditorFixture.h"
#include "forms/FormSelectionViewController.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

const char* const directoryReply = R"({"Message":{"AssetId":"7","Name":"Home","Children":[{"AssetId":"8","Name":"News","Type":"Directory"}]}})";

class AddDirectory : public EditorFixture {
protected:
    void open(bool isForm)
    {
        editor = AddDirectoryViewController::create(model());
        editor->setIsForm(isForm);
        editor->setAssetID("7");
        editor->setCompletionHandler([this](std::optional<JsonValue> answer) {
            reports.push_back(answer);
            reportedOnMain = MainQueue::shared().isMainThread();
        });
        present(editor);
        editor->tableView();
    }
    std::vector<std::string> labels()
    {
        std::vector<std::string> out;
        for (const auto& row : editor->tableView()->layoutAllRows().rows)
            out.push_back(row.cell->textLabel()->text());
        return out;
    }
    std::vector<double> heights()
    {
        std::vector<double> out;
        auto table = editor->tableView();
        for (int row = 0; row < table->numberOfRowsInSection(0); ++row)
            out.push_back(table->heightForRowAtIndexPath({ 0, row }));
        return out;
    }
    void saveAndSettle()
    {
        editor->rightBarButtonItem()->press();
        settle();
    }

    std::shared_ptr<AddDirectoryViewController> editor;
    std::vector<std::optional<JsonValue>> reports;
    bool reportedOnMain = false;
};

} // namespace

TEST_F(AddDirectory, PageAndFormRows)
{
    open(false);
    EXPECT_EQ(editor->title(), "Add Directory");
    EXPECT_EQ(labels(), (std::vector<std::string> { "Enter name of new directory", "" }));
    EXPECT_EQ(heights(), (std::vector<double> { 42, 42 }));
    open(true);
    EXPECT_EQ(editor->title(), "Add Form");
    EXPECT_EQ(labels(), (std::vector<std::string> { "Enter name of new form", "", "Enter success message", "", "Select next page" }));
    EXPECT_EQ(heights(), (std::vector<double> { 42, 42, 42, AddDirectoryViewController::messageCellHeight, 42 }));
}

TEST_F(AddDirectory, TheChosenPageShowsAsTheLinkWhenTheEditorReappears)
{
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"PageList":[{"Name":"Thanks","Id":"31"}]}})"); });
    open(true);
    editor->tableView()->layoutAllRows();
    ASSERT_TRUE(editor->tableView()->selectRow({ 0, AddDirectoryViewController::NextPageRow }));
    auto chooser = std::dynamic_pointer_cast<FormSelectionViewController>(stack->topViewController());
    ASSERT_TRUE(chooser);
    chooser->tableView();
    settle();
    ASSERT_TRUE(chooser->tableView()->selectRow({ 0, 0 }));
    EXPECT_EQ(stack->topViewController(), editor);
    EXPECT_EQ(editor->linkAssetId(), "31");
    EXPECT_EQ(labels().back(), "Link to Thanks");
}

// The exact requests, and the answer handed on unchanged on the main queue.
TEST_F(AddDirectory, SendsMakePageAndMakeFormAndReportsTheDirectory)
{
    struct Case {
        bool isForm;
        std::string name, message, linkId, target;
    } cases[] = {
        { false, "Our team", "", "", "makePage?assetid=7&name=Our%20team" },
        { true, "Sign up", "Thanks", "", "makeForm?assetid=7&name=Sign%20up&message=Thanks&linkassetid=" },
        { true, "a/b:c", "See you", "31", "makeForm?assetid=7&name=a%2fb%3ac&message=See%20you&linkassetid=31" },
    };
    server.setResponder([](const RecordedRequest&) { return json(directoryReply); });
    size_t seen = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        reports.clear();
        open(c.isForm);
        editor->directoryNameField()->type(c.name);
        editor->messageView()->type(c.message);
        if (!c.linkId.empty())
            editor->setLinkAssetId(c.linkId);
        saveAndSettle();
        ASSERT_TRUE(server.waitForRequests(++seen));
        EXPECT_EQ(server.requests().back().target, base() + c.target);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(reportedOnMain);
        EXPECT_EQ(asset::list(reports[0]->object())->size(), 1u);
        EXPECT_TRUE(shown());
        root->dismissViewController(Animated::No);
    }
}

// A refused, broken or list-less answer: an alert, the typing kept, no report.
TEST_F(AddDirectory, AFailedSaveKeepsTheEditorOpenAndSaysSo)
{
    struct Case {
        int status;
        std::string body;
    } cases[] = { { 403, R"({"error":"not yours"})" }, { 200, "not json" }, { 200, R"({"Message":{"Name":"Home"}})" }, { 500, "{}" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        server.setResponder([&](const RecordedRequest&) { return json(c.body, c.status); });
        open(false);
        editor->directoryNameField()->type("Our team");
        saveAndSettle();
        EXPECT_TRUE(reports.empty());
        EXPECT_TRUE(shown());
        EXPECT_EQ(editor->directoryNameField()->text(), "Our team");
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), "Page not added");
        EXPECT_EQ(alert()->buttonTitles(), std::vector<std::string> { "OK" });
        alert()->chooseButton(0);
        root->dismissViewController(Animated::No);
    }
}

TEST_F(AddDirectory, ABlankNameAsksForOneAndSendsNothing)
{
    for (const char* name : { "", "   " }) {
        open(true);
        editor->directoryNameField()->type(name);
        saveAndSettle();
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->title(), "Name needed");
        alert()->chooseButton(0);
        root->dismissViewController(Animated::No);
    }
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(reports.empty());
}
