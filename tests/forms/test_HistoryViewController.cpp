// The history screen against a recording server (exact request, failed replies, main-queue
// hand-off) and against the reference server (a demo resident's real history).
#include "forms/HistoryViewController.h"

#include "content/ContentFixture.h"
#include "platform/JsonParser.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

/// A shell that records which care screens the history opens.
class HistoryShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> makeMasterViewController(const ResidentFormSetup& setup) override
    {
        forms.push_back(setup);
        return RecordedEditor::create("MasterViewController", setup.formState, {});
    }
    std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& resDocID, const std::string& key) override
    {
        graphs.push_back(resDocID + "|" + key);
        return RecordedEditor::create("HistoryGraphViewController", nullptr, {});
    }
    std::vector<ResidentFormSetup> forms;
    std::vector<std::string> graphs;
};

const char* reply = R"({"Message":{"list":[
    {"name":"Weight","type":"Number","val":"70","lastModified":"2026-12-01 09:00:00","user":"ann"},
    {"name":"Notes","type":"Text","val":"calm","lastModified":"2026-12-05 09:00:00","user":"ann"},
    {"name":"Weight","type":"Number","val":"72","lastModified":"2026-12-03 09:00:00","user":"bob"}]}})";

class HistoryScreen : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        ApplicationShell::setShared(shell);
    }
    void TearDown() override
    {
        ApplicationShell::setShared(nullptr);
        ReferenceServerFixture::TearDown();
    }
    std::shared_ptr<HistoryViewController> open(const std::string& resDocID = "99")
    {
        screen = HistoryViewController::create(model(), "42", resDocID, "Margaret Hill");
        stack = NavigationController::create(screen);
        screen->tableView();
        return screen;
    }
    std::vector<std::string> rows()
    {
        std::vector<std::string> out;
        auto table = screen->tableView();
        for (int s = 0; s < table->numberOfSections(); ++s)
            for (int r = 0; r < table->numberOfRowsInSection(s); ++r) {
                auto cell = screen->cellForRowAtIndexPath(*table, { s, r });
                out.push_back(cell->textLabel()->text() + (cell->detailTextLabel()->text().empty() ? "" : " / " + cell->detailTextLabel()->text()));
            }
        return out;
    }
    bool settled() { return MainQueue::shared().runUntil([&] { return screen->reply().has_value(); }, std::chrono::seconds(5)); }

    std::shared_ptr<HistoryShell> shell = std::make_shared<HistoryShell>();
    std::shared_ptr<HistoryViewController> screen;
    std::shared_ptr<NavigationController> stack;
};

} // namespace

TEST_F(HistoryScreen, SendsTheHistoryRequestAndListsNumbersNewestFirst)
{
    server.setResponder([](const RecordedRequest&) { return json(reply); });
    open();
    EXPECT_EQ(screen->title(), "History");
    EXPECT_EQ(onlyRequest().target, "/json/start.php?a=99");
    for (const char* url : { "", "/json/start.php" }) {
        screen->setUrl(url);
        EXPECT_EQ(screen->requestURL(), server.url() + "/json/start.php?a=99") << url;
    }
    screen->setUrl(server.url() + "/json/other.php");
    EXPECT_EQ(screen->requestURL(), server.url() + "/json/other.php?a=99");
    // The reply reaches the screen only through the main queue.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(screen->objects());
    ASSERT_TRUE(settled());
    EXPECT_EQ(screen->objects()->size(), 3u);
    EXPECT_TRUE(screen->hasNumbers());
    EXPECT_EQ(rows(), (std::vector<std::string> { "Margaret Hill", "Graph", "Weight (72) / 2026-12-03 09:00:00 (bob)",
                          "Weight (70) / 2026-12-01 09:00:00 (ann)" }));

    screen->tableView()->selectRow({ 0, 1 });
    EXPECT_EQ(shell->graphs, std::vector<std::string> { "99|" });
    screen->tableView()->selectRow({ 0, 0 }); // the name opens nothing
    screen->tableView()->selectRow({ 1, 1 });
    ASSERT_EQ(shell->forms.size(), 1u);
    const ResidentFormSetup& setup = shell->forms[0];
    EXPECT_EQ(setup.assetID + "|" + setup.resDocID + "|" + setup.name, "42|99|Margaret Hill");
    EXPECT_TRUE(setup.suppressHistory);
    EXPECT_EQ(setup.formState->get("Weight").object()->get("val").asString(), "70");
    EXPECT_FALSE(setup.formState->contains("Weight_old"));
    EXPECT_EQ(stack->viewControllers().size(), 3u);
}

TEST_F(HistoryScreen, FailedRepliesLeaveOnlyTheName)
{
    const Reply failures[] = { json("{}", 500), makeReply(200, "not json"), json(R"({"Message":{"list":null}})"),
        json(R"({"Message":{"list":{"a":1}}})"), json(R"({"Message":{"title":"x"}})"), makeReply(200, "") };
    for (const Reply& failure : failures) {
        server.setResponder([failure](const RecordedRequest&) { return failure; });
        open();
        ASSERT_TRUE(MainQueue::shared().runUntil([&] { return model().httpClient()->inFlight() == 0; }, std::chrono::seconds(5)));
        MainQueue::shared().runUntilIdle();
        EXPECT_FALSE(screen->objects()) << failure.body;
        EXPECT_FALSE(screen->hasNumbers());
        EXPECT_EQ(rows(), std::vector<std::string> { "Margaret Hill" }) << failure.body;
    }
}

TEST_F(HistoryScreen, AGivenListIsNotFetchedAgainAndAFailureKeepsIt)
{
    server.setResponder([](const RecordedRequest&) { return json("{}", 500); });
    screen = HistoryViewController::create(model(), "42", "99", "Ann");
    screen->setObjects(JsonParser::parse(R"([{"name":"Ate","type":"Bool","val":"1","lastModified":"2026-12-01 09:00:00","user":"x"}])")->array());
    screen->tableView();
    EXPECT_FALSE(server.waitForRequests(1, std::chrono::milliseconds(200)));
    EXPECT_EQ(rows(), (std::vector<std::string> { "Ann", "Ate (Yes) / 2026-12-01 09:00:00 (x)" }));
}

TEST_F(HistoryScreen, ShowsADemoResidentsRealHistory)
{
    ASSERT_TRUE(logInAsDemoOwner());
    Collector people, documents;
    model().requestWithURL(model().legacyBaseURL() + "start.php", people.handler());
    const std::string person = people.single().content->object()->get("list").array()->at(0).object()->get("assetID").asString();
    model().requestWithURL(model().legacyBaseURL() + "start.php?a=" + person, documents.handler());
    std::string document;
    const JsonArrayPtr list = documents.single().content->object()->get("list").array();
    for (auto& d : *list)
        if (d.object()->get("name").asString() == "Daily care")
            document = d.object()->get("assetID").asString();
    ASSERT_FALSE(document.empty());
    open(document);
    ASSERT_TRUE(settled());
    ASSERT_GT(screen->displayed()->size(), 100u); // weeks of values
    EXPECT_TRUE(screen->hasNumbers());
    std::string previous = "9999";
    for (auto& r : *screen->displayed()) {
        const std::string& when = r.object()->get("lastModified").asString();
        EXPECT_LE(when, previous);
        previous = when;
        const std::string& type = r.object()->get("type").asString();
        EXPECT_TRUE(type == "Bool" || type == "Number") << type;
    }
    auto oldest = screen->snapshotForRow(static_cast<int>(screen->displayed()->size()) - 1);
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->size(), 1u); // one record, nothing before it
}
