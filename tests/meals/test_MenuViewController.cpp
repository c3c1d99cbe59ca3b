// The menu: its requests, the chosen dish, the order's day on the carer's calendar, what stays
// when an order fails, and the allergen mark with its confirmation.
#include "meals/MenuViewController.h"

#include "meals/MealsFixture.h"
#include "meals/MenuDetailsViewController.h"
#include "platform/JsonParser.h"
#include "ui/Button.h"
#include "ui/DatePicker.h"

#include <cstdlib>
#include <ctime>

using namespace quindle;
using namespace quindle::test;

namespace {

const char* dishes = R"([{"name":"Fish pie","assetID":"31","ingredients":[{"name":"Fish"},{"name":"Milk"}]},
    {"name":"Vegetable curry","assetID":"32","ingredients":[]},
    {"name":"Peanut noodles","assetID":"34","ingredients":[{"name":"Gluten"},{"name":"Peanuts"}]}])";

/// Sets TZ for the lifetime of the guard.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

class MenuTest : public MealsFixture {
protected:
    std::shared_ptr<MenuViewController> open(bool handOver, Reply orderReply = json(R"({"Message":{"ordered":"31"}})"),
        Reply allergyReply = json(R"({"Message":{"list":[{"name":"Peanuts","assetID":"3"}]}})"))
    {
        server.setResponder([orderReply, allergyReply](const RecordedRequest& request) {
            if (request.path == "/json/getFoodAllergy.php")
                return allergyReply;
            if (request.path == "/json/start.php")
                return json(std::string(R"({"Message":{"list":)") + dishes + "}}");
            return orderReply;
        });
        mark();
        auto menu = MenuViewController::create("42", "Lunch/dinner: main", "7", handOver ? JsonParser::parse(dishes)->array() : nullptr);
        show(menu);
        answered(handOver ? 1 : 2);
        return menu;
    }
    static std::shared_ptr<View> tick(MenuViewController& menu, int row)
    {
        return cellAt(*menu.table(), row)->accessoryView()->subviews().at(0);
    }
};

} // namespace

TEST_F(MenuTest, AskedForDishesOnlyWhenNoneWereHandedOver)
{
    for (bool handOver : { true, false }) {
        SCOPED_TRACE(handOver);
        auto menu = open(handOver);
        auto sent = targets();
        std::sort(sent.begin(), sent.end());
        std::vector<std::string> expected { "/json/getFoodAllergy.php?a=7" };
        if (!handOver)
            expected.push_back("/json/start.php?a=42");
        EXPECT_EQ(sent, expected);
        EXPECT_EQ(menu->title(), "Lunch/dinner: main");
        EXPECT_EQ(menu->table()->numberOfRowsInSection(0), 3);
        EXPECT_EQ(rowText(*menu->table(), 2), "Peanut noodles");
        EXPECT_EQ(menu->selectedIndex(), -1);
    }
}

TEST_F(MenuTest, ChoosingADishMovesTheTickAndTheDetailsListItsIngredients)
{
    auto menu = open(true);
    menu->table()->selectRow({ 0, 0 });
    menu->table()->selectRow({ 0, 2 });
    EXPECT_EQ(menu->selectedIndex(), 2);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(menu->objects()->at(row).object()->contains("Selected"), row == 2) << row;
        EXPECT_EQ(tick(*menu, row)->isHidden(), row != 2) << row;
    }
    auto info = std::dynamic_pointer_cast<Button>(cellAt(*menu->table(), 0)->accessoryView()->subviews().at(1));
    ASSERT_TRUE(info);
    info->tap();
    auto details = std::dynamic_pointer_cast<MenuDetailsViewController>(stack->topViewController());
    ASSERT_TRUE(details);
    EXPECT_EQ(details->title(), "Fish pie");
    EXPECT_EQ(details->tableView()->titleForHeaderInSection(0), "Ingredients");
    EXPECT_EQ(rowText(*details->tableView(), 1), "Milk");
}

