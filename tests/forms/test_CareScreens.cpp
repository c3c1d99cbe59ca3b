// The care screens around the resident form, against a recording legacy server and the reference
// server: the action screen, its list and device chooser, follow-ups, workflows, history and graph.
#include "forms/ActionListViewController.h"
#include "forms/ActionViewController.h"
#include "forms/DevicesViewController.h"
#include "forms/DisplayActionViewController.h"
#include "forms/FollowupViewController.h"
#include "forms/HistoryGraphViewController.h"
#include "forms/HistoryViewController.h"
#include "forms/NextWorkflowViewController.h"
#include "forms/WorkflowViewController.h"

#include "CareFixture.h"
#include "content/FollowUpInterval.h"
#include "ui/AlertView.h"
#include "ui/RefreshControl.h"
#include "ui/WebView.h"

#include <future>
#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

const char* devices = R"({"Message":{"list":[{"name":"Pager","assetID":"5"},{"name":"Night phone","assetID":"6"}]}})";

const char* two = R"({"Message":{"list":[
    {"message":"Weigh Margaret again","date":"2026-12-05 10:00:00","linkID":"31","resDocID":"41","url":"/json/start.php","resID":"51","resName":"Margaret Hill"},
    {"message":null,"date":"2026-12-06 16:30:00","linkID":"32","resDocID":"42","url":"/json/start.php","resID":"52","resName":"Arthur Penrose"}]}})";

class CareScreens : public CareFixture {
protected:
    void SetUp() override
    {
        CareFixture::SetUp();
        ApplicationShell::setShared(care);
    }
    /// The action screen on a record, its devices listed and setAction answered with `status`.
    std::shared_ptr<ActionViewController> action(const std::string& record, int status = 200)
    {
        restart();
        serve({ { "devices.php", json(devices) } }, json(R"({"Message":{"assetID":"77"}})", status));
        return show(ActionViewController::create("Margaret Hill", dict(record), "77"), 1);
    }
    /// The follow-up list over `reply`; a follow-up's state comes from currentState.php.
    std::shared_ptr<FollowupViewController> followups(const std::string& reply, int status = 200)
    {
        restart();
        serve({ { "currentState.php", json(R"({"Message":{"list":{"Weight":{"val":"61","type":"Number"}},"modified":"2026-12-04 08:45:00"}})") } },
            json(reply, status));
        return show(FollowupViewController::create(), 1);
    }
    std::shared_ptr<HistoryViewController> historyOf(const std::string& resDocID = "99")
    {
        auto screen = HistoryViewController::create(model(), "42", resDocID, "Margaret Hill");
        stack = NavigationController::create(screen);
        table = screen->tableView();
        return screen;
    }

    std::shared_ptr<CareShell> care = std::make_shared<CareShell>();
};

} // namespace

