// The action screen: the device lookup, the exact setAction request for each interval, and
// what it shows again when the server refuses an interval or a device.
#include "forms/ActionViewController.h"

#include "CareFixture.h"
#include "content/FollowUpInterval.h"
#include "ui/AlertView.h"

#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

const char* devices = R"({"Message":{"list":[{"name":"Pager","assetID":"5"},{"name":"Night phone","assetID":"6"}]}})";

class ActionScreen : public CareFixture {
protected:
    /// Answers devices.php with two devices and setAction.php with `actionStatus`.
    void serve(int actionStatus)
    {
        server.setResponder([actionStatus](const RecordedRequest& request) {
            if (request.path == "/json/devices.php")
                return json(devices);
            return json(R"({"Message":{"assetID":"77"}})", actionStatus);
        });
    }
    std::shared_ptr<ActionViewController> open(const std::string& record)
    {
        auto screen = ActionViewController::create("Margaret Hill", dict(record), "77");
        table = screen->tableView();
        EXPECT_TRUE(waitFor(1));
        settle();
        return screen;
    }
    /// Seconds from now of the date a setAction target carries.
    static long secondsAhead(const std::string& target)
    {
        auto date = Model::dateFromServerDateString(decode(query(target, "date")));
        EXPECT_TRUE(date) << target;
        return date ? long(std::chrono::duration_cast<std::chrono::seconds>(*date - DateFormat::now()).count()) : -1;
    }
    std::shared_ptr<TableView> table;
};

TEST_F(ActionScreen, OpensOnTheRecordsIntervalAndNamesItsDevice)
{
    serve(200);
    auto screen = open(R"({"val":"6","linkID":"6","date":"2026-12-05 10:00:00","assetID":"91"})");
    EXPECT_EQ(targets("devices.php"), std::vector<std::string> { "/json/devices.php" });
    EXPECT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(screen->titleForHeaderInSection(*table, 0), "Details");
    EXPECT_EQ(screen->titleForHeaderInSection(*table, 1), "Followup interval");
    EXPECT_EQ(text(*screen, *table, 1, 6), "1 day");
    for (int row = 0; row < FollowUpInterval::count; ++row)
        EXPECT_EQ(mark(*screen, *table, 1, row), row == 6 ? AccessoryType::Checkmark : AccessoryType::None) << row;
    EXPECT_EQ(text(*screen, *table, 0, 0), "Margaret Hill");
    EXPECT_EQ(text(*screen, *table, 0, 1), "Notify");
    EXPECT_EQ(detail(*screen, *table, 0, 1), "Night phone");
    EXPECT_EQ(detail(*screen, *table, 0, 2), "2026-12-05 10:00:00");
}

TEST_F(ActionScreen, ADeviceNoneOfTheListMatchesLeavesNotifyEmpty)
{
    serve(200);
    auto screen = open(R"({"val":"2","linkID":"999"})");
    EXPECT_EQ(detail(*screen, *table, 0, 1), "");
    EXPECT_EQ(mark(*screen, *table, 1, 2), AccessoryType::Checkmark);
}

TEST_F(ActionScreen, EachIntervalSendsItsDateAndRowNumber)
{
    struct Case {
        int row;
        long seconds;
    };
    const Date now = DateFormat::now();
    const long year = long(std::chrono::duration_cast<std::chrono::seconds>(FollowUpInterval::dueDate(10, now) - now).count());
    for (Case c : { Case { 8, 1209600 }, Case { 1, 0 }, Case { 6, 86400 }, Case { 10, year } }) {
        SCOPED_TRACE(c.row);
        restart();
        serve(200);
        auto screen = open(R"({"val":"0","linkID":"5","date":"2026-12-05 10:00:00"})");
        ASSERT_TRUE(table->selectRow({ 1, c.row }));
        ASSERT_TRUE(waitFor(2));
        settle();
        auto sent = targets("setAction.php");
        ASSERT_EQ(sent.size(), 1u);
        // a is the person's document, the date legacy-escaped (space escaped, ":" kept).
        EXPECT_TRUE(std::regex_match(sent[0], std::regex("/json/setAction\\.php\\?a=77&date=\\d{4}-\\d\\d-\\d\\d%20\\d\\d:\\d\\d:\\d\\d&devID=5&val="
                                                    + std::to_string(c.row))))
            << sent[0];
        EXPECT_NEAR(secondsAhead(sent[0]), c.seconds, 5);
        EXPECT_EQ(mark(*screen, *table, 1, c.row), AccessoryType::Checkmark);
        EXPECT_EQ(screen->actionDict()->get("val").asString(), std::to_string(c.row));
        EXPECT_EQ(detail(*screen, *table, 0, 2), decode(query(sent[0], "date")));
        EXPECT_FALSE(screen->alert());
    }
    EXPECT_GT(year, 365L * 86400 - 5); // a calendar year, not "now"
}

