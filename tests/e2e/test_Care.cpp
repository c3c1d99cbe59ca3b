// The care tabs end to end: quindle-term logs in against quindle-server, sees the overdue
// follow-ups on the Followups tab's badge, and sees a follow-up become overdue once the
// server's stored due date passes, after a pull to refresh.
#include "E2eFixture.h"

#include <algorithm>
#include <ctime>

using namespace quindle;
using namespace quindle::test;

namespace {

class Care : public E2eFixture { };

/// The demo owner's first follow-up: the resident's form.
const std::string firstFollowUp = std::string(loginScript) + "tab Followups\nwait\ntap 0\nwait\n";

TEST_F(Care, TheFollowupsTabCountsTheOverdueOnesAndARefreshShowsANewlyDueOne)
{
    const std::string first = std::string(loginScript) + R"(expect [Followups (4)]
expect [Workflow]
expect [Tab Edit]
tab Followups
expect Title: Followups
expect Weigh Margaret again
expect Call Margaret Hill's family back
reject Review Margaret
# a follow-up opens the person's resident form, with its heading and due actions
tap 0
wait
expect Title: Forms
expect History
expect Actions
back
expect Title: Followups
show
)";
    // Due yesterday by the stored date: the server's clock, not a wait, makes it overdue.
    const auto due = [&] {
        EXPECT_EQ(SqliteStorage::open(database())->execute("UPDATE legacy_records SET due_date = '2026-01-01 09:00:00' "
                                                            "WHERE message = 'Review Margaret Hill''s care plan'"),
            1);
    };
    TermRun run = runInTwoHalves(first, "Call Margaret Hill's family back", due, R"(refresh
wait
expect [*Followups* (5)]
expect Review Margaret Hill's care plan
tab Workflow
expect Admission
expect Monthly review
tap 0
wait
expect Title: Next workflow
)");
    EXPECT_EQ(run.status, 0) << run.output;
}

TEST_F(Care, ARecordedWeightJoinsTheHistoryAndTheGraphPage)
{
    EXPECT_TRUE(walk(firstFollowUp + R"(expect Margaret Hill
field 0 61.5
return 0
wait
tap 1
wait
expect Weight (61.5)
tap 1
wait
expect latest 61.5 on
)"));
}

TEST_F(Care, AnAllergyIsTickedAndUntickedAndAMealIsOrderedForTomorrowAfterAnAllergenWarning)
{
    // The order carries the day on this device's calendar.
    std::time_t tomorrow = std::time(nullptr) + 24 * 3600;
    std::tm local {};
    localtime_r(&tomorrow, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    const std::string allergies = "SELECT i.name FROM legacy_allergies a JOIN legacy_ingredients i ON i.id = a.ingredient_id ORDER BY i.name";
    const auto before = sql(allergies);
    // The food allergies of the first follow-up's resident.
    const std::string allergyList = firstFollowUp + "tap 0\nwait\ntap 3\nwait\n";
    ASSERT_TRUE(walk(allergyList + "expect Title: Food Allergies\ntap 0\nwait\nreject Not saved\n"));
    auto after = sql(allergies);
    EXPECT_EQ(after.size(), before.size() + 1);
    EXPECT_NE(std::find(after.begin(), after.end(), std::vector<std::string> { "Egg" }), after.end());

    ASSERT_TRUE(walk(allergyList + "tap 0\nwait\nreject Not saved\n", "untick.term"));
    EXPECT_EQ(sql(allergies), before);

    ASSERT_TRUE(walk(firstFollowUp + R"(tap 10
wait
tap 3
wait
expect Contains allergen: Peanuts
tap 3
press Order
expect Allergy warning
alert Cancel
day )" + day + R"(
tap 1
press Order
wait
reject Order not sent
)", "order.term"));
    EXPECT_EQ(sql("SELECT o.order_date, d.name FROM legacy_orders o JOIN legacy_dishes d ON d.id = o.dish_id"),
        (std::vector<std::vector<std::string>> { { day, "Vegetable curry" } }));
}

} // namespace