TEST_F(MenuTest, TheAllergenIsMarkedAndOrderingItAsksFirst)
{
    auto menu = open(true);
    auto table = menu->table();
    EXPECT_EQ(cellAt(*table, 2)->detailTextLabel()->text(), "Contains allergen: Peanuts");
    EXPECT_EQ(cellAt(*table, 0)->detailTextLabel()->text(), "");
    table->selectRow({ 0, 2 });
    for (const char* choice : { "Cancel", "Order anyway" }) {
        SCOPED_TRACE(choice);
        menu->orderButton()->press();
        auto alert = window->topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), "Allergy warning");
        EXPECT_NE(alert->message().find("Peanuts"), std::string::npos) << alert->message();
        EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string> { "Cancel", "Order anyway" }));
        alert->chooseButtonWithTitle(choice);
        settle();
    }
    // Only the confirmed order went out.
    answered(2);
    EXPECT_EQ(targets().size(), 2u);
    EXPECT_NE(targets().back().find("setMealObject.php?a=7&"), std::string::npos);
    EXPECT_NE(targets().back().find("&o=34"), std::string::npos);
}

TEST_F(MenuTest, UnknownAllergiesAskBeforeAnyOrder)
{
    auto menu = open(true, json(R"({"Message":{"ordered":"32"}})"), json(R"({"Error":"storage unavailable"})", 503));
    EXPECT_FALSE(menu->allergiesKnown());
    menu->table()->selectRow({ 0, 1 });
    menu->orderButton()->press();
    auto alert = window->topAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Allergies not known");
    EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string> { "Cancel", "Order anyway" }));
    alert->chooseButtonWithTitle("Order anyway");
    answered(2);
    EXPECT_NE(targets().back().find("&o=32"), std::string::npos);
}

TEST_F(MenuTest, OrderWithoutADishAsksForOne)
{
    auto menu = open(true);
    menu->orderButton()->press();
    auto alert = window->topAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "No dish chosen");
    settle();
    EXPECT_EQ(targets().size(), 1u);
    EXPECT_EQ(stack->topViewController(), menu);
}

TEST_F(MenuTest, OrderDateIsTheLocalCalendarDay)
{
    struct Case {
        const char* zone;
        const char* utc; // the picked instant
        const char* day;
    };
    const Case cases[] = {
        { "Pacific/Auckland", "2026-12-09 11:30:00", "2026-12-10" }, // 00:30 local, still the 9th in Greenwich
        { "America/New_York", "2026-12-10 03:00:00", "2026-12-09" }, // 22:00 local
        { "UTC", "2026-12-09 23:59:59", "2026-12-09" },
    };
    for (const Case& c : cases) {
        ZoneGuard zone(c.zone);
        EXPECT_EQ(MenuViewController::orderDateForDate(*Model::dateFromServerDateString(c.utc)), c.day) << c.zone;
    }
}

TEST_F(MenuTest, AnOrderIsSentExactlyAndClosesOnlyWhenTaken)
{
    ZoneGuard zone("Pacific/Auckland");
    struct Case {
        const char* name;
        Reply reply;
        bool closes;
    };
    const Case cases[] = {
        { "taken", json(R"({"Message":{"ordered":"32"}})"), true },
        { "refused", json(R"({"Error":"unknown id"})", 404), false },
        { "not json", json("<html>", 200), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto menu = open(true, c.reply);
        // Half past midnight tomorrow, on the carer's calendar.
        Date tomorrow = DateFormat::startOfLocalDay(DateFormat::now() + std::chrono::hours(24)) + std::chrono::minutes(30);
        menu->datePicker()->pick(tomorrow);
        const std::string day = DateFormat::format(tomorrow, "yyyy-MM-dd", DateFormat::Zone::Local);
        menu->table()->selectRow({ 0, 1 });
        menu->orderButton()->press();
        answered(2);
        EXPECT_EQ(targets().back(), "/json/setMealObject.php?a=7&name=Lunch%2fdinner%3a%20main&date=" + day + "&o=32");
        EXPECT_EQ(stack->topViewController() != menu, c.closes);
        auto alert = window->topAlert();
        EXPECT_EQ(alert != nullptr, !c.closes);
        if (alert) {
            EXPECT_EQ(alert->title(), "Order not sent");
            alert->chooseButtonWithTitle("OK");
        }
        // The choice stays for another try.
        EXPECT_EQ(menu->selectedIndex(), 1);
    }
}
