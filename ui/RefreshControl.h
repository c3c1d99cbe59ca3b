#pragma once

#include "ui/View.h"

#include <functional>

namespace quindle {

/// The spinner a table shows when pulled down past its top.
class RefreshControl : public View {
public:
    static std::shared_ptr<RefreshControl> create();

    bool isRefreshing() const { return m_refreshing; }
    /// Code starts and stops the spinner; neither runs onRefresh.
    void beginRefreshing() { update(m_refreshing, true, ChangeKind::Value); }
    void endRefreshing() { update(m_refreshing, false, ChangeKind::Value); }
    /// The user pulls: the spinner starts and onRefresh runs. A pull while it already spins, or
    /// under an alert, does nothing. Returns whether onRefresh ran.
    bool pull();

    std::function<void(RefreshControl&)> onRefresh;

private:
    RefreshControl() : View({}) { }
    bool m_refreshing { false };
};

} // namespace quindle
