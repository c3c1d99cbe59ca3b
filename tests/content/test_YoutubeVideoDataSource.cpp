// The video screen: its rows and heights, the preview's ids, the legacy addAsset.php request,
// and a video the server did not store that keeps the screen and says so.

#include "content/YoutubeVideoDataSource.h"

#include "content/TableViewController.h"
#include "content/YTTextFieldCell.h"
#include "content/YoutubeVideoCell.h"
#include "core/ModelFixture.h"
#include "ui/AlertView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class VideoScreen : public ModelFixture {
protected:
    void SetUp() override
    {
        ModelFixture::SetUp();
        source = YoutubeVideoDataSource::create(model());
        source->setParentID("12");
        source->setCompletionHandler([this](std::optional<JsonValue> answer) { reports.push_back(answer); });
        screen = TableViewController::create(source);
        source->configureBarbuttonsForViewController(*screen);
        window = Window::create();
        window->setRootViewController(NavigationController::create(screen));
        window->makeKeyAndVisible();
        rows = screen->tableView()->layoutAllRows().rows;
    }
    void save()
    {
        screen->rightBarButtonItem()->press();
        // Either outcome ends the wait: a report, or an alert (shown at once when nothing is sent).
        MainQueue::shared().runUntil([&] { return window->topAlert() || !reports.empty(); }, std::chrono::seconds(10));
    }

    std::shared_ptr<YoutubeVideoDataSource> source;
    std::shared_ptr<TableViewController> screen;
    std::shared_ptr<Window> window;
    std::vector<VisibleRow> rows;
    std::vector<std::optional<JsonValue>> reports;
};

} // namespace

TEST_F(VideoScreen, FiveRowsWithTheTallPreviewLast)
{
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].cell->textLabel()->text(), "Enter the name of the video");
    EXPECT_EQ(rows[2].cell->textLabel()->text(), "Enter the YouTube id of the video");
    auto name = std::dynamic_pointer_cast<YTTextFieldCell>(rows[1].cell);
    auto ident = std::dynamic_pointer_cast<YTTextFieldCell>(rows[3].cell);
    ASSERT_TRUE(name && ident);
    EXPECT_EQ(name->view(), source->nameField());
    EXPECT_EQ(ident->view(), source->videoIdent());
    EXPECT_EQ(source->nameField()->frame(), name->contentView()->bounds());
    EXPECT_EQ(rows[4].cell, source->youtubeCell());
    std::vector<double> heights;
    for (const auto& row : rows)
        heights.push_back(row.frame.height);
    EXPECT_EQ(heights, (std::vector<double> { 42, 42, 42, 42, 200 }));
    EXPECT_EQ(screen->rightBarButtonItem()->displayTitle(), "Save");
}

// The preview starts on the fixed video; return in the id input shows the typed id, and an id
// that cannot be one (the empty one too) is logged with the player's error code.
TEST_F(VideoScreen, ReturnInTheIdInputPreviewsTheTypedId)
{
    auto player = [&] { return source->youtubeCell()->videoView(); };
    ASSERT_TRUE(player());
    EXPECT_EQ(player()->videoId(), "M7lc1UVf-VE");
    EXPECT_EQ(player()->frame(), source->youtubeCell()->contentView()->bounds());
    struct Case {
        std::string typed, shown;
        bool logged;
    } cases[] = { { "dQw4w9WgXcQ", "dQw4w9WgXcQ", false }, { "", "", true }, { "not an id!", "", true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        LogCapture log;
        source->videoIdent()->type(c.typed);
        EXPECT_TRUE(source->videoIdent()->pressReturn());
        EXPECT_EQ(player()->videoId(), c.shown);
        EXPECT_EQ(log.contains("error " + std::to_string(VideoPlayerView::invalidParameterError)), c.logged);
    }
    // A fresh drawing of the row starts on the fixed video again.
    screen->tableView()->reloadData();
    screen->tableView()->layoutAllRows();
    EXPECT_EQ(player()->videoId(), "M7lc1UVf-VE");
}

TEST_F(VideoScreen, SavesThroughTheLegacyAddAsset)
{
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"assetID":"77","name":"Tour","type":"YoutubeVideo"}})"); });
    source->nameField()->type("Garden tour: take 1/2");
    source->videoIdent()->type("dQw4w9WgXcQ");
    save();
    EXPECT_EQ(onlyRequest().target, "/json/addAsset.php?assetID=12&name=Garden%20tour%3a%20take%201%2f2&type=YoutubeVideo&asVal=dQw4w9WgXcQ");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->object()->get("assetID").asString(), "77");
    EXPECT_FALSE(window->topAlert());
}

TEST_F(VideoScreen, MissingInputsAndFailedRepliesAreNotReportedAsSaved)
{
    struct Case {
        std::string name, ident;
        int status;
        std::string body, title;
        size_t requests;
    } cases[] = {
        { "", "dQw4w9WgXcQ", 200, "{}", "Name and id needed", 0 },
        { "Tour", " ", 200, "{}", "Name and id needed", 0 },
        { "Tour", "dQw4w9WgXcQ", 400, R"({"error":"bad"})", "Video not added", 1 },
        { "Tour", "dQw4w9WgXcQ", 200, R"({"Message":"refused"})", "Video not added", 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + " " + c.body);
        server.setResponder([&](const RecordedRequest&) { return json(c.body, c.status); });
        source->nameField()->type(c.name);
        source->videoIdent()->type(c.ident);
        save();
        EXPECT_EQ(server.requests().size(), c.requests);
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(source->nameField()->text(), c.name);
        ASSERT_TRUE(window->topAlert());
        EXPECT_EQ(window->topAlert()->title(), c.title);
        window->topAlert()->chooseButton(0);
    }
}
