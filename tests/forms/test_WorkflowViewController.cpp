// The workflow list from the login's workflows, and its buttons.
#include "forms/WorkflowViewController.h"

#include "CareFixture.h"
#include "forms/NextWorkflowViewController.h"
#include "ui/NavigationController.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class Workflows : public CareFixture { };

TEST_F(Workflows, ListsTheLoginsWorkflowsAndOpensTheNextOnes)
{
    ASSERT_TRUE(logInAsDemoOwner());
    auto workflow = model().workflow();
    ASSERT_TRUE(workflow && workflow->size() >= 2);
    auto screen = WorkflowViewController::create();
    auto stack = NavigationController::create(screen);
    auto table = screen->tableView();
    EXPECT_EQ(screen->tabBarItem(), (TabBarItem { "Workflow", "second.png", "" }));
    ASSERT_EQ(screen->numberOfRowsInSection(*table, 0), int(workflow->size()));
    EXPECT_EQ(text(*screen, *table, 0, 0), "Admission");
    EXPECT_EQ(mark(*screen, *table, 0, 0), AccessoryType::DisclosureIndicator);

    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    auto next = std::dynamic_pointer_cast<NextWorkflowViewController>(stack->topViewController());
    ASSERT_TRUE(next);
    EXPECT_EQ(next->assetID(), workflow->at(0).object()->get("assetID").asString());
    settle();
    auto nextTable = next->tableView();
    ASSERT_EQ(next->numberOfRowsInSection(*nextTable, 0), 1);
    EXPECT_EQ(text(*next, *nextTable, 0, 0), "Monthly review");
}

TEST_F(Workflows, EditTogglesTheButtons)
{
    auto screen = WorkflowViewController::create();
    screen->tableView();
    auto titles = [&] {
        std::vector<SystemItem> items;
        for (auto& item : screen->rightBarButtonItems())
            items.push_back(item->systemItem());
        return items;
    };
    EXPECT_EQ(titles(), (std::vector<SystemItem> { SystemItem::Add, SystemItem::Edit }));
    screen->editTable();
    EXPECT_TRUE(screen->editMode());
    EXPECT_EQ(titles(), (std::vector<SystemItem> { SystemItem::Add, SystemItem::Done }));
    screen->editTable();
    EXPECT_EQ(titles(), (std::vector<SystemItem> { SystemItem::Add, SystemItem::Edit }));
}

} // namespace
