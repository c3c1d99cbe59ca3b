// A person's action records: the rows of both sections and the action screen each opens.
#include "forms/ActionListViewController.h"

#include "CareFixture.h"
#include "forms/ActionViewController.h"
#include "ui/NavigationController.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class ActionList : public CareFixture { };

TEST_F(ActionList, EachRowOpensItsRecordForThePersonsDocument)
{
    auto actions = JsonParser::parse(R"([{"name":"Weight follow-up","val":"6"},{"name":"Family call","val":"2"}])")->array();
    auto list = ActionListViewController::create(actions, "Margaret Hill", "41");
    auto stack = NavigationController::create(list);
    auto table = list->tableView();
    EXPECT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(list->numberOfRowsInSection(*table, 0), 1);
    EXPECT_EQ(list->numberOfRowsInSection(*table, 1), 2);
    EXPECT_EQ(text(*list, *table, 0, 0), "Weight follow-up");
    EXPECT_EQ(text(*list, *table, 1, 1), "Family call");
    struct Case {
        IndexPath path;
        size_t record;
    };
    for (Case c : { Case { { 1, 1 }, 1 }, Case { { 0, 0 }, 0 } }) {
        ASSERT_TRUE(table->selectRow(c.path));
        auto action = std::dynamic_pointer_cast<ActionViewController>(stack->topViewController());
        ASSERT_TRUE(action);
        EXPECT_EQ(action->actionDict(), actions->at(c.record).object());
        EXPECT_EQ(action->assetID(), "41");
        EXPECT_EQ(action->name(), "Margaret Hill");
        stack->popViewController(Animated::No);
    }
}

TEST_F(ActionList, NoRecordsShowNoRows)
{
    auto list = ActionListViewController::create(nullptr, "Nobody", "1");
    auto table = list->tableView();
    EXPECT_EQ(list->numberOfRowsInSection(*table, 0), 0);
    EXPECT_EQ(list->numberOfRowsInSection(*table, 1), 0);
}

} // namespace
