#include "ui/RefreshControl.h"

namespace quindle {

std::shared_ptr<RefreshControl> RefreshControl::create() { return std::shared_ptr<RefreshControl>(new RefreshControl); }

bool RefreshControl::pull()
{
    if (m_refreshing || isHidden() || !takesUserInput())
        return false;
    beginRefreshing();
    if (!onRefresh)
        return false;
    auto keepAlive = shared_from_this();
    auto handler = onRefresh;
    handler(*this);
    return true;
}

} // namespace quindle
