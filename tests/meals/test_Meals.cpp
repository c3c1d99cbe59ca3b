// The meal screens against a recording legacy server. The menu: its requests, the chosen dish,
// the order's day on the carer's calendar, what stays when an order fails, the allergen mark.
// The allergy list: what it asks, how ticks follow names, what a tap keeps when refused.
#include "meals/IngredientsViewController.h"
#include "meals/MenuDetailsViewController.h"
#include "meals/MenuViewController.h"

#include "forms/CareFixture.h"
#include "ui/AlertView.h"
#include "ui/DatePicker.h"

#include <cstdlib>
#include <ctime>

using namespace quindle;
using namespace quindle::test;

namespace {

/// A screen shown on top of a root screen in a window, so that closing it is seen.
class MealsFixture : public CareFixture {
protected:
    void show(const std::shared_ptr<ViewController>& screen)
    {
        present(ViewController::create("Resident"));
        stack->pushViewController(screen, Animated::No);
        screen->view();
    }
    /// The cell of a row as a renderer that shows every row would get it.
    static std::shared_ptr<TableViewCell> cellAt(TableView& table, int row)
    {
        table.layoutAllRows();
        return table.cellForRowAtIndexPath({ 0, row });
    }
    /// The alert on top, checked for its title and buttons, answered with `choice`.
    void answer(const char* title, const std::vector<std::string>& buttons, const char* choice)
    {
        auto alert = window->topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), title);
        EXPECT_EQ(alert->buttonTitles(), buttons);
        alert->chooseButtonWithTitle(choice);
    }
};

const char* dishes = R"([{"name":"Fish pie","assetID":"31","ingredients":[{"name":"Fish"},{"name":"Milk"}]},
    {"name":"Vegetable curry","assetID":"32","ingredients":[]},
    {"name":"Peanut noodles","assetID":"34","ingredients":[{"name":"Gluten"},{"name":"Peanuts"}]}])";

/// Sets TZ for the lifetime of the guard.
struct ZoneGuard {
    explicit ZoneGuard(const char* zone) : old(std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        old ? setenv("TZ", old->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    const std::optional<std::string> old;
};

class MenuTest : public MealsFixture {
protected:
    std::shared_ptr<MenuViewController> open(bool handOver, Reply orderReply = json(R"({"Message":{"ordered":"31"}})"),
        Reply allergyReply = json(R"({"Message":{"list":[{"name":"Peanuts","assetID":"3"}]}})"))
    {
        serve({ { "getFoodAllergy.php", allergyReply }, { "start.php", json(std::string(R"({"Message":{"list":)") + dishes + "}}") } }, orderReply);
        restart();
        auto menu = MenuViewController::create("42", "Lunch/dinner: main", "7", handOver ? JsonParser::parse(dishes)->array() : nullptr);
        show(menu);
        answered(handOver ? 1 : 2);
        return menu;
    }
};

const char* ingredients = R"({"Message":{"list":[{"name":"Egg","assetID":"1"},{"name":"Milk","assetID":"2"},{"name":"Peanuts","assetID":"3"}]}})";
// Two records of one name and an identifier that matches no ingredient: ticks go by name.
const char* allergies = R"({"Message":{"list":[{"name":"Milk","assetID":"900"},{"name":"Milk","assetID":"901"}]}})";

class IngredientsTest : public MealsFixture {
protected:
    std::shared_ptr<IngredientsViewController> load(Reply onSet = json("{}"))
    {
        serve({ { "ingredientsList.php", json(ingredients) }, { "getFoodAllergy.php", json(allergies) } }, onSet);
        restart();
        auto screen = IngredientsViewController::create("99");
        show(screen);
        answered(2);
        return screen;
    }
};

} // namespace

TEST_F(MenuTest, AskedForDishesOnlyWhenNoneWereHandedOverThenChoosingAndOrderingOnTheLocalDay)
{
    std::shared_ptr<MenuViewController> menu;
    for (bool handOver : { false, true }) { // the handed-over menu stays for the walk below
        SCOPED_TRACE(handOver);
        menu = open(handOver);
        auto sent = targets();
        std::sort(sent.begin(), sent.end());
        std::vector<std::string> expected { "/json/getFoodAllergy.php?a=7" };
        if (!handOver)
            expected.push_back("/json/start.php?a=42");
        EXPECT_EQ(sent, expected);
        // Nothing chosen yet; the allergen is marked.
        EXPECT_EQ(lines(*menu, *menu->table()), (std::vector<std::string> { "Fish pie [no picture + Info]", "Vegetable curry [no picture + Info]",
                                                    "Peanut noodles [no picture + Info] / Contains allergen: Peanuts" }));
        EXPECT_EQ(menu->selectedIndex(), -1);
    }

    // Choosing a dish moves the tick; a dish's details list its ingredients; ordering the
    // allergen asks first and only the confirmed order goes out.
    menu->table()->selectRow({ 0, 0 });
    menu->table()->selectRow({ 0, 2 });
    EXPECT_EQ(menu->selectedIndex(), 2);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(menu->objects()->at(row).object()->contains("Selected"), row == 2) << row;
        EXPECT_EQ(cellAt(*menu->table(), row)->accessoryView()->subviews().at(0)->isHidden(), row != 2) << row;
    }

