#pragma once

#include <functional>
#include <memory>
#include <string>

namespace quindle {

/// The look of a bar button.
enum class BarButtonStyle { Plain, Done };

/// The built-in bar buttons; Custom uses the title.
enum class SystemItem { Custom, Add, Edit, Done, Save, Cancel, Refresh, Trash, Action };

/// A button in a navigation bar.
class BarButtonItem {
public:
    static std::shared_ptr<BarButtonItem> create(std::string title, BarButtonStyle style, std::function<void()> action)
    {
        auto item = std::shared_ptr<BarButtonItem>(new BarButtonItem);
        item->m_title = std::move(title);
        item->m_style = style;
        item->action = std::move(action);
        return item;
    }
    static std::shared_ptr<BarButtonItem> create(SystemItem system, std::function<void()> action)
    {
        auto item = create(std::string(), system == SystemItem::Done || system == SystemItem::Save ? BarButtonStyle::Done : BarButtonStyle::Plain, std::move(action));
        item->m_system = system;
        return item;
    }

    const std::string& title() const { return m_title; }
    BarButtonStyle style() const { return m_style; }
    SystemItem systemItem() const { return m_system; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    /// The user presses the button; a disabled button does nothing.
    void press()
    {
        if (m_enabled && action)
            action();
    }

    std::function<void()> action;

private:
    BarButtonItem() = default;
    std::string m_title;
    BarButtonStyle m_style { BarButtonStyle::Plain };
    SystemItem m_system { SystemItem::Custom };
    bool m_enabled { true };
};

} // namespace quindle