TEST_F(CareScreens, ActionShowsItsRecordAndEachIntervalSendsItsDateAndRowOrPutsItBackAndTheServerHoldsIt)
{
    auto screen = action(R"({"val":"6","linkID":"6","date":"2026-12-05 10:00:00","assetID":"91"})");
    EXPECT_EQ(screen->titleForHeaderInSection(*table, 0) + "|" + screen->titleForHeaderInSection(*table, 1), "Details|Followup interval");
    EXPECT_EQ(lines(*screen, *table, 0), (std::vector<std::string> { "Margaret Hill", "Notify / Night phone >", "Next update required on / 2026-12-05 10:00:00" }));
    EXPECT_EQ(line(*screen, *table, 1, 6), "1 day v");
    EXPECT_EQ(ticks(*screen, *table, 1), std::vector<int> { 6 });

    // A device none of the list matches leaves Notify empty.
    screen = action(R"({"val":"2","linkID":"999"})");
    EXPECT_EQ(line(*screen, *table, 0, 1), "Notify >");
    EXPECT_EQ(ticks(*screen, *table, 1), std::vector<int> { 2 });

    // Each interval row sends setAction with its date and row number; a refusal puts back the
    // tick, the date and the device and says so; a chosen device shows "(not sent)" until then.
    const Date now = DateFormat::now();
    const long year = long(std::chrono::duration_cast<std::chrono::seconds>(FollowUpInterval::dueDate(10, now) - now).count());
    EXPECT_GT(year, 365L * 86400 - 5); // a calendar year, not "now"
    const std::tuple<int, long, int> cases[] = { { 8, 1209600L, 200 }, { 1, 0L, 200 }, { 6, 86400L, 200 }, { 10, year, 200 },
        { 8, 1209600L, 500 }, { 8, 1209600L, 404 } };
    for (auto [row, seconds, status] : cases) {
        SCOPED_TRACE(testing::Message() << row << " " << status);
        screen = action(R"({"val":"3","linkID":"5","date":"2026-12-05 10:00:00"})", status);
        screen->setDevID("6");
        EXPECT_EQ(line(*screen, *table, 0, 1), "Notify / Night phone (not sent) >");
        ASSERT_TRUE(table->selectRow({ 1, row }));
        EXPECT_EQ(ticks(*screen, *table, 1), std::vector<int> { row }); // shown while on its way
        answered(2);
        auto sent = targets("setAction.php");
        ASSERT_EQ(sent.size(), 1u);
        // a is the person's document, the date legacy-escaped (space escaped, ":" kept).
        EXPECT_TRUE(std::regex_match(sent[0], std::regex("/json/setAction\\.php\\?a=77&date=\\d{4}-\\d\\d-\\d\\d%20\\d\\d:\\d\\d:\\d\\d&devID=6&val="
                                                    + std::to_string(row))))
            << sent[0];
        EXPECT_NEAR(secondsAhead(sent[0]), seconds, 5);
        const bool taken = status == 200;
        EXPECT_EQ(ticks(*screen, *table, 1), std::vector<int> { taken ? row : 3 });
        EXPECT_EQ(screen->actionDict()->get("val").asString(), std::to_string(taken ? row : 3));
        EXPECT_EQ(lines(*screen, *table, 0), (std::vector<std::string> { "Margaret Hill", taken ? "Notify / Night phone >" : "Notify / Pager >",
                                                 "Next update required on / " + (taken ? decode(query(sent[0], "date")) : "2026-12-05 10:00:00") }));
        EXPECT_EQ(screen->devID(), taken ? "6" : "5");
        ASSERT_EQ(screen->alert() == nullptr, taken);
        if (!taken) {
            EXPECT_EQ(std::pair(screen->alert()->title(), screen->alert()->buttonTitles()), std::pair(std::string("Not saved"), std::vector<std::string> { "OK" }));
        }
    }

    // The reference server holds the chosen interval and device.
    ASSERT_TRUE(logInDemoOwner());
    auto overdue = legacy("currentUserOverdueActions.php");
    ASSERT_TRUE(overdue && overdue->get("list").array());
    auto followUp = overdue->get("list").array()->at(0).object();
    const std::string resDocID = followUp->get("resDocID").asString();
    auto state = [&] {
        auto reply = legacy("currentState.php?a=" + resDocID);
        return reply ? reply->get("list").object()->get("Weight follow-up").object() : nullptr;
    };
    auto record = state();
    ASSERT_TRUE(record);
    screen = show(ActionViewController::create(followUp->get("resName").asString(), record, resDocID));
    ASSERT_TRUE(screen->devs() && screen->devs()->size() == 2u);
    screen->setDevID(screen->devs()->at(1).object()->get("assetID").asString());
    ASSERT_TRUE(table->selectRow({ 1, 8 }));
    settle();
    EXPECT_FALSE(screen->alert());
    auto held = state();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->get("val").asString() + "|" + held->get("date").asString() + "|" + held->get("linkID").asString(),
        "8|" + screen->actionDict()->get("date").asString() + "|" + screen->devID());
    EXPECT_EQ(line(*screen, *table, 0, 1), "Notify / " + screen->devs()->at(1).object()->get("name").asString() + " >");
}