    auto info = std::dynamic_pointer_cast<Button>(cellAt(*menu->table(), 0)->accessoryView()->subviews().at(1));
    ASSERT_TRUE(info);
    info->tap();
    auto details = std::dynamic_pointer_cast<MenuDetailsViewController>(stack->topViewController());
    ASSERT_TRUE(details);
    EXPECT_EQ(details->title(), "Fish pie");
    EXPECT_EQ(details->tableView()->titleForHeaderInSection(0), "Ingredients");
    EXPECT_EQ(lines(*details, *details->tableView()), (std::vector<std::string> { "Fish", "Milk" }));
    stack->popViewController(Animated::No);

    for (const char* choice : { "Cancel", "Order anyway" }) {
        SCOPED_TRACE(choice);
        menu->orderButton()->press();
        EXPECT_NE(window->topAlert()->message().find("Peanuts"), std::string::npos) << window->topAlert()->message();
        answer("Allergy warning", { "Cancel", "Order anyway" }, choice);
        settle();
    }
    answered(2);
    EXPECT_EQ(targets().size(), 2u);
    EXPECT_NE(targets().back().find("setMealObject.php?a=7&"), std::string::npos);
    EXPECT_NE(targets().back().find("&o=34"), std::string::npos);

    // Unknown allergies ask before any order; no dish chosen asks for one.
    menu = open(true, json(R"({"Message":{"ordered":"32"}})"), json(R"({"Error":"storage unavailable"})", 503));
    EXPECT_FALSE(menu->allergiesKnown());
    menu->orderButton()->press();
    answer("No dish chosen", { "OK" }, "OK");
    settle();
    EXPECT_EQ(targets().size(), 1u);
    EXPECT_EQ(stack->topViewController(), menu);

    menu->table()->selectRow({ 0, 1 });
    menu->orderButton()->press();
    answer("Allergies not known", { "Cancel", "Order anyway" }, "Order anyway");
    answered(2);
    EXPECT_NE(targets().back().find("&o=32"), std::string::npos);

    // The order's day is the carer's calendar day; an order is sent exactly and closes only when taken.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        { "Pacific/Auckland", "2026-12-09 11:30:00", "2026-12-10" }, // 00:30 local, still the 9th in Greenwich
        { "America/New_York", "2026-12-10 03:00:00", "2026-12-09" }, // 22:00 local
        { "UTC", "2026-12-09 23:59:59", "2026-12-09" },
    };
    for (auto [name, utc, day] : cases) {
        ZoneGuard zone(name);
        EXPECT_EQ(MenuViewController::orderDateForDate(*Model::dateFromServerDateString(utc)), day) << name;
    }
    ZoneGuard zone("Pacific/Auckland");
    const std::tuple<const char*, Reply, bool> orders[] = {
        { "taken", json(R"({"Message":{"ordered":"32"}})"), true },
        { "refused", json(R"({"Error":"unknown id"})", 404), false },
        { "not json", json("<html>", 200), false },
    };
    for (const auto& [name, reply, closes] : orders) {
        SCOPED_TRACE(name);
        menu = open(true, reply);
        // Half past midnight tomorrow, on the carer's calendar.
        Date tomorrow = DateFormat::startOfLocalDay(DateFormat::now() + std::chrono::hours(24)) + std::chrono::minutes(30);
        menu->datePicker()->pick(tomorrow);
        const std::string day = DateFormat::format(tomorrow, "yyyy-MM-dd", DateFormat::Zone::Local);
        menu->table()->selectRow({ 0, 1 });
        menu->orderButton()->press();
        answered(2);
        EXPECT_EQ(targets().back(), "/json/setMealObject.php?a=7&name=Lunch%2fdinner%3a%20main&date=" + day + "&o=32");
        EXPECT_EQ(stack->topViewController() != menu, closes);
        if (closes) {
            EXPECT_FALSE(window->topAlert());
        } else {
            answer("Order not sent", { "OK" }, "OK");
        }
        // The choice stays for another try.
        EXPECT_EQ(menu->selectedIndex(), 1);
    }
}

