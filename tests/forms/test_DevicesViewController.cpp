// The device chooser: its own request when given no devices, the tick, and the choice handed back.
#include "forms/DevicesViewController.h"

#include "CareFixture.h"
#include "forms/ActionViewController.h"
#include "ui/NavigationController.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class Devices : public CareFixture { };

TEST_F(Devices, AsksForTheDevicesTicksTheCurrentOneAndHandsBackTheChoice)
{
    server.setResponder([](const RecordedRequest&) {
        return json(R"({"Message":{"list":[{"name":"Pager","assetID":"5"},{"name":"Night phone","assetID":"6"}]}})");
    });
    auto action = ActionViewController::create("Arthur", dict(R"({"val":"2","linkID":"5"})"), "77");
    auto stack = NavigationController::create(action);
    action->tableView();
    auto chooser = DevicesViewController::create(nullptr, action, "5");
    stack->pushViewController(chooser, Animated::No);
    auto table = chooser->tableView();
    ASSERT_TRUE(waitFor(2));
    settle();
    EXPECT_EQ(targets("devices.php"), (std::vector<std::string> { "/json/devices.php", "/json/devices.php" }));
    ASSERT_EQ(chooser->numberOfRowsInSection(*table, 0), 2);
    EXPECT_EQ(text(*chooser, *table, 0, 1), "Night phone");
    EXPECT_EQ(mark(*chooser, *table, 0, 0), AccessoryType::Checkmark);
    EXPECT_EQ(mark(*chooser, *table, 0, 1), AccessoryType::None);

    ASSERT_TRUE(table->selectRow({ 0, 1 }));
    EXPECT_EQ(action->devID(), "6");
    EXPECT_EQ(stack->topViewController(), action);
    EXPECT_EQ(targets("setAction.php").size(), 0u); // sent with the next interval
}

} // namespace