TEST_F(CareScreens, ActionListRowsOpenTheirRecordADueActionShowsAndTheDeviceChooserHandsBackAChoice)
{
    auto actions = JsonParser::parse(R"([{"name":"Weight follow-up","val":"6"},{"name":"Family call","val":"2"}])")->array();
    auto list = show(ActionListViewController::create(actions, "Margaret Hill", "41"));
    EXPECT_EQ(lines(*list, *table, 0), std::vector<std::string> { "Weight follow-up >" });
    EXPECT_EQ(lines(*list, *table, 1), (std::vector<std::string> { "Weight follow-up >", "Family call >" }));
    for (auto [path, record] : { std::pair { IndexPath { 1, 1 }, 1u }, { IndexPath { 0, 0 }, 0u } }) {
        ASSERT_TRUE(table->selectRow(path));
        auto opened = top<ActionViewController>();
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->actionDict(), actions->at(record).object());
        EXPECT_EQ(opened->assetID() + "|" + opened->name(), "41|Margaret Hill");
        stack->popViewController(Animated::No);
    }
    list = show(ActionListViewController::create(nullptr, "Nobody", "1"));
    EXPECT_EQ(list->numberOfRowsInSection(*table, 0) + list->numberOfRowsInSection(*table, 1), 0);

    for (auto [record, shown] : { std::pair { R"({"date":"2026-12-05 10:00:00","val":"Weigh Margaret again"})", "2026-12-05 10:00:00|Weigh Margaret again" },
             { R"({"date":null,"val":7})", "|" } }) {
        auto screen = DisplayActionViewController::create("Margaret Hill", dict(record));
        EXPECT_EQ(screen->dateLabel()->text() + "|" + screen->valLabel()->text(), shown);
    }
    EXPECT_EQ(DisplayActionViewController::create("A", nullptr)->dateLabel()->text(), "");

    // The device chooser asks for the list, ticks the current one and hands back the choice.
    settle();
    restart();
    serve({}, json(devices));
    auto screen = show(ActionViewController::create("Arthur", dict(R"({"val":"2","linkID":"5"})"), "77"));
    auto chooser = DevicesViewController::create(nullptr, screen, "5");
    stack->pushViewController(chooser, Animated::No);
    auto choices = chooser->tableView();
    answered(2);
    EXPECT_EQ(targets("devices.php"), (std::vector<std::string> { "/json/devices.php", "/json/devices.php" }));
    EXPECT_EQ(lines(*chooser, *choices), (std::vector<std::string> { "Pager v", "Night phone" }));
    ASSERT_TRUE(choices->selectRow({ 0, 1 }));
    EXPECT_EQ(screen->devID(), "6");
    EXPECT_EQ(stack->topViewController(), screen);
    EXPECT_EQ(targets("setAction.php").size(), 0u); // sent with the next interval
}

