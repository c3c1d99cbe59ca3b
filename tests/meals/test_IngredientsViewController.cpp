// The allergy list: what it asks the legacy server, how ticks follow names, and what a tap
// keeps when the server does not take it.
#include "meals/IngredientsViewController.h"

#include "meals/MealsFixture.h"

using namespace quindle;
using namespace quindle::test;

namespace {

const char* ingredients = R"({"Message":{"list":[{"name":"Egg","assetID":"1"},{"name":"Milk","assetID":"2"},{"name":"Peanuts","assetID":"3"}]}})";
// Two records of one name and an identifier that matches no ingredient: ticks go by name.
const char* allergies = R"({"Message":{"list":[{"name":"Milk","assetID":"900"},{"name":"Milk","assetID":"901"}]}})";

class IngredientsTest : public MealsFixture {
protected:
    std::shared_ptr<IngredientsViewController> load(std::function<Reply(const RecordedRequest&)> onSet)
    {
        server.setResponder([onSet](const RecordedRequest& request) {
            if (request.path == "/json/ingredientsList.php")
                return json(ingredients);
            if (request.path == "/json/getFoodAllergy.php")
                return json(allergies);
            return onSet(request);
        });
        mark();
        auto screen = IngredientsViewController::create("99");
        show(screen);
        answered(2);
        return screen;
    }
    static bool ticked(IngredientsViewController& screen, int row)
    {
        return cellAt(*screen.tableView(), row)->accessoryType() == AccessoryType::Checkmark;
    }
};

} // namespace

TEST_F(IngredientsTest, LoadsBothListsAndTicksByName)
{
    auto screen = load([](const RecordedRequest&) { return json("{}"); });
    auto sent = targets();
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string> { "/json/getFoodAllergy.php?a=99", "/json/ingredientsList.php" }));
    EXPECT_EQ(screen->title(), "Food Allergies");
    auto table = screen->tableView();
    EXPECT_EQ(table->titleForHeaderInSection(0), "Ingredients list");
    ASSERT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_EQ(rowText(*table, 1), "Milk");
    EXPECT_EQ((std::vector<bool> { ticked(*screen, 0), ticked(*screen, 1), ticked(*screen, 2) }), (std::vector<bool> { false, true, false }));
}

TEST_F(IngredientsTest, TapSendsTheStateAndKeepsWhatTheServerHolds)
{
    struct Case {
        const char* name;
        int row;
        Reply reply;
        const char* expectedTarget;
        bool tickedAfter;
        int rowsAfter;
        bool alert;
    };
    const Case cases[] = {
        // A ticked name (held twice) goes completely and "0" is sent.
        { "untick taken", 1, json(R"({"Message":{"list":[{"name":"Milk","assetID":"2"}]}})"), "/json/setFoodAllergy.php?a=99&i=2&s=0", false, 1, false },
        { "tick taken, null list keeps rows", 0, json(R"({"Message":{"list":null}})"), "/json/setFoodAllergy.php?a=99&i=1&s=1", true, 3, false },
        { "tick refused", 2, json(R"({"Error":"storage unavailable"})", 503), "/json/setFoodAllergy.php?a=99&i=3&s=1", false, 3, true },
        { "untick answered without list", 1, json(R"({"Message":{"ok":"1"}})"), "/json/setFoodAllergy.php?a=99&i=2&s=0", true, 3, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reply reply = c.reply;
        auto screen = load([reply](const RecordedRequest&) { return reply; });
        const bool before = ticked(*screen, c.row);
        screen->tableView()->selectRow({ 0, c.row });
        // The tick changes at once, before any answer.
        EXPECT_NE(ticked(*screen, c.row), before);
        answered(3);
        EXPECT_EQ(targets().back(), c.expectedTarget);
        EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), c.rowsAfter);
        if (c.rowsAfter == 3) {
            EXPECT_EQ(ticked(*screen, c.row), c.tickedAfter);
        }
        EXPECT_EQ(screen->isAllergicTo(c.row == 1 ? "Milk" : c.row == 0 ? "Egg" : "Peanuts"), c.tickedAfter);
        auto alert = window->topAlert();
        EXPECT_EQ(alert != nullptr, c.alert);
        if (alert) {
            EXPECT_EQ(alert->title(), "Not saved");
            EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string> { "OK" }));
        }
    }
}

TEST_F(IngredientsTest, RepliesReachTheListOnlyOnTheMainQueue)
{
    server.setResponder([](const RecordedRequest& request) { return json(request.path == "/json/ingredientsList.php" ? ingredients : allergies); });
    auto screen = IngredientsViewController::create("99");
    show(screen);
    ASSERT_TRUE(server.waitForRequests(2));
    auto client = model().httpClient();
    for (int i = 0; i < 500 && client->inFlight() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Both replies are in, but their work waits for the main queue.
    EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(screen->allergyList().empty());
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(screen->allergyList(), (std::vector<std::string> { "Milk", "Milk" }));
}
