#pragma once

#include "app/StaticTableViewController.h"

namespace quindle {

/// The user's beacons ("Your beacons"): one section that has no rows yet.
class BeaconListViewController : public StaticTableViewController {
public:
    static std::shared_ptr<BeaconListViewController> create();

private:
    BeaconListViewController();
};

} // namespace quindle