// The follow-up list: listed and counted on the badge; a refresh sets the badge, a failed one
// keeps list and badge, an empty one shows a placeholder that opens nothing; a row opens the
// person's form with the state currentState.php holds.
TEST_F(CareScreens, FollowupsAreListedRefreshedAndOpenThePersonsForm)
{
    // The form state needs a list and a date; a closed list drops its reply.
    for (auto [payload, state] : { std::pair { R"({"list":{"A":{"val":"1"}},"modified":"2026-12-01 10:00:00"})", true },
             { R"({"list":{"A":{"val":"1"}},"modified":null})", false }, { R"({"list":{"A":{"val":"1"}}})", false },
             { R"({"list":[],"modified":"x"})", false }, { R"([1])", false } })
        EXPECT_EQ(FollowupViewController::formStateFromPayload(JsonParser::parse(payload)) != nullptr, state) << payload;
    auto payload = JsonParser::parse(R"({"list":{"A":{"val":"1"}},"modified":"2026-12-01 10:00:00"})");
    EXPECT_NE(FollowupViewController::formStateFromPayload(payload), payload->object()->get("list").object()); // a copy the form may change

    serve({}, json(two));
    std::weak_ptr<FollowupViewController> weak = FollowupViewController::create();
    answered(1);
    EXPECT_FALSE(weak.lock());

    const char* none = R"({"Message":{"list":[]}})";
    auto screen = followups(two);
    EXPECT_EQ(targets("currentUserOverdueActions.php"), std::vector<std::string> { "/json/currentUserOverdueActions.php" });
    EXPECT_EQ(screen->tabBarItem(), (TabBarItem { "Followups", "second.png", "2" }));
    const std::vector<std::string> listed { "Weigh Margaret again / 2026-12-05 10:00:00 >", "No message / 2026-12-06 16:30:00 >" };
    EXPECT_EQ(lines(*screen, *table), listed);
    for (auto [reply, status, badge] : { std::tuple { none, 200, "0" }, std::tuple { "oops", 500, "0" }, std::tuple { two, 200, "2" },
             std::tuple { "not json", 200, "2" } }) {
        SCOPED_TRACE(reply);
        restart();
        serve({}, json(reply, status));
        ASSERT_TRUE(table->pullToRefresh());
        answered(1);
        EXPECT_EQ(screen->tabBarItem().badgeValue, badge);
        EXPECT_FALSE(table->refreshControl()->isRefreshing());
        EXPECT_EQ(lines(*screen, *table), badge == std::string("0") ? std::vector<std::string> { "No Followups found" } : listed);
        if (badge == std::string("0")) {
            table->selectRow({ 0, 0 });
            settle();
            EXPECT_EQ(server.requests().size(), from + 1);
            EXPECT_EQ(stack->viewControllers().size(), 1u);
        }
    }

    followups(two);
    restart();
    table->selectRow({ 0, 0 });
    answered(1);
    EXPECT_EQ(targets("currentState.php"), std::vector<std::string> { "/json/currentState.php?a=41" });
    ASSERT_EQ(care->forms.size(), 1u);
    const ResidentFormSetup& setup = care->forms[0];
    EXPECT_EQ(setup.url + "|" + setup.assetID + "|" + setup.resID + "|" + setup.name + "|" + setup.date + "|" + setup.message + "|" + setup.resDocID,
        "/json/start.php|31|51|Margaret Hill|2026-12-05 10:00:00|Weigh Margaret again|41");
    ASSERT_TRUE(setup.formState);
    EXPECT_EQ(setup.formState->get("Weight").object()->get("val").asString(), "61");
    EXPECT_EQ(stack->topViewController()->title(), "MasterViewController");
}

