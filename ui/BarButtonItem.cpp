#include "ui/BarButtonItem.h"

#include "ui/ViewController.h"
#include "ui/Window.h"

namespace quindle {

std::shared_ptr<BarButtonItem> BarButtonItem::create(std::string title, BarButtonStyle style, std::function<void()> action)
{
    auto item = std::shared_ptr<BarButtonItem>(new BarButtonItem);
    item->m_title = std::move(title);
    item->m_style = style;
    item->action = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::create(SystemItem system, std::function<void()> action)
{
    bool emphasised = system == SystemItem::Done || system == SystemItem::Save;
    auto item = create(std::string(), emphasised ? BarButtonStyle::Done : BarButtonStyle::Plain, std::move(action));
    item->m_system = system;
    return item;
}

std::string BarButtonItem::displayTitle() const
{
    switch (m_system) {
    case SystemItem::Custom:
        return m_title;
    case SystemItem::Add:
        return "Add";
    case SystemItem::Edit:
        return "Edit";
    case SystemItem::Done:
        return "Done";
    case SystemItem::Save:
        return "Save";
    case SystemItem::Cancel:
        return "Cancel";
    }
    return m_title;
}

bool BarButtonItem::press()
{
    if (!m_enabled || !action)
        return false;
    auto owner = m_owner.lock();
    auto shown = owner ? owner->window() : nullptr;
    if (shown && !shown->takesScreenInput())
        return false;
    // The action may replace the bar buttons, destroying this item; keep a copy to call.
    auto call = action;
    call();
    return true;
}

} // namespace quindle
