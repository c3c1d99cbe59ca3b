#include "ui/BarButtonItem.h"

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

void BarButtonItem::press()
{
    // The action may replace the bar buttons, destroying this item; keep a copy to call.
    if (!m_enabled || !action)
        return;
    auto call = action;
    call();
}

} // namespace quindle