// Next workflows fetch again after an addition and a failed fetch keeps the rows; the login's
// workflows open their next ones.
TEST_F(CareScreens, NextWorkflowsFetchAgainAfterAnAdditionAndTheLoginsWorkflowsOpenThem)
{
    const char* one = R"({"Message":{"list":[{"name":"Monthly review","assetID":"8"}]}})";
    serve({}, json(one));
    auto next = show(NextWorkflowViewController::create("7"), 1);
    EXPECT_EQ(server.requests().at(0).target, base() + "associatedAssets.php?a=7");
    EXPECT_EQ(lines(*next, *table), std::vector<std::string> { "Monthly review" });

    ASSERT_EQ(next->rightBarButtonItem()->title(), "add");
    next->rightBarButtonItem()->press();
    ASSERT_EQ(care->opened, std::vector<std::string> { "AssociateAsset|7" });
    EXPECT_TRUE(next->presentedViewController());
    serve({}, json(R"({"Message":{"list":[{"name":"Monthly review","assetID":"8"},{"name":"Discharge","assetID":"9"}]}})"));
    care->editors.at(0)->completion(JsonValue(JsonObject::create()));
    EXPECT_EQ(server.requests().size(), 1u); // the chooser's answer is taken on the main queue
    MainQueue::shared().runUntilIdle();
    answered(2);
    EXPECT_FALSE(next->presentedViewController());
    EXPECT_EQ(lines(*next, *table), (std::vector<std::string> { "Monthly review", "Discharge" }));

    serve({}, json("{}", 500));
    next->fetchAssociatedAssets();
    answered(3);
    EXPECT_EQ(next->numberOfRowsInSection(*table, 0), 2);

    ASSERT_TRUE(logInDemoOwner());
    auto workflow = model().workflow();
    ASSERT_TRUE(workflow && workflow->size() >= 2);
    auto screen = show(WorkflowViewController::create());
    EXPECT_EQ(screen->tabBarItem(), (TabBarItem { "Workflow", "second.png", "" }));
    ASSERT_EQ(screen->numberOfRowsInSection(*table, 0), int(workflow->size()));
    EXPECT_EQ(line(*screen, *table, 0, 0), "Admission >");

    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    next = top<NextWorkflowViewController>();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->assetID(), workflow->at(0).object()->get("assetID").asString());
    settle();
    EXPECT_EQ(lines(*next, *next->tableView()), std::vector<std::string> { "Monthly review" });

    for (SystemItem second : { SystemItem::Edit, SystemItem::Done, SystemItem::Edit }) {
        std::vector<SystemItem> items;
        for (auto& item : screen->rightBarButtonItems())
            items.push_back(item->systemItem());
        EXPECT_EQ(items, (std::vector<SystemItem> { SystemItem::Add, second }));
        EXPECT_EQ(screen->editMode(), second == SystemItem::Done);
        screen->editTable();
    }
}