TEST_F(IngredientsTest, RepliesReachTheListOnlyOnTheMainQueueAndATapKeepsWhatTheServerHolds)
{
    server.setResponder([](const RecordedRequest& request) { return json(request.path == "/json/ingredientsList.php" ? ingredients : allergies); });
    auto waiting = IngredientsViewController::create("99");
    show(waiting);
    ASSERT_TRUE(server.waitForRequests(2));
    auto client = model().httpClient();
    for (int i = 0; i < 500 && client->inFlight() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Both replies are in, but their work waits for the main queue.
    EXPECT_EQ(waiting->tableView()->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(waiting->allergyList().empty());
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(waiting->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(waiting->allergyList(), (std::vector<std::string> { "Milk", "Milk" }));

    struct Case { const char* name; int row; Reply reply; const char* expectedTarget; int rowsAfter; std::vector<int> ticksAfter; bool allergic; bool alert; };
    const Case cases[] = {
        // A ticked name (held twice) goes completely and "0" is sent.
        { "untick taken", 1, json(R"({"Message":{"list":[{"name":"Milk","assetID":"2"}]}})"), "/json/setFoodAllergy.php?a=99&i=2&s=0", 1, {}, false, false },
        { "tick taken, null list keeps rows", 0, json(R"({"Message":{"list":null}})"), "/json/setFoodAllergy.php?a=99&i=1&s=1", 3, { 0, 1 }, true, false },
        { "tick refused", 2, json(R"({"Error":"storage unavailable"})", 503), "/json/setFoodAllergy.php?a=99&i=3&s=1", 3, { 1 }, false, true },
        { "untick answered without list", 1, json(R"({"Message":{"ok":"1"}})"), "/json/setFoodAllergy.php?a=99&i=2&s=0", 3, { 1 }, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto screen = load(c.reply);
        // Both lists asked for; ticks go by name.
        auto sent = targets();
        std::sort(sent.begin(), sent.end());
        EXPECT_EQ(sent, (std::vector<std::string> { "/json/getFoodAllergy.php?a=99", "/json/ingredientsList.php" }));
        EXPECT_EQ(screen->tableView()->titleForHeaderInSection(0), "Ingredients list");
        EXPECT_EQ(lines(*screen, *screen->tableView()), (std::vector<std::string> { "Egg", "Milk v", "Peanuts" }));
        const bool before = cellAt(*screen->tableView(), c.row)->accessoryType() == AccessoryType::Checkmark;
        screen->tableView()->selectRow({ 0, c.row });
        // The tick changes at once, before any answer.
        EXPECT_NE(cellAt(*screen->tableView(), c.row)->accessoryType() == AccessoryType::Checkmark, before);
        answered(3);
        EXPECT_EQ(targets().back(), c.expectedTarget);
        EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), c.rowsAfter);
        EXPECT_EQ(ticks(*screen, *screen->tableView(), 0), c.ticksAfter);
        EXPECT_EQ(screen->isAllergicTo(c.row == 1 ? "Milk" : c.row == 0 ? "Egg" : "Peanuts"), c.allergic);
        if (c.alert) {
            answer("Not saved", { "OK" }, "OK");
        } else {
            EXPECT_FALSE(window->topAlert());
        }
    }
}
