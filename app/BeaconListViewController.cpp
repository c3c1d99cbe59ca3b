#include "app/BeaconListViewController.h"

namespace quindle {

std::shared_ptr<BeaconListViewController> BeaconListViewController::create()
{
    auto screen = std::shared_ptr<BeaconListViewController>(new BeaconListViewController());
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

BeaconListViewController::BeaconListViewController()
    : StaticTableViewController("Your beacons")
{
}

} // namespace quindle