TEST_F(ActionScreen, ARefusedIntervalPutsBackTheTickAndDateAndSaysSo)
{
    for (int status : { 500, 404 }) {
        SCOPED_TRACE(status);
        restart();
        serve(status);
        auto screen = open(R"({"val":"6","linkID":"5","date":"2026-12-05 10:00:00"})");
        ASSERT_TRUE(table->selectRow({ 1, 8 }));
        EXPECT_EQ(mark(*screen, *table, 1, 8), AccessoryType::Checkmark); // shown while on its way
        ASSERT_TRUE(waitFor(2));
        settle();
        EXPECT_EQ(mark(*screen, *table, 1, 8), AccessoryType::None);
        EXPECT_EQ(mark(*screen, *table, 1, 6), AccessoryType::Checkmark);
        EXPECT_EQ(detail(*screen, *table, 0, 2), "2026-12-05 10:00:00");
        EXPECT_EQ(screen->actionDict()->get("val").asString(), "6");
        ASSERT_TRUE(screen->alert());
        EXPECT_EQ(screen->alert()->title(), "Not saved");
        EXPECT_EQ(screen->alert()->buttonTitles(), std::vector<std::string> { "OK" });
    }
}

TEST_F(ActionScreen, AChosenDeviceLooksChosenOnlyOnceTheServerTookIt)
{
    for (int status : { 500, 200 }) {
        SCOPED_TRACE(status);
        restart();
        serve(status);
        auto screen = open(R"({"val":"2","linkID":"5"})");
        screen->setDevID("6");
        EXPECT_EQ(detail(*screen, *table, 0, 1), "Night phone (not sent)");
        ASSERT_TRUE(table->selectRow({ 1, 3 }));
        ASSERT_TRUE(waitFor(2));
        settle();
        EXPECT_EQ(query(targets("setAction.php").at(0), "devID"), "6");
        EXPECT_EQ(detail(*screen, *table, 0, 1), status == 200 ? "Night phone" : "Pager");
        EXPECT_EQ(screen->devID(), status == 200 ? "6" : "5");
    }
}

} // namespace

namespace {

TEST_F(ActionScreen, TheReferenceServerHoldsTheChosenIntervalAndDevice)
{
    ASSERT_TRUE(logInAsDemoOwner());
    Collector overdue;
    model().requestWithURL(model().legacyBaseURL() + "currentUserOverdueActions.php", overdue.handler());
    Outcome listed = overdue.single();
    ASSERT_TRUE(listed.content && listed.content->isObject());
    auto followUp = listed.content->object()->get("list").array()->at(0).object();
    const std::string resDocID = followUp->get("resDocID").asString();
    auto state = [&] {
        Collector fetch;
        model().requestWithURL(model().legacyBaseURL() + "currentState.php?a=" + resDocID, fetch.handler());
        Outcome outcome = fetch.single();
        return outcome.content ? outcome.content->object()->get("list").object()->get("Weight follow-up").object() : nullptr;
    };
    auto record = state();
    ASSERT_TRUE(record);

    auto screen = ActionViewController::create(followUp->get("resName").asString(), record, resDocID);
    table = screen->tableView();
    settle();
    ASSERT_TRUE(screen->devs() && screen->devs()->size() == 2u);
    screen->setDevID(screen->devs()->at(1).object()->get("assetID").asString());
    ASSERT_TRUE(table->selectRow({ 1, 8 }));
    settle();
    EXPECT_FALSE(screen->alert());
    auto held = state();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->get("val").asString(), "8");
    EXPECT_EQ(held->get("date").asString(), screen->actionDict()->get("date").asString());
    EXPECT_EQ(held->get("linkID").asString(), screen->devID());
    EXPECT_EQ(detail(*screen, *table, 0, 1), screen->devs()->at(1).object()->get("name").asString());
}

} // namespace
