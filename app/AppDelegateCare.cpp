#include "app/AppDelegate.h"

#include "core/Model.h"
#include "forms/FollowupViewController.h"
#include "forms/WorkflowViewController.h"
#include "ui/NavigationController.h"

namespace quindle {

// The care tabs sit before "Tab Edit" and "Account": follow-ups are what a carer opens first.
// Launch calls this with an empty session, so only a login adds them.
void AppDelegate::appendCareTabs()
{
    if (!m_model.isLoggedIn())
        return;
    Screens care { NavigationController::create(FollowupViewController::create()) };
    if (auto workflow = m_model.workflow(); workflow && !workflow->empty())
        care.push_back(NavigationController::create(WorkflowViewController::create()));
    m_loginTabbarItems.insert(m_loginTabbarItems.begin(), care.begin(), care.end());
}

} // namespace quindle
