// The overdue follow-up list: its request, rows, badge, refresh and the form it opens.
#include "forms/FollowupViewController.h"

#include "CareFixture.h"
#include "ui/NavigationController.h"
#include "ui/RefreshControl.h"

using namespace quindle;
using namespace quindle::test;

namespace {

const char* two = R"({"Message":{"list":[
    {"message":"Weigh Margaret again","date":"2026-12-05 10:00:00","linkID":"31","resDocID":"41","url":"/json/start.php","resID":"51","resName":"Margaret Hill"},
    {"message":null,"date":"2026-12-06 16:30:00","linkID":"32","resDocID":"42","url":"/json/start.php","resID":"52","resName":"Arthur Penrose"}]}})";

/// A shell that records the resident form it is asked for.
class FormShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> makeMasterViewController(const ResidentFormSetup& setup) override
    {
        setups.push_back(setup);
        return ViewController::create("Resident");
    }
    std::vector<ResidentFormSetup> setups;
};

class Followups : public CareFixture {
protected:
    std::shared_ptr<FollowupViewController> open(const std::string& reply, int status = 200)
    {
        server.setResponder([reply, status](const RecordedRequest& request) {
            if (request.path == "/json/currentState.php")
                return json(R"({"Message":{"list":{"Weight":{"val":"61","type":"Number"}},"modified":"2026-12-04 08:45:00"}})");
            return json(reply, status);
        });
        auto screen = FollowupViewController::create();
        stack = NavigationController::create(screen);
        table = screen->tableView();
        EXPECT_TRUE(waitFor(1));
        settle();
        return screen;
    }
    std::shared_ptr<NavigationController> stack;
    std::shared_ptr<TableView> table;
};

TEST_F(Followups, ListsEachFollowupAndCountsThemOnTheBadge)
{
    auto screen = open(two);
    EXPECT_EQ(targets("currentUserOverdueActions.php"), std::vector<std::string> { "/json/currentUserOverdueActions.php" });
    EXPECT_EQ(screen->title(), "Followups");
    EXPECT_EQ(screen->tabBarItem(), (TabBarItem { "Followups", "second.png", "2" }));
    ASSERT_EQ(screen->numberOfRowsInSection(*table, 0), 2);
    EXPECT_EQ(text(*screen, *table, 0, 0), "Weigh Margaret again");
    EXPECT_EQ(detail(*screen, *table, 0, 0), "2026-12-05 10:00:00");
    EXPECT_EQ(mark(*screen, *table, 0, 0), AccessoryType::DisclosureIndicator);
    EXPECT_EQ(text(*screen, *table, 0, 1), "No message");
}

TEST_F(Followups, NoneShowsTheBadgeZeroAndAPlaceholderThatOpensNothing)
{
    auto screen = open(R"({"Message":{"list":[]}})");
    EXPECT_EQ(screen->tabBarItem().badgeValue, "0");
    ASSERT_EQ(screen->numberOfRowsInSection(*table, 0), 1);
    EXPECT_EQ(text(*screen, *table, 0, 0), "No Followups found");
    EXPECT_EQ(mark(*screen, *table, 0, 0), AccessoryType::None);
    table->selectRow({ 0, 0 });
    settle();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(stack->viewControllers().size(), 1u);
}

TEST_F(Followups, ARefreshUpdatesTheBadgeAndAFailedOneKeepsTheList)
{
    auto screen = open(two);
    for (auto [reply, status, badge] : { std::tuple { R"({"Message":{"list":[]}})", 200, "0" }, std::tuple { "oops", 500, "0" },
             std::tuple { two, 200, "2" }, std::tuple { "not json", 200, "2" } }) {
        SCOPED_TRACE(badge);
        restart();
        server.setResponder([reply, status](const RecordedRequest&) { return json(reply, status); });
        ASSERT_TRUE(table->pullToRefresh());
        ASSERT_TRUE(waitFor(1));
        settle();
        EXPECT_EQ(screen->tabBarItem().badgeValue, badge);
        EXPECT_FALSE(table->refreshControl()->isRefreshing());
    }
    EXPECT_EQ(text(*screen, *table, 0, 0), "Weigh Margaret again");
}

TEST_F(Followups, AFollowupOpensThePersonsFormWithItsState)
{
    auto shellWithForm = std::make_shared<FormShell>();
    ApplicationShell::setShared(shellWithForm);
    auto screen = open(two);
    restart();
    table->selectRow({ 0, 0 });
    ASSERT_TRUE(waitFor(1));
    settle();
    EXPECT_EQ(targets("currentState.php"), std::vector<std::string> { "/json/currentState.php?a=41" });
    ASSERT_EQ(shellWithForm->setups.size(), 1u);
    const ResidentFormSetup& setup = shellWithForm->setups[0];
    EXPECT_EQ(setup.url, "/json/start.php");
    EXPECT_EQ(setup.assetID, "31");
    EXPECT_EQ(setup.resID, "51");
    EXPECT_EQ(setup.name, "Margaret Hill");
    EXPECT_EQ(setup.date, "2026-12-05 10:00:00");
    EXPECT_EQ(setup.message, "Weigh Margaret again");
    EXPECT_EQ(setup.resDocID, "41");
    ASSERT_TRUE(setup.formState);
    EXPECT_EQ(setup.formState->get("Weight").object()->get("val").asString(), "61");
    EXPECT_EQ(stack->topViewController()->title(), "Resident");
}

TEST_F(Followups, TheFormStateNeedsAListObjectAndAModifiedDate)
{
    struct Case {
        const char* payload;
        bool state;
    };
    for (Case c : { Case { R"({"list":{"A":{"val":"1"}},"modified":"2026-12-01 10:00:00"})", true },
             Case { R"({"list":{"A":{"val":"1"}},"modified":null})", false }, Case { R"({"list":{"A":{"val":"1"}}})", false },
             Case { R"({"list":[],"modified":"x"})", false }, Case { R"([1])", false } }) {
        auto state = FollowupViewController::formStateFromPayload(JsonParser::parse(c.payload));
        EXPECT_EQ(state != nullptr, c.state) << c.payload;
    }
    auto payload = JsonParser::parse(R"({"list":{"A":{"val":"1"}},"modified":"2026-12-01 10:00:00"})");
    auto state = FollowupViewController::formStateFromPayload(payload);
    EXPECT_NE(state, payload->object()->get("list").object()); // a copy the form may change
}

TEST_F(Followups, AClosedListDropsItsReply)
{
    server.setResponder([](const RecordedRequest&) { return json(two); });
    std::weak_ptr<FollowupViewController> weak;
    {
        auto screen = FollowupViewController::create();
        weak = screen;
    }
    ASSERT_TRUE(waitFor(1));
    settle();
    EXPECT_FALSE(weak.lock());
}

} // namespace