TEST_F(CareScreens, HistoryAndItsGraphPageAskTheServerListNumbersNewestFirstAndFollowANewValue)
{
    serve({}, json(std::string(R"({"Message":{"list":)") + historyRecords + "}}"));
    auto screen = historyOf();
    EXPECT_EQ(onlyRequest().target, "/json/start.php?a=99");
    for (auto [url, path] : { std::pair<std::string, std::string> { "", "/json/start.php" }, { "/json/start.php", "/json/start.php" },
             { server.url() + "/json/other.php", "/json/other.php" } }) {
        screen->setUrl(url);
        EXPECT_EQ(screen->requestURL(), server.url() + path + "?a=99") << url;
    }
    // The reply reaches the screen only through the main queue.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(screen->objects());
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return screen->reply().has_value(); }, std::chrono::seconds(5)));
    EXPECT_EQ(lines(*screen, *table, -1), (std::vector<std::string> { "Margaret Hill", "Graph >", "Weight (72) / 2026-12-03 09:00:00 (bob) >",
                                              "Ate (No) / 2026-12-02 09:00:00 (bob) >", "Weight (70) / 2026-12-01 09:00:00 (ann) >",
                                              "Weight (68) / 2026-11-30 09:00:00 (cy) >" }));

    table->selectRow({ 0, 1 });
    EXPECT_EQ(care->opened, std::vector<std::string> { "Graph|99|" });
    table->selectRow({ 0, 0 }); // the name opens nothing
    table->selectRow({ 1, 3 }); // the oldest, with nothing before it
    ASSERT_EQ(care->forms.size(), 1u);
    const ResidentFormSetup& setup = care->forms[0];
    EXPECT_EQ(setup.assetID + "|" + setup.resDocID + "|" + setup.name, "42|99|Margaret Hill");
    EXPECT_TRUE(setup.suppressHistory);
    EXPECT_EQ(setup.formState->get("Weight").object()->get("val").asString(), "68");
    EXPECT_FALSE(setup.formState->contains("Weight_old"));
    EXPECT_EQ(stack->viewControllers().size(), 3u);

    // Failed replies leave only the name.
    const Reply failures[] = { json("{}", 500), makeReply(200, "not json"), json(R"({"Message":{"list":null}})"),
        json(R"({"Message":{"list":{"a":1}}})"), json(R"({"Message":{"title":"x"}})"), makeReply(200, "") };
    for (const Reply& failure : failures) {
        serve({}, failure);
        screen = historyOf();
        ASSERT_TRUE(MainQueue::shared().runUntil([&] { return model().httpClient()->inFlight() == 0; }, std::chrono::seconds(5)));
        MainQueue::shared().runUntilIdle();
        EXPECT_FALSE(screen->objects()) << failure.body;
        EXPECT_FALSE(screen->hasNumbers());
        EXPECT_EQ(lines(*screen, *table, -1), std::vector<std::string> { "Margaret Hill" }) << failure.body;
    }
    // A given history is not fetched again, so the failing server does not clear it.
    restart();
    screen = HistoryViewController::create(model(), "42", "99", "Ann");
    screen->setObjects(JsonParser::parse(R"([{"name":"Ate","type":"Bool","val":"1","lastModified":"2026-12-01 09:00:00","user":"x"}])")->array());
    table = screen->tableView();
    EXPECT_FALSE(server.waitForRequests(from + 1, std::chrono::milliseconds(200)));
    EXPECT_EQ(lines(*screen, *table, -1), (std::vector<std::string> { "Ann", "Ate (Yes) / 2026-12-01 09:00:00 (x) >" }));

    // The graph page is the server's for the document.
    for (auto [key, path] : { std::pair { "", "/json/Naked.php?a=77" }, { "Weight", "/json/Naked.php?a=77&key=Weight" },
             { "Fluid intake (ml) & more", "/json/Naked.php?a=77&key=Fluid%20intake%20%28ml%29%20%26%20more" } }) {
        auto graph = HistoryGraphViewController::create(model(), "77", key);
        EXPECT_EQ(graph->webView()->url(), server.url() + path) << key;
        EXPECT_EQ(graph->webView()->loadCount(), 1u);
    }

    // A demo resident's real history on the reference server.
    const DailyCare daily = dailyCare();
    screen = historyOf(daily.document);
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return screen->reply().has_value(); }, std::chrono::seconds(5)));
    ASSERT_GT(screen->displayed()->size(), 100u); // weeks of values
    EXPECT_TRUE(screen->hasNumbers());
    auto oldest = screen->snapshotForRow(static_cast<int>(screen->displayed()->size()) - 1);
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->size(), 1u); // one record, nothing before it

    // On the reference server the page follows a newly recorded value; it is fetched with the
    // session, as the web view does.
    auto fetch = [](const std::string& url) {
        auto body = std::make_shared<std::promise<std::string>>();
        auto page = body->get_future();
        HttpRequest get;
        get.url = url;
        model().sendAsynchronousRequest(std::move(get), [body](std::optional<std::string> data, std::optional<Error>) { body->set_value(data.value_or("")); });
        return page.wait_for(std::chrono::seconds(10)) == std::future_status::ready ? page.get() : std::string {};
    };
    auto form = legacy("start.php?a=" + daily.form);
    ASSERT_TRUE(form && form->get("list").array());
    std::string entry;
    for (auto& e : form->get("list").array()->items())
        if (e.object()->get("name").asString() == "Systolic BP")
            entry = e.object()->get("assetID").asString();
    ASSERT_FALSE(entry.empty());

    auto graph = HistoryGraphViewController::create(model(), daily.document, "Systolic BP");
    const std::string before = fetch(graph->webView()->url());
    ASSERT_NE(before.find(">Systolic BP</h3>"), std::string::npos) << before.substr(0, 400);
    EXPECT_EQ(before.find("latest 187 "), std::string::npos);
    auto reply = legacy("handleForm.php?f=" + entry + "&c=" + daily.person + "&name=Systolic%20BP&val=187&type=Number");
    ASSERT_TRUE(reply && reply->get("list").isObject());
    const std::string after = fetch(graph->webView()->url());
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("latest 187 "), std::string::npos);
    EXPECT_NE(after.find(">187</text>"), std::string::npos); // the new top of the value axis
}
