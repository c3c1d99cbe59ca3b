// The allergy list and the menu driven through the text client's commands against the
// reference server: a tick and an untick reach the server, the allergen is marked and asked
// about, the details open from the row's button, and an order for tomorrow is stored for that day.

#include "frontends/term/CommandInterpreter.h"
#include "frontends/term/TermRowCommands.h"
#include "meals/IngredientsViewController.h"
#include "meals/MealsFixture.h"
#include "meals/MenuViewController.h"
#include "server/LegacyStore.h"
#include "server/SqliteStorage.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class TermMeals : public MealsFixture {
protected:
    void SetUp() override
    {
        MealsFixture::SetUp();
        ASSERT_TRUE(logInAsDemoOwner());
        JsonValue people = legacy("start.php"); // held: the loop walks inside it
        for (const JsonValue& p : *people.object()->get("list").array())
            if (p.object()->get("name").asString() == "Margaret Hill")
                person = p.object()->get("assetID").asString();
        JsonValue documents = legacy("start.php?a=" + person);
        for (const JsonValue& d : *documents.object()->get("list").array()) {
            if (d.object()->get("name").asString() == "Daily care")
                careDoc = d.object()->get("assetID").asString();
            if (d.object()->get("name").asString() == "Meals")
                mealsForm = d.object()->get("formID").asString();
        }
        ASSERT_FALSE(careDoc.empty() || mealsForm.empty());
    }
    static JsonValue legacy(const std::string& path)
    {
        Collector request;
        model().requestWithURL(model().legacyBaseURL() + path, request.handler());
        Outcome outcome = request.single();
        return outcome.content ? *outcome.content : JsonValue {};
    }
    std::vector<std::string> allergyNames()
    {
        std::vector<std::string> names;
        JsonValue allergies = legacy("getFoodAllergy.php?a=" + careDoc);
        for (const JsonValue& a : *allergies.object()->get("list").array())
            names.push_back(a.object()->get("name").asString());
        return names;
    }
    void run(CommandInterpreter& interpreter, const std::vector<std::string>& lines)
    {
        for (const auto& line : lines) {
            auto result = interpreter.execute(line);
            ASSERT_TRUE(result.ok) << line << ": " << result.message << "\n" << interpreter.render().text;
        }
    }
    std::string person, careDoc, mealsForm;
};

} // namespace

TEST_F(TermMeals, TickAndUntickAnAllergy)
{
    show(IngredientsViewController::create(careDoc));
    CommandInterpreter interpreter(window, model().httpClient());
    run(interpreter, { "wait", "expect Title: Food Allergies", "expect == Ingredients list ==", "expect Peanuts  (v)", "reject Egg  (v)", "tap 0", "wait",
                         "expect Egg  (v)" });
    EXPECT_EQ(allergyNames(), (std::vector<std::string> { "Egg", "Peanuts" }));
    run(interpreter, { "tap 4", "wait", "reject Peanuts  (v)" });
    EXPECT_EQ(allergyNames(), (std::vector<std::string> { "Egg" }));
}

TEST_F(TermMeals, TheAllergenIsAskedAboutAndTomorrowsOrderIsStoredForTomorrow)
{
    auto dishes = legacy("getMenu.php?a=" + mealsForm + "&p=" + person).object()->get("list").array();
    ASSERT_TRUE(dishes);
    show(MenuViewController::create(mealsForm, "Lunch", person, dishes));
    CommandInterpreter interpreter(window, model().httpClient());
    installRowCommands(interpreter);
    const std::string tomorrow = DateFormat::format(DateFormat::now() + std::chrono::hours(24), "yyyy-MM-dd", DateFormat::Zone::Local);
    const std::string farOff = DateFormat::format(DateFormat::now() + std::chrono::hours(24 * 9), "yyyy-MM-dd", DateFormat::Zone::Local);
    run(interpreter, { "wait", "expect Title: Lunch", "expect Peanut noodles  Contains allergen: Peanuts", "reject Fish pie  Contains allergen",
                         "detail 3", "expect Title: Peanut noodles", "expect Gluten", "back", "press Order", "expect No dish chosen",
                         "alert OK", "tap 3", "expect [image tick.png]", "press Order", "expect Allergy warning", "alert Cancel",
                         "day " + tomorrow, "expect [date " + tomorrow + "]", "tap 1", "press Order", "wait", "expect Title: Resident" });
    EXPECT_FALSE(interpreter.execute("day " + farOff).ok);

    auto storage = SqliteStorage::open((reference.folder() / "quindle.sqlite").string());
    ASSERT_TRUE(storage);
    auto orders = LegacyStore(*storage).ordersOf(std::stoll(person)).object()->get("list").array();
    ASSERT_EQ(orders->size(), 1u);
    EXPECT_EQ(orders->at(0).object()->get("date").asString(), tomorrow);
    EXPECT_EQ(orders->at(0).object()->get("name").asString(), "Vegetable curry");
    EXPECT_EQ(orders->at(0).object()->get("menu").asString(), "Lunch");
}
