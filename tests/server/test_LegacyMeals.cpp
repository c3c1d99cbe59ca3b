// Allergies asked for by person, and meal orders: the day format, one dish a day, and another
// organisation's resident.
#include "server/ContentDemo.h"
#include "server/LegacyStore.h"
#include "server/ServerFixture.h"
#include "server/SqliteStorage.h"

#include "platform/JsonParser.h"

#include <gtest/gtest.h>
#include <httplib.h>

using namespace quindle;

namespace {

class LegacyMealsTest : public test::ServerFixture {
protected:
    int status(const std::string& target, JsonValue* body = nullptr)
    {
        auto r = client->Get(target.c_str(), tokenHeaders(token));
        if (!r)
            return 0;
        auto v = JsonParser::parse(r->body);
        EXPECT_TRUE(v && v->isObject()) << target << " " << r->body;
        if (body && v && v->isObject())
            *body = v->object()->get("Message");
        return r->status;
    }
    static std::string s(const JsonValue& v, const char* k) { return v.isObject() ? v.object()->get(k).asString() : ""; }
    std::string token;
};

} // namespace

TEST_F(LegacyMealsTest, AllergiesByPersonAndOrdersByDay)
{
    token = login();
    ASSERT_FALSE(token.empty());
    JsonValue people;
    ASSERT_EQ(status("/json/start.php", &people), 200);
    std::string person;
    for (auto& p : *people.object()->get("list").array())
        if (s(p, "name") == "Margaret Hill")
            person = s(p, "assetID");
    ASSERT_FALSE(person.empty());
    JsonValue allergies;
    ASSERT_EQ(status("/json/getFoodAllergy.php?a=" + person, &allergies), 200);
    ASSERT_EQ(allergies.object()->get("list").array()->size(), 1u);
    EXPECT_EQ(s(allergies.object()->get("list").array()->at(0), "name"), "Peanuts");

    JsonValue docs;
    ASSERT_EQ(status("/json/start.php?a=" + person, &docs), 200);
    std::string mealsForm;
    for (auto& d : *docs.object()->get("list").array())
        if (s(d, "name") == "Meals")
            mealsForm = s(d, "formID");
    JsonValue menu;
    ASSERT_EQ(status("/json/getMenu.php?a=" + mealsForm + "&p=" + person, &menu), 200);
    const std::string first = s(menu.object()->get("list").array()->at(0), "assetID");
    const std::string second = s(menu.object()->get("list").array()->at(1), "assetID");

    struct Case {
        std::string target;
        int status;
    };
    const Case cases[] = {
        { "/json/setMealObject.php?a=" + person + "&name=Lunch&date=2026-12-09&o=" + first, 200 },
        { "/json/setMealObject.php?a=" + person + "&name=Lunch&date=2026-12-09&o=" + second, 200 }, // replaces the first
        { "/json/setMealObject.php?a=" + person + "&name=Lunch&date=2026-12-09%2000:00:00&o=" + first, 400 },
        { "/json/setMealObject.php?a=" + person + "&name=Lunch&date=09-12-2026&o=" + first, 400 },
        { "/json/setMealObject.php?a=" + person + "&name=Lunch&date=&o=" + first, 400 },
        { "/json/getFoodAllergy.php?a=abc", 400 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(status(c.target), c.status) << c.target;

    auto storage = SqliteStorage::open(databasePath());
    ASSERT_TRUE(storage);
    LegacyStore store(*storage);
    auto orders = store.ordersOf(std::stoll(person)).object()->get("list").array();
    ASSERT_EQ(orders->size(), 1u);
    EXPECT_EQ(s(orders->at(0), "date"), "2026-12-09");
    EXPECT_EQ(s(orders->at(0), "dish"), second);

    // Another organisation sees neither the resident's allergies nor may order for them.
    token = login(ContentDemo::secondEmail, ContentDemo::secondPassword);
    EXPECT_EQ(status("/json/getFoodAllergy.php?a=" + person), 404);
    EXPECT_EQ(status("/json/setMealObject.php?a=" + person + "&name=Lunch&date=2026-12-10&o=" + first), 404);
}
